#include "ScriptedUser.h"

#include "Console.h"
#include "Machine.h"
#include "Text1252.h"
#include "Utf8.h"
#include "Win.h"

#include <array>
#include <cstdlib>
#include <filesystem>
#include <vector>

namespace forms::headless {

namespace {

ScriptedUser* g_current = nullptr;  // the one whose transcript gets the exit line

// An environment variable naming a host file, as the layer takes host paths:
// absolute, Windows-1252.
std::string hostPathFromEnvironment(const char* name) {
    const char* value = std::getenv(name);
    if (!value || !*value) return "";
    const std::string absolute = std::filesystem::absolute(value).string();
    return utf8ToCp1252(absolute).value_or(absolute);
}

constexpr std::array<const char*, 8> kAnswerNames = {"", "OK", "Cancel", "Abort", "Retry", "Ignore", "Yes", "No"};

bool has(const std::vector<int>& buttons, int id) { return std::find(buttons.begin(), buttons.end(), id) != buttons.end(); }

// The button an answer presses; 0 for Escape on a box without a way out.
int buttonFor(const std::string& answer, const std::vector<int>& buttons) {
    if (answer == "Return") return buttons.front();
    if (answer == "Escape") return has(buttons, IDCANCEL) ? IDCANCEL : buttons == std::vector<int>{IDOK} ? IDOK : 0;
    const auto named = std::find_if(kAnswerNames.begin(), kAnswerNames.end(),
                                    [&](const char* name) { return answer == name; });
    return static_cast<int>(named - kAnswerNames.begin());
}

// "\n" in a script text stands for a line feed; paths keep their backslashes
// where a text is taken literally.
std::string withLineFeeds(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == 'n') {
            out += '\n';
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

}  // namespace

ScriptedUser::ScriptedUser(Script script, std::unique_ptr<Transcript> transcript)
    : m_script(std::move(script)), m_transcript(std::move(transcript)) {
    static const bool hooked = (win::addExitHook(&ScriptedUser::exitHook), true);
    (void)hooked;
    g_current = this;
}

ScriptedUser::~ScriptedUser() {
    if (g_current == this) g_current = nullptr;
}

void ScriptedUser::exitHook(int code) {
    if (g_current) g_current->m_transcript->write("exit " + std::to_string(code));
}

std::unique_ptr<ScriptedUser> ScriptedUser::fromEnvironment() {
    return create(hostPathFromEnvironment("SETUP_TRANSCRIPT"), [] {
        const std::string script = hostPathFromEnvironment("SETUP_SCRIPT");
        return script.empty() ? Script::fromText("") : Script::fromFile(script);
    });
}

std::unique_ptr<ScriptedUser> ScriptedUser::fromText(const std::string& utf8, const std::string& transcriptPath) {
    return create(transcriptPath, [&] { return Script::fromText(utf8); });
}

std::unique_ptr<ScriptedUser> ScriptedUser::create(const std::string& transcriptPath,
                                                   const std::function<Script()>& readScript) {
    auto transcript = std::make_unique<Transcript>(transcriptPath);
    try {
        return std::make_unique<ScriptedUser>(readScript(), std::move(transcript));
    } catch (const ScriptError& e) {
        ScriptedUser(Script(), std::move(transcript)).fail(e.line, e.what());
    }
}

void ScriptedUser::fail(int line, const std::string& what) {
    const std::string message = (line > 0 ? "script line " + std::to_string(line) : std::string("script")) + ": " + what;
    win::console::writeError(message + "\n");
    m_transcript->write("error " + message);
    win::exitProcess(2);
}

std::optional<Step> ScriptedUser::takeStep() {
    while (std::optional<Step> step = m_script.take()) {
        if (step->action != Action::Machine) return step;
        if (!win::machine::setValue(step->section, step->target, step->text))
            fail(step->line, "machine.ini could not be changed");
        m_transcript->write("user " + step->source);
    }
    return std::nullopt;
}

Step ScriptedUser::requireStep(const std::string& happening) {
    std::optional<Step> step = takeStep();
    if (!step) fail(m_script.nextLine(), "the script has ended, but " + happening);
    return *step;
}

// ------------------------------------------------------------ windows
void ScriptedUser::formShown(TForm& form, bool modal) {
    m_transcript->write("show " + form.Name + " " + Transcript::quoted(form.Caption) + (modal ? "" : " modeless"));
    if (!modal) return;
    m_bTimerFired = false;  // a new window: its timers go first
    const Step step = requireStep(form.Name + " was shown");
    if (step.action != Action::Page || !win::text::equalNoCase(step.target, form.Name))
        fail(step.line, form.Name + " was shown, but the script says \"" + step.source + "\"");
}

void ScriptedUser::formHidden(TForm& form) { m_transcript->write("hide " + form.Name); }

void ScriptedUser::modalEnded(TForm& form, int result) {
    m_transcript->write("hide " + form.Name + " result=" + std::to_string(result));
}

void ScriptedUser::boxOpened(BoxRequest&) { m_bTimerFired = false; }

void ScriptedUser::beep() { m_transcript->write("beep"); }

void ScriptedUser::waitForInput(TForm* form, BoxRequest* box, std::optional<uint32_t> timerDue) {
    const bool modal = form || box;
    if (timerDue && !(modal && m_bTimerFired)) {
        // A real sleep may end a little before the tick count shows it.
        for (int32_t ahead; (ahead = static_cast<int32_t>(*timerDue - win::tickCount())) > 0;)
            win::sleep(static_cast<uint32_t>(ahead));
        m_bTimerFired = modal;
        return;
    }
    m_bTimerFired = false;
    if (box) return answerBox(*box);
    if (!form) fail(m_script.nextLine(), "the program is idle in its main loop");
    act(*form, requireStep(form->Name + " waits for the user"));
}

// --------------------------------------------------------------- boxes
void ScriptedUser::writeBox(const BoxRequest& box, const std::string& answer) {
    const std::string shown = "caption=" + Transcript::quoted(box.Caption) + " text=" + Transcript::quoted(box.Text);
    if (box.SimpleDialog)
        m_transcript->write("message " + shown);
    else
        m_transcript->write("box style=" + std::to_string(box.Style) + " " + shown +
                            (answer.empty() ? "" : " answer=" + answer));
}

void ScriptedUser::answerBox(BoxRequest& box) {
    const std::string what = box.SimpleDialog ? "the message" : "the box " + Transcript::quoted(box.Caption);
    std::optional<Step> step = takeStep();
    if (!step || step->action != Action::Box) {
        writeBox(box, "");
        if (!step) fail(m_script.nextLine(), "the script has ended, but " + what + " waits for an answer");
        fail(step->line, what + " waits for an answer, but the script says \"" + step->source + "\"");
    }
    const bool textFits = step->text.empty() || box.Text.find(step->text) != std::string::npos ||
                          box.Text.find(withLineFeeds(step->text)) != std::string::npos;
    const std::vector<int> buttons = BoxButtons(box);
    const int button = buttonFor(step->target, buttons);
    if (!textFits || (button != 0 && !has(buttons, button))) {
        writeBox(box, "");
        fail(step->line, textFits ? what + " has no button " + step->target
                                  : what + " does not say \"" + step->text + "\"");
    }
    if (button == 0) {
        m_transcript->write("ignored " + step->source + " (no cancel button)");
        return;
    }
    writeBox(box, kAnswerNames[button]);
    box.Result = button;
}

// --------------------------------------------------------------- hands
void Hands::click(TControl& control) {
    if (auto* windowed = dynamic_cast<TWinControl*>(&control)) windowed->SetFocus();
    control.Click();
}

void Hands::focus(TWinControl& control) { control.SetFocus(); }

void Hands::key(TForm& form, uint16_t key, TShiftState shift) { form.DispatchKey(key, shift); }

void Hands::check(TCheckListBox& list, int index) {
    list.SetFocus();
    list.ClickCheckBox(index);
}

void Hands::select(TCheckListBox& list, int index) {
    list.SetFocus();
    list.ClickItem(index);
}

void Hands::type(TEdit& edit, const std::string& text) {
    edit.SetFocus();
    edit.Text = text;
}

void Hands::type(TMemo& memo, const std::string& text) {
    memo.SetFocus();
    memo.Lines->Clear();
    for (std::size_t start = 0; !text.empty() && start <= text.size();) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        memo.Lines->Add(text.substr(start, end - start));
        start = end + 1;
    }
}

void Hands::drive(TDriveComboBox& box, char drive) {
    box.SetFocus();
    box.SetDrive(drive);
}

void Hands::open(TDirectoryListBox& list, const std::string& entry) {
    list.SetFocus();
    list.OpenEntry(entry);
}

// ------------------------------------------------------------- actions
void ScriptedUser::act(TForm& form, const Step& step) {
    switch (step.action) {
        case Action::Page:
        case Action::Box:
        case Action::Machine:
            fail(step.line, form.Name + " waits for the user, but the script says \"" + step.source + "\"");
        case Action::Click: {
            TControl* control = findControl(form, step);
            if (reachable(*control, step)) m_hands->click(*control);
            return;
        }
        case Action::Focus: {
            auto* control = controlOfKind<TWinControl>(form, step, "a control that takes the focus");
            if (!control->TakesFocus()) fail(step.line, step.target + " takes no focus");
            if (reachable(*control, step)) m_hands->focus(*control);
            return;
        }
        case Action::Key:
            m_transcript->write("user " + step.source);
            m_hands->key(form, step.key, step.shift);
            return;
        case Action::Check:
        case Action::Select: {
            auto* list = controlOfKind<TCheckListBox>(form, step, "a check list");
            if (step.index >= list->Items->Count())
                fail(step.line, step.target + " has no item " + std::to_string(step.index) + " (it has " +
                                    std::to_string(list->Items->Count()) + ")");
            if (!reachable(*list, step)) return;
            if (step.action == Action::Check)
                m_hands->check(*list, step.index);
            else
                m_hands->select(*list, step.index);
            return;
        }
        case Action::Text: return typeText(form, step);
        case Action::Drive: {
            auto* box = controlOfKind<TDriveComboBox>(form, step, "a drive box");
            if (!(win::logicalDrives() & (1u << (step.drive - 'A'))))
                fail(step.line, std::string("the machine has no drive ") + step.drive + ":");
            if (reachable(*box, step)) m_hands->drive(*box, step.drive);
            return;
        }
        case Action::Dir: {
            auto* list = controlOfKind<TDirectoryListBox>(form, step, "a directory list");
            if (reachable(*list, step)) m_hands->open(*list, step.text);
            return;
        }
    }
}

void ScriptedUser::typeText(TForm& form, const Step& step) {
    TControl* control = findControl(form, step);
    if (auto* memo = dynamic_cast<TMemo*>(control)) {
        if (reachable(*memo, step, memo->ReadOnly)) m_hands->type(*memo, withLineFeeds(step.text));
    } else if (auto* edit = dynamic_cast<TEdit*>(control)) {
        if (reachable(*edit, step, edit->ReadOnly)) m_hands->type(*edit, step.text);
    } else {
        fail(step.line, step.target + " is no edit field or memo");
    }
}

TControl* ScriptedUser::findControl(TForm& form, const Step& step) {
    const std::size_t hash = step.target.find('#');
    auto* control = dynamic_cast<TControl*>(form.FindComponent(step.target.substr(0, hash)));
    if (control && hash != std::string::npos) {
        auto* container = dynamic_cast<TWinControl*>(control);
        const std::string number = step.target.substr(hash + 1);
        const bool digits = !number.empty() && number.find_first_not_of("0123456789") == std::string::npos;
        const int index = digits && number.size() < 6 ? std::stoi(number) : -1;
        control = container && index >= 0 && index < container->ControlCount() ? container->Controls(index) : nullptr;
    }
    if (!control) fail(step.line, "there is no control " + step.target + " on " + form.Name);
    return control;
}

template <class T>
T* ScriptedUser::controlOfKind(TForm& form, const Step& step, const char* kind) {
    auto* control = dynamic_cast<T*>(findControl(form, step));
    if (!control) fail(step.line, step.target + " is not " + kind);
    return control;
}

bool ScriptedUser::reachable(TControl& control, const Step& step, bool readOnly) {
    std::string refusal = control.InputRefusal();
    if (refusal.empty() && readOnly) refusal = "read-only";
    m_transcript->write((refusal.empty() ? "user " : "ignored ") + step.source +
                        (refusal.empty() ? "" : " (" + refusal + ")"));
    return refusal.empty();
}

}  // namespace forms::headless
