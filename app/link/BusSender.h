#pragma once

#include <QByteArray>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QList>

#include <utility>

class QObject;
struct DBusConnection;

// Hands QtDBus's answers and messages composed as bytes to the session bus, on QtDBus's own
// thread and behind what QtDBus has queued there: a batch costs one hop to that thread, and the
// composed messages no marshalling in QtDBus or libdbus.
class BusSender
{
public:
    BusSender();
    ~BusSender();
    BusSender(const BusSender &) = delete;
    BusSender &operator=(const BusSender &) = delete;

    // False without a session bus connection.
    bool isConnected() const { return m_connection != nullptr; }
    using Answers = QList<std::pair<QDBusConnection, QDBusMessage>>;
    // The answers first, then the messages, each in its order.
    void send(Answers answers, QList<QByteArray> messages);

private:
    DBusConnection *m_connection = nullptr;
    QObject *m_busThreadObject = nullptr;
};
