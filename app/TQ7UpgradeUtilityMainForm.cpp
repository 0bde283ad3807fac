#include "TQ7UpgradeUtilityMainForm.h"

#include "Clock.h"
#include "FileBrowser.h"
#include "Flows.h"
#include "Ports.h"
#include "VolumeWatch.h"
#include "WorkflowOperator.h"

#include <QCloseEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

namespace {

const QColor kLedIdle(0, 128, 0);
const QColor kLedTraffic(255, 0, 0);

QFrame* makeLed(const QString& name, QWidget* parent)
{
    auto* led = new QFrame(parent);
    led->setObjectName(name);
    led->setFixedSize(17, 9);
    led->setAutoFillBackground(true);
    return led;
}

QAction* addItem(QMenu* menu, const QString& name, const QString& text)
{
    QAction* action = menu->addAction(text);
    action->setObjectName(name);
    return action;
}

void addMenuBarSeparator(QMenuBar* bar, const QString& name)
{
    QAction* separator = bar->addAction(QStringLiteral("-"));
    separator->setObjectName(name);
    separator->setSeparator(true);
}

} // namespace

TQ7UpgradeUtilityMainForm::TQ7UpgradeUtilityMainForm(const MainFormServices& services, QWidget* parent)
    : QMainWindow(parent), m_op(services.op), m_clock(services.clock), m_fileBrowser(services.fileBrowser),
      m_volumes(services.volumes)
{
    Ports* ports = services.ports;
    if (!ports) {
        m_ownPorts = std::make_unique<SerialPorts>();
        ports = m_ownPorts.get();
    }
    setObjectName(QStringLiteral("Q7UpgradeUtilityMainForm"));
    setWindowTitle(QStringLiteral("Q7 Upgrade Utility"));
    setFont(QFont(QStringLiteral("Tahoma"), 8));
    buildControls();
    buildMenu();

    UpgradeBtn->hide();
    // Makes the folders and reads the settings; throws when the data folder cannot be made.
    m_bench = std::make_unique<Workbench>(WorkbenchServices{
        m_op, m_clock, *ports, m_volumes, services.folders, services.settingsPath, services.summaryLog});
    m_bench->setView(this);
    // Nothing to collect into, send from or add to until a site is selected.
    setSiteItemsEnabled(false);
    loadSettings();

    // Registered from the start, as the shell's notifications are; the SD-card transfers act
    // on what it reports while they wait for a card.
    m_volumes.start();

    // Reachable only through code: the manual configuration upgrade is not offered.
    ManualConfigurationUpgradeAuto1->setVisible(false);

    // Client area 609 x 343 below the menu, in the middle of the screen.
    resize(609, 343 + menuBar()->sizeHint().height());
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

TQ7UpgradeUtilityMainForm::~TQ7UpgradeUtilityMainForm() = default;

void TQ7UpgradeUtilityMainForm::buildControls()
{
    auto* client = new QWidget(this);
    setCentralWidget(client);

    UpgradeBtn = new QPushButton(QStringLiteral("Start Full Auto Upgrade"), client);
    UpgradeBtn->setObjectName(QStringLiteral("UpgradeBtn"));
    UpgradeBtn->setFixedSize(162, 25);
    connect(UpgradeBtn, &QPushButton::clicked, this, &TQ7UpgradeUtilityMainForm::UpgradeBtnClick);

    Panel3 = new QFrame(client);
    Panel3->setObjectName(QStringLiteral("Panel3"));
    Panel3->setFixedHeight(35);
    Panel3->setFrameStyle(QFrame::Box | QFrame::Plain);

    StatusTxt = new QLabel(Panel3);
    StatusTxt->setObjectName(QStringLiteral("StatusTxt"));
    StatusTxt->setFixedWidth(518);

    LedPanel = new QFrame(Panel3);
    LedPanel->setObjectName(QStringLiteral("LedPanel"));
    LedPanel->setFixedWidth(87);
    LedPanel->setFrameStyle(QFrame::Panel | QFrame::Raised);

    auto* txLabel = new QLabel(QStringLiteral("Tx"), LedPanel);
    txLabel->setObjectName(QStringLiteral("TxLabel"));
    TxLed = makeLed(QStringLiteral("TxLed"), LedPanel);
    auto* rxLabel = new QLabel(QStringLiteral("Rx"), LedPanel);
    rxLabel->setObjectName(QStringLiteral("RxLabel"));
    RxLed = makeLed(QStringLiteral("RxLed"), LedPanel);
    paintLed(TxLed, false);
    paintLed(RxLed, false);

    auto* ledLayout = new QHBoxLayout(LedPanel);
    ledLayout->setContentsMargins(4, 0, 4, 0);
    ledLayout->addWidget(txLabel);
    ledLayout->addWidget(TxLed);
    ledLayout->addWidget(rxLabel);
    ledLayout->addWidget(RxLed);

    auto* statusLayout = new QHBoxLayout(Panel3);
    statusLayout->setContentsMargins(4, 1, 1, 1);
    statusLayout->addWidget(StatusTxt);
    statusLayout->addStretch();
    statusLayout->addWidget(LedPanel);

    auto* clientLayout = new QVBoxLayout(client);
    clientLayout->setContentsMargins(0, 0, 0, 0);
    clientLayout->addStretch();
    clientLayout->addWidget(UpgradeBtn, 0, Qt::AlignHCenter);
    clientLayout->addStretch();
    clientLayout->addWidget(Panel3);

    LedTimer = new QTimer(this);
    LedTimer->setObjectName(QStringLiteral("LedTimer"));
    LedTimer->setInterval(100);
    connect(LedTimer, &QTimer::timeout, this, &TQ7UpgradeUtilityMainForm::LedTimerTimer);
    LedTimer->start();

    StartupTimer = new QTimer(this);
    StartupTimer->setObjectName(QStringLiteral("StartupTimer"));
    StartupTimer->setInterval(100);
    connect(StartupTimer, &QTimer::timeout, this, &TQ7UpgradeUtilityMainForm::StartupTimerTimer);
}

void TQ7UpgradeUtilityMainForm::buildMenu()
{
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));

    QMenu* file = bar->addMenu(QStringLiteral("File"));
    file->setObjectName(QStringLiteral("File1"));
    connect(addItem(file, QStringLiteral("Exit1"), QStringLiteral("Exit")), &QAction::triggered, this,
            &TQ7UpgradeUtilityMainForm::Exit1Click);
    addMenuBarSeparator(bar, QStringLiteral("N1"));

    QMenu* settings = bar->addMenu(QStringLiteral("Settings"));
    settings->setObjectName(QStringLiteral("Settings1"));
    AutoDetectQ7 = addItem(settings, QStringLiteral("AutoDetectQ7"), QStringLiteral("Auto Detect Q7"));
    AutoDetectQ7->setCheckable(true);
    OpenReportOnCompletion = addItem(settings, QStringLiteral("OpenReportOnCompletion"),
                                     QStringLiteral("Open Report On Completion"));
    OpenReportOnCompletion->setCheckable(true);
    addMenuBarSeparator(bar, QStringLiteral("N2"));

    QMenu* upgrade = bar->addMenu(QStringLiteral("Upgrade"));
    upgrade->setObjectName(QStringLiteral("Upgrade1"));
    connect(addItem(upgrade, QStringLiteral("FullyAutomatedUpgradeAuto2"),
                    QStringLiteral("Fully Automated Upgrade")),
            &QAction::triggered, this, &TQ7UpgradeUtilityMainForm::FullyAutomatedUpgradeAuto2Click);
    connect(addItem(upgrade, QStringLiteral("BackupSiteusingSDCardonlyAuto1"),
                    QStringLiteral("Backup Site using SD Card only ")),
            &QAction::triggered, this, &TQ7UpgradeUtilityMainForm::BackupSiteusingSDCardonlyAuto1Click);
    ManualConfigurationUpgradeAuto1 = addItem(upgrade, QStringLiteral("ManualConfigurationUpgradeAuto1"),
                                              QStringLiteral("Manual Configuration Upgrade"));
    connect(ManualConfigurationUpgradeAuto1, &QAction::triggered, this,
            &TQ7UpgradeUtilityMainForm::ManualConfigurationUpgradeAuto1Click);
    addMenuBarSeparator(bar, QStringLiteral("N3"));

    QMenu* manual = bar->addMenu(QStringLiteral("Manual Functions"));
    manual->setObjectName(QStringLiteral("ManualFunctions1"));
    connect(addItem(manual, QStringLiteral("BackupSite1"),
                    QStringLiteral("Collect CCS data from Existing Q7 board")),
            &QAction::triggered, this, &TQ7UpgradeUtilityMainForm::BackupSite1Click);
    connect(addItem(manual, QStringLiteral("RestoreSite1"),
                    QStringLiteral("Send CC data to Replacement Q7 board ")),
            &QAction::triggered, this, &TQ7UpgradeUtilityMainForm::RestoreSite1Click);
    CopydatafilesfromSDcard1 = addItem(manual, QStringLiteral("CopydatafilesfromSDcard1"),
                                       QStringLiteral("Collect log files from SDCARD"));
    connect(CopydatafilesfromSDcard1, &QAction::triggered, this,
            &TQ7UpgradeUtilityMainForm::CopydatafilesfromSDcard1Click);
    CopyfilestoSDCard1 =
        addItem(manual, QStringLiteral("CopyfilestoSDCard1"), QStringLiteral("Send log files to SD Card"));
    connect(CopyfilestoSDCard1, &QAction::triggered, this,
            &TQ7UpgradeUtilityMainForm::CopyfilestoSDCard1Click);
    AddImagestoFolder =
        addItem(manual, QStringLiteral("AddImagestoFolder"), QStringLiteral("Add Images to Data Folder"));
    connect(AddImagestoFolder, &QAction::triggered, this, &TQ7UpgradeUtilityMainForm::AddImagestoFolderClick);
    connect(addItem(manual, QStringLiteral("GenerateReport1"), QStringLiteral("Generate Report")),
            &QAction::triggered, this, &TQ7UpgradeUtilityMainForm::GenerateReport1Click);
    addMenuBarSeparator(bar, QStringLiteral("N4"));

    QAction* openExplorer = bar->addAction(QStringLiteral("Open Explorer"));
    openExplorer->setObjectName(QStringLiteral("OpenExplorer1"));
    connect(openExplorer, &QAction::triggered, this, &TQ7UpgradeUtilityMainForm::OpenExplorer1Click);
}

