// The designs' JPEG pictures decoded with libjpeg, and scaled for stretched
// images: what every display back end with real windows draws.
#pragma once

#include <string>
#include <vector>

namespace forms {

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

}  // namespace forms
