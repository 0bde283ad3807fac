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

// A reply's data area on the PC holds 400 bytes, two of which are the CRC.
constexpr int kMaxPayload = 398;
constexpr qint64 kByteAt9600Us = 1042; // ten bit times
constexpr qint64 kRtuSilenceUs = 30'000;
constexpr qint64 kAbandonUs = 2'000'000;

constexpr uint8_t kAccepted = 0x80;
constexpr uint8_t kRequest = 0x80;
constexpr uint8_t kReply = 0x81;
constexpr uint8_t kEmbedded = 0x51;

QByteArray le32(uint32_t v)
{
    QByteArray a(4, '\0');
    putLe32(a, 0, v);
    return a;
}

QByteArray leF32(float f)
{
    return le32(floatBits(f));
}

QByteArray be16(uint16_t v)
{
    QByteArray a;
    a.append(char(v >> 8));
    a.append(char(v & 0xFF));
    return a;
}

QByteArray timestampBytes(const QDateTime& t)
{
    QByteArray a(6, '\0');
    a[0] = char(t.date().year() - 2000);
    a[1] = char(t.date().month());
    a[2] = char(t.date().day());
    a[3] = char(t.time().hour());
    a[4] = char(t.time().minute());
    a[5] = char(t.time().second());
    return a;
}

QDateTime timestampAt(const QByteArray& a, qsizetype at)
{
    if (a.size() < at + 6)
        return {};
    const QDate d(2000 + byteAt(a, at), byteAt(a, at + 1), byteAt(a, at + 2));
    const QTime t(byteAt(a, at + 3), byteAt(a, at + 4), byteAt(a, at + 5));
    return QDateTime(d, t); // invalid when either part is
}

} // namespace

SimulatedBoard::SimulatedBoard(BoardModel model) : m_model(std::move(model)) {}

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
    if (request.framing == Request::Framing::Kalder) {
        if (request.address != wire::kKalderAddress)
            return;
        if (request.type == kRequest)
            handleCommand(request.payload);
        else
            handleAck(request.type, request.payload);
        return;
    }
    if (request.address != wire::kNodeAddress || request.payload.isEmpty())
        return;
    uint8_t function = 0;
    const QByteArray body = modbusAnswer(byteAt(request.payload, 0), request.payload.mid(1), function);
    emitFrame(request.framing, function, body);
}

void SimulatedBoard::handleAck(uint8_t type, const QByteArray& payload)
{
    FileStreamer::Faults f{m_faults.stallAfterBlocks, m_faults.abortAfterBlocks};
    sendBlocks(m_streamer.onAck(type, payload, f));
}

void SimulatedBoard::sendBlocks(const QList<FileStreamer::Block>& blocks)
{
    for (const auto& block : blocks)
        emitFrame(Request::Framing::Kalder, block.type, block.data);
}

void SimulatedBoard::replyKalder(uint8_t command, const QByteArray& results, bool accepted)
{
    QByteArray payload;
    payload.append(char(accepted ? kAccepted : m_faults.refusalCode));
    payload.append(char(m_faults.echoOverride >= 0 ? uint8_t(m_faults.echoOverride) : command));
    payload.append(results.left(kMaxPayload - 2));
    emitFrame(Request::Framing::Kalder, kReply, payload);
}

