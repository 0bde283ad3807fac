#include "CommandServer.h"

#include "BoardCodes.h"
#include "BoardWire.h"
#include "Bytes.h"

#include <QDir>
#include <QFile>

#include <algorithm>

namespace sim {

namespace {

// A reply's data area on the PC holds 400 bytes, two of which are the CRC.
constexpr int kMaxPayload = 398;

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

CommandServer::CommandServer(BoardModel& model, const BoardFaults& faults, FileStreamer& streamer)
    : m_model(model), m_faults(faults), m_streamer(streamer)
{
}

CommandServer::Answer CommandServer::serve(const Request& request)
{
    m_frames.clear();
    m_rebooted = false;
    if (request.framing == Request::Framing::Kalder) {
        if (request.address != wire::kKalderAddress)
            return {};
        if (request.type == code::kRequest) {
            handleCommand(request.payload);
        } else {
            const FileStreamer::Faults f{m_faults.stallAfterBlocks, m_faults.abortAfterBlocks};
            for (const auto& block : m_streamer.onAck(request.type, request.payload, f))
                m_frames.append({Request::Framing::Kalder, block.type, block.data});
        }
    } else if (request.address == wire::kNodeAddress && !request.payload.isEmpty()) {
        uint8_t function = 0;
        const QByteArray body = modbusAnswer(byteAt(request.payload, 0), request.payload.mid(1), function);
        m_frames.append({request.framing, function, body});
    }
    return {std::exchange(m_frames, {}), m_rebooted};
}

void CommandServer::replyKalder(uint8_t command, const QByteArray& results, bool accepted)
{
    QByteArray payload;
    payload.append(char(accepted ? code::kAccepted : m_faults.refusalCode));
    payload.append(char(m_faults.echoOverride >= 0 ? uint8_t(m_faults.echoOverride) : command));
    payload.append(results.left(kMaxPayload - 2));
    m_frames.append({Request::Framing::Kalder, code::kReply, payload});
}

void CommandServer::handleCommand(const QByteArray& payload)
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
    case code::kNull:
    case code::kBootCode: // jump to boot code: the simulated board stays in its application
    case code::kLcdPlus:
    case code::kLcdMinus:
    case code::kModemPower:
    case code::kCoilCurrent:
        replyKalder(command, {});
        return;
    case code::kDateTimeBounds: {
        const BoardLog* l = m_model.log(arg(0));
        if (!l || l->entries.isEmpty()) {
            refuse(command);
            return;
        }
        replyKalder(command, timestampBytes(l->entries.first().at) + timestampBytes(l->entries.last().at));
        return;
    }
    case code::kLogFile:
    case code::kLogIndex:
    case code::kRtLog: {
        bool found = false;
        const QByteArray content = fileContent(command, args, found);
        if (!found) {
            refuse(command);
            return;
        }
        const bool windowed = command != code::kLogIndex && m_model.windowedLogs;
        replyKalder(command, command == code::kLogIndex
                                 ? QByteArray()
                                 : QByteArray(4, '\0') + le32(uint32_t(content.size())));
        m_streamer.begin(content, windowed, m_model.blockSize, m_model.emptyBlocks);
        return;
    }
    case code::kConfigFile:
    case code::kCalFile:
    case code::kBasicCalFile: {
        const int id = command == code::kConfigFile ? BoardModel::kConfig
                       : command == code::kCalFile  ? BoardModel::kCal
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
    case code::kGetStructure: {
        const uint8_t id = arg(0);
        if (args.isEmpty() || id > 7) {
            refuse(command);
            return;
        }
        // Only what one frame carries goes out; the rest of a large structure stays behind.
        replyKalder(command, m_model.structure(id).left(kMaxPayload - 2));
        return;
    }
    case code::kPutStructure: {
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
    case code::kSetId:
        m_model.boardId = arg(0);
        replyKalder(command, {});
        return;
    case code::kTotalsUpdate: {
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
    case code::kReadChannel: {
        const LiveValues& v = m_model.live;
        const float channels[] = {v.flowVoltage, v.coilCurrent,    v.batteryVolts, v.solarVolts,
                                  v.temperature, v.coilResistance, v.coilVoltage,  v.velocity};
        replyKalder(command, QByteArray(1, char(arg(0))) + leF32(channels[arg(0) % 8]));
        return;
    }
    case code::kSetState:
        m_model.state = arg(0);
        replyKalder(command, {});
        return;
    case code::kInputSignal:
        replyKalder(command, QByteArray(1, '\0') + leF32(m_model.live.flowVoltage));
        return;
    case code::kPnfSignal:
        replyKalder(command, QByteArray(1, '\0') + leF32(m_model.live.pipeFull ? 0.92f : 0.08f));
        return;
    case code::kEcSignal:
        replyKalder(command, QByteArray(1, '\0') + leF32(m_model.live.ecOk ? 3.1f : 0.4f));
        return;
    case code::kAccessLevel:
        m_model.accessLevel = arg(0);
        replyKalder(command, {});
        return;
    case code::kEmbedded: {
        if (args.size() < 2 || arg(0) != wire::kNodeAddress)
            return; // addressed to another node: not ours to answer
        uint8_t function = 0;
        const QByteArray body = modbusAnswer(arg(1), args.mid(2), function);
        replyKalder(command, QByteArray(1, char(arg(0))) + QByteArray(1, char(function)) + body);
        return;
    }
    case code::kClearLog: {
        const uint8_t id = arg(0);
        for (auto& l : m_model.logs)
            if (l.id == id)
                l.entries.clear();
        replyKalder(command, {});
        return;
    }
    case code::kClearAllLogs:
        for (auto& l : m_model.logs)
            l.entries.clear();
        replyKalder(command, {});
        return;
    case code::kLogsToCard: {
        bool ok = !m_model.sdCardDir.isEmpty();
        for (const auto& l : m_model.logs)
            ok = ok && m_model.writeCardFile(l.name, l.content());
        replyKalder(command, {}, ok);
        return;
    }
    case code::kReboot: // reboot: answer first, then go quiet while the board restarts
        replyKalder(command, {});
        m_model.reboot();
        m_streamer.stop();
        m_rebooted = true;
        return;
    case code::kCalToFactory: // keep the calibration constants as factory defaults
        m_model.factoryCal = m_model.structure(BoardModel::kCal);
        replyKalder(command, {});
        return;
    case code::kCalToCard: { // keep the calibration constants on the SD card
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

QByteArray CommandServer::fileContent(uint8_t command, const QByteArray& args, bool& found) const
{
    found = false;
    if (command == code::kLogFile) {
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
    if (command == code::kLogIndex) {
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

QByteArray CommandServer::modbusAnswer(uint8_t function, const QByteArray& data, uint8_t& replyFunction)
{
    const auto exception = [&](uint8_t code) {
        replyFunction = uint8_t(function | code::kExceptionFlag);
        return QByteArray(1, char(code));
    };
    replyFunction = function;
    const auto b = bytesOf(data);
    switch (function) {
    case code::kReadHolding: {
        if (b.size() < 4)
            return exception(code::kIllegalValue);
        const uint16_t start = readBe16(b, 0);
        const uint16_t count = readBe16(b, 2);
        if (count < 1 || count > 125)
            return exception(code::kIllegalValue);
        QByteArray out(1, char(2 * count));
        for (uint32_t r = start; r < uint32_t(start) + count; ++r) {
            const auto value = m_model.holdingRegister(uint16_t(r));
            if (!value || r > 0xFFFF)
                return exception(code::kIllegalAddress);
            out += be16(*value);
        }
        return out;
    }
    case code::kWriteOne: {
        if (b.size() < 4)
            return exception(code::kIllegalValue);
        if (!m_model.writeRegister(readBe16(b, 0), readBe16(b, 2)))
            return exception(code::kIllegalAddress);
        return data.left(4);
    }
    case code::kWriteMany: {
        if (b.size() < 5)
            return exception(code::kIllegalValue);
        const uint16_t start = readBe16(b, 0);
        const uint16_t count = readBe16(b, 2);
        if (count < 1 || b[4] != 2 * count || b.size() < size_t(5 + 2 * count))
            return exception(code::kIllegalValue);
        BoardModel trial = m_model;
        for (uint16_t i = 0; i < count; ++i)
            if (!trial.writeRegister(uint16_t(start + i), readBe16(b, 5 + 2 * i)))
                return exception(code::kIllegalAddress);
        m_model = std::move(trial);
        return data.left(4);
    }
    case code::kSetClock: {
        if (b.size() < 6)
            return exception(code::kIllegalValue);
        const QDateTime at = timestampAt(data, 0);
        if (!at.isValid() || b[0] >= 200)
            return exception(code::kIllegalValue);
        m_model.setBoardClock(at);
        return QByteArray(1, char(6)) + data.left(6);
    }
    case code::kClearTotals:
        if (b.size() < 2)
            return exception(code::kIllegalValue);
        m_model.totals = {};
        return QByteArray(1, char(2)) + data.left(2);
    case code::kCommsAccess:
        if (b.size() < 2)
            return exception(code::kIllegalValue);
        m_model.accessLevel = m_model.levelForCode(readBe16(b, 0));
        return QByteArray(1, char(2)) + data.left(2);
    default:
        return exception(code::kIllegalFunction);
    }
}

} // namespace sim
