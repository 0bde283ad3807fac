#pragma once

#include "BoardFaults.h"
#include "BoardModel.h"
#include "ManualVolumeWatch.h"

#include <QString>

#include <array>
#include <memory>
#include <optional>

namespace sim {
class SimulatedBoard;
}

// The hardware of a training or development session without a Q7 board: one simulated board
// behind a pseudo-terminal (the cable), two folders that stand for SD cards, reported through
// a hand-driven volume watch, and a camera card with a few photographs. The program is handed
// the terminal's device path as one more port and otherwise cannot tell it from a real cable.
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

    // The technician exchanges the board; what was done to the one taken out stays with it,
    // its faults included.
    void swapTo(Board board);
    void insertCard(Card card);
    void removeCards();
    // The card in the PC's reader; nullopt when the reader is empty.
    std::optional<Card> insertedCard() const;

    // What the board behind the cable holds now.
    sim::BoardModel model() const;

    // The faults of the board behind the cable (a fault is the board's, so it leaves with it).
    sim::BoardFaults faults() const;
    void setFaults(const sim::BoardFaults& faults);
    // How long the board behind the cable stays deaf after a reboot command.
    int rebootSilenceMs() const;
    void setRebootSilenceMs(int ms);

    // The camera's memory card, a folder apart from the SD-card reader: inserting it puts a
    // few freshly made photographs on it, taking it out removes the folder. False when the
    // folder could not be made or removed.
    QString cameraFolder() const;
    bool insertCameraCard(QString* error = nullptr);
    bool removeCameraCard();
    bool cameraCardInserted() const;
    static constexpr int kCameraPhotos = 3;

    // One line for the status line: which device the simulated board serves.
    QString describe() const;

private:
    QString m_root;
    std::array<sim::BoardModel, 2> m_models;
    std::array<sim::BoardFaults, 2> m_faults;
    Board m_current = Board::Existing;
    std::unique_ptr<sim::SimulatedBoard> m_board;
    ManualVolumeWatch m_volumes;
};
