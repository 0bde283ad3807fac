#pragma once

#include "VolumeWatch.h"

#include <QAbstractNativeEventFilter>

// Volumes as Windows announces them to its top-level windows: WM_DEVICECHANGE with a volume's
// arrival or removal, one drive letter per bit of its unit mask. A card in a reader that stays
// plugged in is announced the same way as a new drive.
class DeviceVolumeWatch : public VolumeWatch, public QAbstractNativeEventFilter
{
    Q_OBJECT

public:
    using VolumeWatch::VolumeWatch;
    ~DeviceVolumeWatch() override;

    bool start() override;
    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    bool m_started = false;
};
