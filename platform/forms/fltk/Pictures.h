// Pictures of the FLTK back end: the designs' JPEG resources decoded with
// libjpeg, scaled for stretched images, and windows captured as PNG files.
#pragma once

#include <string>
#include <vector>

class Fl_Window;

namespace forms::fltk {

// Rows of RGB pixels, top first.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgb;
    bool empty() const { return rgb.empty(); }
};

// Empty for data libjpeg cannot read, or a picture larger than 8192 x 8192.
Picture decodeJpeg(const std::string& bytes);
// The picture stretched (or shrunk) to width x height, pixels interpolated.
Picture scaled(const Picture& picture, int width, int height);
// The bytes of a PNG file holding the picture.
std::string encodePng(const Picture& picture);
// The window's client area as its widgets draw it now.
Picture capture(Fl_Window& window);

}  // namespace forms::fltk
