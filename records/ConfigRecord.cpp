#include "ConfigRecord.h"

#include <algorithm>
#include <stdexcept>

namespace {

void checkIndex(int index, int count)
{
    if (index < 0 || index >= count)
        throw std::out_of_range("record entry index out of range");
}

} // namespace

ConfigRecord::AlarmSetting ConfigRecord::alarm(int index) const
{
    checkIndex(index, kAlarms);
    const std::size_t at = 112 + 12 * static_cast<std::size_t>(index);
    return {u16(at) != 0, u16(at + 2)};
}

ConfigRecord::AnalogOutputSetting ConfigRecord::analogOutput(int index) const
{
    checkIndex(index, kAnalogOutputs);
    const std::size_t at = 160 + 20 * static_cast<std::size_t>(index);
    return {u16(at) != 0, s16(at + 2), f32(at + 4), f32(at + 8), f32(at + 12), f32(at + 16)};
}

ConfigRecord::DigitalOutputSetting ConfigRecord::digitalOutput(int index) const
{
    checkIndex(index, kDigitalOutputs);
    const std::size_t at = 200 + 10 * static_cast<std::size_t>(index);
    return {s16(at), s16(at + 2), u16(at + 4), u16(at + 6), u16(at + 8)};
}

void ConfigRecord::keepBoardOwnSettings(const ConfigRecord& replacementBoard)
{
    const auto from = replacementBoard.bytes().subspan(kBoardOwnOffset, kBoardOwnSize);
    std::copy(from.begin(), from.end(), m_bytes.begin() + kBoardOwnOffset);
}

std::array<std::uint8_t, ConfigRecord::kSize> ConfigRecord::maskedBytes() const
{
    auto out = m_bytes;
    std::fill_n(out.begin() + kAccessCodesOffset, kAccessCodesSize, std::uint8_t{0});
    return out;
}

bool ConfigRecord::acceptsAccessCode(std::uint16_t code) const
{
    for (std::size_t at = kAccessCodesOffset; at < kAccessCodesOffset + kAccessCodesSize; at += 2)
        if (u16(at) == code)
            return true;
    return false;
}

std::uint16_t ConfigRecord::lowestNonAccessCode() const
{
    // Three codes can block at most three values, so this ends by 3.
    std::uint16_t v = 0;
    while (acceptsAccessCode(v))
        ++v;
    return v;
}
