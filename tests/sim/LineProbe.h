#pragma once

#include "WireCodec.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QString>

#include <cstdint>
#include <fcntl.h>
#include <optional>
#include <poll.h>
#include <unistd.h>

// The PC's end of the cable, built by hand for the simulator's tests: plain POSIX calls on
// the terminal and the tests' own frame codec, so the tests do not share the board's reading
// of the wire.
namespace probe {

using wire::ascii;
using wire::kalder;
using wire::request;
using wire::rtu;
using Frame = wire::KalderFrame;

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

    std::optional<Frame> takeKalder() { return wire::takeKalder(m_pending); }

    int m_fd = -1;
    QByteArray m_pending;
};

} // namespace probe
