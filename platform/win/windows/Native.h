// Internals of the Windows back end shared by its units: the programs'
// Windows-1252 text at the edge of the wide Windows API, and failures.
#pragma once

// Win.h before <windows.h>: windows.h defines some of Win.h's constant names
// (SEM_FAILCRITICALERRORS, WAIT_TIMEOUT, ...) as macros.
#include "Win.h"

#include <windows.h>

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

// Sets the last error and returns false, for "return fail(...)".
bool fail(uint32_t code);

FILETIME toFiletime(FileTime time);
FileTime fromFiletime(const FILETIME& time);

}  // namespace win::native
