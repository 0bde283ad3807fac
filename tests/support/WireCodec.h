#pragma once

#include <QByteArray>

#include <cstdint>
#include <optional>

// The PC's and the board's framings as the tests read and write them: written from the wire
// format with bit-wise CRCs, unlike the byte-wise ones of the link and of the simulated board,
// so a codec fault in either cannot hide by being shared with its test.
namespace wire {

inline std::uint16_t kermit(const QByteArray& bytes)
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

inline std::uint16_t modbusCrc(const QByteArray& bytes)
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

// DLE STX, stuffed address, type (never stuffed), stuffed payload and CRC, DLE ETX.
inline QByteArray kalder(std::uint8_t type, const QByteArray& payload, std::uint8_t address = 1)
{
    QByteArray body;
    body.append(static_cast<char>(address));
    body.append(static_cast<char>(type));
    body.append(payload);
    const std::uint16_t crc = kermit(body);
    body.append(static_cast<char>(crc & 0xFF));
    body.append(static_cast<char>(crc >> 8));
    QByteArray out("\x10\x02", 2);
    for (qsizetype i = 0; i < body.size(); ++i) {
        out.append(body[i]);
        if (static_cast<std::uint8_t>(body[i]) == 0x10 && i != 1)
            out.append('\x90');
    }
    out.append("\x10\x03", 2);
    return out;
}

// A request of the PC: type 0x80, the command, its arguments.
inline QByteArray request(std::uint8_t command, const QByteArray& args = {})
{
    return kalder(0x80, QByteArray(1, static_cast<char>(command)) + args);
}

// A reply of the board: type 0x81, data 0x80 (or a refusal), the command, the results.
inline QByteArray kalderReply(std::uint8_t command, const QByteArray& results, std::uint8_t accepted = 0x80)
{
    QByteArray payload;
    payload.append(static_cast<char>(accepted));
    payload.append(static_cast<char>(command));
    payload.append(results);
    return kalder(0x81, payload);
}

// ':', the bytes and their LRC as upper-case hex pairs, CR LF.
inline QByteArray ascii(const QByteArray& addressFunctionData)
{
    std::uint8_t sum = 0;
    for (char c : addressFunctionData)
        sum = static_cast<std::uint8_t>(sum + static_cast<std::uint8_t>(c));
    return ":" +
           (addressFunctionData + QByteArray(1, static_cast<char>(static_cast<std::uint8_t>(-sum))))
               .toHex()
               .toUpper() +
           "\r\n";
}

inline QByteArray rtu(const QByteArray& addressFunctionData)
{
    const std::uint16_t crc = modbusCrc(addressFunctionData);
    return addressFunctionData + QByteArray(1, static_cast<char>(crc & 0xFF)) +
           QByteArray(1, static_cast<char>(crc >> 8));
}

inline QByteArray hex(const char* spaced)
{
    return QByteArray::fromHex(QByteArray(spaced).replace(' ', ""));
}

struct KalderFrame
{
    QByteArray wire;
    std::uint8_t type = 0;
    QByteArray payload; // for a reply: accepted byte, echoed command, results
    bool crcOk = false;
    QByteArray before; // bytes that came ahead of the frame
};

// Takes the first whole Kalder frame out of pending, unstuffed and CRC-checked; nullopt while
// none is complete. A DLE that is neither stuffing nor the end makes a frame that fails its
// check, as it would on the far end.
inline std::optional<KalderFrame> takeKalder(QByteArray& pending)
{
    const qsizetype start = pending.indexOf("\x10\x02");
    if (start < 0)
        return std::nullopt;
    QByteArray body;
    for (qsizetype i = start + 2; i + 1 < pending.size(); ++i) {
        const auto b = static_cast<std::uint8_t>(pending[i]);
        if (b != 0x10 || i == start + 3) { // the type byte is never stuffed
            body.append(static_cast<char>(b));
            continue;
        }
        const auto next = static_cast<std::uint8_t>(pending[i + 1]);
        if (next == 0x90) {
            body.append('\x10');
            ++i;
            continue;
        }
        KalderFrame f;
        f.before = pending.left(start);
        f.wire = pending.mid(start, i + 2 - start);
        pending.remove(0, i + 2);
        if (next != 0x03 || body.size() < 4)
            return f;
        f.type = static_cast<std::uint8_t>(body[1]);
        f.payload = body.mid(2, body.size() - 4);
        const auto sent = static_cast<std::uint16_t>(static_cast<std::uint8_t>(body[body.size() - 2]) |
                                                     static_cast<std::uint8_t>(body[body.size() - 1]) << 8);
        f.crcOk = kermit(body.left(body.size() - 2)) == sent;
        return f;
    }
    return std::nullopt;
}

} // namespace wire
