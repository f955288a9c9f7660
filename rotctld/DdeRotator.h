#pragma once

#include "doors/DoorRotator.h"

#include <QDBusConnection>
#include <QVariantList>

#include <functional>

class QDBusMessage;

// The rotator the doors drive, reached through the program's D-Bus link. Every call is
// asynchronous and goes to the bus name afresh, so a program that starts later is found; a set or
// a stop is followed by CanSend, so a closed line answers kIoError. Without a bus every call
// answers kIoError at once.
class DdeRotator : public DoorRotator
{
    Q_OBJECT
public:
    static constexpr auto kService = "org.sorvik.sorvikdde";
    static constexpr auto kPath = "/nomeForm";
    static constexpr auto kInterface = "org.sorvik.DDE";
    // Long enough for the bus to start the program, short enough that a hung one is an error
    // before clients give up.
    static constexpr int kDefaultTimeoutMs = 3000;

    explicit DdeRotator(const QDBusConnection &connection = QDBusConnection::sessionBus(),
                        int timeoutMs = kDefaultTimeoutMs, QObject *parent = nullptr);

    void setAzimuth(int azimuth, QObject *context, Done done) override;
    void stop(QObject *context, Done done) override;
    void position(QObject *context, PositionAnswer answer) override;
    void info(QObject *context, InfoAnswer answer) override;
    // Needs no data from the program, but asks it anyway: a client's first contact must not
    // look like a connected rotator when the program is not there.
    void reach(QObject *context, Done done) override;
    // Follows the program's Label3 changes, reading Position() after each.
    void watchReported() override;

private:
    using Reply = std::function<void(const QDBusMessage &reply)>;

    void call(const QString &method, const QVariantList &arguments, QObject *context,
              const Reply &reply);
    // method, then CanSend at once behind it; one answer for both.
    void change(const QString &method, const QVariantList &arguments, QObject *context,
                const Done &done);
    Q_SLOT void itemChanged(const QString &item, const QString &value);

    QDBusConnection m_connection;
    int m_timeoutMs;
    bool m_watching = false;
    int m_reported = -1;
};
