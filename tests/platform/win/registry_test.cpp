// The registry store: values that survive a reload, the access rules of the
// machine, keys and names without case, and the REGEDIT4 file.
#include "Machine.h"
#include "MachineFixture.h"
#include "Win.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using win::RegRoot;
using testsupport::MachineTest;

class WinRegistry : public MachineTest {};

constexpr const char* kUninstall = "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Demo";

TEST_F(WinRegistry, ValuesSurviveReloadingTheMachine) {
    ASSERT_EQ(win::regOpenKey(RegRoot::LocalMachine, kUninstall, true, true), 0u);
    ASSERT_EQ(win::regWriteString(RegRoot::LocalMachine, kUninstall, "DisplayName", "Demo \"2\" C:\\Prog"), 0u);
    ASSERT_EQ(win::regWriteDword(RegRoot::LocalMachine, kUninstall, "Count", 10), 0u);
    win::machine::reload();

    std::string text;
    uint32_t count = 0;
    const std::string other = "software\\MICROSOFT\\windows\\CurrentVersion\\Uninstall\\DEMO\\";
    ASSERT_TRUE(win::regReadString(RegRoot::LocalMachine, other, "displayname", text));
    EXPECT_EQ(text, "Demo \"2\" C:\\Prog");
    ASSERT_TRUE(win::regReadDword(RegRoot::LocalMachine, other, "COUNT", count));
    EXPECT_EQ(count, 10u);
    EXPECT_FALSE(win::regReadDword(RegRoot::LocalMachine, other, "DisplayName", count)) << "a string is no DWORD";
    EXPECT_EQ(win::regValueType(RegRoot::LocalMachine, other, "Count"), win::RegType::Dword);
    EXPECT_EQ(win::regValueType(RegRoot::LocalMachine, other, "None"), win::RegType::None);

    const std::string file = testsupport::readHostFile(machineDir + "/registry.reg");
    EXPECT_EQ(file.rfind("REGEDIT4\r\n", 0), 0u);
    EXPECT_NE(file.find("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Demo]\r\n"
                        "\"DisplayName\"=\"Demo \\\"2\\\" C:\\\\Prog\"\r\n\"Count\"=dword:0000000a\r\n"),
              std::string::npos)
        << file;
}

TEST_F(WinRegistry, NamesKeepTheirFirstSpelling) {
    ASSERT_EQ(win::regOpenKey(RegRoot::CurrentUser, "Environment", true, true), 0u);
    ASSERT_EQ(win::regWriteString(RegRoot::CurrentUser, "Environment", "Path", "a"), 0u);
    ASSERT_EQ(win::regWriteString(RegRoot::CurrentUser, "ENVIRONMENT", "PATH", "b"), 0u);
    EXPECT_EQ(win::regValueNames(RegRoot::CurrentUser, "environment"), std::vector<std::string>{"Path"});
    std::string value;
    ASSERT_TRUE(win::regReadString(RegRoot::CurrentUser, "Environment", "path", value));
    EXPECT_EQ(value, "b");
    EXPECT_FALSE(win::regKeyExists(RegRoot::LocalMachine, "Environment")) << "another root";
}

TEST_F(WinRegistry, ImportsOtherTypesAndKeepsThemVerbatim) {
    testsupport::writeHostFile(machineDir + "/registry.reg",
                               "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\X]\n@=\"default\"\n"
                               "\"Bin\"=hex:01,02,\\\n  03\n\"Exp\"=hex(2):41,00\n\"N\"=dword:FFFFFFFF\n"
                               "[HKEY_CLASSES_ROOT\\.pak]\n@=\"Archiv\"\n");
    win::machine::reload();
    EXPECT_EQ(win::regValueType(RegRoot::LocalMachine, "SOFTWARE\\X", "Bin"), win::RegType::Other);
    uint32_t n = 0;
    ASSERT_TRUE(win::regReadDword(RegRoot::LocalMachine, "SOFTWARE\\X", "N", n));
    EXPECT_EQ(n, 0xFFFFFFFFu);
    std::string text;
    ASSERT_TRUE(win::regReadString(RegRoot::LocalMachine, "SOFTWARE\\X", "", text));
    EXPECT_EQ(text, "default");
    EXPECT_TRUE(win::regKeyExists(RegRoot::LocalMachine, "SOFTWARE")) << "the parent exists too";

    ASSERT_EQ(win::regWriteDword(RegRoot::LocalMachine, "SOFTWARE\\X", "M", 1), 0u);
    const std::string file = testsupport::readHostFile(machineDir + "/registry.reg");
    EXPECT_NE(file.find("\"Bin\"=hex:01,02,03\r\n\"Exp\"=hex(2):41,00\r\n"), std::string::npos) << file;
    EXPECT_NE(file.find("@=\"default\"\r\n"), std::string::npos) << file;
    EXPECT_NE(file.find("[HKEY_CLASSES_ROOT\\.pak]\r\n@=\"Archiv\"\r\n"), std::string::npos)
        << "a root the programs never open is kept: " << file;
}

struct AccessCase {
    const char* ini;
    bool hklmWrite;
};

