// Internals of the Windows back end shared by its units: the programs'
// Windows-1252 text at the edge of the wide Windows API, and failures.
#pragma once

// Win.h before <windows.h>: windows.h defines some of Win.h's constant names
// (SEM_FAILCRITICALERRORS, WAIT_TIMEOUT, ...) as macros.
#include "Win.h"

#include <windows.h>

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace win::native {

// The programs' code page.  The wide API is used throughout, so that the
// programs' text stays Windows-1252 whatever the system's ANSI code page is.
constexpr UINT kProgramCodePage = 1252;

std::wstring toWide(std::string_view text, UINT codePage = kProgramCodePage);
// A character the code page lacks becomes "?", never a look-alike (a
// best-fit mapping could turn a harmless character into a separator).
std::string fromWide(std::wstring_view text, UINT codePage = kProgramCodePage);

// A path as the wide API takes it, or nullopt (ERR_FILENAME_EXCED_RANGE)
// when its full form has kMaxPath characters or more: Windows refuses those
// without long-path support, Wine does not, the host back end does too.
std::optional<std::wstring> apiPath(const std::string& path);

// COM on the calling thread, as the shell's objects and self-registering
// libraries need it; it stays initialised until the process ends.
void initialiseCom();

// Sets the last error and returns false, for "return fail(...)".
bool fail(uint32_t code);

FILETIME toFiletime(FileTime time);
FileTime fromFiletime(const FILETIME& time);

// The layer's handles are 32-bit numbers; Windows' own (pointers on 64-bit
// Windows) stay behind them in one table per kind.
template <typename Handle>
class HandleTable {
public:
    uint32_t add(Handle handle) {
        m_handles[++m_last] = handle;
        return m_last;
    }
    // nullptr (with ERR_INVALID_HANDLE) for a number that was never given or is closed.
    Handle* find(uint32_t number) {
        const auto it = m_handles.find(number);
        if (it != m_handles.end()) return &it->second;
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    // Closes Windows' handle by `closeNative` and forgets the number, even
    // when the close fails; false when it failed or the number is unknown.
    template <typename Close>
    bool close(uint32_t number, Close closeNative) {
        Handle* handle = find(number);
        if (!handle) return false;
        const bool closed = closeNative(*handle);
        m_handles.erase(number);
        return closed;
    }

private:
    std::map<uint32_t, Handle> m_handles;
    uint32_t m_last = 0;
};

// A text the system hands out in a buffer of characters (directories,
// names): nullopt when the call fails, with its error as the last error.
template <typename Call>
std::optional<std::string> bufferText(Call call) {
    wchar_t buffer[MAX_PATH + 1] = {};
    DWORD size = MAX_PATH + 1;
    if (!call(buffer, size)) return std::nullopt;
    return fromWide(buffer);
}

}  // namespace win::native
