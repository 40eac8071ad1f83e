// Tests in real windows: the FLTK display on the X server of the test run
// (failing without one), a page built like the wizard's page frame, and
// toolkit events injected as a person's mouse and keyboard would send them.
#pragma once

#if SETUP_HAVE_FLTK

#include "Resources.h"
#include "fltk/FltkDisplay.h"
#include "fltk/Pictures.h"
#include "forms_fixture.h"

#include <FL/Fl.H>
#include <FL/Fl_Window.H>
#include <FL/x.H>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <set>

namespace formstest {

// A page as the wizard's page frame has it: 680 x 474, banner, a disabled
// side panel with the side picture and the version labels, and Back, Next
// and Cancel at their places.
class FramePage : public TForm {
public:
    FramePage(TComponent* owner, const std::string& name, bool keyPreview) : TForm(owner) {
        Name = name;
        Caption = "Brimlund Demo - " + name;
        ClientWidth = 680;
        ClientHeight = 474;
        BorderStyle = bsSingle;
        BorderIcons = {};
        Position = poScreenCenter;
        FormStyle = fsStayOnTop;
        Font = TFont{"MS Sans Serif", -11, {fsBold}, clWindowText};
        KeyPreview = keyPreview;
        if (keyPreview)
            OnKeyDown = [this](TObject*, uint16_t& key, TShiftState) {
                if (key == VK_F4) ModalResult = -1000;
            };
        Banner = place<TImage>(this, "Banner", 0, 0, 680, 54);
        Banner->Stretch = true;
        Banner->Picture = resources::BannerJpeg();
        SidePanel = place<TPanel>(this, "SidePanel", 0, 54, 170, 420);
        SidePanel->BevelOuter = bvNone;
        SidePanel->Enabled = false;
        auto* side = place<TImage>(SidePanel, "SidePicture", 0, 0, 152, 420);
        side->Stretch = true;
        side->Picture = resources::SideJpeg();
        for (const auto& [caption, top] : {std::pair{"Version", 154}, std::pair{"5.0.02.012", 172}}) {
            auto* label = place<TLabel>(SidePanel, caption, 21, top, 0, 0);
            label->Caption = caption;
            label->Transparent = true;
            label->SetFont(TFont{"Verdana", -13, {fsBold}, 8222033});
        }
        cmdBack = button("cmdBack", "&Zurück", 378, -1);
        cmdNext = button("cmdNext", "&Weiter", 477, 1);
        cmdCancel = button("cmdCancel", "&Abbruch", 576, -1000);
    }

    template <class T>
    T* place(TWinControl* parent, const std::string& name, int left, int top, int width, int height) {
        auto* control = new T(this);
        control->Name = name;
        control->Left = left;
        control->Top = top;
        control->Width = width;
        control->Height = height;
        control->SetParent(parent);
        return control;
    }

    TImage* Banner;
    TPanel* SidePanel;
    TButton* cmdBack;
    TButton* cmdNext;
    TButton* cmdCancel;

private:
    TButton* button(const std::string& name, const std::string& caption, int left, int result) {
        auto* b = place<TButton>(this, name, left, 438, 85, 25);
        b->Caption = caption;
        b->ModalResult = result;
        b->SetFont(TFont{"Verdana", -11, {fsBold}, clWindowText});
        return b;
    }
};

class FltkTest : public FormsTest {
protected:
    void SetUp() override {
        FormsTest::SetUp();
        const char* display = std::getenv("DISPLAY");
        ASSERT_TRUE(display && *display) << "no X display: run the tests under xvfb-run";
    }

    // Real windows for a person: the test's injected events are the person.
    forms::fltk::FltkDisplay& useRealWindows() { return install(nullptr); }

    // Real windows driven by a script, with its transcript.
    forms::fltk::FltkDisplay& useScriptInRealWindows(const std::string& script) {
        auto user = forms::headless::ScriptedUser::fromText(script, transcriptPath());
        m_scripted = user.get();
        return install(std::move(user));
    }

    std::vector<std::string> scriptedTranscript() const {
        std::vector<std::string> lines;
        for (const std::string& line : m_scripted->transcript().lines()) lines.push_back(line.substr(line.find(' ') + 1));
        return lines;
    }

    forms::fltk::FltkDisplay& display() { return *m_display; }
    Fl_Window& windowOf(const TForm& form) {
        Fl_Window* window = m_display->windowOf(form);
        if (!window) throw std::runtime_error("no window for " + form.Name);
        return *window;
    }
    Fl_Widget& widgetOf(const TControl& control) {
        Fl_Widget* widget = m_display->widgetOf(control);
        if (!widget) throw std::runtime_error("no widget for " + control.Name);
        return *widget;
    }

