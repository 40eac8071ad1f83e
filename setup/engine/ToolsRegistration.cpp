// Unit Tools: the run-once entry for the next logon and the administrator
// test.
#include "Tools.h"

#include "Forms.h"
#include "Registry.h"
#include "SysUtils.h"
#include "Win.h"

#include <vector>

namespace {

constexpr std::size_t kTokenGroupsBufferSize = 1024;

// S-1-5-32-544: the built-in domain's Administrators alias.
const win::Sid kAdministratorsSid{5, {32, 544}};

bool OpenOwnToken(win::TokenHandle& token) {
    if (win::openThreadToken(win::TOKEN_QUERY, token)) return true;
    return win::lastError() == win::ERR_NO_TOKEN && win::openProcessToken(win::TOKEN_QUERY, token);
}

}  // namespace

bool AddRunOnce(const std::string& program, const std::string& args) {
    const std::string valueName =
        StripChar(ExtractFileName(Application->ExeName()), '.') + StripChar(ExtractFileName(program), '.');
    const std::string data = Trim(CommandLineOf(program) + " " + args);
    try {
        TRegistry registry;
        registry.SetRootKey(HKEY_LOCAL_MACHINE);
        registry.OpenKey("\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce", true);
        registry.WriteString(valueName, data);
        return true;
    } catch (const Exception&) {
        return false;
    }
}

// The groups' attributes are not looked at: a group held for deny only
// counts as membership too.
bool IsAdministrator() {
    if (!IsWindowsNT()) return true;
    win::TokenHandle token = win::TokenHandle::None;
    if (!OpenOwnToken(token)) return false;
    std::vector<win::TokenGroup> groups;
    const bool read = win::tokenGroups(token, kTokenGroupsBufferSize, groups);
    win::closeToken(token);
    if (!read) return false;
    for (const win::TokenGroup& group : groups)
        if (group.sid == kAdministratorsSid) return true;
    return false;
}
