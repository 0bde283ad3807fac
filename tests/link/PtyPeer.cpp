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
