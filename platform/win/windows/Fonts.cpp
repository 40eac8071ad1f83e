// Fonts through GDI and the broadcasts to all top-level windows.
#include "Native.h"

namespace win {

bool createScalableFontResource(uint32_t hidden, const std::string& fontResource, const std::string& fontFile,
                                const std::string& currentPath) {
    const std::wstring path = native::toWide(currentPath);
    return CreateScalableFontResourceW(hidden, native::toWide(fontResource).c_str(), native::toWide(fontFile).c_str(),
                                       currentPath.empty() ? nullptr : path.c_str());
}

int addFontResource(const std::string& fontFile) { return AddFontResourceW(native::toWide(fontFile).c_str()); }

bool broadcastNotify(uint32_t message) { return SendNotifyMessageW(HWND_BROADCAST, message, 0, 0); }

bool broadcastWithTimeout(uint32_t message, const std::string& text, uint32_t flags, uint32_t timeoutMs) {
    const std::wstring wide = native::toWide(text);
    DWORD_PTR answer = 0;
    return SendMessageTimeoutW(HWND_BROADCAST, message, 0, reinterpret_cast<LPARAM>(wide.c_str()), flags, timeoutMs,
                               &answer) != 0;
}

}  // namespace win
