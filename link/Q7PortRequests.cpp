// Requests: one frame out, then a bounded wait that lets the reply in through the receive
// engine. Every wait polls the Clock and runs events on each pass.
#include "Q7Port.h"

#include "ByteOrder.h"
#include "Clock.h"
#include "ConfigRecord.h"
#include "Q7Protocol.h"

#include <QDate>
#include <QTime>

#include <algorithm>
#include <bit>

using namespace Q7Protocol;

namespace {
void copyReply(const Q7Frame& f, Q7Port::RequestBuffer& buffer, std::uint16_t& length)
{
    length = std::min<std::uint16_t>(f.dataLen, Q7Frame::kDataSize);
    std::copy_n(f.data.begin(), length, buffer.begin());
}

std::array<std::uint8_t, 2> be16(std::uint16_t v)
{
    std::array<std::uint8_t, 2> out{};
    ByteOrder::writeBe16(out, 0, v);
    return out;
}
} // namespace

// ---- the three request shapes ----------------------------------------------------------------

bool Q7Port::waitForReply(std::uint16_t timeout)
{
    return waitForTraffic(m_clock.msecs() + std::int64_t(timeout) * 1000,
                          [this] { return frame.frameReceived; });
}

bool Q7Port::sendKalderFrame(std::uint8_t command, RequestBuffer& buffer, std::uint16_t& length,
                             std::uint16_t timeout)
{
    // The command byte and the arguments must fit the frame record's data area.
    if (length >= Q7Frame::kDataSize)
        return false;
    resetRxTxFrame(true);
    frame.kalderType = FrameType::kRequest;
    frame.data[0] = command;
    std::copy_n(buffer.begin(), length, frame.data.begin() + 1);
    frame.dataLen = static_cast<std::uint16_t>(length + 1);
    PutChar(DLE);
    while (!(frame.status & Q7Frame::kTxComplete))
        frameTransmitterKalder();

    if (!waitForReply(timeout))
        return false;
    // A reply to some other command (a late one) ends the wait at once.
    if (frame.function != command)
        return false;
    copyReply(frame, buffer, length);
    return true;
}

bool Q7Port::modbusRequest(Transport transport, std::uint8_t function, std::span<const std::uint8_t> body,
                           RequestBuffer& buffer, std::uint16_t& length, std::uint16_t timeout,
                           bool pumpBetweenBytes)
{
    if (body.size() > Q7Frame::kDataSize)
        return false;
    resetRxTxFrame(true);
    frame.address = static_cast<std::uint8_t>(m_nodeAddress);
    frame.function = function;
    std::copy(body.begin(), body.end(), frame.data.begin());
    frame.dataLen = static_cast<std::uint16_t>(body.size());
    frame.index = 0;
    if (transport == Transport::Ascii) {
        PutChar(Modbus::kAsciiStart);
        while (!(frame.status & Q7Frame::kTxComplete)) {
            frameTransmitterAscii();
            if (pumpBetweenBytes)
                ProcessCommunications();
        }
    } else if (transport == Transport::Rtu) {
        while (!(frame.status & Q7Frame::kTxComplete)) {
            frameTransmitterRtu();
            if (pumpBetweenBytes)
                ProcessCommunications();
        }
    }

    bool result = false;
    if (waitForReply(timeout)) {
        if (frame.exceptionCode != 0) {
            length = 1;
            buffer[0] = frame.exceptionCode;
        } else {
            copyReply(frame, buffer, length);
            result = true;
        }
    }
    resetRxTxFrame(true);
    return result;
}

namespace {
// Body of a register read: start and count, high bytes first.
std::array<std::uint8_t, 4> readBody(std::uint16_t start, std::uint16_t count)
{
    const auto s = be16(start);
    const auto c = be16(count);
    return {s[0], s[1], c[0], c[1]};
}

// Body of a write-multiple: start, count, byte count, then the values from the buffer; empty
// when the values would not fit the frame record.
std::vector<std::uint8_t> writeMultipleBody(std::uint16_t start, std::uint16_t count,
                                            const Q7Port::RequestBuffer& buffer)
{
    const std::size_t bytes = 2u * count;
    if (5 + bytes > Q7Frame::kDataSize || bytes > 255)
        return {};
    std::vector<std::uint8_t> body;
    const auto s = be16(start);
    const auto c = be16(count);
    body = {s[0], s[1], c[0], c[1], static_cast<std::uint8_t>(bytes)};
    body.insert(body.end(), buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(bytes));
    return body;
}
} // namespace

