#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

// The program's two small text files: read safely, written whole or not at all.
namespace TextFile {
inline constexpr qsizetype kMaxRead = 1024 * 1024;

// The lines of a text without their ends. A line ends at CR LF, a lone CR or a lone LF; a last
// line without an end is a line too, and an end at the very end of the bytes starts none.
QStringList splitLines(const QByteArray &bytes);

// The first kMaxRead bytes of a regular file. Anything that is not one (a FIFO, a device, a
// folder) is refused without being opened for reading, so nothing can block or run forever.
// nullopt when the file cannot be read; error then says why.
std::optional<QByteArray> read(const QString &path, QString *error = nullptr);

// Replaces the file's content: written beside it and renamed over it, so a failure (a full disk,
// a size limit) leaves the old file whole. Only a regular file (or none) is replaced; a link is
// followed to a regular file only. False when it cannot be written; error says why.
bool write(const QString &path, const QByteArray &bytes, QString *error = nullptr);
} // namespace TextFile
