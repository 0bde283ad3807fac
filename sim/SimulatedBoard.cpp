#include "SimulatedBoard.h"

#include "BoardWire.h"
#include "Bytes.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <utility>
#include <termios.h>
#include <unistd.h>

namespace sim {

namespace {

constexpr qint64 kByteAt9600Us = 1042; // ten bit times
constexpr qint64 kRtuSilenceUs = 30'000;
constexpr qint64 kAbandonUs = 2'000'000;

} // namespace

SimulatedBoard::SimulatedBoard(BoardModel model)
    : m_model(std::move(model)), m_server(m_model, m_faults, m_streamer)
{
}

SimulatedBoard::~SimulatedBoard()
{
    stop();
}

qint64 SimulatedBoard::nowUs() const
{
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

bool SimulatedBoard::start(QString* error)
{
    const auto fail = [&](const char* what) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(QLatin1String(what),
                                                  QString::fromLocal8Bit(std::strerror(errno)));
        if (m_master >= 0)
            ::close(m_master);
        if (m_slave >= 0)
            ::close(m_slave);
        m_master = m_slave = -1;
        return false;
    };
    if (isRunning())
        return true;
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_master < 0)
        return fail("posix_openpt");
    if (::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0)
        return fail("unlockpt");
    char name[128] = {};
    if (::ptsname_r(m_master, name, sizeof name) != 0)
        return fail("ptsname");
    m_devicePath = QString::fromLocal8Bit(name);
    // The board keeps its end of the cable open, so the line does not hang up when the
    // program closes and reopens the port between workflows.
    m_slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_slave < 0)
        return fail("open slave");
    termios tio{};
    if (::tcgetattr(m_slave, &tio) != 0)
        return fail("tcgetattr");
    ::cfmakeraw(&tio);
    ::cfsetispeed(&tio, B9600);
    ::cfsetospeed(&tio, B9600);
    if (::tcsetattr(m_slave, TCSANOW, &tio) != 0)
        return fail("tcsetattr");
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    if (::pipe2(m_wake, O_CLOEXEC | O_NONBLOCK) != 0)
        return fail("pipe");
    m_startUs = nowUs();
    m_stopping = false;
    m_thread = std::thread([this] { run(); });
    return true;
}

void SimulatedBoard::stop()
{
    if (m_thread.joinable()) {
        m_stopping = true;
        const char b = 1;
        [[maybe_unused]] auto n = ::write(m_wake[1], &b, 1);
        m_thread.join();
    }
    for (int* fd : {&m_master, &m_slave, &m_wake[0], &m_wake[1]}) {
        if (*fd >= 0)
            ::close(*fd);
        *fd = -1;
    }
}

bool SimulatedBoard::createLink(const QString& linkPath, QString* error)
{
    const QFileInfo info(linkPath);
    if (info.isSymLink() || info.exists()) {
        if (!info.isSymLink()) {
            if (error)
                *error = QStringLiteral("%1 exists and is not a link").arg(linkPath);
            return false;
        }
        QFile::remove(linkPath);
    }
    if (!QFile::link(m_devicePath, linkPath)) {
        if (error)
            *error = QStringLiteral("cannot create the link %1").arg(linkPath);
        return false;
    }
    return true;
}

void SimulatedBoard::swapBoard(BoardModel model)
{
    std::lock_guard lock(m_mutex);
    m_model = std::move(model);
    m_streamer.stop();
    m_receiver.reset();
    m_deafUntilUs = 0;
}

BoardModel SimulatedBoard::model() const
{
    std::lock_guard lock(m_mutex);
    return m_model;
}

void SimulatedBoard::editModel(const std::function<void(BoardModel&)>& edit)
{
    std::lock_guard lock(m_mutex);
    edit(m_model);
}

BoardFaults SimulatedBoard::faults() const
{
    std::lock_guard lock(m_mutex);
    return m_faults;
}

void SimulatedBoard::setFaults(const BoardFaults& faults)
{
    std::lock_guard lock(m_mutex);
    m_faults = faults;
    m_framesSent = 0;
}

QList<WireRecord> SimulatedBoard::wireLog() const
{
    std::lock_guard lock(m_mutex);
    return m_wireLog;
}

void SimulatedBoard::clearWireLog()
{
    std::lock_guard lock(m_mutex);
    m_wireLog.clear();
    m_requests.clear();
}

QList<WireRecord> SimulatedBoard::takeWireLog()
{
    std::lock_guard lock(m_mutex);
    m_requests.clear();
    return std::exchange(m_wireLog, {});
}

QList<Request> SimulatedBoard::requestsReceived() const
{
    std::lock_guard lock(m_mutex);
    return m_requests;
}

void SimulatedBoard::log(WireRecord record)
{
    record.atMs = (nowUs() - m_startUs) / 1000;
    m_wireLog.append(std::move(record));
}

