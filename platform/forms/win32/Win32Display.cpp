#include "Win32Display.h"

#include "Capture.h"
#include "CreateDisplay.h"
#include "FormWindow.h"
#include "Win.h"
#include "picture/PictureFiles.h"

#include <windowsx.h>

#include <algorithm>
#include <utility>

namespace forms::win32 {

namespace {

// What the helper thread of a native box does while the box is open.
struct BoxWatch {
    DWORD thread;     // the GUI thread, which owns the box
    bool picture;     // take its picture
    int click;        // the button to click, 0 for none
    std::string png;  // the picture taken
};

bool isDialog(HWND hwnd) {
    char name[16] = {};
    GetClassNameA(hwnd, name, sizeof name);
    return std::string(name) == "#32770";
}

BOOL CALLBACK findBox(HWND hwnd, LPARAM found) {
    if (!isDialog(hwnd) || !IsWindowVisible(hwnd)) return TRUE;
    *reinterpret_cast<HWND*>(found) = hwnd;
    return FALSE;
}

// Waits (at most ten seconds) for the box to be on the screen, lets it
// paint, takes its picture, then clicks its button.
DWORD WINAPI watchBox(void* parameter) {
    auto& watch = *static_cast<BoxWatch*>(parameter);
    HWND box = nullptr;
    for (int tries = 0; !box && tries < 500; ++tries) {
        EnumThreadWindows(watch.thread, findBox, reinterpret_cast<LPARAM>(&box));
        if (!box) Sleep(20);
    }
    if (!box) return 1;
    Sleep(200);
    if (watch.picture) watch.png = capturePng(box);
    if (watch.click) {
        if (HWND button = GetDlgItem(box, watch.click))
            PostMessageA(button, BM_CLICK, 0, 0);
        else
            PostMessageA(box, WM_COMMAND, static_cast<WPARAM>(watch.click), 0);
    }
    return 0;
}

// A person's box runs the model's timers from its own modal loop, as the
// class library's timers fire in any modal loop.
void CALLBACK boxTimerDue(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    if (auto* display = dynamic_cast<Win32Display*>(&Application->Display())) display->runTimersInBox();
}

bool isModifier(WPARAM key) {
    return key == VK_SHIFT || key == VK_CONTROL || key == VK_MENU || key == VK_LSHIFT || key == VK_RSHIFT ||
           key == VK_LCONTROL || key == VK_RCONTROL || key == VK_LMENU || key == VK_RMENU;
}

// Keys that an edit field uses itself; the model has every other key.
bool editingKey(const TControl* focused, WPARAM key) {
    const bool functionKey = key >= VK_F1 && key <= VK_F24;
    if (dynamic_cast<const TMemo*>(focused)) return key != VK_TAB && key != VK_ESCAPE && !functionKey;
    if (dynamic_cast<const TEdit*>(focused))
        return key != VK_TAB && key != VK_RETURN && key != VK_ESCAPE && key != VK_UP && key != VK_DOWN && !functionKey;
    return false;
}

}  // namespace

std::unique_ptr<DisplayBackEnd> createDisplay(std::unique_ptr<headless::ScriptedUser> scriptedUser) {
    return std::make_unique<Win32Display>(std::move(scriptedUser), pictureFolderFromEnvironment());
}

// The scripted user's steps as messages to the native windows.  What no
// window of ours shows (a click on a label, a directory the list does not
// show, any step when the system made no windows, as without a display)
// goes to the model as headless.
class Win32Display::ScriptedHands : public headless::Hands {
public:
    explicit ScriptedHands(Win32Display& display) : m_display(display) {}

    void click(TControl& control) override {
        auto* button = dynamic_cast<TButton*>(&control);
        FormWindow* window = windowOf(control);
        if (!button || !window) return Hands::click(control);
        window->press(*button);
        m_display.takeInput();
    }

    // A click into the control moves the keyboard focus there.
    void focus(TWinControl& control) override {
        HWND hwnd = nativeOf(control);
        if (!hwnd) return Hands::focus(control);
        SetFocus(hwnd);
        m_display.noticeFocus();
        m_display.takeInput();
    }

