#include "Tools.h"

#include "Dialogs.h"
#include "Forms.h"
#include "Registry.h"
#include "SysUtils.h"
#include "Win.h"

#include <cstring>
#include <initializer_list>
#include <optional>

// ------------------------------------------------------------ version text

namespace {

constexpr char kMarker[] = "##BUILD:";
constexpr char kVersion[] = "5.0.02.012";
constexpr std::size_t kMarkerLength = sizeof kMarker - 1;
constexpr std::size_t kVersionLength = sizeof kVersion - 1;
static_assert(kMarkerLength == 8 && kVersionLength == 10);

// __DATE__ is "Mmm dd yyyy", the day padded with a blank.
constexpr int BuildMonth(const char* date) {
    constexpr const char* names = "JanFebMarAprMayJunJulAugSepOctNovDec";
    for (int m = 0; m < 12; ++m)
        if (names[3 * m] == date[0] && names[3 * m + 1] == date[1] && names[3 * m + 2] == date[2])
            return m + 1;
    return 0;
}

constexpr std::array<char, 33> MakeBuildInfo(const char* date) {
    std::array<char, 33> info{};
    std::size_t n = 0;
    auto put = [&](char c) { info[n++] = c; };
    for (std::size_t i = 0; i < kMarkerLength; ++i) put(kMarker[i]);
    for (std::size_t i = 0; i < kVersionLength; ++i) put(kVersion[i]);
    put(' ');
    put(date[4] == ' ' ? '0' : date[4]);
    put(date[5]);
    put('.');
    const int month = BuildMonth(date);
    put(char('0' + month / 10));
    put(char('0' + month % 10));
    put('.');
    for (int i = 7; i < 11; ++i) put(date[i]);
    put(' ');
    put('#');
    put('#');
    return info;
}

char versionBuffer[16];

}  // namespace

const std::array<char, 33> BuildInfoText = MakeBuildInfo(__DATE__);

const char* GetVersionText() {
    std::memset(versionBuffer, 0, sizeof versionBuffer);
    std::memcpy(versionBuffer, BuildInfoText.data() + kMarkerLength, kVersionLength);
    return versionBuffer;
}

// ------------------------------------------------------------------ texts

std::string NormalizePath(const std::string& path, bool noTrailing) {
    if (path.empty()) return "\\";
    std::string result;
    result.reserve(path.size() + 1);
    std::size_t i = 0;
    if (path.size() >= 2 && path[0] == '\\' && path[1] == '\\') {
        result = "\\\\";
        i = 2;
    }
    // The memory starts empty after a kept leading pair, so a third leading
    // backslash is copied as well.
    char last = '\0';
    for (; i < path.size(); ++i) {
        const char c = path[i];
        if (c == '\\' && last == '\\') continue;
        result += c;
        last = c;
    }
    if (!noTrailing && result.back() != '\\') result += '\\';
    return result;
}

std::string StripChar(std::string_view text, char ch) {
    std::string result;
    result.reserve(text.size());
    for (char c : text)
        if (c != ch) result += c;
    return result;
}

std::string ValueOfLine(const std::string& line) {
    const std::size_t eq = line.find('=');
    return eq == std::string::npos ? std::string() : line.substr(eq + 1);
}

DecodedText DecodeEscapes(const std::string& text) {
    DecodedText result;
    std::size_t i = 0;
    while (i < text.size()) {
        if (text[i] != '\\') {
            result.text += text[i++];
            continue;
        }
        if (i + 1 < text.size() && text[i + 1] == '\\') {
            result.text += '\\';
            i += 2;
            continue;
        }
        // Near the end fewer than four digits are taken.
        const std::string number = "0x" + text.substr(i + 1, 4);
        try {
            // After the "0x" prefix the conversion takes hexadecimal digits only.
            result.text += char(StrToInt(number) & 0xFF);
        } catch (const EConvertError& e) {
            result.ok = false;
            result.error = e.Message();
            return result;
        }
        i += 5;
    }
    return result;
}

