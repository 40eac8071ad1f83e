// The Windows display back end: native windows drawn from the forms model.
//
// Every form is a top-level window of its design size and caption; every
// windowed control the system's own control (button, edit, list box, combo
// box, progress bar, rich edit), and labels, pictures and panel captions are
// painted by their container, as the class library does.  What the user
// does in a window becomes a user action, posted here and run on the model
// when that window takes input, at the model's next wait for the user or in
// ProcessMessages: model code never runs inside a window procedure, and the
// model's loops stay the only loops.  Keys go to the model's dispatch
// (focus, Tab order, default button, mnemonics, key preview); only the
// editing keys of edit fields stay with the native control.  Waiting is the
// Windows message loop's, with a thread timer for the model's next timer.
// Boxes are the system's MessageBoxA; while a person's box is open, its own
// modal loop fires the model's timers when they are due.
//
// With a scripted user the script decides every wait as in the headless
// back end, and its steps reach the model through the native windows: the
// controls get the messages a person's input would bring them (a button
// BM_CLICK, an edit field its new text, a list a click or a selection with
// the notification the list sends), and what the windows make of them is
// what changes the model.  A box is shown natively once the script has
// answered it, and answered by a click on its own button.
// SETUP_SCREENSHOTS names a folder that receives a PNG picture of every
// page and box as it is shown ("NNNN-NAME.png").
#pragma once

#include "Api.h"
#include "PostedInput.h"
#include "headless/ScriptedUser.h"

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace forms::win32 {

class FormWindow;

class Win32Display : public DisplayBackEnd {
public:
    Win32Display(std::unique_ptr<headless::ScriptedUser> scriptedUser, std::string pictureFolder);
    ~Win32Display() override;

    void formShown(TForm& form, bool modal) override;
    void formHidden(TForm& form) override;
    void modalEnded(TForm& form, int result) override;
    void boxOpened(BoxRequest& box) override;
    void boxClosed(BoxRequest& box) override;
    void waitForInput(TForm* form, BoxRequest* box, std::optional<uint32_t> timerDue) override;
    void processMessages() override;
    void repaint(TControl& control) override;
    void beep() override;

    // A user action from the window of `target` (a form).
    void post(const void* target, std::function<void()> action);
    // The model's timers are due while a person's box is open.
    void runTimersInBox();

private:
    class ScriptedHands;

    FormWindow& windowFor(TForm& form);
    FormWindow* windowOf(HWND hwnd) const;
    void syncWindows();
    bool runPosted();
    // Every message waiting now; false when WM_TIMER of `timer` came.
    bool pump(UINT_PTR timer = 0);
    // One message: a key for the model, or the native window's.
    void handle(MSG& message);
    void aimWheel(MSG& message) const;
    bool keyForModel(const MSG& message);
    void noticeFocus();
    // What the windows made of the messages sent to them: every message
    // waiting, then every user action posted.
    void takeInput();
    void waitForUser(std::optional<uint32_t> timerDue);
    // The native box; with `click` set, clicked by the program itself.
    int showBox(const BoxRequest& box, int click);
    HWND boxOwner() const;
    // A thread timer for the model's next timer, 0 when none is enabled.
    void armBoxTimer();
    void takePicture(HWND window, const std::string& name);

    std::unique_ptr<headless::ScriptedUser> m_user;  // the scripted user, or nullptr for a person
    std::unique_ptr<ScriptedHands> m_hands;
    std::map<const TForm*, std::unique_ptr<FormWindow>> m_windows;
    PostedInput m_input;
    std::string m_pictureFolder;
    HWND m_focusSeen = nullptr;
    UINT_PTR m_boxTimer = 0;  // armed while a person's box is open
};

}  // namespace forms::win32
