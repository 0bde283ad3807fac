#include "RequestReceiver.h"

#include "BoardWire.h"
#include "Bytes.h"

#include <cctype>

namespace sim {

void RequestReceiver::reset()
{
    m_state = State::Idle;
    m_wire.clear();
    m_body.clear();
}

std::optional<Request> RequestReceiver::feed(uint8_t byte)
{
    using namespace wire;
    if (m_state != State::Idle)
        m_wire.append(char(byte));
    if (m_wire.size() > kMaxFrame) {
        reset();
        return std::nullopt;
    }
    switch (m_state) {
    case State::Idle:
        if (byte == kDle) {
            m_wire = QByteArray(1, char(byte));
            m_state = State::DleSeen;
        } else if (byte == ':') {
            m_wire = QByteArray(1, char(byte));
            m_state = State::Ascii;
        } else if (byte == kNodeAddress) {
            m_wire = QByteArray(1, char(byte));
            m_body = m_wire;
            m_state = State::Rtu;
        }
        return std::nullopt;
    case State::DleSeen:
        if (byte == kStx) {
            m_body.clear();
            m_state = State::Kalder;
        } else {
            reset();
        }
        return std::nullopt;
    case State::Kalder:
        if (byte == kDle)
            m_state = State::KalderDle;
        else
            m_body.append(char(byte));
        return std::nullopt;
    case State::KalderDle:
        if (byte == kEtx) {
            auto r = finishKalder();
            reset();
            return r;
        }
        if (byte == kStuff) {
            m_body.append(char(kDle));
            m_state = State::Kalder;
        } else if (byte == kStx) {
            // A fresh frame began inside a broken one: resynchronise on it.
            m_wire = QByteArray("\x10\x02", 2);
            m_body.clear();
            m_state = State::Kalder;
        } else {
            reset();
        }
        return std::nullopt;
    case State::Ascii:
        // ASCII frames are printable: a control byte or a fresh ':' means the frame was cut
        // short (a port closed mid-write) and something new begins.
        if (byte == '\r') {
            m_state = State::AsciiCr;
        } else if (byte == kDle || byte == ':') {
            reset();
            return feed(byte);
        }
        return std::nullopt;
    case State::AsciiCr:
        if (byte == '\n') {
            auto r = finishAscii();
            reset();
            return r;
        }
        reset();
        return std::nullopt;
    case State::Rtu: {
        m_body.append(char(byte));
        const int expected = rtuExpectedLength();
        if (expected > 0 && m_body.size() >= expected) {
            auto r = finishRtu();
            reset();
            return r;
        }
        return std::nullopt;
    }
    }
    return std::nullopt;
}

std::optional<Request> RequestReceiver::silence()
{
    std::optional<Request> r;
    if (m_state == State::Rtu && m_body.size() >= 4)
        r = finishRtu();
    reset();
    return r;
}

int RequestReceiver::rtuExpectedLength() const
{
    if (m_body.size() < 2)
        return 0;
    switch (byteAt(m_body, 1)) {
    case 3:
    case 6:
        return 8;
    case 16:
        return m_body.size() >= 7 ? 9 + byteAt(m_body, 6) : 0;
    case 65:
        return 10;
    case 67:
    case 68:
        return 6;
    default:
        return 0; // unknown function: ends at silence
    }
}

std::optional<Request> RequestReceiver::finishKalder()
{
    Request r;
    r.framing = Request::Framing::Kalder;
    r.wire = m_wire;
    if (m_body.size() < 4) {
        r.checksumOk = false;
        return r;
    }
    const auto body = bytesOf(m_body);
    const size_t n = body.size();
    r.address = body[0];
    r.type = body[1];
    r.payload = m_body.mid(2, qsizetype(n) - 4);
    r.checksumOk = wire::kalderCrc(body.first(n - 2)) == readLe16(body, n - 2);
    return r;
}

std::optional<Request> RequestReceiver::finishAscii()
{
    Request r;
    r.framing = Request::Framing::Ascii;
    r.wire = m_wire;
    // ':' + hex pairs + CR LF
    const QByteArray hex = m_wire.mid(1, m_wire.size() - 3);
    QByteArray bytes = QByteArray::fromHex(hex);
    const bool wellFormed = hex.size() % 2 == 0 && bytes.size() * 2 == hex.size() && bytes.size() >= 3;
    if (!wellFormed) {
        r.checksumOk = false;
        return r;
    }
    for (char c : hex) {
        if (!std::isxdigit(static_cast<unsigned char>(c))) {
            r.checksumOk = false;
            return r;
        }
    }
    const auto b = bytesOf(bytes);
    r.address = b[0];
    r.payload = bytes.mid(1, bytes.size() - 2);
    r.checksumOk = wire::lrc(b.first(b.size() - 1)) == b.back();
    return r;
}

std::optional<Request> RequestReceiver::finishRtu()
{
    Request r;
    r.framing = Request::Framing::Rtu;
    r.wire = m_wire;
    const auto b = bytesOf(m_body);
    const size_t n = b.size();
    r.address = b[0];
    r.payload = m_body.mid(1, qsizetype(n) - 3);
    r.checksumOk = n >= 4 && wire::modbusCrc(b.first(n - 2)) == readLe16(b, n - 2);
    return r;
}

} // namespace sim
