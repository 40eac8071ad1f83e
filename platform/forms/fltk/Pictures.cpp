#include "Pictures.h"

#include <FL/Fl_Image.H>
#include <FL/Fl_Image_Surface.H>
#include <FL/Fl_Window.H>

#include <csetjmp>
#include <memory>

#include <png.h>

namespace forms::fltk {

namespace {

// libpng too reports errors by a jump; the writer only appends to a string.
void pngAppend(png_structp png, png_bytep data, png_size_t length) {
    static_cast<std::string*>(png_get_io_ptr(png))->append(reinterpret_cast<const char*>(data), length);
}

void pngFlush(png_structp) {}

bool encodeInto(const Picture& picture, png_structp png, png_infop info, std::string& out) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_write_fn(png, &out, pngAppend, pngFlush);
    png_set_IHDR(png, info, static_cast<png_uint_32>(picture.width), static_cast<png_uint_32>(picture.height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < picture.height; ++y)
        png_write_row(png, picture.rgb.data() + static_cast<std::size_t>(y) * picture.width * 3);
    png_write_end(png, info);
    return true;
}

}  // namespace

std::string encodePng(const Picture& picture) {
    if (picture.empty()) return "";
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!png) return "";
    png_infop info = png_create_info_struct(png);
    std::string out;
    const bool done = info && encodeInto(picture, png, info, out);
    png_destroy_write_struct(&png, info ? &info : nullptr);
    return done ? out : "";
}

Picture capture(Fl_Window& window) {
    Fl_Image_Surface surface(window.w(), window.h());
    surface.set_current();
    surface.draw(&window);
    const std::unique_ptr<Fl_RGB_Image> image(surface.image());
    Fl_Display_Device::display_device()->set_current();
    if (!image || image->d() < 3) return {};
    Picture picture{image->w(), image->h(), {}};
    const auto* data = reinterpret_cast<const unsigned char*>(image->data()[0]);
    const int lineBytes = image->ld() ? image->ld() : image->w() * image->d();
    for (int y = 0; y < image->h(); ++y)
        for (int x = 0; x < image->w(); ++x)
            for (int c = 0; c < 3; ++c) picture.rgb.push_back(data[y * lineBytes + x * image->d() + c]);
    return picture;
}

}  // namespace forms::fltk
