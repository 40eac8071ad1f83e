// The running program's tokens, the shutdown privilege and the restart
// request.
#include "Machine.h"
#include "MachineFixture.h"
#include "Win.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const win::Sid kAdministrators{5, {32, 544}};

class ProcessSecurity : public testsupport::MachineTest {
protected:
    std::string journal() const { return testsupport::readHostFile(machineDir + "/journal.log"); }
};

bool holdsAdministrators(const std::vector<win::TokenGroup>& groups) {
    for (const win::TokenGroup& g : groups)
        if (g.sid == kAdministrators) return true;
    return false;
}

TEST_F(ProcessSecurity, TheProcessTokenListsTheUsersGroups) {
    for (const bool administrator : {true, false}) {
        setMachineIni(std::string("[Machine]\nAdministrator=") + (administrator ? "1" : "0") + "\n");
        win::TokenHandle token{};
        ASSERT_TRUE(win::openProcessToken(win::TOKEN_QUERY, token));
        std::vector<win::TokenGroup> groups;
        ASSERT_TRUE(win::tokenGroups(token, 1024, groups));
        EXPECT_EQ(holdsAdministrators(groups), administrator);
        EXPECT_TRUE(win::closeToken(token));
    }
}

TEST_F(ProcessSecurity, ConfiguredGroupsWithDenyOnlyAndTheBufferLimit) {
    setMachineIni("[Security]\nGroups=S-1-1-0, S-1-5-32-544:deny\n");
    win::TokenHandle token{};
    ASSERT_TRUE(win::openProcessToken(win::TOKEN_QUERY, token));
    std::vector<win::TokenGroup> groups;
    ASSERT_TRUE(win::tokenGroups(token, 1024, groups));
    ASSERT_EQ(groups.size(), 2u);
    EXPECT_EQ(groups[1].sid, kAdministrators);
    EXPECT_EQ(groups[1].attributes, win::SE_GROUP_USE_FOR_DENY_ONLY);
    // 4 + 2 * 8 + 12 + 16 bytes.
    EXPECT_TRUE(win::tokenGroups(token, 48, groups));
    EXPECT_FALSE(win::tokenGroups(token, 47, groups));
    EXPECT_EQ(win::lastError(), win::ERR_INSUFFICIENT_BUFFER);
}

TEST_F(ProcessSecurity, TheThreadHasATokenOnlyWhenItImpersonates) {
    struct Case {
        const char* ini;
        bool opens;
        uint32_t error;
    };
    const Case cases[] = {
        {"", false, win::ERR_NO_TOKEN},
        {"[Security]\nThreadToken=present\n", true, 0},
        {"[Security]\nThreadToken=5\n", false, win::ERR_ACCESS_DENIED},
        {"[Machine]\nFamily=9x\n", false, win::ERR_CALL_NOT_IMPLEMENTED},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ini);
        setMachineIni(c.ini);
        win::TokenHandle token{};
        EXPECT_EQ(win::openThreadToken(win::TOKEN_QUERY, token), c.opens);
        if (!c.opens) {
            EXPECT_EQ(win::lastError(), c.error);
        }
    }
}

TEST_F(ProcessSecurity, ATokenServesOnlyTheAccessItWasOpenedWith) {
    win::TokenHandle token{};
    ASSERT_TRUE(win::openProcessToken(win::TOKEN_QUERY, token));
    EXPECT_FALSE(win::enablePrivilege(token, "SeShutdownPrivilege"));
    EXPECT_EQ(win::lastError(), win::ERR_ACCESS_DENIED);
    std::vector<win::TokenGroup> groups;
    ASSERT_TRUE(win::openProcessToken(win::TOKEN_ADJUST_PRIVILEGES, token));
    EXPECT_FALSE(win::tokenGroups(token, 1024, groups));
    EXPECT_EQ(win::lastError(), win::ERR_ACCESS_DENIED);
}

// On NT the restart is refused until the privilege is enabled; the
// program goes on either way.
TEST_F(ProcessSecurity, RestartNeedsTheEnabledPrivilegeOnNt) {
    EXPECT_FALSE(win::exitWindows(win::EWX_REBOOT));
    EXPECT_EQ(win::lastError(), win::ERR_PRIVILEGE_NOT_HELD);

    win::TokenHandle token{};
    ASSERT_TRUE(win::openProcessToken(win::TOKEN_ADJUST_PRIVILEGES | win::TOKEN_QUERY, token));
    EXPECT_FALSE(win::enablePrivilege(token, "SeDebugPrivilege"));
    EXPECT_EQ(win::lastError(), win::ERR_PRIVILEGE_NOT_HELD);
    EXPECT_TRUE(win::enablePrivilege(token, "SeShutdownPrivilege"));
    EXPECT_TRUE(win::exitWindows(win::EWX_SHUTDOWN | win::EWX_REBOOT | win::EWX_FORCE));

    EXPECT_EQ(journal(),
              "0001 restart requested flags=2 privilege=disabled refused=1314\n"
              "0002 restart requested flags=7 privilege=enabled\n");
}

TEST_F(ProcessSecurity, APrivilegeTheTokenDoesNotHoldStaysOff) {
    setMachineIni("[Security]\nShutdownPrivilege=0\n");
    win::TokenHandle token{};
    ASSERT_TRUE(win::openProcessToken(win::TOKEN_ADJUST_PRIVILEGES, token));
    EXPECT_FALSE(win::enablePrivilege(token, "SeShutdownPrivilege"));
    EXPECT_FALSE(win::exitWindows(7));
}

TEST_F(ProcessSecurity, NineXHasNoTokensAndRestartsWithoutPrivilege) {
    setMachineIni("[Machine]\nFamily=9x\n");
    win::TokenHandle token{};
    EXPECT_FALSE(win::openProcessToken(win::TOKEN_ADJUST_PRIVILEGES, token));
    EXPECT_EQ(win::lastError(), win::ERR_CALL_NOT_IMPLEMENTED);
    EXPECT_TRUE(win::exitWindows(7));
    EXPECT_EQ(journal(), "0001 restart requested flags=7 privilege=not-needed\n");
}

}  // namespace
