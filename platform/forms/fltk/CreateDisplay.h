// The choice of the FLTK back end, without the toolkit's headers.
#pragma once

#include "Forms.h"

#include <memory>

namespace forms::fltk {

// SETUP_UI value that lets a script drive the real windows.
constexpr const char* kUiName = "fltk";

// Real windows, driven by the scripted user when one is given, else by the
// person at the display.  Without a display the run ends at once (exit code
// 2) with a message naming the display it could not open.
std::unique_ptr<DisplayBackEnd> createDisplay(std::unique_ptr<DisplayBackEnd> scriptedUser);

}  // namespace forms::fltk
