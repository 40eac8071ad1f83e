// The shared-library counts under SharedDlls and the shortcuts the executor
// creates, renames and records for the uninstaller.
#include "Classes.h"
#include "Tools.h"
#include "Win.h"
#include "exec_tools_fixture.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace {

const char kSharedDlls[] = "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDlls";
constexpr auto HKLM = win::RegRoot::LocalMachine;

// ------------------------------------------------------------ SharedDlls

class SharedDllCount : public exectools::ExecToolsTest {
protected:
    void SetUp() override {
        ExecToolsTest::SetUp();
        ASSERT_EQ(win::regOpenKey(HKLM, kSharedDlls, true, true), 0u);
    }
    static std::vector<std::string> values() { return win::regValueNames(HKLM, kSharedDlls); }
    static std::optional<uint32_t> count(const std::string& path) {
        uint32_t value = 0;
        if (!win::regReadDword(HKLM, kSharedDlls, path, value)) return std::nullopt;
        return value;
    }
};

TEST_F(SharedDllCount, OnlyLibrariesAreCounted) {
    const std::pair<const char*, bool> cases[] = {
        {"C:\\APP\\README.txt", false}, {"C:\\APP\\VIEW.EXE", false}, {"C:\\APP\\DLL", false},
        {"C:\\APP.DLL\\VIEW", false},   {"C:\\APP\\a.dll", true},     {"C:\\APP\\GRID.Ocx", true},
        {"C:\\APP\\OLD.VBX", true},
    };
    for (const auto& [path, counted] : cases) {
        IncSharedDllCount(path);
        EXPECT_EQ(count(path), counted ? std::optional<uint32_t>(1) : std::nullopt) << path;
    }
}

// The count is unsigned 32-bit: past the sign bit it goes on rising, and at
// its largest value it stays.
TEST_F(SharedDllCount, ExistingCountsAreRaised) {
    const struct {
        uint32_t before, after;
    } cases[] = {{3, 4}, {0x7FFFFFFFu, 0x80000000u}, {0x80000000u, 0x80000001u}, {0xFFFFFFFEu, 0xFFFFFFFFu},
                 {0xFFFFFFFFu, 0xFFFFFFFFu}};
    for (const auto& c : cases) {
        ASSERT_EQ(win::regWriteDword(HKLM, kSharedDlls, "C:\\APP\\A.DLL", c.before), 0u);
        IncSharedDllCount("C:\\APP\\A.DLL");
        EXPECT_EQ(count("C:\\APP\\A.DLL"), c.after) << c.before;
    }
}

// Value names are without case, as on Windows: both spellings are one file.
TEST_F(SharedDllCount, SpellingsOfOnePathShareOneValue) {
    IncSharedDllCount("C:\\APP\\A.dll");
    IncSharedDllCount("C:\\APP\\A.DLL");
    EXPECT_EQ(count("C:\\APP\\A.DLL"), 2u);
    EXPECT_EQ(values().size(), 1u);
}

TEST_F(SharedDllCount, ACountOfAnotherTypeStartsAgainAtOne) {
    ASSERT_EQ(win::regWriteString(HKLM, kSharedDlls, "C:\\APP\\A.DLL", "3"), 0u);
    IncSharedDllCount("C:\\APP\\A.DLL");
    EXPECT_EQ(count("C:\\APP\\A.DLL"), 1u);
}

TEST_F(SharedDllCount, WithoutTheKeyNothingIsWrittenOrCreated) {
    ASSERT_EQ(win::regDeleteKey(HKLM, kSharedDlls), 0u);
    IncSharedDllCount("C:\\APP\\A.DLL");
    EXPECT_FALSE(win::regKeyExists(HKLM, kSharedDlls));
}

// An NT user without write access to the machine key: both writes are
// refused, and the refusal must not escape.
TEST_F(SharedDllCount, ARefusedWriteLeavesTheCountAlone) {
    ASSERT_EQ(win::regWriteDword(HKLM, kSharedDlls, "C:\\APP\\A.DLL", 3), 0u);
    setMachineIni("[Machine]\nAdministrator=0\n");
    IncSharedDllCount("C:\\APP\\A.DLL");
    IncSharedDllCount("C:\\APP\\B.DLL");
    EXPECT_EQ(count("C:\\APP\\A.DLL"), 3u);
    EXPECT_EQ(count("C:\\APP\\B.DLL"), std::nullopt);
}

