// Programs started from a command line, as the installer starts them: no
// application name, the start-up block with the show mode and the feedback
// cursor, normal priority, the current environment and directory.
#include "Native.h"

namespace win {
namespace {

native::HandleTable<PROCESS_INFORMATION>& processes() {
    static native::HandleTable<PROCESS_INFORMATION> table;
    return table;
}

PROCESS_INFORMATION* find(ProcessHandle process) { return processes().find(static_cast<uint32_t>(process)); }

}  // namespace

ProcessHandle createProcess(const std::string& commandLine, int showCmd) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW | STARTF_FORCEONFEEDBACK;
    startup.wShowWindow = static_cast<WORD>(showCmd);
    std::wstring line = native::toWide(commandLine);  // CreateProcessW may write into it
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS, nullptr, nullptr,
                        &startup, &started))
        return ProcessHandle::None;
    return static_cast<ProcessHandle>(processes().add(started));
}

uint32_t waitForProcess(ProcessHandle process, uint32_t milliseconds) {
    const PROCESS_INFORMATION* p = find(process);
    return p ? WaitForSingleObject(p->hProcess, milliseconds) : uint32_t{WAIT_FAILED};
}

bool processExitCode(ProcessHandle process, uint32_t& exitCode) {
    const PROCESS_INFORMATION* p = find(process);
    DWORD code = 0;
    if (!p || !GetExitCodeProcess(p->hProcess, &code)) return false;
    exitCode = code;
    return true;
}

bool terminateProcess(ProcessHandle process, uint32_t exitCode) {
    const PROCESS_INFORMATION* p = find(process);
    return p && TerminateProcess(p->hProcess, exitCode);
}

bool closeProcess(ProcessHandle process) {
    return processes().close(static_cast<uint32_t>(process), [](const PROCESS_INFORMATION& p) {
        return CloseHandle(p.hThread) && CloseHandle(p.hProcess);
    });
}

}  // namespace win
