#pragma once

#include "rotctld/RotctlReply.h"

#include <QDBusConnection>
#include <QVariantList>

#include <functional>

class QDBusMessage;
class QObject;

// The rotator as rotctld's commands see it, reached through the program's D-Bus link. Every call
// is asynchronous and goes to the bus name afresh, so a program that starts later is found; the
// answer comes through a callback that is dropped with its context object.
class DdeRotator
{
public:
    using Answer = std::function<void(const RotctlReply &)>;

    static constexpr auto kService = "org.sorvik.sorvikdde";
    static constexpr auto kPath = "/nomeForm";
    static constexpr auto kInterface = "org.sorvik.DDE";
    // Long enough for the bus to start the program, short enough that a hung one is an error
    // before clients give up.
    static constexpr int kDefaultTimeoutMs = 3000;

    explicit DdeRotator(const QDBusConnection &connection = QDBusConnection::sessionBus(),
                        int timeoutMs = kDefaultTimeoutMs);

    void setAzimuth(int azimuth, QObject *context, const Answer &answer);
    void position(QObject *context, const Answer &answer);
    void stop(QObject *context, const Answer &answer);
    void info(QObject *context, const Answer &answer);
    // Needs no data from the program, but asks it anyway: a client's first contact must not
    // look like a connected rotator when the program is not there.
    void dumpState(QObject *context, const Answer &answer);

private:
    using Reading = RotctlReply (*)(const QDBusMessage &reply);

    void call(const QString &method, const QVariantList &arguments, Reading reading,
              QObject *context, const Answer &answer);

    QDBusConnection m_connection;
    int m_timeoutMs;
};
