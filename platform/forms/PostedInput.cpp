#include "PostedInput.h"

#include <algorithm>

namespace forms {

void PostedInput::leaveModal(const void* target) { std::erase(m_modal, target); }

bool PostedInput::takesInput(const void* target) const {
    if (!m_modal.empty()) return m_modal.back() == target;
    return m_shown(target);
}

void PostedInput::post(const void* target, std::function<void()> action) {
    m_posted.push_back({target, std::move(action)});
}

bool PostedInput::runNext() {
    while (!m_posted.empty()) {
        Posted posted = std::move(m_posted.front());
        m_posted.pop_front();
        if (!takesInput(posted.target)) continue;
        posted.action();
        return true;
    }
    return false;
}

}  // namespace forms
