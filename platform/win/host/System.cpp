// System directories, special folders, identity, environment, the virtual
// clock and the process's own end.
#include "Host.h"
#include "Text1252.h"

#include <chrono>
#include <cstdio>
#include <thread>
#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

namespace win::host {
namespace {

constexpr const char* kDefaultClockStart = "2024-03-05 14:03:07";

std::vector<void (*)(int)>& exitHooks() {
    static std::vector<void (*)(int)> hooks;
    return hooks;
}

// A text key where present-but-empty means "the query fails".
std::optional<std::string> answer(const Ini& ini, std::string_view key, const std::string& fallback) {
    const std::string value = ini.get("Machine", key, fallback);
    if (value.empty()) {
        fail(ERR_FILE_NOT_FOUND);
        return std::nullopt;
    }
    return value;
}

// The special folders of a machine with nothing configured, below the
// Windows directory ("\xFC" is u-umlaut in the code page).
std::optional<std::string> defaultFolder(const Ini& ini, int csidl) {
    const std::string windows = windowsDirectoryOf(ini);
    const std::string programs = "\\Startmen\xFC\\Programme";
    const std::string common = windows + "\\Profiles\\All Users";
    switch (csidl) {
        case 0: return windows + "\\Desktop";
        case 2: return windows + programs;
        case 7: return windows + programs + "\\Autostart";
        case 16: return windows + "\\Desktop";
        default: break;
    }
    if (!isNT(ini)) return std::nullopt;  // 9x has no common folders
    switch (csidl) {
        case 23: return common + programs;
        case 24: return common + programs + "\\Autostart";
        case 25: return common + "\\Desktop";
        default: return std::nullopt;
    }
}

std::optional<std::string> environmentValue(const Ini& ini, const std::string& name) {
    for (const std::string& key : ini.keys("Environment"))
        if (text::equalNoCase(key, name)) return ini.get("Environment", key, "");
    return std::nullopt;
}

std::string withoutTrailingBackslash(std::string dir) {
    if (dir.size() > 3 && dir.back() == '\\') dir.pop_back();
    return dir;
}

}  // namespace

FileTime clockStartOf(const Ini& ini) {
    const std::optional<FileTime> configured = parseLocalTime(ini.get("Machine", "ClockStart", kDefaultClockStart));
    return configured ? *configured : *parseLocalTime(kDefaultClockStart);
}

bool isNT(const Ini& ini) { return text::upper(ini.get("Machine", "Family", "NT")) != "9X"; }

bool isAdministrator(const Ini& ini) { return !isNT(ini) || ini.flag("Machine", "Administrator", true); }

std::string windowsDirectoryOf(const Ini& ini) { return ini.get("Machine", "WindowsDir", "C:\\WINDOWS"); }

std::string systemDirectoryOf(const Ini& ini) {
    std::string windows = windowsDirectoryOf(ini);
    if (windows.empty()) windows = "C:\\WINDOWS";
    return ini.get("Machine", "SystemDir", windows + (isNT(ini) ? "\\SYSTEM32" : "\\SYSTEM"));
}

// Without a TempDir key, the environment's TMP or TEMP, as Windows looks;
// an empty TempDir is a machine without a temporary directory.
std::optional<std::string> tempPathOf(const Ini& ini) {
    std::optional<std::string> dir = ini.get("Machine", "TempDir");
    if (!dir) dir = environmentValue(ini, "TMP");
    if (!dir) dir = environmentValue(ini, "TEMP");
    if (!dir) dir = "C:\\TEMP\\";
    if (dir->empty()) return std::nullopt;
    if (dir->back() != '\\') *dir += '\\';
    return dir;
}

std::string programPathOf(const Ini& ini) { return ini.get("Machine", "ProgramPath", "C:\\SETUP\\SETUP.EXE"); }

}  // namespace win::host

