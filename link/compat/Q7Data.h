#pragma once

// Stand-in for the board data types of records/ while that layer is not yet in this tree:
// only what the link uses, with the same names and shapes. Removed when records/ arrives.
#include <array>
#include <cstdint>

namespace Q7Data {

struct Timestamp
{
    std::uint8_t year = 0; // year - 2000
    std::uint8_t month = 0;
    std::uint8_t day = 0;
    std::uint8_t hour = 0;
    std::uint8_t minute = 0;
    std::uint8_t second = 0;

    friend bool operator==(const Timestamp&, const Timestamp&) = default;
};
using sTimestamp = Timestamp;

struct Totalisers
{
    float ForwardTotal = 0;
    float ReverseTotal = 0;
    float NettTotal = 0;
    float PeakForwardTotal = 0;
    float OffPeakForwardTotal = 0;
    float PeakReverseTotal = 0;
    float OffPeakReverseTotal = 0;
    float ForwardYTDTotal = 0;
    float ReverseYTDTotal = 0;
    float NettYTDTotal = 0;

    static constexpr std::size_t kCount = 10;
    std::array<float, kCount> values() const
    {
        return {ForwardTotal,     ReverseTotal,        NettTotal,       PeakForwardTotal, OffPeakForwardTotal,
                PeakReverseTotal, OffPeakReverseTotal, ForwardYTDTotal, ReverseYTDTotal,  NettYTDTotal};
    }
    static Totalisers fromValues(const std::array<float, kCount>& v)
    {
        return {v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8], v[9]};
    }
};

enum ProtocolType : std::uint8_t
{
    ptAscii = 0,
    ptRtu = 1,
    ptEmbedded = 2
};

} // namespace Q7Data
