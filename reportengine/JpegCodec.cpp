#include "JpegCodec.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
// jpeglib.h needs FILE and size_t declared before it.
#include <jpeglib.h>

namespace JpegCodec {
namespace {

constexpr std::size_t kMaxPixels = 40'000'000;

// libjpeg reports fatal errors through a callback that must not return; we jump back to the
// call that started the work. Only plain C data lives between setjmp and longjmp.
struct ErrorManager
{
    jpeg_error_mgr base;
    std::jmp_buf jump;
};

[[noreturn]] void onError(j_common_ptr info)
{
    auto* manager = reinterpret_cast<ErrorManager*>(info->err);
    std::longjmp(manager->jump, 1);
}

void onMessage(j_common_ptr) {}

// Runs the decoder over memory; false on any error. Written without objects that have
// destructors, since a longjmp would skip them.
bool runDecoder(const unsigned char* data, unsigned long size, RasterImage* out)
{
    jpeg_decompress_struct info;
    ErrorManager errors;
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = onError;
    errors.base.output_message = onMessage;
    if (setjmp(errors.jump)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, data, size);
    jpeg_read_header(&info, TRUE);
    info.out_color_space = info.num_components == 1 ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_start_decompress(&info);
    // A picture in a report is small; a header claiming more is broken or hostile.
    if (std::size_t(info.output_width) * info.output_height > kMaxPixels) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    const std::size_t stride = std::size_t(info.output_width) * std::size_t(info.output_components);
    out->width = int(info.output_width);
    out->height = int(info.output_height);
    out->components = info.output_components;
    out->pixels.resize(stride * info.output_height);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = out->pixels.data() + stride * info.output_scanline;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return true;
}

bool runEncoder(const RasterImage& image, int quality, unsigned char** buffer, unsigned long* size)
{
    jpeg_compress_struct info;
    ErrorManager errors;
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = onError;
    errors.base.output_message = onMessage;
    if (setjmp(errors.jump)) {
        jpeg_destroy_compress(&info);
        return false;
    }
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, buffer, size);
    info.image_width = JDIMENSION(image.width);
    info.image_height = JDIMENSION(image.height);
    info.input_components = image.components;
    info.in_color_space = image.components == 1 ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    jpeg_start_compress(&info, TRUE);
    const std::size_t stride = std::size_t(image.width) * std::size_t(image.components);
    while (info.next_scanline < info.image_height) {
        // libjpeg's row type is not const, but it only reads the rows it is given.
        JSAMPROW row = const_cast<JSAMPLE*>(image.pixels.data() + stride * info.next_scanline);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return true;
}

} // namespace

std::optional<RasterImage> decode(const QByteArray& jpeg)
{
    if (jpeg.isEmpty())
        return std::nullopt;
    RasterImage image;
    if (!runDecoder(reinterpret_cast<const unsigned char*>(jpeg.constData()),
                    static_cast<unsigned long>(jpeg.size()), &image) ||
        !image.isValid())
        return std::nullopt;
    return image;
}

QByteArray encode(const RasterImage& image, int quality)
{
    if (!image.isValid())
        return {};
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    const bool ok = runEncoder(image, quality, &buffer, &size);
    QByteArray bytes;
    if (ok && buffer)
        bytes = QByteArray(reinterpret_cast<const char*>(buffer), qsizetype(size));
    std::free(buffer);
    return bytes;
}

} // namespace JpegCodec
