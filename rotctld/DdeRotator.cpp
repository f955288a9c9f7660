#include "rotctld/DdeRotator.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>

#include <memory>
#include <optional>

namespace {
constexpr auto kErrorPrefix = "org.sorvik.DDE.Error.";
constexpr auto kNotAvailable = "org.sorvik.DDE.Error.NotAvailable";
constexpr auto kUnknownMethod = "org.freedesktop.DBus.Error.UnknownMethod";

int statusOf(const QDBusMessage &reply)
{
    if (reply.type() == QDBusMessage::ReplyMessage)
        return DoorStatus::kOk;
    const QString name = reply.errorName();
    // A program from before Stop and Position lacks them as a family lacks a stop.
    if (name == QLatin1String(kNotAvailable) || name == QLatin1String(kUnknownMethod))
        return DoorStatus::kNotAvailable;
    if (name.startsWith(QLatin1String(kErrorPrefix)))
        return DoorStatus::kRejected;
    // Not on the bus, gone, hung, or no bus at all: to a client the rotator is unreachable.
    return DoorStatus::kIoError;
}

// CanSend's answer: kIoError when the rotor's line is closed. A program from before CanSend is
// taken at its word.
int canSendStatus(const QDBusMessage &reply)
{
    if (reply.type() == QDBusMessage::ErrorMessage)
        return reply.errorName() == QLatin1String(kUnknownMethod) ? DoorStatus::kOk
                                                                  : statusOf(reply);
    if (reply.signature() != QLatin1String("b"))
        return DoorStatus::kProtocolError;
    return reply.arguments().at(0).toBool() ? DoorStatus::kOk : DoorStatus::kIoError;
}

DoorRotator::Position positionOf(const QDBusMessage &reply)
{
    if (const int status = statusOf(reply); status != DoorStatus::kOk)
        return {status};
    if (reply.signature() != QLatin1String("ii"))
        return {DoorStatus::kProtocolError};
    return {DoorStatus::kOk, reply.arguments().at(0).toInt(), reply.arguments().at(1).toInt()};
}
} // namespace

DdeRotator::DdeRotator(const QDBusConnection &connection, int timeoutMs, QObject *parent)
    : DoorRotator(parent), m_connection(connection), m_timeoutMs(timeoutMs)
{}

void DdeRotator::setAzimuth(int azimuth, QObject *context, Done done)
{
    change(QStringLiteral("Poke"), {QStringLiteral("Text1"), QString::number(azimuth)}, context,
           done);
}

void DdeRotator::stop(QObject *context, Done done)
{
    change(QStringLiteral("Stop"), {}, context, [this, done](int status) {
        if (status == DoorStatus::kOk)
            emit stopped();
        done(status);
    });
}

void DdeRotator::position(QObject *context, PositionAnswer answer)
{
    call(QStringLiteral("Position"), {}, context,
         [answer](const QDBusMessage &reply) { answer(positionOf(reply)); });
}

void DdeRotator::info(QObject *context, InfoAnswer answer)
{
    call(QStringLiteral("Request"), {QStringLiteral("LblConfig")}, context,
         [answer](const QDBusMessage &reply) {
             if (const int status = statusOf(reply); status != DoorStatus::kOk)
                 answer({status, {}});
             else if (reply.signature() != QLatin1String("s"))
                 answer({DoorStatus::kProtocolError, {}});
             else
                 answer({DoorStatus::kOk, reply.arguments().at(0).toString()});
         });
}

void DdeRotator::reach(QObject *context, Done done)
{
    call(QStringLiteral("Request"), {QStringLiteral("LblConfig")}, context,
         [done](const QDBusMessage &reply) { done(statusOf(reply)); });
}

void DdeRotator::watchReported()
{
    if (m_watching)
        return;
    m_watching = m_connection.connect(QLatin1String(kService), QLatin1String(kPath),
                                      QLatin1String(kInterface), QStringLiteral("Changed"), this,
                                      SLOT(itemChanged(QString, QString)));
}

void DdeRotator::itemChanged(const QString &item, const QString &)
{
    // Label3 shows each report as it came; Position() tells it as an azimuth.
    if (item != QLatin1String("Label3"))
        return;
    position(this, [this](const Position &position) {
        if (position.status != DoorStatus::kOk || position.reported == m_reported)
            return;
        m_reported = position.reported;
        emit reportedChanged(m_reported);
    });
}

void DdeRotator::change(const QString &method, const QVariantList &arguments, QObject *context,
                        const Done &done)
{
    // Both calls leave at once; the program handles them in order, so CanSend tells the line
    // as the poke or the stop left it.
    struct Answers
    {
        std::optional<int> change;
        std::optional<int> canSend;
    };
    auto answers = std::make_shared<Answers>();
    const auto finish = [answers, done] {
        if (!answers->change || !answers->canSend)
            return;
        done(*answers->change != DoorStatus::kOk ? *answers->change : *answers->canSend);
    };
    call(method, arguments, context, [answers, finish](const QDBusMessage &reply) {
        answers->change = statusOf(reply);
        finish();
    });
    call(QStringLiteral("CanSend"), {}, context, [answers, finish](const QDBusMessage &reply) {
        answers->canSend = canSendStatus(reply);
        finish();
    });
}

void DdeRotator::call(const QString &method, const QVariantList &arguments, QObject *context,
                      const Reply &reply)
{
    if (!m_connection.isConnected()) {
        // No bus will ever answer: the client hears so now, not after a time-out.
        QDBusMessage error = QDBusMessage::createError(QStringLiteral("org.freedesktop.DBus."
                                                                      "Error.Disconnected"),
                                                       QStringLiteral("no D-Bus session bus"));
        reply(error);
        return;
    }
    QDBusMessage message = QDBusMessage::createMethodCall(
        QLatin1String(kService), QLatin1String(kPath), QLatin1String(kInterface), method);
    message.setArguments(arguments);
    // A child of the context: when a client goes, its calls' answers go with it.
    auto *watcher =
        new QDBusPendingCallWatcher(m_connection.asyncCall(message, m_timeoutMs), context);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, context,
                     [reply](QDBusPendingCallWatcher *finished) {
                         finished->deleteLater();
                         reply(finished->reply());
                     });
}