    // The key goes down and up in the window with the keyboard focus, the
    // modifiers held while the window takes it.
    void key(TForm& form, uint16_t key, TShiftState shift) override {
        const FormWindow* window = formWindow(form);
        if (!window || !window->hwnd()) return Hands::key(form, key, shift);
        HWND target = GetFocus();
        if (!target || GetAncestor(target, GA_ROOT) != window->hwnd()) target = window->hwnd();
        BYTE keys[256];
        GetKeyboardState(keys);
        BYTE held[256];
        std::copy(std::begin(keys), std::end(keys), held);
        held[VK_SHIFT] = shift.Contains(ssShift) ? 0x80 : 0;
        held[VK_CONTROL] = shift.Contains(ssCtrl) ? 0x80 : 0;
        held[VK_MENU] = shift.Contains(ssAlt) ? 0x80 : 0;
        SetKeyboardState(held);
        const bool alt = shift.Contains(ssAlt);
        const LPARAM scan = static_cast<LPARAM>(MapVirtualKeyA(key, MAPVK_VK_TO_VSC)) << 16 | (alt ? 1 << 29 : 0);
        PostMessageA(target, alt ? WM_SYSKEYDOWN : WM_KEYDOWN, key, scan | 1);
        PostMessageA(target, alt ? WM_SYSKEYUP : WM_KEYUP, key, scan | 1 | 3u << 30);
        m_display.pump();
        // Released before the program acts on the key, which may wait for
        // the script's next steps.
        SetKeyboardState(keys);
        m_display.takeInput();
    }

    void check(TCheckListBox& list, int index) override { pressItem(list, index, true); }
    void select(TCheckListBox& list, int index) override { pressItem(list, index, false); }

    void type(TEdit& edit, const std::string& text) override {
        if (!typeInto(edit, text)) Hands::type(edit, text);
    }
    void type(TMemo& memo, const std::string& text) override {
        if (!typeInto(memo, text)) Hands::type(memo, text);
    }

    void drive(TDriveComboBox& box, char drive) override {
        FormWindow* window = windowOf(box);
        if (!window) return Hands::drive(box, drive);
        window->pickDrive(box, drive);
        m_display.takeInput();
    }

    void open(TDirectoryListBox& list, const std::string& entry) override {
        FormWindow* window = windowOf(list);
        if (!window || !window->openLine(list, entry)) return Hands::open(list, entry);
        m_display.takeInput();
    }

private:
    FormWindow* formWindow(const TForm& form) const {
        const auto found = m_display.m_windows.find(&form);
        return found == m_display.m_windows.end() ? nullptr : found->second.get();
    }

    // The window of the control's form, when the control has a native window there.
    FormWindow* windowOf(TControl& control) const {
        TForm* form = control.ParentForm();
        FormWindow* window = form ? formWindow(*form) : nullptr;
        return window && window->nativeOf(control) ? window : nullptr;
    }

    HWND nativeOf(TControl& control) const {
        FormWindow* window = windowOf(control);
        return window ? window->nativeOf(control) : nullptr;
    }

    void pressItem(TCheckListBox& list, int index, bool onCheckBox) {
        FormWindow* window = windowOf(list);
        if (!window) return onCheckBox ? Hands::check(list, index) : Hands::select(list, index);
        window->pressItem(list, index, onCheckBox);
        m_display.takeInput();
    }

    // A click into the field, then the text.
    bool typeInto(TWinControl& field, const std::string& text) {
        FormWindow* window = windowOf(field);
        if (!window) return false;
        focus(field);
        window->type(field, text);
        m_display.takeInput();
        return true;
    }

    Win32Display& m_display;
};

Win32Display::Win32Display(std::unique_ptr<headless::ScriptedUser> scriptedUser, std::string pictureFolder)
    : m_user(std::move(scriptedUser)),
      m_hands(std::make_unique<ScriptedHands>(*this)),
      m_input([this](const void* form) {
          const auto found = m_windows.find(static_cast<const TForm*>(form));
          return found != m_windows.end() && found->second->shown();
      }),
      m_pictureFolder(std::move(pictureFolder)) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    LoadLibraryA("riched20.dll");
    FormWindow::registerClasses();
    if (m_user) m_user->useHands(*m_hands);
}

Win32Display::~Win32Display() = default;

// ------------------------------------------------------------- windows
FormWindow& Win32Display::windowFor(TForm& form) {
    std::unique_ptr<FormWindow>& window = m_windows[&form];
    if (!window) window = std::make_unique<FormWindow>(*this, form);
    return *window;
}

FormWindow* Win32Display::windowOf(HWND hwnd) const {
    HWND root = GetAncestor(hwnd, GA_ROOT);
    for (const auto& [form, window] : m_windows)
        if (window->hwnd() == root) return window.get();
    return nullptr;
}

