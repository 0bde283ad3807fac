#include "BasicCalRecord.h"

#include <stdexcept>

BasicCalRecord::CompensationEntry BasicCalRecord::compensation(int index) const
{
    if (index < 0 || index >= kCompensations)
        throw std::out_of_range("record entry index out of range");
    const std::size_t at = 10 + 24 * static_cast<std::size_t>(index);
    CompensationEntry e;
    e.formula = s16(at);
    e.channels = {u8(at + 2), u8(at + 3)};
    for (std::size_t i = 0; i < e.coefficients.size(); ++i)
        e.coefficients[i] = f32(at + 4 + 4 * i);
    return e;
}
