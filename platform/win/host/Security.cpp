// Access tokens of the running program, its shutdown privilege and the
// restart request.
#include "Host.h"
#include "Text1252.h"

#include <cstdlib>
#include <map>

namespace win::host {
namespace {

constexpr uint32_t kGroupAttributes = SE_GROUP_MANDATORY | SE_GROUP_ENABLED_BY_DEFAULT | SE_GROUP_ENABLED;

std::map<uint32_t, uint32_t>& tokenAccess() {
    static std::map<uint32_t, uint32_t> table;
    return table;
}

TokenHandle issueToken(uint32_t access) {
    static uint32_t lastHandle = 0;
    tokenAccess()[++lastHandle] = access;
    return static_cast<TokenHandle>(lastHandle);
}

// Fails with ERR_INVALID_PARAMETER for an unknown token, ERR_ACCESS_DENIED
// for one opened without the access.
bool checkToken(TokenHandle token, uint32_t access) {
    const auto it = tokenAccess().find(static_cast<uint32_t>(token));
    if (it == tokenAccess().end()) return fail(ERR_INVALID_PARAMETER);
    return (it->second & access) == access || fail(ERR_ACCESS_DENIED);
}

// "S-1-5-32-544"
std::optional<Sid> parseSid(std::string_view text) {
    if (!text.starts_with("S-1-")) return std::nullopt;
    const std::string numbers(text.substr(4));
    const char* p = numbers.c_str();
    std::vector<uint64_t> values;
    while (true) {
        char* end = nullptr;
        values.push_back(std::strtoull(p, &end, 10));
        if (end == p) return std::nullopt;
        if (*end == '\0') break;
        if (*end != '-') return std::nullopt;
        p = end + 1;
    }
    Sid sid{values.front(), {}};
    for (std::size_t i = 1; i < values.size(); ++i) sid.subAuthorities.push_back(static_cast<uint32_t>(values[i]));
    return sid;
}

std::vector<TokenGroup> defaultGroups(const Ini& ini) {
    std::vector<TokenGroup> groups{{{1, {0}}, kGroupAttributes}};
    if (isAdministrator(ini)) groups.push_back({{5, {32, 544}}, kGroupAttributes});
    for (const Sid& sid : {Sid{5, {32, 545}}, Sid{5, {4}}, Sid{5, {11}}}) groups.push_back({sid, kGroupAttributes});
    return groups;
}

// [Security] Groups, entries that are no SID left out.
std::vector<TokenGroup> configuredGroups(const std::string& list) {
    std::vector<TokenGroup> groups;
    std::string_view rest = list;
    while (!rest.empty()) {
        const std::size_t comma = rest.find(',');
        std::string_view entry = text::trimBlanks(rest.substr(0, comma));
        rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
        uint32_t attributes = kGroupAttributes;
        if (const std::size_t colon = entry.find(':'); colon != std::string_view::npos) {
            if (text::equalNoCase(entry.substr(colon + 1), "deny")) attributes = SE_GROUP_USE_FOR_DENY_ONLY;
            entry = entry.substr(0, colon);
        }
        if (std::optional<Sid> sid = parseSid(entry)) groups.push_back({*sid, attributes});
    }
    return groups;
}

std::vector<TokenGroup> groupsOf(const Ini& ini) {
    const std::optional<std::string> list = ini.get("Security", "Groups");
    return list ? configuredGroups(*list) : defaultGroups(ini);
}

}  // namespace
}  // namespace win::host

namespace win {

bool openThreadToken(uint32_t access, TokenHandle& token) {
    const host::Ini ini = host::Ini::now();
    if (!host::isNT(ini)) return host::fail(ERR_CALL_NOT_IMPLEMENTED);
    const std::string impersonation = ini.get("Security", "ThreadToken", "none");
    if (text::equalNoCase(impersonation, "present")) {
        token = host::issueToken(access);
        return true;
    }
    const long long code = ini.number("Security", "ThreadToken", ERR_NO_TOKEN);
    return host::fail(code > 0 ? static_cast<uint32_t>(code) : uint32_t{ERR_NO_TOKEN});
}

bool openProcessToken(uint32_t access, TokenHandle& token) {
    if (!host::isNT(host::Ini::now())) return host::fail(ERR_CALL_NOT_IMPLEMENTED);
    token = host::issueToken(access);
    return true;
}

bool closeToken(TokenHandle token) {
    if (host::tokenAccess().erase(static_cast<uint32_t>(token)) == 0) return host::fail(ERR_INVALID_PARAMETER);
    return true;
}

bool tokenGroups(TokenHandle token, std::size_t bufferSize, std::vector<TokenGroup>& groups) {
    if (!host::checkToken(token, TOKEN_QUERY)) return false;
    std::vector<TokenGroup> held = host::groupsOf(host::Ini::now());
    if (tokenGroupsSize(held) > bufferSize) return host::fail(ERR_INSUFFICIENT_BUFFER);
    groups = std::move(held);
    return true;
}

bool enablePrivilege(TokenHandle token, const std::string& privilege) {
    if (!host::checkToken(token, TOKEN_ADJUST_PRIVILEGES)) return false;
    const bool held = text::equalNoCase(privilege, "SeShutdownPrivilege") &&
                      host::Ini::now().flag("Security", "ShutdownPrivilege", true);
    if (!held) return host::fail(ERR_PRIVILEGE_NOT_HELD);
    host::state().shutdownPrivilegeEnabled = true;
    return true;
}

bool exitWindows(uint32_t flags) {
    const bool nt = host::isNT(host::Ini::now());
    const bool enabled = host::state().shutdownPrivilegeEnabled;
    const bool refused = nt && !enabled;
    journal("restart requested flags=" + std::to_string(flags) +
            " privilege=" + (!nt ? "not-needed" : enabled ? "enabled" : "disabled") + (refused ? " refused=1314" : ""));
    return !refused || host::fail(ERR_PRIVILEGE_NOT_HELD);
}

}  // namespace win