void Win32Display::syncWindows() {
    for (auto& [form, window] : m_windows)
        if (window->shown()) window->sync();
    // The window that takes input has the keyboard.
    const void* inner = m_input.modal().empty() ? nullptr : m_input.modal().back();
    for (auto& [form, window] : m_windows)
        if (window->shown() && (inner == form || (!inner && window->hwnd() == GetForegroundWindow())))
            window->syncFocus();
    m_focusSeen = GetFocus();
}

void Win32Display::formShown(TForm& form, bool modal) {
    FormWindow& window = windowFor(form);
    if (modal) m_input.enterModal(&form);
    window.sync();
    window.show();
    window.syncFocus();
    takePicture(window.hwnd(), form.Name);
    if (m_user) m_user->formShown(form, modal);
}

void Win32Display::formHidden(TForm& form) {
    windowFor(form).hide();
    if (m_user) m_user->formHidden(form);
}

void Win32Display::modalEnded(TForm& form, int result) {
    m_input.leaveModal(&form);
    windowFor(form).hide();
    if (m_user) m_user->modalEnded(form, result);
}

void Win32Display::boxOpened(BoxRequest& box) {
    m_input.enterModal(&box);
    if (m_user) m_user->boxOpened(box);
}

void Win32Display::boxClosed(BoxRequest& box) {
    m_input.leaveModal(&box);
    if (!m_user) return;
    // The script has answered: the native box shows, and gets, that answer.
    showBox(box, box.Result);
    m_user->boxClosed(box);
}

void Win32Display::repaint(TControl& control) {
    TForm* form = control.ParentForm();
    const auto found = form ? m_windows.find(form) : m_windows.end();
    if (found == m_windows.end() || !found->second->shown()) return;
    found->second->sync();
    found->second->paintNow();
}

// The system has beeped already (MessageBeep goes to the layer).
void Win32Display::beep() {
    if (m_user) m_user->beep();
}

// ---------------------------------------------------------------- boxes
HWND Win32Display::boxOwner() const {
    for (auto it = m_input.modal().rbegin(); it != m_input.modal().rend(); ++it)
        for (const auto& [form, window] : m_windows)
            if (form == *it && window->shown()) return window->hwnd();
    for (const auto& [form, window] : m_windows)
        if (window->shown()) return window->hwnd();
    return nullptr;
}

void Win32Display::armBoxTimer() {
    TTimer* timer = TTimer::Earliest();
    if (!timer) return;
    const int32_t ahead = std::max<int32_t>(static_cast<int32_t>(timer->DueTick() - win::tickCount()), 0);
    m_boxTimer = SetTimer(nullptr, 0, static_cast<UINT>(ahead), boxTimerDue);
}

// The timers due fire (a box they open is shown over this one), then the
// next one is awaited.
void Win32Display::runTimersInBox() {
    m_boxTimer = 0;
    Application->ProcessMessages();
    armBoxTimer();
}

int Win32Display::showBox(const BoxRequest& box, int click) {
    HWND owner = boxOwner();
    UINT style = static_cast<UINT>(box.SimpleDialog ? MB_OK : box.Style) | MB_SETFOREGROUND;
    if (!owner) style |= MB_TASKMODAL;
    BoxWatch watch{GetCurrentThreadId(), !m_pictureFolder.empty(), click, {}};
    HANDLE thread = watch.picture || click ? CreateThread(nullptr, 0, watchBox, &watch, 0, nullptr) : nullptr;
    if (click && !thread) return click;  // nobody could click it
    // The script's box is shown after its answer: the script has kept the time.
    const UINT_PTR outerTimer = std::exchange(m_boxTimer, 0);
    if (!m_user) armBoxTimer();
    const int result = MessageBoxA(owner, box.Text.c_str(), box.Caption.c_str(), style);
    if (m_boxTimer) KillTimer(nullptr, m_boxTimer);
    m_boxTimer = outerTimer;
    if (thread) {
        WaitForSingleObject(thread, INFINITE);
        CloseHandle(thread);
    }
    if (!watch.png.empty())
        win::writeWholeFile(nextPicturePath(m_pictureFolder, box.SimpleDialog ? "message" : "box"), watch.png);
    return result;
}

// ---------------------------------------------------------------- input
void Win32Display::post(const void* target, std::function<void()> action) { m_input.post(target, std::move(action)); }

bool Win32Display::runPosted() {
    if (!m_input.runNext()) return false;
    syncWindows();
    return true;
}

