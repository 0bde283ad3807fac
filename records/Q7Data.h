#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>

// The board's data types shared by the link, the records, the report and the workflows.
namespace Q7Data {

// The board's compact clock value; also the layout of the timestamps inside its records.
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

// The log-bounds timestamps travel byte for byte in the same six fields.
using sTimestamp = Timestamp;

// The board's ten volume totals, in register order.
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
    static constexpr std::size_t kBytes = 40;

    std::array<float, kCount> values() const;
    static Totalisers fromValues(const std::array<float, kCount>& v);

    // The totaliser backup files: the ten values little-endian, in order, nothing else.
    std::array<std::uint8_t, kBytes> toBytes() const;
    // nullopt unless exactly 40 bytes.
    static std::optional<Totalisers> fromBytes(std::span<const std::uint8_t> bytes);

    friend bool operator==(const Totalisers&, const Totalisers&) = default;
};

// Transport of the protocol-selectable requests.
enum ProtocolType : std::uint8_t
{
    ptAscii = 0,
    ptRtu = 1,
    ptEmbedded = 2
};

} // namespace Q7Data