// ------------------------------------------------------------- shortcuts

class ShellLinkTest : public exectools::ExecToolsTest {
protected:
    void SetUp() override {
        ExecToolsTest::SetUp();
        makeDir("C:\\Startup");
        uninstallList.SetSorted(true);
    }
    static std::vector<std::string> lines(const TStringList& list) {
        std::vector<std::string> out;
        for (int i = 0; i < list.Count(); ++i) out.push_back(list.Strings(i));
        return out;
    }
    static void expectLinkTo(const std::string& linkPath, const std::string& description) {
        const std::optional<win::ShellLink> link = win::loadShellLink(linkPath);
        ASSERT_TRUE(link) << linkPath;
        EXPECT_EQ(link->target, kTarget);
        EXPECT_EQ(link->description, description);
        EXPECT_EQ(link->workingDirectory, "C:\\Prg\\");
    }

    static constexpr const char* kTarget = "C:\\Prg\\VIEW.EXE";
    TStringList uninstallList;
};

TEST_F(ShellLinkTest, TheLinkIsRenamedToItsDescriptionAndRecorded) {
    put("C:\\Startup\\Viewer.lnk", "ein alter Verweis");
    ASSERT_TRUE(CreateShellLink(kTarget, "C:\\Startup\\VIEW.tmp", "Viewer", &uninstallList));

    expectLinkTo("C:\\Startup\\Viewer.lnk", "Viewer");
    EXPECT_FALSE(exists("C:\\Startup\\VIEW.tmp"));
    EXPECT_EQ(lines(uninstallList), std::vector<std::string>{"#LINK#C:\\Startup\\Viewer.lnk"});
}

TEST_F(ShellLinkTest, WithoutAListNothingIsRecorded) {
    ASSERT_TRUE(CreateShellLink(kTarget, "C:\\Startup\\VIEW.tmp", "Betrachter für Bilder", nullptr));
    expectLinkTo("C:\\Startup\\Betrachter für Bilder.lnk", "Betrachter für Bilder");
    EXPECT_FALSE(exists("C:\\Startup\\VIEW.tmp"));
}

TEST_F(ShellLinkTest, AnEmptyDescriptionKeepsTheTemporaryName) {
    ASSERT_TRUE(CreateShellLink(kTarget, "C:\\Startup\\VIEW.tmp", "", &uninstallList));
    expectLinkTo("C:\\Startup\\VIEW.tmp", "");
    EXPECT_FALSE(exists("C:\\Startup\\.lnk"));
    EXPECT_EQ(uninstallList.Count(), 0);
}

TEST_F(ShellLinkTest, ATargetWithoutDirectoryHasNoWorkingDirectory) {
    ASSERT_TRUE(CreateShellLink("VIEW.EXE", "C:\\Startup\\VIEW.tmp", "Viewer", nullptr));
    const std::optional<win::ShellLink> link = win::loadShellLink("C:\\Startup\\Viewer.lnk");
    ASSERT_TRUE(link);
    EXPECT_EQ(link->target, "VIEW.EXE");
    EXPECT_EQ(link->workingDirectory, "");
}

// A link that could not be saved must neither remove the shortcut already
// there nor be handed to the uninstaller.
TEST_F(ShellLinkTest, AFailedSaveChangesNothing) {
    struct Case {
        const char* name;
        const char* machineIni;
        const char* tmpLinkPath;
    };
    const Case cases[] = {
        {"missing directory", "", "C:\\Missing\\VIEW.tmp"},
        {"refused write", "[Faults]\nC:\\Startup\\VIEW.tmp=refuse-write\n", "C:\\Startup\\VIEW.tmp"},
    };
    for (const Case& c : cases) {
        setMachineIni(c.machineIni);
        put("C:\\Startup\\Viewer.lnk", "ein alter Verweis");
        EXPECT_FALSE(CreateShellLink(kTarget, c.tmpLinkPath, "Viewer", &uninstallList)) << c.name;
        EXPECT_EQ(read("C:\\Startup\\Viewer.lnk"), "ein alter Verweis") << c.name;
        EXPECT_FALSE(exists("C:\\Missing\\Viewer.lnk")) << c.name;
        EXPECT_EQ(uninstallList.Count(), 0) << c.name;
    }
}

}  // namespace
