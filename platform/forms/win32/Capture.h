// Pictures of native windows: the window as it is on the screen now, taken
// from its device context (BitBlt), as the bytes of a PNG file made by the
// system's imaging component.
#pragma once

#include <windows.h>

#include <string>

namespace forms::win32 {

// 32-bit blue-green-red pixels, top row first, as both pictures and captures are.
BITMAPINFO topDownBgra(int width, int height);

// The whole window, frame and caption included; "" when it cannot be taken.
std::string capturePng(HWND window);

}  // namespace forms::win32
