// The registry through advapi32: the real hives, with the rights the system
// grants the user.  A key path's empty parts (a leading or trailing
// backslash) are dropped, as the programs name keys both ways.
#include "Native.h"

#include <vector>

namespace win {
namespace {

HKEY rootKey(RegRoot root) { return root == RegRoot::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER; }

std::wstring keyPath(const std::string& key) {
    std::string path;
    std::string_view rest = key;
    while (!rest.empty()) {
        const std::size_t slash = rest.find('\\');
        const std::string_view part = rest.substr(0, slash);
        if (!part.empty()) path += (path.empty() ? "" : "\\") + std::string(part);
        rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
    }
    return native::toWide(path);
}

// The registry's result as the layer's: 0, or the error, which is also the last error.
uint32_t result(LSTATUS status) {
    if (status != ERROR_SUCCESS) SetLastError(static_cast<DWORD>(status));
    return static_cast<uint32_t>(status);
}

// One opened key, closed with the object.
class OpenKey {
public:
    OpenKey(RegRoot root, const std::string& key, REGSAM access)
        : m_status(RegOpenKeyExW(rootKey(root), keyPath(key).c_str(), 0, access, &m_key)) {
        result(m_status);
    }
    ~OpenKey() {
        if (m_status == ERROR_SUCCESS) RegCloseKey(m_key);
    }
    OpenKey(const OpenKey&) = delete;
    OpenKey& operator=(const OpenKey&) = delete;

    explicit operator bool() const { return m_status == ERROR_SUCCESS; }
    LSTATUS status() const { return m_status; }
    HKEY handle() const { return m_key; }

private:
    HKEY m_key = nullptr;
    LSTATUS m_status;
};

struct RawValue {
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
};

std::optional<RawValue> readValue(RegRoot root, const std::string& key, const std::string& name) {
    const OpenKey opened(root, key, KEY_QUERY_VALUE);
    if (!opened) return std::nullopt;
    const std::wstring wide = native::toWide(name);
    RawValue value;
    DWORD size = 0;
    LSTATUS status = RegQueryValueExW(opened.handle(), wide.c_str(), nullptr, &value.type, nullptr, &size);
    if (status == ERROR_SUCCESS) {
        value.data.resize(size);
        status = RegQueryValueExW(opened.handle(), wide.c_str(), nullptr, &value.type, value.data.data(), &size);
        value.data.resize(size);
    }
    if (result(status) != ERROR_SUCCESS) return std::nullopt;
    return value;
}

RegType typeOf(DWORD type) {
    switch (type) {
        case REG_SZ:
        case REG_EXPAND_SZ: return RegType::String;
        case REG_DWORD: return RegType::Dword;
        default: return RegType::Other;
    }
}

uint32_t writeValue(RegRoot root, const std::string& key, const std::string& name, DWORD type, const void* data,
                    std::size_t size) {
    const OpenKey opened(root, key, KEY_SET_VALUE);
    if (!opened) return static_cast<uint32_t>(opened.status());
    return result(RegSetValueExW(opened.handle(), native::toWide(name).c_str(), 0, type,
                                 static_cast<const BYTE*>(data), static_cast<DWORD>(size)));
}

}  // namespace

uint32_t regOpenKey(RegRoot root, const std::string& key, bool create, bool fullAccess) {
    const REGSAM access = fullAccess ? KEY_ALL_ACCESS : KEY_READ;
    HKEY opened = nullptr;
    const std::wstring path = keyPath(key);
    const LSTATUS status =
        create ? RegCreateKeyExW(rootKey(root), path.c_str(), 0, nullptr, 0, access, nullptr, &opened, nullptr)
               : RegOpenKeyExW(rootKey(root), path.c_str(), 0, access, &opened);
    if (status == ERROR_SUCCESS) RegCloseKey(opened);
    return result(status);
}

bool regKeyExists(RegRoot root, const std::string& key) { return static_cast<bool>(OpenKey(root, key, KEY_READ)); }

RegType regValueType(RegRoot root, const std::string& key, const std::string& name) {
    const std::optional<RawValue> value = readValue(root, key, name);
    return value ? typeOf(value->type) : RegType::None;
}

bool regReadString(RegRoot root, const std::string& key, const std::string& name, std::string& value) {
    const std::optional<RawValue> raw = readValue(root, key, name);
    if (!raw) return false;
    if (typeOf(raw->type) != RegType::String) return native::fail(ERR_INVALID_DATA);
    std::wstring text(reinterpret_cast<const wchar_t*>(raw->data.data()), raw->data.size() / sizeof(wchar_t));
    while (!text.empty() && text.back() == L'\0') text.pop_back();
    value = native::fromWide(text);
    return true;
}

bool regReadDword(RegRoot root, const std::string& key, const std::string& name, uint32_t& value) {
    const std::optional<RawValue> raw = readValue(root, key, name);
    if (!raw) return false;
    if (raw->type != REG_DWORD || raw->data.size() != sizeof(DWORD)) return native::fail(ERR_INVALID_DATA);
    value = *reinterpret_cast<const DWORD*>(raw->data.data());
    return true;
}

// The text with its terminating zero, as REG_SZ values are kept.
uint32_t regWriteString(RegRoot root, const std::string& key, const std::string& name, const std::string& value) {
    const std::wstring wide = native::toWide(value);
    return writeValue(root, key, name, REG_SZ, wide.c_str(), (wide.size() + 1) * sizeof(wchar_t));
}

uint32_t regWriteDword(RegRoot root, const std::string& key, const std::string& name, uint32_t value) {
    const DWORD data = value;
    return writeValue(root, key, name, REG_DWORD, &data, sizeof data);
}

uint32_t regDeleteValue(RegRoot root, const std::string& key, const std::string& name) {
    const OpenKey opened(root, key, KEY_SET_VALUE);
    if (!opened) return static_cast<uint32_t>(opened.status());
    return result(RegDeleteValueW(opened.handle(), native::toWide(name).c_str()));
}

uint32_t regDeleteKey(RegRoot root, const std::string& key) {
    return result(RegDeleteTreeW(rootKey(root), keyPath(key).c_str()));
}

}  // namespace win
