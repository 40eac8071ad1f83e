#include "unpack.h"

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <optional>

#include "Console.h"
#include "Machine.h"
#include "Text1252.h"
#include "Win.h"

namespace {

constexpr const char* kVersion = "2.3";
constexpr const char* kDefaultMask = "LZ*.PAK";
// The text fields of the options hold this many characters with their zero.
constexpr std::size_t kFieldSize = 260;

enum class Outcome { Written, Failed, Declined };

__attribute__((format(printf, 1, 2))) void Print(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    const int length = std::vsnprintf(nullptr, 0, format, args);
    va_end(args);
    std::string text(static_cast<std::size_t>(length > 0 ? length : 0), '\0');
    std::vsnprintf(text.data(), text.size() + 1, format, again);
    va_end(again);
    win::console::writeOutput(text);
}

// The codec's text on standard error, with the beep its box would sound.
void ReportStackOverflow(const std::string& text) {
    win::console::writeError(text + "\n");
    win::messageBeep();
}

// False when the argument does not fit its field.
bool TakeArgument(UnpackOptions& options, const std::string& argument) {
    const std::string option = win::text::upper(argument.substr(0, 2));
    if (option == "-L") {
        options.m_nMode = 0;
    } else if (option == "-U") {
        options.m_nMode = 1;
    } else if (option == "-D") {
        options.m_sDestDir = argument.substr(2);
        return options.m_sDestDir.size() < kFieldSize;
    } else if (option == "-O") {
        options.m_bOverride = true;
    } else {
        options.m_sMask = argument;
        return options.m_sMask.size() < kFieldSize;
    }
    return true;
}

// A name as it may go to the terminal: a byte below 0x20 would move the
// cursor or switch the terminal's mode, so it is shown as "?".
std::string Shown(std::string name) {
    for (char& c : name)
        if (static_cast<unsigned char>(c) < 0x20) c = '?';
    return name;
}

// The mask's text up to and including its last separator or colon.
std::string DirectoryPart(const std::string& mask) {
    const std::size_t end = mask.find_last_of("\\/:");
    return end == std::string::npos ? std::string() : mask.substr(0, end + 1);
}

// A host path written without backslashes gets the separator its user wrote.
std::string WithTrailingSeparator(const std::string& dir) {
    if (!dir.empty() && (dir.back() == '\\' || dir.back() == '/')) return dir;
    const bool hostPath = !dir.empty() && dir.front() == '/' && dir.find('\\') == std::string::npos;
    return dir + (hostPath ? '/' : '\\');
}

// Plain bit arithmetic, so that a date that is no valid MS-DOS date still
// shows its fields.
std::string DosDateTimeText(uint32_t dosDateTime) {
    const unsigned date = dosDateTime >> 16;
    const unsigned time = dosDateTime & 0xFFFFu;
    const std::string separator = win::timeSeparator();
    char day[16], hour[4], minute[4], second[4];
    std::snprintf(day, sizeof day, "%02u.%02u.%04u    ", date & 31u, (date >> 5) & 15u, 1980u + (date >> 9));
    std::snprintf(hour, sizeof hour, "%02u", time >> 11);
    std::snprintf(minute, sizeof minute, "%02u", (time >> 5) & 63u);
    std::snprintf(second, sizeof second, "%02u", (time & 31u) * 2u);
    return day + std::string(hour) + separator + minute + separator + second;
}

// A name in the target's directory that neither exists nor is the target.
std::string TemporaryName(const std::string& dest, const std::string& target) {
    for (unsigned n = 0;; ++n) {
        char name[24];
        std::snprintf(name, sizeof name, "UNPK%04u.TMP", n);
        const std::string candidate = dest + name;
        if (!win::text::equalNoCase(candidate, target) && win::getFileAttributes(candidate) == win::kInvalidAttributes)
            return candidate;
    }
}

// The member is expanded beside the target and only then put in its place, so
// that a member that turns out corrupt leaves an existing target as it was.
// The expansion gives the temporary file the member's date, time and
// attributes; the rename carries them to the target.
bool ExpandMember(const std::string& dest, const std::string& target, const std::string& archive) {
    const std::string temporary = TemporaryName(dest, target);
    if (LzwExpandFile(temporary, archive) && win::replaceFile(temporary, target)) return true;
    win::setFileAttributes(temporary, win::ATTR_NORMAL);
    win::deleteFile(temporary);
    return false;
}

Outcome UnpackMember(const ArchiveEntry& entry, const std::string& archiveDir, const std::string& dest,
                     bool override) {
    const std::string& name = entry.m_Header.m_sFileName;
    const std::string target = dest + name;
    const std::string archive = archiveDir + entry.m_sName;
    // A stored name with a directory in it would write outside the destination;
    // one without its end names no file.
    const bool plainName = LzwIsPlainFileName(name);
    if (plainName && !override && win::fileExists(target)) {
        Print("Existierende Datei %s ueberschreiben J/N ?", Shown(target).c_str());
        if (!AskYesNo()) return Outcome::Declined;
    }
    Print("%-12s => %s\n", Shown(entry.m_sName).c_str(), Shown(name).c_str());
    if (plainName && ExpandMember(dest, target, archive)) return Outcome::Written;
    Print("!!!%s\n", Shown(target).c_str());
    Print("!!!%s\n", Shown(archive).c_str());
    Print(" !!!Fehler!!! Datei nicht entpackt !\n");
    return Outcome::Failed;
}

}  // namespace

