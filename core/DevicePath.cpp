#include "core/DevicePath.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <unistd.h>

namespace {
QString comLink(const QString &configDir, int port)
{
    return QDir(configDir).filePath(QStringLiteral("com%1").arg(port));
}
} // namespace

DevicePath DevicePath::forPort(const QString &configDir, int port)
{
    if (port < 1)
        return {};
    const QFileInfo link(comLink(configDir, port));
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

QString DevicePath::linkText(const QString &configDir, int port)
{
    if (port < 1)
        return {};
    std::error_code error;
    const std::filesystem::path target = std::filesystem::read_symlink(
        QFile::encodeName(comLink(configDir, port)).constData(), error);
    if (error)
        return {};
    return QFile::decodeName(target.c_str());
}

QString DevicePath::unusable(const QString &configDir, int port)
{
    const DevicePath device = forPort(configDir, port);
    const QString shown = describe(configDir, port);
    if (device.path.isEmpty())
        return shown;
    if (!QFileInfo::exists(device.path))
        return QStringLiteral("%1: %2").arg(shown, QString::fromLocal8Bit(strerror(ENOENT)));
    if (const QString access = accessProblem(device.path); !access.isEmpty())
        return QStringLiteral("%1: %2").arg(shown, access);
    return {};
}

QString DevicePath::accessProblem(const QString &path)
{
    if (::access(QFile::encodeName(path).constData(), R_OK | W_OK) == 0 || errno != EACCES)
        return {};
    // The usual cause on Linux: the user is not in the device's group (dialout).
    const QString group = QFileInfo(path).group();
    return QStringLiteral(
               "%1; add your user to the %2 group (sudo adduser $USER %2), then log in again")
        .arg(QString::fromLocal8Bit(strerror(EACCES)),
             group.isEmpty() ? QStringLiteral("dialout") : group);
}
