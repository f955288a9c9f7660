#include "configuration/dialog/SerialDevices.h"

#include <QDir>
#include <QFileInfo>
#include <QSerialPortInfo>

#include <algorithm>

namespace {
constexpr auto kById = "/dev/serial/by-id";

// The by-id link that leads to this device, if any.
QString byIdName(const QString &location)
{
    const QString device = QFileInfo(location).canonicalFilePath();
    const QDir byId(QString::fromLatin1(kById));
    for (const QFileInfo &entry : byId.entryInfoList(QDir::System | QDir::Files)) {
        if (entry.canonicalFilePath() == device)
            return entry.absoluteFilePath();
    }
    return {};
}
} // namespace

QList<SerialDevice> presentSerialDevices()
{
    QList<SerialDevice> devices;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
        const QString location = info.systemLocation();
        const QString byId = byIdName(location);
        QStringList about;
        for (const QString &part : {info.manufacturer(), info.description(), info.serialNumber()})
            if (!part.isEmpty())
                about << part;
        about << QStringLiteral("(%1)").arg(location);
        devices.append({byId.isEmpty() ? location : byId, about.join(u' ')});
    }
    std::stable_sort(devices.begin(), devices.end(),
                     [](const SerialDevice &a, const SerialDevice &b) {
                         return a.path.startsWith(QLatin1String(kById)) &&
                                !b.path.startsWith(QLatin1String(kById));
                     });
    return devices;
}