void TQ7UpgradeUtilityMainForm::loadSettings()
{
    AutoDetectQ7->setChecked(m_bench->autoDetectQ7);
    OpenReportOnCompletion->setChecked(m_bench->openReportOnCompletion);
    // The menu's check items are the settings the workflows read.
    connect(AutoDetectQ7, &QAction::toggled, this, [this](bool on) { m_bench->autoDetectQ7 = on; });
    connect(OpenReportOnCompletion, &QAction::toggled, this,
            [this](bool on) { m_bench->openReportOnCompletion = on; });
}

bool TQ7UpgradeUtilityMainForm::autoDetectQ7() const
{
    return AutoDetectQ7->isChecked();
}

bool TQ7UpgradeUtilityMainForm::openReportOnCompletion() const
{
    return OpenReportOnCompletion->isChecked();
}

void TQ7UpgradeUtilityMainForm::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TQ7UpgradeUtilityMainForm::FormShow()
{
    // The name is asked once per run, not each time the window reappears.
    if (!m_operatorAsked)
        StartupTimer->start();
    m_clock.processEvents();
}

void TQ7UpgradeUtilityMainForm::StartupTimerTimer()
{
    StartupTimer->stop();
    m_operatorAsked = true;
    // No way past without a name; OK takes the text as typed, blanks included.
    for (;;) {
        const auto typed = m_op.inputText(QStringLiteral("Operator Name"),
                                          QStringLiteral("Please enter you name"), m_bench->operatorName);
        if (!typed)
            continue;
        if (typed->isEmpty()) {
            m_bench->operatorName.clear();
            continue;
        }
        m_bench->setOperatorName(*typed);
        break;
    }
    UpgradeBtn->show();
}

