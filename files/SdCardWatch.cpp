#include "SdCardWatch.h"

#include "BackupDigests.h"
#include "Clock.h"
#include "Operator.h"
#include "VolumeWatch.h"
#include "WholeFile.h"
#include "Workbench.h"
#include "WorkflowOperator.h"

#include <QDir>
#include <QFileInfo>
#include <QStorageInfo>
#include <QTimer>

#include <algorithm>

namespace {

const QString kCaption = QStringLiteral("File Transfer");

// A card that is listed but not mounted yet, or already gone, is no card to copy from.
bool volumeReadable(const QString& root)
{
    const QStorageInfo info(root);
    return info.isValid() && info.isReady();
}

// The log files of one folder: "*.csv" in any letter case (cards are FAT), no folders, no
// hidden files, sorted without regard to letter case.
QStringList csvFiles(const QString& folder)
{
    QStringList names;
    const QFileInfoList entries = QDir(folder).entryInfoList(QDir::Files, QDir::NoSort);
    for (const QFileInfo& entry : entries)
        if (!entry.isHidden() && entry.fileName().endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive))
            names << entry.fileName();
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        return QString::compare(a, b, Qt::CaseInsensitive) < 0;
    });
    return names;
}

// The name under which a card holds name, whatever its letter case; empty when it holds none.
QString nameOnCard(const QString& card, const QString& name)
{
    const QStringList entries = QDir(card).entryList(QDir::Files);
    for (const QString& entry : entries)
        if (entry.compare(name, Qt::CaseInsensitive) == 0)
            return entry;
    return {};
}

// A fault of one card that is not a fault of one file: no count is shown for the card.
struct VolumeFailure
{
};

} // namespace

SdCardWatch::SdCardWatch(Workbench& bench) : m_bench(bench)
{
    connect(&bench.volumes(), &VolumeWatch::volumeArrived, this, &SdCardWatch::volumeArrived);
    connect(&bench.volumes(), &VolumeWatch::volumeRemoved, this, &SdCardWatch::volumeRemoved);
    connect(bench.FileCopyTimer, &QTimer::timeout, this, &SdCardWatch::FileCopyTimerTimer);
}

SdCardWatch::~SdCardWatch()
{
    m_bench.FileCopyTimer->stop();
    m_bench.sdCardPaths.clear();
}

void SdCardWatch::volumeArrived(const QString& root)
{
    if (!m_bench.sdWatchActive)
        return;
    // Added to the cards already reported: two drives in one wait are both copied.
    m_bench.sdCardPaths << (root.endsWith(QLatin1Char('/')) ? root : root + QLatin1Char('/'));
    // A running timer is not restarted: the copy step follows the first report.
    if (!m_bench.FileCopyTimer->isActive())
        m_bench.FileCopyTimer->start();
}

void SdCardWatch::volumeRemoved(const QString&)
{
    if (!m_bench.sdWatchActive)
        return;
    m_bench.sdCardPaths.clear();
    m_bench.FileCopyTimer->stop();
}

void SdCardWatch::FileCopyTimerTimer()
{
    m_bench.FileCopyTimer->stop();
    // A card reported while a step copies is appended to the list that step is walking.
    if (m_copying)
        return;
    if (m_bench.sdWatchActive) {
        m_copying = true;
        Clock& clock = m_bench.clock();
        clock.processEvents();
        m_bench.transferStarted = true;
        std::unique_ptr<Progress> progress = m_bench.op().createProgress();
        progress->setProgress(kCaption, QString(), 0);
        progress->show();
        // The list is read again on each pass: a card removed meanwhile empties it.
        for (qsizetype at = 0; at < m_bench.sdCardPaths.size(); ++at) {
            clock.processEvents();
            if (at >= m_bench.sdCardPaths.size())
                break;
            const QString card = m_bench.sdCardPaths.at(at);
            if (!volumeReadable(card))
                continue;
            try {
                copyVolume(card, *progress);
            } catch (const VolumeFailure&) {
                m_bench.op().message(QStringLiteral("Failed to SDCARD"));
            }
        }
        progress.reset();
        m_copying = false;
    }
    m_bench.sdCardPaths.clear();
}

void SdCardWatch::copyVolume(const QString& card, Progress& progress)
{
    Workbench& bench = m_bench;
    Clock& clock = bench.clock();
    const bool toCard = bench.transferToCard;
    const QString source = toCard ? bench.siteDataDir : card;
    const QString target = toCard ? card : bench.siteDataDir;
    if (!QFileInfo(source).isDir() || !QFileInfo(target).isDir())
        throw VolumeFailure{};

    const QStringList names = csvFiles(source);
    bench.fileTotal = std::int32_t(names.size());
    bench.filesCopied = 0;
    for (const QString& name : names) {
        clock.processEvents();
        if (!copyWholeFile(source + name, target + name).ok) {
            // The copy left the same-named file at the target as it was.
            bench.op().message(QStringLiteral("Failed to read/copy files"));
            continue;
        }
        for (int pass = 0; pass < 30; ++pass)
            clock.processEvents();
        ++bench.filesCopied;
        progress.setProgress(kCaption, QStringLiteral("Tranferring Files"),
                             int(std::int64_t(bench.filesCopied) * 100 / bench.fileTotal));
        progress.repaint();
    }

    if (!toCard && bench.totalsFromQuery) {
        // Without the board, the card's own copies of its records are the backups.
        const std::pair<QString, QString> records[] = {
            {QStringLiteral("CONFIG.BIN"), QStringLiteral("backup_conf.bin")},
            {QStringLiteral("CALIB.BIN"), QStringLiteral("backup_cal.bin")},
        };
        for (const auto& [onCard, backup] : records) {
            const QString found = nameOnCard(card, onCard);
            if (found.isEmpty())
                continue;
            if (!copyWholeFile(card + found, bench.siteDataDir + backup).ok)
                throw VolumeFailure{};
            // The restore checks these backups against backup.sha256 like the board's own.
            if (!BackupDigests::update(bench.siteDataDir, backup))
                throw VolumeFailure{};
        }
        bench.totalsFromQuery = false;
    }

    bench.op().message(QStringLiteral("Copied a total of %1 data files %2 the SD Card.")
                           .arg(bench.filesCopied)
                           .arg(toCard ? QStringLiteral("to") : QStringLiteral("from")));
    bench.transferDone = true;
}