void SimulatedBoard::handleCommand(const QByteArray& payload)
{
    if (payload.isEmpty())
        return;
    const uint8_t command = byteAt(payload, 0);
    const QByteArray args = payload.mid(1);
    if (m_faults.ignore.contains(command))
        return;
    if (m_faults.refuse.contains(command)) {
        refuse(command);
        return;
    }
    m_model.commandsSeen.append(command);
    const auto arg = [&](int i) { return i < args.size() ? byteAt(args, i) : uint8_t(0); };
    switch (command) {
    case 0x00:
    case 0x0C: // jump to boot code: the simulated board stays in its application
    case 0x3F:
    case 0x40:
    case 0x42:
    case 0x46:
        replyKalder(command, {});
        return;
    case 0x01: {
        const BoardLog* l = m_model.log(arg(0));
        if (!l || l->entries.isEmpty()) {
            refuse(command);
            return;
        }
        replyKalder(command, timestampBytes(l->entries.first().at) + timestampBytes(l->entries.last().at));
        return;
    }
    case 0x02:
    case 0x50:
    case 0x64: {
        bool found = false;
        const QByteArray content = fileContent(command, args, found);
        if (!found) {
            refuse(command);
            return;
        }
        const bool windowed = command != 0x50 && m_model.windowedLogs;
        replyKalder(command,
                    command == 0x50 ? QByteArray() : QByteArray(4, '\0') + le32(uint32_t(content.size())));
        m_streamer.begin(content, windowed, m_model.blockSize, m_model.emptyBlocks);
        return;
    }
    case 0x04:
    case 0x06:
    case 0x08: {
        const int id = command == 0x04   ? BoardModel::kConfig
                       : command == 0x06 ? BoardModel::kCal
                                         : BoardModel::kBasicCal;
        QByteArray record = m_model.structure(id);
        if (m_faults.recordLengthDelta < 0)
            record.chop(std::min<qsizetype>(record.size(), -m_faults.recordLengthDelta));
        else
            record.append(QByteArray(m_faults.recordLengthDelta, '\0'));
        replyKalder(command, {});
        m_streamer.begin(record, false, m_model.blockSize, m_model.emptyBlocks);
        return;
    }
    case 0x13: {
        const uint8_t id = arg(0);
        if (args.isEmpty() || id > 7) {
            refuse(command);
            return;
        }
        // Only what one frame carries goes out; the rest of a large structure stays behind.
        replyKalder(command, m_model.structure(id).left(kMaxPayload - 2));
        return;
    }
    case 0x14: {
        QByteArray stored = args.mid(1);
        if (!args.isEmpty() && arg(0) == m_faults.alterStoredStructure && m_faults.alterStoredOffset >= 0 &&
            m_faults.alterStoredOffset < stored.size())
            stored[m_faults.alterStoredOffset] = char(~stored.at(m_faults.alterStoredOffset));
        if (args.isEmpty() || !m_model.putStructure(arg(0), stored))
            refuse(command);
        else
            replyKalder(command, {});
        return;
    }
    case 0x3E:
        m_model.boardId = arg(0);
        replyKalder(command, {});
        return;
    case 0x41: {
        if (args.size() != 80) {
            refuse(command);
            return;
        }
        const auto b = bytesOf(args);
        std::array<float, 10> values{};
        for (size_t k = 0; k < 10; ++k) {
            const auto whole = int32_t(readLe32(b, 4 * k));
            const float fraction = floatFromBits(readLe32(b, 40 + 4 * k));
            values[k] = float(double(whole) + double(fraction) / 1000.0);
        }
        m_model.totals = values;
        m_model.totalsUpdates.append(values);
        replyKalder(command, {});
        return;
    }
    case 0x44: {
        const LiveValues& v = m_model.live;
        const float channels[] = {v.flowVoltage, v.coilCurrent,    v.batteryVolts, v.solarVolts,
                                  v.temperature, v.coilResistance, v.coilVoltage,  v.velocity};
        replyKalder(command, QByteArray(1, char(arg(0))) + leF32(channels[arg(0) % 8]));
        return;
    }
    case 0x45:
        m_model.state = arg(0);
        replyKalder(command, {});
        return;
    case 0x47:
        replyKalder(command, QByteArray(1, '\0') + leF32(m_model.live.flowVoltage));
        return;
    case 0x49:
        replyKalder(command, QByteArray(1, '\0') + leF32(m_model.live.pipeFull ? 0.92f : 0.08f));
        return;
    case 0x4A:
        replyKalder(command, QByteArray(1, '\0') + leF32(m_model.live.ecOk ? 3.1f : 0.4f));
        return;
    case 0x4B:
        m_model.accessLevel = arg(0);
        replyKalder(command, {});
        return;
    case kEmbedded: {
        if (args.size() < 2 || arg(0) != wire::kNodeAddress)
            return; // addressed to another node: not ours to answer
        uint8_t function = 0;
        const QByteArray body = modbusAnswer(arg(1), args.mid(2), function);
        replyKalder(command, QByteArray(1, char(arg(0))) + QByteArray(1, char(function)) + body);
        return;
    }
    case 0x65: {
        const uint8_t id = arg(0);
        for (auto& l : m_model.logs)
            if (l.id == id)
                l.entries.clear();
        replyKalder(command, {});
        return;
    }
    case 0x66:
        for (auto& l : m_model.logs)
            l.entries.clear();
        replyKalder(command, {});
        return;
    case 0x67: {
        bool ok = !m_model.sdCardDir.isEmpty();
        for (const auto& l : m_model.logs)
            ok = ok && m_model.writeCardFile(l.name, l.content());
        replyKalder(command, {}, ok);
        return;
    }
    case 0x43: // reboot: answer first, then go quiet while the board restarts
        replyKalder(command, {});
        m_deafUntilUs = std::max(nowUs(), m_lineFreeAtUs) + qint64(m_model.rebootSilenceMs) * 1000;
        m_model.reboot();
        m_streamer.stop();
        m_receiver.reset();
        return;
    case 0x62: // keep the calibration constants as factory defaults
        m_model.factoryCal = m_model.structure(BoardModel::kCal);
        replyKalder(command, {});
        return;
    case 0x63: { // keep the calibration constants on the SD card
        const bool ok =
            !m_model.sdCardDir.isEmpty() &&
            m_model.writeCardFile(QStringLiteral("CONFIG.BIN"), m_model.structure(BoardModel::kConfig)) &&
            m_model.writeCardFile(QStringLiteral("CALIB.BIN"), m_model.structure(BoardModel::kCal));
        if (ok)
            ++m_model.sdBackups;
        replyKalder(command, {}, ok);
        return;
    }
    default:
        refuse(command);
        return;
    }
}