void SimulatedBoard::run()
{
    while (!m_stopping) {
        int timeoutMs = -1;
        pollfd fds[2] = {{m_master, POLLIN, 0}, {m_wake[0], POLLIN, 0}};
        {
            std::lock_guard lock(m_mutex);
            const qint64 now = nowUs();
            qint64 next = -1;
            // Bytes that are due wait for the line to take them (POLLOUT), not for a timer:
            // a PC that stops reading must not set the board spinning.
            if (!m_out.empty() && m_out.front().dueUs <= now)
                fds[0].events |= POLLOUT;
            else if (!m_out.empty())
                next = m_out.front().dueUs;
            if (m_receiver.midFrame()) {
                const qint64 silenceAt =
                    m_lastByteUs + (m_receiver.collectingRtu() ? kRtuSilenceUs : kAbandonUs);
                next = next < 0 ? silenceAt : std::min(next, silenceAt);
            }
            if (next >= 0)
                timeoutMs = int(std::max<qint64>(0, (next - now + 999) / 1000));
        }
        const int n = ::poll(fds, 2, timeoutMs);
        if (n < 0 && errno != EINTR)
            break;
        if (fds[1].revents & POLLIN) {
            char drain[16];
            while (::read(m_wake[0], drain, sizeof drain) > 0) {
            }
        }
        if (fds[0].revents & POLLIN)
            readLine();
        std::lock_guard lock(m_mutex);
        const qint64 now = nowUs();
        if (m_receiver.midFrame() &&
            now - m_lastByteUs >= (m_receiver.collectingRtu() ? kRtuSilenceUs : kAbandonUs)) {
            if (auto r = m_receiver.silence())
                handle(*r);
        }
        flushDue();
    }
}

void SimulatedBoard::readLine()
{
    uint8_t buffer[512];
    const ssize_t n = ::read(m_master, buffer, sizeof buffer);
    if (n <= 0)
        return;
    std::lock_guard lock(m_mutex);
    m_lastByteUs = nowUs();
    for (ssize_t i = 0; i < n; ++i) {
        // A reboot among these bytes deafens the board to the rest of them.
        if (m_lastByteUs < m_deafUntilUs) {
            WireRecord r;
            r.bytes = QByteArray(reinterpret_cast<const char*>(buffer + i), n - i);
            r.ignored = true;
            log(r);
            return;
        }
        if (auto request = m_receiver.feed(buffer[i]))
            handle(*request);
    }
}

void SimulatedBoard::handle(const Request& request)
{
    WireRecord record;
    record.framing = request.framing;
    record.bytes = request.wire;
    record.checksumOk = request.checksumOk;
    log(record);
    if (!request.checksumOk)
        return;
    m_requests.append(request);
    const CommandServer::Answer answer = m_server.serve(request);
    for (const auto& frame : answer.frames)
        emitFrame(frame.framing, frame.typeOrFunction, frame.payload);
    if (answer.rebooted) {
        // Deaf from the moment the reply has left until the board is up again.
        m_deafUntilUs = std::max(nowUs(), m_lineFreeAtUs) + qint64(m_model.rebootSilenceMs) * 1000;
        m_receiver.reset();
    }
}

void SimulatedBoard::emitFrame(Request::Framing framing, uint8_t typeOrFunction, const QByteArray& payload)
{
    if (m_faults.silent)
        return;
    const int number = ++m_framesSent;
    const bool corrupt = m_faults.corruptFrames.contains(number) ||
                         (m_faults.corruptEvery > 0 && number % m_faults.corruptEvery == 0);
    const bool drop = m_faults.dropFrames.contains(number);
    QByteArray frame;
    switch (framing) {
    case Request::Framing::Kalder:
        frame = wire::kalderFrame(typeOrFunction, bytesOf(payload), corrupt ? 0x5A5A : 0);
        break;
    case Request::Framing::Ascii:
        frame = wire::asciiFrame(typeOrFunction, bytesOf(payload), corrupt ? 0x5A : 0);
        break;
    case Request::Framing::Rtu:
        frame = wire::rtuFrame(typeOrFunction, bytesOf(payload), corrupt ? 0x5A5A : 0);
        break;
    }
    WireRecord record;
    record.direction = WireRecord::Direction::FromBoard;
    record.framing = framing;
    record.bytes = frame;
    record.checksumOk = !corrupt;
    record.dropped = drop;
    log(record);
    if (drop)
        return;
    if (!m_faults.noise.isEmpty())
        enqueue(m_faults.noise);
    enqueue(frame);
}

void SimulatedBoard::enqueue(const QByteArray& bytes)
{
    const qint64 now = nowUs();
    qint64 at = std::max(now, m_lineFreeAtUs);
    const int piece = m_faults.fragmentSize > 0 ? m_faults.fragmentSize : int(bytes.size());
    for (qsizetype i = 0; i < bytes.size(); i += piece) {
        const QByteArray part = bytes.mid(i, piece);
        if (i > 0 && m_faults.fragmentSize > 0)
            at += qint64(m_faults.fragmentGapMs) * 1000;
        if (m_faults.pace) {
            for (char c : part) {
                at += kByteAt9600Us;
                m_out.push_back({at, QByteArray(1, c)});
            }
        } else {
            m_out.push_back({at, part});
        }
    }
    m_lineFreeAtUs = at;
}

void SimulatedBoard::flushDue()
{
    const qint64 now = nowUs();
    while (!m_out.empty() && m_out.front().dueUs <= now) {
        Chunk& chunk = m_out.front();
        const ssize_t n = ::write(m_master, chunk.bytes.constData(), size_t(chunk.bytes.size()));
        if (n < 0)
            return; // the line is full; poll says when it drains
        if (n < chunk.bytes.size()) {
            chunk.bytes.remove(0, n);
            return;
        }
        m_out.pop_front();
    }
}

} // namespace sim
