// Boot-time replacement of files in use: the numbered temporary copies, the
// pending moves on NT and the "[Rename]" section of WinInit.Ini on 9x, and
// the error text that outlives later successes.
//
// The counter of temporary names lives for the process; every test case runs
// as its own process under ctest, so each starts with the counter at 0.
#include "Tools.h"
#include "Win.h"
#include "exec_tools_fixture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const char kError[] = "ReplaceOnReboot: Datei konnte nicht kopiert werden";
const char kWork[] = "C:\\TEMP\\INSTFILE.TMP";
const char kWinInit[] = "C:\\WINDOWS\\WinInit.Ini";

class ReplaceOnRebootTest : public exectools::ExecToolsTest {
protected:
    void SetUp() override {
        ExecToolsTest::SetUp();
        sLastErrorText.clear();
        put(kWork, "neu");
        put("C:\\APP\\A.DLL", "alt A");
        put("C:\\APP\\B.DLL", "alt B");
    }
    void useWindows9x(const std::string& moreMachineLines = "") {
        setMachineIni("[Machine]\nFamily=9x\nWindowsDir=C:\\WINDOWS\n" + moreMachineLines);
    }
};

// The machine's pending moves as "from -> to flags" lines.
std::vector<std::string> PendingMoves() {
    std::vector<std::string> lines;
    for (const win::PendingMove& m : win::pendingBootMoves())
        lines.push_back(m.from + " -> " + m.to + " " + std::to_string(m.flags));
    return lines;
}

// ------------------------------------------------------------------ NT family

TEST_F(ReplaceOnRebootTest, CallsShareTheCounterAndRecordPendingMoves) {
    ASSERT_TRUE(ReplaceOnReboot(kWork, "C:\\APP\\A.DLL"));
    ASSERT_TRUE(ReplaceOnReboot(kWork, "C:\\APP\\B.DLL"));

    EXPECT_EQ(read("C:\\APP\\A.1"), "neu");
    EXPECT_EQ(read("C:\\APP\\B.2"), "neu");
    EXPECT_FALSE(exists("C:\\APP\\B.1"));
    // Nothing is replaced before the boot.
    EXPECT_EQ(read("C:\\APP\\A.DLL"), "alt A");
    EXPECT_EQ(read("C:\\APP\\B.DLL"), "alt B");
    const std::vector<std::string> expected = {"C:\\APP\\A.1 -> C:\\APP\\A.DLL 5", "C:\\APP\\B.2 -> C:\\APP\\B.DLL 5"};
    EXPECT_EQ(PendingMoves(), expected);
    EXPECT_EQ(sLastErrorText, "");
}

TEST_F(ReplaceOnRebootTest, AnExistingTemporaryNameIsSkippedForGood) {
    put("C:\\APP\\A.1", "fremd");
    ASSERT_TRUE(ReplaceOnReboot(kWork, "C:\\APP\\A.DLL"));
    ASSERT_TRUE(ReplaceOnReboot(kWork, "C:\\APP\\B.DLL"));

    EXPECT_EQ(read("C:\\APP\\A.1"), "fremd");
    EXPECT_EQ(read("C:\\APP\\A.2"), "neu");
    EXPECT_EQ(read("C:\\APP\\B.3"), "neu");
    EXPECT_FALSE(exists("C:\\APP\\B.2"));
}

TEST_F(ReplaceOnRebootTest, TemporaryNameReplacesOnlyTheFileNamesExtension) {
    put("C:\\APP.V2\\VIEW", "alt");
    ASSERT_TRUE(ReplaceOnReboot(kWork, "C:\\APP.V2\\VIEW"));
    EXPECT_EQ(read("C:\\APP.V2\\VIEW.1"), "neu");
    EXPECT_FALSE(exists("C:\\APP.1"));
}

TEST_F(ReplaceOnRebootTest, MoveRefusedToANonAdministratorKeepsTheCopy) {
    setMachineIni("[Machine]\nAdministrator=0\n");
    EXPECT_FALSE(ReplaceOnReboot(kWork, "C:\\APP\\A.DLL"));
    EXPECT_EQ(sLastErrorText, kError);
    EXPECT_EQ(read("C:\\APP\\A.1"), "neu");
    EXPECT_TRUE(PendingMoves().empty());
    EXPECT_EQ(read("C:\\APP\\A.DLL"), "alt A");
}

// ------------------------------------------------------------ refused copies

TEST_F(ReplaceOnRebootTest, ARefusedCopyLeavesTheErrorThroughLaterSuccesses) {
    setMachineIni("[Faults]\nC:\\APP\\A.1=refuse-write\n");
    EXPECT_FALSE(ReplaceOnReboot(kWork, "C:\\APP\\A.DLL"));
    EXPECT_EQ(sLastErrorText, kError);
    EXPECT_TRUE(PendingMoves().empty());

    ASSERT_TRUE(ReplaceOnReboot(kWork, "C:\\APP\\B.DLL"));
    EXPECT_EQ(read("C:\\APP\\B.2"), "neu");
    EXPECT_EQ(sLastErrorText, kError);
}

TEST_F(ReplaceOnRebootTest, AMissingSourceIsARefusedCopy) {
    EXPECT_FALSE(ReplaceOnReboot("C:\\TEMP\\MISSING.TMP", "C:\\APP\\A.DLL"));
    EXPECT_EQ(sLastErrorText, kError);
    EXPECT_FALSE(exists("C:\\APP\\A.1"));
    EXPECT_TRUE(PendingMoves().empty());
}

