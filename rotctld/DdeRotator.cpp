#include "rotctld/DdeRotator.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QObject>

namespace {
constexpr auto kErrorPrefix = "org.sorvik.DDE.Error.";
constexpr auto kNotAvailable = "org.sorvik.DDE.Error.NotAvailable";
constexpr auto kUnknownMethod = "org.freedesktop.DBus.Error.UnknownMethod";

int codeFor(const QDBusMessage &error)
{
    const QString name = error.errorName();
    // A program from before Stop and Position lacks them as a family lacks a stop.
    if (name == QLatin1String(kNotAvailable) || name == QLatin1String(kUnknownMethod))
        return RotctlReply::kNotAvailable;
    if (name.startsWith(QLatin1String(kErrorPrefix)))
        return RotctlReply::kRejected;
    // Not on the bus, gone, hung, or no bus at all: to a client the rotator is unreachable.
    return RotctlReply::kIoError;
}

RotctlReply done(const QDBusMessage &)
{
    return RotctlReply::status(0);
}

RotctlReply position(const QDBusMessage &reply)
{
    if (reply.signature() != QLatin1String("ii"))
        return RotctlReply::status(RotctlReply::kProtocolError);
    const int reported = reply.arguments().at(0).toInt();
    const int commanded = reply.arguments().at(1).toInt();
    if (reported >= 0)
        return RotctlReply::position(reported);
    if (commanded >= 0)
        return RotctlReply::position(commanded);
    return RotctlReply::status(RotctlReply::kNotAvailable);
}

RotctlReply info(const QDBusMessage &reply)
{
    if (reply.signature() != QLatin1String("s"))
        return RotctlReply::status(RotctlReply::kProtocolError);
    return RotctlReply::info(reply.arguments().at(0).toString());
}

RotctlReply dumpState(const QDBusMessage &)
{
    return RotctlReply::dumpState();
}
} // namespace

DdeRotator::DdeRotator(const QDBusConnection &connection, int timeoutMs)
    : m_connection(connection), m_timeoutMs(timeoutMs)
{}

void DdeRotator::setAzimuth(int azimuth, QObject *context, const Answer &answer)
{
    call(QStringLiteral("Poke"), {QStringLiteral("Text1"), QString::number(azimuth)}, done, context,
         answer);
}

void DdeRotator::position(QObject *context, const Answer &answer)
{
    call(QStringLiteral("Position"), {}, ::position, context, answer);
}

void DdeRotator::stop(QObject *context, const Answer &answer)
{
    call(QStringLiteral("Stop"), {}, done, context, answer);
}

void DdeRotator::info(QObject *context, const Answer &answer)
{
    call(QStringLiteral("Request"), {QStringLiteral("LblConfig")}, ::info, context, answer);
}

void DdeRotator::dumpState(QObject *context, const Answer &answer)
{
    call(QStringLiteral("Request"), {QStringLiteral("LblConfig")}, ::dumpState, context, answer);
}

void DdeRotator::call(const QString &method, const QVariantList &arguments, Reading reading,
                      QObject *context, const Answer &answer)
{
    QDBusMessage message = QDBusMessage::createMethodCall(
        QLatin1String(kService), QLatin1String(kPath), QLatin1String(kInterface), method);
    message.setArguments(arguments);
    // A child of the context: when a client goes, its calls' answers go with it.
    auto *watcher =
        new QDBusPendingCallWatcher(m_connection.asyncCall(message, m_timeoutMs), context);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, context,
                     [reading, answer](QDBusPendingCallWatcher *finished) {
                         finished->deleteLater();
                         const QDBusMessage reply = finished->reply();
                         answer(reply.type() == QDBusMessage::ReplyMessage
                                    ? reading(reply)
                                    : RotctlReply::status(codeFor(reply)));
                     });
}
