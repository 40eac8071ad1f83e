// The registry of the machine, kept in registry.reg (REGEDIT4 text) and
// rewritten atomically after each change.  Keys and value names are matched
// without case and keep the spelling they were created with.
#include "Host.h"
#include "Text1252.h"

#include <cstdio>
#include <map>

namespace win::host {
namespace {

constexpr const char* kLocalMachine = "HKEY_LOCAL_MACHINE";
constexpr const char* kCurrentUser = "HKEY_CURRENT_USER";

struct Value {
    std::string name;
    RegType type = RegType::String;
    std::string data;  // a string's text, or an other type's text after "=" as found
    uint32_t dword = 0;
};

struct Key {
    std::string path;  // "HKEY_LOCAL_MACHINE\Software\X", as created
    std::vector<Value> values;
};

// Keys by their upper-cased full path.
using Store = std::map<std::string, Key>;

std::string registryFile() { return machineFolder() + "/registry.reg"; }

// "HKLM", "HKEY_LOCAL_MACHINE" and the like to the full root name ("" when
// unknown).  Roots the programs never open are kept, so that a rewrite of a
// seeded file loses nothing.
std::string rootName(std::string_view name) {
    const std::string upper = text::upper(name);
    if (upper == "HKLM" || upper == kLocalMachine) return kLocalMachine;
    if (upper == "HKCU" || upper == kCurrentUser) return kCurrentUser;
    return upper.rfind("HKEY_", 0) == 0 && upper.size() > 5 ? upper : "";
}

// The full key path below the root: empty components (a leading or trailing
// backslash) dropped.
std::string fullPath(const std::string& root, std::string_view key) {
    std::string path = root;
    while (!key.empty()) {
        const std::size_t slash = key.find('\\');
        const std::string_view part = key.substr(0, slash);
        if (!part.empty()) path += "\\" + std::string(part);
        key = slash == std::string_view::npos ? std::string_view() : key.substr(slash + 1);
    }
    return path;
}

std::string fullPath(RegRoot root, std::string_view key) {
    return fullPath(root == RegRoot::LocalMachine ? kLocalMachine : kCurrentUser, key);
}

bool isBelow(const std::string& upperPath, const std::string& upperAncestor) {
    return upperPath.size() > upperAncestor.size() && upperPath.compare(0, upperAncestor.size(), upperAncestor) == 0 &&
           upperPath[upperAncestor.size()] == '\\';
}

// Creates the key and every missing key above it (roots are implicit).
Key& createKey(Store& store, const std::string& path) {
    std::size_t slash = path.find('\\');
    while (slash != std::string::npos) {
        const std::string parent = path.substr(0, slash);
        if (parent.find('\\') != std::string::npos) store.try_emplace(text::upper(parent), Key{parent, {}});
        slash = path.find('\\', slash + 1);
    }
    return store.try_emplace(text::upper(path), Key{path, {}}).first->second;
}

// ------------------------------------------------------ REGEDIT4 text

std::string quote(std::string_view s) {
    std::string out = "\"";
    for (char c : s) {
        if (c == '\\' || c == '"') out += '\\';
        out += c;
    }
    return out + "\"";
}

// Reads a quoted text starting at s[pos] == '"'; pos ends after the closing quote.
std::optional<std::string> unquote(std::string_view s, std::size_t& pos) {
    std::string out;
    for (++pos; pos < s.size(); ++pos) {
        const char c = s[pos];
        if (c == '"') {
            ++pos;
            return out;
        }
        if (c == '\\' && pos + 1 < s.size() && (s[pos + 1] == '\\' || s[pos + 1] == '"')) ++pos;
        out += s[pos];
    }
    return std::nullopt;
}

std::optional<Value> parseValue(std::string_view line) {
    Value v;
    std::size_t pos = 0;
    if (line.front() == '@') {
        pos = 1;
    } else {
        std::optional<std::string> name = unquote(line, pos);
        if (!name) return std::nullopt;
        v.name = *name;
    }
    if (pos >= line.size() || line[pos] != '=') return std::nullopt;
    const std::string_view data = line.substr(pos + 1);
    if (!data.empty() && data.front() == '"') {
        std::size_t at = 0;
        std::optional<std::string> text = unquote(data, at);
        if (!text) return std::nullopt;
        v.data = *text;
    } else if (data.size() > 6 && text::upper(data.substr(0, 6)) == "DWORD:") {
        v.type = RegType::Dword;
        v.dword = static_cast<uint32_t>(std::stoul(std::string(data.substr(6)), nullptr, 16));
    } else {
        v.type = RegType::Other;
        v.data = std::string(data);
    }
    return v;
}

// Lines with a trailing backslash (long hex lists) continue on the next one.
std::vector<std::string> logicalLines(const std::string& text) {
    std::vector<std::string> lines;
    std::string pending;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        pending += pending.empty() ? line : std::string(text::trimBlanks(line));
        if (!pending.empty() && pending.back() == '\\' && pending.front() != '[') {
            pending.pop_back();
            continue;
        }
        lines.push_back(pending);
        pending.clear();
    }
    if (!pending.empty()) lines.push_back(pending);
    return lines;
}

Store parse(const std::string& text) {
    Store store;
    Key* current = nullptr;
    for (const std::string& line : logicalLines(text)) {
        const std::string_view body = text::trimBlanks(line);
        if (body.empty() || body.front() == ';') continue;
        if (body.front() == '[') {
            current = nullptr;
            const std::size_t close = body.rfind(']');
            if (close == std::string_view::npos || body.size() < 2 || body[1] == '-') continue;
            const std::string_view path = body.substr(1, close - 1);
            const std::string root = rootName(path.substr(0, path.find('\\')));
            if (root.empty()) continue;
            const std::size_t slash = path.find('\\');
            current = &createKey(store, fullPath(root, slash == std::string_view::npos ? "" : path.substr(slash + 1)));
            continue;
        }
        if (!current || (body.front() != '"' && body.front() != '@')) continue;
        try {
            if (std::optional<Value> v = parseValue(body)) current->values.push_back(*v);
        } catch (const std::exception&) {
            // a malformed number: the line is skipped, as an import skips it
        }
    }
    return store;
}

std::string serialize(const Store& store) {
    std::string out = "REGEDIT4\r\n";
    for (const auto& [upper, key] : store) {
        out += "\r\n[" + key.path + "]\r\n";
        for (const Value& v : key.values) {
            out += v.name.empty() ? "@" : quote(v.name);
            out += "=";
            if (v.type == RegType::String) {
                out += quote(v.data);
            } else if (v.type == RegType::Dword) {
                char hex[16];
                std::snprintf(hex, sizeof hex, "dword:%08x", v.dword);
                out += hex;
            } else {
                out += v.data;
            }
            out += "\r\n";
        }
    }
    return out;
}

// ------------------------------------------------------ the store on disk

KeptFile<Store>& kept() {
    static KeptFile<Store> file([](const std::string& hostFile) { return parse(readMachineText(hostFile)); });
    return file;
}

// The store as registry.reg holds it now.
Store& store() { return kept().current(registryFile()); }

// Writes the changed store through; when that fails, the file keeps the
// state before the change, and so does the store from then on.
uint32_t save() {
    KeptFile<Store>& k = kept();
    return k.wrote(writeFileAtomically(k.file(), serialize(k.held()))) ? ERR_SUCCESS : lastError();
}

Key* findKey(const std::string& path) {
    Store& s = store();
    const auto it = s.find(text::upper(path));
    return it == s.end() ? nullptr : &it->second;
}

Value* findValue(Key& key, const std::string& name) {
    for (Value& v : key.values)
        if (text::equalNoCase(v.name, name)) return &v;
    return nullptr;
}

// ------------------------------------------------------ access rules

bool denied(const Ini& ini, const std::string& path) {
    const std::string wanted = text::upper(path);
    for (const std::string& entry : ini.keys("RegistryDeny")) {
        if (!ini.flag("RegistryDeny", entry, true)) continue;
        const std::size_t slash = entry.find('\\');
        const std::string root = rootName(std::string_view(entry).substr(0, slash));
        if (root.empty()) continue;
        const std::string refused =
            text::upper(fullPath(root, slash == std::string::npos ? "" : std::string_view(entry).substr(slash + 1)));
        if (wanted == refused || isBelow(wanted, refused)) return true;
    }
    return false;
}

bool hklmFullAccess(const Ini& ini) {
    return ini.flag("Machine", "HklmFullAccess", !isNT(ini) || isAdministrator(ini));
}

// 0 when the key may be opened with the rights asked for.
uint32_t access(RegRoot root, const std::string& path, bool write) {
    const Ini ini = Ini::now();
    if (denied(ini, path)) return ERR_ACCESS_DENIED;
    if (write && root == RegRoot::LocalMachine && !hklmFullAccess(ini)) return ERR_ACCESS_DENIED;
    return ERR_SUCCESS;
}

uint32_t result(uint32_t code) {
    if (code != ERR_SUCCESS) fail(code);
    return code;
}

// The value when it may be read, else nullptr (with the last error set).
const Value* readable(RegRoot root, const std::string& key, const std::string& name) {
    const std::string path = fullPath(root, key);
    if (result(access(root, path, false)) != ERR_SUCCESS) return nullptr;
    Key* k = findKey(path);
    const Value* v = k ? findValue(*k, name) : nullptr;
    if (!v) fail(ERR_FILE_NOT_FOUND);
    return v;
}

// Sets a value of an existing key: the spelling of an existing name stays.
uint32_t writeValue(RegRoot root, const std::string& key, const std::string& name, const Value& value) {
    const std::string path = fullPath(root, key);
    if (const uint32_t refused = access(root, path, true)) return result(refused);
    Key* k = findKey(path);
    if (!k) return result(ERR_FILE_NOT_FOUND);
    if (Value* existing = findValue(*k, name)) {
        const std::string spelling = existing->name;
        *existing = value;
        existing->name = spelling;
    } else {
        k->values.push_back(value);
        k->values.back().name = name;
    }
    const uint32_t saved = result(save());
    if (saved == ERR_SUCCESS) {
        char dword[16];
        std::snprintf(dword, sizeof dword, "dword:%08x", value.dword);
        journal("registry set " + path + " \"" + name + "\"=" +
                (value.type == RegType::Dword ? std::string(dword) : "\"" + value.data + "\""));
    }
    return saved;
}

}  // namespace
}  // namespace win::host

