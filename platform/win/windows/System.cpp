// The process: its parameters, its current directory, the beep and the end.
#include "Native.h"

#include <shellapi.h>

namespace win {
namespace {

std::vector<void (*)(int)>& exitHooks() {
    static std::vector<void (*)(int)> hooks;
    return hooks;
}

std::vector<std::string>& parameters() {
    static std::vector<std::string> rest;
    return rest;
}

}  // namespace

std::string moduleFileName() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            return native::fromWide(path);
        }
        path.resize(path.size() * 2);
    }
}

std::string timeSeparator() {
    wchar_t separator[8] = {};
    if (GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STIME, separator, 8) <= 0) return ":";
    return native::fromWide(separator);
}

std::vector<std::string> commandLine() {
    std::vector<std::string> params{moduleFileName()};
    params.insert(params.end(), parameters().begin(), parameters().end());
    return params;
}

// The C runtime's argv comes in the ANSI code page, which need not be the
// programs' one: the parameters are taken from the wide command line instead.
void setCommandLine(int, char**) {
    std::vector<std::string>& rest = parameters();
    rest.clear();
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (arguments == nullptr) return;
    for (int i = 1; i < count; ++i) rest.push_back(native::fromWide(arguments[i]));
    LocalFree(arguments);
}

std::string currentDirectory() {
    const DWORD needed = GetCurrentDirectoryW(0, nullptr);
    std::wstring path(needed, L'\0');
    path.resize(GetCurrentDirectoryW(needed, path.data()));
    return native::fromWide(path);
}

void messageBeep() { MessageBeep(MB_OK); }

void sleep(uint32_t milliseconds) { Sleep(milliseconds); }

uint32_t tickCount() { return GetTickCount(); }

SystemTime localTime() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond, now.wMilliseconds};
}

// The version the system admits to without a manifest is enough: it tells
// the two families apart.
std::optional<Platform> platformId() {
    OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof version;
    if (!GetVersionExW(&version)) return std::nullopt;
    return version.dwPlatformId == VER_PLATFORM_WIN32_NT ? Platform::WinNT : Platform::Win9x;
}

std::string environmentVariable(const std::string& name) {
    const std::wstring wide = native::toWide(name);
    const DWORD needed = GetEnvironmentVariableW(wide.c_str(), nullptr, 0);
    if (needed == 0) return "";
    std::wstring value(needed, L'\0');
    value.resize(GetEnvironmentVariableW(wide.c_str(), value.data(), needed));
    return native::fromWide(value);
}

std::optional<std::string> computerName() {
    return native::bufferText([](wchar_t* buffer, DWORD size) { return GetComputerNameW(buffer, &size) != 0; });
}

std::optional<std::string> userName() {
    return native::bufferText([](wchar_t* buffer, DWORD size) { return GetUserNameW(buffer, &size) != 0; });
}

void exitProcess(int code) {
    const std::vector<void (*)(int)> hooks = exitHooks();
    for (auto it = hooks.rbegin(); it != hooks.rend(); ++it) (*it)(code);
    ExitProcess(static_cast<UINT>(code));
}

void addExitHook(void (*hook)(int code)) { exitHooks().push_back(hook); }

}  // namespace win
