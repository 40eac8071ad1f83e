// Windows-1252 <-> UTF-16 at the wide API, and the path limit.
#include "Native.h"

namespace win::native {

std::wstring toWide(std::string_view text, UINT codePage) {
    if (text.empty()) return {};
    const int size = static_cast<int>(text.size());
    const int length = MultiByteToWideChar(codePage, 0, text.data(), size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), size, wide.data(), length);
    return wide;
}

std::string fromWide(std::wstring_view text, UINT codePage) {
    if (text.empty()) return {};
    // UTF-8 lacks no character and takes neither the flag nor a default.
    const bool utf8 = codePage == CP_UTF8;
    const DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
    const char* unknown = utf8 ? nullptr : "?";
    const int size = static_cast<int>(text.size());
    const int length = WideCharToMultiByte(codePage, flags, text.data(), size, nullptr, 0, unknown, nullptr);
    std::string narrow(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(codePage, flags, text.data(), size, narrow.data(), length, unknown, nullptr);
    return narrow;
}

std::optional<std::wstring> apiPath(const std::string& path) {
    std::wstring wide = toWide(path);
    const DWORD needed = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (needed == 0) return std::nullopt;
    // `needed` counts the terminating zero.
    if (needed > kMaxPath) {
        fail(ERR_FILENAME_EXCED_RANGE);
        return std::nullopt;
    }
    return wide;
}

}  // namespace win::native
