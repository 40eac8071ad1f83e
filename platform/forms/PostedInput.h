// The user actions of a display back end with real windows.
//
// What the user does in a window is posted here and run on the model when
// that window takes input (the innermost modal form or box, or any shown
// form when none is modal), so model code never runs inside the toolkit's
// event handling and the model's loops stay the only loops.
#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <vector>

namespace forms {

class PostedInput {
public:
    // `shown` tells whether the window of a form is on the screen.
    explicit PostedInput(std::function<bool(const void* form)> shown) : m_shown(std::move(shown)) {}

    void enterModal(const void* target) { m_modal.push_back(target); }
    void leaveModal(const void* target);
    // The modal forms and boxes, innermost last.
    const std::vector<const void*>& modal() const { return m_modal; }
    bool takesInput(const void* target) const;

    void post(const void* target, std::function<void()> action);
    // Runs the first action whose window takes input, dropping those whose
    // window no longer does; false when none was run.
    bool runNext();
    bool empty() const { return m_posted.empty(); }
    std::size_t size() const { return m_posted.size(); }
    void clear() { m_posted.clear(); }

private:
    struct Posted {
        const void* target;
        std::function<void()> action;
    };

    std::function<bool(const void*)> m_shown;
    std::vector<const void*> m_modal;
    std::deque<Posted> m_posted;
};

}  // namespace forms
