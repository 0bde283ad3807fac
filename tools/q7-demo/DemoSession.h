#pragma once

#include "BoardModel.h"
#include "ManualVolumeWatch.h"

#include <QString>

#include <array>
#include <memory>

class Operator;
class QMainWindow;

namespace sim {
class SimulatedBoard;
}

// The hardware of a training or development session without a Q7 board: one simulated board
// behind a pseudo-terminal (the cable), and two folders that stand for SD cards, reported
// through a hand-driven volume watch. The program is handed the terminal's device path as
// one more port and otherwise cannot tell it from a real cable.
class DemoSession
{
public:
    enum class Board
    {
        Existing,
        Replacement
    };
    enum class Card
    {
        OldBoard,
        Replacement
    };

    // root: the demo's own data location, kept apart from the real site data.
    explicit DemoSession(QString root);
    ~DemoSession();
    DemoSession(const DemoSession&) = delete;
    DemoSession& operator=(const DemoSession&) = delete;

    // The per-user data folder's "Q7UpgradeUtility-demo"; empty when the platform has none.
    static QString defaultRoot();

    // Makes the cards (the old board's with the board's logs on it, the replacement one
    // empty) and starts the existing board on the cable.
    bool start(QString* error = nullptr);

    QString root() const { return m_root; }
    QString devicePath() const;
    QString cardFolder(Card card) const;
    Board board() const { return m_current; }
    ManualVolumeWatch& volumes() { return m_volumes; }

    // The technician exchanges the board; what was done to the one taken out stays with it.
    void swapTo(Board board);
    void insertCard(Card card);
    void removeCards();

    // One line for the status line: which device the simulated board serves.
    QString describe() const;

    // The "Simulation" menu at the end of the window's menu bar; its commands report on the
    // status line through op.
    void addSimulationMenu(QMainWindow& window, Operator& op);

private:
    QString m_root;
    std::array<sim::BoardModel, 2> m_models;
    Board m_current = Board::Existing;
    std::unique_ptr<sim::SimulatedBoard> m_board;
    ManualVolumeWatch m_volumes;
};
