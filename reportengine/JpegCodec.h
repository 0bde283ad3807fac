#pragma once

#include "PagedDocument.h"

#include <QByteArray>

#include <optional>

// JPEG through libjpeg, so that the quality a report's pictures are stored with is ours to
// choose rather than a toolkit's.
namespace JpegCodec {

// Grey and RGB pictures; CMYK and other colour spaces come back as RGB. Nothing on broken data.
std::optional<RasterImage> decode(const QByteArray& jpeg);
// Baseline DCT at the given quality (1..100). Same pixels, same bytes, every time.
QByteArray encode(const RasterImage& image, int quality);

} // namespace JpegCodec