namespace win {

std::optional<std::string> windowsDirectory() {
    const host::Ini ini = host::Ini::now();
    return host::answer(ini, "WindowsDir", host::windowsDirectoryOf(ini));
}

std::optional<std::string> systemDirectory() {
    const host::Ini ini = host::Ini::now();
    return host::answer(ini, "SystemDir", host::systemDirectoryOf(ini));
}

std::optional<std::string> tempPath() {
    const std::optional<std::string> dir = host::tempPathOf(host::Ini::now());
    if (!dir) host::fail(ERR_FILE_NOT_FOUND);
    return dir;
}

std::optional<std::string> specialFolder(int csidl) {
    const host::Ini ini = host::Ini::now();
    std::optional<std::string> folder = ini.get("SpecialFolders", std::to_string(csidl));
    if (!folder) folder = host::defaultFolder(ini, csidl);
    if (!folder || folder->empty()) {
        host::fail(ERR_FILE_NOT_FOUND);
        return std::nullopt;
    }
    return host::withoutTrailingBackslash(*folder);
}

std::optional<Platform> platformId() { return host::isNT(host::Ini::now()) ? Platform::WinNT : Platform::Win9x; }

bool isAdministratorMember() { return host::isAdministrator(host::Ini::now()); }

// The machine's environment: [Environment], with windir, TEMP and TMP taken
// from the machine's directories unless it names them.
std::string environmentVariable(const std::string& name) {
    const host::Ini ini = host::Ini::now();
    if (std::optional<std::string> value = host::environmentValue(ini, name)) return *value;
    if (text::equalNoCase(name, "windir")) return host::windowsDirectoryOf(ini);
    if (text::equalNoCase(name, "TEMP") || text::equalNoCase(name, "TMP")) {
        const std::optional<std::string> temp = host::tempPathOf(ini);
        return temp ? host::withoutTrailingBackslash(*temp) : "";
    }
    return "";
}

std::optional<std::string> computerName() { return host::answer(host::Ini::now(), "ComputerName", "BRIMPC"); }
std::optional<std::string> userName() { return host::answer(host::Ini::now(), "UserName", "user"); }
std::optional<std::string> hostName() { return host::answer(host::Ini::now(), "HostName", "brimpc"); }

std::vector<std::string> hostAddresses() {
    std::vector<std::string> addresses;
    const std::string configured = host::Ini::now().get("Machine", "HostAddress", "192.168.1.10");
    std::string_view list = configured;
    while (!list.empty()) {
        const std::size_t comma = list.find(',');
        const std::string_view address = text::trimBlanks(list.substr(0, comma));
        if (!address.empty()) addresses.emplace_back(address);
        list = comma == std::string_view::npos ? std::string_view() : list.substr(comma + 1);
    }
    return addresses;
}

std::string moduleFileName() { return host::programPathOf(host::Ini::now()); }

std::string timeSeparator() { return host::Ini::now().get("Machine", "TimeSeparator", ":"); }

std::vector<std::string> commandLine() {
    std::vector<std::string> params{moduleFileName()};
    const std::vector<std::string>& rest = host::state().commandLine;
    params.insert(params.end(), rest.begin(), rest.end());
    return params;
}

void setCommandLine(int argc, char** argv) {
    std::vector<std::string>& rest = host::state().commandLine;
    rest.clear();
    for (int i = 1; i < argc; ++i) rest.push_back(host::toCp1252(argv[i]));
}

void messageBeep() { journal("beep"); }

void sleep(uint32_t milliseconds) {
    journal("sleep " + std::to_string(milliseconds));
    host::state().elapsedMs += milliseconds;
    if (!host::state().virtualTime) std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

uint32_t tickCount() {
    return static_cast<uint32_t>(static_cast<uint64_t>(host::state().tickStart) + host::state().elapsedMs);
}

SystemTime localTime() {
    const FileTime now = host::state().clockStart + host::state().elapsedMs * 10'000;
    SystemTime st;
    fileTimeToSystemTime(now, st);
    return st;
}

void exitProcess(int code) {
    const std::vector<void (*)(int)> hooks = host::exitHooks();
    for (auto it = hooks.rbegin(); it != hooks.rend(); ++it) (*it)(code);
    std::fflush(nullptr);
#if defined(__SANITIZE_ADDRESS__)
    // _exit skips the leak check that a sanitized build runs at exit.
    __lsan_do_leak_check();
#endif
    ::_exit(code);
}

void addExitHook(void (*hook)(int code)) { host::exitHooks().push_back(hook); }

}  // namespace win
