#pragma once

#include "Workbench.h"
#include "WorkbenchView.h"

#include <QMainWindow>
#include <QString>
#include <QStringList>

#include <memory>

class AppFolders;
class Clock;
class FileBrowser;
class Ports;
class SummaryLogWriter;
class VolumeWatch;
class WorkflowOperator;
class QAction;
class QFrame;
class QLabel;
class QPushButton;
class QTimer;

// What the main window works with; each can be replaced in a test.
struct MainFormServices
{
    WorkflowOperator& op;
    Clock& clock;
    AppFolders& folders;
    FileBrowser& fileBrowser;
    VolumeWatch& volumes;
    QString settingsPath;
    // Null until the summary log exists; nothing can touch site data before then.
    SummaryLogWriter* summaryLog = nullptr;
    // The ports detection probes and the port dialog lists; the platform's own when null.
    Ports* ports = nullptr;
};

// The program's one window. It lives for the whole run and owns the workbench the workflows
// run on, whose state it shows: caption, site menu items, the upgrade button, the indicators.
class TQ7UpgradeUtilityMainForm : public QMainWindow, public WorkbenchView
{
    Q_OBJECT

public:
    // Throws std::runtime_error("Cannot create data directory.") when the data folder cannot
    // be made; the window is then unusable.
    explicit TQ7UpgradeUtilityMainForm(const MainFormServices& services, QWidget* parent = nullptr);
    ~TQ7UpgradeUtilityMainForm() override;

    Workbench& bench() { return *m_bench; }
    const Workbench& bench() const { return *m_bench; }

    bool rxSeen = false;
    bool txSeen = false;

    bool autoDetectQ7() const;
    bool openReportOnCompletion() const;

public slots:
    void StartupTimerTimer();
    void LedTimerTimer();
    void OpenExplorer1Click();
    void Exit1Click();
    void BackupSite1Click();
    void GenerateReport1Click();
    void UpgradeBtnClick();
    void FullyAutomatedUpgradeAuto2Click();
    void BackupSiteusingSDCardonlyAuto1Click();
    void ManualConfigurationUpgradeAuto1Click();
    void RestoreSite1Click();
    void CopydatafilesfromSDcard1Click();
    void CopyfilestoSDCard1Click();
    void AddImagestoFolderClick();

    // Link events.
    void onRxEvent();
    void onTxEvent();
    void onPortDebugEvent(const QString& data);

    // WorkbenchView
    void setCaption(const QString& caption) override;
    void setSiteItemsEnabled(bool enabled) override;
    void setUpgradeButton(bool visible, bool enabled) override;
    void linkReceived() override { onRxEvent(); }
    void linkSent() override { onTxEvent(); }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    void buildMenu();
    void loadSettings();
    void FormShow();
    void FormClose();
    static void paintLed(QFrame* led, bool seen);

    WorkflowOperator& m_op;
    Clock& m_clock;
    FileBrowser& m_fileBrowser;
    VolumeWatch& m_volumes;
    std::unique_ptr<Ports> m_ownPorts;
    std::unique_ptr<Workbench> m_bench;
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

    QAction* AutoDetectQ7 = nullptr;
    QAction* OpenReportOnCompletion = nullptr;
    QAction* ManualConfigurationUpgradeAuto1 = nullptr;
    QAction* CopydatafilesfromSDcard1 = nullptr;
    QAction* CopyfilestoSDCard1 = nullptr;
    QAction* AddImagestoFolder = nullptr;
};
