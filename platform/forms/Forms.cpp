#include "Forms.h"

#include "Text1252.h"
#include "Win.h"
#include "headless/ScriptedUser.h"
#ifdef _WIN32
#include "win32/CreateDisplay.h"
namespace native = forms::win32;
#else
#include "fltk/CreateDisplay.h"
namespace native = forms::fltk;
#endif

#include <algorithm>
#include <cstdlib>

TApplication* Application = new TApplication;

std::unique_ptr<forms::DisplayBackEnd> forms::createDisplayBackEnd() {
    const char* script = std::getenv("SETUP_SCRIPT");
    const char* ui = std::getenv("SETUP_UI");
    const bool scripted = script && *script;
    if (scripted && !(ui && std::string(ui) == native::kUiName)) return headless::ScriptedUser::fromEnvironment();
    return native::createDisplay(scripted ? headless::ScriptedUser::fromEnvironment() : nullptr);
}

// Keeps a modal window on the application's stack for as long as it is open.
class TApplication::ModalScope {
public:
    ModalScope(TApplication& application, ModalWindow window) : m_application(application) {
        m_application.m_modalStack.push_back(window);
    }
    ~ModalScope() { m_application.m_modalStack.pop_back(); }
    ModalScope(const ModalScope&) = delete;
    ModalScope& operator=(const ModalScope&) = delete;

private:
    TApplication& m_application;
};

// ------------------------------------------------------------------ TForm
TForm::TForm(TComponent* AOwner) : TWinControl(AOwner) { TControl::SetVisible(false); }

TForm::~TForm() {
    if (auto* application = dynamic_cast<TApplication*>(Owner())) application->RemoveForm(this);
}

void TForm::SetVisible(bool visible) {
    if (visible == Visible()) return;
    TControl::SetVisible(visible);
    if (!visible) {
        Application->Display().formHidden(*this);
        return;
    }
    if (OnShow) OnShow(this);
    EnsureFocus();
    Application->Display().formShown(*this, m_bModal);
}

int TForm::ShowModal() {
    if (Visible() || !Enabled) throw EInvalidOperation("Cannot make a visible window modal");
    TApplication::ModalScope scope(*Application, {this, nullptr});
    m_bModal = true;
    try {
        Show();
        ModalResult = mrNone;
        for (;;) {
            if (!Application->Terminated()) Application->HandleMessage();
            if (Application->Terminated()) ModalResult = mrCancel;
            if (ModalResult == mrNone) continue;
            TCloseAction action = caHide;
            if (OnClose) OnClose(this, action);
            if (action != caNone || Application->Terminated()) break;
            ModalResult = mrNone;
        }
    } catch (...) {
        m_bModal = false;
        Hide();
        throw;
    }
    m_bModal = false;
    TControl::SetVisible(false);  // no OnClose again, no plain hide in the transcript
    Application->Display().modalEnded(*this, ModalResult);
    return ModalResult;
}

void TForm::Close() {
    if (m_bModal) {
        ModalResult = mrCancel;
        return;
    }
    TCloseAction action = caHide;
    if (OnClose) OnClose(this, action);
    if (action == caNone) return;
    if (Application->MainForm() == this)
        Application->Terminate();
    else
        Hide();
}

namespace {

void appendTabSequence(const TWinControl& parent, std::vector<TWinControl*>& sequence) {
    std::vector<TWinControl*> children;
    for (int i = 0; i < parent.ControlCount(); ++i)
        if (auto* child = dynamic_cast<TWinControl*>(parent.Controls(i))) children.push_back(child);
    std::stable_sort(children.begin(), children.end(),
                     [](const TWinControl* a, const TWinControl* b) { return a->TabOrder < b->TabOrder; });
    for (TWinControl* child : children) {
        sequence.push_back(child);
        appendTabSequence(*child, sequence);
    }
}

// The key of a caption's "&" mnemonic ("&&" is a plain "&"), 0 when none.
uint16_t mnemonicKey(const std::string& caption) {
    for (std::size_t i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != '&') continue;
        if (caption[i + 1] != '&') return win::text::upper(static_cast<unsigned char>(caption[i + 1]));
        ++i;
    }
    return 0;
}

}  // namespace

