#include "SimulationBench.h"

#include "BoardCodes.h"
#include "DemoClock.h"
#include "DemoSession.h"
#include "Operator.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QFileSystemWatcher>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>
#include <QWindow>

#include <algorithm>

namespace {

// Longer than the program's reboot wait, so the board is still deaf when the program asks.
constexpr int kSlowRebootMs = 90000;
// A noisy line: one frame in this many arrives with a wrong checksum.
constexpr int kNoisyShare = 4;

// Commands of a replacement the board can be made to refuse, with the name the bench shows.
struct RefusableCommand
{
    std::uint8_t code;
    const char* name;
};
constexpr RefusableCommand kRefusable[] = {
    {sim::code::kReboot, "reboot"},
    {sim::code::kAccessLevel, "access level"},
    {sim::code::kSetState, "set state"},
    {sim::code::kPutStructure, "write structure"},
    {sim::code::kTotalsUpdate, "totals update"},
    {sim::code::kCalToFactory, "keep calibration as factory default"},
};

QString boardName(DemoSession::Board board)
{
    return board == DemoSession::Board::Existing ? QStringLiteral("existing board")
                                                 : QStringLiteral("replacement board");
}

QString cardName(DemoSession::Card card)
{
    return card == DemoSession::Card::OldBoard ? QStringLiteral("the old board's SD card")
                                               : QStringLiteral("the replacement SD card");
}

int filesIn(const QString& folder)
{
    return int(QDir(folder).entryList(QDir::Files).size());
}

QToolButton* buttonFor(QAction* action)
{
    auto* button = new QToolButton;
    button->setDefaultAction(action);
    button->setObjectName(action->objectName() + QStringLiteral("Btn"));
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    return button;
}

// A switch as a check box that follows its action both ways, so the menu, a test's trigger and
// a click all show the same state.
QCheckBox* checkBoxFor(QAction* action)
{
    auto* box = new QCheckBox(action->text());
    box->setObjectName(action->objectName() + QStringLiteral("Box"));
    box->setChecked(action->isChecked());
    QObject::connect(box, &QCheckBox::clicked, action, [action, box](bool checked) {
        if (action->isChecked() != checked)
            action->trigger();
        box->setChecked(action->isChecked());
    });
    QObject::connect(action, &QAction::toggled, box, &QCheckBox::setChecked);
    return box;
}

QLabel* stateLabel(const QString& name)
{
    auto* label = new QLabel;
    label->setObjectName(name);
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

} // namespace

SimulationBench::SimulationBench(DemoSession& session, Operator& op, DemoClock* clock, QWidget* parent)
    : QWidget(parent, Qt::Window), m_session(session), m_op(op), m_clock(clock)
{
    setObjectName(QStringLiteral("SimulationBench"));
    setWindowTitle(QStringLiteral("Q7 Simulation Bench"));
    // The program ends with its main window, whatever the bench shows.
    setAttribute(Qt::WA_QuitOnClose, false);

    // The menu says it in full; on the bench the group around a button says the rest.
    m_toReplacement =
        addCommand(QStringLiteral("SwapToReplacement"), QStringLiteral("Swap to replacement board"),
                   QStringLiteral("Replacement board"));
    m_toExisting = addCommand(QStringLiteral("SwapToExisting"), QStringLiteral("Swap to existing board"),
                              QStringLiteral("Existing board"));
    m_insertOld = addCommand(QStringLiteral("InsertOldCard"), QStringLiteral("Insert old board's SD card"),
                             QStringLiteral("Old board's card"));
    m_insertNew =
        addCommand(QStringLiteral("InsertReplacementCard"), QStringLiteral("Insert replacement SD card"),
                   QStringLiteral("Replacement card"));
    m_removeCard = addCommand(QStringLiteral("RemoveCard"), QStringLiteral("Remove SD card"),
                              QStringLiteral("Take out"));
    m_insertCamera = addCommand(QStringLiteral("InsertCameraCard"), QStringLiteral("Insert camera card"),
                                QStringLiteral("Insert"));
    m_removeCamera = addCommand(QStringLiteral("RemoveCameraCard"), QStringLiteral("Remove camera card"),
                                QStringLiteral("Take out"));
    m_silent = addSwitch(QStringLiteral("FaultSilent"), QStringLiteral("Stops answering"));
    m_refuse = addSwitch(QStringLiteral("FaultRefuse"), QStringLiteral("Refuses the command"));
    m_corruptAll =
        addSwitch(QStringLiteral("FaultCorruptAll"), QStringLiteral("Corrupts every frame it sends"));
    m_noisy = addSwitch(QStringLiteral("FaultNoisy"),
                        QStringLiteral("Noisy line: one frame in %1 corrupted").arg(kNoisyShare));
    m_slowReboot = addSwitch(QStringLiteral("FaultSlowReboot"),
                             QStringLiteral("Reboots slowly (deaf for %1 s)").arg(kSlowRebootMs / 1000));
    m_slowReboot->setToolTip(QStringLiteral("Longer than the program waits for a reboot"));
    m_show = new QAction(QStringLiteral("Simulation Bench"), this);
    m_show->setObjectName(QStringLiteral("ShowSimulationBench"));

    m_refused = new QComboBox;
    m_refused->setObjectName(QStringLiteral("RefusedCommand"));
    m_refused->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_refused->setMinimumContentsLength(12);
    for (const RefusableCommand& command : kRefusable)
        m_refused->addItem(QStringLiteral("%1 (%2)").arg(command.code).arg(QLatin1String(command.name)),
                           int(command.code));

    m_cable = stateLabel(QStringLiteral("CableState"));
    m_reader = stateLabel(QStringLiteral("ReaderState"));
    m_camera = stateLabel(QStringLiteral("CameraState"));
    m_status = stateLabel(QStringLiteral("BenchStatus"));
    m_status->setFrameShape(QFrame::StyledPanel);
    m_status->setMinimumHeight(fontMetrics().height() * 3);

    auto* layout = new QVBoxLayout(this);
    const auto group = [layout](const QString& title, QLabel* state,
                                std::initializer_list<QAction*> actions) {
        auto* box = new QGroupBox(title);
        auto* column = new QVBoxLayout(box);
        column->addWidget(state);
        auto* row = new QHBoxLayout;
        for (QAction* action : actions)
            row->addWidget(buttonFor(action));
        column->addLayout(row);
        layout->addWidget(box);
        return box;
    };
    group(QStringLiteral("Cable to the PC"), m_cable, {m_toExisting, m_toReplacement});
    group(QStringLiteral("PC's SD card reader"), m_reader, {m_insertOld, m_insertNew, m_removeCard});
    group(QStringLiteral("Camera card"), m_camera, {m_insertCamera, m_removeCamera});

    auto* faults = new QGroupBox;
    faults->setObjectName(QStringLiteral("FaultsBox"));
    m_faultsOf = stateLabel(QStringLiteral("FaultsOf"));
    auto* faultColumn = new QVBoxLayout(faults);
    faultColumn->addWidget(m_faultsOf);
    faultColumn->addWidget(checkBoxFor(m_silent));
    auto* refuseRow = new QHBoxLayout;
    refuseRow->addWidget(checkBoxFor(m_refuse));
    refuseRow->addWidget(m_refused, 1);
    faultColumn->addLayout(refuseRow);
    for (QAction* fault : {m_corruptAll, m_noisy, m_slowReboot})
        faultColumn->addWidget(checkBoxFor(fault));
    layout->addWidget(faults);

    if (m_clock) {
        m_fastWaits = addSwitch(QStringLiteral("FastWaits"),
                                QStringLiteral("Shorten fixed waits (reboot, settle times)"));
        m_fastWaits->setChecked(m_clock->fast());
        auto* program = new QGroupBox(QStringLiteral("Program"));
        (new QVBoxLayout(program))->addWidget(checkBoxFor(m_fastWaits));
        layout->addWidget(program);
        connect(m_fastWaits, &QAction::triggered, this, [this](bool fast) {
            m_clock->setFast(fast);
            report(
                fast ? QStringLiteral("Fixed waits shortened: the program skips its reboot and settle waits")
                     : QStringLiteral("Fixed waits take their real time again"));
        });
    }
    layout->addWidget(m_status);

    connect(m_toReplacement, &QAction::triggered, this, [this] {
        m_session.swapTo(DemoSession::Board::Replacement);
        report(QStringLiteral("The replacement board is now behind the cable"));
    });
    connect(m_toExisting, &QAction::triggered, this, [this] {
        m_session.swapTo(DemoSession::Board::Existing);
        report(QStringLiteral("The existing board is now behind the cable"));
    });
    const auto insert = [this](DemoSession::Card card) {
        m_session.insertCard(card);
        report(QStringLiteral("SD card in the PC's reader: %1").arg(cardName(card)));
    };
    connect(m_insertOld, &QAction::triggered, this, [insert] { insert(DemoSession::Card::OldBoard); });
    connect(m_insertNew, &QAction::triggered, this, [insert] { insert(DemoSession::Card::Replacement); });
    connect(m_removeCard, &QAction::triggered, this, [this] {
        m_session.removeCards();
        report(QStringLiteral("SD card taken out of the PC"));
    });
    connect(m_insertCamera, &QAction::triggered, this, [this] {
        QString error;
        report(m_session.insertCameraCard(&error)
                   ? QStringLiteral("Camera card inserted: %1 photographs in %2")
                         .arg(DemoSession::kCameraPhotos)
                         .arg(QDir::toNativeSeparators(m_session.cameraFolder()))
                   : error);
    });
    connect(m_removeCamera, &QAction::triggered, this, [this] {
        report(m_session.removeCameraCard() ? QStringLiteral("Camera card taken out")
                                            : QStringLiteral("Cannot take out the camera card %1")
                                                  .arg(QDir::toNativeSeparators(m_session.cameraFolder())));
    });

    const auto board = [this] { return QStringLiteral("The ") + boardName(m_session.board()); };
    connect(m_silent, &QAction::triggered, this, [this, board](bool on) {
        applyFaults();
        report(board() + (on ? QStringLiteral(" stops answering") : QStringLiteral(" answers again")));
    });
    const auto refusal = [this, board] {
        applyFaults();
        report(m_refuse->isChecked()
                   ? board() + QStringLiteral(" refuses command %1").arg(m_refused->currentText())
                   : board() + QStringLiteral(" accepts every command again"));
    };
    connect(m_refuse, &QAction::triggered, this, refusal);
    connect(m_refused, &QComboBox::activated, this, [this, refusal] {
        if (m_refuse->isChecked())
            refusal();
    });
    // One checksum fault at a time: every frame, or a share of them.
    connect(m_corruptAll, &QAction::triggered, this, [this, board](bool on) {
        if (on)
            m_noisy->setChecked(false);
        applyFaults();
        report(board() + (on ? QStringLiteral(" corrupts every frame it sends")
                             : QStringLiteral(" sends good frames again")));
    });
    connect(m_noisy, &QAction::triggered, this, [this, board](bool on) {
        if (on)
            m_corruptAll->setChecked(false);
        applyFaults();
        report(board() +
               (on ? QStringLiteral(" is on a noisy line: one frame in %1 arrives corrupted").arg(kNoisyShare)
                   : QStringLiteral(" sends good frames again")));
    });
    connect(m_slowReboot, &QAction::triggered, this, [this, board](bool on) {
        m_session.setRebootSilenceMs(on ? kSlowRebootMs : sim::BoardModel().rebootSilenceMs);
        report(board() +
               QStringLiteral(" is deaf for %1 s after a reboot").arg(m_session.rebootSilenceMs() / 1000));
    });
    connect(m_show, &QAction::triggered, this, [this] {
        show();
        raise();
        activateWindow();
    });

    // The program writes the replacement card while the bench only watches.
    auto* cards = new QFileSystemWatcher(this);
    for (DemoSession::Card card : {DemoSession::Card::OldBoard, DemoSession::Card::Replacement})
        cards->addPath(m_session.cardFolder(card));
    connect(cards, &QFileSystemWatcher::directoryChanged, this, &SimulationBench::refresh);

    qApp->installEventFilter(this);
    refresh();
    report(m_session.describe());
}

SimulationBench::~SimulationBench()
{
    qApp->removeEventFilter(this);
}

QAction* SimulationBench::addCommand(const QString& name, const QString& text, const QString& buttonText)
{
    auto* action = new QAction(text, this);
    action->setObjectName(name);
    if (!buttonText.isEmpty())
        action->setIconText(buttonText);
    return action;
}

QAction* SimulationBench::addSwitch(const QString& name, const QString& text)
{
    QAction* action = addCommand(name, text);
    action->setCheckable(true);
    return action;
}

void SimulationBench::addMenuTo(QMainWindow& window)
{
    QMenu* menu = window.menuBar()->addMenu(QStringLiteral("Simulation"));
    menu->setObjectName(QStringLiteral("SimulationMenu"));
    menu->addActions({m_toReplacement, m_toExisting});
    menu->addSeparator();
    menu->addActions({m_insertOld, m_insertNew, m_removeCard});
    menu->addSeparator();
    menu->addActions({m_insertCamera, m_removeCamera});
    menu->addSeparator();
    menu->addAction(m_show);
}

void SimulationBench::placeBeside(QWidget& window)
{
    // The pair centred where the program alone would be, so neither hides the other.
    constexpr int kGap = 12;
    const QScreen* screen = window.screen();
    const QRect room = screen ? screen->availableGeometry() : QRect();
    QRect main = window.frameGeometry();
    const int width = frameGeometry().width();
    if (room.isValid()) {
        const int left = std::max(room.left(), room.center().x() - (main.width() + kGap + width) / 2);
        window.move(window.pos() + QPoint(left - main.left(), 0));
        main = window.frameGeometry();
    }
    int x = main.right() + kGap;
    if (room.isValid() && x + width > room.right())
        x = std::max(room.left(), room.right() - width);
    move(x, std::max(room.top(), main.center().y() - frameGeometry().height() / 2));
}

void SimulationBench::report(const QString& text)
{
    refresh();
    m_status->setText(text);
    m_op.setStatus(QStringLiteral("Bench: ") + text);
}

void SimulationBench::refresh()
{
    const DemoSession::Board board = m_session.board();
    m_cable->setText(QStringLiteral("Behind the cable: the %1, on %2")
                         .arg(boardName(board), QDir::toNativeSeparators(m_session.devicePath())));
    m_toReplacement->setEnabled(board == DemoSession::Board::Existing);
    m_toExisting->setEnabled(board == DemoSession::Board::Replacement);

    const std::optional<DemoSession::Card> card = m_session.insertedCard();
    m_reader->setText(card ? QStringLiteral("In the reader: %1 (%2 files)")
                                 .arg(cardName(*card))
                                 .arg(filesIn(m_session.cardFolder(*card)))
                           : QStringLiteral("The reader is empty"));
    m_insertOld->setEnabled(card != DemoSession::Card::OldBoard);
    m_insertNew->setEnabled(card != DemoSession::Card::Replacement);
    m_removeCard->setEnabled(card.has_value());

    const bool camera = m_session.cameraCardInserted();
    m_camera->setText(camera ? QStringLiteral("In the PC: %1 photographs in %2")
                                   .arg(filesIn(m_session.cameraFolder()))
                                   .arg(QDir::toNativeSeparators(m_session.cameraFolder()))
                             : QStringLiteral("Out of the PC"));
    m_insertCamera->setEnabled(!camera);
    m_removeCamera->setEnabled(camera);

    // The switches show the faults of the board now on the cable; the other keeps its own.
    const sim::BoardFaults faults = m_session.faults();
    if (auto* box = findChild<QGroupBox*>(QStringLiteral("FaultsBox")))
        box->setTitle(QStringLiteral("Faults of the %1 (behind the cable)").arg(boardName(board)));
    m_silent->setChecked(faults.silent);
    m_refuse->setChecked(!faults.refuse.isEmpty());
    if (!faults.refuse.isEmpty()) {
        const int at = m_refused->findData(*faults.refuse.cbegin());
        if (at >= 0)
            m_refused->setCurrentIndex(at);
    }
    m_corruptAll->setChecked(faults.corruptEvery == 1);
    m_noisy->setChecked(faults.corruptEvery == kNoisyShare);
    m_slowReboot->setChecked(m_session.rebootSilenceMs() >= kSlowRebootMs);
    const bool any =
        faults.silent || !faults.refuse.isEmpty() || faults.corruptEvery > 0 || m_slowReboot->isChecked();
    m_faultsOf->setText(
        any ? QStringLiteral("For training: the %1 misbehaves as ticked below").arg(boardName(board))
            : QStringLiteral("The %1 behaves as a sound board does").arg(boardName(board)));
}

void SimulationBench::applyFaults()
{
    sim::BoardFaults faults = m_session.faults();
    faults.silent = m_silent->isChecked();
    faults.refuse.clear();
    if (m_refuse->isChecked())
        faults.refuse.insert(m_refused->currentData().toInt());
    faults.corruptEvery = m_corruptAll->isChecked() ? 1 : m_noisy->isChecked() ? kNoisyShare : 0;
    m_session.setFaults(faults);
}

bool SimulationBench::eventFilter(QObject* watched, QEvent* event)
{
    if ((event->type() == QEvent::Show || event->type() == QEvent::Hide) && watched->isWidgetType() &&
        watched != this) {
        auto* widget = static_cast<QWidget*>(watched);
        if (widget->isWindow() && widget->isModal()) {
            if (event->type() == QEvent::Show) {
                keepUsableOver(widget);
                showCameraIn(widget);
            } else {
                // The modal is still listed while it hides; the one under it, if any, is known
                // once it has gone.
                QTimer::singleShot(0, this, [this] { keepUsableOver(QApplication::activeModalWidget()); });
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

void SimulationBench::keepUsableOver(QWidget* modal)
{
    // A modal window blocks every window but those that belong to it; the bench belongs to the
    // modal of the moment, so the technician can do what its question asks for.
    QWindow* own = windowHandle();
    if (!own)
        return;
    QWindow* over = modal && modal != this      ? modal->windowHandle()
                    : parentWidget() != nullptr ? parentWidget()->window()->windowHandle()
                                                : nullptr;
    if (own->transientParent() != over)
        own->setTransientParent(over);
}

void SimulationBench::showCameraIn(QWidget* fileDialog) const
{
    // As a desktop lists a mounted card among the file dialog's places and opens on it.
    auto* dialog = qobject_cast<QFileDialog*>(fileDialog);
    if (!dialog || !m_session.cameraCardInserted())
        return;
    const QUrl camera = QUrl::fromLocalFile(m_session.cameraFolder());
    QList<QUrl> places = dialog->sidebarUrls();
    if (!places.contains(camera))
        dialog->setSidebarUrls(places << camera);
    dialog->setDirectory(m_session.cameraFolder());
}
