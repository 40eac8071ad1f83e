// The page frame on every page: which buttons a page has and what they end
// it with, the F4 key on the pages with key preview, Escape and Return, the
// caption and the version label, and the two status pages.
#include "pages_fixture.h"

#include <gtest/gtest.h>

namespace pagestest {
namespace {

using PageFrame = PagesTest;

struct FrameButton {
    const char* name;
    const char* caption;
    int left;
    int result;
};

struct FrameCase {
    TWizardPage* page;
    std::vector<FrameButton> buttons;
    bool keyPreview;
};

const FrameButton kBack{"cmdBack", "&Zurück", 378, prBack};
const FrameButton kNext{"cmdNext", "&Weiter", 477, prNext};
const FrameButton kCancel{"cmdCancel", "&Abbruch", 576, prCancel};

std::vector<FrameCase> framePages() {
    return {
        {frmLicence, {kNext, kCancel}, true},
        {frmTypSelect, {kNext, kCancel}, true},
        {frmUserDir, {{"cmdPrev", "&Zurück", 378, prBack}, kNext, kCancel}, false},
        {frmDirSelect, {kBack, kNext, kCancel}, true},
        {frmNetDirSelect, {kBack, kNext, kCancel}, true},
        {frmConfirm, {kBack, kNext, kCancel}, true},
        {frmSetVar, {{"cmdNext", "&Weiter", 576, prNext}}, false},
        {frmCalcSpace, {}, false},
        {frmPrepare, {}, false},
    };
}

// The buttons in the frame's button row, wherever the page keeps them.
std::vector<TButton*> buttonRow(const TForm& page) {
    std::vector<TButton*> row;
    for (int i = 0; i < page.ComponentCount(); ++i)
        if (auto* button = dynamic_cast<TButton*>(page.Components(i)); button && button->Top == 438)
            row.push_back(button);
    return row;
}

TEST_F(PageFrame, EveryPageHasTheFrameAndItsOwnButtons) {
    for (const FrameCase& c : framePages()) {
        SCOPED_TRACE(c.page->Name);
        const TWizardPage& page = *c.page;
        EXPECT_EQ(page.ClientWidth, 680);
        EXPECT_EQ(page.ClientHeight, 474);
        EXPECT_TRUE(page.BorderIcons.Empty());
        EXPECT_EQ(page.FormStyle, fsStayOnTop);
        EXPECT_EQ(page.Position, poScreenCenter);
        EXPECT_EQ(page.Caption, "Brimlund Setup");
        EXPECT_EQ(page.KeyPreview, c.keyPreview);
        EXPECT_FALSE(page.pnlSide->Enabled) << "the side panel takes no input";
        EXPECT_EQ(page.frmInfoVersion->Parent(), page.pnlSide);

        EXPECT_EQ(buttonRow(page).size(), c.buttons.size());
        for (const FrameButton& expected : c.buttons) {
            auto* button = dynamic_cast<TButton*>(page.FindComponent(expected.name));
            ASSERT_NE(button, nullptr) << expected.name;
            EXPECT_EQ(button->Caption, expected.caption);
            EXPECT_EQ(button->Left, expected.left) << expected.name;
            EXPECT_EQ(button->Top, 438);
            EXPECT_EQ(button->Width, 85);
            EXPECT_EQ(button->Height, 25);
            EXPECT_EQ(button->ModalResult, expected.result) << expected.name;
        }
        // Escape closes no page; Return only the confirmation page.
        for (int i = 0; i < page.ComponentCount(); ++i) {
            if (auto* button = dynamic_cast<TButton*>(page.Components(i))) {
                EXPECT_FALSE(button->Cancel) << button->Name;
                EXPECT_EQ(button->Default, button == frmConfirm->cmdNext) << button->Name;
            }
        }
    }
}

TEST_F(PageFrame, F4CancelsThePagesWithKeyPreviewWhateverTheModifiers) {
    setTypes({"Standard"}, {"Alles"}, "1");
    frmNetDirSelect->edDir->Text = "C:\\";
    TWizardPage* const previewPages[] = {frmLicence, frmTypSelect, frmDirSelect, frmNetDirSelect, frmConfirm};
    for (TWizardPage* page : previewPages)
        for (const char* key : {"F4", "F4+Shift", "F4+Ctrl", "F4+Alt", "Shift+Ctrl+F4"})
            EXPECT_EQ(show(*page, "page " + page->Name + "\nkey " + key + "\n"), prCancel) << page->Name << " " << key;
}

TEST_F(PageFrame, F4DoesNothingOnThePagesWithoutKeyPreview) {
    for (TWizardPage* page : {static_cast<TWizardPage*>(frmUserDir), static_cast<TWizardPage*>(frmSetVar)})
        EXPECT_EQ(show(*page, "page " + page->Name +
                                  "\nkey F4\nkey F4+Shift\nkey F4+Ctrl\nkey F4+Alt\nclick cmdNext\n"),
                  prNext)
            << page->Name;

    for (TWizardPage* page : {static_cast<TWizardPage*>(frmCalcSpace), static_cast<TWizardPage*>(frmPrepare)}) {
        page->Show();
        for (TShiftState shift : {TShiftState{}, TShiftState{ssShift}, TShiftState{ssCtrl}, TShiftState{ssAlt}})
            page->DispatchKey(VK_F4, shift);
        EXPECT_EQ(page->ModalResult, mrNone) << page->Name;
        page->Hide();
    }
}

// Return clicks a focused button, or the default button, which only the
// confirmation page has; Escape never ends a page.
TEST_F(PageFrame, ReturnAndEscapeEndNoPageButTheConfirmation) {
    EXPECT_EQ(show(*frmDirSelect, "page frmDirSelect\nfocus edDir\nkey Return\nkey Escape\nclick cmdBack\n"), prBack);
    EXPECT_EQ(show(*frmLicence, "page frmLicence\nkey Return\nkey Escape\nkey F4\n"), prCancel);
    EXPECT_EQ(show(*frmConfirm, "page frmConfirm\nkey Escape\nkey Return\n"), prNext);
}

TEST_F(PageFrame, ShownPagesCarryTheHeadTitleAndTheVersion) {
    setTypes({"Standard"}, {"Alles"}, "1");
    TWizardPage* const modalPages[] = {frmLicence, frmTypSelect, frmUserDir, frmDirSelect, frmNetDirSelect, frmConfirm};
    for (TWizardPage* page : modalPages) {
        show(*page, "page " + page->Name + "\nclick cmdCancel\n");
        EXPECT_EQ(page->Caption, "Demo Setup 2.0") << page->Name;
        EXPECT_EQ(page->frmInfoVersion->Caption, GetVersionText()) << page->Name;
        EXPECT_TRUE(transcriptHas("show " + page->Name + " \"Demo Setup 2.0\"")) << page->Name;
    }

    frmCalcSpace->Show();
    EXPECT_EQ(frmCalcSpace->Caption, "Demo Setup 2.0");
    EXPECT_EQ(frmCalcSpace->frmInfoVersion->Caption, GetVersionText());
    frmCalcSpace->Hide();
}

// The preparation page is up before the setup description, with its head
// title, has been read.
TEST_F(PageFrame, PreparationPageKeepsTheDesignCaption) {
    frmPrepare->Show();
    EXPECT_TRUE(transcriptHas("show frmPrepare \"Brimlund Setup\" modeless"));
    EXPECT_EQ(frmPrepare->frmInfoVersion->Caption, GetVersionText());
    EXPECT_EQ(frmPrepare->pbCopy->Min(), 0);
    EXPECT_EQ(frmPrepare->pbCopy->Max(), 100);
    EXPECT_EQ(frmPrepare->pbCopy->Parent(), frmPrepare->pnlCopy);
    frmPrepare->Hide();
}

struct TabCase {
    TForm* page;
    std::vector<std::string> order;  // the focusable controls, from the first
};

TEST_F(PageFrame, TabMovesThroughEachPageInItsDesignOrder) {
    setTypes({"Standard"}, {"Alles"}, "1");
    const TabCase cases[] = {
        {frmLicence, {"memLicence", "cmdCancel", "cmdJa"}},  // Next is disabled
        {frmTypSelect, {"clbTypSelect", "cmdNext", "cmdCancel", "rtfHelp"}},
        {frmUserDir, {"cmdOtherDir", "cmdPrev", "cmdNext", "cmdCancel"}},  // the edit field is disabled
        {frmDirSelect, {"cmdCancel", "cmdBack", "cmdNext", "dcbDrive", "dlbDir", "edDir"}},
        {frmConfirm, {"cmdBack", "cmdNext", "cmdCancel"}},
    };
    for (const TabCase& c : cases) {
        c.page->Show();  // only a visible form has controls that can take the focus
        std::vector<std::string> order;
        for (TWinControl* control = c.page->FindNextControl(nullptr, true); control && order.size() < 10;
             control = c.page->FindNextControl(control, true)) {
            if (!order.empty() && order.front() == control->Name) break;
            order.push_back(control->Name);
        }
        EXPECT_EQ(order, c.order) << c.page->Name;
        c.page->Hide();
    }
}

}  // namespace
}  // namespace pagestest
