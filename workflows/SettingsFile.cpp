#include "SettingsFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {
const QString kSection = QStringLiteral("Defaults");

// A packaged copy lives under /usr, which is the package manager's: even where the account
// (root) could write there, a settings file made beside it would outlive the package's removal
// and be shared by every user of the PC.
bool isSystemFolder(const QString& folder)
{
#ifdef Q_OS_WIN
    Q_UNUSED(folder);
    return false;
#else
    return folder == QLatin1String("/usr") || folder.startsWith(QLatin1String("/usr/"));
#endif
}
} // namespace

SettingsFile::SettingsFile(QString path) : m_profile(std::move(path)) {}

QString SettingsFile::defaultPath()
{
    return defaultPath(QCoreApplication::applicationFilePath(),
                       QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation));
}

QString SettingsFile::defaultPath(const QString& executablePath, const QString& configFolder)
{
    const QFileInfo executable(executablePath);
    const QString name = executable.completeBaseName() + QStringLiteral(".ini");
    const QString folder = executable.absolutePath();
    if (QFileInfo(folder).isWritable() && !isSystemFolder(folder))
        return executable.absoluteDir().filePath(name);
    return QDir(configFolder).filePath(name);
}

Settings SettingsFile::load() const
{
    Settings settings;
    settings.autoDetectQ7 =
        m_profile.readBool(kSection, QStringLiteral("AutoDetectQ7"), settings.autoDetectQ7);
    settings.openReportOnCompletion = m_profile.readBool(kSection, QStringLiteral("OpenReportOnCompletion"),
                                                         settings.openReportOnCompletion);
    settings.operatorName =
        m_profile.readString(kSection, QStringLiteral("OperatorName")).value_or(QString());
    return settings;
}

bool SettingsFile::save(const QString& comport, const Settings& settings)
{
    return ensureFolder() && m_profile.writeString(kSection, QStringLiteral("Comport"), comport) &&
           m_profile.writeBool(kSection, QStringLiteral("AutoDetectQ7"), settings.autoDetectQ7) &&
           m_profile.writeBool(kSection, QStringLiteral("OpenReportOnCompletion"),
                               settings.openReportOnCompletion) &&
           m_profile.writeString(kSection, QStringLiteral("OperatorName"), settings.operatorName);
}

QString SettingsFile::comport() const
{
    return m_profile.readString(kSection, QStringLiteral("Comport")).value_or(QString());
}

bool SettingsFile::saveComport(const QString& comport)
{
    return ensureFolder() && m_profile.writeString(kSection, QStringLiteral("Comport"), comport);
}

bool SettingsFile::ensureFolder() const
{
    // Only the per-user configuration folder may be missing; beside the executable it exists.
    return QDir().mkpath(QFileInfo(m_profile.path()).absolutePath());
}