QByteArray SimulatedBoard::fileContent(uint8_t command, const QByteArray& args, bool& found) const
{
    found = false;
    if (command == 0x02) {
        const qsizetype nul = args.indexOf('\0');
        if (nul < 0)
            return {};
        const QString name = QString::fromLatin1(args.left(nul));
        if (!BoardModel::isPlainFileName(name))
            return {};
        if (!m_model.sdCardDir.isEmpty()) {
            QFile card(QDir(m_model.sdCardDir).filePath(name));
            if (card.open(QIODevice::ReadOnly)) {
                found = true;
                return card.readAll();
            }
        }
        for (const auto& l : m_model.logs) {
            if (l.name.compare(name, Qt::CaseInsensitive) == 0) {
                found = true;
                return l.content();
            }
        }
        return {};
    }
    if (args.isEmpty())
        return {};
    const BoardLog* l = m_model.log(byteAt(args, 0));
    if (!l)
        return {};
    if (command == 0x50) {
        found = true;
        return l->index();
    }
    const QDateTime first = timestampAt(args, 1);
    const QDateTime last = timestampAt(args, 7);
    if (!first.isValid() || !last.isValid())
        return {};
    found = true;
    return l->between(first, last);
}

QByteArray SimulatedBoard::modbusAnswer(uint8_t function, const QByteArray& data, uint8_t& replyFunction)
{
    const auto exception = [&](uint8_t code) {
        replyFunction = uint8_t(function | 0x80);
        return QByteArray(1, char(code));
    };
    replyFunction = function;
    const auto b = bytesOf(data);
    switch (function) {
    case 3: {
        if (b.size() < 4)
            return exception(3);
        const uint16_t start = readBe16(b, 0);
        const uint16_t count = readBe16(b, 2);
        if (count < 1 || count > 125)
            return exception(3);
        QByteArray out(1, char(2 * count));
        for (uint32_t r = start; r < uint32_t(start) + count; ++r) {
            const auto value = m_model.holdingRegister(uint16_t(r));
            if (!value || r > 0xFFFF)
                return exception(2);
            out += be16(*value);
        }
        return out;
    }
    case 6: {
        if (b.size() < 4)
            return exception(3);
        if (!m_model.writeRegister(readBe16(b, 0), readBe16(b, 2)))
            return exception(2);
        return data.left(4);
    }
    case 16: {
        if (b.size() < 5)
            return exception(3);
        const uint16_t start = readBe16(b, 0);
        const uint16_t count = readBe16(b, 2);
        if (count < 1 || b[4] != 2 * count || b.size() < size_t(5 + 2 * count))
            return exception(3);
        BoardModel trial = m_model;
        for (uint16_t i = 0; i < count; ++i)
            if (!trial.writeRegister(uint16_t(start + i), readBe16(b, 5 + 2 * i)))
                return exception(2);
        m_model = std::move(trial);
        return data.left(4);
    }
    case 65: {
        if (b.size() < 6)
            return exception(3);
        const QDateTime at = timestampAt(data, 0);
        if (!at.isValid() || b[0] >= 200)
            return exception(3);
        m_model.setBoardClock(at);
        return QByteArray(1, char(6)) + data.left(6);
    }
    case 67:
        if (b.size() < 2)
            return exception(3);
        m_model.totals = {};
        return QByteArray(1, char(2)) + data.left(2);
    case 68:
        if (b.size() < 2)
            return exception(3);
        m_model.accessLevel = m_model.levelForCode(readBe16(b, 0));
        return QByteArray(1, char(2)) + data.left(2);
    default:
        return exception(1);
    }
}

void SimulatedBoard::emitFrame(Request::Framing framing, uint8_t typeOrFunction, const QByteArray& payload)
{
    if (m_faults.silent)
        return;
    const int number = ++m_framesSent;
    const bool corrupt = m_faults.corruptFrames.contains(number);
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
