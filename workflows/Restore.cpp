#include "Restore.h"

#include "Backup.h"
#include "ByteOrder.h"
#include "BackupDigests.h"
#include "CalRecord.h"
#include "Clock.h"
#include "ConfigRecord.h"
#include "ImageImport.h"
#include "LinkOpening.h"
#include "Operator.h"
#include "Q7Port.h"
#include "RestoreRecord.h"
#include "SiteSelection.h"
#include "TQ7Report.h"
#include "Totalisers.h"
#include "WholeFile.h"
#include "Workbench.h"
#include "WorkflowOperator.h"

#include <QFile>
#include <QFileInfo>

#include <exception>
#include <memory>
#include <optional>

namespace {

constexpr std::uint8_t kConfigId = 5;
constexpr std::uint8_t kCalId = 4;
constexpr std::uint8_t kKeepFactoryDefaults = 98;
constexpr std::uint8_t kBackupToSdCard = 99;

enum class Attempt
{
    Succeeded,
    Failed,
    // Cancelled, a backup refused or the report raised an error: no further attempt and no
    // final message.
    Ended,
};

QByteArray toBytes(const std::vector<std::uint8_t>& area)
{
    return QByteArray(reinterpret_cast<const char*>(area.data()), static_cast<qsizetype>(area.size()));
}

void setArea(std::vector<std::uint8_t>& area, const QByteArray& bytes)
{
    area.assign(bytes.begin(), bytes.end());
}

// The validation of one backup before the board is touched: the message that ends the
// workflow, or the file's bytes.
struct Checked
{
    std::optional<QString> refusal;
    QByteArray bytes;
};

Checked checkBackup(const QString& siteDir, const QString& name, qsizetype length)
{
    const QString path = siteDir + name;
    if (!QFileInfo::exists(path))
        return {path + QStringLiteral(" not found"), {}};
    QFile file(path);
    if (file.size() != length || !file.open(QIODevice::ReadOnly))
        return {path + QStringLiteral(" file is invalid"), {}};
    Checked checked{std::nullopt, file.readAll()};
    if (checked.bytes.size() != length)
        return {path + QStringLiteral(" file is invalid"), {}};
    // A backup whose digest no longer matches was changed after it was written (a card copy
    // gone wrong, an edit by hand): sending it would put a wrong calibration into the meter.
    if (BackupDigests::matches(siteDir, name) == false)
        return {path + QStringLiteral(" file is invalid"), {}};
    return checked;
}

std::optional<Q7Data::Totalisers> readTotalsFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray bytes = file.read(Q7Data::Totalisers::kBytes + 1);
    return Q7Data::Totalisers::fromBytes(std::span(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                                   static_cast<std::size_t>(bytes.size())));
}

// After the last reboot: what the board holds now, against what it was sent. The link's areas
// are put back as they were, since the report and the site state describe the data sent.
void readBack(Q7Port& link, RestoreRecordInput& record)
{
    const auto readArea = [&link](std::uint8_t id, const QByteArray& sent) -> std::optional<QByteArray> {
        // Every byte inverted first: a reply shorter than the record then shows as a difference
        // instead of leaving the sent bytes in place.
        QByteArray guard = sent;
        for (char& c : guard)
            c = static_cast<char>(~c);
        setArea(link.structures[id], guard);
        const bool ok = link.getStucture(id);
        const QByteArray read = toBytes(link.structures[id]);
        setArea(link.structures[id], sent);
        if (!ok)
            return std::nullopt;
        return read;
    };
    record.readConfig = readArea(kConfigId, *record.sentConfig);
    record.readCal = readArea(kCalId, *record.sentCal);
    Q7Data::Totalisers totals;
    if (link.readTotals(&totals))
        record.totalsRead = totals;
}

void writeRestoreRecord(Workbench& bench, const RestoreRecord& record)
{
    const QString path = bench.siteDataDir + QString::fromLatin1(kRestoreRecordName);
    const WholeFileResult written = writeWholeFile(path, record.text);
    if (!written.ok)
        bench.op().setStatus(path + QStringLiteral(": ") + written.error);
}

class Restore
{
public:
    explicit Restore(Workbench& bench) : m_bench(bench), m_op(bench.op()) {}

    // The attempt's window and link are freed when it ends, however it ends.