// ------------------------------------------------------------------ paths

std::string FullFileName(const std::string& path) {
    const std::string dir = ExtractFilePath(path);
    const std::string name = path.substr(dir.size());
    const std::optional<std::string> full = win::fullPathName(dir);
    if (!full) return path;
    // "X:" converts to that drive's current directory, which has no
    // trailing backslash.
    if (!name.empty() && !full->empty() && full->back() != '\\') return *full + "\\" + name;
    return *full + name;
}

namespace {

constexpr int kFileSearchAttr = faReadOnly | faHidden | faSysFile | faArchive;  // 39

// The path of a found file: the mask's directory part as written, so a
// drive-relative ("X:*.*") or plain relative mask deletes where it searched.
std::string FoundFilePath(const std::string& maskDir, const std::string& name) {
    if (maskDir.empty() || maskDir.back() == ':') return maskDir + name;
    return NormalizePath(maskDir, false) + name;
}

}  // namespace

bool DeleteFilesByMask(const std::string& mask) {
    const std::string dir = ExtractFilePath(mask);
    TSearchRec found;
    bool allDeleted = true;
    if (FindFirst(mask, kFileSearchAttr, found) == 0) {
        do {
            allDeleted = win::deleteFile(FoundFilePath(dir, found.Name));
        } while (allDeleted && FindNext(found) == 0);
        FindClose(found);
    }
    return allDeleted;
}

int CountFilesByMask(const std::string& mask) {
    TSearchRec found;
    int count = 0;
    if (FindFirst(mask, kFileSearchAttr, found) == 0) {
        do ++count;
        while (FindNext(found) == 0);
        FindClose(found);
    }
    return count;
}

// ------------------------------------------------------ system directories

std::string GetSpecialFolder(int csidl) { return win::specialFolder(csidl).value_or(""); }

namespace {

constexpr int CSIDL_DESKTOP = 0;
constexpr int CSIDL_PROGRAMS = 2;
constexpr int CSIDL_STARTUP = 7;
constexpr int CSIDL_DESKTOPDIRECTORY = 16;
constexpr int CSIDL_COMMON_PROGRAMS = 23;
constexpr int CSIDL_COMMON_STARTUP = 24;
constexpr int CSIDL_COMMON_DESKTOPDIRECTORY = 25;

// The first of the folders that resolves.
std::string FirstSpecialFolder(std::initializer_list<int> csidls) {
    std::string folder;
    for (int csidl : csidls) {
        folder = GetSpecialFolder(csidl);
        if (!folder.empty()) break;
    }
    return folder;
}

}  // namespace

std::string GetProgramsFolder() { return FirstSpecialFolder({CSIDL_COMMON_PROGRAMS, CSIDL_PROGRAMS}); }

std::string GetStartupFolder() { return FirstSpecialFolder({CSIDL_COMMON_STARTUP, CSIDL_STARTUP}); }

std::string GetDesktopFolder() {
    return FirstSpecialFolder({CSIDL_COMMON_DESKTOPDIRECTORY, CSIDL_DESKTOPDIRECTORY, CSIDL_DESKTOP});
}

std::string GetWindowsDir() { return win::windowsDirectory().value_or(""); }

std::string GetSystemDir() { return win::systemDirectory().value_or(""); }

