#include "CalRecord.h"

#include <stdexcept>

namespace {

std::size_t entry(std::size_t base, int index, int count)
{
    if (index < 0 || index >= count)
        throw std::out_of_range("record entry index out of range");
    return base + 4 * static_cast<std::size_t>(index);
}

} // namespace

float CalRecord::tubeSelect(int index) const
{
    return f32(entry(20, index, kTubeSelects));
}

float CalRecord::tubeFactor(int index) const
{
    return f32(entry(32, index, kTubeFactors));
}

float CalRecord::tubeZero(int index) const
{
    return f32(entry(48, index, kTubeZeros));
}

float CalRecord::currentOutputSpan(int index) const
{
    return f32(entry(68, index, kCurrentOutputs));
}

float CalRecord::currentOutputOffset(int index) const
{
    return f32(entry(76, index, kCurrentOutputs));
}

void CalRecord::setTubeFactor(int index, float v)
{
    setF32(entry(32, index, kTubeFactors), v);
}

void CalRecord::setTubeZero(int index, float v)
{
    setF32(entry(48, index, kTubeZeros), v);
}
