// Shell-link files of the layer: what is saved reads back, a save that cannot
// write fails, and a cut file is no link.
#include "Machine.h"
#include "MachineFixture.h"
#include "Win.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

namespace {

class ShellLinkFile : public testsupport::MachineTest {
protected:
    void SetUp() override {
        MachineTest::SetUp();
        std::filesystem::create_directories(driveC() + "/LINKS");
    }
};

TEST_F(ShellLinkFile, WhatIsSavedReadsBack) {
    const win::ShellLink cases[] = {
        {"C:\\Programme\\Büro\\VIEW.EXE", "Betrachter für Ämter € 2", "C:\\Programme\\Büro\\"},
        {"VIEW.EXE", "", ""},
        {"C:\\VIEW.EXE", "Viewer", ""},
    };
    for (const win::ShellLink& link : cases) {
        ASSERT_TRUE(win::saveShellLink("C:\\LINKS\\A.lnk", link)) << link.target;
        const std::optional<win::ShellLink> back = win::loadShellLink("C:\\LINKS\\A.lnk");
        ASSERT_TRUE(back) << link.target;
        EXPECT_EQ(back->target, link.target);
        EXPECT_EQ(back->description, link.description);
        EXPECT_EQ(back->workingDirectory, link.workingDirectory);
    }
}

TEST_F(ShellLinkFile, SavingOverAnExistingFileReplacesIt) {
    testsupport::writeHostFile(driveC() + "/LINKS/A.lnk", std::string(4000, 'x'));
    ASSERT_TRUE(win::saveShellLink("C:\\LINKS\\A.lnk", {"C:\\VIEW.EXE", "Viewer", "C:\\"}));
    const std::optional<win::ShellLink> back = win::loadShellLink("C:\\LINKS\\A.lnk");
    ASSERT_TRUE(back);
    EXPECT_EQ(back->description, "Viewer");
}

TEST_F(ShellLinkFile, ASaveThatCannotWriteFails) {
    EXPECT_FALSE(win::saveShellLink("C:\\MISSING\\A.lnk", {"C:\\VIEW.EXE", "Viewer", "C:\\"}));
    EXPECT_NE(win::lastError(), 0u);
    setMachineIni("[Drive C]\nWriteProtect=1\n");
    EXPECT_FALSE(win::saveShellLink("C:\\LINKS\\A.lnk", {"C:\\VIEW.EXE", "Viewer", "C:\\"}));
    EXPECT_EQ(win::lastError(), win::ERR_WRITE_PROTECT);
    EXPECT_FALSE(std::filesystem::exists(driveC() + "/LINKS/A.lnk"));
}

// Every cut before the strings' end loses a part of the link; reading must
// notice that rather than read past the bytes it has.
TEST_F(ShellLinkFile, ACutFileIsNoLink) {
    ASSERT_TRUE(win::saveShellLink("C:\\LINKS\\A.lnk", {"C:\\Prg\\VIEW.EXE", "Viewer", "C:\\Prg\\"}));
    const std::string whole = testsupport::readHostFile(driveC() + "/LINKS/A.lnk");
    const std::size_t terminalBlock = 4;
    for (std::size_t size = 0; size < whole.size() - terminalBlock; ++size) {
        testsupport::writeHostFile(driveC() + "/LINKS/CUT.lnk", whole.substr(0, size));
        EXPECT_FALSE(win::loadShellLink("C:\\LINKS\\CUT.lnk")) << size << " bytes";
    }
}

}  // namespace
