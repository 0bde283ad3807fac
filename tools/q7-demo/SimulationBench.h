#pragma once

#include <QString>
#include <QWidget>

class DemoClock;
class DemoSession;
class Operator;
class QAction;
class QComboBox;
class QLabel;
class QMainWindow;

// The technician's hands on a rehearsal, in a window of its own beside the main window: which
// board is behind the cable, which card is in the PC's reader, the camera card, and faults of
// the board behind the cable for training. Every command says what it did on the bench's own
// line and on the program's status line.
//
// The program's questions wait in modal boxes for the technician to do something first ("Replace
// Existing Q7 board ... Press OK to continue"), so the bench stays usable while one is open.
class SimulationBench : public QWidget
{
    Q_OBJECT

public:
    // clock: the program's clock, when its fixed waits may be shortened from here; null: the
    // switch is not offered.
    SimulationBench(DemoSession& session, Operator& op, DemoClock* clock = nullptr,
                    QWidget* parent = nullptr);
    ~SimulationBench() override;

    // The "Simulation" menu at the end of the window's menu bar: the bench's hardware commands
    // and one that brings the bench back.
    void addMenuTo(QMainWindow& window);
    // Beside window, the two side by side as far as the screen allows (window moves over).
    void placeBeside(QWidget& window);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // buttonText: the bench button's shorter text; text in the menu.
    QAction* addCommand(const QString& name, const QString& text, const QString& buttonText = {});
    QAction* addSwitch(const QString& name, const QString& text);
    void report(const QString& text);
    // Shows the session's state: the board, the cards, the switches of the board now on the cable.
    void refresh();
    // The switches' faults onto the board behind the cable.
    void applyFaults();
    void keepUsableOver(QWidget* modal);
    void showCameraIn(QWidget* fileDialog) const;

    DemoSession& m_session;
    Operator& m_op;
    DemoClock* m_clock;

    QAction* m_toReplacement = nullptr;
    QAction* m_toExisting = nullptr;
    QAction* m_insertOld = nullptr;
    QAction* m_insertNew = nullptr;
    QAction* m_removeCard = nullptr;
    QAction* m_insertCamera = nullptr;
    QAction* m_removeCamera = nullptr;
    QAction* m_silent = nullptr;
    QAction* m_refuse = nullptr;
    QAction* m_corruptAll = nullptr;
    QAction* m_noisy = nullptr;
    QAction* m_slowReboot = nullptr;
    QAction* m_fastWaits = nullptr;
    QAction* m_show = nullptr;
    QComboBox* m_refused = nullptr;

    QLabel* m_cable = nullptr;
    QLabel* m_reader = nullptr;
    QLabel* m_camera = nullptr;
    QLabel* m_faultsOf = nullptr;
    QLabel* m_status = nullptr;
};
