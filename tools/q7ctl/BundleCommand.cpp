// q7ctl bundle: one site's folder, its summary lines and the program's version in one zip, so a
// technician can send a support engineer everything about a site in a single file.

#include "CtlCommand.h"

#include "Q7BuildVersion.h"
#include "SessionLog.h"
#include "SiteSelection.h"
#include "WholeFile.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <zip.h>

#include <memory>
#include <vector>

namespace {

const QString kSummaryLogName = QStringLiteral("SummaryLog.csv");

struct Entry
{
    QString name; // inside the zip, '/' separated
    QByteArray bytes;
    QDateTime modified;
};

QString libzipError(zip_error_t* error)
{
    return QString::fromLocal8Bit(zip_error_strerror(error));
}

// The zip is put together in memory and written through the whole-file writer, so a failure
// anywhere leaves no partial bundle and an earlier bundle of the same name as it was.
std::optional<QByteArray> zipEntries(const std::vector<Entry>& entries, QString& why)
{
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* buffer = zip_source_buffer_create(nullptr, 0, 0, &error);
    if (!buffer) {
        why = libzipError(&error);
        zip_error_fini(&error);
        return std::nullopt;
    }
    // Kept past zip_close, which writes the finished archive back into it.
    zip_source_keep(buffer);
    const auto freeBuffer = std::unique_ptr<zip_source_t, void (*)(zip_source_t*)>(buffer, zip_source_free);
    zip_t* archive = zip_open_from_source(buffer, ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!archive) {
        why = libzipError(&error);
        zip_error_fini(&error);
        return std::nullopt;
    }
    zip_error_fini(&error);

    for (const Entry& entry : entries) {
        // The entries' bytes outlive the archive, so libzip may read them in place.
        zip_source_t* data =
            zip_source_buffer(archive, entry.bytes.constData(), zip_uint64_t(entry.bytes.size()), 0);
        const zip_int64_t index =
            data ? zip_file_add(archive, entry.name.toUtf8().constData(), data, ZIP_FL_ENC_UTF_8) : -1;
        if (index < 0) {
            why = entry.name + QStringLiteral(": ") + QString::fromLocal8Bit(zip_strerror(archive));
            if (data)
                zip_source_free(data);
            zip_discard(archive);
            return std::nullopt;
        }
        if (entry.modified.isValid())
            zip_file_set_mtime(archive, zip_uint64_t(index), time_t(entry.modified.toSecsSinceEpoch()), 0);
    }
    if (zip_close(archive) != 0) {
        why = QString::fromLocal8Bit(zip_strerror(archive));
        zip_discard(archive);
        return std::nullopt;
    }

    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_source_stat(buffer, &stat) != 0 || zip_source_open(buffer) != 0) {
        why = libzipError(zip_source_error(buffer));
        return std::nullopt;
    }
    QByteArray bytes(qsizetype(stat.size), Qt::Uninitialized);
    const zip_int64_t read = zip_source_read(buffer, bytes.data(), stat.size);
    zip_source_close(buffer);
    if (read != zip_int64_t(stat.size)) {
        why = QStringLiteral("the finished archive could not be read back");
        return std::nullopt;
    }
    return bytes;
}

std::optional<QByteArray> readFile(const QString& path, QString& why)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        why = path + QStringLiteral(": cannot open: ") + file.errorString();
        return std::nullopt;
    }
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        why = path + QStringLiteral(": cannot read: ") + file.errorString();
        return std::nullopt;
    }
    return bytes;
}

// The folder selectSite made for the licence: named as it was typed, so its letter case may
// differ from the licence given here.
QStringList siteFolders(const QString& dataDir, const QString& licence)
{
    if (QFileInfo(dataDir + licence).isDir())
        return {licence};
    QStringList found;
    for (const QString& name : QDir(dataDir).entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden))
        if (name.compare(licence, Qt::CaseInsensitive) == 0)
            found << name;
    return found;
}

// The header and the lines whose first field is the licence, byte for byte as they are stored.
QByteArray siteSummaryLines(const QByteArray& log, const QString& licence)
{
    const QByteArray key = licence.toLatin1().toUpper();
    QByteArray kept;
    qsizetype start = 0;
    bool header = true;
    while (start < log.size()) {
        qsizetype end = log.indexOf('\n', start);
        end = end < 0 ? log.size() : end + 1;
        const QByteArray line = log.mid(start, end - start);
        const qsizetype comma = line.indexOf(',');
        if (header || (comma >= 0 && line.left(comma).toUpper() == key))
            kept += line;
        header = false;
        start = end;
    }
    return kept;
}

