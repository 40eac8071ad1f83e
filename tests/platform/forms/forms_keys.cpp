// Keyboard dispatch: key preview, the default and focused buttons, memos,
// mnemonics, tab order across containers and synthesised keys.
#include "forms_fixture.h"

#include <gtest/gtest.h>

namespace formstest {
namespace {

// A page whose preview handler ends it with -1000 on F4, whatever the
// modifiers, as the wizard pages with key preview do.
struct PreviewCase {
    bool keyPreview;
    const char* key;
    int expected;  // 1: the key left the page open, Next ended it
    friend void PrintTo(const PreviewCase& c, std::ostream* os) {
        *os << (c.keyPreview ? "preview " : "no preview ") << c.key;
    }
};

class KeyPreviewTest : public FormsTest, public testing::WithParamInterface<PreviewCase> {};

TEST_P(KeyPreviewTest, F4EndsOnlyPagesWithKeyPreview) {
    const PreviewCase& c = GetParam();
    useScript(std::string("page frmA\nkey ") + c.key + "\nclick cmdNext\n");
    auto* page = new Page(Application, "frmA");
    page->KeyPreview = c.keyPreview;
    std::vector<std::string> seen;
    page->OnKeyDown = [&](TObject*, uint16_t& key, TShiftState) {
        seen.push_back("form");
        if (key == VK_F4) page->ModalResult = -1000;
    };
    page->cmdBack->OnKeyDown = [&](TObject*, uint16_t&, TShiftState) { seen.push_back("control"); };

    EXPECT_EQ(page->ShowModal(), c.expected);
    // The preview leaves the key to the focused control.
    const std::vector<std::string> expectedSeen =
        c.keyPreview ? std::vector<std::string>{"form", "control"} : std::vector<std::string>{"control"};
    EXPECT_EQ(seen, expectedSeen);
}

INSTANTIATE_TEST_SUITE_P(Cases, KeyPreviewTest,
                         testing::Values(PreviewCase{true, "F4", -1000}, PreviewCase{true, "F4+Shift", -1000},
                                         PreviewCase{true, "Ctrl+F4", -1000}, PreviewCase{true, "F4+Alt", -1000},
                                         PreviewCase{false, "F4", 1}, PreviewCase{false, "Alt+F4", 1},
                                         PreviewCase{true, "Escape", 1}));

// A confirmation-like page: Back, Next (default), Cancel, an editable memo
// and an edit field.
struct ReturnCase {
    const char* steps;
    int expected;
    int memoLines;
    friend void PrintTo(const ReturnCase& c, std::ostream* os) {
        for (const char* p = c.steps; *p; ++p) *os << (*p == '\n' ? ',' : *p);
    }
};

class ReturnKeyTest : public FormsTest, public testing::WithParamInterface<ReturnCase> {};

TEST_P(ReturnKeyTest, ReturnPressesTheFocusedButtonElseTheDefault) {
    const ReturnCase& c = GetParam();
    useScript(std::string("page frmConfirm\n") + c.steps);
    auto* page = new Page(Application, "frmConfirm");
    page->cmdNext->Default = true;
    auto* memo = addControl<TMemo>(*page, "memNotes");
    memo->Lines->Add("eins");
    addControl<TEdit>(*page, "edDir");
    page->ActiveControl = page->cmdCancel;

    EXPECT_EQ(page->ShowModal(), c.expected);
    EXPECT_EQ(memo->Lines->Count(), c.memoLines);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReturnKeyTest,
    testing::Values(ReturnCase{"focus cmdBack\nkey Return\n", -1, 1},     // focused button
                    ReturnCase{"focus edDir\nkey Return\n", 1, 1},        // no button focused: the default
                    ReturnCase{"focus memNotes\nkey Return\nclick cmdBack\n", -1, 2},  // a new line
                    ReturnCase{"key Space\n", -1000, 1},                  // Space on the focused Cancel
                    ReturnCase{"key W+Alt\n", 1, 1},                      // mnemonic "&Weiter"
                    ReturnCase{"focus edDir\nkey Z+Alt\n", -1, 1}));      // mnemonic "&Zurück"

// The parameter page's layout: Next, the memo and the scroll box with two
// run-time edits; their key handler moves the focus with synthesised keys.
class TabOrderTest : public FormsTest {
protected:
    void SetUp() override {
        FormsTest::SetUp();
        page = new TForm(Application);
        page->Name = "frmSetVar";
        cmdNext = addButton(*page, "cmdNext", "&Weiter", 1);
        memEnv = addControl<TMemo>(*page, "memEnv");
        auto* panel = addControl<TPanel>(*page, "pnlOff");
        panel->Enabled = false;  // its button can never have the focus
        addButton(*panel, "cmdInside", "x", 0);
        sbIni = addControl<TScrollBox>(*page, "sbIni");
        for (int i = 0; i < 2; ++i) {
            auto* edit = new TEdit(page);
            edit->SetParent(sbIni);
            edit->OnKeyDown = [this](TObject*, uint16_t& key, TShiftState) { editKeyDown(key); };
            edits.push_back(edit);
        }
        page->KeyPreview = true;
        page->OnKeyDown = [this](TObject*, uint16_t& key, TShiftState shift) {
            seen.push_back((shift.Contains(ssShift) ? "Shift+" : "") + std::to_string(key));
            if (key == VK_F1) focusedAtF1 = page->ActiveControl;
        };
    }

