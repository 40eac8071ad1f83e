// The directory pages: where the program-directory page starts, the edit
// field following the list, the drive box with a drive that does not
// answer, the data page's preset, and the program-directory page shown from
// the default-directory page.
#include "pages_fixture.h"

#include "SysUtils.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace pagestest {
namespace {

// C: as usual, a fixed D: standing in \Daten, and a floppy drive A: without
// a disk.
class DirectoryPages : public PagesTest {
protected:
    std::string machineIni() const override {
        return "[Drive A]\nType=removable\n"
               "[Drive D]\nType=fixed\nFolder=drives/D\nCurrentDir=\\Daten\n";
    }
    void prepareMachine() override { fs::create_directories(driveD() + "/Daten"); }
    std::string driveD() const { return machineDir + "/drives/D"; }

    bool journalHas(const std::string& text) const {
        return testsupport::readHostFile(machineDir + "/journal.log").find(text) != std::string::npos;
    }
};

struct StartCase {
    const char* what;
    std::vector<std::string> dirsOnC;
    const char* proposal;    // m_sDefaultPrgDir
    const char* installDir;  // m_sInstallDirText
    const char* startIn;     // the process's current directory before the show
    const char* expected;    // edDir afterwards
};

TEST_F(DirectoryPages, ProgramDirectoryPageStartsAtTheFirstCandidateThatExists) {
    const StartCase cases[] = {
        {"the proposal", {"Brimlund", "Programme/Brimlund"}, "C:\\Brimlund\\", "Brimlund", "C:\\", "C:\\Brimlund\\"},
        {"the product under Program Files", {"Programme/Brimlund"}, "C:\\Brimlund\\", "Brimlund", "C:\\",
         "C:\\Programme\\Brimlund\\"},
        {"Program Files", {"Programme"}, "C:\\Brimlund\\", "Brimlund", "C:\\", "C:\\Programme\\"},
        {"no product name", {"Programme"}, "C:\\Brimlund\\", "", "C:\\", "C:\\Programme\\"},
        {"the current directory", {"WORK"}, "C:\\Brimlund\\", "Brimlund", "C:\\WORK", "C:\\WORK\\"},
        {"a proposal on another drive", {"Programme"}, "D:\\Daten\\", "Brimlund", "C:\\", "D:\\Daten\\"},
    };
    for (const StartCase& c : cases) {
        SCOPED_TRACE(c.what);
        for (const char* dir : {"Brimlund", "Programme", "WORK"}) fs::remove_all(driveC() + "/" + dir);
        for (const std::string& dir : c.dirsOnC) makeDirC(dir);
        frmInstall->m_sDefaultPrgDir = c.proposal;
        frmInstall->m_sInstallDirText = c.installDir;
        ASSERT_TRUE(SetCurrentDir(c.startIn));

        EXPECT_EQ(show(*frmDirSelect, "page frmDirSelect\nclick cmdNext\n"), prNext);

        EXPECT_EQ(frmDirSelect->edDir->Text, c.expected);
        EXPECT_EQ(NormalizePath(GetCurrentDir(), false), c.expected) << "the list moves the process";
        EXPECT_EQ(frmDirSelect->dcbDrive->Drive(), c.expected[0]);
        EXPECT_EQ(frmDirSelect->ActiveControl, frmDirSelect->cmdNext);
    }
}

struct MoveCase {
    const char* entry;
    const char* expected;
};

TEST_F(DirectoryPages, EditFieldFollowsTheListWithOneTrailingBackslash) {
    makeDirC("Programme/Demo");
    const MoveCase cases[] = {
        {"C:\\", "C:\\"},
        {"..", "C:\\"},
        {"Demo", "C:\\Programme\\Demo\\"},
    };
    for (const MoveCase& c : cases) {
        frmInstall->m_sDefaultPrgDir = "C:\\Programme\\";
        EXPECT_EQ(show(*frmDirSelect, std::string("page frmDirSelect\ndir dlbDir ") + c.entry + "\nclick cmdNext\n"),
                  prNext);
        EXPECT_EQ(frmDirSelect->edDir->Text, c.expected) << c.entry;

        frmNetDirSelect->edDir->Text = "C:\\Programme";
        EXPECT_EQ(
            show(*frmNetDirSelect, std::string("page frmNetDirSelect\ndir dlbDir ") + c.entry + "\nclick cmdNext\n"),
            prNext);
        EXPECT_EQ(frmNetDirSelect->edDir->Text, c.expected) << c.entry;
    }
}

// A drive without a disk beeps and the box shows the list's drive again,
// without the system's "no disk" box; the list and the field stay.
TEST_F(DirectoryPages, EmptyFloppyDriveBeepsAndTheDriveBoxReturns) {
    makeDirC("Programme");
    frmInstall->m_sDefaultPrgDir = "C:\\Programme\\";
    frmNetDirSelect->edDir->Text = "C:\\Programme\\";
    for (TDirectoryPage* page :
         {static_cast<TDirectoryPage*>(frmDirSelect), static_cast<TDirectoryPage*>(frmNetDirSelect)}) {
        SCOPED_TRACE(page->Name);
        EXPECT_EQ(show(*page, "page " + page->Name + "\ndrive dcbDrive A\nclick cmdNext\n"), prNext);

        const std::vector<std::string> lines = transcript();
        const auto chosen = std::find(lines.begin(), lines.end(), "user drive dcbDrive A");
        ASSERT_NE(chosen, lines.end());
        EXPECT_EQ(*(chosen + 1), "beep");
        EXPECT_EQ(page->dcbDrive->Drive(), 'C');
        EXPECT_EQ(page->dlbDir->Directory(), "C:\\Programme");
        EXPECT_EQ(page->edDir->Text, "C:\\Programme\\");
    }
    EXPECT_FALSE(journalHas("critical-error box"));
}

TEST_F(DirectoryPages, ReadyDriveMovesTheListToItsCurrentDirectoryAndWritesNothing) {
    testsupport::writeHostFile(driveD() + "/Daten/setup.txt", "vom Benutzer");
    makeDirC("Programme");
    frmInstall->m_sDefaultPrgDir = "C:\\Programme\\";

    EXPECT_EQ(show(*frmDirSelect, "page frmDirSelect\ndrive dcbDrive D\nclick cmdNext\n"), prNext);

    EXPECT_EQ(frmDirSelect->dlbDir->Directory(), "D:\\Daten");
    EXPECT_EQ(frmDirSelect->edDir->Text, "D:\\Daten\\");
    EXPECT_FALSE(transcriptHas("beep"));
    EXPECT_EQ(testsupport::readHostFile(driveD() + "/Daten/setup.txt"), "vom Benutzer");
    EXPECT_EQ(std::distance(fs::directory_iterator(driveD() + "/Daten"), fs::directory_iterator()), 1);
    EXPECT_EQ(std::distance(fs::directory_iterator(driveD()), fs::directory_iterator()), 1);
}

struct PresetCase {
    const char* preset;
    const char* listDir;  // where the list goes
};

// The preset text stays exactly as the engine wrote it when the user leaves
// the list and the drive box alone; the list and the drive box follow it as
// far as the machine lets them.
TEST_F(DirectoryPages, DataPageKeepsThePresetText) {
    makeDirC("Daten");
    const PresetCase cases[] = {
        {"C:\\Daten", "C:\\Daten"},               // no trailing backslash
        {"D:\\Daten\\", "D:\\Daten"},             // another drive
        {"C:\\Daten\\Neu\\Tief\\", "C:\\Daten"},  // not there yet: its nearest ancestor
        {"D:\\Neu", "D:\\"},                      // up to the root
        {"A:\\Daten\\", "C:\\"},                  // no disk: the list stays
        {"Q:\\Daten\\", "C:\\"},                  // no such drive
    };
    for (const PresetCase& c : cases) {
        SCOPED_TRACE(c.preset);
        frmNetDirSelect->dlbDir->SetDirectory("C:\\");
        frmNetDirSelect->edDir->Text = c.preset;

        EXPECT_EQ(show(*frmNetDirSelect, "page frmNetDirSelect\nclick cmdNext\n"), prNext);

        EXPECT_EQ(frmNetDirSelect->edDir->Text, c.preset);
        EXPECT_EQ(frmNetDirSelect->dlbDir->Directory(), c.listDir);
        EXPECT_EQ(frmNetDirSelect->dcbDrive->Drive(), c.listDir[0]);
        EXPECT_FALSE(transcriptHas("beep"));
    }
    EXPECT_FALSE(journalHas("critical-error box"));
}

struct NestedCase {
    const char* onDirPage;
    int result;
    const char* edit;  // edUserDir afterwards
};

TEST_F(DirectoryPages, OtherDirectoryEndsTheDefaultPageWithTheDirectoryPagesResult) {
    makeDirC("Brimlund");
    frmInstall->m_sDefaultPrgDir = "C:\\Brimlund\\";
    const NestedCase cases[] = {
        {"click cmdCancel", prCancel, "C:\\Brimlund\\"},
        {"key F4", prCancel, "C:\\Brimlund\\"},
        {"click cmdBack", prBack, "C:\\Brimlund\\"},
        {"text edDir D:\\Eigen\nclick cmdNext", prNext, "D:\\Eigen"},
    };
    for (const NestedCase& c : cases) {
        SCOPED_TRACE(c.onDirPage);
        EXPECT_EQ(show(*frmUserDir, std::string("page frmUserDir\nclick cmdOtherDir\npage frmDirSelect\n") +
                                        c.onDirPage + "\n"),
                  c.result);
        EXPECT_EQ(frmUserDir->edUserDir->Text, c.edit);

        const std::vector<std::string> lines = transcript();
        const auto hidden = std::find(lines.begin(), lines.end(), "hide frmUserDir");
        ASSERT_NE(hidden, lines.end());
        EXPECT_EQ(*(hidden + 1), "show frmDirSelect \"Demo Setup 2.0\"");
        EXPECT_EQ(lines.back(), "hide frmUserDir result=" + std::to_string(c.result));
    }

    // The next show offers the proposal again; the user cannot type into it.
    EXPECT_EQ(show(*frmUserDir, "page frmUserDir\ntext edUserDir D:\\Anders\nclick cmdNext\n"), prNext);
    EXPECT_EQ(frmUserDir->edUserDir->Text, "C:\\Brimlund\\");
    EXPECT_TRUE(transcriptHas("ignored text edUserDir D:\\Anders (disabled)"));
}

}  // namespace
}  // namespace pagestest
