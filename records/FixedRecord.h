#pragma once

#include "BoardTime.h"
#include "ByteOrder.h"
#include "Q7Data.h"

#include <QByteArray>

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

// A board record: exactly N bytes, recognised only by how it was obtained and by its length.
// The record owns a copy of its bytes, so it can neither outgrow nor outlive its source, and
// every byte it does not interpret (reserved, the 4 bytes after a timestamp) is carried as is.
template <typename Derived, std::size_t N> class FixedRecord
{
public:
    static constexpr std::size_t kSize = N;

    // A record of all zero bytes.
    FixedRecord() = default;

    // nullopt unless exactly N bytes.
    static std::optional<Derived> fromBytes(std::span<const std::uint8_t> bytes)
    {
        if (bytes.size() != N)
            return std::nullopt;
        Derived record;
        std::copy(bytes.begin(), bytes.end(), record.m_bytes.begin());
        return record;
    }
    static std::optional<Derived> fromBytes(const QByteArray& bytes)
    {
        return fromBytes(std::span(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                   static_cast<std::size_t>(bytes.size())));
    }

    std::span<const std::uint8_t, N> bytes() const { return m_bytes; }
    QByteArray toByteArray() const
    {
        return QByteArray(reinterpret_cast<const char*>(m_bytes.data()), static_cast<qsizetype>(N));
    }

    friend bool operator==(const FixedRecord&, const FixedRecord&) = default;

protected:
    std::uint8_t u8(std::size_t at) const { return m_bytes.at(at); }
    std::uint16_t u16(std::size_t at) const { return ByteOrder::readLe16(m_bytes, at); }
    std::int16_t s16(std::size_t at) const { return ByteOrder::readLeS16(m_bytes, at); }
    std::uint32_t u32(std::size_t at) const { return ByteOrder::readLe32(m_bytes, at); }
    float f32(std::size_t at) const { return ByteOrder::readLeF32(m_bytes, at); }
    Q7Data::Timestamp timestamp(std::size_t at) const
    {
        return Q7Data::decodeTimestamp(
            std::span<const std::uint8_t>(m_bytes).subspan(at).template first<6>());
    }

    void setU16(std::size_t at, std::uint16_t v) { ByteOrder::writeLe16(m_bytes, at, v); }
    void setU32(std::size_t at, std::uint32_t v) { ByteOrder::writeLe32(m_bytes, at, v); }
    void setF32(std::size_t at, float v) { ByteOrder::writeLeF32(m_bytes, at, v); }

    std::array<std::uint8_t, N> m_bytes{};
};