// ------------------------------------------------------------------ 9x family

struct WinInitCase {
    const char* name;
    const char* before;  // nullptr: no WinInit.Ini
    const char* after;
};

void PrintTo(const WinInitCase& c, std::ostream* os) { *os << c.name; }

class ReplaceOnReboot9x : public ReplaceOnRebootTest, public ::testing::WithParamInterface<WinInitCase> {};

TEST_P(ReplaceOnReboot9x, EntriesGoIntoTheRenameSection) {
    useWindows9x();
    if (GetParam().before) put(kWinInit, GetParam().before);
    ASSERT_TRUE(ReplaceOnReboot(kWork, "C:\\APP\\A.DLL"));
    EXPECT_EQ(read(kWinInit), GetParam().after);
    EXPECT_EQ(read("C:\\APP\\A.1"), "neu");
    EXPECT_EQ(read("C:\\APP\\A.DLL"), "alt A");
    EXPECT_TRUE(PendingMoves().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Files, ReplaceOnReboot9x,
    ::testing::Values(
        WinInitCase{"Missing", nullptr, "[Rename]\r\nNUL=C:\\APP\\A.DLL\r\nC:\\APP\\A.DLL=C:\\APP\\A.1\r\n"},
        WinInitCase{"RenameIsTheLastSection", "[boot]\r\nshell=x\r\n[rename]\r\nC:\\OLD.DLL=C:\\OLD.7\r\n",
                    "[boot]\r\nshell=x\r\n[rename]\r\nC:\\OLD.DLL=C:\\OLD.7\r\n"
                    "NUL=C:\\APP\\A.DLL\r\nC:\\APP\\A.DLL=C:\\APP\\A.1\r\n"},
        WinInitCase{"NoRenameSection", "[boot]\r\nshell=x\r\n",
                    "[boot]\r\nshell=x\r\n[Rename]\r\nNUL=C:\\APP\\A.DLL\r\nC:\\APP\\A.DLL=C:\\APP\\A.1\r\n"},
        // Entries after the following header would belong to that section.
        WinInitCase{"AnotherSectionFollows", "[Rename]\r\nC:\\OLD.DLL=C:\\OLD.7\r\n[boot]\r\nshell=x\r\n",
                    "[Rename]\r\nC:\\OLD.DLL=C:\\OLD.7\r\nNUL=C:\\APP\\A.DLL\r\nC:\\APP\\A.DLL=C:\\APP\\A.1\r\n"
                    "[boot]\r\nshell=x\r\n"},
        WinInitCase{"BlankLinesBeforeTheNextSection", "[Rename]\r\nC:\\OLD.DLL=C:\\OLD.7\r\n\r\n\r\n[boot]\r\n",
                    "[Rename]\r\nC:\\OLD.DLL=C:\\OLD.7\r\nNUL=C:\\APP\\A.DLL\r\nC:\\APP\\A.DLL=C:\\APP\\A.1\r\n"
                    "\r\n\r\n[boot]\r\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ReplaceOnRebootTest, TwoCallsOn9xShareOneRenameSection) {
    useWindows9x();
    ASSERT_TRUE(ReplaceOnReboot(kWork, "C:\\APP\\A.DLL"));
    ASSERT_TRUE(ReplaceOnReboot(kWork, "C:\\APP\\B.DLL"));
    EXPECT_EQ(read(kWinInit),
              "[Rename]\r\nNUL=C:\\APP\\A.DLL\r\nC:\\APP\\A.DLL=C:\\APP\\A.1\r\n"
              "NUL=C:\\APP\\B.DLL\r\nC:\\APP\\B.DLL=C:\\APP\\B.2\r\n");
}

// A WinInit.Ini that cannot be written schedules nothing: reporting success
// would leave the old file in place after the boot.  A full disk half way
// through leaves the pending work of others whole.
TEST_F(ReplaceOnRebootTest, AWinInitThatCannotBeWrittenIsAFailure) {
    useWindows9x("[Faults]\nC:\\WINDOWS\\WinInit.$$$=disk-full\n[FaultLimits]\nC:\\WINDOWS\\WinInit.$$$=12\n");
    put(kWinInit, "[Rename]\r\nC:\\OLD.DLL=C:\\OLD.7\r\n");
    EXPECT_FALSE(ReplaceOnReboot(kWork, "C:\\APP\\A.DLL"));
    EXPECT_EQ(sLastErrorText, kError);
    EXPECT_EQ(read(kWinInit), "[Rename]\r\nC:\\OLD.DLL=C:\\OLD.7\r\n");
    EXPECT_FALSE(exists("C:\\WINDOWS\\WinInit.$$$"));
}

// Rewriting a WinInit.Ini that cannot be read would drop the pending work of
// others.
TEST_F(ReplaceOnRebootTest, AWinInitThatCannotBeReadIsLeftAlone) {
    useWindows9x("[Faults]\nC:\\WINDOWS\\WinInit.Ini=unreadable\n");
    put(kWinInit, "[Rename]\r\nC:\\OLD.DLL=C:\\OLD.7\r\n");
    EXPECT_FALSE(ReplaceOnReboot(kWork, "C:\\APP\\A.DLL"));
    EXPECT_EQ(sLastErrorText, kError);
    EXPECT_EQ(testsupport::readHostFile(win::machine::hostPath(kWinInit)), "[Rename]\r\nC:\\OLD.DLL=C:\\OLD.7\r\n");
}

}  // namespace
