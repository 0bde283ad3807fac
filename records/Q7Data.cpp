#include "Q7Data.h"

#include "ByteOrder.h"

namespace Q7Data {

std::array<float, Totalisers::kCount> Totalisers::values() const
{
    return {ForwardTotal,     ReverseTotal,        NettTotal,       PeakForwardTotal, OffPeakForwardTotal,
            PeakReverseTotal, OffPeakReverseTotal, ForwardYTDTotal, ReverseYTDTotal,  NettYTDTotal};
}

Totalisers Totalisers::fromValues(const std::array<float, kCount>& v)
{
    return {v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8], v[9]};
}

std::array<std::uint8_t, Totalisers::kBytes> Totalisers::toBytes() const
{
    std::array<std::uint8_t, kBytes> out{};
    const auto v = values();
    for (std::size_t i = 0; i < kCount; ++i)
        ByteOrder::writeLeF32(out, 4 * i, v[i]);
    return out;
}

std::optional<Totalisers> Totalisers::fromBytes(std::span<const std::uint8_t> bytes)
{
    if (bytes.size() != kBytes)
        return std::nullopt;
    std::array<float, kCount> v{};
    for (std::size_t i = 0; i < kCount; ++i)
        v[i] = ByteOrder::readLeF32(bytes, 4 * i);
    return fromValues(v);
}

} // namespace Q7Data
