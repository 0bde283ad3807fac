#include "AppFolders.h"

#include <QStandardPaths>

AppFolders::AppFolders(QString userDataFolder) : m_fixed(true), m_folder(std::move(userDataFolder)) {}

QString AppFolders::userDataFolder() const
{
    if (m_fixed)
        return m_folder;
#ifdef Q_OS_WIN
    // The roaming profile, so a technician's sites follow them between PCs of the domain.
    return qEnvironmentVariable("APPDATA");
#else
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
#endif
}