bool Win32Display::keyForModel(const MSG& message) {
    if (message.message != WM_KEYDOWN && message.message != WM_SYSKEYDOWN) return false;
    FormWindow* window = windowOf(message.hwnd);
    if (!window || isModifier(message.wParam)) return false;
    TShiftState shift;
    if (GetKeyState(VK_SHIFT) < 0) shift << ssShift;
    if (GetKeyState(VK_CONTROL) < 0) shift << ssCtrl;
    if (GetKeyState(VK_MENU) < 0) shift << ssAlt;
    if (!shift.Contains(ssAlt) && editingKey(window->controlOf(message.hwnd), message.wParam)) return false;
    TForm* form = &window->form();
    const auto key = static_cast<uint16_t>(message.wParam);
    post(form, [form, key, shift] { form->DispatchKey(key, shift); });
    return true;
}

// A click that moved the keyboard focus moves the model's focus too.
void Win32Display::noticeFocus() {
    HWND focus = GetFocus();
    if (focus == m_focusSeen) return;
    m_focusSeen = focus;
    FormWindow* window = windowOf(focus);
    auto* control = window ? dynamic_cast<TWinControl*>(window->controlOf(focus)) : nullptr;
    if (control && control != window->form().ActiveControl) post(&window->form(), [control] { control->SetFocus(); });
}

void Win32Display::takeInput() {
    pump();
    while (runPosted()) {
    }
}

// The wheel turns the innermost window under the mouse that scrolls, not
// the window with the keyboard focus.
void Win32Display::aimWheel(MSG& message) const {
    const POINT at{GET_X_LPARAM(message.lParam), GET_Y_LPARAM(message.lParam)};
    HWND under = WindowFromPoint(at);
    if (!windowOf(under)) return;
    for (HWND hwnd = under; hwnd; hwnd = GetParent(hwnd)) {
        if (GetWindowLongPtrA(hwnd, GWL_STYLE) & WS_VSCROLL) {
            message.hwnd = hwnd;
            return;
        }
        if (!(GetWindowLongPtrA(hwnd, GWL_STYLE) & WS_CHILD)) return;
    }
}

void Win32Display::handle(MSG& message) {
    // A message box's messages, pumped here while its timers run, go where
    // its own loop would send them: Tab and Return work there too.
    HWND root = message.hwnd ? GetAncestor(message.hwnd, GA_ROOT) : nullptr;
    if (root && isDialog(root) && IsDialogMessageA(root, &message)) return;
    if (message.message == WM_MOUSEWHEEL) aimWheel(message);
    if (keyForModel(message)) return;
    TranslateMessage(&message);
    DispatchMessageA(&message);
    if (!m_user) noticeFocus();
}

bool Win32Display::pump(UINT_PTR timer) {
    bool due = false;
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (timer && message.message == WM_TIMER && !message.hwnd && message.wParam == timer)
            due = true;
        else
            handle(message);
    }
    return !due;
}

void Win32Display::waitForUser(std::optional<uint32_t> timerDue) {
    const int32_t ahead = timerDue ? std::max<int32_t>(static_cast<int32_t>(*timerDue - win::tickCount()), 0) : 0;
    if (timerDue && ahead == 0) {
        pump();
        return;
    }
    const UINT_PTR timer = timerDue ? SetTimer(nullptr, 0, static_cast<UINT>(ahead), nullptr) : 0;
    MSG message;
    while (m_input.empty() && GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (timer && message.message == WM_TIMER && !message.hwnd && message.wParam == timer) break;
        handle(message);
    }
    if (timer) KillTimer(nullptr, timer);
}

void Win32Display::waitForInput(TForm* form, BoxRequest* box, std::optional<uint32_t> timerDue) {
    syncWindows();
    if (m_user) {
        pump();
        m_input.clear();  // the script is the only user
        m_user->waitForInput(form, box, timerDue);
        syncWindows();
        return;
    }
    if (box) {
        box->Result = showBox(*box, 0);
        return;
    }
    if (runPosted()) return;
    waitForUser(timerDue);
    runPosted();
}

void Win32Display::processMessages() {
    pump();
    if (m_user) {
        m_input.clear();
        return;
    }
    while (runPosted()) {
    }
}

void Win32Display::takePicture(HWND window, const std::string& name) {
    if (m_pictureFolder.empty()) return;
    pump();
    const std::string png = capturePng(window);
    if (!png.empty()) win::writeWholeFile(nextPicturePath(m_pictureFolder, name), png);
}

}  // namespace forms::win32
