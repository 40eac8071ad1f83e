// The machine folder, machine.ini, the process state and the journal.
#include "Machine.h"

#include "Host.h"
#include "Profile.h"
#include "Text1252.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>

namespace fs = std::filesystem;

namespace win::host {
namespace {

std::unique_ptr<State> g_state;
uint64_t g_loads = 0;
thread_local uint32_t g_lastError = 0;

std::string defaultFolder() {
    if (const char* data = std::getenv("XDG_DATA_HOME"); data && *data) return std::string(data) + "/setup-machine";
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : ".") + "/.local/share/setup-machine";
}

std::string chooseFolder() {
    const char* named = std::getenv("SETUP_MACHINE");
    std::string folder = named && *named ? named : defaultFolder();
    std::error_code ec;
    fs::create_directories(folder, ec);
    const fs::path absolute = fs::absolute(folder, ec);
    return ec ? folder : absolute.lexically_normal().string();
}

uint64_t lastJournalNumber(const std::string& folder) {
    const std::string text = readHostBytes(folder + "/journal.log");
    std::string_view last;
    for (const std::string_view line : linesOf(text))
        if (!line.empty()) last = line;
    return std::strtoull(std::string(last).c_str(), nullptr, 10);
}

// The directories an empty machine.ini promises (Windows, System, temporary
// directory), made on first use; a directory named in machine.ini is left to
// the test that names it.
void createDefaultDirectories(const Ini& ini) {
    const std::pair<const char*, std::optional<std::string>> defaults[] = {
        {"WindowsDir", windowsDirectoryOf(ini)},
        {"SystemDir", systemDirectoryOf(ini)},
        {"TempDir", tempPathOf(ini)},
    };
    for (const auto& [key, dir] : defaults) {
        if (ini.get("Machine", key) || !dir || dir->empty()) continue;
        const std::string host = quietHostPath(ini, *dir);
        std::error_code ec;
        if (!host.empty()) fs::create_directories(host, ec);
    }
}

Lexical startDirectory(const Ini& ini, char letter) {
    Lexical dir;
    dir.drive = letter;
    const std::string configured = ini.get("Drive " + std::string(1, letter), "CurrentDir", "");
    std::optional<Lexical> parsed = lexical(std::string(1, letter) + ":\\" + configured);
    return parsed ? *parsed : dir;
}

char startDrive(const Ini& ini) {
    const std::string program = programPathOf(ini);
    std::string drive = ini.get("Machine", "CurrentDrive", program.size() >= 2 && program[1] == ':' ? program.substr(0, 1) : "C");
    const unsigned char letter = text::upper(static_cast<unsigned char>(drive.empty() ? 'C' : drive[0]));
    return letter >= 'A' && letter <= 'Z' ? static_cast<char>(letter) : 'C';
}

void load(State& s) {
    s.folder = chooseFolder();
    const std::string ini = s.folder + "/machine.ini";
    if (!fs::exists(ini)) std::ofstream(ini, std::ios::binary);
    const Ini machine = Ini::now();
    s.lastSequence = lastJournalNumber(s.folder);
    s.virtualTime = !machine.flag("Machine", "RealTime", false);
    s.tickStart = machine.number("Machine", "TickStart", 0);
    s.clockStart = clockStartOf(machine);
    // Current directories are read before anything resolves a relative path.
    for (char letter = 'A'; letter <= 'Z'; ++letter)
        if (machine.get("Drive " + std::string(1, letter), "CurrentDir"))
            s.driveCwd[letter - 'A'] = startDirectory(machine, letter);
    const char drive = startDrive(machine);
    s.cwd = s.driveCwd[drive - 'A'].value_or(Lexical{drive, {}, false});
    if (std::optional<Drive> c = findDrive(machine, 'C'); c && c->present) fs::create_directories(c->folder);
    createDefaultDirectories(machine);
}

}  // namespace

uint64_t machineLoads() { return g_loads; }

State& state() {
    if (!g_state) {
        ++g_loads;
        g_state = std::make_unique<State>();
        load(*g_state);
    }
    return *g_state;
}

std::string machineFolder() { return state().folder; }

bool fail(uint32_t code) {
    g_lastError = code;
    return false;
}

uint32_t errnoCode(int e) {
    switch (e) {
        case ENOENT: return ERR_FILE_NOT_FOUND;
        case ENOTDIR: return ERR_PATH_NOT_FOUND;
        case ENOSPC: return ERR_DISK_FULL;
        case EROFS: return ERR_WRITE_PROTECT;
        case EEXIST: return ERR_ALREADY_EXISTS;
        case ENOTEMPTY: return ERR_DIR_NOT_EMPTY;
        case ENAMETOOLONG: return ERR_FILENAME_EXCED_RANGE;
        case EBUSY: return ERR_SHARING_VIOLATION;
        default: return ERR_ACCESS_DENIED;
    }
}

