// The class library's application object, forms, message loops, message
// boxes and synthesised keys, over an exchangeable display back end.
//
// One GUI thread; every handler runs inside some loop's dispatch.  Loops
// nest (Run, ShowModal, MessageBox, ShowMessage); the innermost one
// dispatches everything, the timers of outer forms included, and only the
// innermost modal window takes user input.  When a loop is idle it delivers
// posted keys first, then fires a due timer, and only then waits for the
// user (the back end advances the virtual clock to the next timer instead
// of waiting when a timer is enabled).
//
// Programs end through win::exitProcess, also after a normal end
// (main: win::exitProcess(WinMain(...))): its exit hook writes the last line
// of the transcript.
#pragma once

#include "Controls.h"
#include "Dialogs.h"
#include "SysUtils.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class TApplication;
class TForm;

namespace forms {

// A message box or the simple message dialog while it is open.
struct BoxRequest {
    std::string Text;
    std::string Caption;
    int Style = MB_OK;
    bool SimpleDialog = false;  // ShowMessage: OK only, no icon
    int Result = 0;             // the button pressed; 0 while open
};

// The buttons of a box, in the order Windows shows them.
std::vector<int> BoxButtons(const BoxRequest& box);

// What the model asks of a display: show and hide windows, paint, beep, and
// wait for the user.  The headless back end plays a scripted user; a GUI
// back end draws real windows from the same model.
class DisplayBackEnd {
public:
    virtual ~DisplayBackEnd() = default;
    // After OnShow; modal for the show of ShowModal.
    virtual void formShown(TForm& form, bool modal) = 0;
    virtual void formHidden(TForm& form) = 0;
    // The end of a modal show: the form is hidden now.
    virtual void modalEnded(TForm& form, int result) = 0;
    virtual void boxOpened(BoxRequest& box) = 0;
    virtual void boxClosed(BoxRequest& box) = 0;
    // Nothing is pending: wait for one user action in the innermost modal
    // window (box, else form; neither in the application's main loop), or
    // until the tick timerDue when a timer is enabled.  A box is answered by
    // setting its Result.
    virtual void waitForInput(TForm* form, BoxRequest* box, std::optional<uint32_t> timerDue) = 0;
    virtual void repaint(TControl& control) = 0;
    virtual void beep() = 0;
    // ProcessMessages: the real input that came meanwhile, without waiting
    // (the scripted user takes no step here).
    virtual void processMessages() {}
};

// The one place that chooses the back end: the headless scripted user when
// SETUP_SCRIPT names a script; real windows driven by that script when
// SETUP_UI names the build's back end with windows too ("fltk"; "win32" in
// the Windows build); real windows for a person without a script (in a
// build without FLTK, the headless back end with an empty script instead).
std::unique_ptr<DisplayBackEnd> createDisplayBackEnd();

}  // namespace forms

// ------------------------------------------------------------------ forms
enum TFormStyle { fsNormal, fsStayOnTop };
enum TBorderIcon { biSystemMenu, biMinimize, biMaximize };
using TBorderIcons = TSet<TBorderIcon>;
enum TPosition { poDesigned, poScreenCenter };
enum TCloseAction { caNone, caHide, caFree, caMinimize };
using TCloseEvent = std::function<void(TObject* Sender, TCloseAction& Action)>;

using TModalResult = int;
constexpr TModalResult mrNone = 0;
constexpr TModalResult mrOk = 1;
constexpr TModalResult mrCancel = 2;
constexpr TModalResult mrAbort = 3;
constexpr TModalResult mrRetry = 4;
constexpr TModalResult mrIgnore = 5;
constexpr TModalResult mrYes = 6;
constexpr TModalResult mrNo = 7;

// A form's design sets Name (scripts and transcripts address forms by it),
// Caption and its controls in its constructor; a design that is visible at
// creation sets Visible last.
class TForm : public TWinControl {
public:
    explicit TForm(TComponent* AOwner);
    ~TForm() override;

    int ModalResult = mrNone;
    bool KeyPreview = false;  // OnKeyDown sees every key before the control
    TFormStyle FormStyle = fsNormal;
    TBorderStyle BorderStyle = bsSizeable;
    TBorderIcons BorderIcons{biSystemMenu, biMinimize, biMaximize};
    TPosition Position = poDesigned;
    int ClientWidth = 0, ClientHeight = 0;
    // The focused control; on a hidden form the one to focus when shown
    // (without it, the first focusable control in tab order).
    TWinControl* ActiveControl = nullptr;

