// Windows path rules over the drive folders: case, separators, dots, the
// drive-relative forms, host paths and the path limit.
#include "Machine.h"
#include "MachineFixture.h"
#include "Win.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace fs = std::filesystem;

namespace {

using testsupport::MachineTest;

class WinPaths : public MachineTest {
protected:
    std::string machineIni() const override { return "[Drive D]\nType=fixed\nFolder=drives/D\nCurrentDir=\\Work\n"; }
    std::string driveD() const { return machineDir + "/drives/D"; }
};

TEST_F(WinPaths, ComponentsMatchTheHostEntriesWithoutCase) {
    testsupport::writeHostFile(driveC() + "/Program Files/Brimlund/ReadMe.Txt", "hello");
    const char* spellings[] = {
        "C:\\Program Files\\Brimlund\\ReadMe.Txt", "c:\\PROGRAM FILES\\brimlund\\README.TXT",
        "C:/program files/BRIMLUND/readme.txt",    "C:\\Program Files\\\\Brimlund//ReadMe.Txt",
    };
    for (const char* path : spellings) {
        EXPECT_TRUE(win::fileExists(path)) << path;
        std::string content;
        EXPECT_TRUE(win::readWholeFile(path, content)) << path;
        EXPECT_EQ(content, "hello") << path;
    }
    EXPECT_TRUE(win::directoryExists("C:\\PROGRAM FILES\\BRIMLUND"));
    EXPECT_FALSE(win::fileExists("C:\\PROGRAM FILES\\BRIMLUND")) << "a directory is no file";
}

TEST_F(WinPaths, NewNamesGoIntoTheExistingFolderWithTheCallersSpelling) {
    fs::create_directories(driveC() + "/Data");
    ASSERT_TRUE(win::writeWholeFile("C:\\DATA\\NeuDatei.TXT", "x"));
    ASSERT_TRUE(win::createDirectory("c:\\data\\Sub"));
    EXPECT_TRUE(fs::is_regular_file(driveC() + "/Data/NeuDatei.TXT"));
    EXPECT_TRUE(fs::is_directory(driveC() + "/Data/Sub"));
    EXPECT_FALSE(fs::exists(driveC() + "/DATA"));
}

struct FoldCase {
    const char* path;
    const char* full;
};

TEST_F(WinPaths, DotsBlanksAndParentsFoldOnTheTextAndStopAtTheRoot) {
    ASSERT_TRUE(win::createDirectory("C:\\A"));
    ASSERT_TRUE(win::setCurrentDirectory("C:\\A"));
    const FoldCase cases[] = {
        {"C:\\A\\B\\..\\C", "C:\\A\\C"},
        {"C:\\..\\..\\X", "C:\\X"},
        {"C:\\A\\.\\B", "C:\\A\\B"},
        {"C:\\NAME.", "C:\\NAME"},
        {"C:\\NAME. . ", "C:\\NAME"},
        {"C:\\DIR.\\FILE ", "C:\\DIR\\FILE"},
        {"C:\\A\\.. \\B", "C:\\B"},
        {"..\\..\\..\\Y", "C:\\Y"},
        {"C:\\A\\", "C:\\A\\"},
        {"C:", "C:\\A"},
        {"C:\\", "C:\\"},
        {"\\TOP", "C:\\TOP"},
        {"D:FILE", "D:\\Work\\FILE"},
        {"d:..\\..\\FILE", "D:\\FILE"},
        {"Q:REL", "Q:\\REL"},  // a drive never visited: its root
        {"/tmp/./x/../y", "/tmp/y"},
        {"/..\\..", "/"},
    };
    for (const FoldCase& c : cases) EXPECT_EQ(win::fullPathName(c.path).value_or("<none>"), c.full) << c.path;
    EXPECT_FALSE(win::fullPathName(""));
    EXPECT_FALSE(win::fullPathName("\\\\server\\share\\x")) << "no shares on this machine";
}

TEST_F(WinPaths, ParentsAndTrailingDotsNeverReachOutsideTheDriveFolder) {
    testsupport::writeHostFile(machineDir + "/drives/SECRET.TXT", "outside");
    testsupport::writeHostFile(machineDir + "/SECRET.TXT", "outside");
    const char* escapes[] = {"C:\\..\\SECRET.TXT", "C:\\..\\..\\SECRET.TXT", "C:\\A\\..\\..\\..\\SECRET.TXT",
                             "C:\\...\\SECRET.TXT", "C:\\.. .\\SECRET.TXT", "C:/../../SECRET.TXT"};
    for (const char* path : escapes) {
        EXPECT_FALSE(win::fileExists(path)) << path;
        EXPECT_FALSE(win::deleteFile(path)) << path;
        EXPECT_EQ(win::machine::hostPath(path), driveC() + "/SECRET.TXT") << path;
    }
    EXPECT_TRUE(win::writeWholeFile("C:\\..\\..\\SECRET.TXT", "inside"));
    EXPECT_EQ(testsupport::readHostFile(driveC() + "/SECRET.TXT"), "inside");
    EXPECT_EQ(testsupport::readHostFile(machineDir + "/SECRET.TXT"), "outside");
}

TEST_F(WinPaths, CurrentDirectoriesPerDrive) {
    fs::create_directories(driveC() + "/Setup/Cd");
    fs::create_directories(driveD() + "/Work");
    EXPECT_EQ(win::currentDirectory(), "C:\\") << "the program's drive, at its root";

    ASSERT_TRUE(win::setCurrentDirectory("setup"));
    EXPECT_EQ(win::currentDirectory(), "C:\\setup") << "spelled as it was set";
    ASSERT_TRUE(win::setCurrentDirectory("D:"));
    EXPECT_EQ(win::currentDirectory(), "D:\\Work") << "the drive's own current directory";
    EXPECT_EQ(win::fullPathName("C:cd").value_or(""), "C:\\setup\\cd");
    EXPECT_EQ(win::fullPathName("x").value_or(""), "D:\\Work\\x");

    EXPECT_FALSE(win::setCurrentDirectory("C:\\MISSING"));
    EXPECT_EQ(win::lastError(), win::ERR_FILE_NOT_FOUND);
    EXPECT_FALSE(win::setCurrentDirectory("C:\\MISSING\\DEEPER"));
    EXPECT_EQ(win::lastError(), win::ERR_PATH_NOT_FOUND);
    EXPECT_EQ(win::currentDirectory(), "D:\\Work") << "unchanged by a failure";
}

TEST_F(WinPaths, TheStartDirectoryIsTheConfiguredOne) {
    setMachineIni("[Machine]\nProgramPath=D:\\SETUP.EXE\n[Drive D]\nFolder=drives/D\nCurrentDir=\\Work\n");
    EXPECT_EQ(win::currentDirectory(), "D:\\Work");
    setMachineIni("[Machine]\nCurrentDrive=C\n[Drive C]\nCurrentDir=\\WINDOWS\n");
    EXPECT_EQ(win::currentDirectory(), "C:\\WINDOWS");
}

TEST_F(WinPaths, HostPathsAndTheHostWorkingDirectory) {
    const std::string dir = machineDir + "/hostdir";
    testsupport::writeHostFile(dir + "/Member.Pak", "m");
    EXPECT_TRUE(win::fileExists(dir + "/MEMBER.PAK"));
    EXPECT_TRUE(win::fileExists(dir + "\\member.pak")) << "a name appended with a backslash";

    const fs::path before = fs::current_path();
    fs::current_path(dir);
    win::machine::useHostWorkingDirectory();
    EXPECT_EQ(win::currentDirectory(), fs::current_path().string());
    EXPECT_TRUE(win::fileExists("member.pak"));
    EXPECT_EQ(win::fullPathName("..\\x").value_or(""), fs::current_path().parent_path().string() + "/x");
    fs::current_path(before);
}

TEST_F(WinPaths, WindowsNamesAreUtf8OnTheHost) {
    ASSERT_TRUE(win::writeWholeFile("C:\\Gr\xFC\xDF" "e.txt", "x"));  // Grüße
    EXPECT_TRUE(fs::exists(driveC() + "/Gr\xC3\xBC\xC3\x9F" "e.txt"));
    EXPECT_TRUE(win::fileExists("C:\\GR\xDC\xDF" "E.TXT")) << "u-umlaut matched without case";
    const std::vector<win::FindData> found = win::findFiles("C:\\*.txt");
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].name, "Gr\xFC\xDF" "e.txt") << "back to the code page";
}

