// Side records of the machine folder: file attributes that the host cannot
// hold, in-use marks and injected faults (both from machine.ini, read anew on
// every call).
#include "Host.h"
#include "Text1252.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>

namespace win::host {
namespace {

constexpr uint32_t kKeptBits = ATTR_READONLY | ATTR_HIDDEN | ATTR_SYSTEM | ATTR_ARCHIVE;

std::string recordFile() { return machineFolder() + "/attributes.txt"; }

// attributes.txt: one line per path, "XX<tab>host path" with the bits in hex.
std::map<std::string, uint32_t> loadRecords() {
    std::map<std::string, uint32_t> records;
    std::ifstream in(recordFile(), std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        const std::size_t tab = line.find('\t');
        if (tab == std::string::npos) continue;
        records[line.substr(tab + 1)] = static_cast<uint32_t>(std::strtoul(line.substr(0, tab).c_str(), nullptr, 16));
    }
    return records;
}

bool saveRecords(const std::map<std::string, uint32_t>& records) {
    std::ostringstream out;
    for (const auto& [path, bits] : records) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "%02X", bits);
        out << hex << '\t' << path << '\n';
    }
    return writeFileAtomically(recordFile(), out.str());
}

bool isBelow(const std::string& path, const std::string& dir) {
    return path.size() > dir.size() && path.compare(0, dir.size(), dir) == 0 && path[dir.size()] == '/';
}

// The value of the first key of a machine.ini section that names the path.
std::optional<std::pair<std::string, std::string>> entryFor(const Ini& ini, std::string_view section,
                                                            const std::string& hostPath) {
    const std::string wanted = canonicalKey(hostPath);
    for (const std::string& key : ini.keys(section)) {
        const std::string mapped = quietHostPath(ini, key);
        if (!mapped.empty() && canonicalKey(mapped) == wanted) return std::make_pair(key, ini.get(section, key, ""));
    }
    return std::nullopt;
}

}  // namespace

std::optional<uint32_t> recordedAttributes(const std::string& hostPath) {
    const std::map<std::string, uint32_t> records = loadRecords();
    const auto it = records.find(canonicalKey(hostPath));
    if (it == records.end()) return std::nullopt;
    return it->second;
}

uint32_t reportedAttributes(const std::string& hostPath, bool isDirectory, bool isRoot) {
    uint32_t bits = isRoot ? 0 : recordedAttributes(hostPath).value_or(isDirectory ? 0u : uint32_t{ATTR_ARCHIVE});
    if (isDirectory) bits |= ATTR_DIRECTORY;
    return bits ? bits : ATTR_NORMAL;
}

bool recordAttributes(const std::string& hostPath, uint32_t attributes) {
    std::map<std::string, uint32_t> records = loadRecords();
    records[canonicalKey(hostPath)] = attributes & kKeptBits;
    return saveRecords(records);
}

bool forgetAttributes(const std::string& hostPath) {
    std::map<std::string, uint32_t> records = loadRecords();
    const std::string key = canonicalKey(hostPath);
    bool changed = false;
    for (auto it = records.begin(); it != records.end();) {
        if (it->first == key || isBelow(it->first, key)) {
            it = records.erase(it);
            changed = true;
        } else {
            ++it;
        }
    }
    return !changed || saveRecords(records);
}

bool moveAttributes(const std::string& fromHost, const std::string& toHost) {
    std::map<std::string, uint32_t> records = loadRecords();
    const std::string from = canonicalKey(fromHost), to = canonicalKey(toHost);
    std::map<std::string, uint32_t> moved;
    for (auto it = records.begin(); it != records.end();) {
        if (it->first == to || isBelow(it->first, to)) {
            it = records.erase(it);  // the replaced target's own records
        } else if (it->first == from || isBelow(it->first, from)) {
            moved[to + it->first.substr(from.size())] = it->second;
            it = records.erase(it);
        } else {
            ++it;
        }
    }
    records.merge(moved);
    return saveRecords(records);
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
