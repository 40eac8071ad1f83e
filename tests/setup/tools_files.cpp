// File and directory routines of the unit Tools against a machine folder:
// full file names, deleting and counting by mask, creating directories.
#include "Forms.h"
#include "MachineFixture.h"
#include "Tools.h"
#include "Win.h"
#include "headless/ScriptedUser.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

class ToolsFiles : public testsupport::MachineTest {
protected:
    // A host file on drive C:, given by its path below the drive's folder.
    void seed(const std::string& relative, const std::string& content = "x") {
        testsupport::writeHostFile(driveC() + "/" + relative, content);
    }
    bool hostExists(const std::string& relative) const { return fs::exists(driveC() + "/" + relative); }
};

// ------------------------------------------------------------ FullFileName

TEST_F(ToolsFiles, FullFileNameResolvesTheDirectoryPartOnly) {
    fs::create_directories(driveC() + "/SETUP/CD");
    ASSERT_TRUE(win::setCurrentDirectory("C:\\SETUP"));
    const std::pair<const char*, const char*> cases[] = {
        {"C:\\SETUP\\SETUP.EXE", "C:\\SETUP\\SETUP.EXE"},
        {"C:CD\\SETUP.EXE", "C:\\SETUP\\CD\\SETUP.EXE"},
        {"CD\\SETUP.EXE", "C:\\SETUP\\CD\\SETUP.EXE"},
        {"C:\\SETUP\\CD\\..\\..\\..\\SETUP.EXE", "C:\\SETUP.EXE"},  // never above the root
        // The drive's current directory and the name, not glued together.
        {"C:SETUP.EXE", "C:\\SETUP\\SETUP.EXE"},
    };
    for (const auto& [path, expected] : cases) EXPECT_EQ(FullFileName(path), expected) << path;
}

TEST_F(ToolsFiles, FullFileNameKeepsAPathItCannotConvert) {
    const std::string tooLong = "C:\\" + std::string(300, 'd') + "\\SETUP.EXE";
    EXPECT_EQ(FullFileName(tooLong), tooLong);
}

// ------------------------------------------------------- DeleteFilesByMask

TEST_F(ToolsFiles, DeleteByMaskWithoutMatchIsTrue) {
    fs::create_directories(driveC() + "/WORK/SUB");
    EXPECT_TRUE(DeleteFilesByMask("C:\\WORK\\*.*"));
    EXPECT_TRUE(DeleteFilesByMask("C:\\MISSING\\*.*"));
    EXPECT_TRUE(hostExists("WORK/SUB")) << "directories are never matched";
}

TEST_F(ToolsFiles, DeleteByMaskMatchesWithoutCase) {
    seed("Work/a.tmp");
    seed("Work/B.Tmp");
    seed("Work/keep.log");
    EXPECT_EQ(CountFilesByMask("c:\\WORK\\*.TMP"), 2);
    EXPECT_TRUE(DeleteFilesByMask("c:\\WORK\\*.TMP"));
    EXPECT_FALSE(hostExists("Work/a.tmp"));
    EXPECT_FALSE(hostExists("Work/B.Tmp"));
    EXPECT_TRUE(hostExists("Work/keep.log"));
}

TEST_F(ToolsFiles, DeleteByMaskStopsAtAReadOnlyFile) {
    seed("WORK/A.TMP");
    seed("WORK/B.TMP");
    seed("WORK/C.TMP");
    ASSERT_TRUE(win::setFileAttributes("C:\\WORK\\B.TMP", win::ATTR_READONLY));

    EXPECT_FALSE(DeleteFilesByMask("C:\\WORK\\*.*"));
    EXPECT_FALSE(hostExists("WORK/A.TMP")) << "deleted before the failure";
    EXPECT_TRUE(hostExists("WORK/B.TMP")) << "read-only: not deleted, even as root";
    EXPECT_TRUE(hostExists("WORK/C.TMP")) << "the search ended at the failure";
    EXPECT_EQ(CountFilesByMask("C:\\WORK\\*.*"), 2) << "read-only files are matched";
}

TEST_F(ToolsFiles, DeleteByMaskStopsAtAFileInUse) {
    seed("WORK/A.TMP");
    seed("WORK/B.TMP");
    setMachineIni("[InUse]\nC:\\WORK\\A.TMP=1\n");
    EXPECT_FALSE(DeleteFilesByMask("C:\\WORK\\*.TMP"));
    EXPECT_TRUE(hostExists("WORK/A.TMP"));
    EXPECT_TRUE(hostExists("WORK/B.TMP"));
    EXPECT_FALSE(win::copyFile("C:\\WORK\\B.TMP", "C:\\WORK\\A.TMP", false)) << "no copy onto it either";
}

TEST_F(ToolsFiles, DeleteByMaskWithoutDirectoryStaysInTheCurrentDirectory) {
    // The same names in the root and in the current directory: only the
    // files the search found are deleted.
    seed("A.TMP", "root");
    seed("B.TMP", "root");
    seed("WORK/A.TMP");
    seed("WORK/B.TMP");
    seed("WORK/C.DAT");
    ASSERT_TRUE(win::setCurrentDirectory("C:\\WORK"));

    EXPECT_EQ(CountFilesByMask("*.TMP"), 2);
    EXPECT_TRUE(DeleteFilesByMask("*.TMP"));
    EXPECT_FALSE(hostExists("WORK/A.TMP"));
    EXPECT_FALSE(hostExists("WORK/B.TMP"));
    EXPECT_TRUE(hostExists("WORK/C.DAT"));
    EXPECT_TRUE(hostExists("A.TMP"));
    EXPECT_TRUE(hostExists("B.TMP"));
}

