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

// Where the two entry lines go: after the last non-empty line of the
// "[Rename]" section when another section follows it, else at the end of
// the file ("[Rename]" is added there when the file has none).
int RenameEntriesAt(TStringList& lines) {
    const int header = lines.IndexOf("[Rename]");
    if (header < 0) {
        lines.Add("[Rename]");
        return lines.Count();
    }
    int next = header + 1;
    while (next < lines.Count() && !IsSectionHeader(Trim(lines.Strings(next)))) ++next;
    if (next == lines.Count()) return next;
    int last = next - 1;
    while (last > header && Trim(lines.Strings(last)).empty()) --last;
    return last + 1;
}

// An existing file that cannot be read holds other programs' pending work:
// it is never rewritten.
bool ScheduleInWinInit(const std::string& temporary, const std::string& target) {
    const std::string file = NormalizePath(GetWindowsDir(), false) + "WinInit.Ini";
    TStringList lines;
    if (!LoadListIfReadable(lines, file)) return false;
    const int at = RenameEntriesAt(lines);
    lines.Insert(at, "NUL=" + target);
    lines.Insert(at + 1, target + "=" + temporary);
    return SaveListReplacing(lines, file);
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
