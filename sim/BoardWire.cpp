#include "BoardWire.h"

namespace sim::wire {

uint16_t kalderCrc(std::span<const uint8_t> bytes, uint16_t crc)
{
    for (uint8_t b : bytes) {
        uint8_t x = uint8_t(b ^ (crc & 0xFF));
        x = uint8_t(x ^ (x << 4));
        crc = uint16_t(((crc >> 8) | (x << 8)) ^ (x << 3) ^ (x >> 4));
    }
    return crc;
}

uint16_t modbusCrc(std::span<const uint8_t> bytes)
{
    uint16_t crc = 0xFFFF;
    for (uint8_t b : bytes) {
        crc ^= b;
        for (int i = 0; i < 8; ++i)
            crc = (crc & 1) ? uint16_t((crc >> 1) ^ 0xA001) : uint16_t(crc >> 1);
    }
    return crc;
}

uint8_t lrc(std::span<const uint8_t> bytes)
{
    uint8_t sum = 0;
    for (uint8_t b : bytes)
        sum = uint8_t(sum + b);
    return uint8_t(-sum);
}

namespace {

void appendStuffed(QByteArray& out, uint8_t b)
{
    out.append(char(b));
    if (b == kDle)
        out.append(char(kStuff));
}

void appendHex(QByteArray& out, uint8_t b)
{
    static constexpr char digits[] = "0123456789ABCDEF";
    out.append(digits[b >> 4]);
    out.append(digits[b & 0x0F]);
}

} // namespace

QByteArray kalderFrame(uint8_t type, std::span<const uint8_t> payload, uint16_t crcXor)
{
    const uint8_t head[2] = {kKalderAddress, type};
    const uint16_t crc = uint16_t(kalderCrc(payload, kalderCrc(head)) ^ crcXor);
    QByteArray out;
    out.reserve(int(payload.size()) * 2 + 10);
    out.append(char(kDle));
    out.append(char(kStx));
    appendStuffed(out, kKalderAddress);
    // The type byte is never stuffed; every type the board sends is above 0x80 anyway.
    out.append(char(type));
    for (uint8_t b : payload)
        appendStuffed(out, b);
    appendStuffed(out, uint8_t(crc & 0xFF));
    appendStuffed(out, uint8_t(crc >> 8));
    out.append(char(kDle));
    out.append(char(kEtx));
    return out;
}

QByteArray asciiFrame(uint8_t function, std::span<const uint8_t> data, uint8_t lrcXor)
{
    QByteArray body;
    body.append(char(kNodeAddress));
    body.append(char(function));
    body.append(reinterpret_cast<const char*>(data.data()), qsizetype(data.size()));
    const auto bodyBytes =
        std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(body.constData()), size_t(body.size()));
    QByteArray out(":");
    for (uint8_t b : bodyBytes)
        appendHex(out, b);
    appendHex(out, uint8_t(lrc(bodyBytes) ^ lrcXor));
    out.append("\r\n");
    return out;
}

QByteArray rtuFrame(uint8_t function, std::span<const uint8_t> data, uint16_t crcXor)
{
    QByteArray out;
    out.append(char(kNodeAddress));
    out.append(char(function));
    out.append(reinterpret_cast<const char*>(data.data()), qsizetype(data.size()));
    const uint16_t crc =
        uint16_t(modbusCrc({reinterpret_cast<const uint8_t*>(out.constData()), size_t(out.size())}) ^ crcXor);
    out.append(char(crc & 0xFF));
    out.append(char(crc >> 8));
    return out;
}

} // namespace sim::wire
