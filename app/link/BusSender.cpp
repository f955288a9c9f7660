#include "app/link/BusSender.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QMetaObject>
#include <QPointer>

#include <dbus/dbus.h>

namespace {
void sendNow(DBusConnection *connection, const QList<QByteArray> &messages)
{
    for (const QByteArray &bytes : messages) {
        DBusError error;
        dbus_error_init(&error);
        DBusMessage *loaded = dbus_message_demarshal(bytes.constData(), int(bytes.size()), &error);
        if (!loaded) {
            qWarning("D-Bus: a composed message was refused: %s", error.message);
            dbus_error_free(&error);
            continue;
        }
        // A copy has no serial: the connection numbers it among its own.
        DBusMessage *message = dbus_message_copy(loaded);
        dbus_message_unref(loaded);
        if (message) {
            dbus_connection_send(connection, message, nullptr);
            dbus_message_unref(message);
        }
    }
}
} // namespace

BusSender::BusSender()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    // The bus interface object lives where QtDBus does its I/O.
    m_busThreadObject = bus.interface();
    m_connection = static_cast<DBusConnection *>(bus.internalPointer());
    if (m_connection)
        dbus_connection_ref(m_connection);
}

BusSender::~BusSender()
{
    if (m_connection)
        dbus_connection_unref(m_connection);
}

void BusSender::send(Answers answers, QList<QByteArray> messages)
{
    if (answers.isEmpty() && messages.isEmpty())
        return;
    const QPointer<QObject> target(m_busThreadObject);
    if (!m_connection || !target) {
        for (const auto &[bus, answer] : answers)
            bus.send(answer);
        if (m_connection)
            sendNow(m_connection, messages);
        return;
    }
    DBusConnection *connection = dbus_connection_ref(m_connection);
    QMetaObject::invokeMethod(
        target,
        [connection, answers = std::move(answers), messages = std::move(messages)] {
            // On this thread QtDBus sends at once, so the answers keep their place.
            for (const auto &[bus, answer] : answers)
                bus.send(answer);
            sendNow(connection, messages);
            dbus_connection_unref(connection);
        },
        Qt::QueuedConnection);
}