TEST_F(WinPaths, PathsOfTheLimitOrLongerAreRefused) {
    const std::string dir = "C:\\" + std::string(240, 'd');
    ASSERT_TRUE(win::createDirectory(dir));
    const std::string fits = dir + "\\" + std::string(259 - dir.size() - 1, 'f');
    ASSERT_EQ(fits.size(), 259u);
    EXPECT_TRUE(win::writeWholeFile(fits, "x"));
    EXPECT_TRUE(win::fileExists(fits));

    const std::string tooLong = fits + "g";
    const std::string relative = std::string(259 - dir.size() - 1, 'f') + "g";
    ASSERT_TRUE(win::setCurrentDirectory(dir));
    for (const std::string& path : {tooLong, relative}) {
        EXPECT_FALSE(win::writeWholeFile(path, "x")) << path.size();
        EXPECT_EQ(win::lastError(), win::ERR_FILENAME_EXCED_RANGE);
        EXPECT_FALSE(win::fullPathName(path));
    }
    const fs::directory_iterator entries(driveC() + "/" + std::string(240, 'd'));
    EXPECT_EQ(std::distance(fs::begin(entries), fs::end(entries)), 1) << "nothing cut: only the file that fits";
    EXPECT_FALSE(win::fileExists("C:\\" + std::string(300, 'e') + "\\..\\X")) << "the text given counts too";
}

TEST_F(WinPaths, InvalidCharactersAndUnknownDrives) {
    EXPECT_FALSE(win::writeWholeFile("C:\\A*B", "x"));
    EXPECT_EQ(win::lastError(), win::ERR_INVALID_NAME);
    EXPECT_FALSE(win::writeWholeFile("C:\\A:B", "x"));
    EXPECT_EQ(win::lastError(), win::ERR_INVALID_NAME);
    EXPECT_FALSE(win::fileExists("Q:\\X"));
    EXPECT_EQ(win::lastError(), win::ERR_PATH_NOT_FOUND);
    EXPECT_FALSE(win::fileExists("\\\\server\\share\\x"));
    EXPECT_EQ(win::lastError(), win::ERR_PATH_NOT_FOUND);
}

}  // namespace