    // What the person does once the next modal window (a form or a box) is
    // on the screen, in order, one step at each turn
    // of the toolkit; a window the steps leave open ends the test.
    void whenShown(std::vector<std::function<void()>> steps) {
        m_steps = std::move(steps);
        Fl::remove_timeout(&FltkTest::leftOpen, this);
        Fl::add_timeout(0.0, &FltkTest::nextStep, this);
        Fl::add_timeout(10.0, &FltkTest::leftOpen, this);
    }

    // A key pressed in the window; the window first gets the keyboard, as
    // the X server gives it to the window a person types into.
    static void pressKey(Fl_Window& window, int key, int state = 0, const char* text = "") {
        if (!window.contains(Fl::focus())) Fl::handle(FL_FOCUS, &window);
        Fl::e_keysym = key;
        Fl::e_state = state;
        Fl::e_text = const_cast<char*>(text);
        Fl::e_length = static_cast<int>(std::strlen(text));
        Fl::handle(FL_KEYBOARD, &window);
        Fl::e_state = 0;
    }

    // A click at a point of the window (window coordinates).
    static void clickAt(Fl_Window& window, int x, int y, bool doubleClick = false) {
        Fl::e_x = x;
        Fl::e_y = y;
        Fl::e_x_root = window.x() + x;
        Fl::e_y_root = window.y() + y;
        Fl::e_keysym = FL_Button + FL_LEFT_MOUSE;
        Fl::e_clicks = doubleClick ? 1 : 0;
        Fl::e_is_click = 1;
        Fl::e_state = FL_BUTTON1;
        Fl::handle(FL_PUSH, &window);
        Fl::e_state = 0;
        Fl::handle(FL_RELEASE, &window);
    }

    static void clickOn(Fl_Widget& widget, int dx = 5, int dy = 5) {
        clickAt(*widget.window(), widget.x() + dx, widget.y() + dy);
    }

    // A click on the widget sent through the X server: it waits in the
    // display's queue, behind what is there, until the toolkit reads it.
    static void queueClickOn(Fl_Widget& widget) {
        Fl_Window& window = *widget.window();
        for (const int type : {ButtonPress, ButtonRelease}) {
            XEvent event{};
            XButtonEvent& button = event.xbutton;
            button.type = type;
            button.display = fl_display;
            button.window = fl_xid(&window);
            button.root = RootWindow(fl_display, fl_screen);
            button.x = widget.x() + 5;
            button.y = widget.y() + 5;
            button.x_root = window.x() + button.x;
            button.y_root = window.y() + button.y;
            button.state = type == ButtonRelease ? Button1Mask : 0;
            button.button = Button1;
            button.same_screen = True;
            XSendEvent(fl_display, button.window, False, type == ButtonPress ? ButtonPressMask : ButtonReleaseMask,
                       &event);
        }
    }

    // A picture that shows something: more than a handful of colours.
    static bool showsSomething(const forms::fltk::Picture& picture) {
        std::set<uint32_t> colours;
        for (std::size_t i = 0; i + 2 < picture.rgb.size() && colours.size() < 64; i += 3)
            colours.insert(picture.rgb[i] << 16 | picture.rgb[i + 1] << 8 | picture.rgb[i + 2]);
        return colours.size() >= 64;
    }

private:
    forms::fltk::FltkDisplay& install(std::unique_ptr<forms::DisplayBackEnd> user) {
        std::string problem;
        auto display = forms::fltk::FltkDisplay::open(std::move(user), problem);
        if (!display) throw std::runtime_error(problem);
        m_display = display.get();
        Application->SetDisplay(std::move(display));
        return *m_display;
    }

    static bool modalWindowReady() { return Fl::modal() && Fl::modal()->visible(); }

    static void nextStep(void* self) {
        auto* test = static_cast<FltkTest*>(self);
        if (test->m_steps.empty()) return;
        // One step at a time: the model has taken what the last one did.
        if (!modalWindowReady() || test->m_display->postedInput() > 0) {
            Fl::add_timeout(0.01, &FltkTest::nextStep, self);
            return;
        }
        const std::function<void()> step = test->m_steps.front();
        test->m_steps.erase(test->m_steps.begin());
        step();
        Fl::add_timeout(0.001, &FltkTest::nextStep, self);
    }

    [[noreturn]] static void leftOpen(void*) {
        std::fputs("the test's user actions left a window open\n", stderr);
        std::_Exit(3);
    }

    forms::fltk::FltkDisplay* m_display = nullptr;
    forms::headless::ScriptedUser* m_scripted = nullptr;
    std::vector<std::function<void()>> m_steps;
};

}  // namespace formstest

#endif  // SETUP_HAVE_FLTK
