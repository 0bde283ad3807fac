// The settings file is the user's to edit: any bytes, any line endings, any length. Reading
// must never trap, and a key written must read back as written while the keys it did not
// touch keep their values.
//
// The input is the file's content; its first byte picks the letter case the program's names
// are asked with, since the names match without regard to case.
#include "IniProfile.h"
#include "SettingsFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

namespace {

// Memory-backed when the system has it: every run writes the file twice.
QString& scratchPath()
{
    static std::unique_ptr<QTemporaryDir> dir;
    static QString path;
    if (!dir) {
        const QString shm = QStringLiteral("/dev/shm");
        dir = std::make_unique<QTemporaryDir>((QDir(shm).exists() ? shm : QDir::tempPath()) +
                                              QStringLiteral("/q7-fuzz-settings-XXXXXX"));
        path = dir->filePath(QStringLiteral("Q7UpgradeUtility.ini"));
    }
    return path;
}

QString cased(const char* name, std::uint8_t how)
{
    const QString n = QString::fromLatin1(name);
    switch (how % 3) {
    case 1:
        return n.toUpper();
    case 2:
        return n.toLower();
    default:
        return n;
    }
}

void check(bool ok)
{
    if (!ok)
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    static QCoreApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString& path = scratchPath();
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            std::abort();
        file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    }
    const std::uint8_t how = size > 0 ? data[0] : 0;
    const QString section = cased("Defaults", how);

    SettingsFile settings(path);
    const Settings before = settings.load();
    const QString comport = settings.comport();
    IniProfile profile(path);
    (void)profile.readInteger(section, cased("AutoDetectQ7", how), 7);

    // A name from the board's world (letters and digits only) so that trimming and quote
    // removal cannot change it on the way back.
    const QString name = QStringLiteral("Op%1x").arg(size * 2654435761u % 100000);
    check(profile.writeString(section, cased("OperatorName", how / 3), name));
    check(profile.readString(QStringLiteral("defaults"), QStringLiteral("operatorname")) == name);
    const Settings after = settings.load();
    check(after.operatorName == name);
    check(after.autoDetectQ7 == before.autoDetectQ7);
    check(after.openReportOnCompletion == before.openReportOnCompletion);
    check(settings.comport() == comport);

    // A value with a line break must not forge a key of its own.
    check(profile.writeString(section, QStringLiteral("OperatorName"),
                              QStringLiteral("x\r\nAutoDetectQ7=") + (before.autoDetectQ7 ? "0" : "1")));
    check(settings.load().autoDetectQ7 == before.autoDetectQ7);
    return 0;
}
