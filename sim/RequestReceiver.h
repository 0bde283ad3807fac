#pragma once

#include <QByteArray>

#include <cstdint>
#include <optional>

namespace sim {

// One request as the board received it.
struct Request
{
    enum class Framing
    {
        Kalder,
        Ascii,
        Rtu
    };
    Framing framing = Framing::Kalder;
    QByteArray wire; // the bytes as they came over the line
    bool checksumOk = false;
    uint8_t address = 0;
    uint8_t type = 0; // Kalder only
    // Kalder: the payload (command byte first). Modbus: function code, then its data.
    QByteArray payload;
};

// Sorts the bytes the PC sends into requests, without knowing beforehand which of the
// three framings comes next: DLE STX opens a Kalder frame, ':' an ASCII frame, the node
// address an RTU frame (complete when its function's length is reached, or at silence).
class RequestReceiver
{
public:
    // Feed one byte; returns a request when this byte completed one.
    std::optional<Request> feed(uint8_t byte);
    // The line has been silent for a while: an RTU frame of unknown length ends here, and a
    // half-received Kalder or ASCII frame is given up.
    std::optional<Request> silence();
    bool midFrame() const { return m_state != State::Idle; }
    bool collectingRtu() const { return m_state == State::Rtu; }
    void reset();

private:
    enum class State
    {
        Idle,
        DleSeen,
        Kalder,
        KalderDle,
        Ascii,
        AsciiCr,
        Rtu
    };

    std::optional<Request> finishKalder();
    std::optional<Request> finishAscii();
    std::optional<Request> finishRtu();
    int rtuExpectedLength() const;

    // No request of the PC comes near this; anything longer is line noise.
    static constexpr qsizetype kMaxFrame = 1200;

    State m_state = State::Idle;
    QByteArray m_wire;
    QByteArray m_body;
};

} // namespace sim
