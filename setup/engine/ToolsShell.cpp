// Tools: the shared-library count and shortcuts.
#include "Tools.h"

#include "Classes.h"
#include "Registry.h"
#include "SysUtils.h"
#include "Win.h"

namespace {

const char* const kSharedDllsKey = "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDlls";

bool IsSharedLibrary(const std::string& path) {
    const std::string extension = UpperCase(ExtractFileExt(path));
    return extension == ".DLL" || extension == ".OCX" || extension == ".VBX";
}

}  // namespace

void IncSharedDllCount(const std::string& path) {
    if (!IsSharedLibrary(path)) return;
    TRegistry registry;
    registry.SetRootKey(HKEY_LOCAL_MACHINE);
    // Without the key nothing is written: the writes below then raise.
    registry.OpenKey(kSharedDllsKey, false);
    try {
        registry.WriteInteger(path, registry.ReadInteger(path) + 1);
    } catch (const Exception&) {
        try {
            registry.WriteInteger(path, 1);
        } catch (const Exception&) {
        }
    }
}

bool CreateShellLink(const std::string& target, const std::string& tmpLinkPath, const std::string& description,
                     TStringList* uninstallList) {
    const win::ShellLink link{target, description, ExtractFilePath(target)};
    const bool saved = win::saveShellLink(tmpLinkPath, link);
    // A failed save leaves nothing to rename or record.
    if (!saved || description.empty()) return saved;
    const std::string finalName = ExtractFilePath(tmpLinkPath) + description + ".lnk";
    DeleteFile(finalName);
    RenameFile(tmpLinkPath, finalName);
    if (uninstallList) uninstallList->Add("#LINK#" + finalName);
    return true;
}