bool Q7Port::readRegisters(std::uint16_t start, std::uint16_t count, RequestBuffer& buffer,
                           std::uint16_t& length, std::uint16_t timeout)
{
    return modbusRequest(Transport::Ascii, Modbus::kReadRegisters, readBody(start, count), buffer, length,
                         timeout, false);
}

bool Q7Port::writeSingleRegister(std::uint16_t reg, std::uint16_t value, RequestBuffer& buffer,
                                 std::uint16_t& length, std::uint16_t timeout)
{
    return modbusRequest(Transport::Ascii, Modbus::kWriteSingleRegister, readBody(reg, value), buffer, length,
                         timeout, false);
}

bool Q7Port::writeRegisters(std::uint16_t start, std::uint16_t count, RequestBuffer& buffer,
                            std::uint16_t& length, std::uint16_t timeout)
{
    const auto body = writeMultipleBody(start, count, buffer);
    return !body.empty() &&
           modbusRequest(Transport::Ascii, Modbus::kWriteRegisters, body, buffer, length, timeout, false);
}

bool Q7Port::readRegistersRTU(std::uint16_t start, std::uint16_t count, RequestBuffer& buffer,
                              std::uint16_t& length, std::uint16_t timeout)
{
    return modbusRequest(Transport::Rtu, Modbus::kReadRegisters, readBody(start, count), buffer, length,
                         timeout, true);
}

bool Q7Port::writeSingleRegisterRTU(std::uint16_t reg, std::uint16_t value, RequestBuffer& buffer,
                                    std::uint16_t& length, std::uint16_t timeout)
{
    return modbusRequest(Transport::Rtu, Modbus::kWriteSingleRegister, readBody(reg, value), buffer, length,
                         timeout, true);
}

bool Q7Port::writeRegistersRTU(std::uint16_t start, std::uint16_t count, RequestBuffer& buffer,
                               std::uint16_t& length, std::uint16_t timeout)
{
    const auto body = writeMultipleBody(start, count, buffer);
    return !body.empty() &&
           modbusRequest(Transport::Rtu, Modbus::kWriteRegisters, body, buffer, length, timeout, true);
}

bool Q7Port::sendEmbeddedFrame(std::uint8_t /*node: the link's own is sent*/, std::uint8_t function,
                               std::uint16_t start, std::uint16_t count, RequestBuffer& buffer,
                               std::uint16_t& length, std::uint16_t timeout)
{
    resetRxTxFrame(true);
    abortFlag = false;
    RequestBuffer payload{};
    payload[0] = static_cast<std::uint8_t>(m_nodeAddress);
    payload[1] = function;
    switch (function) {
    case Modbus::kReadRegisters:
    case Modbus::kWriteRegisters: {
        const std::size_t bytes = 2u * count;
        // The byte count travels in one byte; a block it cannot count is not sent at all.
        if (7 + bytes >= Q7Frame::kDataSize || bytes > 255)
            return false;
        const auto s = be16(start);
        const auto c = be16(count);
        payload[2] = s[0];
        payload[3] = s[1];
        payload[4] = c[0];
        payload[5] = c[1];
        payload[6] = static_cast<std::uint8_t>(bytes);
        std::copy_n(buffer.begin(), bytes, payload.begin() + 7);
        length = static_cast<std::uint16_t>(7 + bytes);
        break;
    }
    case Modbus::kSetTime:
        std::copy_n(buffer.begin(), 6, payload.begin() + 2);
        length = 8;
        break;
    case Modbus::kResetTotalisers:
    case Modbus::kSetCommsAccess:
        std::copy_n(buffer.begin(), 2, payload.begin() + 2);
        length = 4;
        break;
    default:
        showFault(kFaultEmbeddedFunction);
        if (length + 2 >= Q7Frame::kDataSize)
            return false;
        std::copy_n(buffer.begin(), length, payload.begin() + 2);
        break;
    }
    std::uint16_t replyLength = length;
    bool result = false;
    if (sendKalderFrame(Command::kEmbeddedModbus, payload, replyLength, timeout)) {
        // Reply: 0x80, 0x51, node, function, then the Modbus reply body.
        // A write is answered with an echo that may carry no result bytes at all.
        if (frame.dataLen >= 4 && frame.data[3] == function) {
            length = static_cast<std::uint16_t>(frame.dataLen > 5 ? frame.dataLen - 5 : 0);
            std::copy_n(frame.data.begin() + 5, length, buffer.begin());
            result = true;
        } else {
            length = 1;
            buffer[0] = frame.data[4];
        }
    }
    resetRxTxFrame(true);
    return result;
}

