#include "core/TextFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace TextFile {

namespace {
QString systemError(int code)
{
    return QString::fromLocal8Bit(std::strerror(code));
}
} // namespace

QStringList splitLines(const QByteArray &bytes)
{
    QStringList lines;
    qsizetype start = 0;
    const qsizetype size = bytes.size();
    while (start < size) {
        qsizetype end = start;
        while (end < size && bytes[end] != '\r' && bytes[end] != '\n')
            ++end;
        lines.append(QString::fromLatin1(bytes.constData() + start, end - start));
        if (end + 1 < size && bytes[end] == '\r' && bytes[end + 1] == '\n')
            ++end;
        start = end + 1;
    }
    return lines;
}

std::optional<QByteArray> read(const QString &path, QString *error)
{
    const auto fail = [error](const QString &why) -> std::optional<QByteArray> {
        if (error)
            *error = why;
        return std::nullopt;
    };
    // Non-blocking, so a FIFO cannot hold the open; the type is checked on what was opened.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return fail(systemError(errno));
    struct stat info = {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return fail(QStringLiteral("not a regular file"));
    }
    QByteArray bytes(qMin<qsizetype>(info.st_size, kMaxRead), Qt::Uninitialized);
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::read(fd, bytes.data() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            const int code = errno;
            ::close(fd);
            return fail(systemError(code));
        }
        if (n == 0)
            break; // shrank while being read
        done += n;
    }
    ::close(fd);
    bytes.truncate(done);
    return bytes;
}

bool write(const QString &path, const QByteArray &bytes, QString *error)
{
    // A link is written through only to a regular file: never into a device, a FIFO or a
    // folder, nor to a place a dangling link names.
    const QFileInfo info(path);
    if ((info.exists() && !info.isFile()) || (info.isSymLink() && !info.exists())) {
        if (error)
            *error = QStringLiteral("not a regular file");
        return false;
    }
    QSaveFile file(path);
    // Unbuffered: a short write (disk full, size limit) shows in write()'s count here; through
    // the buffer the truncated file would be committed as a success.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    if (file.write(bytes) != bytes.size()) {
        if (error)
            *error = file.error() != QFileDevice::NoError
                         ? file.errorString()
                         : QStringLiteral("the file was cut short");
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

} // namespace TextFile
