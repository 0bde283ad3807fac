#include "SingleInstance.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

SingleInstance::SingleInstance() : SingleInstance(defaultName(), defaultFolder()) {}

SingleInstance::SingleInstance(const QString& name, const QString& folder)
    : m_path(QDir(folder).filePath(name + QStringLiteral(".lock"))),
      m_lock(std::make_unique<QLockFile>(m_path))
{
    // QLockFile's default also calls a lock stale once it is 30 s old, even when its owner
    // still runs; a second copy would then start beside the first. Only a dead owner may
    // lose the lock.
    m_lock->setStaleLockTime(0);
}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::tryAcquire()
{
    if (m_lock->isLocked())
        return true;
    return m_lock->tryLock(0);
}

void SingleInstance::release()
{
    m_lock->unlock();
}

bool SingleInstance::isHeld() const
{
    return m_lock->isLocked();
}

QString SingleInstance::defaultName()
{
    return QFileInfo(QCoreApplication::applicationFilePath()).fileName();
}

QString SingleInstance::defaultFolder()
{
#ifdef Q_OS_WIN
    return QDir::tempPath();
#else
    // Per user, unlike /tmp: another user's copy on the same PC must not block this one.
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return runtime.isEmpty() ? QDir::tempPath() : runtime;
#endif
}