// ------------------------------------------------------------------ Ini

// The file's sections as the profile rules read them: the first section of a
// name, in it the first line of a key.
struct Ini::Sections {
    struct Section {
        std::vector<std::string> keys;  // as written, in file order
        std::map<std::string, std::optional<std::string>> values;  // by upper-cased key
    };
    std::map<std::string, Section> byName;  // by upper-cased name

    static std::shared_ptr<const Sections> parse(const std::string& text) {
        // One parse for all keys: a section of many keys costs no parse per key.
        const profile::Document document(text);
        auto sections = std::make_shared<Sections>();
        for (const std::string& name : document.sectionNames()) {
            const auto [at, added] = sections->byName.try_emplace(text::upper(name));
            if (!added) continue;
            at->second.keys = document.keyNames(name);
            for (const std::string& key : at->second.keys)
                at->second.values.try_emplace(text::upper(key), document.readString(name, key));
        }
        return sections;
    }

    const Section* find(std::string_view name) const {
        const auto it = byName.find(text::upper(name));
        return it == byName.end() ? nullptr : &it->second;
    }
};

Ini Ini::now() {
    static KeptFile<std::shared_ptr<const Sections>> kept(
        [](const std::string& hostFile) { return Sections::parse(readMachineText(hostFile)); });
    Ini ini;
    ini.sections_ = kept.current(machineFolder() + "/machine.ini");
    return ini;
}

std::optional<std::string> Ini::get(std::string_view section, std::string_view key) const {
    const Sections::Section* s = sections_->find(section);
    if (!s) return std::nullopt;
    const auto it = s->values.find(text::upper(key));
    return it == s->values.end() ? std::nullopt : it->second;
}

std::string Ini::get(std::string_view section, std::string_view key, const std::string& fallback) const {
    return get(section, key).value_or(fallback);
}

bool Ini::flag(std::string_view section, std::string_view key, bool fallback) const {
    const std::optional<std::string> value = get(section, key);
    if (!value || value->empty()) return fallback;
    return (*value)[0] == '1' || text::upper(*value) == "YES" || text::upper(*value) == "TRUE";
}

long long Ini::number(std::string_view section, std::string_view key, long long fallback) const {
    const std::optional<std::string> value = get(section, key);
    if (!value || value->empty()) return fallback;
    char* end = nullptr;
    const long long n = std::strtoll(value->c_str(), &end, 10);
    return end && *end == '\0' ? n : fallback;
}

std::vector<std::string> Ini::keys(std::string_view section) const {
    const Sections::Section* s = sections_->find(section);
    return s ? s->keys : std::vector<std::string>();
}

bool Ini::hasSection(std::string_view section) const { return sections_->find(section) != nullptr; }

}  // namespace win::host

// ------------------------------------------------------------ public part

namespace win {

uint32_t lastError() { return host::g_lastError; }
void setLastError(uint32_t code) { host::fail(code); }

uint64_t nextSequenceNumber() { return ++host::state().lastSequence; }

void journal(const std::string& line) {
    char number[24];
    std::snprintf(number, sizeof number, "%04llu ", static_cast<unsigned long long>(nextSequenceNumber()));
    const uint32_t error = lastError();  // a journal that cannot be written is no error of the call
    host::appendBytes(host::machineFolder() + "/journal.log", number + std::string(line.c_str()) + "\n");
    setLastError(error);
}

namespace machine {

std::string folder() { return host::machineFolder(); }

void reload() { host::g_state.reset(); }

bool setValue(const std::string& section, const std::string& key, const std::string& value) {
    const std::string file = folder() + "/machine.ini";
    const std::string text = host::readMachineText(file);
    const std::string changed =
        value.empty() ? profile::deleteKey(text, section, key) : profile::writeString(text, section, key, value);
    return host::writeFileAtomically(file, changed);
}

std::string hostPath(const std::string& windowsPath) {
    return host::quietHostPath(host::Ini::now(), windowsPath);
}

bool virtualTime() { return host::state().virtualTime; }
void setVirtualTime(bool on) { host::state().virtualTime = on; }

void useHostWorkingDirectory() {
    std::error_code ec;
    const std::string cwd = fs::current_path(ec).string();
    if (ec) return;
    if (std::optional<host::Lexical> dir = host::lexical(host::toCp1252(cwd))) host::state().cwd = *dir;
}

}  // namespace machine
}  // namespace win
