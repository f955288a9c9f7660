#include "core/DevicePath.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <sys/stat.h>
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

bool DevicePath::writeLink(const QString &configDir, int port, const QString &target,
                           QString *error)
{
    const auto fail = [error](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    if (port < 1 || target.isEmpty())
        return fail(QStringLiteral("no such port or device"));
    if (!QDir().mkpath(configDir))
        return fail(QStringLiteral("cannot create the folder %1").arg(configDir));
    const QByteArray link = QFile::encodeName(comLink(configDir, port));
    struct stat info = {};
    if (::lstat(link.constData(), &info) == 0 && !S_ISLNK(info.st_mode))
        return fail(QStringLiteral("config/com%1 is a file, not a link: left as it is").arg(port));
    // Made beside it and renamed over it: the port leads to the old device or the new, never
    // to none.
    const QByteArray fresh =
        QFile::encodeName(QDir(configDir).filePath(QStringLiteral(".com%1.new").arg(port)));
    ::unlink(fresh.constData());
    if (::symlink(QFile::encodeName(target).constData(), fresh.constData()) != 0 ||
        std::rename(fresh.constData(), link.constData()) != 0) {
        const int code = errno;
        ::unlink(fresh.constData());
        return fail(QString::fromLocal8Bit(strerror(code)));
    }
    return true;
}