bool Q7Port::sendNullCommand()
{
    abortFlag = false;
    FlushCommsBuffers();
    for (int attempt = 0; attempt < 5; ++attempt) {
        resetRxTxFrame(true);
        RequestBuffer buffer{};
        std::uint16_t length = 0;
        if (sendKalderFrame(Command::kNull, buffer, length, 1))
            return true;
        if (abortFlag)
            break;
    }
    return false;
}

// ---- typed register reads ----------------------------------------------------------------------

template <typename Convert>
bool Q7Port::typedRead(std::uint16_t address, std::uint16_t count, Convert convert)
{
    if (!portOpen || !sendNullCommand())
        return false;
    for (int attempt = 0; attempt < 4; ++attempt) {
        RequestBuffer buffer{};
        std::uint16_t length = 0;
        // A reply shorter than the registers asked for would decode zeros as the value.
        if (readRegisters(address, count, buffer, length, 5) && length >= 1 + 2 * count)
            return convert(buffer, length);
    }
    return false;
}

bool Q7Port::readUI16Register(std::uint16_t address, std::uint16_t* value)
{
    return typedRead(address, 1, [&](const RequestBuffer& b, std::uint16_t) {
        *value = ByteOrder::readBe16(b, 1);
        return true;
    });
}

bool Q7Port::readUI32Register(std::uint16_t address, unsigned long* value)
{
    return typedRead(address, 2, [&](const RequestBuffer& b, std::uint16_t) {
        *value = ByteOrder::readBe32(b, 1);
        return true;
    });
}

bool Q7Port::readF32Register(std::uint16_t address, float* value)
{
    return typedRead(address, 2, [&](const RequestBuffer& b, std::uint16_t) {
        *value = ByteOrder::readBeF32(b, 1);
        return true;
    });
}

bool Q7Port::readTimeStampRegister(std::uint16_t address, TDateTime* value)
{
    return typedRead(address, 3, [&](const RequestBuffer& b, std::uint16_t) {
        // Registers carry second, minute, hour, day, month, year - 2000: the reverse of a Timestamp.
        const QDate date(b[6] + 2000, b[5], b[4]);
        const QTime time(b[3], b[2], b[1]);
        if (!date.isValid() || !time.isValid())
            return false;
        *value = TDateTime::fromDateTime(date, time);
        return true;
    });
}

bool Q7Port::readTotals(Q7Data::Totalisers* totals)
{
    return typedRead(Register::kTotals, Register::kTotalsCount, [&](const RequestBuffer& b, std::uint16_t) {
        std::array<float, Q7Data::Totalisers::kCount> values{};
        for (std::size_t k = 0; k < values.size(); ++k)
            values[k] = ByteOrder::readBeF32(b, 1 + 8 * k);
        *totals = Q7Data::Totalisers::fromValues(values);
        return true;
    });
}

// ---- protocol-selectable requests --------------------------------------------------------------

