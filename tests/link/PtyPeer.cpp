#include "PtyPeer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <cerrno>
#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

PtyPeer::PtyPeer()
{
    m_master = posix_openpt(O_RDWR | O_NOCTTY);
    if (m_master < 0)
        return;
    if (grantpt(m_master) != 0 || unlockpt(m_master) != 0) {
        ::close(m_master);
        m_master = -1;
        return;
    }
    m_slavePath = QString::fromLocal8Bit(ptsname(m_master));
    termios t{};
    if (tcgetattr(m_master, &t) == 0) {
        cfmakeraw(&t);
        tcsetattr(m_master, TCSANOW, &t);
    }
    fcntl(m_master, F_SETFL, fcntl(m_master, F_GETFL) | O_NONBLOCK);
}

PtyPeer::~PtyPeer()
{
    m_notifier.reset();
    if (m_master >= 0)
        ::close(m_master);
}

void PtyPeer::hangUp()
{
    m_notifier.reset();
    if (m_master >= 0)
        ::close(m_master);
    m_master = -1;
}

void PtyPeer::write(const QByteArray& bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n =
            ::write(m_master, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
        if (n > 0)
            done += n;
        else if (n < 0 && errno != EAGAIN && errno != EINTR)
            return;
        else
            QThread::msleep(1);
    }
}

QByteArray PtyPeer::readAvailable()
{
    QCoreApplication::processEvents();
    QByteArray out;
    char buf[4096];
    for (;;) {
        const ssize_t n = ::read(m_master, buf, sizeof buf);
        if (n <= 0)
            break;
        out.append(buf, n);
    }
    return out;
}

QByteArray PtyPeer::readUntil(const std::function<bool(const QByteArray&)>& enough, int maxMs)
{
    QByteArray got;
    QElapsedTimer t;
    t.start();
    while (!enough(got) && t.elapsed() < maxMs) {
        got += readAvailable();
        QThread::msleep(1);
    }
    return got;
}

void PtyPeer::onReceived(std::function<void(const QByteArray&)> handler)
{
    m_handler = std::move(handler);
    m_notifier = std::make_unique<QSocketNotifier>(m_master, QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [this] {
        char buf[4096];
        const ssize_t n = ::read(m_master, buf, sizeof buf);
        if (n > 0 && m_handler)
            m_handler(QByteArray(buf, n));
    });
}

namespace wire {

std::uint16_t kermit(const QByteArray& bytes)
{
    std::uint16_t crc = 0;
    for (char c : bytes) {
        crc ^= static_cast<std::uint8_t>(c);
        for (int i = 0; i < 8; ++i)
            crc = (crc & 1) ? static_cast<std::uint16_t>((crc >> 1) ^ 0x8408)
                            : static_cast<std::uint16_t>(crc >> 1);
    }
    return crc;
}

std::uint16_t modbusCrc(const QByteArray& bytes)
{
    std::uint16_t crc = 0xFFFF;
    for (char c : bytes) {
        crc ^= static_cast<std::uint8_t>(c);
        for (int i = 0; i < 8; ++i)
            crc = (crc & 1) ? static_cast<std::uint16_t>((crc >> 1) ^ 0xA001)
                            : static_cast<std::uint16_t>(crc >> 1);
    }
    return crc;
}

QByteArray kalder(std::uint8_t type, const QByteArray& payload, std::uint8_t address)
{
    QByteArray body;
    body.append(static_cast<char>(address));
    body.append(static_cast<char>(type));
    body.append(payload);
    const std::uint16_t crc = kermit(body);
    QByteArray out("\x10\x02", 2);
    auto stuffed = [&out](char c) {
        out.append(c);
        if (static_cast<std::uint8_t>(c) == 0x10)
            out.append('\x90');
    };
    stuffed(body[0]);
    out.append(body[1]);
    for (char c : payload)
        stuffed(c);
    stuffed(static_cast<char>(crc & 0xFF));
    stuffed(static_cast<char>(crc >> 8));
    out.append("\x10\x03", 2);
    return out;
}

QByteArray kalderReply(std::uint8_t command, const QByteArray& results, std::uint8_t accepted)
{
    QByteArray payload;
    payload.append(static_cast<char>(accepted));
    payload.append(static_cast<char>(command));
    payload.append(results);
    return kalder(0x81, payload);
}

QByteArray hex(const char* spaced)
{
    return QByteArray::fromHex(QByteArray(spaced).replace(' ', ""));
}

} // namespace wire
