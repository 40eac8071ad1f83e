// The FLTK back end in real windows: pages at their design, keys and clicks
// of a person going through the model's rules, message boxes, timers,
// ProcessMessages, the scroll box's run-time edits, pictures, and a run
// without a display.
#include "fltk_fixture.h"

#if SETUP_HAVE_FLTK

#include "fltk/BoxWindow.h"
#include "fltk/CreateDisplay.h"
#include "Win.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

namespace formstest {
namespace {

using forms::fltk::capture;

// ------------------------------------------------------------- the page
TEST_F(FltkTest, PageOpensAtItsDesignWithItsControls) {
    useScriptInRealWindows("page frmLicence\nclick cmdNext\n");
    auto* page = new FramePage(Application, "frmLicence", true);
    page->Caption = "Brimlund Demo-Setup \xFC";
    bool checked = false;
    page->cmdNext->OnClick = [&](TObject*) {
        Fl_Window& window = windowOf(*page);
        EXPECT_TRUE(window.shown());
        EXPECT_EQ(window.w(), 680);
        EXPECT_EQ(window.h(), 474);
        EXPECT_STREQ(window.label(), "Brimlund Demo-Setup \xC3\xBC");  // UTF-8 for the toolkit
        EXPECT_EQ(Fl::modal(), &window);
        // Every control has its widget where the design puts it; children
        // of the side panel are placed relative to it.
        for (int i = 0; i < page->ComponentCount(); ++i) {
            auto* control = dynamic_cast<TControl*>(page->Components(i));
            if (!control) continue;
            SCOPED_TRACE(control->Name);
            const Fl_Widget& widget = widgetOf(*control);
            const int originY = control->Parent() == page->SidePanel ? 54 : 0;
            EXPECT_EQ(widget.x(), control->Left);
            EXPECT_EQ(widget.y(), originY + control->Top);
            if (!dynamic_cast<TLabel*>(control)) {
                EXPECT_EQ(widget.w(), control->Width);
            }
        }
        EXPECT_TRUE(showsSomething(capture(window)));
        checked = true;
    };
    EXPECT_EQ(page->ShowModal(), 1);
    EXPECT_TRUE(checked);
    EXPECT_FALSE(windowOf(*page).shown());
}

// ----------------------------------------------------------------- keys
struct KeyCase {
    bool keyPreview;
    int key;
    int state;
    int expected;  // 1: the key left the page open and Next ended it
    friend void PrintTo(const KeyCase& c, std::ostream* os) {
        *os << (c.keyPreview ? "preview " : "no preview ") << c.key << " state " << c.state;
    }
};

class FltkKeyTest : public FltkTest, public testing::WithParamInterface<KeyCase> {};

TEST_P(FltkKeyTest, KeysGoThroughTheModelsDispatch) {
    const KeyCase& c = GetParam();
    useRealWindows();
    auto* page = new FramePage(Application, "frmPage", c.keyPreview);
    Fl_Window* window = nullptr;
    whenShown({[&] {
                          window = &windowOf(*page);
                          pressKey(*window, c.key, c.state);
                      },
                      [&] { clickOn(widgetOf(*page->cmdNext)); }});
    EXPECT_EQ(page->ShowModal(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, FltkKeyTest,
                         testing::Values(KeyCase{true, FL_F + 4, 0, -1000}, KeyCase{true, FL_F + 4, FL_SHIFT, -1000},
                                         KeyCase{true, FL_F + 4, FL_CTRL, -1000}, KeyCase{true, FL_F + 4, FL_ALT, -1000},
                                         KeyCase{false, FL_F + 4, 0, 1}, KeyCase{false, FL_F + 4, FL_ALT, 1},
                                         KeyCase{true, FL_Escape, 0, 1}));

// A page with an edit field first in tab order and Next as the default.
struct ReturnCase {
    const char* name;
    std::vector<int> keysBeforeReturn;
    int expected;
    friend void PrintTo(const ReturnCase& c, std::ostream* os) { *os << c.name; }
};

class FltkReturnTest : public FltkTest, public testing::WithParamInterface<ReturnCase> {};

TEST_P(FltkReturnTest, ReturnClicksTheFocusedButtonElseTheDefault) {
    useRealWindows();
    auto* page = new FramePage(Application, "frmConfirm", true);
    auto* edit = page->place<TEdit>(page, "edDir", 221, 390, 396, 21);
    edit->TabOrder = 0;
    page->cmdNext->Default = true;
    std::vector<std::function<void()>> steps;
    for (int key : GetParam().keysBeforeReturn) steps.push_back([&, key] { pressKey(windowOf(*page), key); });
    steps.push_back([&] { pressKey(windowOf(*page), FL_Enter); });
    whenShown(steps);
    EXPECT_EQ(page->ShowModal(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, FltkReturnTest,
                         testing::Values(ReturnCase{"in_the_edit", {}, 1},            // the default button
                                         ReturnCase{"tab_to_back", {FL_Tab}, -1},     // the focused button
                                         ReturnCase{"tab_to_next", {FL_Tab, FL_Tab}, 1}));

TEST_F(FltkTest, TypingGoesIntoTheFocusedEditAsWindows1252) {
    useRealWindows();
    auto* page = new FramePage(Application, "frmDirSelect", true);
    auto* edit = page->place<TEdit>(page, "edDir", 221, 390, 396, 21);
    edit->TabOrder = 0;
    edit->Text = "C:\\";
    whenShown({[&] { pressKey(windowOf(*page), FL_End); },
                      [&] { pressKey(windowOf(*page), 'x', 0, "\xC3\xA4"); },  // the key gives "ä"
                      [&] { pressKey(windowOf(*page), 'b', 0, "@"); },
                      [&] { clickOn(widgetOf(*page->cmdNext)); }});
    EXPECT_EQ(page->ShowModal(), 1);
    EXPECT_EQ(edit->Text, "C:\\\xE4@");
}

// A single click selects a directory and Return opens it; arrows move the
// selection; the edit field follows what is opened.
TEST_F(FltkTest, DirectoryListOpensTheClickedOrArrowedEntryOnReturn) {
    std::filesystem::create_directories(driveC() + "/DATA/SUB");
    useRealWindows();
    auto* page = new FramePage(Application, "frmDirSelect", true);
    auto* list = page->place<TDirectoryListBox>(page, "dlbDir", 221, 114, 396, 219);
    auto* edit = page->place<TEdit>(page, "edDir", 221, 390, 396, 21);
    list->OnChange = [&](TObject*) { edit->Text = list->Directory(); };
    list->SetDirectory("C:\\DATA");
    const auto row = [&](int index) { return 2 + 16 * index + 8; };
    std::vector<std::string> seen;
    const auto see = [&] { seen.push_back(edit->Text); };
    whenShown({[&] { clickOn(widgetOf(*list), 40, row(2)); },  // C:\DATA\SUB, selected only
               see,
               [&] { pressKey(windowOf(*page), FL_Enter); },
               see,
               [&] { pressKey(windowOf(*page), FL_Up); },
               [&] { pressKey(windowOf(*page), FL_Up); },
               [&] { pressKey(windowOf(*page), FL_Down); },
               [&] { pressKey(windowOf(*page), FL_Enter); },  // C:\DATA
               see,
               [&] { clickOn(widgetOf(*page->cmdNext)); }});
    EXPECT_EQ(page->ShowModal(), 1);
    EXPECT_EQ(seen, (std::vector<std::string>{"C:\\DATA", "C:\\DATA\\SUB", "C:\\DATA"}));
}

// --------------------------------------------------------------- clicks
TEST_F(FltkTest, ClicksReachOnlyWhatTheUserCanReach) {
    useRealWindows();
    auto* page = new FramePage(Application, "frmLicence", true);
    page->cmdNext->Enabled = false;
    auto* inPanel = page->place<TButton>(page->SidePanel, "cmdInPanel", 20, 300, 85, 25);
    inPanel->ModalResult = 7;
    auto* hidden = page->place<TButton>(page, "cmdHidden", 200, 300, 85, 25);
    hidden->ModalResult = 8;
    hidden->SetVisible(false);
    int clicks = 0;
    for (TButton* button : {page->cmdNext, inPanel, hidden}) button->OnClick = [&](TObject*) { ++clicks; };
    whenShown({[&] { clickOn(widgetOf(*page->cmdNext)); },                  // disabled
                      [&] { clickAt(windowOf(*page), 25, 54 + 305); },             // in the disabled panel
                      [&] { clickAt(windowOf(*page), 205, 305); },                 // hidden
                      [&] { clickOn(widgetOf(*page->cmdCancel)); }});
    EXPECT_EQ(page->ShowModal(), -1000);
    EXPECT_EQ(clicks, 0);
    EXPECT_EQ(page->ActiveControl, page->cmdCancel);  // a click gives the button the focus
}

// A click that comes while the one before it is not taken yet acts on what
// that one did: here on Next, enabled by the first.
TEST_F(FltkTest, QueuedClickActsOnWhatTheClickBeforeItDid) {
    useRealWindows();
    auto* page = new FramePage(Application, "frmLicence", true);
    page->cmdNext->Enabled = false;
    auto* yes = page->place<TButton>(page, "cmdYes", 200, 300, 85, 25);
    yes->OnClick = [&](TObject*) { page->cmdNext->Enabled = true; };
    whenShown({[&] {
        queueClickOn(widgetOf(*yes));
        queueClickOn(widgetOf(*page->cmdNext));
        XSync(fl_display, False);  // both are in the queue before the first is taken
    }});
    EXPECT_EQ(page->ShowModal(), 1);
}

// ----------------------------------------------------------- message box
struct BoxCase {
    int style;
    bool simpleDialog;
    std::vector<std::string> labels;
    std::vector<int> keys;  // pressed in the box, in order
    int expected;
    friend void PrintTo(const BoxCase& c, std::ostream* os) {
        *os << (c.simpleDialog ? "simple dialog" : "style " + std::to_string(c.style)) << ", " << c.keys.size()
            << " keys";
    }
};

class FltkBoxTest : public FltkTest, public testing::WithParamInterface<BoxCase> {};

TEST_P(FltkBoxTest, ButtonsOfTheStyleWithGermanLabels) {
    const BoxCase& c = GetParam();
    forms::fltk::FltkDisplay& shown = useRealWindows();
    std::vector<std::string> labels;
    std::vector<std::function<void()>> steps{[&] {
        Fl_Window* box = shown.boxWindow();
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(Fl::modal(), box);
        EXPECT_STREQ(box->label(), c.simpleDialog ? "Setup" : "Fehler & Co");
        EXPECT_TRUE(showsSomething(capture(*box)));
        forms::BoxRequest request{"", "", c.style, c.simpleDialog};
        for (int id : forms::BoxButtons(request)) labels.push_back(forms::fltk::boxButtonLabel(id));
    }};
    for (int key : c.keys) steps.push_back([&, key] { pressKey(*shown.boxWindow(), key); });
    whenShown(steps);
    const int result = c.simpleDialog ? (ShowMessage("Text mit @ und &\nzweite Zeile"), IDOK)
                                      : Application->MessageBox("Erste Zeile\nZweite Zeile", "Fehler & Co", c.style);
    EXPECT_EQ(result, c.expected);
    EXPECT_EQ(labels, c.labels);
}

INSTANTIATE_TEST_SUITE_P(
    Styles, FltkBoxTest,
    testing::Values(BoxCase{16, false, {"OK"}, {FL_Escape}, IDOK},
                    BoxCase{17, false, {"OK", "Abbrechen"}, {FL_Escape}, IDCANCEL},
                    BoxCase{33, false, {"OK", "Abbrechen"}, {FL_Enter}, IDOK},
                    BoxCase{36, false, {"Ja", "Nein"}, {FL_Escape, FL_Tab, FL_Enter}, IDNO},  // no way out by Escape
                    BoxCase{48, false, {"OK"}, {FL_Enter}, IDOK},
                    BoxCase{49, false, {"OK", "Abbrechen"}, {FL_Right, ' '}, IDCANCEL},
                    BoxCase{53, false, {"Wiederholen", "Abbrechen"}, {FL_Enter}, IDRETRY},
                    BoxCase{0, false, {"OK"}, {FL_Enter}, IDOK},
                    BoxCase{0, true, {"OK"}, {FL_Escape}, IDOK}));

TEST_F(FltkTest, AClickOnTheBoxsButtonAnswersIt) {
    forms::fltk::FltkDisplay& shown = useRealWindows();
    whenShown({[&] {
                  Fl_Window& box = *shown.boxWindow();
                  clickAt(box, box.w() / 2, box.h() - 12 - 11);  // the one button, centred at the bottom
              }});
    EXPECT_EQ(Application->MessageBox("Nur OK", "Hinweis", MB_OK | MB_ICONEXCLAMATION), IDOK);
}

// ------------------------------------------------------ timers, messages
TEST_F(FltkTest, TimersFireInTheModalLoopAndProcessMessagesNeverWaits) {
    useRealWindows();
    auto* page = new FramePage(Application, "frmExecInstall", false);
    auto* timer = new TTimer(page);
    timer->SetInterval(20);
    timer->SetEnabled(false);
    page->OnShow = [&](TObject*) { timer->SetEnabled(true); };
    const uint32_t start = win::tickCount();
    int ticks = 0;
    std::chrono::steady_clock::duration processing{};
    timer->OnTimer = [&](TObject*) {
        if (++ticks < 3) return;
        timer->SetEnabled(false);
        // A click that came meanwhile is delivered by ProcessMessages.
        clickOn(widgetOf(*page->cmdCancel));
        const auto before = std::chrono::steady_clock::now();
        Application->ProcessMessages();
        processing = std::chrono::steady_clock::now() - before;
        EXPECT_EQ(page->ModalResult, -1000);
    };
    whenShown({});
    EXPECT_EQ(page->ShowModal(), -1000);
    EXPECT_EQ(ticks, 3);
    EXPECT_GE(win::tickCount() - start, 60u);  // the machine's clock moved with the waits
    EXPECT_LT(processing, std::chrono::seconds(1));
}

// -------------------------------------------------- run-time edit fields
TEST_F(FltkTest, SynthesisedTabsMoveTheFocusThroughTheScrollBox) {
    useRealWindows();
    auto* page = new FramePage(Application, "frmSetVar", false);
    auto* box = page->place<TScrollBox>(page, "sbIni", 212, 292, 425, 120);
    box->Color = clWhite;
    box->HorzScrollBarVisible = false;
    std::vector<TEdit*> edits;
    for (int i = 0; i < 10; ++i) {
        auto* edit = new TEdit(page);
        edit->SetParent(box);
        edit->BorderStyle = bsNone;
        edit->AutoSelect = false;
        edit->Width = box->Width;
        edit->Top = (edit->Height - 6) * i;
        edit->OnKeyDown = [](TObject*, uint16_t& key, TShiftState) {
            if (key == VK_DOWN) {
                keybd_event(VK_TAB, 0, 0, 0);
                keybd_event(VK_TAB, 0, KEYEVENTF_KEYUP, 0);
            }
        };
        edit->Text = "KEY" + std::to_string(i) + "=value";
        edits.push_back(edit);
    }
    std::vector<std::function<void()>> steps{[&] { clickOn(widgetOf(*edits[0])); }};
    for (int i = 0; i < 7; ++i) steps.push_back([&] { pressKey(windowOf(*page), FL_Down); });
    steps.push_back([&] {
        const Fl_Widget& focused = widgetOf(*edits[7]);
        EXPECT_EQ(page->ActiveControl, edits[7]);
        pressKey(windowOf(*page), FL_End);  // the keyboard goes to the edit the model focused
        EXPECT_EQ(Fl::focus(), &focused);
        const Fl_Widget& scroll = widgetOf(*box);
        EXPECT_GE(focused.y(), scroll.y());                       // scrolled into sight
        EXPECT_LE(focused.y() + focused.h(), scroll.y() + scroll.h());
    });
    steps.push_back([&] { clickOn(widgetOf(*page->cmdNext)); });
    whenShown(steps);
    EXPECT_EQ(page->ShowModal(), 1);
    EXPECT_EQ(edits[7]->Top, 19 * 7);  // the model keeps its own tops
}

// ------------------------------------------------------------- pictures
// A PNG file of width x height: its signature and header.
void expectPng(const std::string& path, uint32_t width, uint32_t height) {
    std::string bytes;
    ASSERT_TRUE(win::readWholeFile(path, bytes)) << path;
    ASSERT_GT(bytes.size(), 24u);
    EXPECT_EQ(bytes.substr(0, 8), "\x89PNG\r\n\x1A\n");
    const auto number = [&](std::size_t at) {
        return uint32_t(uint8_t(bytes[at])) << 24 | uint32_t(uint8_t(bytes[at + 1])) << 16 |
               uint32_t(uint8_t(bytes[at + 2])) << 8 | uint8_t(bytes[at + 3]);
    };
    EXPECT_EQ(number(16), width);
    EXPECT_EQ(number(20), height);
}

TEST_F(FltkTest, EveryPageAndBoxShownLeavesAPicture) {
    const std::string folder = machineDir + "/pictures";
    setenv("SETUP_SCREENSHOTS", folder.c_str(), 1);
    forms::fltk::FltkDisplay& shown =
        useScriptInRealWindows("page frmConfirm\nclick cmdNext\nbox Yes Weiter\npage frmConfirm\nkey F4\n");
    auto* page = new FramePage(Application, "frmConfirm", true);
    page->cmdNext->OnClick = [&](TObject*) { Application->MessageBox("Weiter ?", "Frage", MB_YESNO | MB_ICONQUESTION); };
    EXPECT_EQ(page->ShowModal(), 1);
    EXPECT_EQ(page->ShowModal(), -1000);
    ASSERT_EQ(shown.pictures().size(), 3u);
    EXPECT_NE(shown.pictures()[0].find("-frmConfirm.png"), std::string::npos);
    EXPECT_NE(shown.pictures()[1].find("-box.png"), std::string::npos);
    expectPng(shown.pictures()[0], 680, 474);
    expectPng(shown.pictures()[2], 680, 474);
}

// ----------------------------------------------------------- no display
struct NoDisplayCase {
    const char* display;  // nullptr: not set
    const char* message;
    friend void PrintTo(const NoDisplayCase& c, std::ostream* os) { *os << (c.display ? c.display : "unset"); }
};

class FltkNoDisplayTest : public FormsTest, public testing::WithParamInterface<NoDisplayCase> {};

TEST_P(FltkNoDisplayTest, EndsAtOnceNamingTheDisplay) {
    const NoDisplayCase& c = GetParam();
    EXPECT_EXIT(
        {
            if (c.display)
                setenv("DISPLAY", c.display, 1);
            else
                unsetenv("DISPLAY");
            unsetenv("SETUP_SCRIPT");
            Application->SetDisplay(nullptr);  // no scripted user: the real windows
            Application->Display();
        },
        testing::ExitedWithCode(2), c.message);
}

INSTANTIATE_TEST_SUITE_P(Cases, FltkNoDisplayTest,
                         testing::Values(NoDisplayCase{nullptr, "DISPLAY is not set"},
                                         NoDisplayCase{":4711", "cannot open the display \":4711\""}));

}  // namespace
}  // namespace formstest

#endif  // SETUP_HAVE_FLTK
