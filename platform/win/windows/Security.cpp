// Access tokens of the running program, the shutdown privilege and the
// restart.
#include "Native.h"

namespace win {
namespace {

native::HandleTable<HANDLE>& tokens() {
    static native::HandleTable<HANDLE> table;
    return table;
}

TokenHandle issue(HANDLE token) { return static_cast<TokenHandle>(tokens().add(token)); }

HANDLE* find(TokenHandle token) { return tokens().find(static_cast<uint32_t>(token)); }

Sid sidOf(PSID sid) {
    Sid out;
    const SID_IDENTIFIER_AUTHORITY* authority = GetSidIdentifierAuthority(sid);
    for (const BYTE part : authority->Value) out.authority = out.authority << 8 | part;
    const UCHAR count = *GetSidSubAuthorityCount(sid);
    for (UCHAR i = 0; i < count; ++i) out.subAuthorities.push_back(*GetSidSubAuthority(sid, i));
    return out;
}

}  // namespace

bool openThreadToken(uint32_t access, TokenHandle& token) {
    HANDLE handle = nullptr;
    if (!OpenThreadToken(GetCurrentThread(), access, TRUE, &handle)) return false;
    token = issue(handle);
    return true;
}

bool openProcessToken(uint32_t access, TokenHandle& token) {
    HANDLE handle = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), access, &handle)) return false;
    token = issue(handle);
    return true;
}

bool closeToken(TokenHandle token) {
    return tokens().close(static_cast<uint32_t>(token), [](HANDLE handle) { return CloseHandle(handle) != 0; });
}

// The system's list, measured as a 32-bit program's buffer holds it, so
// that the same buffer size decides on both back ends.
bool tokenGroups(TokenHandle token, std::size_t bufferSize, std::vector<TokenGroup>& groups) {
    HANDLE* handle = find(token);
    if (!handle) return false;
    DWORD needed = 0;
    GetTokenInformation(*handle, TokenGroups, nullptr, 0, &needed);
    if (needed == 0) return false;
    std::vector<BYTE> buffer(needed);
    if (!GetTokenInformation(*handle, TokenGroups, buffer.data(), needed, &needed)) return false;
    const auto* list = reinterpret_cast<const TOKEN_GROUPS*>(buffer.data());
    std::vector<TokenGroup> held;
    for (DWORD i = 0; i < list->GroupCount; ++i)
        held.push_back({sidOf(list->Groups[i].Sid), static_cast<uint32_t>(list->Groups[i].Attributes)});
    if (tokenGroupsSize(held) > bufferSize) return native::fail(ERR_INSUFFICIENT_BUFFER);
    groups = std::move(held);
    return true;
}

bool enablePrivilege(TokenHandle token, const std::string& privilege) {
    HANDLE* handle = find(token);
    if (!handle) return false;
    TOKEN_PRIVILEGES wanted{};
    wanted.PrivilegeCount = 1;
    wanted.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (!LookupPrivilegeValueW(nullptr, native::toWide(privilege).c_str(), &wanted.Privileges[0].Luid)) return false;
    // Success with ERROR_NOT_ALL_ASSIGNED means the token lacks it.
    if (!AdjustTokenPrivileges(*handle, FALSE, &wanted, 0, nullptr, nullptr)) return false;
    return GetLastError() != ERROR_NOT_ALL_ASSIGNED || native::fail(ERR_PRIVILEGE_NOT_HELD);
}

bool exitWindows(uint32_t flags) { return ExitWindowsEx(flags, 0); }
}  // namespace win
