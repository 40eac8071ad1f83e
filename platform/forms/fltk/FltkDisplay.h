// The FLTK display back end: real windows drawn from the forms model.
//
// What the user does in a window becomes a user action, posted here and
// run on the model when the window takes input (the innermost modal window,
// or any shown form when none is modal) at the model's next wait for the
// user, or in ProcessMessages; so model code never runs inside the
// toolkit's event handling, and the model's loops stay the only loops.
// Waiting is the toolkit's, on the real clock: a wait for a timer ends at
// its due time, input or not, and the machine's clock moves by the time
// waited; for a person the machine's sleeps are real too.
//
// With a scripted user the script decides every wait as in the headless
// back end, and the windows show what it does.  SETUP_SCREENSHOTS names a
// host folder that receives a PNG picture of every page and box as it is
// shown ("NNNN-NAME.png", numbered from the transcript's counter).
#pragma once

#include "Forms.h"
#include "PostedInput.h"

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

class Fl_Widget;
class Fl_Window;
union _XEvent;

namespace forms::fltk {

class BoxWindow;
class FormWindow;

class FltkDisplay : public DisplayBackEnd {
public:
    // Opens the display; nullptr, with the reason in problem, without one.
    static std::unique_ptr<FltkDisplay> open(std::unique_ptr<DisplayBackEnd> scriptedUser, std::string& problem);
    ~FltkDisplay() override;

    void formShown(TForm& form, bool modal) override;
    void formHidden(TForm& form) override;
    void modalEnded(TForm& form, int result) override;
    void boxOpened(BoxRequest& box) override;
    void boxClosed(BoxRequest& box) override;
    void waitForInput(TForm* form, BoxRequest* box, std::optional<uint32_t> timerDue) override;
    void processMessages() override;
    void repaint(TControl& control) override;
    void beep() override;

    // A user action from the window of `target` (a form or a box).
    void post(const void* target, std::function<void()> action);
    // The form is going: its window goes with it.
    void forget(const TForm& form);

    // What is on the screen, for tests and pictures.
    Fl_Window* windowOf(const TForm& form) const;
    Fl_Widget* widgetOf(const TControl& control) const;
    Fl_Window* boxWindow() const;  // the innermost open box, nullptr when none
    // User actions posted and not run yet.
    std::size_t postedInput() const { return m_input.size(); }
    // The picture files written so far, in order.
    const std::vector<std::string>& pictures() const { return m_pictures; }

private:
    FltkDisplay(std::unique_ptr<DisplayBackEnd> scriptedUser, std::string pictureFolder);
    FormWindow& windowFor(TForm& form);
    void hideWindowOf(const TForm& form);
    void syncWindows();
    // Runs the first posted action that can run; false when there was none.
    bool runPosted();
    void waitForUser(std::optional<uint32_t> timerDue);
    // A person's input that comes while an action of earlier input is not
    // run yet waits for it, as each message waits for the one before: held
    // from the toolkit and given back once the posted actions ran.
    static int holdInput(void* event, void* display);
    void giveBackInput();
    void takePicture(Fl_Window& window, const std::string& name);

    std::unique_ptr<DisplayBackEnd> m_user;  // the scripted user, or nullptr for a person
    std::map<const TForm*, std::unique_ptr<FormWindow>> m_windows;
    std::vector<std::pair<BoxRequest*, std::unique_ptr<BoxWindow>>> m_boxes;
    PostedInput m_input;
    std::vector<_XEvent> m_heldInput;
    std::string m_pictureFolder;
    std::vector<std::string> m_pictures;
};

}  // namespace forms::fltk