int CollectArchives(const std::string& mask, ArchiveList& list) {
    const std::string dir = DirectoryPart(mask);
    int count = 0;
    for (const win::FindData& found : win::findFiles(mask)) {
        if (found.name == "." || found.name == "..") continue;
        // A member whose name has no end is kept, to be reported.
        LzwMemberHeader header;
        if (LzwClassifyMember(dir + found.name, header) == LzwHeaderKind::NoMember) continue;
        list.push_back({found.name, header});
        ++count;
    }
    return count;
}

void ListArchives(const std::string& mask) {
    ArchiveList list;
    CollectArchives(mask, list);
    Print("\nInhalt der Archivdateien:\n\n");
    Print("DATUM         ZEIT          GROESSE    ARCHIV          DATEI\n");
    Print("%s\n", std::string(67, '-').c_str());
    uint64_t total = 0;
    for (const ArchiveEntry& entry : list) {
        const LzwMemberHeader& header = entry.m_Header;
        Print("%s %12lu    %12s => %s\n", DosDateTimeText(header.m_nDateTime).c_str(),
              static_cast<unsigned long>(header.m_nSize), Shown(entry.m_sName).c_str(),
              Shown(header.m_sFileName).c_str());
        total += header.m_nSize;
    }
    Print("\n%zu Dateien, %llu Bytes\n", list.size(), static_cast<unsigned long long>(total));
}

void UnpackArchives(const std::string& mask, const std::string& destDir, bool override) {
    const std::string archiveDir = DirectoryPart(mask);
    ArchiveList list;
    CollectArchives(mask, list);
    Print("\nEntpacke Archivdateien: %s\n", mask.c_str());
    const std::string dest = WithTrailingSeparator(destDir.empty() ? win::currentDirectory() : destDir);
    Print("In Ausgabeverzeichnis : %s\n", dest.c_str());
    int written = 0;
    for (const ArchiveEntry& entry : list)
        if (UnpackMember(entry, archiveDir, dest, override) == Outcome::Written) ++written;
    Print("\n%d Dateien, entpackt\n", written);
}

bool AskYesNo() {
    for (;;) {
        // Without a console no key will come: the answer is no, at once.
        const char key = win::console::readKey().value_or('N');
        if (key == 'J' || key == 'j' || key == 'N' || key == 'n') {
            const bool yes = key == 'J' || key == 'j';
            Print(" %c\n", yes ? 'J' : 'N');
            return yes;
        }
    }
}

int main(int argc, char** argv) {
    win::setCommandLine(argc, argv);
    win::machine::useHostWorkingDirectory();
    LzwSetStackOverflowHandler(ReportStackOverflow);
    const std::vector<std::string> arguments = win::commandLine();

    Print("\n");
    if (arguments.size() < 2) {
        Print("UNPACK %s\n", kVersion);
        Print("Aufruf: UNPACK [-L(IST)] [-U(NPACK)] [-D(ESTINATIONDIR)] [-O(VERRIDE)]\n"
              "        (Dateiname oder Maske)\n");
        win::messageBeep();
        return 1;
    }
    UnpackOptions options;
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        if (!TakeArgument(options, arguments[i])) {
            Print("Argument zu lang, Abbruch\n");
            win::messageBeep();
            return 1;
        }
    }
    if (options.m_sMask.empty()) options.m_sMask = kDefaultMask;

    if (options.m_nMode == 0)
        ListArchives(options.m_sMask);
    else
        UnpackArchives(options.m_sMask, options.m_sDestDir, options.m_bOverride);
    return 0;
}