bool Q7Port::protocolRequest(std::uint8_t function, std::span<const std::uint8_t> body, RequestBuffer& buffer,
                             std::uint16_t& length, std::uint16_t timeout, Q7Data::ProtocolType protocol)
{
    length = static_cast<std::uint16_t>(body.size());
    switch (protocol) {
    case Q7Data::ptAscii:
        return modbusRequest(Transport::Ascii, function, body, buffer, length, timeout, true);
    case Q7Data::ptRtu:
        return modbusRequest(Transport::Rtu, function, body, buffer, length, timeout, true);
    case Q7Data::ptEmbedded:
        std::copy(body.begin(), body.end(), buffer.begin());
        return sendEmbeddedFrame(static_cast<std::uint8_t>(m_nodeAddress), function, 0, 0, buffer, length,
                                 timeout);
    }
    // An unknown transport sends nothing, but still waits out its time like the others.
    return modbusRequest(Transport::None, function, body, buffer, length, timeout, false);
}

bool Q7Port::setTime(TDateTime time, RequestBuffer& buffer, std::uint16_t& length, std::uint16_t timeout,
                     Q7Data::ProtocolType protocol)
{
    const auto body = Q7Data::encodeTimestamp(Q7Data::decodeTDateTime(time));
    return protocolRequest(Modbus::kSetTime, body, buffer, length, timeout, protocol);
}

bool Q7Port::resetTotalisers(std::uint16_t value, RequestBuffer& buffer, std::uint16_t& length,
                             std::uint16_t timeout, Q7Data::ProtocolType protocol)
{
    return protocolRequest(Modbus::kResetTotalisers, be16(value), buffer, length, timeout, protocol);
}

bool Q7Port::setCommsAccess(std::uint16_t value, RequestBuffer& buffer, std::uint16_t& length,
                            std::uint16_t timeout, Q7Data::ProtocolType protocol)
{
    return protocolRequest(Modbus::kSetCommsAccess, be16(value), buffer, length, timeout, protocol);
}

bool Q7Port::setDateTime(TDateTime time, bool useNow)
{
    if (!sendNullCommand())
        return false;
    const TDateTime at = useNow ? TDateTime::fromDateTime(m_clock.currentDateTime()) : time;
    RequestBuffer buffer{};
    std::uint16_t length = 0;
    return setTime(at, buffer, length, 3, Q7Data::ptEmbedded);
}

// ---- embedded Modbus operations ----------------------------------------------------------------

std::uint16_t Q7Port::getCommsAccessLevel()
{
    RequestBuffer buffer{};
    std::uint16_t length = 0;
    if (!sendEmbeddedFrame(static_cast<std::uint8_t>(m_nodeAddress), Modbus::kReadRegisters,
                           Register::kCommsAccessLevel, 1, buffer, length, 1))
        return 0;
    return ByteOrder::readBe16(buffer, 0);
}

std::uint16_t Q7Port::sendAccessCode(std::uint16_t code)
{
    RequestBuffer buffer{};
    const auto bytes = be16(code);
    buffer[0] = bytes[0];
    buffer[1] = bytes[1];
    std::uint16_t length = 2;
    if (!sendEmbeddedFrame(static_cast<std::uint8_t>(m_nodeAddress), Modbus::kSetCommsAccess, 0, 0, buffer,
                           length, 1))
        return 0;
    return getCommsAccessLevel();
}

std::uint16_t Q7Port::loggin(std::uint16_t code)
{
    const auto config = ConfigRecord::fromBytes(structure(StructureId::Config));
    if (!config || !config->acceptsAccessCode(code))
        return 0;
    return sendAccessCode(code);
}

std::uint16_t Q7Port::logout()
{
    // A code the board does not hold drops the access level.
    const auto config = ConfigRecord::fromBytes(structure(StructureId::Config));
    return sendAccessCode(config ? config->lowestNonAccessCode() : 0);
}

bool Q7Port::verifySerialNumber()
{
    RequestBuffer buffer{};
    std::uint16_t length = 0;
    if (!sendEmbeddedFrame(static_cast<std::uint8_t>(m_nodeAddress), Modbus::kReadRegisters,
                           Register::kSerialNumber, 3, buffer, length, 3))
        return false;
    // The structure holds the serial number in the reverse order of the registers.
    for (int i = 0; i < 6; ++i)
        if (structure(StructureId::BoardInfo)[i] != buffer[5 - i])
            return false;
    return true;
}

