#include "DeviceVolumeWatch.h"

#include "PlatformVolumeWatch.h"

#include <QCoreApplication>

#include <windows.h>

#include <dbt.h>

DeviceVolumeWatch::~DeviceVolumeWatch()
{
    if (m_started && QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(this);
}

bool DeviceVolumeWatch::start()
{
    if (!QCoreApplication::instance())
        return false;
    if (!m_started)
        QCoreApplication::instance()->installNativeEventFilter(this);
    m_started = true;
    return true;
}

bool DeviceVolumeWatch::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*)
{
    if (eventType != "windows_generic_MSG")
        return false;
    const MSG* msg = static_cast<const MSG*>(message);
    if (msg->message != WM_DEVICECHANGE ||
        (msg->wParam != DBT_DEVICEARRIVAL && msg->wParam != DBT_DEVICEREMOVECOMPLETE))
        return false;
    const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(msg->lParam);
    if (!header || header->dbch_devicetype != DBT_DEVTYP_VOLUME)
        return false;
    const auto* volume = reinterpret_cast<const DEV_BROADCAST_VOLUME*>(header);
    for (int drive = 0; drive < 26; ++drive) {
        if (!(volume->dbcv_unitmask & (DWORD(1) << drive)))
            continue;
        const QString root = QString(QChar(u'A' + drive)) + QLatin1Char(':');
        if (msg->wParam == DBT_DEVICEARRIVAL)
            emit volumeArrived(root);
        else
            emit volumeRemoved(root);
    }
    // Windows' own handling goes on as well.
    return false;
}

std::unique_ptr<VolumeWatch> createPlatformVolumeWatch(QObject* parent)
{
    return std::make_unique<DeviceVolumeWatch>(parent);
}