TEST_F(ToolsFiles, DeleteByMaskDeletesWhereItSearched) {
    fs::create_directories(driveC() + "/WORK");
    ASSERT_TRUE(win::setCurrentDirectory("C:\\WORK"));
    for (const char* mask : {"C:*.TMP", "C:/WORK/*.TMP", "\\WORK\\\\*.TMP", "..\\WORK\\*.TMP"}) {
        seed("A.TMP", "root");
        seed("WORK/A.TMP");
        EXPECT_TRUE(DeleteFilesByMask(mask)) << mask;
        EXPECT_FALSE(hostExists("WORK/A.TMP")) << mask;
        EXPECT_TRUE(hostExists("A.TMP")) << mask;
    }
}

TEST_F(ToolsFiles, DeleteByMaskNeverLeavesTheDrive) {
    seed("A.TMP");
    testsupport::writeHostFile(machineDir + "/drives/OUTSIDE.TMP", "outside");
    EXPECT_TRUE(DeleteFilesByMask("C:\\..\\..\\*.TMP"));
    EXPECT_FALSE(hostExists("A.TMP"));
    EXPECT_TRUE(fs::exists(machineDir + "/drives/OUTSIDE.TMP"));
}

// --------------------------------------------------------- CountFilesByMask

TEST_F(ToolsFiles, CountByMaskCountsFilesOfEveryAttributeButNoDirectories) {
    seed("DATA/PLAIN.DAT");
    seed("DATA/HIDDEN.DAT");
    seed("DATA/SYSTEM.DAT");
    fs::create_directories(driveC() + "/DATA/SUB.DAT");
    ASSERT_TRUE(win::setFileAttributes("C:\\DATA\\HIDDEN.DAT", win::ATTR_HIDDEN));
    ASSERT_TRUE(win::setFileAttributes("C:\\DATA\\SYSTEM.DAT", win::ATTR_SYSTEM | win::ATTR_ARCHIVE));

    EXPECT_EQ(CountFilesByMask("C:\\DATA\\*.DAT"), 3);
    EXPECT_EQ(CountFilesByMask("C:\\DATA\\*.*"), 3);
    EXPECT_EQ(CountFilesByMask("C:\\DATA\\PLAIN.DAT"), 1);
    EXPECT_EQ(CountFilesByMask("C:\\DATA\\*.XYZ"), 0);
    EXPECT_EQ(CountFilesByMask("C:\\NOWHERE\\*.*"), 0);
}

// ------------------------------------------------------------ MakeDirectory

TEST_F(ToolsFiles, MakeDirectoryCreatesThreeLevelsAndKeepsTheCurrentDirectory) {
    fs::create_directories(driveC() + "/Base");
    fs::create_directories(driveC() + "/ELSEWHERE");
    ASSERT_TRUE(win::setCurrentDirectory("C:\\ELSEWHERE"));

    MakeDirectory("C:\\BASE\\One\\Two\\Three\\", true);
    EXPECT_TRUE(win::directoryExists("C:\\BASE\\ONE\\TWO\\THREE"));
    EXPECT_TRUE(fs::is_directory(driveC() + "/Base/One/Two/Three")) << "into the existing folder, its case kept";
    EXPECT_EQ(win::currentDirectory(), "C:\\ELSEWHERE");

    MakeDirectory("C:\\BASE\\ONE", true);  // exists: nothing to do
    EXPECT_EQ(win::currentDirectory(), "C:\\ELSEWHERE");
}

TEST_F(ToolsFiles, MakeDirectoryStaysOnTheDrive) {
    MakeDirectory("C:\\..\\..\\ESCAPE\\SUB", true);
    EXPECT_TRUE(hostExists("ESCAPE/SUB"));
    EXPECT_FALSE(fs::exists(machineDir + "/ESCAPE"));
    EXPECT_FALSE(fs::exists(machineDir + "/drives/ESCAPE"));
}

TEST_F(ToolsFiles, MakeDirectoryBeyondThePathLimitStopsAtTheLimit) {
    fs::create_directories(driveC() + "/HERE");
    ASSERT_TRUE(win::setCurrentDirectory("C:\\HERE"));
    std::string path = "C:\\LONG";
    while (path.size() < 300) path += "\\LEVEL";
    MakeDirectory(path, true);
    EXPECT_FALSE(win::directoryExists(path));
    EXPECT_TRUE(win::directoryExists(path.substr(0, 7 + 6 * 40)));  // the levels below the limit
    EXPECT_EQ(win::currentDirectory(), "C:\\HERE");
}

TEST_F(ToolsFiles, MakeDirectoryWithoutDriveIsIgnoredWhenNotFatal) {
    const std::string before = win::currentDirectory();
    MakeDirectory("\\\\server\\share\\dir", false);
    MakeDirectory("X", false);
    EXPECT_EQ(win::currentDirectory(), before);
}

TEST_F(ToolsFiles, MakeDirectoryWithoutDriveEndsTheProcessWhenFatal) {
    EXPECT_EXIT(
        {
            Application->SetDisplay(forms::headless::ScriptedUser::fromText("box OK", ""));
            MakeDirectory("\\\\server\\share\\dir", true);
        },
        testing::ExitedWithCode(1),
        "beep.*box style=16 caption=\"Nicht behebbarer Fehler !\" "
        "text=\"Kein Laufwerksbezeichner im Pfad: <\\\\\\\\server\\\\share\\\\dir>, Abbruch !\".*exit 1");
}

}  // namespace
