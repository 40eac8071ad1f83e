// Unit Tools: INI values and the names of their lines, fonts, persistent
// environment variables and the self-registration of OLE libraries.
#include "Tools.h"

#include "Classes.h"
#include "Forms.h"
#include "IniFiles.h"
#include "Registry.h"
#include "SysUtils.h"
#include "Win.h"

namespace {

const char* const kFontsKey = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";
const char* const kMachineEnvironmentKey = "\\SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";
const char* const kUserEnvironmentKey = "\\Environment";
const char* const kAutoexecBat = "C:\\AUTOEXEC.BAT";
constexpr uint32_t kBroadcastTimeoutMs = 5000;

std::string UpperExtension(const std::string& path) { return UpperCase(ExtractFileExt(path)); }

bool IsOleLibrary(const std::string& path) {
    const std::string extension = UpperExtension(path);
    return extension == ".DLL" || extension == ".OCX" || extension == ".VBX";
}

// One registry attempt of SetEnvVariable: the value, then the broadcast.
bool WriteEnvironmentValue(HKEY root, const std::string& key, const std::string& name, const std::string& value) {
    try {
        TRegistry registry;
        registry.SetRootKey(root);
        registry.OpenKey(key, true);
        registry.WriteString(name, value);
    } catch (const Exception&) {
        return false;
    }
    win::broadcastWithTimeout(win::WM_WININICHANGE, "Environment", win::SMTO_ABORTIFHUNG, kBroadcastTimeoutMs);
    return true;
}

// "SET name=" or "SET name =" at the start of the line, without case.
bool SetsVariable(const std::string& line, const std::string& name) {
    const std::string prefix = "SET " + name;
    return SameText(line.substr(0, prefix.size() + 1), prefix + "=") ||
           SameText(line.substr(0, prefix.size() + 2), prefix + " =");
}

// A start file that exists but cannot be read is never rewritten: that
// would lose it.
bool AddAutoexecVariable(const std::string& name, const std::string& value) {
    TStringList lines;
    if (!LoadListIfReadable(lines, kAutoexecBat)) return false;
    for (int i = 0; i < lines.Count(); ++i)
        if (SetsVariable(lines[i], name)) return true;
    lines.Insert(0, "SET " + name + "=" + value);
    return SaveListReplacing(lines, kAutoexecBat);
}

}  // namespace

std::string NameOfLine(const std::string& line) {
    const std::size_t equals = line.find('=');
    return equals == std::string::npos ? "" : line.substr(0, equals);
}

bool WriteIniValue(const std::string& section, const std::string& key, const std::string& value,
                   const std::string& iniFile) {
    const std::string file = iniFile.empty() ? ChangeFileExt(Application->ExeName(), ".ini") : iniFile;
    try {
        TIniFile ini(file);
        ini.WriteString(section, key, value);
        ini.UpdateFile();
    } catch (const Exception&) {
        return false;
    }
    return true;
}

// The registration itself; InstallFont reports what escapes it.
static bool AddFont(const std::string& path);

// The registration decides: a bitmap font (".FON") has no scalable
// resource, and one left by an earlier run must not fail the font for good.
bool InstallFont(const std::string& path) {
    try {
        return AddFont(path);
    } catch (const std::exception&) {
        MessageBeep(0);
        Application->MessageBox("Fontinstallation: <" + path + "> fehlgeschlagen", "Warnung !",
                                MB_OK | MB_ICONEXCLAMATION);
        return false;
    }
}

static bool AddFont(const std::string& path) {
    const std::string fontsDir = NormalizePath(GetWindowsDir(), false) + "FONTS\\";
    const std::string fileName = ExtractFileName(path);
    const std::string fontCopy = fontsDir + fileName;
    const std::string resource = ChangeFileExt(fontCopy, ".FOT");

    win::copyFile(path, fontCopy, false);
    win::createScalableFontResource(0, resource, path, fontsDir);
    if (win::addFontResource(fontCopy) <= 0) return false;
    if (win::regOpenKey(win::RegRoot::LocalMachine, kFontsKey, true, true) == 0)
        win::regWriteString(win::RegRoot::LocalMachine, kFontsKey, ChangeFileExt(fileName, ""), fontCopy);
    win::broadcastNotify(win::WM_FONTCHANGE);
    win::deleteFile(resource);
    return true;
}

bool SetEnvVariable(const std::string& name, const std::string& value) {
    if (!IsWindowsNT()) return AddAutoexecVariable(name, value);
    return WriteEnvironmentValue(HKEY_LOCAL_MACHINE, kMachineEnvironmentKey, name, value) ||
           WriteEnvironmentValue(HKEY_CURRENT_USER, kUserEnvironmentKey, name, value);
}

bool RegisterOleDll(const std::string& path) {
    if (!IsOleLibrary(path)) return true;
    const uint32_t previousMode = win::setErrorMode(win::SEM_FAILCRITICALERRORS);
    const win::LibraryHandle library = win::loadLibrary(path);
    win::setErrorMode(previousMode);
    if (library == win::LibraryHandle::None) return true;
    int32_t result = 0;
    const bool failed = win::callLibraryExport(library, "DllRegisterServer", result) && result < 0;
    win::freeLibrary(library);
    return !failed;
}