QByteArray versionText(const QString& licence, const QString& folder, const QDateTime& at)
{
    QStringList lines{QStringLiteral("Q7 Upgrade Utility ") + QStringLiteral(Q7_PROJECT_VERSION)};
    if (!QStringLiteral(Q7_GIT_DESCRIBE).isEmpty())
        lines << QStringLiteral("Source: ") + QStringLiteral(Q7_GIT_DESCRIBE);
    lines << QStringLiteral("Qt: %1 (built with %2)")
                 .arg(QString::fromLatin1(qVersion()), QStringLiteral(QT_VERSION_STR))
          << QStringLiteral("Site licence: ") + licence << QStringLiteral("Site folder: ") + folder
          << QStringLiteral("Bundle made: ") + at.toString(Qt::ISODate);
    return (lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toLocal8Bit();
}

int bundle(q7ctl::Args& args, q7ctl::Io& io)
{
    const auto data = args.option("--data");
    const auto licenceText = args.option("--licence");
    const auto out = args.option("--out");
    if (const auto unknown = args.unknownOption())
        return q7ctl::fail(io, "unknown option " + *unknown, q7ctl::Usage);
    if (!data || !licenceText || !out || !args.positional().isEmpty())
        return q7ctl::fail(io, "usage: q7ctl bundle --data DIR --licence TEXT --out FILE.zip", q7ctl::Usage);
    const QString licence = filterLicense(*licenceText);
    if (licence.isEmpty())
        return q7ctl::fail(io, "the licence \"" + *licenceText + "\" has no letter or digit", q7ctl::Usage);

    // Absolute, so the entries are named from the site folder down however DIR was written.
    const QString dataDir = QDir::cleanPath(QFileInfo(*data).absoluteFilePath()) + QLatin1Char('/');
    if (!QFileInfo(dataDir).isDir())
        return q7ctl::fail(io, *data + ": no such data folder");
    const QStringList folders = siteFolders(dataDir, licence);
    if (folders.isEmpty())
        return q7ctl::fail(io, "no site folder for licence " + licence.toUpper() + " in " + *data);
    if (folders.size() > 1)
        return q7ctl::fail(io, "several site folders match licence " + licence.toUpper() + " in " + *data +
                                   ": " + folders.join(", "));
    const QString folder = folders.first();
    const QString siteDir = dataDir + folder;
    const QString outPath = QFileInfo(*out).absoluteFilePath();

    std::vector<Entry> entries;
    QString why;
    QStringList files;
    // Links are left out: a bundle carries what the program wrote, not what a link points at.
    QDirIterator it(siteDir, QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info(it.next());
        // A writer's leftover temporary is no file of the site's.
        if (!info.isSymLink() && info.absoluteFilePath() != outPath && !isLeftTemporaryName(info.fileName()))
            files << info.filePath();
    }
    files.sort();
    for (const QString& path : std::as_const(files)) {
        const auto bytes = readFile(path, why);
        if (!bytes)
            return q7ctl::fail(io, why);
        entries.push_back({folder + QLatin1Char('/') + QDir(siteDir).relativeFilePath(path), *bytes,
                           QFileInfo(path).lastModified()});
    }
    if (!QFileInfo::exists(siteDir + QLatin1Char('/') + QLatin1String(SessionLog::kFileName)))
        io.out << "note: the site folder has no " << SessionLog::kFileName << '\n';

    const QString summaryPath = dataDir + kSummaryLogName;
    if (QFileInfo::exists(summaryPath)) {
        const auto log = readFile(summaryPath, why);
        if (!log)
            return q7ctl::fail(io, why);
        entries.push_back(
            {kSummaryLogName, siteSummaryLines(*log, licence), QFileInfo(summaryPath).lastModified()});
    } else {
        io.out << "note: " << *data << " has no " << kSummaryLogName << '\n';
    }
    const QDateTime now = QDateTime::currentDateTime();
    entries.push_back({QStringLiteral("VERSION.txt"), versionText(licence.toUpper(), folder, now), now});

    const auto zip = zipEntries(entries, why);
    if (!zip)
        return q7ctl::fail(io, *out + ": cannot make the zip: " + why);
    const WholeFileResult written = writeWholeFile(*out, *zip);
    if (!written.ok)
        return q7ctl::fail(io, *out + ": cannot write: " + written.error);
    for (const Entry& entry : entries)
        io.out << entry.name << "  " << entry.bytes.size() << " bytes\n";
    io.out << "wrote " << *out << ": " << entries.size() << " files, " << zip->size() << " bytes\n";
    return q7ctl::Ok;
}

q7ctl::Register r{{"bundle",
                   "--data DIR --licence TEXT --out FILE.zip   (a site's files for support, as one zip)",
                   &bundle}};

} // namespace
