#include "FltkDisplay.h"

#include "BoxWindow.h"
#include "CreateDisplay.h"
#include "Console.h"
#include "FormWindow.h"
#include "Machine.h"
#include "Pictures.h"
#include "Win.h"
#include "picture/PictureFiles.h"

#include <FL/Fl.H>
#include <FL/fl_ask.H>
#include <FL/x.H>

#include <algorithm>
#include <chrono>
#include <cstdlib>

namespace forms::fltk {

namespace {

// The toolkit has waited already: only the machine's clock moves.
void advanceClock(uint32_t milliseconds) {
    if (milliseconds == 0) return;
    const bool virtualTime = win::machine::virtualTime();
    win::machine::setVirtualTime(true);
    win::sleep(milliseconds);
    win::machine::setVirtualTime(virtualTime);
}

}  // namespace

std::unique_ptr<DisplayBackEnd> createDisplay(std::unique_ptr<DisplayBackEnd> scriptedUser) {
    // A person lives on the real clock: a sleep takes its time, as the waits do.
    if (!scriptedUser) win::machine::setVirtualTime(false);
    std::string problem;
    std::unique_ptr<FltkDisplay> display = FltkDisplay::open(std::move(scriptedUser), problem);
    if (!display) {
        win::console::writeError(problem + "\n");
        win::exitProcess(2);
    }
    return display;
}

std::unique_ptr<FltkDisplay> FltkDisplay::open(std::unique_ptr<DisplayBackEnd> scriptedUser, std::string& problem) {
    const char* name = std::getenv("DISPLAY");
    if (!name || !*name) {
        problem = "no display for the windows: DISPLAY is not set (run under xvfb-run, or give SETUP_SCRIPT for "
                  "the headless scripted user)";
        return nullptr;
    }
    if (!fl_display) {
        Display* display = XOpenDisplay(nullptr);
        if (!display) {
            problem = std::string("cannot open the display \"") + name + "\" for the windows";
            return nullptr;
        }
        fl_open_display(display);
    }
    Fl::background(kButtonFace[0], kButtonFace[1], kButtonFace[2]);
    return std::unique_ptr<FltkDisplay>(new FltkDisplay(std::move(scriptedUser), pictureFolderFromEnvironment()));
}

FltkDisplay::FltkDisplay(std::unique_ptr<DisplayBackEnd> scriptedUser, std::string pictureFolder)
    : m_user(std::move(scriptedUser)),
      m_input([this](const void* form) {
          const auto found = m_windows.find(static_cast<const TForm*>(form));
          return found != m_windows.end() && found->second->shown();
      }),
      m_pictureFolder(std::move(pictureFolder)) {
    if (!m_user) Fl::add_system_handler(&FltkDisplay::holdInput, this);
}

FltkDisplay::~FltkDisplay() {
    if (!m_user) Fl::remove_system_handler(&FltkDisplay::holdInput);
    m_boxes.clear();
    m_windows.clear();
}

// ------------------------------------------------------------- windows
FormWindow& FltkDisplay::windowFor(TForm& form) {
    std::unique_ptr<FormWindow>& window = m_windows[&form];
    if (!window) window = std::make_unique<FormWindow>(*this, form);
    return *window;
}

void FltkDisplay::forget(const TForm& form) {
    m_input.leaveModal(&form);
    m_windows.erase(&form);
}

void FltkDisplay::syncWindows() {
    for (auto& [form, window] : m_windows)
        if (window->shown()) window->sync();
    Fl::flush();
}

void FltkDisplay::formShown(TForm& form, bool modal) {
    FormWindow& window = windowFor(form);
    if (modal) m_input.enterModal(&form);
    window.sync();
    window.showAs(modal);
    takePicture(window, form.Name);
    if (m_user) m_user->formShown(form, modal);
}

void FltkDisplay::hideWindowOf(const TForm& form) {
    const auto found = m_windows.find(&form);
    if (found != m_windows.end()) found->second->hideWindow();
}

void FltkDisplay::formHidden(TForm& form) {
    hideWindowOf(form);
    if (m_user) m_user->formHidden(form);
}

void FltkDisplay::modalEnded(TForm& form, int result) {
    m_input.leaveModal(&form);
    hideWindowOf(form);
    if (m_user) m_user->modalEnded(form, result);
}

void FltkDisplay::boxOpened(BoxRequest& box) {
    m_boxes.emplace_back(&box, std::make_unique<BoxWindow>(*this, box));
    m_input.enterModal(&box);
    BoxWindow& window = *m_boxes.back().second;
    window.showModal();
    takePicture(window, box.SimpleDialog ? "message" : "box");
    if (m_user) m_user->boxOpened(box);
}

void FltkDisplay::boxClosed(BoxRequest& box) {
    m_input.leaveModal(&box);
    std::erase_if(m_boxes, [&](const auto& open) { return open.first == &box; });
    Fl::flush();
    if (m_user) m_user->boxClosed(box);
}

void FltkDisplay::repaint(TControl& control) {
    TForm* form = control.ParentForm();
    const auto found = form ? m_windows.find(form) : m_windows.end();
    if (found == m_windows.end() || !found->second->shown()) return;
    found->second->sync();
    Fl::flush();  // draws without taking any input
}

void FltkDisplay::beep() {
    fl_beep();
    if (m_user) m_user->beep();
}

// ---------------------------------------------------------------- input
void FltkDisplay::post(const void* target, std::function<void()> action) { m_input.post(target, std::move(action)); }

bool FltkDisplay::runPosted() {
    if (!m_input.runNext()) return false;
    syncWindows();
    return true;
}

void FltkDisplay::waitForInput(TForm* form, BoxRequest* box, std::optional<uint32_t> timerDue) {
    syncWindows();
    if (m_user) {
        Fl::check();
        m_input.clear();  // the script is the only user
        m_user->waitForInput(form, box, timerDue);
        syncWindows();
        return;
    }
    if (runPosted()) return;
    giveBackInput();
    waitForUser(timerDue);
    runPosted();
}

namespace {

bool IsUserInput(const XEvent& event) {
    switch (event.type) {
        case KeyPress:
        case KeyRelease:
        case ButtonPress:
        case ButtonRelease:
        case MotionNotify: return true;
        default: return false;
    }
}

}  // namespace

// A toolkit menu (it grabs the input) takes its input as it comes: it runs
// inside the toolkit's event handling, where no posted action runs.
int FltkDisplay::holdInput(void* event, void* display) {
    FltkDisplay& self = *static_cast<FltkDisplay*>(display);
    const XEvent& xevent = *static_cast<const XEvent*>(event);
    if (!IsUserInput(xevent) || Fl::grab() || (self.m_input.empty() && self.m_heldInput.empty())) return 0;
    self.m_heldInput.push_back(xevent);
    return 1;
}

// Back in front of the queue, the last first, so they come in their order.
void FltkDisplay::giveBackInput() {
    if (!m_input.empty()) return;
    for (auto held = m_heldInput.rbegin(); held != m_heldInput.rend(); ++held) XPutBackEvent(fl_display, &*held);
    m_heldInput.clear();
}

// The deadline is kept here, not as a toolkit timeout: the toolkit runs an
// expired timeout first and then waits for an event without any limit.
void FltkDisplay::waitForUser(std::optional<uint32_t> timerDue) {
    using Clock = std::chrono::steady_clock;
    if (!timerDue) {
        while (m_input.empty()) Fl::wait(1e20);
        return;
    }
    const int32_t ahead = std::max<int32_t>(static_cast<int32_t>(*timerDue - win::tickCount()), 0);
    const auto start = Clock::now();
    const auto deadline = start + std::chrono::milliseconds(ahead);
    for (auto now = start; m_input.empty() && now < deadline; now = Clock::now())
        Fl::wait(std::chrono::duration<double>(deadline - now).count());
    if (ahead == 0) Fl::check();
    const auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    advanceClock(static_cast<uint32_t>(std::min<long long>(waited, ahead)));
}

void FltkDisplay::processMessages() {
    giveBackInput();
    Fl::check();
    if (m_user) {
        m_input.clear();
        return;
    }
    while (runPosted()) {
    }
}

// ------------------------------------------------------- what is shown
Fl_Window* FltkDisplay::windowOf(const TForm& form) const {
    const auto found = m_windows.find(&form);
    return found == m_windows.end() ? nullptr : found->second.get();
}

Fl_Widget* FltkDisplay::widgetOf(const TControl& control) const {
    for (const auto& [form, window] : m_windows)
        if (Fl_Widget* widget = window->widgetOf(control)) return widget;
    return nullptr;
}

Fl_Window* FltkDisplay::boxWindow() const { return m_boxes.empty() ? nullptr : m_boxes.back().second.get(); }

void FltkDisplay::takePicture(Fl_Window& window, const std::string& name) {
    if (m_pictureFolder.empty()) return;
    const std::string path = nextPicturePath(m_pictureFolder, name);
    if (win::writeWholeFile(path, encodePng(capture(window)))) m_pictures.push_back(path);
}

}  // namespace forms::fltk