void TQ7UpgradeUtilityMainForm::paintLed(QFrame* led, bool seen)
{
    QPalette palette = led->palette();
    palette.setColor(QPalette::Window, seen ? kLedTraffic : kLedIdle);
    led->setPalette(palette);
    // Now, not at the next idle moment: a workflow may be busy waiting for the board.
    led->repaint();
}

void TQ7UpgradeUtilityMainForm::LedTimerTimer()
{
    paintLed(RxLed, rxSeen);
    rxSeen = false;
    paintLed(TxLed, txSeen);
    txSeen = false;
}

void TQ7UpgradeUtilityMainForm::onRxEvent()
{
    rxSeen = true;
}

void TQ7UpgradeUtilityMainForm::onTxEvent()
{
    txSeen = true;
}

void TQ7UpgradeUtilityMainForm::onPortDebugEvent(const QString& data)
{
    StatusTxt->setText(data);
}

void TQ7UpgradeUtilityMainForm::OpenExplorer1Click()
{
    m_fileBrowser.openFolder(m_bench->siteDataDir);
}

void TQ7UpgradeUtilityMainForm::BackupSite1Click()
{
    Flows::backupSite(*m_bench);
}

void TQ7UpgradeUtilityMainForm::GenerateReport1Click()
{
    Flows::generateReport(*m_bench);
}

