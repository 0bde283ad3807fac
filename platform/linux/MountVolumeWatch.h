#pragma once

#include "VolumeWatch.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

class QSocketNotifier;

// Volumes as the kernel mounts them: /proc/self/mountinfo signals every change of the mount
// table as an exceptional condition (POLLPRI), and the table read again is compared with the
// one read before. Each new mount point is reported as arrived, each vanished one as removed.
class MountVolumeWatch : public VolumeWatch
{
    Q_OBJECT

public:
    explicit MountVolumeWatch(QObject* parent = nullptr,
                              QString mountInfoPath = QStringLiteral("/proc/self/mountinfo"));
    ~MountVolumeWatch() override;

    // False when the mount table cannot be opened.
    bool start() override;
    QStringList mountPoints() const { return m_mounts; }

    // The mount points of a mountinfo text, in its order, with the kernel's octal escapes
    // (\040 for a blank and the like) decoded.
    static QStringList parseMountPoints(const QByteArray& mountInfo);

private:
    QByteArray readMountInfo() const;
    void mountsChanged();

    QString m_path;
    int m_fd = -1;
    QSocketNotifier* m_notifier = nullptr;
    QStringList m_mounts;
};
