#include "WinePrefix.h"

#include "MachineFixture.h"
#include "Text1252.h"

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace setuptest {

namespace {

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

// The libraries Wine's own programs load; the rest of a prefix (its hives
// above all) is rewritten in place and must not be shared.
bool Shared(const fs::path& relative) {
    const std::string path = relative.generic_string();
    return path.starts_with("drive_c/windows/system32/") || path.starts_with("drive_c/windows/syswow64/");
}

// The file naming the folder of the prefix's server sockets (below TMPDIR or
// /tmp); without it, Wine makes a fresh folder for the prefix.
const char kServerFolderFile[] = "wineserver";

// The template's server folder stays the template's: in it, the server of
// a prefix is found by the prefix directory's inode, which the file system
// hands on to a later test's copy once an earlier one is removed, so copies
// sharing it could meet the server of another test's prefix.
void CopyTemplate(const fs::path& from, const fs::path& to) {
    fs::create_directories(to);
    for (auto it = fs::recursive_directory_iterator(from); it != fs::recursive_directory_iterator(); ++it) {
        const fs::path relative = it->path().lexically_relative(from);
        const fs::path target = to / relative;
        if (relative == kServerFolderFile) continue;
        if (it->is_symlink()) fs::copy_symlink(it->path(), target);
        else if (it->is_directory()) fs::create_directory(target);
        else if (Shared(relative)) fs::create_hard_link(it->path(), target);
        else fs::copy_file(it->path(), target);
    }
}

std::string Lower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

// A hive file's escaped text up to the closing quote (or the end), as
// Windows-1252; `at` is left behind what was read.
std::string Unescaped(const std::string& text, std::size_t& at, char end) {
    std::string out;
    while (at < text.size() && text[at] != end) {
        const char c = text[at++];
        if (c != '\\' || at == text.size()) {
            out += c;
            continue;
        }
        const char e = text[at++];
        if (e == 'x') {
            std::size_t digits = 0;
            while (digits < 4 && at + digits < text.size() &&
                   std::isxdigit(static_cast<unsigned char>(text[at + digits])))
                ++digits;
            const auto code = digits ? static_cast<uint32_t>(std::stoul(text.substr(at, digits), nullptr, 16)) : 0u;
            at += digits;
            out += static_cast<char>(win::text::byteOf(code).value_or('?'));
        } else {
            const std::string from = "nrt0", to = "\n\r\t";
            const std::size_t special = from.find(e);
            out += special == std::string::npos ? e : special < to.size() ? to[special] : '\0';
        }
    }
    return out;
}

// Keys and value names as the hive stores them, found without case.
std::string KeyOf(const std::string& line) {
    std::size_t at = 1;
    return Lower(Unescaped(line, at, ']'));
}

std::string Escaped(const std::string& key) {
    std::string out;
    for (char c : key) out += c == '\\' ? std::string("\\\\") : std::string(1, c);
    return out;
}

}  // namespace

bool OnWine() { return !Environment("SETUP_EXE").empty(); }

WinePrefix::WinePrefix(const std::string& dir) : m_dir(dir) {
    const std::string templ = Environment("WINEPREFIX");
    if (templ.empty() || !fs::exists(templ + "/system.reg"))
        throw std::runtime_error("WINEPREFIX must name the template prefix");
    CopyTemplate(templ, m_dir);
}

void WinePrefix::mapDrive(char letter, const std::string& hostFolder) const {
    const fs::path link = m_dir + "/dosdevices/" + static_cast<char>(std::tolower(letter)) + ":";
    fs::remove(link);
    fs::create_directory_symlink(fs::absolute(hostFolder), link);
}

std::string WinePrefix::hive(win::RegRoot root) const {
    return m_dir + (root == win::RegRoot::LocalMachine ? "/system.reg" : "/user.reg");
}

void WinePrefix::addKey(win::RegRoot root, const std::string& key) const {
    testsupport::writeHostFile(hive(root), testsupport::readHostFile(hive(root)) + "\n[" + Escaped(key) + "]\n");
}

// The run's server folder goes with its server; a later run makes another.
void WinePrefix::removeServerFolder() const {
    const std::string file = m_dir + "/" + kServerFolderFile;
    const std::string name = testsupport::readHostFile(file);
    const std::string tmp = Environment("TMPDIR");
    if (name.starts_with("wine-") && name.find('/') == std::string::npos)
        fs::remove_all(fs::path(tmp.empty() ? "/tmp" : tmp) / name);
    fs::remove(file);
}

void WinePrefix::server(const std::string& option) const {
    testsupport::ProgramRun run;
    run.program = fs::path(Environment("SETUP_RUNNER")).parent_path() / "wineserver";
    run.args = {option};
    run.env = {{"WINEPREFIX", m_dir}};
    testsupport::runProgram(run);
}

testsupport::ProgramResult WinePrefix::run(const std::string& exe, const std::vector<std::string>& args,
                                           const std::map<std::string, std::string>& env,
                                           const std::string& cwd) const {
    testsupport::ProgramRun run;
    run.program = Environment("SETUP_RUNNER");
    run.args = {exe};
    run.args.insert(run.args.end(), args.begin(), args.end());
    run.env = env;
    run.env["WINEPREFIX"] = m_dir;
    run.env["WINEDEBUG"] = "-all";
    // Wine's menu builder would write into the host user's desktop menus.
    run.env["WINEDLLOVERRIDES"] = "mscoree,mshtml,winemenubuilder.exe=d";
    // Headless, unless the scripts are to drive the native windows
    // (SETUP_UI) on the test's display.
    const char* display = std::getenv("DISPLAY");
    run.env["DISPLAY"] = std::getenv("SETUP_UI") && display ? display : "";
    run.cwd = cwd;
    run.timeoutSeconds = 100;
    const testsupport::ProgramResult result = testsupport::runProgram(run);
    server("-k");
    server("-w");
    removeServerFolder();
    return result;
}

std::vector<std::pair<std::string, std::string>> WinePrefix::values(win::RegRoot root,
                                                                   const std::string& key) const {
    std::istringstream in(testsupport::readHostFile(hive(root)));
    const std::string wanted = Lower(key);
    std::vector<std::pair<std::string, std::string>> found;
    bool inKey = false;
    for (std::string line; std::getline(in, line);) {
        if (line.starts_with("[")) {
            inKey = KeyOf(line) == wanted;
        } else if (inKey && line.starts_with("\"")) {
            std::size_t at = 1;
            const std::string name = Unescaped(line, at, '"');
            if (line.compare(at, 2, "\"=") == 0) found.emplace_back(name, line.substr(at + 2));
        }
    }
    return found;
}

std::optional<std::string> WinePrefix::storedValue(win::RegRoot root, const std::string& key,
                                                   const std::string& name) const {
    for (const auto& [valueName, stored] : values(root, key))
        if (Lower(valueName) == Lower(name)) return stored;
    return std::nullopt;
}

std::vector<std::string> WinePrefix::valueNames(win::RegRoot root, const std::string& key) const {
    std::vector<std::string> names;
    for (const auto& value : values(root, key)) names.push_back(value.first);
    return names;
}

bool WinePrefix::keyExists(win::RegRoot root, const std::string& key) const {
    std::istringstream in(testsupport::readHostFile(hive(root)));
    const std::string wanted = Lower(key);
    for (std::string line; std::getline(in, line);)
        if (line.starts_with("[") && KeyOf(line) == wanted) return true;
    return false;
}

std::optional<std::string> WinePrefix::stringValue(win::RegRoot root, const std::string& key,
                                                   const std::string& name) const {
    const std::optional<std::string> stored = storedValue(root, key, name);
    if (!stored || !stored->starts_with("\"")) return std::nullopt;
    std::size_t at = 1;
    return Unescaped(*stored, at, '"');
}

std::optional<uint32_t> WinePrefix::dwordValue(win::RegRoot root, const std::string& key,
                                               const std::string& name) const {
    const std::optional<std::string> stored = storedValue(root, key, name);
    if (!stored || !stored->starts_with("dword:")) return std::nullopt;
    return static_cast<uint32_t>(std::stoul(stored->substr(6), nullptr, 16));
}

}  // namespace setuptest
