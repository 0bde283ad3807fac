#include "ManualVolumeWatch.h"

bool ManualVolumeWatch::start()
{
    m_started = true;
    return true;
}

void ManualVolumeWatch::insert(const QString& root)
{
    if (m_volumes.contains(root))
        return;
    m_volumes.append(root);
    if (m_started)
        emit volumeArrived(root);
}

void ManualVolumeWatch::remove(const QString& root)
{
    if (!m_volumes.removeOne(root))
        return;
    if (m_started)
        emit volumeRemoved(root);
}