TEST_F(WinRegistry, RefusesHklmWritesToAnNtUserWhoIsNoAdministrator) {
    const AccessCase cases[] = {
        {"", true},
        {"[Machine]\nAdministrator=0\n", false},
        {"[Machine]\nAdministrator=0\nFamily=9x\n", true},
        {"[Machine]\nAdministrator=0\nHklmFullAccess=1\n", true},
        {"[Machine]\nHklmFullAccess=0\n", false},
    };
    for (const AccessCase& c : cases) {
        setMachineIni("");
        ASSERT_EQ(win::regOpenKey(RegRoot::LocalMachine, "SOFTWARE\\Brimlund", true, true), 0u);
        ASSERT_EQ(win::regWriteString(RegRoot::LocalMachine, "SOFTWARE\\Brimlund", "Seed", "s"), 0u);
        setMachineIni(c.ini);
        const uint32_t refused = c.hklmWrite ? 0u : uint32_t{win::ERR_ACCESS_DENIED};
        EXPECT_EQ(win::regOpenKey(RegRoot::LocalMachine, "SOFTWARE\\Brimlund", false, true), refused) << c.ini;
        EXPECT_EQ(win::regOpenKey(RegRoot::LocalMachine, "SOFTWARE\\New", true, false), refused) << c.ini;
        EXPECT_EQ(win::regWriteString(RegRoot::LocalMachine, "SOFTWARE\\Brimlund", "V", "x"), refused) << c.ini;
        EXPECT_EQ(win::regDeleteKey(RegRoot::LocalMachine, "SOFTWARE\\Brimlund"), refused) << c.ini;
        EXPECT_EQ(win::regOpenKey(RegRoot::LocalMachine, "SOFTWARE", false, false), 0u) << "reading: " << c.ini;
        EXPECT_EQ(win::regOpenKey(RegRoot::CurrentUser, "Software\\Own", true, true), 0u) << c.ini;
        std::string seed;
        EXPECT_EQ(win::regReadString(RegRoot::LocalMachine, "SOFTWARE\\Brimlund", "Seed", seed), !c.hklmWrite)
            << "a refused delete leaves the key readable: " << c.ini;
    }
}

TEST_F(WinRegistry, DeniedKeysRefuseEveryOpen) {
    ASSERT_EQ(win::regOpenKey(RegRoot::LocalMachine, "SOFTWARE\\Locked\\Sub", true, true), 0u);
    setMachineIni("[RegistryDeny]\nHKLM\\SOFTWARE\\Locked=1\n");
    EXPECT_EQ(win::regOpenKey(RegRoot::LocalMachine, "software\\locked", false, false), uint32_t{win::ERR_ACCESS_DENIED});
    EXPECT_EQ(win::regOpenKey(RegRoot::LocalMachine, "SOFTWARE\\Locked\\Sub", false, false),
              uint32_t{win::ERR_ACCESS_DENIED});
    EXPECT_FALSE(win::regKeyExists(RegRoot::LocalMachine, "SOFTWARE\\Locked"));
    EXPECT_EQ(win::regOpenKey(RegRoot::LocalMachine, "SOFTWARE\\LockedNot", true, true), 0u) << "a name, not a prefix";
}

TEST_F(WinRegistry, DeletesValuesAndKeysWithTheirSubKeys) {
    ASSERT_EQ(win::regOpenKey(RegRoot::LocalMachine, "SYSTEM\\Svc\\Enum\\Deep", true, true), 0u);
    ASSERT_EQ(win::regOpenKey(RegRoot::LocalMachine, "SYSTEM\\SvcOther", true, true), 0u);
    ASSERT_EQ(win::regWriteDword(RegRoot::LocalMachine, "SYSTEM\\Svc", "Start", 2), 0u);
    EXPECT_EQ(win::regDeleteValue(RegRoot::LocalMachine, "SYSTEM\\Svc", "START"), 0u);
    EXPECT_EQ(win::regDeleteValue(RegRoot::LocalMachine, "SYSTEM\\Svc", "Start"), uint32_t{win::ERR_FILE_NOT_FOUND});

    EXPECT_EQ(win::regDeleteKey(RegRoot::LocalMachine, "system\\svc"), 0u);
    win::machine::reload();
    EXPECT_FALSE(win::regKeyExists(RegRoot::LocalMachine, "SYSTEM\\Svc"));
    EXPECT_FALSE(win::regKeyExists(RegRoot::LocalMachine, "SYSTEM\\Svc\\Enum\\Deep"));
    EXPECT_TRUE(win::regKeyExists(RegRoot::LocalMachine, "SYSTEM\\SvcOther"));
    EXPECT_EQ(win::regOpenKey(RegRoot::LocalMachine, "SYSTEM\\Svc", false, true), uint32_t{win::ERR_FILE_NOT_FOUND});
    EXPECT_EQ(win::regWriteString(RegRoot::LocalMachine, "SYSTEM\\Svc", "X", "y"), uint32_t{win::ERR_FILE_NOT_FOUND})
        << "no key is made by a write";
}

}  // namespace
