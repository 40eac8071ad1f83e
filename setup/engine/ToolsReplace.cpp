// Tools: replacing a file in use at the next boot.
#include "Tools.h"

#include "Classes.h"
#include "SysUtils.h"
#include "Win.h"

#include <cstdint>

std::string sLastErrorText;

namespace {

const char* const kReplaceError = "ReplaceOnReboot: Datei konnte nicht kopiert werden";

// Shared by all calls of a run, so two targets never get the same name.
uint32_t nReplaceCounter = 0;

bool ReplaceFailed() {
    sLastErrorText = kReplaceError;
    return false;
}

std::string FreeTemporaryName(const std::string& target) {
    std::string name;
    do {
        ++nReplaceCounter;
        name = ChangeFileExt(target, "." + std::to_string(nReplaceCounter));
    } while (FileExists(name));
    return name;
}

bool IsSectionHeader(const std::string& line) { return !line.empty() && line[0] == '['; }

// Where the two entry lines go: the end of the "[Rename]" section, which is
// added at the end of the file when it has none.
int RenameSectionEnd(TStringList& lines) {
    int header = lines.IndexOf("[Rename]");
    if (header < 0) header = lines.Add("[Rename]");
    int end = header + 1;
    while (end < lines.Count() && !IsSectionHeader(Trim(lines.Strings(end)))) ++end;
    return end;
}

bool ScheduleInWinInit(const std::string& temporary, const std::string& target) {
    const std::string file = NormalizePath(GetWindowsDir(), false) + "WinInit.Ini";
    TStringList lines;
    try {
        lines.LoadFromFile(file);
    } catch (const Exception&) {
        // An existing file that cannot be read holds other pending work.
        if (FileExists(file)) return false;
        lines.Clear();
        lines.Add("[Rename]");
    }
    const int end = RenameSectionEnd(lines);
    lines.Insert(end, "NUL=" + target);
    lines.Insert(end + 1, target + "=" + temporary);
    try {
        lines.SaveToFile(file);
        return true;
    } catch (const Exception&) {
        return false;
    }
}

}  // namespace

bool ReplaceOnReboot(const std::string& source, const std::string& target) {
    const std::string temporary = FreeTemporaryName(target);
    if (!win::copyFile(source, temporary, true)) return ReplaceFailed();
    const bool scheduled =
        IsWindowsNT()
            ? win::moveFileOnReboot(temporary, target, win::MOVEFILE_REPLACE_EXISTING | win::MOVEFILE_DELAY_UNTIL_REBOOT)
            : ScheduleInWinInit(temporary, target);
    return scheduled || ReplaceFailed();
}
