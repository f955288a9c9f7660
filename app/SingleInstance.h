#pragma once

#include <QLockFile>
#include <QString>

#include <memory>

// One running instance per program folder: a lock file in the user's runtime folder, released
// when the process ends, however it ends. Works with or without a session bus.
class SingleInstance
{
public:
    // programDir: the folder of the executable; two copies in different folders may run together.
    explicit SingleInstance(const QString &programDir);
    // True when this process holds the lock (another instance is not running).
    bool acquire();

private:
    std::unique_ptr<QLockFile> m_lock;
};