    // One attempt, from the first question to the photographs.
    Attempt run()
    {
        const auto ready = m_op.message(
            QStringLiteral(
                "Power up Q7 and check USB comms cable is securely connected.\nPress OK to continue."),
            QStringLiteral("Replacement board commisioning"), Operator::Buttons::OkCancel);
        if (ready != Operator::Answer::Ok)
            return Attempt::Ended;

        if (m_session.open(LinkPercentages{5, 10, 15}) != OpenedLink::Result::Open)
            return Attempt::Failed;

        if (!selectSite(m_bench, &m_session.progress()))
            return Attempt::Failed;
        askHardwareRevision(m_bench, 1);

        const Checked config =
            checkBackup(m_bench.siteDataDir, QStringLiteral("backup_conf.bin"), ConfigRecord::kSize);
        if (config.refusal)
            return refuse(*config.refusal);
        const Checked cal =
            checkBackup(m_bench.siteDataDir, QStringLiteral("backup_cal.bin"), CalRecord::kSize);
        if (cal.refusal)
            return refuse(*cal.refusal);
        // The totals file is checked by length when it is sent; a digest that no longer matches
        // is refused here, before anything reaches the board.
        if (BackupDigests::matches(m_bench.siteDataDir, QStringLiteral("Backup_Totalisers.bin")) == false)
            return refuse(m_bench.siteDataDir + QStringLiteral("Backup_Totalisers.bin file is invalid"));

        Q7Port& link = m_session.link();
        if (!fetchRecords(link, m_session.progress(), m_bench.siteDataDir,
                          {"conf.bin", "cal.bin", "BasicCal.bin", {20, 25, 30}}))
            return Attempt::Failed;

        RestoreRecordInput record;
        record.siteLicense = m_bench.siteLicense;
        record.oldConfig = config.bytes;
        record.oldCal = cal.bytes;
        record.beforeConfig = toBytes(link.structures[kConfigId]);
        record.beforeCal = toBytes(link.structures[kCalId]);
        ConfigRecord merged = *ConfigRecord::fromBytes(config.bytes);
        merged.keepBoardOwnSettings(*ConfigRecord::fromBytes(*record.beforeConfig));
        record.sentConfig = merged.toByteArray();
        record.sentCal = cal.bytes;

        if (!rebootBoard(m_bench, link))
            return Attempt::Failed;
        if (!link.setAccessLevel(3) || !link.setState(0))
            return Attempt::Failed;

        m_bench.siteState.siteDataTouched = true;
        setArea(link.structures[kConfigId], *record.sentConfig);
        setArea(link.structures[kCalId], *record.sentCal);
        if (!sendToBoard(m_bench, link, m_session.progress(), SendPercentages{40, 50, 60, 70, 80, 85}))
            return Attempt::Failed;

        record.totalsSent = readTotalsFile(m_bench.siteDataDir + QStringLiteral("Backup_Totalisers.bin"));
        readBack(link, record);
        record.written = m_bench.clock().currentDateTime();
        const RestoreRecord restoreRecord = buildRestoreRecord(record);
        writeRestoreRecord(m_bench, restoreRecord);

        if (postUpgradeReport(m_bench, link) == PostUpgradeReport::Raised) {
            m_session.end();
            m_op.message(QStringLiteral("Failed to generate a report"));
            return Attempt::Ended;
        }

        m_session.progress().show();
        recordReplacementBoard(m_bench, link, m_session.progress());
        m_session.progress().hide();
        addImages(m_bench);

        if (!restoreRecord.identical())
            m_op.message(QStringLiteral("The replacement board holds other values than it was sent for:\n") +
                             restoreRecord.differing.join(QLatin1Char('\n')) +
                             QStringLiteral("\nSee \"Restore Record.txt\" in the site folder."),
                         QStringLiteral("Read-back"));
        return Attempt::Succeeded;
    }

private:
    Attempt refuse(const QString& message)
    {
        m_session.end();
        m_op.message(message);
        return Attempt::Ended;
    }

    Workbench& m_bench;
    WorkflowOperator& m_op;
    ReplacementSession m_session{m_bench};
};

} // namespace

bool sendCcData(Workbench& bench)
{
    LoggedWorkflow logged(bench.sessionLog(), QStringLiteral("Restore"));
    for (int attempt = 0; attempt < 3; ++attempt) {
        Attempt result = Attempt::Failed;
        try {
            Restore restore(bench);
            result = restore.run();
        } catch (const std::exception& e) {
            // The site folder could not be made: the attempt's link and window are gone by now,
            // and the workflow stops without its own result message.
            bench.op().error(QString::fromStdString(e.what()));
            return false;
        }
        if (result == Attempt::Succeeded) {
            bench.op().message(QStringLiteral("CC information updated in Replacement Q7 board successfully"));
            return logged.result(true);
        }
        if (result == Attempt::Ended)
            return false;
    }
    bench.op().message(QStringLiteral("Failed to update CC information in Replacement Q7 board"));
    return false;
}