    TNotifyEvent OnShow;
    TCloseEvent OnClose;

    // OnShow fires on each change from hidden to visible.
    void SetVisible(bool visible) override;
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    // Shows the form (OnShow), sets ModalResult to 0, runs a message loop
    // until ModalResult is non-zero (2 when the application terminates),
    // runs OnClose (caNone goes on looping), hides the form and returns
    // ModalResult.  Raises EInvalidOperation for a visible or disabled form.
    int ShowModal();
    // In its modal show: ModalResult 2.  Otherwise OnClose, then hidden; the
    // main form terminates the application.
    void Close();
    bool InModalShow() const { return m_bModal; }

    // One key press, user or synthesised: key preview, the focused control's
    // OnKeyDown, its own handling, then the form's: Tab / Shift+Tab move the
    // focus, Return clicks the default button, Escape the cancel button,
    // Alt+letter (or the letter on a focused button) the button with that
    // mnemonic.
    void DispatchKey(uint16_t key, TShiftState shift);
    // The next (or previous) control in tab order that can take the focus,
    // across containers, wrapping at the ends.
    TWinControl* FindNextControl(TWinControl* current, bool forward) const;
    // The focused control was disabled or hidden: the focus moves on to the
    // next control in tab order that can take it.  Every dispatch ends so.
    void KeepFocusReachable();

private:
    std::vector<TWinControl*> TabSequence() const;
    void EnsureFocus();
    TButton* FindButton(const std::function<bool(const TButton&)>& wanted) const;
    bool ClickMnemonic(uint16_t key);

    bool m_bModal = false;
};

// ------------------------------------------------------------ application
class TApplication : public TComponent {
public:
    explicit TApplication(TComponent* AOwner = nullptr);
    ~TApplication() override;

    std::string Title;
    // Sets the display back end up (when none is set yet).
    void Initialize();
    // Constructs the form with the application as owner; the first form
    // becomes the main form.
    template <class T>
    void CreateForm(T*& reference) {
        reference = new T(this);
        AddForm(reference);
    }
    TForm* MainForm() const { return m_mainForm; }

    // Shows the main form, then dispatches until the application terminates.
    void Run();
    // Dispatches the posted keys and the timers due now, then returns; never
    // waits and takes no user input.
    void ProcessMessages();
    // One dispatch, or one wait for the user in the innermost modal window.
    // An Exception escaping a handler is shown and the loop goes on.
    void HandleMessage();
    // Only requests the end: the running handler goes on.
    void Terminate() { m_bTerminated = true; }
    bool Terminated() const { return m_bTerminated; }

    // A modal box with the Windows style value; returns the button pressed.
    int MessageBox(const std::string& text, const std::string& caption, int flags = MB_OK);
    // The simple dialog: the text, an OK button, the title as caption.
    void ShowSimpleDialog(const std::string& text);
    // The message with a full stop, the title as caption, OK, stop icon.
    void ShowException(const Exception& e);
    std::string ExeName() const;

    // A key for the input queue, delivered through the innermost modal
    // form's key dispatch before the next user action.
    void PostKey(uint16_t key, TShiftState shift);

    forms::DisplayBackEnd& Display();
    void SetDisplay(std::unique_ptr<forms::DisplayBackEnd> display);
    // The innermost modal form, nullptr when none.
    TForm* ModalForm() const;

private:
    friend class TForm;
    struct ModalWindow {
        TForm* form;
        forms::BoxRequest* box;
    };
    class ModalScope;
    void AddForm(TForm* form);
    void RemoveForm(TForm* form);
    int RunBox(forms::BoxRequest& box);
    bool DeliverPostedKey();
    bool FireTimerDueBy(uint32_t tick);
    void Dispatch(const std::function<void()>& step);
    void WaitForInput();

    TForm* m_mainForm = nullptr;
    bool m_bTerminated = false;
    std::vector<ModalWindow> m_modalStack;
    struct PostedKey {
        uint16_t key;
        TShiftState shift;
    };
    std::deque<PostedKey> m_postedKeys;
    std::unique_ptr<forms::DisplayBackEnd> m_display;
};

extern TApplication* Application;

// The class library's simple message dialog.
void ShowMessage(const std::string& text);

// Synthesised keyboard input: modifier keys are tracked, every other key
// pressed is posted with the modifiers held.
constexpr uint32_t KEYEVENTF_KEYUP = 0x0002;
void keybd_event(uint8_t vk, uint8_t scan, uint32_t flags, uintptr_t extraInfo);
