// System directories, special folders, the Program Files directory and the
// Windows family, as the unit Tools reads them from the machine.
#include "Machine.h"
#include "MachineFixture.h"
#include "Tools.h"
#include "Win.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

using testsupport::MachineTest;

class ToolsSystem : public MachineTest {};

const char kCurrentVersion[] = "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion";

// Writes ProgramFilesDir as an administrator would; 0 on success.
uint32_t SetProgramFilesDir(const std::string& dir) {
    const uint32_t opened = win::regOpenKey(win::RegRoot::LocalMachine, kCurrentVersion, true, true);
    return opened ? opened : win::regWriteString(win::RegRoot::LocalMachine, kCurrentVersion, "ProgramFilesDir", dir);
}

TEST_F(ToolsSystem, WindowsAndSystemDirectoriesComeWithoutBackslash) {
    setMachineIni("[Machine]\nWindowsDir=D:\\WINNT\nSystemDir=D:\\WINNT\\system32\n");
    EXPECT_EQ(GetWindowsDir(), "D:\\WINNT");
    EXPECT_EQ(GetSystemDir(), "D:\\WINNT\\system32");

    setMachineIni("[Machine]\nWindowsDir=\nSystemDir=\n");
    EXPECT_EQ(GetWindowsDir(), "");
    EXPECT_EQ(GetSystemDir(), "");
}

TEST_F(ToolsSystem, WindowsFamily) {
    setMachineIni("[Machine]\nFamily=NT\n");
    EXPECT_TRUE(IsWindowsNT());
    setMachineIni("[Machine]\nFamily=9x\n");
    EXPECT_FALSE(IsWindowsNT());
}

// -------------------------------------------------------- GetProgramFilesDir

TEST_F(ToolsSystem, ProgramFilesDirComesFromTheRegistryAndSurvivesReopening) {
    ASSERT_EQ(SetProgramFilesDir("E:\\Programs"), 0u);
    win::machine::reload();
    EXPECT_EQ(GetProgramFilesDir(), "E:\\Programs");
}

struct ProgramFilesCase {
    const char* machine;  // [Machine] lines
    bool valueSet;
    const char* expected;
};

TEST_F(ToolsSystem, ProgramFilesDirFallsBackToTheWindowsDrive) {
    const ProgramFilesCase cases[] = {
        {"WindowsDir=D:\\WINNT\n", false, "D:\\Programme"},
        {"WindowsDir=C:\\WINDOWS\nFamily=9x\n", false, "C:\\Programme"},
        // Full access to the machine key is refused to an NT user who is no
        // administrator, even where the value exists.
        {"WindowsDir=D:\\WINNT\nAdministrator=0\n", true, "D:\\Programme"},
        {"WindowsDir=\n", false, "C:\\Programme"},
    };
    for (const ProgramFilesCase& c : cases) {
        setMachineIni("");  // an administrator sets the registry up
        if (c.valueSet)
            ASSERT_EQ(SetProgramFilesDir("D:\\Program Files"), 0u);
        else
            win::regDeleteValue(win::RegRoot::LocalMachine, kCurrentVersion, "ProgramFilesDir");
        setMachineIni(std::string("[Machine]\n") + c.machine);
        EXPECT_EQ(GetProgramFilesDir(), c.expected) << c.machine;
    }
}

TEST_F(ToolsSystem, ProgramFilesDirOfAnotherTypeIsNoDirectory) {
    setMachineIni("[Machine]\nWindowsDir=D:\\WINNT\n");
    ASSERT_EQ(win::regOpenKey(win::RegRoot::LocalMachine, kCurrentVersion, true, true), 0u);
    ASSERT_EQ(win::regWriteDword(win::RegRoot::LocalMachine, kCurrentVersion, "ProgramFilesDir", 7), 0u);
    EXPECT_EQ(GetProgramFilesDir(), "D:\\Programme");
}

// ----------------------------------------------------------- special folders

struct FolderCase {
    const char* folders;  // [SpecialFolders] lines
    const char* programs;
    const char* startup;
    const char* desktop;
};

TEST_F(ToolsSystem, SpecialFoldersPreferAllUsersAndFallBack) {
    // An empty value: the folder does not resolve.
    const FolderCase cases[] = {
        {"23=C:\\All\\Programme\n2=C:\\Me\\Programme\n24=C:\\All\\Autostart\n7=C:\\Me\\Autostart\n"
         "25=C:\\All\\Desktop\n16=C:\\Me\\Desktop\n0=C:\\Desktop\n",
         "C:\\All\\Programme", "C:\\All\\Autostart", "C:\\All\\Desktop"},
        {"2=C:\\Me\\Programme\n7=C:\\Me\\Autostart\n16=C:\\Me\\Desktop\n0=C:\\Desktop\n",
         "C:\\Me\\Programme", "C:\\Me\\Autostart", "C:\\Me\\Desktop"},
        {"2=\n7=\n16=\n0=C:\\Desktop\n", "", "", "C:\\Desktop"},
        {"2=\n7=\n16=\n0=\n", "", "", ""},
    };
    for (const FolderCase& c : cases) {
        setMachineIni(std::string("[Machine]\nFamily=9x\n[SpecialFolders]\n") + c.folders);
        EXPECT_EQ(GetProgramsFolder(), c.programs) << c.folders;
        EXPECT_EQ(GetStartupFolder(), c.startup) << c.folders;
        EXPECT_EQ(GetDesktopFolder(), c.desktop) << c.folders;
    }
}

TEST_F(ToolsSystem, NineXHasNoCommonFoldersByDefault) {
    setMachineIni("[Machine]\nFamily=9x\n");
    EXPECT_EQ(GetSpecialFolder(23), "");
    EXPECT_EQ(GetProgramsFolder(), GetSpecialFolder(2));
    EXPECT_NE(GetProgramsFolder(), "");
    setMachineIni("[Machine]\nFamily=NT\n");
    EXPECT_EQ(GetProgramsFolder(), GetSpecialFolder(23));
    EXPECT_NE(GetProgramsFolder(), "");
}

}  // namespace
