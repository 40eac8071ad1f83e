// The current directory, full path names, the system's directories and the
// shell's special folders.
#include "Native.h"

#include <shlobj.h>

namespace win {

bool setCurrentDirectory(const std::string& path) {
    const std::optional<std::wstring> wide = native::apiPath(path);
    return wide && SetCurrentDirectoryW(wide->c_str());
}

std::optional<std::string> fullPathName(const std::string& path) {
    const std::wstring wide = native::toWide(path);
    const DWORD needed = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (needed == 0) return std::nullopt;
    std::wstring full(needed, L'\0');
    full.resize(GetFullPathNameW(wide.c_str(), needed, full.data(), nullptr));
    return native::fromWide(full);
}

std::optional<std::string> windowsDirectory() {
    return native::bufferText([](wchar_t* buffer, DWORD size) { return GetWindowsDirectoryW(buffer, size) != 0; });
}

std::optional<std::string> systemDirectory() {
    return native::bufferText([](wchar_t* buffer, DWORD size) { return GetSystemDirectoryW(buffer, size) != 0; });
}

std::optional<std::string> tempPath() {
    return native::bufferText([](wchar_t* buffer, DWORD size) { return GetTempPathW(size, buffer) != 0; });
}

// Through the item list, as the shell resolves a folder that is no
// file-system directory too ("" for one without a path).
std::optional<std::string> specialFolder(int csidl) {
    PIDLIST_ABSOLUTE items = nullptr;
    const HRESULT found = SHGetSpecialFolderLocation(nullptr, csidl, &items);
    if (FAILED(found)) {
        native::fail(ERR_FILE_NOT_FOUND);
        return std::nullopt;
    }
    wchar_t path[MAX_PATH] = {};
    const bool resolved = SHGetPathFromIDListW(items, path);
    CoTaskMemFree(items);
    if (!resolved || path[0] == L'\0') {
        native::fail(ERR_FILE_NOT_FOUND);
        return std::nullopt;
    }
    return native::fromWide(path);
}

}  // namespace win
