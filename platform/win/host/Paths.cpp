// Windows path rules over the drive folders, and the current directories.
#include "Host.h"
#include "Text1252.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <filesystem>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace win::host {
namespace {

bool isSeparator(char c) { return c == '\\' || c == '/'; }
bool isLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// "." and ".." fold on the text and stop at the root; trailing dots and
// blanks of a name are dropped, as Windows drops them.
void addComponent(Lexical& path, std::string_view component) {
    std::string_view dots = component;
    while (!dots.empty() && dots.back() == ' ') dots.remove_suffix(1);
    if (dots == ".") return;
    if (dots == "..") {
        if (!path.parts.empty()) path.parts.pop_back();
        return;
    }
    while (!component.empty() && (component.back() == '.' || component.back() == ' ')) component.remove_suffix(1);
    if (!component.empty()) path.parts.emplace_back(component);
}

void appendComponents(Lexical& path, std::string_view rest) {
    std::size_t start = 0;
    while (start < rest.size()) {
        std::size_t end = start;
        while (end < rest.size() && !isSeparator(rest[end])) ++end;
        if (end > start) addComponent(path, rest.substr(start, end - start));
        start = end + 1;
    }
    path.trailingSeparator = !rest.empty() && isSeparator(rest.back()) && !path.parts.empty();
}

Lexical driveDirectory(char letter) {
    const State& s = state();
    if (s.cwd.drive == letter) return s.cwd;
    return s.driveCwd[letter - 'A'].value_or(Lexical{letter, {}, false});
}

bool validName(const std::string& name, bool onDrive) {
    for (unsigned char c : name) {
        if (c < 0x20) return false;
        switch (c) {
            case '<': case '>': case '"': case '|': case '?': case '*': return false;
            case ':': if (onDrive) return false; break;
            default: break;
        }
    }
    return true;
}

// The first entry of dir equal to a Windows name without case.
std::optional<std::string> entryWithoutCase(const std::string& dir, const std::string& name) {
    const EntryNames* entries = entriesOf(dir.empty() ? "/" : dir);
    if (!entries) return std::nullopt;
    const auto it = entries->find(text::upper(name));
    if (it == entries->end()) return std::nullopt;
    return it->second;
}

bool existsAsSpelled(const std::string& host) {
    struct stat st {};
    return ::lstat(host.c_str(), &st) == 0;
}

// The host entry of dir that a Windows name means: the exact spelling when it
// exists, else the first entry equal without case.
std::optional<std::string> findEntry(const std::string& dir, const std::string& name) {
    const std::string exact = toUtf8(name);
    if (existsAsSpelled(dir + "/" + exact)) return exact;
    return entryWithoutCase(dir, name);
}

std::string spelled(std::string host, const std::vector<std::string>& parts, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) host += "/" + toUtf8(parts[i]);
    return host;
}

std::string mapParts(std::string host, const std::vector<std::string>& parts) {
    // Most paths exist as they are spelled, or all of them but the last
    // component does: one look then instead of one per component.
    if (!parts.empty()) {
        const std::string parent = spelled(host, parts, parts.size() - 1);
        const std::string last = toUtf8(parts.back());
        if (existsAsSpelled(parent + "/" + last)) return parent + "/" + last;
        if (existsAsSpelled(parent))
            return parent + "/" + entryWithoutCase(parent, parts.back()).value_or(last);
    }
    bool exists = true;
    for (const std::string& part : parts) {
        std::optional<std::string> entry = exists ? findEntry(host, part) : std::nullopt;
        exists = entry.has_value();
        host += "/" + (entry ? *entry : toUtf8(part));
    }
    return host.empty() ? "/" : host;
}

std::optional<Resolved> resolveWith(const Ini& ini, const std::string& path, bool quiet) {
    const auto refuse = [quiet](uint32_t code) -> std::optional<Resolved> {
        if (!quiet) fail(code);
        return std::nullopt;
    };
    const std::optional<Lexical> lex = lexical(path);
    if (!lex) return refuse(ERR_PATH_NOT_FOUND);
    for (const std::string& part : lex->parts)
        if (!validName(part, lex->drive != 0)) return refuse(ERR_INVALID_NAME);
    Resolved r;
    r.windows = windowsText(*lex);
    r.root = lex->parts.empty();
    if (lex->drive == 0) {
        r.host = mapParts("", lex->parts);
        return r;
    }
    if (path.size() >= kMaxPath || r.windows.size() >= kMaxPath) return refuse(ERR_FILENAME_EXCED_RANGE);
    r.drive = findDrive(ini, lex->drive);
    if (!r.drive) return refuse(ERR_PATH_NOT_FOUND);
    if (!r.drive->present) {
        if (!quiet) notReady();
        return std::nullopt;
    }
    r.host = mapParts(r.drive->folder, lex->parts);
    return r;
}

}  // namespace

