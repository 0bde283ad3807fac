#include "DemoSession.h"

#include "AppFolders.h"
#include "Operator.h"
#include "SimulatedBoard.h"

#include <QAction>
#include <QDir>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>

namespace {

size_t index(DemoSession::Board board)
{
    return board == DemoSession::Board::Existing ? 0 : 1;
}

QString boardName(DemoSession::Board board)
{
    return board == DemoSession::Board::Existing ? QStringLiteral("existing") : QStringLiteral("replacement");
}

bool freshFolder(const QString& path, QString* error)
{
    // Only folders this session made are emptied: a replacement card starts blank each run.
    QDir folder(path);
    if ((folder.exists() && !folder.removeRecursively()) || !QDir().mkpath(path)) {
        if (error)
            *error =
                QStringLiteral("Cannot prepare the simulated SD card %1").arg(QDir::toNativeSeparators(path));
        return false;
    }
    return true;
}

} // namespace

DemoSession::DemoSession(QString root)
    : m_root(std::move(root)), m_models{sim::BoardModel::existing(), sim::BoardModel::replacement()}
{
    m_models[0].sdCardDir = cardFolder(Card::OldBoard);
    m_models[1].sdCardDir = cardFolder(Card::Replacement);
}

DemoSession::~DemoSession()
{
    if (m_board)
        m_board->stop();
}

QString DemoSession::defaultRoot()
{
    const QString folder = AppFolders().userDataFolder();
    return folder.isEmpty() ? QString() : folder + QStringLiteral("/Q7UpgradeUtility-demo");
}

QString DemoSession::cardFolder(Card card) const
{
    return m_root + (card == Card::OldBoard ? QStringLiteral("/SD cards/old board")
                                            : QStringLiteral("/SD cards/replacement board"));
}

bool DemoSession::start(QString* error)
{
    if (m_root.isEmpty()) {
        if (error)
            *error = QStringLiteral("There is no per-user data folder for the demo");
        return false;
    }
    if (!freshFolder(cardFolder(Card::OldBoard), error) || !freshFolder(cardFolder(Card::Replacement), error))
        return false;
    // The old board's card as a board in service leaves it: its logs as CSV files.
    if (!m_models[0].fillCard()) {
        if (error)
            *error = QStringLiteral("Cannot write the old board's simulated SD card");
        return false;
    }
    m_current = Board::Existing;
    m_board = std::make_unique<sim::SimulatedBoard>(m_models[0]);
    return m_board->start(error);
}

QString DemoSession::devicePath() const
{
    return m_board ? m_board->devicePath() : QString();
}

void DemoSession::swapTo(Board board)
{
    if (!m_board || board == m_current)
        return;
    m_models[index(m_current)] = m_board->model();
    m_board->swapBoard(m_models[index(board)]);
    m_current = board;
}

void DemoSession::insertCard(Card card)
{
    removeCards();
    m_volumes.insert(cardFolder(card));
}

void DemoSession::removeCards()
{
    for (const QString& root : m_volumes.volumes())
        m_volumes.remove(root);
}

QString DemoSession::describe() const
{
    return QStringLiteral("Simulated %1 Q7 board on %2").arg(boardName(m_current), devicePath());
}

void DemoSession::addSimulationMenu(QMainWindow& window, Operator& op)
{
    QMenu* menu = window.menuBar()->addMenu(QStringLiteral("Simulation"));
    menu->setObjectName(QStringLiteral("SimulationMenu"));
    const auto add = [menu](const QString& name, const QString& text) {
        QAction* item = menu->addAction(text);
        item->setObjectName(name);
        return item;
    };

    QAction* toReplacement =
        add(QStringLiteral("SwapToReplacement"), QStringLiteral("Swap to replacement board"));
    QAction* toExisting = add(QStringLiteral("SwapToExisting"), QStringLiteral("Swap to existing board"));
    menu->addSeparator();
    QAction* insertOld = add(QStringLiteral("InsertOldCard"), QStringLiteral("Insert old board's SD card"));
    QAction* insertNew =
        add(QStringLiteral("InsertReplacementCard"), QStringLiteral("Insert replacement SD card"));
    QAction* remove = add(QStringLiteral("RemoveCard"), QStringLiteral("Remove SD card"));

    const auto showBoard = [this, toReplacement, toExisting] {
        toReplacement->setEnabled(m_current == Board::Existing);
        toExisting->setEnabled(m_current == Board::Replacement);
    };
    showBoard();
    const auto swap = [this, &op, showBoard](Board board) {
        swapTo(board);
        showBoard();
        op.setStatus(describe());
    };
    QObject::connect(toReplacement, &QAction::triggered, &window, [swap] { swap(Board::Replacement); });
    QObject::connect(toExisting, &QAction::triggered, &window, [swap] { swap(Board::Existing); });
    QObject::connect(insertOld, &QAction::triggered, &window, [this, &op] {
        insertCard(Card::OldBoard);
        op.setStatus(QStringLiteral("Simulated SD card inserted: the old board's"));
    });
    QObject::connect(insertNew, &QAction::triggered, &window, [this, &op] {
        insertCard(Card::Replacement);
        op.setStatus(QStringLiteral("Simulated SD card inserted: the replacement's"));
    });
    QObject::connect(remove, &QAction::triggered, &window, [this, &op] {
        removeCards();
        op.setStatus(QStringLiteral("Simulated SD card removed"));
    });
}
