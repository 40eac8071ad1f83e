// Tools: the shared-library count and shortcuts.
#include "Tools.h"

#include "Classes.h"
#include "Registry.h"
#include "SysUtils.h"
#include "Win.h"

#include <cstdint>

namespace {

const char* const kSharedDllsKey = "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDlls";

bool IsSharedLibrary(const std::string& path) {
    const std::string extension = UpperCase(ExtractFileExt(path));
    return extension == ".DLL" || extension == ".OCX" || extension == ".VBX";
}

// A caption names the shortcut, or a sub-folder of the shortcut folder and
// the shortcut in it; it never leaves that folder or names a drive.
bool IsShortcutCaption(const std::string& caption) {
    if (caption.find(':') != std::string::npos) return false;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = caption.find_first_of("\\/", start);
        const std::string piece = caption.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (piece == "." || piece == "..") return false;
        if (end == std::string::npos) return true;
        start = end + 1;
    }
}

}  // namespace

void IncSharedDllCount(const std::string& path) {
    if (!IsSharedLibrary(path)) return;
    TRegistry registry;
    registry.SetRootKey(HKEY_LOCAL_MACHINE);
    // Without the key nothing is written: the writes below then raise.
    registry.OpenKey(kSharedDllsKey, false);
    try {
        // The count is unsigned 32-bit and stays at its largest value.
        const uint32_t count = static_cast<uint32_t>(registry.ReadInteger(path));
        registry.WriteInteger(path, static_cast<int>(count == UINT32_MAX ? count : count + 1));
    } catch (const Exception&) {
        try {
            registry.WriteInteger(path, 1);
        } catch (const Exception&) {
        }
    }
}

bool CreateShellLink(const std::string& target, const std::string& tmpLinkPath, const std::string& description,
                     TStringList* uninstallList) {
    if (!IsShortcutCaption(description)) return false;
    const std::string temporary = win::unusedPath(tmpLinkPath);
    const std::string finalName = ExtractFilePath(tmpLinkPath) + description + ".lnk";
    // Windows would cut a longer path and save somewhere else.
    if (temporary.size() >= win::kMaxPath || finalName.size() >= win::kMaxPath) return false;
    const win::ShellLink link{target, description, ExtractFilePath(target)};
    if (!win::saveShellLink(temporary, link)) {
        win::deleteFile(temporary);
        return false;
    }
    if (description.empty()) return true;
    // One rename: a refused one leaves the old shortcut as it was.
    if (!win::replaceFile(temporary, finalName)) {
        win::deleteFile(temporary);
        return false;
    }
    if (uninstallList) uninstallList->Add("#LINK#" + finalName);
    return true;
}
