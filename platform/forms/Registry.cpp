#include "Registry.h"

#include "SysUtils.h"

namespace {

std::string withoutTrailingBackslash(std::string key) {
    while (!key.empty() && key.back() == '\\') key.pop_back();
    return key;
}

}  // namespace

void TRegistry::SetRootKey(HKEY rootKey) {
    CloseKey();
    m_rootKey = rootKey;
}

std::string TRegistry::ResolveKey(const std::string& key) const {
    if (!key.empty() && key.front() == '\\') return withoutTrailingBackslash(key.substr(1));
    const std::string relative = withoutTrailingBackslash(key);
    if (!m_bOpen || m_sCurrentPath.empty()) return relative;
    return relative.empty() ? m_sCurrentPath : m_sCurrentPath + "\\" + relative;
}

bool TRegistry::OpenKey(const std::string& key, bool canCreate) {
    const std::string path = ResolveKey(key);
    const bool writable = (m_access & KEY_SET_VALUE) != 0;
    CloseKey();  // a key that cannot be opened leaves none open
    if (win::regOpenKey(m_rootKey, path, canCreate, writable) != 0) return false;
    m_bOpen = true;
    m_bWritable = writable;
    m_sCurrentPath = path;
    return true;
}

void TRegistry::CloseKey() {
    m_bOpen = false;
    m_bWritable = false;
    m_sCurrentPath.clear();
}

std::string TRegistry::ReadString(const std::string& name) const {
    if (!m_bOpen) return "";
    switch (win::regValueType(m_rootKey, m_sCurrentPath, name)) {
        case win::RegType::None:
            return "";
        case win::RegType::String: {
            std::string value;
            if (!win::regReadString(m_rootKey, m_sCurrentPath, name, value))
                throw ERegistryException("Failed to get data for '" + name + "'");
            return value;
        }
        default:
            throw ERegistryException("Invalid data type for '" + name + "'");
    }
}

int TRegistry::ReadInteger(const std::string& name) const {
    if (!m_bOpen) throw ERegistryException("Failed to get data for '" + name + "'");
    switch (win::regValueType(m_rootKey, m_sCurrentPath, name)) {
        case win::RegType::None:
            throw ERegistryException("Failed to get data for '" + name + "'");
        case win::RegType::Dword: {
            uint32_t value = 0;
            if (!win::regReadDword(m_rootKey, m_sCurrentPath, name, value))
                throw ERegistryException("Failed to get data for '" + name + "'");
            return static_cast<int>(value);
        }
        default:
            throw ERegistryException("Invalid data type for '" + name + "'");
    }
}

void TRegistry::CheckWritable(const std::string& name) const {
    if (!m_bWritable) throw ERegistryException("Failed to set data for '" + name + "'");
}

void TRegistry::WriteString(const std::string& name, const std::string& value) {
    CheckWritable(name);
    if (win::regWriteString(m_rootKey, m_sCurrentPath, name, value) != 0)
        throw ERegistryException("Failed to set data for '" + name + "'");
}

void TRegistry::WriteInteger(const std::string& name, int value) {
    CheckWritable(name);
    if (win::regWriteDword(m_rootKey, m_sCurrentPath, name, static_cast<uint32_t>(value)) != 0)
        throw ERegistryException("Failed to set data for '" + name + "'");
}

bool TRegistry::DeleteValue(const std::string& name) {
    return m_bWritable && win::regDeleteValue(m_rootKey, m_sCurrentPath, name) == 0;
}

bool TRegistry::ValueExists(const std::string& name) const {
    return m_bOpen && win::regValueType(m_rootKey, m_sCurrentPath, name) != win::RegType::None;
}

bool TRegistry::DeleteKey(const std::string& key) {
    return win::regDeleteKey(m_rootKey, ResolveKey(key)) == 0;
}

bool TRegistry::KeyExists(const std::string& key) const {
    return win::regKeyExists(m_rootKey, ResolveKey(key));
}