    static void editKeyDown(uint16_t key) {
        if (key == VK_UP) {
            keybd_event(VK_SHIFT, 0, 0, 0);
            keybd_event(VK_TAB, 0, 0, 0);
            keybd_event(VK_TAB, 0, KEYEVENTF_KEYUP, 0);
            keybd_event(VK_SHIFT, 0, KEYEVENTF_KEYUP, 0);
        } else if (key == VK_DOWN || key == VK_RETURN) {
            keybd_event(VK_TAB, 0, 0, 0);
            keybd_event(VK_TAB, 0, KEYEVENTF_KEYUP, 0);
        }
    }

    // Runs the page with the steps, then reports the focused control (F1
    // is a key nobody handles: the preview notes the focus then).
    TWinControl* focusAfter(const std::string& steps) {
        useScript("page frmSetVar\n" + steps + "key F1\nclick cmdNext\n");
        EXPECT_EQ(page->ShowModal(), 1);
        return focusedAtF1;
    }

    TForm* page;
    TButton* cmdNext;
    TMemo* memEnv;
    TScrollBox* sbIni;
    std::vector<TEdit*> edits;
    std::vector<std::string> seen;
    TWinControl* focusedAtF1 = nullptr;
};

TEST_F(TabOrderTest, ShowFocusesTheFirstControlInTabOrder) { EXPECT_EQ(focusAfter(""), cmdNext); }

TEST_F(TabOrderTest, TabFromTheLastRunTimeEditWrapsToNext) {
    EXPECT_EQ(focusAfter("focus sbIni#1\nkey Tab\n"), cmdNext);
}

TEST_F(TabOrderTest, ShiftTabFromTheFirstRunTimeEditSkipsTheDisabledPanel) {
    EXPECT_EQ(focusAfter("focus sbIni#0\nkey Shift+Tab\n"), memEnv);
}

TEST_F(TabOrderTest, MemoWithoutTabStopIsSkipped) {
    memEnv->TabStop = false;
    EXPECT_EQ(focusAfter("key Tab\n"), edits[0]);
}

TEST_F(TabOrderTest, SynthesisedKeysArriveAfterTheKeyBeforeTheNextStep) {
    EXPECT_EQ(focusAfter("focus sbIni#0\nkey Down\nkey Up\nkey Return\n"), edits[1]);
    const std::string down = std::to_string(VK_DOWN), up = std::to_string(VK_UP), ret = std::to_string(VK_RETURN),
                      tab = std::to_string(VK_TAB);
    EXPECT_EQ(seen, (std::vector<std::string>{down, tab, up, "Shift+" + tab, ret, tab, std::to_string(VK_F1)}));
}

// A licence page: memo, Cancel, Next (disabled), "Ja", whose click enables
// Next and disables "Ja" itself.  The focus leaves the disabled button for
// the next control in tab order, wrapping to the memo: Tab, Tab then
// reaches Next, and Space on it ends the page.
TEST_F(FormsTest, FocusLeavesAButtonThatDisabledItself) {
    useScript("page frmLicence\nkey Tab\nkey Tab\nkey Space\nkey Tab\nkey Tab\nkey Space\n");
    auto* page = new TForm(Application);
    page->Name = "frmLicence";
    addControl<TMemo>(*page, "memLicence");
    addButton(*page, "cmdCancel", "&Abbruch", -1000);
    TButton* next = addButton(*page, "cmdNext", "&Weiter", 1);
    next->Enabled = false;
    TButton* ja = addButton(*page, "cmdJa", "Ja", 0);
    ja->OnClick = [&](TObject*) {
        next->Enabled = true;
        ja->Enabled = false;
    };
    // Were the focus left on "Ja", Tab, Tab would rest on Cancel.
    EXPECT_EQ(page->ShowModal(), 1);
    EXPECT_EQ(page->ActiveControl, next);
}

}  // namespace
}  // namespace formstest
