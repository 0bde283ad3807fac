#include "AppFolders.h"

#include <QDir>
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
    // Unlike the Windows profile folder, the XDG data home is missing on a fresh account
    // until some program makes it; below it the program's folders are made one at a time.
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (!folder.isEmpty())
        QDir().mkpath(folder);
    return folder;
#endif
}
