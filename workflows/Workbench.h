#pragma once

#include "LoggingOperator.h"
#include "SessionLog.h"
#include "SiteState.h"
#include "SummaryLogWriter.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <memory>

class AppFolders;
class Clock;
class Ports;
class Q7Port;
class QTimer;
class VolumeWatch;
class WorkbenchView;

// What a workbench works with; each can be replaced in a test or by another front end.
struct WorkbenchServices
{
    WorkflowOperator& op;
    Clock& clock;
    Ports& ports;
    VolumeWatch& volumes;
    AppFolders& folders;
    QString settingsPath;
    // Null until the summary log exists.
    SummaryLogWriter* summaryLog = nullptr;
    // When not empty, the data-folder root instead of the one in the application folder (a
    // command-line run on a folder of its own); it is made if missing, one level.
    QString dataFolderRoot = {};
};

// The state the workflows share for one run of the program, and the services they were given.
// The main window, q7ctl and the tests each own one and run the same workflow code over it;
// the workbench tells its front end what changed through a WorkbenchView.
class Workbench : public QObject
{
    Q_OBJECT

public:
    // Makes the application and data folders and reads the settings. Throws
    // std::runtime_error("Cannot create data directory.") when the data folder cannot be made.
    explicit Workbench(const WorkbenchServices& services, QObject* parent = nullptr);
    ~Workbench() override;

    // The operator given, behind the session log: what goes through it is logged.
    WorkflowOperator& op() const { return *m_op; }
    // The site's "Session Log.txt"; lines wait in memory until a site is selected.
    SessionLog& sessionLog() const { return *m_sessionLog; }
    Clock& clock() const { return m_clock; }
    Ports& ports() const { return m_ports; }
    VolumeWatch& volumes() const { return m_volumes; }
    QString settingsPath() const { return m_settingsPath; }

    // Null when the front end shows nothing of the workbench itself.
    void setView(WorkbenchView* view);
    WorkbenchView* view() const { return m_view; }
    void setSummaryLog(SummaryLogWriter* writer) { m_summaryLog = writer; }
    SummaryLogWriter* summaryLog() const { return m_summaryLog; }

    // Settings and folders of the run.
    QString operatorName;
    // The name the technician gave at the start, into the session log: the saved one may be
    // another technician's.
    void setOperatorName(const QString& name);
    QString portName;
    // Ends with a path separator.
    QString dataFolderRoot;
    bool autoDetectQ7 = true;
    bool openReportOnCompletion = false;

    // The selected site; siteLicense is empty while none is.
    QString siteLicense;
    // The site's folder, ending with a path separator; dataFolderRoot until a site is selected.
    QString siteDataDir;
    // [0] the existing board, [1] the replacement board.
    std::array<QString, 2> hardwareRevision;
    std::array<QString, 2> sfoNumber;
    bool totalsFromQuery = false;
    SiteState siteState;
    // Consecutive failed fully automated upgrades in this run.
    int upgradeFailureCount = 0;

    // The SD-card watch.
    bool sdWatchActive = false;
    QStringList sdCardPaths;
    bool transferToCard = false;
    bool transferStarted = false;
    bool transferDone = false;
    std::int32_t fileTotal = 0;
    std::int32_t filesCopied = 0;
    // Runs the copy step about 3 s after the last card event; disabled at start.
    QTimer* FileCopyTimer = nullptr;

    // Front-end state changes, passed to the view.
    void setCaption(const QString& caption);
    void setSiteItemsEnabled(bool enabled);
    void setUpgradeButton(bool visible, bool enabled);

    // The link's events go to the front end: traffic to the indicators, faults to the status line.
    void connectLinkEvents(Q7Port& link);

    void loadSettings();
    // Not reported: nobody can act on it while the run ends, and the next run starts from the
    // defaults or from the keys that were written.
    void saveSettings();

    // Appends the summary line once (false, with the reason, while there is no summary log).
    SummaryLogWriterResult writeSummaryLine();
    // Appends the summary line, asking the technician to free the log until it can be written.
    void writeSummaryLineUntilWritten();
    // What closing the main window does: the settings, then the summary line when site data was
    // touched and the line is still missing (retried until it is written).
    void endOfRun();

private:
    void setupFolders();
    // Where the session log goes: the selected site's folder, empty while there is none.
    QString sessionFolder() const;

    Clock& m_clock;
    std::unique_ptr<SessionLog> m_sessionLog;
    std::unique_ptr<LoggingOperator> m_op;
    int m_fileObserver = 0;
    Ports& m_ports;
    VolumeWatch& m_volumes;
    AppFolders& m_folders;
    QString m_settingsPath;
    SummaryLogWriter* m_summaryLog = nullptr;
    QString m_dataFolderRoot;
    WorkbenchView* m_view = nullptr;
};
