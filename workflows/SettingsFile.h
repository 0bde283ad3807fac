#pragma once

#include "IniProfile.h"

#include <QString>

// What the main window keeps between runs (the port is written too, but read only by the port
// selection dialog).
struct Settings
{
    bool autoDetectQ7 = true;
    bool openReportOnCompletion = false;
    QString operatorName;
};

// The program's settings file: section "Defaults" of an INI file named after the executable.
// Read and write failures are not reported to the technician; the caller only learns whether
// every key was written.
class SettingsFile
{
public:
    explicit SettingsFile(QString path);

    // Beside the executable, with its extension replaced by ".ini"; in the per-user
    // configuration folder when the executable's folder cannot be written or belongs to the
    // system (an installed copy).
    static QString defaultPath();
    static QString defaultPath(const QString& executablePath, const QString& configFolder);

    QString path() const { return m_profile.path(); }

    Settings load() const;
    // Writes Comport, AutoDetectQ7, OpenReportOnCompletion and OperatorName in this order, so a
    // new file lists them so; stops at the first key that cannot be written.
    bool save(const QString& comport, const Settings& settings);

    // The port selection dialog's own key.
    QString comport() const;
    bool saveComport(const QString& comport);

private:
    bool ensureFolder() const;

    IniProfile m_profile;
};
