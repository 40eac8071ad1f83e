// The class library's registry object over the layer's registry store.
#pragma once

#include "Classes.h"
#include "Win.h"

#include <cstdint>
#include <string>

using HKEY = win::RegRoot;
constexpr HKEY HKEY_LOCAL_MACHINE = win::RegRoot::LocalMachine;
constexpr HKEY HKEY_CURRENT_USER = win::RegRoot::CurrentUser;

// Access rights as Windows spells them; a right to set values asks the
// machine for full access (refused on HKEY_LOCAL_MACHINE for a user who is
// no administrator).
constexpr uint32_t KEY_SET_VALUE = 0x0002;
constexpr uint32_t KEY_READ = 0x20019;
constexpr uint32_t KEY_WRITE = 0x20006;
constexpr uint32_t KEY_ALL_ACCESS = 0xF003F;

class TRegistry : public TObject {
public:
    explicit TRegistry(uint32_t access = KEY_ALL_ACCESS) : m_access(access) {}

    HKEY RootKey() const { return m_rootKey; }
    void SetRootKey(HKEY rootKey);  // closes the open key
    uint32_t Access() const { return m_access; }
    void SetAccess(uint32_t access) { m_access = access; }
    // The open key's path below the root ("" when none is open).
    const std::string& CurrentPath() const { return m_sCurrentPath; }

    // A leading "\" names the key from the root, otherwise it is relative to
    // the open key.  Opens with Access, creating the key when canCreate.  On
    // failure false, and no key is open.
    bool OpenKey(const std::string& key, bool canCreate);
    void CloseKey();

    // "" for a missing value or when no key is open; raises
    // ERegistryException for a value of another type.
    std::string ReadString(const std::string& name) const;
    // Raises ERegistryException when no key is open, the value is missing or
    // it is no DWORD.
    int ReadInteger(const std::string& name) const;
    // Raise ERegistryException when the write fails, also with no key open or
    // a key opened without the right to set values.
    void WriteString(const std::string& name, const std::string& value);
    void WriteInteger(const std::string& name, int value);
    bool DeleteValue(const std::string& name);
    bool ValueExists(const std::string& name) const;
    // Keys named as in OpenKey; DeleteKey removes the sub-keys too.
    bool DeleteKey(const std::string& key);
    bool KeyExists(const std::string& key) const;

private:
    std::string ResolveKey(const std::string& key) const;
    void CheckWritable(const std::string& name) const;

    HKEY m_rootKey = HKEY_CURRENT_USER;
    uint32_t m_access;
    bool m_bOpen = false;
    bool m_bWritable = false;
    std::string m_sCurrentPath;
};
