#pragma once

#include <QString>

// The per-user location under which the program keeps its data folder tree. Tests construct
// it with a folder of their own so nothing touches the user's real data.
class AppFolders
{
public:
    // The platform's per-user roaming data location.
    AppFolders() = default;
    // A fixed location; an empty text stands for "the platform has none".
    explicit AppFolders(QString userDataFolder);

    // Empty when the platform cannot name one. The platform's location is made if missing.
    QString userDataFolder() const;

private:
    bool m_fixed = false;
    QString m_folder;
};
