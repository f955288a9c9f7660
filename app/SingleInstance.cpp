#include "app/SingleInstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QStandardPaths>

SingleInstance::SingleInstance(const QString &programDir)
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    const QByteArray key = QCryptographicHash::hash(QDir(programDir).canonicalPath().toUtf8(),
                                                    QCryptographicHash::Sha1)
                               .toHex()
                               .left(16);
    m_path =
        folder + QStringLiteral("/sorvikdde-") + QString::fromLatin1(key) + QStringLiteral(".lock");
    m_lock = std::make_unique<QLockFile>(m_path);
    // A lock whose holder has died is taken over at once; a live holder never times out.
    m_lock->setStaleLockTime(0);
}

bool SingleInstance::anotherInstanceRunning()
{
    if (m_lock->tryLock(0))
        return false;
    if (m_lock->error() == QLockFile::LockFailedError)
        return true;
    m_error = QStringLiteral("cannot make the single-instance lock %1: %2")
                  .arg(m_path, m_lock->error() == QLockFile::PermissionError
                                   ? QStringLiteral("permission denied or no space left")
                                   : QStringLiteral("unknown error"));
    return false;
}
