// Windows back end of the console: a console gets the characters themselves
// (wide), redirected output the ANSI code page, the user's code set; both
// with the CR LF line ends of a Windows program.  Single keys are read from
// a console with line input and echo off.
#include "Console.h"

#include "Native.h"

#include <atomic>

namespace win::console {
namespace {

std::string withCrLf(const std::string& text) {
    std::string lines;
    lines.reserve(text.size() + text.size() / 16);
    for (const char c : text) {
        if (c == '\n') lines += '\r';
        lines += c;
    }
    return lines;
}

bool isConsole(HANDLE handle) {
    DWORD mode = 0;
    return GetConsoleMode(handle, &mode);
}

// A closed pipe or a full disk: nothing to report to.
void writeTo(DWORD which, const std::string& text) {
    const HANDLE handle = GetStdHandle(which);
    const std::wstring wide = native::toWide(withCrLf(text));
    if (isConsole(handle)) {
        for (std::size_t done = 0; done < wide.size();) {
            DWORD put = 0;
            if (!WriteConsoleW(handle, wide.data() + done, static_cast<DWORD>(wide.size() - done), &put, nullptr) ||
                put == 0)
                return;
            done += put;
        }
        return;
    }
    const std::string bytes = native::fromWide(wide, GetACP());
    for (std::size_t done = 0; done < bytes.size();) {
        DWORD put = 0;
        if (!WriteFile(handle, bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &put, nullptr) ||
            put == 0)
            return;
        done += put;
    }
}

// ------------------------------------------------------------ key mode
// The console's input mode while no key is read, and whether it is changed
// now; read by the control handler, which runs on a thread of its own.
HANDLE g_input = INVALID_HANDLE_VALUE;
DWORD g_lineMode = 0;
std::atomic<bool> g_keyModeActive{false};

// Ctrl+C, Ctrl+Break or a closed console end the process as they would
// anyway, but leave the console to the next program in its line mode.
BOOL WINAPI onControl(DWORD) {
    if (g_keyModeActive) SetConsoleMode(g_input, g_lineMode);
    return FALSE;
}

class KeyMode {
public:
    explicit KeyMode(HANDLE input) {
        if (!GetConsoleMode(input, &g_lineMode)) return;
        g_input = input;
        SetConsoleCtrlHandler(onControl, TRUE);
        g_keyModeActive = SetConsoleMode(input, g_lineMode & ~DWORD(ENABLE_LINE_INPUT | ENABLE_ECHO_INPUT));
    }
    ~KeyMode() {
        if (g_keyModeActive) SetConsoleMode(g_input, g_lineMode);
        g_keyModeActive = false;
        SetConsoleCtrlHandler(onControl, FALSE);
    }
    KeyMode(const KeyMode&) = delete;
    KeyMode& operator=(const KeyMode&) = delete;

    bool active() const { return g_keyModeActive; }
};

}  // namespace

void writeOutput(const std::string& text) { writeTo(STD_OUTPUT_HANDLE, text); }

void writeError(const std::string& text) { writeTo(STD_ERROR_HANDLE, text); }

bool inputIsConsole() { return isConsole(GetStdHandle(STD_INPUT_HANDLE)); }

std::optional<char> readKey() {
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    if (!isConsole(input)) return std::nullopt;
    KeyMode keyMode(input);
    if (!keyMode.active()) return std::nullopt;
    for (;;) {
        wchar_t key = 0;
        DWORD got = 0;
        if (!ReadConsoleW(input, &key, 1, &got, nullptr)) return std::nullopt;  // the console went away
        // Nothing read: a Ctrl+C, whose handler is ending the process.
        if (got == 0) continue;
        const std::string text = native::fromWide(std::wstring_view(&key, 1));
        if (!text.empty()) return text.front();
    }
}

}  // namespace win::console
