// The registration tools the executor's last steps use: persistent
// environment variables, INI values and OLE libraries.
#include "merge_fixture.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace mergetest {
namespace {

struct AutoexecCase {
    const char* name;
    std::optional<std::string> before;  // nullopt: no C:\AUTOEXEC.BAT
    std::string after;
};

class EnvironmentTool : public MergeTest {};

TEST_F(EnvironmentTool, On9xASetLineGoesFirstUnlessTheVariableIsSetAlready) {
    const AutoexecCase cases[] = {
        {"lower-case set", "@echo off\r\nset path=C:\\DOS\r\n", "@echo off\r\nset path=C:\\DOS\r\n"},
        {"blank before =", "SET PATH =C:\\DOS\r\n", "SET PATH =C:\\DOS\r\n"},
        {"longer name", "SET PATHEXT=.COM\r\n", "SET PATH=C:\\NEU\r\nSET PATHEXT=.COM\r\n"},
        {"no file", std::nullopt, "SET PATH=C:\\NEU\r\n"},
    };
    for (const AutoexecCase& c : cases) {
        SCOPED_TRACE(c.name);
        setMachineIni("[Machine]\nFamily=9x\n");
        std::filesystem::remove(hostC("C:\\AUTOEXEC.BAT"));
        if (c.before) putC("C:\\AUTOEXEC.BAT", *c.before);

        EXPECT_TRUE(SetEnvVariable("PATH", "C:\\NEU"));
        EXPECT_EQ(readC("C:\\AUTOEXEC.BAT"), c.after);
    }
}

TEST_F(EnvironmentTool, On9xAnUnreadableStartFileIsNotRewritten) {
    setMachineIni("[Machine]\nFamily=9x\n[Faults]\nC:\\AUTOEXEC.BAT=unreadable\n");
    putC("C:\\AUTOEXEC.BAT", "@echo off\r\n");
    EXPECT_FALSE(SetEnvVariable("PATH", "C:\\NEU"));
    EXPECT_EQ(readC("C:\\AUTOEXEC.BAT"), "@echo off\r\n");
}

TEST_F(EnvironmentTool, OnNtWithoutAdministratorRightsTheUsersEnvironmentIsWritten) {
    setMachineIni("[Machine]\nAdministrator=0\n");
    EXPECT_TRUE(SetEnvVariable("QDBHOME", "C:\\Q"));

    std::string value;
    EXPECT_FALSE(win::regReadString(win::RegRoot::LocalMachine,
                                    "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment", "QDBHOME",
                                    value));
    ASSERT_TRUE(win::regReadString(win::RegRoot::CurrentUser, "Environment", "QDBHOME", value));
    EXPECT_EQ(value, "C:\\Q");
    EXPECT_TRUE(journalHas("broadcast WM_WININICHANGE text=\"Environment\" flags=2 timeout=5000"));
}

TEST_F(EnvironmentTool, BothRegistryKeysRefusedGivesFalse) {
    setMachineIni(
        "[Machine]\nAdministrator=0\n[RegistryDeny]\nHKCU\\Environment=1\n");
    EXPECT_FALSE(SetEnvVariable("QDBHOME", "C:\\Q"));
    EXPECT_FALSE(journalHas("broadcast WM_WININICHANGE text=\"Environment\" flags=2 timeout=5000"));
}

using IniTool = MergeTest;

TEST_F(IniTool, EmptyFileNameMeansTheInstallersOwnIni) {
    makeDirC("SETUP");
    EXPECT_TRUE(WriteIniValue("Main", "Key", "Wert", ""));
    EXPECT_EQ(win::ProfileFile("C:\\SETUP\\SETUP.ini").readString("Main", "Key").value_or(""), "Wert");
}

TEST_F(IniTool, RefusedWriteIsReportedNotThrown) {
    putC("C:\\PROG\\LOCKED.INI", "[Main]\r\n");
    setMachineIni("[Faults]\nC:\\PROG\\LOCKED.INI=refuse-write\n");
    EXPECT_FALSE(WriteIniValue("Main", "Key", "Wert", "C:\\PROG\\LOCKED.INI"));
}

struct OleDllCase {
    const char* path;
    const char* library;  // built library copied there; nullptr: the content below
    const char* content;
    bool result;
    bool called;
};

using OleDllTool = MergeTest;

TEST_F(OleDllTool, OnlyAFailingRegistrationIsFalse) {
    const OleDllCase cases[] = {
        {"C:\\PROG\\OK.DLL", OLE_SERVER_OK_PATH, nullptr, true, true},
        {"C:\\PROG\\FAILS.vbx", OLE_SERVER_FAILS_PATH, nullptr, false, true},
        {"C:\\PROG\\NOEXPORT.OCX", OLE_SERVER_NONE_PATH, nullptr, true, false},
        {"C:\\PROG\\TEXT.DLL", nullptr, "not a library", true, false},
        {"C:\\PROG\\MISSING.DLL", nullptr, nullptr, true, false},
        {"C:\\PROG\\SERVER.EXE", OLE_SERVER_FAILS_PATH, nullptr, true, false},
    };
    for (const OleDllCase& c : cases) {
        SCOPED_TRACE(c.path);
        if (c.library) std::filesystem::copy_file(c.library, hostC(c.path));
        if (c.content) putC(c.path, c.content);

        EXPECT_EQ(RegisterOleDll(c.path), c.result);
        bool called = false;
        for (const std::string& line : journal()) called |= line.find(std::string("path=\"") + c.path) != std::string::npos;
        EXPECT_EQ(called, c.called);
    }
    EXPECT_FALSE(journalHas("critical-error box")) << "libraries load without the system's error box";
}

}  // namespace
}  // namespace mergetest
