// Pictures reach the report from outside the program (photographs of a site), so the JPEG
// decoder sees any bytes: it must refuse broken data without trapping, and whatever it does
// return must be a whole picture that encodes again.
#include "JpegCodec.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto image = JpegCodec::decode(
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    if (!image)
        return 0;
    if (!image->isValid())
        __builtin_trap();
    // Small pictures only: a re-encode of a large one would only slow the search down.
    if (image->pixels.size() <= 64 * 64 * 3 && JpegCodec::encode(*image, 95).isEmpty())
        __builtin_trap();
    return 0;
}