std::vector<TWinControl*> TForm::TabSequence() const {
    std::vector<TWinControl*> sequence;
    appendTabSequence(*this, sequence);
    return sequence;
}

TWinControl* TForm::FindNextControl(TWinControl* current, bool forward) const {
    const std::vector<TWinControl*> sequence = TabSequence();
    const int count = static_cast<int>(sequence.size());
    const auto found = std::find(sequence.begin(), sequence.end(), current);
    const int start = found != sequence.end() ? static_cast<int>(found - sequence.begin()) : (forward ? -1 : count);
    for (int step = 1; step <= count; ++step) {
        const int index = ((start + (forward ? step : -step)) % count + count) % count;
        TWinControl* candidate = sequence[index];
        if (candidate != current && candidate->TabStop && candidate->CanFocus()) return candidate;
    }
    return nullptr;
}

void TForm::KeepFocusReachable() {
    if (Visible() && ActiveControl && !ActiveControl->CanFocus()) ActiveControl = FindNextControl(ActiveControl, true);
}

void TForm::EnsureFocus() {
    if (ActiveControl && ActiveControl->CanFocus()) return;
    ActiveControl = FindNextControl(nullptr, true);
}

TButton* TForm::FindButton(const std::function<bool(const TButton&)>& wanted) const {
    for (TWinControl* control : TabSequence())
        if (auto* button = dynamic_cast<TButton*>(control); button && button->CanTakeInput() && wanted(*button))
            return button;
    return nullptr;
}

bool TForm::ClickMnemonic(uint16_t key) {
    TButton* button = FindButton([key](const TButton& b) { return mnemonicKey(b.Caption) == key; });
    if (!button) return false;
    ActiveControl = button;
    button->Click();
    return true;
}

void TForm::DispatchKey(uint16_t key, TShiftState shift) {
    if (KeyPreview && OnKeyDown) {
        OnKeyDown(this, key, shift);
        if (key == 0) return;
    }
    TWinControl* focused = ActiveControl && ActiveControl->CanFocus() ? ActiveControl : nullptr;
    if (focused && focused->OnKeyDown) {
        focused->OnKeyDown(focused, key, shift);
        if (key == 0) return;
    }
    if (focused && focused->DefaultKey(key, shift)) return;
    switch (key) {
        case VK_TAB:
            if (TWinControl* next = FindNextControl(ActiveControl, !shift.Contains(ssShift))) ActiveControl = next;
            return;
        case VK_RETURN:
            if (TButton* button = FindButton([](const TButton& b) { return b.Default; })) button->Click();
            return;
        case VK_ESCAPE:
            if (TButton* button = FindButton([](const TButton& b) { return b.Cancel; })) button->Click();
            return;
        default:
            if (shift.Contains(ssAlt) || dynamic_cast<TButton*>(focused)) ClickMnemonic(key);
    }
}

// ----------------------------------------------------------- TApplication
TApplication::TApplication(TComponent* AOwner) : TComponent(AOwner) {}

// The forms go first: they reach back to the application while they go.
TApplication::~TApplication() { DestroyComponents(); }

void TApplication::Initialize() { Display(); }

void TApplication::AddForm(TForm* form) {
    if (!m_mainForm) m_mainForm = form;
}

void TApplication::RemoveForm(TForm* form) {
    if (m_mainForm == form) m_mainForm = nullptr;
}

void TApplication::Run() {
    if (m_mainForm) m_mainForm->Show();
    while (!m_bTerminated) HandleMessage();
}

void TApplication::ProcessMessages() {
    Dispatch([this] { Display().processMessages(); });
    while (DeliverPostedKey()) {
    }
    // A fired timer is due again only after its interval: each fires once here.
    const uint32_t now = win::tickCount();
    while (FireTimerDueBy(now)) {
    }
}

void TApplication::HandleMessage() {
    if (DeliverPostedKey()) return;
    if (FireTimerDueBy(win::tickCount())) return;
    Dispatch([this] { WaitForInput(); });
}