ReplacementSession::ReplacementSession(Workbench& bench) : m_bench(bench) {}

ReplacementSession::~ReplacementSession()
{
    end();
}

OpenedLink::Result ReplacementSession::open(const LinkPercentages& percentages)
{
    m_progress = m_bench.op().createProgress();
    m_progress->show();
    OpenedLink opened = openLink(m_bench, *m_progress, percentages);
    m_link = std::move(opened.link);
    return opened.result;
}

void ReplacementSession::step(const QString& text, int percent)
{
    m_progress->setProgress(QLatin1String(kCommsCaption), text, percent);
}

void ReplacementSession::end()
{
    if (m_progress) {
        m_progress->hide();
        m_progress.reset();
    }
    if (m_link) {
        m_link->abortCommand();
        m_link.reset();
    }
}

bool sendToBoard(Workbench& bench, Q7Port& link, Progress& progress, const SendPercentages& percent)
{
    Clock& clock = bench.clock();
    const auto step = [&progress](const QString& text, int at) {
        progress.setProgress(QLatin1String(kCommsCaption), text, at);
    };
    step(QStringLiteral("Sending Totaliser Values"), percent.totals);
    if (!sendTotalisers(bench, link))
        return false;
    bench.siteState.setStep(SiteState::RESTORE_TOTALS);
    clock.delay(3000);

    step(QStringLiteral("Sending Configuration"), percent.configuration);
    if (!link.putStucture(kConfigId))
        return false;
    clock.delay(5000);

    step(QStringLiteral("Sending Calibration"), percent.calibration);
    if (!link.putStucture(kCalId))
        return false;
    clock.delay(5000);
    clock.processEvents();

    step(QStringLiteral("Backing up CC Factory defaults"), percent.factoryDefaults);
    if (!link.sendSimpleCommand(kKeepFactoryDefaults))
        return false;
    clock.delay(10000);

    step(QStringLiteral("Backing up CC to SD Card"), percent.sdCard);
    if (!link.sendSimpleCommand(kBackupToSdCard))
        return false;
    bench.siteState.setStep(SiteState::RESTORE_CC);
    clock.delay(5000);

    step(QStringLiteral("Preparing for reboot"), percent.reboot);
    clock.delay(5000);
    progress.hide();
    progress.repaint();
    clock.processEvents();
    return rebootBoard(bench, link);
}

PostUpgradeReport postUpgradeReport(Workbench& bench, Q7Port& link)
{
    try {
        TQ7Report report(bench.op(), bench.clock(), bench.openReportOnCompletion,
                         QStringLiteral("Post Upgrade Q7 Report "), bench.siteDataDir, link);
        report.setOperatorName(bench.operatorName);
        report.setSiteLicence(bench.siteLicense);
        const bool produced = report.BuildReport();
        if (produced) {
            bench.siteState.setStep(SiteState::FINAL_REPORT);
            bench.sfoNumber[1] = report.sfoNumber();
        }
        report.FormClose();
        return produced ? PostUpgradeReport::Produced : PostUpgradeReport::NotProduced;
    } catch (const std::exception&) {
        return PostUpgradeReport::Raised;
    }
}

void recordReplacementBoard(Workbench& bench, Q7Port& link, Progress& progress)
{
    SiteState& s = bench.siteState;
    progress.setProgress(QLatin1String(kCommsCaption), QStringLiteral("Retrieving Summery Log Data"), 90);
    readFirmwareVersion(bench, &link, 1);
    const CalRecord cal = *CalRecord::fromBytes(toBytes(link.structures[kCalId]));
    const ConfigRecord config = *ConfigRecord::fromBytes(toBytes(link.structures[kConfigId]));
    s.meterId = cal.meterId();
    link.readTimeStampRegister(64, &s.boardTime[1]);
    link.readUI16Register(54, &s.systemFault[1]);
    link.readF32Register(116, &s.forwardTotal[1]);
    link.readUI16Register(61, &s.pnfStatus[1]);
    progress.setProgress(QLatin1String(kCommsCaption), QStringLiteral("Retrieving Summery Log Data"), 95);
    link.readUI16Register(55, &s.selfTest[1]);
    s.coilCurrent = cal.coilCurrent();
    // The raw flag word, as the summary log shows it.
    s.pnfDetection = ByteOrder::readLe16(config.bytes(), 18);
    s.pipeDiameter = cal.pipeDiameter();
    s.tubeZero = cal.tubeZero(0);
    s.tubeFactor3 = cal.tubeFactor(3);
}
