// The scripted user: its actions on pages as a person would do them, and
// the runs it stops at once with exit code 2.
#include "forms_fixture.h"

#include "Win.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace formstest {
namespace {

using ScriptedUserTest = FormsTest;

TEST_F(ScriptedUserTest, DisabledButtonsIgnoreClicksAsForAPerson) {
    useScript("page frmLicence\nclick cmdNext\nclick cmdJa\nclick cmdJa\nclick cmdNext\n");
    auto* page = new Page(Application, "frmLicence");
    page->cmdNext->Enabled = false;
    TButton* ja = addButton(*page, "cmdJa", "Ja", 0);
    ja->OnClick = [&](TObject*) {
        page->cmdNext->Enabled = true;
        ja->Enabled = false;
    };

    EXPECT_EQ(page->ShowModal(), 1);
    EXPECT_EQ(transcript(),
              (std::vector<std::string>{"show frmLicence \"Demo - frmLicence\"", "ignored click cmdNext (disabled)",
                                        "user click cmdJa", "ignored click cmdJa (disabled)", "user click cmdNext",
                                        "hide frmLicence result=1"}));
}

TEST_F(ScriptedUserTest, TypingReplacesTextUnlessTheFieldRefusesIt) {
    useScript("page frmA\n"
              "text edUserDir C:\\Anders\n"
              "text memConfirm x\n"
              "text edDir C:\\neu\\Prog\n"
              "text memEnv PATH=C:\\bin\\nTEMP=C:\\tmp\n"
              "text sbIni#1 Port=4711\n"
              "click cmdNext\n");
    auto* page = new Page(Application, "frmA");
    auto* userDir = addControl<TEdit>(*page, "edUserDir");
    userDir->Text = "C:\\Brimlund\\";
    userDir->Enabled = false;
    auto* confirm = addControl<TMemo>(*page, "memConfirm");
    confirm->ReadOnly = true;
    auto* dir = addControl<TEdit>(*page, "edDir");
    auto* env = addControl<TMemo>(*page, "memEnv");
    env->Lines->Add("alt");
    auto* sbIni = addControl<TScrollBox>(*page, "sbIni");
    std::vector<TEdit*> edits;
    for (int i = 0; i < 2; ++i) {
        edits.push_back(new TEdit(page));  // run-time edits: no names
        edits.back()->SetParent(sbIni);
    }

    EXPECT_EQ(page->ShowModal(), 1);

    EXPECT_EQ(userDir->Text, "C:\\Brimlund\\");
    EXPECT_EQ(confirm->Lines->Count(), 0);
    EXPECT_EQ(dir->Text, "C:\\neu\\Prog");
    EXPECT_EQ(env->Lines->Text(), "PATH=C:\\bin\r\nTEMP=C:\\tmp\r\n");
    EXPECT_EQ(edits[0]->Text, "");
    EXPECT_EQ(edits[1]->Text, "Port=4711");
    EXPECT_TRUE(transcriptHas("ignored text edUserDir C:\\Anders (disabled)"));
    EXPECT_TRUE(transcriptHas("ignored text memConfirm x (read-only)"));
}

TEST_F(ScriptedUserTest, CheckListActions) {
    useScript("page frmTypSelect\nselect clbTypSelect 1\ncheck clbTypSelect 2\nkey Space\nclick cmdNext\n");
    auto* page = new Page(Application, "frmTypSelect");
    auto* list = addControl<TCheckListBox>(*page, "clbTypSelect");
    for (const char* item : {"Standard", "Server", "Client"}) list->Items->Add(item);
    std::vector<std::string> events;
    list->OnClick = [&](TObject*) { events.push_back("click " + std::to_string(list->ItemIndex())); };
    list->OnClickCheck = [&](TObject*) { events.push_back("check " + std::to_string(list->ItemIndex())); };

    EXPECT_EQ(page->ShowModal(), 1);

    EXPECT_EQ(events, (std::vector<std::string>{"click 1", "click 2", "check 2", "check 2"}));
    EXPECT_FALSE(list->Checked(1));
    EXPECT_FALSE(list->Checked(2));  // checked by the box, unchecked by Space
}

class DirectoryPageTest : public FormsTest {
protected:
    std::string machineIni() const override {
        return "[Drive C]\nFolder=drives/C\n[Drive A]\nType=removable\nFolder=drives/A\n";
    }
};

// The directory pages' handlers keep box and list in step; an empty floppy
// beeps and returns the box to the list's drive.
TEST_F(DirectoryPageTest, DriveAndDirectoryActions) {
    std::filesystem::create_directories(driveC() + "/Prog/Sub");
    useScript("page frmDirSelect\ndir dlbDir C:\\Prog\ndir dlbDir Sub\ndrive dcbDrive A\nclick cmdNext\n");
    auto* page = new Page(Application, "frmDirSelect");
    auto* box = addControl<TDriveComboBox>(*page, "dcbDrive");
    auto* list = addControl<TDirectoryListBox>(*page, "dlbDir");
    auto* edit = addControl<TEdit>(*page, "edDir");
    list->OnChange = [&](TObject*) { edit->Text = list->Directory(); };
    box->OnChange = [&](TObject*) {
        if (box->Drive() == 'A') {  // no medium in A:
            MessageBeep(0);
            box->SetDrive(list->Drive());
        }
    };

    EXPECT_EQ(page->ShowModal(), 1);

    EXPECT_EQ(edit->Text, "C:\\Prog\\Sub");
    EXPECT_EQ(win::currentDirectory(), "C:\\Prog\\Sub");
    EXPECT_EQ(box->Drive(), 'C');
    EXPECT_TRUE(transcriptHas("beep"));
}

// A machine step changes the machine while a box waits, so that Retry meets
// the changed machine.
TEST_F(ScriptedUserTest, MachineStepBeforeRetry) {
    setMachineIni("[InUse]\nC:\\LOCKED.DLL=1\n");
    testsupport::writeHostFile(driveC() + "/LOCKED.DLL", "dll");
    useScript("box Retry Module\nmachine [InUse]C:\\LOCKED.DLL\nbox Retry\n");
    int boxes = 0;
    while (!win::canOpenExclusive("C:\\LOCKED.DLL")) {
        ASSERT_EQ(Application->MessageBox("Module können nicht ersetzt werden", "Brimlund Setup",
                                          MB_RETRYCANCEL | MB_ICONEXCLAMATION),
                  IDRETRY);
        ASSERT_LT(++boxes, 3);
    }
    EXPECT_EQ(boxes, 2);
    EXPECT_EQ(transcript()[1], "user machine [InUse]C:\\LOCKED.DLL");
}

TEST_F(ScriptedUserTest, ModelessFormsOnlyGoToTheTranscript) {
    useScript("");
    auto* status = new TForm(Application);
    status->Name = "frmCalcSpace";
    status->Caption = "Demo";
    status->Show();
    status->Repaint();
    status->Hide();
    EXPECT_EQ(transcript(), (std::vector<std::string>{"show frmCalcSpace \"Demo\" modeless", "hide frmCalcSpace"}));
}

TEST_F(ScriptedUserTest, BoxTextMayNameLineBreaks) {
    useScript("box OK eins\\nZeile zwei\n");
    EXPECT_EQ(Application->MessageBox("Zeile eins\nZeile zwei", "Titel", MB_OK), IDOK);
}

// ------------------------------------------------------------ error exits
// Runs the program part of a row: a page frmA with a few controls shown
// modally, a box, or the main loop.
void showPage() {
    auto* page = new Page(Application, "frmA");
    auto* sbIni = addControl<TScrollBox>(*page, "sbIni");
    (new TEdit(page))->SetParent(sbIni);
    addControl<TCheckListBox>(*page, "clbTypes")->Items->Add("Standard");
    page->ShowModal();
}
void showBox() { Application->MessageBox("Zeile eins\nZeile zwei", "Titel", MB_OK | MB_ICONHAND); }
void runMainLoop() { Application->Run(); }

struct ErrorCase {
    const char* name;
    const char* script;
    void (*program)();
    const char* message;  // a POSIX extended regular expression
    friend void PrintTo(const ErrorCase& c, std::ostream* os) { *os << c.name; }
};

class ScriptErrorTest : public FormsTest, public testing::WithParamInterface<ErrorCase> {};

TEST_P(ScriptErrorTest, EndsTheRunWithExitCode2AndTheTranscript) {
    const ErrorCase& c = GetParam();
    EXPECT_EXIT(
        {
            useScript(c.script);
            c.program();
        },
        testing::ExitedWithCode(2), c.message);
    const std::string written = testsupport::readHostFile(transcriptPath());
    EXPECT_NE(written.find(" error script"), std::string::npos) << written;
    EXPECT_TRUE(written.ends_with(" exit 2\n")) << written;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ScriptErrorTest,
    testing::Values(
        ErrorCase{"unexpected page", "page frmB\n", showPage, "script line 1: frmA was shown, but the script says \"page frmB\""},
        ErrorCase{"box instead of page", "page frmA\n", showBox, "script line 1: the box \"Titel\" waits for an answer, but the script says"},
        ErrorCase{"box step on a page", "page frmA\nbox OK\n", showPage, "script line 2: frmA waits for the user, but the script says \"box OK\""},
        ErrorCase{"missing control", "page frmA\nclick cmdNope\n", showPage, "script line 2: there is no control cmdNope on frmA"},
        ErrorCase{"missing run-time control", "page frmA\ntext sbIni#1 x\n", showPage, "script line 2: there is no control sbIni#1 on frmA"},
        ErrorCase{"missing item", "page frmA\ncheck clbTypes 1\n", showPage, "script line 2: clbTypes has no item 1"},
        ErrorCase{"not a check list", "page frmA\ncheck cmdNext 0\n", showPage, "script line 2: cmdNext is not a check list"},
        ErrorCase{"script ends on a page", "# nothing more\npage frmA\n", showPage, "script line 3: the script has ended, but frmA waits"},
        ErrorCase{"script ends on a box", "", showBox, "script line 1: the script has ended, but the box \"Titel\" waits for an answer"},
        ErrorCase{"answer the box lacks", "box Yes\n", showBox, "script line 1: the box \"Titel\" has no button Yes"},
        ErrorCase{"box text differs", "box OK Anders\n", showBox, "script line 1: the box \"Titel\" does not say \"Anders\""},
        ErrorCase{"idle main loop", "", runMainLoop, "script line 1: the program is idle in its main loop"},
        ErrorCase{"unknown action", "page frmA\nfly away\n", showPage, "script line 2: unknown action \"fly\""}));

}  // namespace
}  // namespace formstest
