// Side records of the machine folder: file attributes that the host cannot
// hold (kept in memory, each change written through), in-use marks and
// injected faults (both from machine.ini as it is at the call).
#include "Host.h"
#include "Text1252.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <vector>

namespace win::host {
namespace {

constexpr uint32_t kKeptBits = ATTR_READONLY | ATTR_HIDDEN | ATTR_SYSTEM | ATTR_ARCHIVE;

std::string recordFile() { return machineFolder() + "/attributes.txt"; }

using Records = std::map<std::string, uint32_t>;

// attributes.txt: one line per change, "XX<tab>host path" with the bits in
// hex or "--<tab>host path" for a record dropped; a later line wins.  Each
// change is appended at once; when the lines are more than twice the records
// (and some), the file is written anew with the records alone.
struct RecordFile {
    Records records;
    std::size_t lines = 0;
    bool endsOpen = false;  // the last line has no line end (a write cut short)
};

constexpr const char* kDropped = "--";

RecordFile loadRecords(const std::string& hostFile) {
    RecordFile file;
    const std::string text = readHostBytes(hostFile);
    file.endsOpen = !text.empty() && text.back() != '\n';
    for (const std::string_view line : linesOf(text)) {
        ++file.lines;
        const std::size_t tab = line.find('\t');
        if (tab == std::string_view::npos) continue;
        std::string path(line.substr(tab + 1));
        const std::string bits(line.substr(0, tab));
        if (bits == kDropped)
            file.records.erase(path);
        else
            file.records[std::move(path)] = static_cast<uint32_t>(std::strtoul(bits.c_str(), nullptr, 16));
    }
    return file;
}

KeptFile<RecordFile>& kept() {
    static KeptFile<RecordFile> file(loadRecords);
    return file;
}

const Records& records() { return kept().current(recordFile()).records; }

// A record to set (bits) or to drop (nullopt).
using Change = std::pair<std::string, std::optional<uint32_t>>;

std::string line(const std::string& path, std::optional<uint32_t> bits) {
    char hex[8];
    std::snprintf(hex, sizeof hex, "%02X", bits.value_or(0));
    return (bits ? hex : kDropped) + ("\t" + path) + "\n";
}

std::optional<uint32_t> recordOf(const Records& records, const std::string& path) {
    const auto it = records.find(path);
    return it == records.end() ? std::nullopt : std::optional<uint32_t>(it->second);
}

// Takes the changes into the records; what they leave different, each path
// once with its last value.
std::vector<Change> apply(Records& records, const std::vector<Change>& changes) {
    std::vector<Change> before;  // each path touched, with its record before
    for (const auto& [path, bits] : changes) {
        if (std::none_of(before.begin(), before.end(), [&](const Change& c) { return c.first == path; }))
            before.push_back({path, recordOf(records, path)});
        if (bits) records[path] = *bits;
        else records.erase(path);
    }
    std::vector<Change> changed;
    for (const auto& [path, old] : before)
        if (const std::optional<uint32_t> now = recordOf(records, path); now != old) changed.push_back({path, now});
    return changed;
}

// Takes the changes into the records and writes what they change through to
// the file (nothing when they change nothing); false (error set) when the file
// could not take them, and then the records are read again from the file,
// which stayed as it was.
bool change(const std::vector<Change>& requested) {
    KeptFile<RecordFile>& k = kept();
    RecordFile& file = k.current(recordFile());
    const std::vector<Change> changes = apply(file.records, requested);
    if (changes.empty()) return true;
    const bool rewrite = file.lines + changes.size() > 2 * file.records.size() + 64;
    std::string text = file.endsOpen && !rewrite ? "\n" : "";
    if (rewrite) {
        for (const auto& [path, bits] : file.records) text += line(path, bits);
    } else {
        for (const auto& [path, bits] : changes) text += line(path, bits);
    }
    if (!k.wrote(rewrite ? writeFileAtomically(k.file(), text) : appendToFile(k.file(), text))) return false;
    file.lines = rewrite ? file.records.size() : file.lines + changes.size();
    file.endsOpen = false;
    return true;
}

// The records of the path and of everything below it.
std::vector<std::string> recordsOf(const Records& all, const std::string& key) {
    std::vector<std::string> found;
    for (auto it = all.lower_bound(key); it != all.end() && it->first.compare(0, key.size(), key) == 0; ++it)
        if (it->first.size() == key.size() || it->first[key.size()] == '/') found.push_back(it->first);
    return found;
}

// The value of the first key of a machine.ini section that names the path.
std::optional<std::pair<std::string, std::string>> entryFor(const Ini& ini, std::string_view section,
                                                            const std::string& hostPath) {
    const std::vector<std::string> keys = ini.keys(section);
    if (keys.empty()) return std::nullopt;
    const std::string wanted = canonicalKey(hostPath);
    for (const std::string& key : keys) {
        const std::string mapped = quietHostPath(ini, key);
        if (!mapped.empty() && canonicalKey(mapped) == wanted) return std::make_pair(key, ini.get(section, key, ""));
    }
    return std::nullopt;
}

}  // namespace

std::optional<uint32_t> recordedAttributes(const std::string& hostPath) {
    const Records& all = records();
    if (all.empty()) return std::nullopt;  // and no key to find
    const auto it = all.find(canonicalKey(hostPath));
    if (it == all.end()) return std::nullopt;
    return it->second;
}

uint32_t reportedAttributes(const std::string& hostPath, bool isDirectory, bool isRoot) {
    uint32_t bits = isRoot ? 0 : recordedAttributes(hostPath).value_or(isDirectory ? 0u : uint32_t{ATTR_ARCHIVE});
    if (isDirectory) bits |= ATTR_DIRECTORY;
    return bits ? bits : ATTR_NORMAL;
}

bool recordAttributes(const std::string& hostPath, uint32_t attributes, bool isDirectory) {
    const uint32_t bits = attributes & kKeptBits;
    // A file without record is reported with the archive bit alone.
    if (!isDirectory && bits == ATTR_ARCHIVE) return forgetAttributes(hostPath);
    return change({{canonicalKey(hostPath), bits}});
}

bool forgetAttributes(const std::string& hostPath) {
    const Records& all = records();
    if (all.empty()) return true;  // nothing to forget, and no key to find
    std::vector<Change> dropped;
    for (const std::string& path : recordsOf(all, canonicalKey(hostPath))) dropped.push_back({path, std::nullopt});
    return change(dropped);
}

bool moveAttributes(const std::string& fromHost, const std::string& toHost) {
    const Records& all = records();
    if (all.empty()) return true;  // nothing to move, and no key to find
    const std::string from = canonicalKey(fromHost), to = canonicalKey(toHost);
    const std::vector<std::string> replaced = recordsOf(all, to);  // the target's own records
    std::vector<Change> changes;
    for (const std::string& path : replaced) changes.push_back({path, std::nullopt});
    for (const std::string& path : recordsOf(all, from)) {
        if (std::find(replaced.begin(), replaced.end(), path) != replaced.end()) continue;
        changes.push_back({path, std::nullopt});
        changes.push_back({to + path.substr(from.size()), all.at(path)});
    }
    return change(changes);
}

int inUseLevel(const Ini& ini, const std::string& hostPath) {
    const auto entry = entryFor(ini, "InUse", hostPath);
    if (!entry) return 0;
    const std::string& value = entry->second;
    if (value.empty() || value == "0") return 0;
    return value == "2" ? 2 : 1;
}

Faults faultsFor(const Ini& ini, const std::string& hostPath) {
    Faults faults;
    const auto entry = entryFor(ini, "Faults", hostPath);
    if (!entry) return faults;
    const uint64_t limit = static_cast<uint64_t>(std::max(0LL, ini.number("FaultLimits", entry->first, 0)));
    std::string_view kinds = entry->second;
    while (!kinds.empty()) {
        const std::size_t comma = kinds.find(',');
        const std::string kind = text::upper(text::trimBlanks(kinds.substr(0, comma)));
        kinds = comma == std::string_view::npos ? std::string_view() : kinds.substr(comma + 1);
        if (kind == "UNREADABLE") faults.unreadable = true;
        if (kind == "REFUSE-WRITE") faults.refuseWrite = true;
        if (kind == "DISK-FULL") faults.fullAfter = limit;
        if (kind == "READ-ERROR") faults.readErrorAfter = limit;
    }
    return faults;
}

}  // namespace win::host
