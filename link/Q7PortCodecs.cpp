// The frame record and the three framings: checksums, hex digits, the stepped transmitters
// and the parsers that turn a collected raw frame into the frame record.
#include "Q7Port.h"

#include "Q7Protocol.h"

#include <algorithm>
#include <bit>
#include <cstring>

using namespace Q7Protocol;

namespace {
// The largest Kalder body the frame record can take: address, type, then the data area,
// which holds the payload and the two CRC bytes.
constexpr std::size_t kMaxKalderBody = 2 + Q7Frame::kDataSize;

void markTxComplete(Q7Frame& f)
{
    f.status = static_cast<std::uint8_t>((f.status & ~Q7Frame::kTxInProgress) | Q7Frame::kTxComplete);
    f.txState = 0;
}

bool beginTx(Q7Frame& f)
{
    if (f.status & Q7Frame::kTxInProgress)
        return false;
    f.txState = 1;
    f.index = 0;
    f.status = static_cast<std::uint8_t>((f.status & 0x0F) | Q7Frame::kTxInProgress);
    return true;
}

bool checksumResult(Q7Frame& f, bool good)
{
    f.status = good ? Q7Frame::kChecksumGood : Q7Frame::kChecksumBad;
    return good;
}

bool isHexDigit(std::uint8_t c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

std::uint8_t sentFunction(const Q7Frame& f)
{
    return f.exceptionCode ? static_cast<std::uint8_t>(f.function | Modbus::kExceptionBit) : f.function;
}

std::uint16_t boundedLen(const Q7Frame& f)
{
    return std::min<std::uint16_t>(f.dataLen, Q7Frame::kDataSize);
}
} // namespace

void Q7Port::resetRxTxFrame(bool full)
{
    if (full) {
        frame.rxCrc = 0;
        frame.txCrc = 0;
        frame.asciiRxState = 0;
        frame.txState = 0;
    }
    frame.hasByteCount = false;
    frame.status = 0;
    frame.address = 0;
    frame.function = 0;
    frame.exceptionCode = 0;
    frame.data.fill(0);
    frame.index = 0;
    frame.dataLen = 0;
    frame.frameReceived = false;
    m_rxState = RxState::Idle;
    m_rtuCandidate = false;
}

void Q7Port::binToHex(std::uint8_t value, std::span<std::uint8_t, 2> buffer)
{
    auto digit = [](int nibble) {
        return static_cast<std::uint8_t>(nibble < 10 ? nibble + 48 : nibble + 55);
    };
    buffer[1] = digit(value >> 4);
    buffer[0] = digit(value & 0x0F);
}

std::uint8_t Q7Port::hexToBin(std::span<const std::uint8_t, 2> buffer)
{
    // Not a validator: a stray character converts by the same arithmetic and fails the LRC.
    auto value = [](std::uint8_t c) -> std::uint8_t {
        if (c > 96)
            return static_cast<std::uint8_t>(c - 87);
        if (c > 64)
            return static_cast<std::uint8_t>(c - 55);
        return static_cast<std::uint8_t>(c - 48);
    };
    return static_cast<std::uint8_t>((value(buffer[1]) << 4) | value(buffer[0]));
}

void Q7Port::breakUnsignedInt16(std::uint16_t value, std::span<std::uint8_t, 2> out)
{
    out[0] = static_cast<std::uint8_t>(value >> 8);
    out[1] = static_cast<std::uint8_t>(value & 0xFF);
}

void Q7Port::breakFloat32(float value, std::span<std::uint8_t, 4> out)
{
    const auto bits = std::bit_cast<std::uint32_t>(value);
    for (int i = 0; i < 4; ++i)
        out[i] = static_cast<std::uint8_t>(bits >> (8 * i));
}

void Q7Port::updateCrc16(bool first, std::uint8_t byte, std::uint16_t& crc)
{
    crc = first ? static_cast<std::uint16_t>(0xFFFF ^ byte) : static_cast<std::uint16_t>(crc ^ byte);
    for (int bit = 0; bit < 8; ++bit) {
        const bool out = crc & 1;
        crc >>= 1;
        if (out)
            crc ^= 0xA001;
    }
}

void Q7Port::updateCcittCrc(std::uint16_t& crc, std::uint8_t byte)
{
    std::uint8_t x = static_cast<std::uint8_t>(byte ^ (crc & 0xFF));
    x = static_cast<std::uint8_t>(x ^ (x << 4));
    crc = static_cast<std::uint16_t>(((crc >> 8) | (x << 8)) ^ (x << 3) ^ (x >> 4));
}

std::uint16_t Q7Port::blockCalcCcittCrc(std::span<const std::uint8_t> data, std::uint16_t start)
{
    if (data.empty()) {
        showFault(kFaultCrcOverNothing);
        return start;
    }
    std::uint16_t crc = start;
    for (std::uint8_t b : data)
        updateCcittCrc(crc, b);
    return crc;
}

std::uint8_t Q7Port::blockCalcLrc() const
{
    // Always the link's own node address: a reply from another node fails here.
    unsigned sum = (m_nodeAddress & 0xFF) + sentFunction(frame);
    if (frame.exceptionCode) {
        sum += frame.exceptionCode;
    } else {
        for (int i = 0; i < boundedLen(frame); ++i)
            sum += frame.data[i];
    }
    return static_cast<std::uint8_t>((256 - (sum & 0xFF)) & 0xFF);
}

std::uint16_t Q7Port::blockCalcCrc16() const
{
    std::uint16_t crc = 0;
    updateCrc16(true, frame.address, crc);
    updateCrc16(false, sentFunction(frame), crc);
    if (frame.exceptionCode) {
        updateCrc16(false, frame.exceptionCode, crc);
    } else {
        for (int i = 0; i < boundedLen(frame); ++i)
            updateCrc16(false, frame.data[i], crc);
    }
    return crc;
}

bool Q7Port::isValidCommand(std::uint8_t function)
{
    switch (function) {
    case Modbus::kReadRegisters:
    case Modbus::kWriteSingleRegister:
    case Modbus::kWriteRegisters:
    case Modbus::kSetTime:
    case Modbus::kResetTotalisers:
    case Modbus::kSetCommsAccess:
    case Modbus::kFunction69:
        return true;
    default:
        return false;
    }
}

void Q7Port::frameTransmitterAscii()
{
    beginTx(frame);
    // Positions: 1-2 address, 3-4 function, 5-6 one payload byte (repeated), 7-8 LRC, 9 CR, 10 LF.
    auto sendHigh = [this](std::uint8_t v) {
        binToHex(v, frame.hexPair);
        PutChar(frame.hexPair[1]);
    };
    auto sendLow = [this]() { PutChar(frame.hexPair[0]); };
    const std::uint16_t payloadLen = frame.exceptionCode ? 1 : boundedLen(frame);
    switch (frame.txState) {
    case 1:
        sendHigh(static_cast<std::uint8_t>(m_nodeAddress));
        frame.txState = 2;
        break;
    case 2:
        sendLow();
        frame.txState = 3;
        break;
    case 3:
        sendHigh(sentFunction(frame));
        frame.txState = 4;
        break;
    case 4:
        sendLow();
        frame.txState = payloadLen > 0 ? 5 : 7;
        break;
    case 5:
        sendHigh(frame.exceptionCode ? frame.exceptionCode : frame.data[frame.index]);
        frame.txState = 6;
        break;
    case 6:
        sendLow();
        ++frame.index;
        frame.txState = frame.index < payloadLen ? 5 : 7;
        break;
    case 7:
        sendHigh(blockCalcLrc());
        frame.txState = 8;
        break;
    case 8:
        sendLow();
        frame.txState = 9;
        break;
    case 9:
        PutChar(Modbus::kCR);
        frame.txState = 10;
        break;
    case 10:
        PutChar(Modbus::kLF);
        markTxComplete(frame);
        break;
    default:
        showFault(kFaultAsciiTxState);
        markTxComplete(frame);
        break;
    }
}

void Q7Port::frameTransmitterRtu()
{
    beginTx(frame);
    const std::uint16_t payloadLen = frame.exceptionCode ? 1 : boundedLen(frame);
    switch (frame.txState) {
    case 1:
        PutChar(static_cast<std::uint8_t>(m_nodeAddress));
        frame.address = static_cast<std::uint8_t>(m_nodeAddress);
        frame.txState = 2;
        break;
    case 2:
        PutChar(sentFunction(frame));
        frame.txState = payloadLen > 0 ? 3 : 4;
        break;
    case 3:
        PutChar(frame.exceptionCode ? frame.exceptionCode : frame.data[frame.index]);
        ++frame.index;
        frame.txState = frame.index < payloadLen ? 3 : 4;
        break;
    case 4:
        frame.txCrc = blockCalcCrc16();
        PutChar(static_cast<std::uint8_t>(frame.txCrc & 0xFF));
        frame.txState = 5;
        break;
    case 5:
        PutChar(static_cast<std::uint8_t>(frame.txCrc >> 8));
        markTxComplete(frame);
        break;
    default:
        showFault(kFaultRtuParserState);
        markTxComplete(frame);
        break;
    }
}

void Q7Port::frameTransmitterKalder()
{
    enum : std::uint8_t
    {
        kStx = 1,
        kAddress,
        kAddressStuff,
        kType,
        kPayload,
        kPayloadStuff,
        kCrcLow,
        kCrcLowStuff,
        kCrcHigh,
        kCrcHighStuff,
        kDle,
        kEtx
    };
    beginTx(frame);
    const std::uint16_t payloadLen = boundedLen(frame);
    auto afterPayload = [&]() {
        if (payloadLen > 0)
            frame.txCrc = blockCalcCcittCrc(std::span(frame.data).first(payloadLen), frame.txCrc);
        frame.txState = kCrcLow;
    };
    switch (frame.txState) {
    case kStx:
        PutChar(STX);
        frame.txState = kAddress;
        break;
    case kAddress:
        frame.txCrc = 0;
        updateCcittCrc(frame.txCrc, m_kalderAddress);
        PutChar(m_kalderAddress);
        frame.txState = m_kalderAddress == DLE ? kAddressStuff : kType;
        break;
    case kAddressStuff:
        PutChar(kStuff);
        frame.txState = kType;
        break;
    case kType:
        updateCcittCrc(frame.txCrc, frame.kalderType);
        PutChar(frame.kalderType);
        if (payloadLen > 0)
            frame.txState = kPayload;
        else
            afterPayload();
        break;
    case kPayload: {
        const std::uint8_t b = frame.data[frame.index++];
        PutChar(b);
        if (b == DLE)
            frame.txState = kPayloadStuff;
        else if (frame.index >= payloadLen)
            afterPayload();
        break;
    }
    case kPayloadStuff:
        PutChar(kStuff);
        if (frame.index >= payloadLen)
            afterPayload();
        else
            frame.txState = kPayload;
        break;
    case kCrcLow: {
        const auto b = static_cast<std::uint8_t>(frame.txCrc & 0xFF);
        PutChar(b);
        frame.txState = b == DLE ? kCrcLowStuff : kCrcHigh;
        break;
    }
    case kCrcLowStuff:
        PutChar(kStuff);
        frame.txState = kCrcHigh;
        break;
    case kCrcHigh: {
        const auto b = static_cast<std::uint8_t>(frame.txCrc >> 8);
        PutChar(b);
        frame.txState = b == DLE ? kCrcHighStuff : kDle;
        break;
    }
    case kCrcHighStuff:
        PutChar(kStuff);
        frame.txState = kDle;
        break;
    case kDle:
        PutChar(DLE);
        frame.txState = kEtx;
        break;
    case kEtx:
        PutChar(ETX);
        frame.status = Q7Frame::kTxComplete;
        frame.txState = 0;
        break;
    default:
        showFault(kFaultKalderTxState);
        frame.status = Q7Frame::kTxComplete;
        frame.txState = 0;
        break;
    }
}

bool Q7Port::frameReceiverAscii(std::span<const std::uint8_t> raw)
{
    resetRxTxFrame(false);
    std::size_t i = 0;
    while (i < raw.size() && raw[i] != ':')
        ++i;
    if (i == raw.size())
        return checksumResult(frame, false);
    ++i;
    int pairs = 0;
    for (;;) {
        if (i >= raw.size())
            return checksumResult(frame, false);
        if (raw[i] == Modbus::kCR)
            break;
        if (i + 1 >= raw.size() || raw[i + 1] == Modbus::kCR || raw[i + 1] == Modbus::kLF)
            return checksumResult(frame, false);
        // hexToBin converts any character by its arithmetic, and about one corrupted frame in
        // 256 would still pass the LRC: a frame with anything but hex digits is not taken.
        if (!isHexDigit(raw[i]) || !isHexDigit(raw[i + 1]))
            return checksumResult(frame, false);
        const std::uint8_t pair[2] = {raw[i + 1], raw[i]};
        const std::uint8_t v = hexToBin(pair);
        if (pairs == 0) {
            frame.address = v;
        } else if (pairs == 1) {
            frame.function = v;
        } else {
            const int at = pairs - 2;
            if (at >= Q7Frame::kDataSize)
                return checksumResult(frame, false);
            if (at == 0 && (frame.function & Modbus::kExceptionBit))
                frame.exceptionCode = v;
            frame.data[at] = v;
        }
        ++pairs;
        i += 2;
    }
    if (i + 1 >= raw.size() || raw[i + 1] != Modbus::kLF || pairs < 3)
        return checksumResult(frame, false);
    frame.dataLen = static_cast<std::uint16_t>(pairs - 3); // the last pair is the LRC
    frame.index = frame.dataLen;
    return checksumResult(frame, blockCalcLrc() == frame.data[frame.dataLen]);
}

bool Q7Port::frameReceiverRtu(std::span<const std::uint8_t> raw)
{
    resetRxTxFrame(false);
    if (raw.size() < 2)
        return checksumResult(frame, false);
    frame.address = raw[0];
    frame.function = raw[1];
    std::uint16_t crc = 0;
    updateCrc16(true, raw[0], crc);
    updateCrc16(false, raw[1], crc);
    std::size_t pos = 2;
    std::size_t payload = 0;
    if (frame.function & Modbus::kExceptionBit) {
        if (pos >= raw.size())
            return checksumResult(frame, false);
        frame.exceptionCode = raw[pos];
        updateCrc16(false, raw[pos++], crc);
    } else {
        switch (frame.function) {
        case Modbus::kReadRegisters:
        case Modbus::kSetTime:
        case Modbus::kResetTotalisers:
        case Modbus::kSetCommsAccess:
            if (pos >= raw.size())
                return checksumResult(frame, false);
            frame.hasByteCount = true;
            payload = raw[pos];
            updateCrc16(false, raw[pos++], crc);
            break;
        case Modbus::kWriteSingleRegister:
        case Modbus::kWriteRegisters: // a write-multiple reply echoes start and quantity; no byte count
            payload = 4;
            break;
        case Modbus::kFunction69:
            payload = 2;
            break;
        default:
            showFault(kFaultRtuFunction);
            break;
        }
    }
    // One frame per silence: a frame with more or fewer bytes than its layout is not taken.
    if (raw.size() != pos + payload + 2)
        return checksumResult(frame, false);
    for (std::size_t k = 0; k < payload; ++k) {
        frame.data[k] = raw[pos + k];
        updateCrc16(false, raw[pos + k], crc);
    }
    pos += payload;
    frame.data[payload] = raw[pos];
    frame.dataLen = static_cast<std::uint16_t>(payload + 1);
    frame.index = frame.dataLen;
    frame.rxCrc = crc;
    const std::uint16_t sent = static_cast<std::uint16_t>(raw[pos] | (raw[pos + 1] << 8));
    return checksumResult(frame, sent == crc);
}

bool Q7Port::frameReceiverKalder(std::span<const std::uint8_t> raw)
{
    resetRxTxFrame(true);
    if (raw.size() < 4 || raw.size() > kMaxKalderBody)
        return checksumResult(frame, false);
    frame.address = raw[0];
    frame.kalderType = raw[1];
    std::copy(raw.begin() + 2, raw.end(), frame.data.begin());
    frame.function = raw[3];
    frame.index = static_cast<std::uint16_t>(raw.size() - 1);
    frame.dataLen = static_cast<std::uint16_t>(raw.size() - 4);
    std::uint16_t crc = 0;
    updateCcittCrc(crc, frame.address);
    updateCcittCrc(crc, frame.kalderType);
    if (frame.dataLen > 0)
        crc = blockCalcCcittCrc(std::span(frame.data).first(frame.dataLen), crc);
    frame.rxCrc = crc;
    const auto sent =
        static_cast<std::uint16_t>(frame.data[frame.dataLen] + 256 * frame.data[frame.dataLen + 1]);
    return checksumResult(frame, sent == crc);
}