void TQ7UpgradeUtilityMainForm::Exit1Click()
{
    close();
}

void TQ7UpgradeUtilityMainForm::CopydatafilesfromSDcard1Click()
{
    Flows::collectLogFiles(*m_bench);
}

void TQ7UpgradeUtilityMainForm::CopyfilestoSDCard1Click()
{
    Flows::sendLogFiles(*m_bench);
}

void TQ7UpgradeUtilityMainForm::AddImagestoFolderClick()
{
    Flows::addImagesToFolder(*m_bench);
}

void TQ7UpgradeUtilityMainForm::UpgradeBtnClick()
{
    Flows::fullyAutomatedUpgrade(*m_bench);
}

void TQ7UpgradeUtilityMainForm::FullyAutomatedUpgradeAuto2Click()
{
    Flows::fullyAutomatedUpgrade(*m_bench);
}

void TQ7UpgradeUtilityMainForm::BackupSiteusingSDCardonlyAuto1Click()
{
    Flows::sdCardOnlyUpgrade(*m_bench);
}

void TQ7UpgradeUtilityMainForm::ManualConfigurationUpgradeAuto1Click()
{
    Flows::manualConfigurationUpgradeClick(*m_bench);
}

void TQ7UpgradeUtilityMainForm::RestoreSite1Click()
{
    Flows::restoreSite(*m_bench);
}

void TQ7UpgradeUtilityMainForm::closeEvent(QCloseEvent* event)
{
    // A second close request while the summary log retry box is up must not start the
    // closing sequence again inside the first.
    if (m_closing) {
        event->ignore();
        return;
    }
    m_closing = true;
    FormClose();
    event->accept();
}

void TQ7UpgradeUtilityMainForm::FormClose()
{
    m_bench->endOfRun();
}

void TQ7UpgradeUtilityMainForm::setCaption(const QString& caption)
{
    setWindowTitle(caption);
}

void TQ7UpgradeUtilityMainForm::setSiteItemsEnabled(bool enabled)
{
    CopydatafilesfromSDcard1->setEnabled(enabled);
    CopyfilestoSDCard1->setEnabled(enabled);
    AddImagestoFolder->setEnabled(enabled);
}

void TQ7UpgradeUtilityMainForm::setUpgradeButton(bool visible, bool enabled)
{
    UpgradeBtn->setEnabled(enabled);
    UpgradeBtn->setVisible(visible);
}