namespace win {

uint32_t regOpenKey(RegRoot root, const std::string& key, bool create, bool fullAccess) {
    const std::string path = host::fullPath(root, key);
    if (const uint32_t refused = host::access(root, path, create || fullAccess)) return host::result(refused);
    if (path.find('\\') == std::string::npos || host::findKey(path)) return ERR_SUCCESS;
    if (!create) return host::result(ERR_FILE_NOT_FOUND);
    host::createKey(host::store(), path);
    return host::result(host::save());
}

bool regKeyExists(RegRoot root, const std::string& key) {
    const std::string path = host::fullPath(root, key);
    if (host::result(host::access(root, path, false)) != ERR_SUCCESS) return false;
    return path.find('\\') == std::string::npos || host::findKey(path);
}

RegType regValueType(RegRoot root, const std::string& key, const std::string& name) {
    const host::Value* v = host::readable(root, key, name);
    return v ? v->type : RegType::None;
}

bool regReadString(RegRoot root, const std::string& key, const std::string& name, std::string& value) {
    const host::Value* v = host::readable(root, key, name);
    if (!v) return false;
    if (v->type != RegType::String) return host::fail(ERR_INVALID_DATA);
    value = v->data;
    return true;
}

bool regReadDword(RegRoot root, const std::string& key, const std::string& name, uint32_t& value) {
    const host::Value* v = host::readable(root, key, name);
    if (!v) return false;
    if (v->type != RegType::Dword) return host::fail(ERR_INVALID_DATA);
    value = v->dword;
    return true;
}

uint32_t regWriteString(RegRoot root, const std::string& key, const std::string& name, const std::string& value) {
    host::Value v;
    v.type = RegType::String;
    v.data = value;
    return host::writeValue(root, key, name, v);
}

uint32_t regWriteDword(RegRoot root, const std::string& key, const std::string& name, uint32_t value) {
    host::Value v;
    v.type = RegType::Dword;
    v.dword = value;
    return host::writeValue(root, key, name, v);
}

uint32_t regDeleteValue(RegRoot root, const std::string& key, const std::string& name) {
    const std::string path = host::fullPath(root, key);
    if (const uint32_t refused = host::access(root, path, true)) return host::result(refused);
    host::Key* k = host::findKey(path);
    host::Value* v = k ? host::findValue(*k, name) : nullptr;
    if (!v) return host::result(ERR_FILE_NOT_FOUND);
    k->values.erase(k->values.begin() + (v - k->values.data()));
    const uint32_t saved = host::result(host::save());
    if (saved == ERR_SUCCESS) journal("registry delete " + path + " \"" + name + "\"");
    return saved;
}

uint32_t regDeleteKey(RegRoot root, const std::string& key) {
    const std::string path = host::fullPath(root, key);
    if (const uint32_t refused = host::access(root, path, true)) return host::result(refused);
    const std::string upper = text::upper(path);
    host::Store& s = host::store();
    if (!s.count(upper)) return host::result(ERR_FILE_NOT_FOUND);
    for (auto it = s.begin(); it != s.end();)
        it = it->first == upper || host::isBelow(it->first, upper) ? s.erase(it) : std::next(it);
    const uint32_t saved = host::result(host::save());
    if (saved == ERR_SUCCESS) journal("registry delete " + path);
    return saved;
}

std::vector<std::string> regValueNames(RegRoot root, const std::string& key) {
    std::vector<std::string> names;
    const std::string path = host::fullPath(root, key);
    if (host::result(host::access(root, path, false)) != ERR_SUCCESS) return names;
    if (const host::Key* k = host::findKey(path))
        for (const host::Value& v : k->values) names.push_back(v.name);
    return names;
}

}  // namespace win
