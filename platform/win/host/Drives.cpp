// Drives: letters mapped to host folders, their kind, medium and free space.
#include "Host.h"
#include "Text1252.h"

#include <cstdlib>
#include <filesystem>
#include <sys/statvfs.h>

namespace fs = std::filesystem;

namespace win::host {
namespace {

struct TypeName {
    const char* name;
    uint32_t type;
};
constexpr TypeName kTypes[] = {
    {"FIXED", DRIVE_TYPE_FIXED},   {"REMOVABLE", DRIVE_TYPE_REMOVABLE}, {"CDROM", DRIVE_TYPE_CDROM},
    {"REMOTE", DRIVE_TYPE_REMOTE}, {"RAMDISK", DRIVE_TYPE_RAMDISK},     {"NONE", DRIVE_TYPE_NO_ROOT_DIR},
};

uint32_t parseType(const std::string& name) {
    const std::string wanted = text::upper(text::trimBlanks(name));
    for (const TypeName& t : kTypes)
        if (wanted == t.name) return t.type;
    return DRIVE_TYPE_UNKNOWN;
}

// "spc,bps,free,total"; nullopt unless four numbers of 32 bits.
std::optional<DiskFree> parseFree(const std::string& text) {
    uint32_t numbers[4] = {};
    const char* p = text.c_str();
    for (int i = 0; i < 4; ++i) {
        char* end = nullptr;
        while (*p == ' ') ++p;
        const unsigned long long n = std::strtoull(p, &end, 10);
        if (end == p || n > 0xFFFFFFFFull) return std::nullopt;
        numbers[i] = static_cast<uint32_t>(n);
        p = end;
        while (*p == ' ') ++p;
        if (i < 3 && *p++ != ',') return std::nullopt;
    }
    if (*p != '\0') return std::nullopt;
    return DiskFree{numbers[0], numbers[1], numbers[2], numbers[3]};
}

// The host file system's figures in clusters that fit 32 bits.
std::optional<DiskFree> hostFree(const std::string& folder) {
    struct statvfs st {};
    if (::statvfs(folder.c_str(), &st) != 0) return std::nullopt;
    uint64_t clusterBytes = st.f_frsize ? st.f_frsize : 512;
    uint64_t total = st.f_blocks, available = st.f_bavail;
    while (total > 0xFFFFFFFFull) {
        clusterBytes *= 2;
        total /= 2;
        available /= 2;
    }
    const uint32_t bytesPerSector = 512;
    const uint64_t sectors = clusterBytes >= bytesPerSector ? clusterBytes / bytesPerSector : 1;
    return DiskFree{static_cast<uint32_t>(sectors), bytesPerSector, static_cast<uint32_t>(available),
                    static_cast<uint32_t>(total)};
}

// Fixed, remote and RAM disks always hold their medium: their folder is made
// when missing.  Removable and CD drives hold one only when it exists.
bool mediumPresent(const Drive& d) {
    if (d.folder.empty()) return false;
    std::error_code ec;
    if (fs::is_directory(d.folder, ec)) return true;
    if (d.type == DRIVE_TYPE_REMOVABLE || d.type == DRIVE_TYPE_CDROM) return false;
    return fs::create_directories(d.folder, ec) && !ec;
}

std::optional<char> rootLetter(const std::string& root) {
    if (root.empty()) return state().cwd.drive ? std::optional<char>(state().cwd.drive) : std::nullopt;
    if (root.size() < 2 || root[1] != ':') return std::nullopt;
    const unsigned char letter = text::upper(static_cast<unsigned char>(root[0]));
    if (letter < 'A' || letter > 'Z') return std::nullopt;
    return static_cast<char>(letter);
}

}  // namespace

std::optional<Drive> findDrive(const Ini& ini, char letter) {
    const std::string section = "Drive " + std::string(1, letter);
    if (letter != 'C' && !ini.hasSection(section)) return std::nullopt;
    Drive d;
    d.letter = letter;
    d.type = parseType(ini.get(section, "Type", "fixed"));
    if (d.type == DRIVE_TYPE_NO_ROOT_DIR) return std::nullopt;
    const std::string folder = ini.get(section, "Folder", letter == 'C' ? "drives/C" : "");
    if (!folder.empty()) {
        const std::string host = toUtf8(folder);
        d.folder = fs::path(host).is_absolute() ? host : machineFolder() + "/" + host;
        d.folder = fs::path(d.folder).lexically_normal().string();
        while (d.folder.size() > 1 && d.folder.back() == '/') d.folder.pop_back();
    }
    d.present = mediumPresent(d);
    // A pressed disc takes no writes.
    d.writeProtect = d.type == DRIVE_TYPE_CDROM || ini.flag(section, "WriteProtect", false);
    d.full = ini.flag(section, "Full", false);
    d.label = ini.get(section, "Label", "");
    if (const std::optional<std::string> free = ini.get(section, "Free")) d.free = parseFree(*free);
    return d;
}

bool notReady() {
    fail(ERR_NOT_READY);
    if ((state().errorMode & SEM_FAILCRITICALERRORS) == 0) journal("critical-error box");
    return false;
}

}  // namespace win::host

namespace win {

uint32_t driveType(const std::string& root) {
    if (!root.empty() && root[0] == '/') return DRIVE_TYPE_FIXED;
    const std::optional<char> letter = host::rootLetter(root);
    if (!letter) return DRIVE_TYPE_NO_ROOT_DIR;
    const std::optional<host::Drive> d = host::findDrive(host::Ini::now(), *letter);
    return d ? d->type : DRIVE_TYPE_NO_ROOT_DIR;
}

bool diskFreeSpace(const std::string& root, DiskFree& free) {
    if (!root.empty() && root[0] == '/') {
        const std::optional<DiskFree> figures = host::hostFree(root);
        if (!figures) return host::fail(ERR_PATH_NOT_FOUND);
        free = *figures;
        return true;
    }
    const std::optional<char> letter = host::rootLetter(root);
    const std::optional<host::Drive> d = letter ? host::findDrive(host::Ini::now(), *letter) : std::nullopt;
    if (!d) return host::fail(ERR_PATH_NOT_FOUND);
    if (!d->present) return host::notReady();
    std::optional<DiskFree> figures = d->free;
    if (!figures) {
        figures = host::hostFree(d->folder);
        if (figures && d->type == DRIVE_TYPE_CDROM) figures->freeClusters = 0;  // a pressed disc
    }
    if (!figures) return host::fail(ERR_NOT_READY);
    free = *figures;
    return true;
}

uint32_t logicalDrives() {
    const host::Ini ini = host::Ini::now();
    uint32_t mask = 0;
    for (char letter = 'A'; letter <= 'Z'; ++letter)
        if (host::findDrive(ini, letter)) mask |= 1u << (letter - 'A');
    return mask;
}

std::string volumeLabel(const std::string& root) {
    const std::optional<char> letter = host::rootLetter(root);
    const std::optional<host::Drive> d = letter ? host::findDrive(host::Ini::now(), *letter) : std::nullopt;
    return d && d->present ? d->label : "";
}

uint32_t setErrorMode(uint32_t mode) {
    const uint32_t previous = host::state().errorMode;
    host::state().errorMode = mode;
    return previous;
}

}  // namespace win