// ---- Kalder commands ---------------------------------------------------------------------------

bool Q7Port::kalderCommand(std::uint8_t command, std::span<const std::uint8_t> payload, std::uint16_t timeout,
                           RequestBuffer* reply)
{
    abortFlag = false;
    RequestBuffer buffer{};
    std::uint16_t length = static_cast<std::uint16_t>(std::min<std::size_t>(payload.size(), buffer.size()));
    std::copy_n(payload.begin(), length, buffer.begin());
    const bool ok = sendKalderFrame(command, buffer, length, timeout);
    if (ok && reply)
        *reply = buffer;
    return ok;
}

bool Q7Port::jumpToBootCode()
{
    return kalderCommand(Command::kJumpToBootCode, {}, 2);
}
bool Q7Port::sendLcdPlusCommand()
{
    return kalderCommand(Command::kLcdPlus, {}, 2);
}
bool Q7Port::sendLcdMinusCommand()
{
    return kalderCommand(Command::kLcdMinus, {}, 2);
}
bool Q7Port::ClearAllDataFlashLogs()
{
    return kalderCommand(Command::kClearAllDataFlashLogs, {}, 120);
}

bool Q7Port::setID(std::uint8_t id)
{
    const std::uint8_t p[] = {id};
    return kalderCommand(Command::kSetId, p, 2);
}

bool Q7Port::sendTotalsUpdateCommand(std::span<const std::uint8_t> data)
{
    if (data.size() >= Q7Frame::kDataSize)
        return false;
    return kalderCommand(Command::kTotalsUpdate, data, 3);
}

bool Q7Port::setModemPower(std::uint8_t value)
{
    const std::uint8_t p[] = {value};
    return kalderCommand(Command::kModemPower, p, 2);
}

bool Q7Port::readChannel(std::uint16_t channel, float* value)
{
    const std::uint8_t p[] = {static_cast<std::uint8_t>(channel & 0xFF), 0, 0, 0, 0, 0};
    RequestBuffer reply{};
    if (!kalderCommand(Command::kReadChannel, p, 10, &reply))
        return false;
    *value = ByteOrder::readLeF32(reply, 3);
    return true;
}

bool Q7Port::setState(std::uint8_t state)
{
    const std::uint8_t p[] = {state};
    return kalderCommand(Command::kSetState, p, 10);
}

bool Q7Port::setCoilCurrent(std::uint8_t a, std::uint16_t b)
{
    const std::uint8_t p[] = {a, static_cast<std::uint8_t>(b & 0xFF), static_cast<std::uint8_t>(b >> 8)};
    return kalderCommand(Command::kCoilCurrent, p, 5);
}

bool Q7Port::readSignal(std::uint8_t command, float* value)
{
    RequestBuffer reply{};
    if (!kalderCommand(command, {}, 10, &reply))
        return false;
    *value = ByteOrder::readLeF32(reply, 3);
    return true;
}

bool Q7Port::readInputSignal(float* value)
{
    return readSignal(Command::kInputSignal, value);
}
bool Q7Port::readPNFSignal(float* value)
{
    return readSignal(Command::kPnfSignal, value);
}
bool Q7Port::readECSignal(float* value)
{
    return readSignal(Command::kEcSignal, value);
}

bool Q7Port::setAccessLevel(std::uint8_t level)
{
    if (!sendNullCommand())
        return false;
    const std::uint8_t p[] = {level};
    return kalderCommand(Command::kAccessLevel, p, 10);
}

bool Q7Port::ClearDataFlashLog(std::uint8_t logId)
{
    const std::uint8_t p[] = {logId};
    return kalderCommand(Command::kClearDataFlashLog, p, 120);
}

bool Q7Port::backupLogsToSdcard()
{
    if (!sendNullCommand())
        return false;
    return kalderCommand(Command::kBackupLogsToSdcard, {}, 3);
}

bool Q7Port::sendSimpleCommand(std::uint8_t command)
{
    RequestBuffer reply{};
    return kalderCommand(command, {}, 5, &reply) && reply[0] == kAccepted && reply[1] == command;
}
