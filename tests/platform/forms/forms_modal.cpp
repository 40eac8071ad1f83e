// The modal protocol: OnShow, the reset of ModalResult, the loop that
// watches only its own form, OnClose before the hide, and the click order.
#include "forms_fixture.h"

#include <gtest/gtest.h>

namespace formstest {
namespace {

using ModalTest = FormsTest;

TEST_F(ModalTest, ButtonResultEndsTheShowAfterOnShowAndOnClose) {
    useScript("page frmA\nclick cmdNext\n");
    auto* page = new Page(Application, "frmA");
    std::vector<std::string> events;
    page->OnShow = [&](TObject*) {
        events.push_back("show");
        page->ModalResult = 5;  // dropped: the show resets it afterwards
    };
    page->OnClose = [&](TObject*, TCloseAction& action) {
        events.push_back(page->Visible() ? "close while visible" : "close after hide");
        EXPECT_EQ(action, caHide);
    };

    EXPECT_EQ(page->ShowModal(), 1);

    EXPECT_EQ(events, (std::vector<std::string>{"show", "close while visible"}));
    EXPECT_FALSE(page->Visible());
    EXPECT_EQ(transcript(), (std::vector<std::string>{"show frmA \"Demo - frmA\"", "user click cmdNext",
                                                      "hide frmA result=1"}));
}

// The button's design result -1 reaches the form before OnClick, which
// overwrites it with the result of a page shown from inside the show.
TEST_F(ModalTest, ClickHandlerOverwritesTheButtonResultWithANestedShow) {
    useScript("page frmUserDir\nclick cmdOtherDir\npage frmDirSelect\nclick cmdCancel\n");
    auto* outer = new Page(Application, "frmUserDir");
    auto* inner = new Page(Application, "frmDirSelect");
    TButton* other = addButton(*outer, "cmdOtherDir", "&Anderes Verzeichnis...", -1);
    int resultSeenByHandler = 0;
    other->OnClick = [&](TObject*) {
        resultSeenByHandler = outer->ModalResult;
        outer->Hide();
        outer->ModalResult = inner->ShowModal();
    };

    EXPECT_EQ(outer->ShowModal(), -1000);

    EXPECT_EQ(resultSeenByHandler, -1);
    EXPECT_EQ(transcript(), (std::vector<std::string>{
                                "show frmUserDir \"Demo - frmUserDir\"", "user click cmdOtherDir", "hide frmUserDir",
                                "show frmDirSelect \"Demo - frmDirSelect\"", "user click cmdCancel",
                                "hide frmDirSelect result=-1000", "hide frmUserDir result=-1000"}));
}

// A handler that sets the result and then runs a loop of its own (a box)
// finishes first: the box's loop does not end the page's show.
TEST_F(ModalTest, HandlerRunsToItsEndBeforeTheShowEnds) {
    useScript("page frmA\nclick cmdNext\nbox OK\n");
    auto* page = new Page(Application, "frmA");
    bool handlerFinished = false;
    page->cmdNext->OnClick = [&](TObject*) {
        Application->MessageBox("Weiter?", "Frage", MB_OK);
        EXPECT_TRUE(page->Visible());
        handlerFinished = true;
    };

    EXPECT_EQ(page->ShowModal(), 1);
    EXPECT_TRUE(handlerFinished);
}

// Hiding the form inside its own show does not end the show; a result does.
TEST_F(ModalTest, HideInsideTheShowKeepsItRunning) {
    useScript("page frmA\nclick cmdHide\n");
    auto* page = new Page(Application, "frmA");
    TButton* hide = addButton(*page, "cmdHide", "Hide", 0);
    auto* timer = new TTimer(page);
    timer->SetEnabled(false);
    timer->SetInterval(10);
    bool stillInShow = false;
    hide->OnClick = [&](TObject*) {
        page->Hide();
        timer->SetEnabled(true);
    };
    timer->OnTimer = [&](TObject*) {
        timer->SetEnabled(false);
        stillInShow = page->InModalShow();
        page->ModalResult = 3;
    };

    EXPECT_EQ(page->ShowModal(), 3);
    EXPECT_TRUE(stillInShow);
}

TEST_F(ModalTest, TerminateEndsTheShowWithCancelAndRunsOnClose) {
    useScript("page frmA\nclick cmdQuit\n");
    auto* page = new Page(Application, "frmA");
    addButton(*page, "cmdQuit", "Quit", 0)->OnClick = [](TObject*) { Application->Terminate(); };
    int closes = 0;
    page->OnClose = [&](TObject*, TCloseAction&) { ++closes; };

    EXPECT_EQ(page->ShowModal(), mrCancel);
    EXPECT_EQ(closes, 1);
}

TEST_F(ModalTest, VisibleFormCannotBeShownModally) {
    useScript("");
    auto* page = new Page(Application, "frmA");
    page->Show();
    EXPECT_THROW(page->ShowModal(), EInvalidOperation);
    EXPECT_TRUE(page->Visible());
}

TEST_F(ModalTest, ShowingAgainKeepsControlStateAndFiresOnShowEachTime) {
    useScript("page frmA\nclick cmdNext\npage frmA\nclick cmdBack\n");
    auto* page = new Page(Application, "frmA");
    int shows = 0;
    page->OnShow = [&](TObject*) { ++shows; };
    page->cmdNext->OnClick = [&](TObject*) { page->cmdBack->Caption = "changed"; };

    EXPECT_EQ(page->ShowModal(), 1);
    EXPECT_EQ(page->ShowModal(), -1);
    EXPECT_EQ(shows, 2);
    EXPECT_EQ(page->cmdBack->Caption, "changed");
}

TEST_F(ModalTest, ClosingTheMainFormEndsRun) {
    useScript("");
    TForm* main = nullptr;
    Application->CreateForm(main);
    main->Name = "frmInstall";
    TForm* second = nullptr;
    Application->CreateForm(second);
    ASSERT_EQ(Application->MainForm(), main);
    auto* timer = new TTimer(main);
    timer->SetInterval(1);
    timer->OnTimer = [&](TObject*) {
        timer->SetEnabled(false);
        main->Close();
        EXPECT_TRUE(main->Visible());  // Close only asks the application to end
    };

    Application->Run();

    EXPECT_TRUE(Application->Terminated());
    EXPECT_TRUE(transcriptHas("show frmInstall \"\" modeless"));
}

}  // namespace
}  // namespace formstest
