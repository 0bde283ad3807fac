#include "Registers.h"

#include "ByteOrder.h"

namespace Registers {

std::uint16_t uint16At(std::span<const std::uint8_t> registerBytes, std::size_t index)
{
    return ByteOrder::readBe16(registerBytes, 2 * index);
}

std::uint32_t uint32At(std::span<const std::uint8_t> registerBytes, std::size_t index)
{
    return ByteOrder::readBe32(registerBytes, 2 * index);
}

float float32At(std::span<const std::uint8_t> registerBytes, std::size_t index)
{
    return ByteOrder::readBeF32(registerBytes, 2 * index);
}

int firmwareVersionNumber(const FirmwareChars& chars)
{
    return (chars[2] & 15) * 10 + (chars[3] & 15);
}

QString firmwareVersionText(const FirmwareChars& chars)
{
    QString text;
    for (std::uint8_t c : chars) {
        if (c == 0)
            break;
        text += QChar::fromLatin1(static_cast<char>(c));
    }
    return text;
}

Esn esnFromRegisters(std::span<const std::uint8_t, 6> r)
{
    return {r[5], r[4], r[3], r[2], r[1], r[0]};
}

Q7Data::Timestamp timestampFromRegisters(std::span<const std::uint8_t, 6> r)
{
    return {r[5], r[4], r[3], r[2], r[1], r[0]};
}

Q7Data::Totalisers totalisersFromRegisters(std::span<const std::uint8_t, 80> registerBytes)
{
    std::array<float, Q7Data::Totalisers::kCount> v{};
    for (std::size_t k = 0; k < v.size(); ++k)
        v[k] = float32At(registerBytes, 4 * k);
    return Q7Data::Totalisers::fromValues(v);
}

} // namespace Registers