std::string windowsText(const Lexical& path) {
    const char separator = path.drive ? '\\' : '/';
    std::string text = path.drive ? std::string(1, path.drive) + ":\\" : "/";
    for (std::size_t i = 0; i < path.parts.size(); ++i) {
        if (i > 0) text += separator;
        text += path.parts[i];
    }
    if (path.trailingSeparator && !path.parts.empty()) text += separator;
    return text;
}

std::optional<Lexical> lexical(const std::string& path) {
    if (path.empty()) return std::nullopt;
    if (path.size() >= 2 && path[0] == '\\' && isSeparator(path[1])) return std::nullopt;  // UNC: no shares here
    std::string_view rest = path;
    Lexical result;
    if (path[0] == '/') {
        result.drive = 0;
    } else if (path.size() >= 2 && isLetter(path[0]) && path[1] == ':') {
        const char letter = static_cast<char>(text::upper(static_cast<unsigned char>(path[0])));
        rest.remove_prefix(2);
        result = rest.empty() || !isSeparator(rest[0]) ? driveDirectory(letter) : Lexical{letter, {}, false};
    } else if (path[0] == '\\') {
        result.drive = state().cwd.drive;
    } else {
        result = state().cwd;
    }
    appendComponents(result, rest);
    return result;
}

std::optional<Resolved> resolve(const std::string& path) { return resolve(Ini::now(), path); }

std::optional<Resolved> resolve(const Ini& ini, const std::string& path) { return resolveWith(ini, path, false); }

std::string quietHostPath(const Ini& ini, const std::string& path) {
    const std::optional<Resolved> r = resolveWith(ini, path, true);
    return r ? r->host : "";
}

// The kernel's name of an existing file or directory, links followed, in
// three calls rather than two for every component of the path.
std::optional<std::string> kernelName(const std::string& hostPath) {
    const int fd = ::open(hostPath.c_str(), O_PATH | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    char name[PATH_MAX];
    const ssize_t n = ::readlink(("/proc/self/fd/" + std::to_string(fd)).c_str(), name, sizeof name);
    ::close(fd);
    if (n <= 0 || n == ssize_t{sizeof name} || name[0] != '/') return std::nullopt;
    return std::string(name, std::size_t(n));
}

// Whether the path is absolute with no ".", ".." or empty component and no
// separator at its end, as lexically_normal leaves it.
bool isNormal(std::string_view path) {
    if (path.empty() || path[0] != '/' || (path.size() > 1 && path.back() == '/')) return false;
    for (std::size_t start = 1; start < path.size();) {
        const std::size_t end = std::min(path.find('/', start), path.size());
        const std::string_view part = path.substr(start, end - start);
        if (part.empty() || part == "." || part == "..") return false;
        start = end + 1;
    }
    return true;
}

std::string canonicalKey(const std::string& hostPath) {
    std::string normal = hostPath;
    if (!isNormal(normal)) {
        normal = fs::path(hostPath).lexically_normal().string();
        while (normal.size() > 1 && normal.back() == '/') normal.pop_back();
    }
    // The longest existing start of the path, then the rest as written.
    for (std::size_t cut = normal.size(); !normal.empty() && normal[0] == '/';) {
        if (const std::optional<std::string> name = kernelName(cut == 0 ? "/" : normal.substr(0, cut))) {
            const std::string rest = normal.substr(cut);
            return *name == "/" && !rest.empty() ? rest : *name + rest;
        }
        if (cut == 0 || (errno != ENOENT && errno != ENOTDIR)) break;
        cut = normal.rfind('/', cut - 1);
    }
    std::error_code ec;
    const fs::path canonical = fs::weakly_canonical(hostPath, ec);
    return ec ? normal : canonical.string();
}

}  // namespace win::host

namespace win {

std::string currentDirectory() { return host::windowsText(host::state().cwd); }

bool setCurrentDirectory(const std::string& path) {
    const std::optional<host::Resolved> r = host::resolve(path);
    if (!r) return false;
    struct stat st {};
    if (::stat(r->host.c_str(), &st) != 0) {
        const bool parentThere = ::stat(fs::path(r->host).parent_path().c_str(), &st) == 0;
        return host::fail(parentThere ? ERR_FILE_NOT_FOUND : ERR_PATH_NOT_FOUND);
    }
    if (!S_ISDIR(st.st_mode)) return host::fail(ERR_DIRECTORY);
    host::Lexical dir = *host::lexical(path);
    dir.trailingSeparator = false;
    host::State& s = host::state();
    s.cwd = dir;
    if (dir.drive) s.driveCwd[dir.drive - 'A'] = dir;
    return true;
}

std::optional<std::string> fullPathName(const std::string& path) {
    const std::optional<host::Lexical> lex = host::lexical(path);
    if (!lex) return std::nullopt;
    std::string text = host::windowsText(*lex);
    if (lex->drive && text.size() >= kMaxPath) return std::nullopt;
    return text;
}

}  // namespace win
