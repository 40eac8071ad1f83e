// Timers fire only through message processing, in every loop, on the
// virtual clock, and are never guarded against re-entry by the library.
#include "forms_fixture.h"

#include "Win.h"

#include <gtest/gtest.h>

namespace formstest {
namespace {

using TimerTest = FormsTest;

TEST_F(TimerTest, SleepFiresNothingAndProcessMessagesFiresOnlyDueTimers) {
    useScript("");
    auto* timer = new TTimer(Application);
    timer->SetInterval(100);
    int fired = 0;
    timer->OnTimer = [&](TObject*) { ++fired; };

    Application->ProcessMessages();  // not due yet: it never waits
    EXPECT_EQ(fired, 0);
    win::sleep(250);
    EXPECT_EQ(fired, 0);
    Application->ProcessMessages();  // due, and once only however late
    EXPECT_EQ(fired, 1);
}

TEST_F(TimerTest, MainLoopAdvancesTheClockToTheDueTime) {
    useScript("");
    const uint32_t start = win::tickCount();
    auto* timer = new TTimer(Application);
    timer->SetInterval(500);
    uint32_t firedAt = 0;
    timer->OnTimer = [&](TObject*) {
        firedAt = win::tickCount();
        Application->Terminate();
    };

    Application->Run();

    EXPECT_EQ(firedAt - start, 500u);
}

// A timer whose handler opens a page fires again inside the page unless the
// handler disabled it first.
struct ReentryCase {
    bool disableFirst;
    const char* script;
    int expectedFires;
    int expectedResult;
    friend void PrintTo(const ReentryCase& c, std::ostream* os) {
        *os << (c.disableFirst ? "disabled first" : "left enabled");
    }
};

class TimerReentryTest : public FormsTest, public testing::WithParamInterface<ReentryCase> {};

TEST_P(TimerReentryTest, HandlerOpeningAPage) {
    const ReentryCase& c = GetParam();
    useScript(c.script);
    auto* page = new Page(Application, "frmA");
    auto* timer = new TTimer(Application);
    timer->SetInterval(1);
    int fires = 0, result = 0;
    timer->OnTimer = [&](TObject*) {
        if (++fires > 1) {  // re-entered from the page's loop
            timer->SetEnabled(false);
            page->ModalResult = 7;
            return;
        }
        if (c.disableFirst) timer->SetEnabled(false);
        result = page->ShowModal();
        Application->Terminate();
    };

    Application->Run();

    EXPECT_EQ(fires, c.expectedFires);
    EXPECT_EQ(result, c.expectedResult);
}

INSTANTIATE_TEST_SUITE_P(Cases, TimerReentryTest,
                         testing::Values(ReentryCase{true, "page frmA\nclick cmdNext\n", 1, 1},
                                         ReentryCase{false, "page frmA\n", 2, 7}));

// The executor's pattern: disabled in the design, enabled in OnShow, fired
// first by the page's own loop.
TEST_F(TimerTest, TimerEnabledInOnShowFiresInThatPagesLoop) {
    useScript("page frmExecInstall\n");
    auto* page = new TForm(Application);
    page->Name = "frmExecInstall";
    auto* timer = new TTimer(page);
    timer->SetEnabled(false);
    timer->SetInterval(1);
    page->OnShow = [&](TObject*) { timer->SetEnabled(true); };
    int fires = 0;
    timer->OnTimer = [&](TObject*) {
        ++fires;
        timer->SetEnabled(false);
        page->ModalResult = 1;
    };

    EXPECT_EQ(page->ShowModal(), 1);
    EXPECT_EQ(fires, 1);
}

TEST_F(TimerTest, TimersFireWhileAMessageBoxIsOpen) {
    useScript("box Yes\n");
    auto* timer = new TTimer(Application);
    timer->SetInterval(1000);
    int fires = 0;
    timer->OnTimer = [&](TObject*) {
        ++fires;
        timer->SetEnabled(false);
    };

    EXPECT_EQ(Application->MessageBox("Weiter ?", "Frage", MB_YESNO | MB_ICONQUESTION), IDYES);
    EXPECT_EQ(fires, 1);
}

TEST_F(TimerTest, EnablingRestartsTheInterval) {
    useScript("");
    auto* timer = new TTimer(Application);
    timer->SetInterval(100);
    int fires = 0;
    timer->OnTimer = [&](TObject*) { ++fires; };
    win::sleep(80);
    timer->SetEnabled(false);
    timer->SetEnabled(true);
    win::sleep(80);
    Application->ProcessMessages();
    EXPECT_EQ(fires, 0);
    win::sleep(20);
    Application->ProcessMessages();
    EXPECT_EQ(fires, 1);
}

}  // namespace
}  // namespace formstest
