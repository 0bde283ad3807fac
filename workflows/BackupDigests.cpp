#include "BackupDigests.h"

#include "WholeFile.h"

#include <QCryptographicHash>
#include <QFile>
#include <QList>

namespace {

struct Line
{
    QByteArray digest; // lower-case hex
    QString name;
};

std::optional<QByteArray> digestOf(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!hash.addData(&file))
        return std::nullopt;
    return hash.result().toHex();
}

// nullopt when the list exists but cannot be read; an empty list when there is none.
std::optional<QList<Line>> readList(const QString& siteDir)
{
    QFile file(siteDir + QLatin1String(BackupDigests::kFileName));
    if (!file.exists())
        return QList<Line>{};
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QList<Line> lines;
    for (QByteArray text : file.readAll().split('\n')) {
        if (text.endsWith('\r'))
            text.chop(1);
        // "<digest>  <name>", or "<digest> *<name>" as sha256sum writes it in binary mode.
        const qsizetype blank = text.indexOf(' ');
        if (blank != 64 || text.size() < 67 || (text[65] != ' ' && text[65] != '*'))
            continue;
        lines.append({text.left(64).toLower(), QString::fromUtf8(text.mid(66))});
    }
    return lines;
}

} // namespace

namespace BackupDigests {

bool update(const QString& siteDir, const QString& name)
{
    const std::optional<QByteArray> digest = digestOf(siteDir + name);
    std::optional<QList<Line>> lines = readList(siteDir);
    if (!digest || !lines)
        return false;
    bool replaced = false;
    for (Line& line : *lines) {
        if (line.name == name) {
            line.digest = *digest;
            replaced = true;
        }
    }
    if (!replaced)
        lines->append({*digest, name});
    QByteArray text;
    for (const Line& line : *lines)
        text += line.digest + "  " + line.name.toUtf8() + '\n';
    return writeWholeFile(siteDir + QLatin1String(kFileName), text).ok;
}

std::optional<bool> matches(const QString& siteDir, const QString& name)
{
    const std::optional<QList<Line>> lines = readList(siteDir);
    if (!lines)
        return false;
    for (const Line& line : *lines) {
        if (line.name == name) {
            const std::optional<QByteArray> digest = digestOf(siteDir + name);
            return digest && *digest == line.digest;
        }
    }
    return std::nullopt;
}

} // namespace BackupDigests
