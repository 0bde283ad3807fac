#include "Workbench.h"

#include "AppFolders.h"
#include "Clock.h"
#include "Q7Port.h"
#include "SettingsFile.h"
#include "WholeFile.h"
#include "WorkbenchView.h"
#include "WorkflowOperator.h"

#include <QDir>
#include <QFileInfo>
#include <QTimer>

#include <stdexcept>

Workbench::Workbench(const WorkbenchServices& services, QObject* parent)
    : QObject(parent), m_clock(services.clock),
      m_sessionLog(std::make_unique<SessionLog>(m_clock, [this] { return sessionFolder(); })),
      m_op(std::make_unique<LoggingOperator>(services.op, *m_sessionLog)), m_ports(services.ports),
      m_volumes(services.volumes), m_folders(services.folders), m_settingsPath(services.settingsPath),
      m_summaryLog(services.summaryLog), m_dataFolderRoot(services.dataFolderRoot)
{
    FileCopyTimer = new QTimer(this);
    FileCopyTimer->setObjectName(QStringLiteral("FileCopyTimer"));
    FileCopyTimer->setInterval(3000);
    setupFolders();
    siteDataDir = dataFolderRoot;
    totalsFromQuery = false;
    loadSettings();
    m_sessionLog->add(QStringLiteral("Program started"));
    // Last: a constructor that throws runs no destructor, which would leave the observer behind.
    m_fileObserver = addWholeFileObserver([this](const QString& path, const QByteArray& bytes) {
        m_sessionLog->fileWritten(path, bytes, dataFolderRoot);
    });
}

Workbench::~Workbench()
{
    removeWholeFileObserver(m_fileObserver);
}

void Workbench::setOperatorName(const QString& name)
{
    operatorName = name;
    m_sessionLog->add(QStringLiteral("Operator: \"%1\"").arg(name));
}

QString Workbench::sessionFolder() const
{
    // selectSite names the folder before it asks whether to reuse it; only a confirmed site
    // (its folder ending with the separator) takes the lines.
    if (siteLicense.isEmpty() || siteDataDir == dataFolderRoot || !siteDataDir.endsWith(QLatin1Char('/')))
        return {};
    return siteDataDir;
}

void Workbench::setupFolders()
{
    if (!m_dataFolderRoot.isEmpty()) {
        const QString root = QDir::cleanPath(m_dataFolderRoot);
        if (!QFileInfo(root).isDir() && !QDir().mkdir(root))
            throw std::runtime_error("Cannot create data directory.");
        dataFolderRoot = root.endsWith(QLatin1Char('/')) ? root : root + QLatin1Char('/');
        return;
    }
    const QString applicationFolder = m_folders.userDataFolder() + QStringLiteral("/Q7UpgradeUtility");
    // One level at a time: a missing user data folder is a broken profile, not ours to make.
    if (!QFileInfo(applicationFolder).isDir() && !QDir().mkdir(applicationFolder))
        op().message(QStringLiteral("unable to create directory"));
    const QString dataFolder = applicationFolder + QStringLiteral("/Data");
    if (!QFileInfo(dataFolder).isDir() && !QDir().mkdir(dataFolder))
        throw std::runtime_error("Cannot create data directory.");
    dataFolderRoot = dataFolder + QLatin1Char('/');
}

void Workbench::setView(WorkbenchView* view)
{
    m_view = view;
}

void Workbench::setCaption(const QString& caption)
{
    if (m_view)
        m_view->setCaption(caption);
}

void Workbench::setSiteItemsEnabled(bool enabled)
{
    if (m_view)
        m_view->setSiteItemsEnabled(enabled);
}

void Workbench::setUpgradeButton(bool visible, bool enabled)
{
    if (m_view)
        m_view->setUpgradeButton(visible, enabled);
}

void Workbench::connectLinkEvents(Q7Port& link)
{
    link.OnRxEvent = [this](Q7Port&) {
        if (m_view)
            m_view->linkReceived();
    };
    link.OnTxEvent = [this](Q7Port&) {
        if (m_view)
            m_view->linkSent();
    };
    link.OnPortDebugEvent = [this](Q7Port&, const QString& data) {
        m_sessionLog->add(QStringLiteral("Link fault: ") + data, SessionLog::Write::Soon);
        m_op->inner().setStatus(data);
    };
    link.setOperator(m_op.get());
    link.onConfigurePort = [this](TVaComm& comm) { m_op->configurePort(comm); };
}

void Workbench::loadSettings()
{
    const Settings settings = SettingsFile(m_settingsPath).load();
    autoDetectQ7 = settings.autoDetectQ7;
    openReportOnCompletion = settings.openReportOnCompletion;
    operatorName = settings.operatorName;
}

void Workbench::saveSettings()
{
    SettingsFile(m_settingsPath).save(portName, {autoDetectQ7, openReportOnCompletion, operatorName});
}

SummaryLogWriterResult Workbench::writeSummaryLine()
{
    if (!m_summaryLog)
        return {false, QStringLiteral("The summary log cannot be written by this program."), {}};
    SummaryLogWriterResult result = m_summaryLog->writeSummaryLine(*this);
    if (result.written)
        siteState.summaryLogged = true;
    return result;
}

void Workbench::writeSummaryLineUntilWritten()
{
    // The upgrade's only record on this PC: keep asking until the technician has freed the log
    // (it is typically held open in a spreadsheet).
    for (;;) {
        const SummaryLogWriterResult result = writeSummaryLine();
        if (result.written)
            return;
        op().message(result.message);
    }
}

void Workbench::endOfRun()
{
    saveSettings();
    if (siteState.siteDataTouched && !siteState.summaryLogged && m_summaryLog)
        writeSummaryLineUntilWritten();
    m_sessionLog->add(QStringLiteral("Program ended"));
}
