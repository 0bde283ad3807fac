#pragma once

#include "VolumeWatch.h"

#include <QStringList>

// Volumes by hand: a test or the demo names a folder and it is reported as a card that was
// inserted or removed.
class ManualVolumeWatch : public VolumeWatch
{
    Q_OBJECT

public:
    using VolumeWatch::VolumeWatch;

    bool start() override;
    bool isStarted() const { return m_started; }

    // Reported only while started, as a real watch reports nothing before it is registered.
    void insert(const QString& root);
    void remove(const QString& root);
    QStringList volumes() const { return m_volumes; }

private:
    bool m_started = false;
    QStringList m_volumes;
};
