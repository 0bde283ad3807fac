#pragma once

#include "BoardFaults.h"
#include "BoardModel.h"
#include "FileStreamer.h"
#include "RequestReceiver.h"

#include <QByteArray>
#include <QList>

#include <cstdint>

namespace sim {

// The board's answers: takes one request the line delivered and returns the frames the board
// sends back, acting on the board model as it goes (commands, registers, the file streamer).
// It knows nothing of the line, its timing or its faults beyond what changes an answer; the
// caller owns the model, the faults and the streamer and must hold them while it serves.
class CommandServer
{
public:
    struct Frame
    {
        Request::Framing framing = Request::Framing::Kalder;
        uint8_t typeOrFunction = 0;
        QByteArray payload;
    };
    struct Answer
    {
        QList<Frame> frames;
        // The board restarts once these frames are out: the line goes deaf for the model's
        // reboot silence and any half-received request is lost.
        bool rebooted = false;
    };

    CommandServer(BoardModel& model, const BoardFaults& faults, FileStreamer& streamer);

    Answer serve(const Request& request);

private:
    void handleCommand(const QByteArray& payload);
    QByteArray modbusAnswer(uint8_t function, const QByteArray& data, uint8_t& replyFunction);
    void replyKalder(uint8_t command, const QByteArray& results, bool accepted = true);
    void refuse(uint8_t command) { replyKalder(command, {}, false); }
    QByteArray fileContent(uint8_t command, const QByteArray& args, bool& found) const;

    BoardModel& m_model;
    const BoardFaults& m_faults;
    FileStreamer& m_streamer;
    QList<Frame> m_frames;
    bool m_rebooted = false;
};

} // namespace sim
