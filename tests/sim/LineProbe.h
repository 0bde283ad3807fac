#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QString>

#include <cstdint>
#include <fcntl.h>
#include <optional>
#include <poll.h>
#include <unistd.h>

// The PC's end of the cable, built by hand for the simulator's tests: plain POSIX calls on
// the terminal and a frame codec of its own (bit-wise CRCs, unlike the board's byte-wise
// ones), so the tests do not share the board's reading of the wire.
namespace probe {

inline uint16_t kermit(const QByteArray& bytes)
{
    uint16_t crc = 0;
    for (char c : bytes) {
        crc ^= uint8_t(c);
        for (int i = 0; i < 8; ++i)
            crc = (crc & 1) ? uint16_t((crc >> 1) ^ 0x8408) : uint16_t(crc >> 1);
    }
    return crc;
}

inline uint16_t crc16(const QByteArray& bytes)
{
    uint16_t crc = 0xFFFF;
    for (char c : bytes) {
        crc ^= uint8_t(c);
        for (int i = 0; i < 8; ++i)
            crc = (crc & 1) ? uint16_t((crc >> 1) ^ 0xA001) : uint16_t(crc >> 1);
    }
    return crc;
}

inline QByteArray kalder(uint8_t type, const QByteArray& payload)
{
    QByteArray body;
    body.append(char(1));
    body.append(char(type));
    body += payload;
    const uint16_t crc = kermit(body);
    body.append(char(crc & 0xFF));
    body.append(char(crc >> 8));
    QByteArray out("\x10\x02", 2);
    for (int i = 0; i < body.size(); ++i) {
        out.append(body[i]);
        if (uint8_t(body[i]) == 0x10 && i != 1)
            out.append(char(0x90));
    }
    out.append("\x10\x03", 2);
    return out;
}

inline QByteArray request(uint8_t command, const QByteArray& args = {})
{
    return kalder(0x80, QByteArray(1, char(command)) + args);
}

inline QByteArray ascii(const QByteArray& addressFunctionData)
{
    uint8_t sum = 0;
    for (char c : addressFunctionData)
        sum = uint8_t(sum + uint8_t(c));
    return ":" + (addressFunctionData + QByteArray(1, char(uint8_t(-sum)))).toHex().toUpper() + "\r\n";
}

inline QByteArray rtu(const QByteArray& addressFunctionData)
{
    const uint16_t crc = crc16(addressFunctionData);
    return addressFunctionData + QByteArray(1, char(crc & 0xFF)) + QByteArray(1, char(crc >> 8));
}

struct Frame
{
    QByteArray wire;
    uint8_t type = 0;
    QByteArray payload; // for a reply: accepted byte, echoed command, results
    bool crcOk = false;
    QByteArray before; // bytes that came ahead of the frame
};

class Line
{
public:
    explicit Line(const QString& path)
    {
        m_fd = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    }
    ~Line()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    bool isOpen() const { return m_fd >= 0; }

    void send(const QByteArray& bytes)
    {
        qsizetype done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(m_fd, bytes.constData() + done, size_t(bytes.size() - done));
            if (n > 0)
                done += n;
            else
                waitFor(POLLOUT, 10);
        }
    }

    // Whatever arrives within ms, or until n bytes are in.
    QByteArray read(int ms, qsizetype n = -1)
    {
        QElapsedTimer t;
        t.start();
        while ((n < 0 || m_pending.size() < n) && t.elapsed() < ms) {
            if (waitFor(POLLIN, int(ms - t.elapsed())))
                pull();
        }
        const QByteArray out = n < 0 ? m_pending : m_pending.left(n);
        m_pending.remove(0, out.size());
        return out;
    }

    // The next Kalder frame (DLE STX ... DLE ETX), unstuffed and CRC-checked.
    std::optional<Frame> kalderFrame(int ms = 2000)
    {
        QElapsedTimer t;
        t.start();
        for (;;) {
            if (auto f = takeKalder())
                return f;
            if (t.elapsed() >= ms)
                return std::nullopt;
            if (waitFor(POLLIN, int(ms - t.elapsed())))
                pull();
        }
    }

    std::optional<QByteArray> asciiFrame(int ms = 2000)
    {
        QElapsedTimer t;
        t.start();
        for (;;) {
            const qsizetype start = m_pending.indexOf(':');
            const qsizetype end = start < 0 ? -1 : m_pending.indexOf("\r\n", start);
            if (end >= 0) {
                const QByteArray f = m_pending.mid(start, end + 2 - start);
                m_pending.remove(0, end + 2);
                return f;
            }
            if (t.elapsed() >= ms)
                return std::nullopt;
            if (waitFor(POLLIN, int(ms - t.elapsed())))
                pull();
        }
    }

    QByteArray pending() const { return m_pending; }

private:
    bool waitFor(short events, int ms)
    {
        pollfd p{m_fd, events, 0};
        return ::poll(&p, 1, ms < 0 ? 0 : ms) > 0;
    }

    void pull()
    {
        char buf[1024];
        ssize_t n;
        while ((n = ::read(m_fd, buf, sizeof buf)) > 0)
            m_pending.append(buf, n);
    }

    std::optional<Frame> takeKalder()
    {
        const qsizetype start = m_pending.indexOf("\x10\x02");
        if (start < 0)
            return std::nullopt;
        QByteArray body;
        for (qsizetype i = start + 2; i + 1 < m_pending.size(); ++i) {
            const uint8_t b = uint8_t(m_pending[i]);
            if (b != 0x10 || i == start + 3) { // the type byte is never stuffed
                body.append(char(b));
                continue;
            }
            const uint8_t next = uint8_t(m_pending[i + 1]);
            if (next == 0x90) {
                body.append(char(0x10));
                ++i;
            } else if (next == 0x03) {
                Frame f;
                f.before = m_pending.left(start);
                f.wire = m_pending.mid(start, i + 2 - start);
                m_pending.remove(0, i + 2);
                if (body.size() < 4)
                    return f;
                f.type = uint8_t(body[1]);
                f.payload = body.mid(2, body.size() - 4);
                const uint16_t crc =
                    uint16_t(uint8_t(body[body.size() - 2]) | uint8_t(body[body.size() - 1]) << 8);
                f.crcOk = kermit(body.left(body.size() - 2)) == crc;
                return f;
            } else {
                Frame bad; // a DLE that is neither stuffing nor the end: malformed
                bad.wire = m_pending.mid(start, i + 2 - start);
                m_pending.remove(0, i + 2);
                return bad;
            }
        }
        return std::nullopt;
    }

    int m_fd = -1;
    QByteArray m_pending;
};

} // namespace probe