bool TApplication::DeliverPostedKey() {
    if (m_postedKeys.empty()) return false;
    const PostedKey posted = m_postedKeys.front();
    m_postedKeys.pop_front();
    TForm* target = ModalForm();
    if (!target && m_mainForm && m_mainForm->Visible()) target = m_mainForm;
    if (target) Dispatch([&] { target->DispatchKey(posted.key, posted.shift); });
    return true;
}

bool TApplication::FireTimerDueBy(uint32_t tick) {
    TTimer* timer = TTimer::Earliest();
    if (!timer || static_cast<int32_t>(timer->DueTick() - tick) > 0) return false;
    Dispatch([timer] { timer->Fire(); });
    return true;
}

void TApplication::Dispatch(const std::function<void()>& step) {
    try {
        step();
    } catch (const Exception& e) {
        ShowException(e);
    }
    if (TForm* form = ModalForm()) form->KeepFocusReachable();
}

void TApplication::WaitForInput() {
    const ModalWindow innermost = m_modalStack.empty() ? ModalWindow{nullptr, nullptr} : m_modalStack.back();
    std::optional<uint32_t> timerDue;
    if (TTimer* timer = TTimer::Earliest()) timerDue = timer->DueTick();
    Display().waitForInput(innermost.form, innermost.box, timerDue);
}

TForm* TApplication::ModalForm() const {
    for (auto it = m_modalStack.rbegin(); it != m_modalStack.rend(); ++it)
        if (it->form) return it->form;
    return nullptr;
}

int TApplication::MessageBox(const std::string& text, const std::string& caption, int flags) {
    forms::BoxRequest box{text, caption, flags};
    return RunBox(box);
}

void TApplication::ShowSimpleDialog(const std::string& text) {
    forms::BoxRequest box{text, Title, MB_OK, true};
    RunBox(box);
}

int TApplication::RunBox(forms::BoxRequest& box) {
    ModalScope scope(*this, {nullptr, &box});
    Display().boxOpened(box);
    while (box.Result == 0) HandleMessage();
    Display().boxClosed(box);
    return box.Result;
}

void TApplication::ShowException(const Exception& e) {
    std::string message = e.Message();
    if (message.empty() || message.back() != '.') message += '.';
    MessageBox(message, Title, MB_OK | MB_ICONHAND);
}

std::string TApplication::ExeName() const { return win::moduleFileName(); }

void TApplication::PostKey(uint16_t key, TShiftState shift) { m_postedKeys.push_back({key, shift}); }

forms::DisplayBackEnd& TApplication::Display() {
    if (!m_display) m_display = forms::createDisplayBackEnd();
    return *m_display;
}

void TApplication::SetDisplay(std::unique_ptr<forms::DisplayBackEnd> display) { m_display = std::move(display); }

// --------------------------------------------------------------- helpers
void ShowMessage(const std::string& text) { Application->ShowSimpleDialog(text); }

void keybd_event(uint8_t vk, uint8_t, uint32_t flags, uintptr_t) {
    static TShiftState held;
    const bool released = (flags & KEYEVENTF_KEYUP) != 0;
    TShiftStateItem modifier;
    switch (vk) {
        case VK_SHIFT: modifier = ssShift; break;
        case VK_CONTROL: modifier = ssCtrl; break;
        case VK_MENU: modifier = ssAlt; break;
        default:
            if (!released) Application->PostKey(vk, held);
            return;
    }
    if (released)
        held >> modifier;
    else
        held << modifier;
}

namespace forms {

std::vector<int> BoxButtons(const BoxRequest& box) {
    if (box.SimpleDialog) return {IDOK};
    switch (box.Style & 0xF) {
        case MB_OKCANCEL: return {IDOK, IDCANCEL};
        case MB_ABORTRETRYIGNORE: return {IDABORT, IDRETRY, IDIGNORE};
        case MB_YESNOCANCEL: return {IDYES, IDNO, IDCANCEL};
        case MB_YESNO: return {IDYES, IDNO};
        case MB_RETRYCANCEL: return {IDRETRY, IDCANCEL};
        default: return {IDOK};
    }
}

}  // namespace forms
