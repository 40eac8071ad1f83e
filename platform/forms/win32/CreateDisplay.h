// The choice of the Windows back end, without the system's headers.
#pragma once

#include "Forms.h"
#include "headless/ScriptedUser.h"

#include <memory>

namespace forms::win32 {

// SETUP_UI value that lets a script drive the native windows.
constexpr const char* kUiName = "win32";

// Native windows, driven by the scripted user when one is given (through
// the windows' own messages), else by the person at the screen.
std::unique_ptr<DisplayBackEnd> createDisplay(std::unique_ptr<headless::ScriptedUser> scriptedUser);

}  // namespace forms::win32
