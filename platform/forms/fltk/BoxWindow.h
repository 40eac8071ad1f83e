// A message box, or the simple message dialog, as a modal window: the icon
// of its style, the text broken at line feeds, and the buttons of its style
// with the labels German Windows gives them.  The first button is the
// default (Return); Escape gives Cancel where the box has it, OK in an
// OK-only box, and nothing otherwise.
#pragma once

#include "Forms.h"

#include <FL/Fl_Double_Window.H>

#include <vector>

namespace forms::fltk {

class FltkDisplay;

// The label German Windows gives a button id.
const char* boxButtonLabel(int id);
// The button Escape presses, 0 for none.
int escapeButton(const std::vector<int>& buttons);

class BoxWindow : public Fl_Double_Window {
public:
    BoxWindow(FltkDisplay& display, BoxRequest& box);

    // Shows the box centred on the screen and returns once it is drawn.
    void showModal();
    int handle(int event) override;
    void draw() override;

    // The button with the keyboard focus.
    int focusedButton() const { return m_focus; }

private:
    void press(int index);
    void moveFocus(int step);

    FltkDisplay& m_display;
    BoxRequest& m_box;
    std::vector<int> m_buttons;
    int m_focus = 0;
    int m_pushed = -1;
    int m_icon = 0;  // the style's icon bits, 0 for none
    int m_textX = 0, m_textY = 0;
    int m_buttonsX = 0, m_buttonsY = 0;
};

}  // namespace forms::fltk
