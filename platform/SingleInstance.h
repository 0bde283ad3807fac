#pragma once

#include <QLockFile>
#include <QString>

#include <memory>

// At most one running copy of the program per user: a lock file named after the executable.
// The lock records the owner's process id, so a lock left behind by a crashed or killed copy
// is recognised as stale and taken over instead of blocking every later start.
class SingleInstance
{
public:
    // The executable's file name in the per-user runtime folder.
    SingleInstance();
    // A chosen name and folder (tests).
    SingleInstance(const QString& name, const QString& folder);
    ~SingleInstance();

    // True when this process now holds the lock (or already held it).
    bool tryAcquire();
    void release();
    bool isHeld() const;
    QString lockFilePath() const { return m_path; }

    static QString defaultName();
    static QString defaultFolder();

private:
    QString m_path;
    std::unique_ptr<QLockFile> m_lock;
};
