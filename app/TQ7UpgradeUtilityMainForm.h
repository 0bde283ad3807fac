#pragma once

#include "SiteState.h"

#include <QMainWindow>
#include <QString>
#include <QStringList>

#include <array>

class AppFolders;
class Clock;
class FileBrowser;
class Operator;
class SummaryLogWriter;
class VolumeWatch;
class QAction;
class QFrame;
class QLabel;
class QPushButton;
class QTimer;

// What the main window works with; each can be replaced in a test.
struct MainFormServices
{
    Operator& op;
    Clock& clock;
    AppFolders& folders;
    FileBrowser& fileBrowser;
    VolumeWatch& volumes;
    QString settingsPath;
    // Null until the summary log exists; nothing can touch site data before then.
    SummaryLogWriter* summaryLog = nullptr;
    // Devices to list and probe beside the platform's own serial ports.
    QStringList extraPorts = {};
};

// The program's one window. It lives for the whole run and holds the state the workflows
// share: the operator, the port, the folders and the selected site.
class TQ7UpgradeUtilityMainForm : public QMainWindow
{
    Q_OBJECT

public:
    // Throws std::runtime_error("Cannot create data directory.") when the data folder cannot
    // be made; the window is then unusable.
    explicit TQ7UpgradeUtilityMainForm(const MainFormServices& services, QWidget* parent = nullptr);
    ~TQ7UpgradeUtilityMainForm() override;

    QString operatorName;
    bool rxSeen = false;
    bool txSeen = false;

    QString portName;
    // Ends with a path separator.
    QString dataFolderRoot;

    QString siteLicense;
    // The selected site's folder, ending with a path separator; dataFolderRoot until a site
    // is selected.
    QString siteDataDir;
    // [0] the existing board, [1] the replacement board.
    std::array<QString, 2> hardwareRevision;
    std::array<QString, 2> sfoNumber;
    bool totalsFromQuery = false;
    SiteState siteState;

    // Devices to list and probe beside the platform's own serial ports; board detection and
    // the port selection take them from here.
    QStringList extraPorts;

    // Filled by board detection and by the SD-card watch.
    QStringList portNames;
    QStringList sdCardPaths;

    bool autoDetectQ7() const;
    bool openReportOnCompletion() const;

public slots:
    void StartupTimerTimer();
    void LedTimerTimer();
    void OpenExplorer1Click();
    void Exit1Click();

    // Link events.
    void onRxEvent();
    void onTxEvent();
    void onPortDebugEvent(const QString& data);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    void buildMenu();
    void setupFolders();
    void loadSettings();
    void saveSettings();
    void FormShow();
    void FormClose();
    void volumeArrived(const QString& root);
    void volumeRemoved(const QString& root);
    static void paintLed(QFrame* led, bool seen);

    Operator& m_op;
    Clock& m_clock;
    AppFolders& m_folders;
    FileBrowser& m_fileBrowser;
    VolumeWatch& m_volumes;
    SummaryLogWriter* m_summaryLog;
    QString m_settingsPath;
    bool m_closing = false;
    bool m_operatorAsked = false;

    QPushButton* UpgradeBtn = nullptr;
    QFrame* Panel3 = nullptr;
    QLabel* StatusTxt = nullptr;
    QFrame* LedPanel = nullptr;
    QFrame* TxLed = nullptr;
    QFrame* RxLed = nullptr;
    QTimer* LedTimer = nullptr;
    QTimer* StartupTimer = nullptr;
    QTimer* FileCopyTimer = nullptr;

    QAction* AutoDetectQ7 = nullptr;
    QAction* OpenReportOnCompletion = nullptr;
    QAction* ManualConfigurationUpgradeAuto1 = nullptr;
};
