#pragma once

#include <QObject>
#include <QString>

// Reports volumes (SD cards) as they are mounted and unmounted. The main window registers
// with one when it is built; the SD-card transfer acts on what it reports.
class VolumeWatch : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;
    ~VolumeWatch() override = default;

    // Begins watching; false when the platform cannot report volume changes.
    virtual bool start() = 0;

signals:
    // root is the volume's mount point or drive root, ending without a separator.
    void volumeArrived(const QString& root);
    void volumeRemoved(const QString& root);
};