namespace {

// "" when the key cannot be opened with full access or holds no such text.
std::string ProgramFilesDirFromRegistry() {
    TRegistry registry;
    registry.SetRootKey(HKEY_LOCAL_MACHINE);
    registry.OpenKey("\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\", false);
    try {
        return registry.ReadString("ProgramFilesDir");
    } catch (const ERegistryException&) {
        return "";  // a value of another type is no directory either
    }
}

}  // namespace

std::string GetProgramFilesDir() {
    const std::string dir = ProgramFilesDirFromRegistry();
    if (!dir.empty()) return dir;
    // Without a Windows directory the usual system drive is the best guess.
    const std::string windowsDir = GetWindowsDir();
    const char drive = windowsDir.empty() ? 'C' : windowsDir[0];
    return std::string(1, drive) + ":\\Programme";
}

// ----------------------------------------------------------------- drives

namespace {

std::string DriveRoot(char drive) { return std::string{drive, ':', '\\'}; }

}  // namespace

uint32_t DiskFreeBytes(char drive) {
    win::DiskFree free;
    if (!win::diskFreeSpace(DriveRoot(drive), free)) return 0;
    constexpr uint64_t kLimit = 0xFFFFFFFFu;
    const uint64_t cluster = uint64_t(free.bytesPerSector) * free.sectorsPerCluster;
    if (cluster == 0 || free.freeClusters == 0) return 0;
    // Saturate to whole clusters: never report a cluster that is not free.
    if (free.freeClusters > kLimit / cluster) return uint32_t(kLimit / cluster * cluster);
    return uint32_t(cluster * free.freeClusters);
}

bool IsUsableDrive(char drive) {
    switch (win::driveType(DriveRoot(drive))) {
        case win::DRIVE_TYPE_UNKNOWN:
        case win::DRIVE_TYPE_NO_ROOT_DIR:
        case win::DRIVE_TYPE_CDROM:
            return false;
        default:
            return true;
    }
}

bool IsLocalFixedDrive(char drive) {
    switch (win::driveType(DriveRoot(drive))) {
        case win::DRIVE_TYPE_UNKNOWN:
        case win::DRIVE_TYPE_NO_ROOT_DIR:
        case win::DRIVE_TYPE_REMOVABLE:
        case win::DRIVE_TYPE_REMOTE:
        case win::DRIVE_TYPE_CDROM:
            return false;
        default:
            return true;
    }
}

bool IsDriveReady(char drive) {
    const uint32_t previous = win::setErrorMode(win::SEM_FAILCRITICALERRORS | win::SEM_NOOPENFILEERRORBOX);
    const uint32_t freeBytes = DiskFreeBytes(drive);
    win::setErrorMode(previous);
    return freeBytes > 0;
}

// ------------------------------------------------------------ directories

std::string FindTempDir(uint32_t minFree) {
    const std::optional<std::string> temp = win::tempPath();
    if (!temp || temp->empty()) return "";
    const char drive = (*temp)[0];
    const std::string probe = NormalizePath(*temp, false) + "TESTDIR";
    if (DiskFreeBytes(drive) > minFree && IsUsableDrive(drive) && win::createDirectory(probe)) {
        win::removeDirectory(probe);
        return *temp;
    }
    // Clears a probe left by an earlier run, which made the creation fail.
    win::removeDirectory(probe);
    return "";
}

void MakeDirectory(const std::string& path, bool fatal) {
    if (path.size() < 2 || path[1] != ':') {
        if (!fatal) return;
        MessageBeep(0);
        Application->MessageBox("Kein Laufwerksbezeichner im Pfad: <" + path + ">, Abbruch !",
                                "Nicht behebbarer Fehler !", MB_OK | MB_ICONSTOP);
        win::exitProcess(1);
    }
    const std::string saved = GetCurrentDir();
    if (!SetCurrentDir(path)) ForceDirectories(path);
    SetCurrentDir(saved);
}

// ---------------------------------------------------------------- version

bool IsWindowsNT() { return win::platformId() == win::Platform::WinNT; }

bool HasProtectingAttributes(const std::string& path) {
    const uint32_t attributes = win::getFileAttributes(path);
    return attributes != win::kInvalidAttributes &&
           (attributes & (win::ATTR_READONLY | win::ATTR_HIDDEN | win::ATTR_SYSTEM)) != 0;
}

void ClearProtectingAttributes(const std::string& path) {
    if (HasProtectingAttributes(path)) win::setFileAttributes(path, win::ATTR_NORMAL);
}

bool DeleteWorkFile(const std::string& path) {
    ClearProtectingAttributes(path);
    return win::deleteFile(path);
}
