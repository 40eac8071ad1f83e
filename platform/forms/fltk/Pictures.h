// Pictures of the FLTK back end: the designs' JPEG pictures (picture/Jpeg.h)
// and windows captured as PNG files.
#pragma once

#include "picture/Jpeg.h"

#include <string>

class Fl_Window;

namespace forms::fltk {

using forms::Picture;

// The bytes of a PNG file holding the picture.
std::string encodePng(const Picture& picture);
// The window's client area as its widgets draw it now.
Picture capture(Fl_Window& window);

}  // namespace forms::fltk
