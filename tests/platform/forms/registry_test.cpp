// TRegistry over the emulated registry: key paths, typed reads and refusals.
#include "MachineFixture.h"
#include "Registry.h"
#include "SysUtils.h"
#include "Win.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace {

const char* const kBrim = "Software\\Brim";

class Registry : public testsupport::MachineTest {
protected:
    void SetUp() override {
        MachineTest::SetUp();
        ASSERT_EQ(win::regOpenKey(win::RegRoot::CurrentUser, kBrim, true, true), 0u);
        ASSERT_EQ(win::regWriteString(win::RegRoot::CurrentUser, kBrim, "Name", "Demo"), 0u);
        ASSERT_EQ(win::regWriteDword(win::RegRoot::CurrentUser, kBrim, "Count", 7), 0u);
    }
};

TEST_F(Registry, KeyPathsFromTheRootOrRelative) {
    TRegistry reg;
    EXPECT_EQ(reg.RootKey(), HKEY_CURRENT_USER);
    ASSERT_TRUE(reg.OpenKey("\\Software\\", false));
    EXPECT_EQ(reg.CurrentPath(), "Software");
    ASSERT_TRUE(reg.OpenKey("Brim", false));
    EXPECT_EQ(reg.CurrentPath(), "Software\\Brim");
    EXPECT_EQ(reg.ReadString("name"), "Demo");
    ASSERT_TRUE(reg.OpenKey("Sub", true));
    EXPECT_EQ(reg.CurrentPath(), "Software\\Brim\\Sub");
    EXPECT_TRUE(win::regKeyExists(win::RegRoot::CurrentUser, "Software\\Brim\\Sub"));
    EXPECT_TRUE(reg.KeyExists("\\Software\\Brim"));
    EXPECT_FALSE(reg.OpenKey("\\Missing", false));
    EXPECT_EQ(reg.CurrentPath(), "");  // a failed open leaves no key open
    EXPECT_EQ(reg.ReadString("name"), "");
    EXPECT_FALSE(win::regKeyExists(win::RegRoot::CurrentUser, "Missing"));
}

TEST_F(Registry, WritesGoToTheOpenKey) {
    TRegistry reg;
    reg.SetRootKey(HKEY_LOCAL_MACHINE);
    ASSERT_TRUE(reg.OpenKey("\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Brim", true));
    reg.WriteString("DisplayName", "Brim Demo");
    reg.WriteInteger("Count", -1);
    std::string text;
    uint32_t value = 0;
    const std::string key = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Brim";
    ASSERT_TRUE(win::regReadString(win::RegRoot::LocalMachine, key, "DisplayName", text));
    EXPECT_EQ(text, "Brim Demo");
    ASSERT_TRUE(win::regReadDword(win::RegRoot::LocalMachine, key, "count", value));
    EXPECT_EQ(value, 0xFFFFFFFFu);
    EXPECT_EQ(reg.ReadInteger("COUNT"), -1);
    EXPECT_TRUE(reg.ValueExists("Count"));
    EXPECT_TRUE(reg.DeleteValue("Count"));
    EXPECT_FALSE(reg.ValueExists("Count"));
    EXPECT_FALSE(reg.DeleteValue("Count"));
    reg.CloseKey();
    EXPECT_TRUE(reg.DeleteKey("\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall"));
    EXPECT_FALSE(win::regKeyExists(win::RegRoot::LocalMachine, key));
}

TEST_F(Registry, MissingValuesAndKeysReadAsEmptyString) {
    TRegistry reg;
    EXPECT_EQ(reg.ReadString("Name"), "");  // no key open
    ASSERT_TRUE(reg.OpenKey(kBrim, false));
    EXPECT_EQ(reg.ReadString("Missing"), "");
    EXPECT_FALSE(reg.ValueExists("Missing"));
}

TEST_F(Registry, RefusalsRaise) {
    TRegistry closed;
    TRegistry open;
    ASSERT_TRUE(open.OpenKey(kBrim, false));
    TRegistry readOnly(KEY_READ);
    ASSERT_TRUE(readOnly.OpenKey(kBrim, false));
    const std::vector<std::pair<const char*, std::function<void()>>> cases = {
        {"ReadInteger, no key open", [&] { closed.ReadInteger("Count"); }},
        {"ReadInteger, missing", [&] { open.ReadInteger("Missing"); }},
        {"ReadInteger of a string", [&] { open.ReadInteger("Name"); }},
        {"ReadString of a DWORD", [&] { open.ReadString("Count"); }},
        {"WriteString, no key open", [&] { closed.WriteString("Name", "x"); }},
        {"WriteInteger, no key open", [&] { closed.WriteInteger("Count", 1); }},
        {"WriteString, read access", [&] { readOnly.WriteString("Name", "x"); }},
        {"WriteInteger, read access", [&] { readOnly.WriteInteger("Count", 1); }},
    };
    for (const auto& [what, call] : cases) EXPECT_THROW(call(), ERegistryException) << what;
    EXPECT_FALSE(readOnly.DeleteValue("Name"));
    EXPECT_EQ(open.ReadString("Name"), "Demo");
    EXPECT_EQ(open.ReadInteger("Count"), 7);
}

TEST_F(Registry, UserWithoutAdministratorRightsCannotOpenHklmFully) {
    const std::string currentVersion = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
    ASSERT_EQ(win::regOpenKey(win::RegRoot::LocalMachine, currentVersion, true, true), 0u);
    ASSERT_EQ(win::regWriteString(win::RegRoot::LocalMachine, currentVersion, "ProgramFilesDir", "C:\\Programme"), 0u);
    setMachineIni("[Machine]\nAdministrator=0\n");
    TRegistry reg;
    reg.SetRootKey(HKEY_LOCAL_MACHINE);
    EXPECT_FALSE(reg.OpenKey("\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\", false));
    EXPECT_EQ(reg.ReadString("ProgramFilesDir"), "");
    EXPECT_FALSE(reg.OpenKey("\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce", true));
    EXPECT_THROW(reg.WriteString("SETUPEXE", "x"), ERegistryException);

    reg.SetAccess(KEY_READ);
    ASSERT_TRUE(reg.OpenKey("\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\", false));
    EXPECT_EQ(reg.ReadString("ProgramFilesDir"), "C:\\Programme");

    TRegistry user;
    ASSERT_TRUE(user.OpenKey("\\Environment", true));
    user.WriteString("PATH", "C:\\BIN");
}

}  // namespace
