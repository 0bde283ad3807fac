#pragma once

#include "BoardFaults.h"
#include "BoardModel.h"
#include "CommandServer.h"
#include "FileStreamer.h"
#include "RequestReceiver.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace sim {

// One frame on the line, as the board saw or sent it.
struct WireRecord
{
    enum class Direction
    {
        ToBoard,
        FromBoard
    };
    Direction direction = Direction::ToBoard;
    Request::Framing framing = Request::Framing::Kalder;
    QByteArray bytes;
    qint64 atMs = 0;        // since the board was started
    bool checksumOk = true; // to the board: as received; from the board: false when corrupted on purpose
    bool dropped = false;   // from the board: never reached the line (fault knob)
    bool ignored = false;   // to the board: arrived while it was rebooting
};

// A Q7 board behind a cable: it serves a pseudo-terminal, and the program under test opens
// the terminal's device path with its ordinary serial code. The board runs on its own
// thread; everything here may be called from any thread.
class SimulatedBoard
{
public:
    explicit SimulatedBoard(BoardModel model = BoardModel::existing());
    ~SimulatedBoard();
    SimulatedBoard(const SimulatedBoard&) = delete;
    SimulatedBoard& operator=(const SimulatedBoard&) = delete;

    bool start(QString* error = nullptr);
    void stop();
    bool isRunning() const { return m_thread.joinable(); }
    QString devicePath() const { return m_devicePath; }
    // A symbolic link to the device path, for a fixed name; replaced if it exists.
    bool createLink(const QString& linkPath, QString* error = nullptr);

    // The technician exchanges the board: a different board answers on the same cable.
    void swapBoard(BoardModel model);
    BoardModel model() const;
    void editModel(const std::function<void(BoardModel&)>& edit);

    BoardFaults faults() const;
    void setFaults(const BoardFaults& faults);

    QList<WireRecord> wireLog() const;
    void clearWireLog();
    // The records logged since the last call, removed from the log: for a long-running board.
    QList<WireRecord> takeWireLog();
    // The Kalder frames the PC sent, unstuffed payloads keyed by type; handy for assertions.
    QList<Request> requestsReceived() const;

private:
    void run();
    void readLine();
    void handle(const Request& request);
    // Every frame leaves through here, so the fault knobs see all of them.
    void emitFrame(Request::Framing framing, uint8_t typeOrFunction, const QByteArray& payload);
    void enqueue(const QByteArray& bytes);
    void flushDue();
    qint64 nowUs() const;
    void log(WireRecord record);

    mutable std::mutex m_mutex;
    BoardModel m_model;
    BoardFaults m_faults;
    FileStreamer m_streamer;
    RequestReceiver m_receiver;
    CommandServer m_server; // after the model, faults and streamer it serves over
    QList<WireRecord> m_wireLog;
    QList<Request> m_requests;
    int m_framesSent = 0;

    struct Chunk
    {
        qint64 dueUs;
        QByteArray bytes;
    };
    std::deque<Chunk> m_out;
    qint64 m_lineFreeAtUs = 0;
    qint64 m_deafUntilUs = 0;
    qint64 m_lastByteUs = 0;

    int m_master = -1;
    int m_slave = -1;
    int m_wake[2] = {-1, -1};
    QString m_devicePath;
    std::thread m_thread;
    std::atomic<bool> m_stopping{false};
    qint64 m_startUs = 0;
};

} // namespace sim
