// The last error is the thread's Windows error: the layer's codes are
// Windows' own numbers.
#include "Native.h"

namespace win {

uint32_t lastError() { return GetLastError(); }

void setLastError(uint32_t code) { SetLastError(code); }

namespace native {

bool fail(uint32_t code) {
    SetLastError(code);
    return false;
}

}  // namespace native
}  // namespace win

namespace win {

// The system's own text in the user's language, ending in CR LF as it does.
std::string systemMessage(uint32_t code) {
    wchar_t* text = nullptr;
    const DWORD length =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    if (length == 0) return "";
    const std::string message = native::fromWide(std::wstring_view(text, length));
    LocalFree(text);
    return message;
}

}  // namespace win
