// The toolkit's widgets for the model's controls.  Each view draws its
// control from the model and hands what the user does to the window's
// input, which posts it to the display as a user action on the model: the
// model's own rules (click order, key dispatch, focus, tab order) decide
// what happens, never the toolkit's defaults.
#pragma once

#include "Controls.h"
#include "Draw.h"
#include "Pictures.h"

#include <FL/Fl_Group.H>
#include <FL/Fl_Widget.H>

#include <functional>
#include <optional>

class TForm;

namespace forms::fltk {

// Where a window's views send what the user does.
class Input {
public:
    virtual ~Input() = default;
    // A user action on the model, run when the form takes input.
    virtual void post(std::function<void()> action) = 0;
    // The key of the current toolkit event, through the model's dispatch.
    virtual void postKey() = 0;
    virtual TForm& form() = 0;
};

// The model's key code and modifiers of the current toolkit key event;
// nullopt for keys the model has no code for (modifiers alone, symbols).
std::optional<uint16_t> virtualKey(int flKey);
TShiftState shiftState(int flState);

class View {
public:
    explicit View(TControl& control) : control(control) {}
    virtual ~View() = default;
    virtual Fl_Widget& widget() = 0;
    // The model's look and content; place and visibility are set before.
    virtual void sync() = 0;
    // Containers: the group their children's widgets go into, and the
    // window position of the model's (0, 0) inside them.
    virtual Fl_Group* childGroup() { return nullptr; }
    virtual void childOrigin(int& x, int& y) { x = widget().x(), y = widget().y(); }
    // Views that edit text themselves take the toolkit's keyboard focus;
    // every other key goes to the window and from there to the model.
    virtual bool editsText() const { return false; }
    // The model moved the focus to this control.
    virtual void focused() {}
    // A key that the view handles itself, before the model's dispatch, while
    // its control has the focus (a drop-down list opening); true when it did.
    virtual bool ownKey(uint16_t /*key*/, TShiftState /*shift*/) { return false; }

    TControl& control;
};

// The view of a control; the window owns it as a toolkit widget.
View* makeView(TControl& control, Input& input);

// The views with a unit of their own.
View* makeCheckListView(TCheckListBox& list, Input& input);
View* makeDirectoryListView(TDirectoryListBox& list, Input& input);
View* makeRichEditView(TRichEdit& rich, Input& input);

// Scrolls a scroll box's view so that its child is in sight.
void scrollIntoView(View& scrollBox, const TControl& child);

// Whether the model's focus is on this control.
bool hasFocus(TControl& control);
// A mouse press on a control: refused (false) when the user cannot reach
// it; otherwise the control takes the focus, as a click gives it.
bool pressOn(TWinControl& control, Input& input);

}  // namespace forms::fltk
