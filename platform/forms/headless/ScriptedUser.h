// The headless display back end: no windows; a scripted user answers every
// wait, and a transcript records what a user would have seen.
//
// A form or box the script did not expect, a control that does not exist,
// or a script that ends while the program waits for the user stops the run
// at once: "script line N: ..." on standard error and in the transcript,
// then exit code 2.  Time is the machine's virtual clock: waiting for a
// timer advances it to the timer's due tick.  In a modal window a timer
// fires at most once between two user steps, so that a timer left enabled
// cannot starve the user.
#pragma once

#include "Forms.h"
#include "Script.h"
#include "Transcript.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace forms::headless {

// How the scripted user's steps reach the program.  These carry them out on
// the model itself; a back end with real windows carries them out through
// its windows, as a person's input would arrive there.
class Hands {
public:
    virtual ~Hands() = default;
    virtual void click(TControl& control);
    virtual void focus(TWinControl& control);
    virtual void key(TForm& form, uint16_t key, TShiftState shift);
    virtual void check(TCheckListBox& list, int index);
    virtual void select(TCheckListBox& list, int index);
    virtual void type(TEdit& edit, const std::string& text);
    // A memo's lines, a line feed between them.
    virtual void type(TMemo& memo, const std::string& text);
    virtual void drive(TDriveComboBox& box, char drive);
    virtual void open(TDirectoryListBox& list, const std::string& entry);
};

class ScriptedUser : public DisplayBackEnd {
public:
    ScriptedUser(Script script, std::unique_ptr<Transcript> transcript);
    ~ScriptedUser() override;
    // SETUP_SCRIPT (none: an empty script) and SETUP_TRANSCRIPT (none:
    // standard error); a script that cannot be read or parsed ends the run.
    static std::unique_ptr<ScriptedUser> fromEnvironment();
    // For tests: a script given as text; the transcript goes to the host
    // file transcriptPath (standard error for "") and stays readable here.
    static std::unique_ptr<ScriptedUser> fromText(const std::string& utf8, const std::string& transcriptPath);

    const Transcript& transcript() const { return *m_transcript; }
    // From now on the steps go through these hands (they must outlive the
    // user's steps).
    void useHands(Hands& hands) { m_hands = &hands; }

    void formShown(TForm& form, bool modal) override;
    void formHidden(TForm& form) override;
    void modalEnded(TForm& form, int result) override;
    void boxOpened(BoxRequest& box) override;
    // The box went to the transcript with its answer.
    void boxClosed(BoxRequest&) override {}
    void waitForInput(TForm* form, BoxRequest* box, std::optional<uint32_t> timerDue) override;
    void repaint(TControl&) override {}
    void beep() override;

private:
    static std::unique_ptr<ScriptedUser> create(const std::string& transcriptPath,
                                                const std::function<Script()>& readScript);
    static void exitHook(int code);
    [[noreturn]] void fail(int line, const std::string& what);
    // The next user step; machine steps on the way are carried out.
    std::optional<Step> takeStep();
    Step requireStep(const std::string& happening);
    void writeBox(const BoxRequest& box, const std::string& answer);
    void answerBox(BoxRequest& box);
    void act(TForm& form, const Step& step);
    void typeText(TForm& form, const Step& step);
    TControl* findControl(TForm& form, const Step& step);
    template <class T>
    T* controlOfKind(TForm& form, const Step& step, const char* kind);
    // Notes the step in the transcript: done, or ignored when the user
    // cannot reach the control (then false).
    bool reachable(TControl& control, const Step& step, bool readOnly = false);

    Script m_script;
    std::unique_ptr<Transcript> m_transcript;
    Hands m_ownHands;
    Hands* m_hands = &m_ownHands;
    bool m_bTimerFired = false;  // in this modal window, since the last user step
};

}  // namespace forms::headless
