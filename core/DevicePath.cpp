#include "core/DevicePath.h"

#include <QDir>
#include <QFileInfo>

DevicePath DevicePath::forPort(const QString &configDir, int port)
{
    if (port < 1)
        return {};
    const QFileInfo link(QDir(configDir).filePath(QStringLiteral("com%1").arg(port)));
    if (link.isSymLink()) {
        // symLinkTarget() is absolute, resolved against the link's folder.
        return {link.symLinkTarget(), true};
    }
    return {QStringLiteral("/dev/ttyS%1").arg(port - 1), false};
}

QString DevicePath::describe(const QString &configDir, int port)
{
    const DevicePath device = forPort(configDir, port);
    if (device.path.isEmpty())
        return QStringLiteral("no such port");
    if (device.linked)
        return QStringLiteral("config/com%1 -> %2").arg(port).arg(device.path);
    return device.path;
}
