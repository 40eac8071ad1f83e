// Unit Tools: program runs, the self-registration of OLE server programs
// and the restart of Windows.
#include "Tools.h"

#include "Forms.h"
#include "SysUtils.h"
#include "Win.h"

namespace {

constexpr uint32_t kWaitSliceMs = 1000;

void ShowSystemError(uint32_t error) { ShowMessage(win::systemMessage(error)); }

struct WaitOutcome {
    uint32_t result;
    uint32_t error;  // of a failed wait
};

// Waits in one-second slices, servicing the windows after each, until the
// program ends, the wait fails or timeoutSec slices (above 0) have timed out.
WaitOutcome WaitInSlices(win::ProcessHandle process, int timeoutSec) {
    int remaining = timeoutSec;
    while (true) {
        const uint32_t result = win::waitForProcess(process, kWaitSliceMs);
        const uint32_t error = win::lastError();
        Application->ProcessMessages();
        if (result != win::WAIT_TIMEOUT) return {result, error};
        if (timeoutSec > 0 && --remaining == 0) return {result, error};
    }
}

// An ended program; with a failMsg its exit code decides.
bool EndedWell(win::ProcessHandle process, const std::string& failMsg) {
    if (failMsg.empty()) return true;
    uint32_t exitCode = 0;
    if (!win::processExitCode(process, exitCode)) {
        ShowSystemError(win::lastError());
        return true;
    }
    if (exitCode == 0) return true;
    ShowMessage(failMsg);
    return false;
}

bool AwaitProgram(win::ProcessHandle process, const std::string& failMsg, int timeoutSec) {
    const WaitOutcome outcome = WaitInSlices(process, timeoutSec);
    if (outcome.result == win::WAIT_OBJECT_0) return EndedWell(process, failMsg);
    win::terminateProcess(process, 0);
    if (outcome.result == win::WAIT_FAILED)
        ShowSystemError(outcome.error);
    else if (!failMsg.empty())
        ShowMessage(failMsg);
    return false;
}

}  // namespace

std::string CommandLineOf(const std::string& programPath) {
    if (programPath.find(' ') == std::string::npos || programPath.starts_with('"')) return programPath;
    return '"' + programPath + '"';
}

bool RunAndWait(const std::string& cmdLine, const std::string& failMsg, int timeoutSec, int showCmd) {
    const win::ProcessHandle process = win::createProcess(cmdLine, showCmd);
    if (process == win::ProcessHandle::None) {
        ShowSystemError(win::lastError());
        return false;
    }
    const bool result = AwaitProgram(process, failMsg, timeoutSec);
    win::closeProcess(process);
    return result;
}

bool RegisterOleExe(const std::string& path) {
    const std::string extension = UpperCase(ExtractFileExt(path));
    if (extension == ".EXE" || extension == ".COM") RunAndWait(CommandLineOf(path) + " /REGSERVER", "", 30, SW_HIDE);
    return true;
}

// Windows restarts without asking the running programs; nothing is reported.
void RebootWindows() {
    win::TokenHandle token = win::TokenHandle::None;
    if (win::openProcessToken(win::TOKEN_ADJUST_PRIVILEGES | win::TOKEN_QUERY, token)) {
        win::enablePrivilege(token, "SeShutdownPrivilege");
        win::closeToken(token);
    }
    win::exitWindows(win::EWX_SHUTDOWN | win::EWX_REBOOT | win::EWX_FORCE);
}
