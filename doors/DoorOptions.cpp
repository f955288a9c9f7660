#include "doors/DoorOptions.h"

#include <QCommandLineParser>

void DoorOptions::add(QCommandLineParser &parser)
{
    const QString what[] = {
        QStringLiteral("Hamlib's rotctld protocol (gpredict, QLog, cqrlog) on TCP"),
        QStringLiteral("PstRotator-style datagrams (QLog, TR4W) on UDP; answers go to port + 1"),
        QStringLiteral("N1MM Logger+ rotor datagrams on UDP"),
        QStringLiteral("where the N1MM door tells the rotor's heading"),
    };
    DoorSettings places = DoorSettings::defaults();
    const QStringList keys = DoorSettings::keys();
    for (qsizetype i = 0; i < keys.size(); ++i)
        parser.addOption(
            QCommandLineOption(keys[i],
                               QStringLiteral("%1: ADDRESS:PORT or off (default %2).")
                                   .arg(what[i], places.find(keys[i])->value().toString()),
                               QStringLiteral("ADDRESS:PORT|off")));
}

std::optional<DoorSettings> DoorOptions::read(const QCommandLineParser &parser, QString *error)
{
    DoorSettings settings;
    for (const QString &key : DoorSettings::keys()) {
        if (!parser.isSet(key))
            continue;
        const QString value = parser.value(key);
        const std::optional<DoorEndpoint> endpoint = DoorEndpoint::parse(value);
        if (!endpoint) {
            if (error)
                *error = QStringLiteral("--%1 wants ADDRESS:PORT (such as 127.0.0.1:%2) or off, "
                                        "not \"%3\"")
                             .arg(key)
                             .arg(DoorSettings::defaults().find(key)->value().port)
                             .arg(value);
            return std::nullopt;
        }
        *settings.find(key) = endpoint;
    }
    return settings;
}
