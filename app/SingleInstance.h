#pragma once

#include <QLockFile>
#include <QString>

#include <memory>

// One running instance per program folder: a lock file in the user's runtime folder, released
// when the process ends, however it ends. Works with or without a session bus.
class SingleInstance
{
public:
    // programDir: the folder whose config the instance uses; copies with different folders may
    // run together.
    explicit SingleInstance(const QString &programDir);
    // True only when a live process holds the lock. A lock that cannot be made at all (a full or
    // unwritable runtime folder) is no other instance: errorString() then says why.
    bool anotherInstanceRunning();
    QString errorString() const { return m_error; }

private:
    std::unique_ptr<QLockFile> m_lock;
    QString m_path;
    QString m_error;
};
