// The controls whose behaviour the pages rely on: drive box and directory
// list over the machine, check list, progress bar, rich-text view.
#include "forms_fixture.h"

#include "Win.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace formstest {
namespace {

class DriveAndDirectoryTest : public FormsTest {
protected:
    std::string machineIni() const override {
        return "[Drive C]\nType=fixed\nFolder=drives/C\nLabel=SYSTEM\n"
               "[Drive D]\nType=fixed\nFolder=drives/D\nCurrentDir=\\WORK\n";
    }
    void SetUp() override {
        FormsTest::SetUp();
        for (const char* dir : {"drives/C/DATA/SUB", "drives/D/WORK"})
            std::filesystem::create_directories(machineDir + "/" + dir);
        setMachineIni(machineIni());
        useScript("");
        page = new TForm(Application);
    }
    TForm* page = nullptr;
};

TEST_F(DriveAndDirectoryTest, DriveBoxFiresOnlyWhenTheDriveReallyChanges) {
    auto* box = new TDriveComboBox(page);
    std::vector<char> events;
    box->OnChange = [&](TObject*) { events.push_back(box->Drive()); };
    ASSERT_EQ(box->Drive(), 'C');
    EXPECT_EQ(box->Text(), "c: [SYSTEM]");

    box->SetDrive('c');
    EXPECT_TRUE(events.empty());
    box->SetDrive('D');
    EXPECT_EQ(events, std::vector<char>{'D'});
    EXPECT_TRUE(box->Text().starts_with("d:"));
    EXPECT_EQ(box->ItemTexts().size(), 2u);
}

// The directory pages return the box to the list's drive from inside OnChange.
TEST_F(DriveAndDirectoryTest, DriveSetInsideOnChangeFiresAgainBeforeTheOuterCallReturns) {
    auto* box = new TDriveComboBox(page);
    std::vector<char> events;
    box->OnChange = [&](TObject*) {
        events.push_back(box->Drive());
        if (box->Drive() == 'D') box->SetDrive('C');
        events.push_back('-');
    };
    box->SetDrive('D');
    EXPECT_EQ(events, (std::vector<char>{'D', 'C', '-', '-'}));
    EXPECT_EQ(box->Drive(), 'C');
}

TEST_F(DriveAndDirectoryTest, DirectoryListMovesTheProcessCurrentDirectory) {
    auto* list = new TDirectoryListBox(page);
    int events = 0;
    list->OnChange = [&](TObject*) { ++events; };

    list->SetDirectory("C:\\data");
    EXPECT_EQ(list->Directory(), win::currentDirectory());
    EXPECT_EQ(events, 1);
    EXPECT_EQ(list->Entries(), (std::vector<std::string>{"C:\\", list->Directory(), list->Directory() + "\\SUB"}));

    list->Update();
    EXPECT_EQ(events, 2);

    list->SetDrive('d');  // another drive: its own current directory
    EXPECT_EQ(list->Directory(), "D:\\WORK");
    EXPECT_EQ(win::currentDirectory(), "D:\\WORK");
    EXPECT_EQ(events, 3);
    list->SetDrive('D');
    EXPECT_EQ(events, 3);

    list->SetDirectory("\\");  // the current drive's root
    EXPECT_EQ(list->Directory(), "D:\\");
    EXPECT_EQ(events, 4);
}

TEST_F(DriveAndDirectoryTest, DirectoryThatCannotBeEnteredRaisesAndChangesNothing) {
    auto* list = new TDirectoryListBox(page);
    int events = 0;
    list->OnChange = [&](TObject*) { ++events; };
    const std::string before = list->Directory();
    EXPECT_THROW(list->SetDirectory("C:\\MISSING"), EInOutError);
    EXPECT_EQ(list->Directory(), before);
    EXPECT_EQ(win::currentDirectory(), before);
    EXPECT_EQ(events, 0);
}

// Two lists share the process's current directory: setting a list to the
// directory it shows still moves the process back there.
TEST_F(DriveAndDirectoryTest, ListsShareTheProcessDirectory) {
    auto* program = new TDirectoryListBox(page);
    auto* data = new TDirectoryListBox(page);
    program->SetDirectory("C:\\DATA");
    data->SetDirectory("D:\\WORK");
    int events = 0;
    program->OnChange = [&](TObject*) { ++events; };

    program->SetDirectory(program->Directory());

    EXPECT_EQ(win::currentDirectory(), "C:\\DATA");
    EXPECT_EQ(events, 1);
}

TEST_F(DriveAndDirectoryTest, OpeningEntriesBySubDirectoryParentAndFullPath) {
    auto* list = new TDirectoryListBox(page);
    list->SetDirectory("C:\\DATA");
    list->OpenEntry("SUB");
    EXPECT_EQ(list->Directory(), "C:\\DATA\\SUB");
    list->OpenEntry("..");
    EXPECT_EQ(list->Directory(), "C:\\DATA");
    list->OpenEntry("D:\\WORK");
    EXPECT_EQ(list->Directory(), "D:\\WORK");
}

// Up and Down only select; Return opens the selection, and the list then
// selects the directory it opened.
TEST_F(DriveAndDirectoryTest, DirectoryListIsWalkedByKeys) {
    auto* list = new TDirectoryListBox(page);
    list->SetDirectory("C:\\DATA");
    std::vector<std::string> opened;
    list->OnChange = [&](TObject*) { opened.push_back(list->Directory()); };
    const auto press = [&](uint16_t key) { EXPECT_TRUE(list->DefaultKey(key, {})); };

    EXPECT_EQ(list->ItemIndex(), 1);  // C:\, then C:\DATA
    press(VK_DOWN);
    press(VK_DOWN);  // stays on the last entry, C:\DATA\SUB
    EXPECT_EQ(list->ItemIndex(), 2);
    EXPECT_TRUE(opened.empty());
    press(VK_RETURN);
    EXPECT_EQ(list->ItemIndex(), 2);  // C:\, C:\DATA, C:\DATA\SUB
    for (int i = 0; i < 4; ++i) press(VK_UP);
    EXPECT_EQ(list->ItemIndex(), 0);
    press(VK_RETURN);
    EXPECT_EQ(opened, (std::vector<std::string>{"C:\\DATA\\SUB", "C:\\"}));
    EXPECT_EQ(list->ItemIndex(), 0);
    EXPECT_FALSE(list->DefaultKey(VK_TAB, {}));
}

TEST_F(DriveAndDirectoryTest, DriveBoxChoosesTheNeighbouringDriveByArrows) {
    auto* box = new TDriveComboBox(page);
    box->SetDrive('C');
    std::vector<char> events;
    box->OnChange = [&](TObject*) { events.push_back(box->Drive()); };
    for (uint16_t key : {VK_UP, VK_DOWN, VK_DOWN, VK_UP}) EXPECT_TRUE(box->DefaultKey(key, {}));
    EXPECT_EQ(events, (std::vector<char>{'D', 'C'}));  // no drive before C: or after D:
    EXPECT_FALSE(box->DefaultKey(VK_DOWN, {ssAlt})) << "Alt+Down opens the list, in the display";
}

// A drive's remembered directory that went meanwhile: the list lands on
// its nearest ancestor that still exists, without an error.
TEST_F(DriveAndDirectoryTest, DriveWhoseDirectoryWentLandsOnItsNearestAncestor) {
    auto* list = new TDirectoryListBox(page);
    for (const auto& [gone, expected] : {std::pair{"drives/D/WORK/OLD/X", "D:\\WORK\\OLD"},
                                         std::pair{"drives/D/WORK", "D:\\"}}) {
        std::filesystem::create_directories(machineDir + "/drives/D/WORK/OLD/X");
        list->SetDirectory("D:\\WORK\\OLD\\X");
        list->SetDirectory("C:\\DATA");
        std::filesystem::remove_all(machineDir + "/" + gone);
        list->SetDrive('D');
        EXPECT_EQ(list->Directory(), expected);
        EXPECT_EQ(win::currentDirectory(), expected);
    }
}

// ------------------------------------------------------------ check list
class CheckListTest : public FormsTest {
protected:
    void SetUp() override {
        FormsTest::SetUp();
        useScript("");
        page = new TForm(Application);
        list = addControl<TCheckListBox>(*page, "clbTypSelect");
        for (const char* item : {"Standard", "Server", "Client"}) list->Items->Add(item);
        list->OnClick = [this](TObject*) { events.push_back("click " + std::to_string(list->ItemIndex())); };
        list->OnClickCheck = [this](TObject*) { events.push_back("check"); };
    }
    TForm* page = nullptr;
    TCheckListBox* list = nullptr;
    std::vector<std::string> events;
};

TEST_F(CheckListTest, ClickOnTheTextSelectsWithoutChangingTheMark) {
    list->ClickItem(1);
    EXPECT_EQ(events, std::vector<std::string>{"click 1"});
    EXPECT_FALSE(list->Checked(1));
}

TEST_F(CheckListTest, ClickOnTheBoxSelectsThenToggles) {
    list->ClickCheckBox(2);
    EXPECT_EQ(events, (std::vector<std::string>{"click 2", "check"}));
    EXPECT_TRUE(list->Checked(2));
    list->ClickCheckBox(2);
    EXPECT_FALSE(list->Checked(2));
}

TEST_F(CheckListTest, SpaceTogglesTheSelectedItem) {
    page->Show();
    list->SetFocus();
    list->SetItemIndex(0);
    page->DispatchKey(VK_SPACE, {});
    EXPECT_TRUE(list->Checked(0));
    EXPECT_EQ(events, std::vector<std::string>{"check"});
}

TEST_F(CheckListTest, CodeChangesFireNothing) {
    list->SetItemIndex(0);
    list->SetChecked(1, true);
    EXPECT_TRUE(events.empty());
    EXPECT_EQ(list->ItemIndex(), 0);
}

TEST_F(CheckListTest, ItemsTakeTheirMarksAlongAndClearDropsThem) {
    list->SetChecked(2, true);
    list->SetItemIndex(2);
    list->Items->Delete(0);
    EXPECT_TRUE(list->Checked(1));
    EXPECT_EQ(list->ItemIndex(), -1);

    list->Items->Clear();
    list->SetItemIndex(0);  // on an empty list: no error, nothing selected
    EXPECT_EQ(list->ItemIndex(), -1);
    list->Items->Add("Neu");
    EXPECT_FALSE(list->Checked(0));
    EXPECT_THROW(list->Checked(1), EStringListError);
}

// ----------------------------------------------------------- progress bar
struct ProgressCase {
    int max;
    int steps;      // StepIt calls with Step 1
    int position;   // then set, unless -99
    int expected;
    friend void PrintTo(const ProgressCase& c, std::ostream* os) {
        *os << "max " << c.max << " steps " << c.steps << " set " << c.position;
    }
};

class ProgressBarTest : public FormsTest, public testing::WithParamInterface<ProgressCase> {};

TEST_P(ProgressBarTest, PositionStaysWithinMinAndMax) {
    const ProgressCase& c = GetParam();
    useScript("");
    TProgressBar bar(nullptr);
    bar.Step = 1;
    bar.SetMax(c.max);
    for (int i = 0; i < c.steps; ++i) bar.StepIt();
    if (c.position != -99) bar.SetPosition(c.position);
    EXPECT_EQ(bar.Position(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, ProgressBarTest,
                         testing::Values(ProgressCase{0, 3, -99, 0},      // Max 0 is valid
                                         ProgressCase{5, 9, -99, 5},      // stepping stops at Max, no wrap
                                         ProgressCase{100, 0, 150, 100},  // joiner values above 100
                                         ProgressCase{100, 0, -5, 0}));

TEST_F(FormsTest, LoweringMaxClampsThePosition) {
    useScript("");
    TProgressBar bar(nullptr);
    bar.SetPosition(80);
    bar.SetMax(50);
    EXPECT_EQ(bar.Position(), 50);
}

// -------------------------------------------------------------- rich text
TEST_F(FormsTest, RichEditShowsPlainFilesAsTheyAre) {
    useScript("");
    TRichEdit rich(nullptr);
    rich.Lines->Add("Nur Text");
    EXPECT_EQ(rich.PlainText(), "Nur Text\r\n");
    rich.Lines->Clear();
    rich.Lines->Add("{\\rtf1 Fett}");
    EXPECT_EQ(rich.PlainText(), "Fett");
}

}  // namespace
}  // namespace formstest
