#include "Jpeg.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>  // jpeglib.h needs FILE declared

#include <jpeglib.h>

namespace forms {

namespace {

constexpr int kLargestSide = 8192;

// libjpeg reports a fatal error by calling error_exit, which must not
// return: it jumps back to the decoder.
struct JpegError {
    jpeg_error_mgr manager;
    std::jmp_buf back;
};

[[noreturn]] void jpegFailed(j_common_ptr info) {
    std::longjmp(reinterpret_cast<JpegError*>(info->err)->back, 1);
}

void jpegSilent(j_common_ptr, int) {}

// Only plain data lives here, so the jump skips no destructor.
bool decodeInto(const std::string& bytes, jpeg_decompress_struct& info, JpegError& error, Picture& out) {
    if (setjmp(error.back)) return false;
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<unsigned long>(bytes.size()));
    if (jpeg_read_header(&info, TRUE) != JPEG_HEADER_OK) return false;
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    if (info.output_width > kLargestSide || info.output_height > kLargestSide || info.output_components != 3)
        return false;
    out.width = static_cast<int>(info.output_width);
    out.height = static_cast<int>(info.output_height);
    out.rgb.resize(static_cast<std::size_t>(out.width) * out.height * 3);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = out.rgb.data() + static_cast<std::size_t>(info.output_scanline) * out.width * 3;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    return true;
}

}  // namespace

Picture decodeJpeg(const std::string& bytes) {
    jpeg_decompress_struct info{};
    JpegError error{};
    info.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = jpegFailed;
    error.manager.emit_message = jpegSilent;
    Picture picture;
    const bool done = decodeInto(bytes, info, error, picture);
    jpeg_destroy_decompress(&info);
    return done ? picture : Picture{};
}

Picture scaled(const Picture& picture, int width, int height) {
    if (picture.empty() || width <= 0 || height <= 0) return {};
    Picture out{width, height, std::vector<unsigned char>(static_cast<std::size_t>(width) * height * 3)};
    // Bilinear: each target pixel's centre mapped into the source.
    for (int y = 0; y < height; ++y) {
        const double sy = std::clamp((y + 0.5) * picture.height / height - 0.5, 0.0, picture.height - 1.0);
        const int y0 = static_cast<int>(sy), y1 = std::min(y0 + 1, picture.height - 1);
        const double fy = sy - y0;
        for (int x = 0; x < width; ++x) {
            const double sx = std::clamp((x + 0.5) * picture.width / width - 0.5, 0.0, picture.width - 1.0);
            const int x0 = static_cast<int>(sx), x1 = std::min(x0 + 1, picture.width - 1);
            const double fx = sx - x0;
            for (int c = 0; c < 3; ++c) {
                const auto at = [&](int px, int py) {
                    return picture.rgb[(static_cast<std::size_t>(py) * picture.width + px) * 3 + c];
                };
                const double top = at(x0, y0) * (1 - fx) + at(x1, y0) * fx;
                const double bottom = at(x0, y1) * (1 - fx) + at(x1, y1) * fx;
                out.rgb[(static_cast<std::size_t>(y) * width + x) * 3 + c] =
                    static_cast<unsigned char>(top * (1 - fy) + bottom * fy + 0.5);
            }
        }
    }
    return out;
}

}  // namespace forms
