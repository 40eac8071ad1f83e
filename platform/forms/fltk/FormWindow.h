// The real window of one form: its views built and kept in step with the
// model, the window placed and sized as the design says, and every key the
// user presses handed to the model's dispatch.
#pragma once

#include "Views.h"

#include <FL/Fl_Double_Window.H>

#include <map>
#include <set>

class TForm;

namespace forms::fltk {

class FltkDisplay;

class FormWindow : public Fl_Double_Window, public Input {
public:
    FormWindow(FltkDisplay& display, TForm& form);
    ~FormWindow() override;

    // Takes everything from the model: caption, size, controls, focus.
    void sync();
    // Shows the window, centred when the design says so, modal or not, and
    // returns once it is on the screen and drawn.
    void showAs(bool modal);
    void hideWindow();

    Fl_Widget* widgetOf(const TControl& control) const;

    TForm& form() override { return m_form; }
    void post(std::function<void()> action) override;
    void postKey() override;

    int handle(int event) override;

private:
    void syncChildren(TWinControl& parent, Fl_Group& group, int originX, int originY, std::set<View*>& seen);
    void dropViewsNotIn(const std::set<View*>& seen);
    void syncFocus();
    bool focusedViewOwnsKey(uint16_t key, TShiftState shift);

    FltkDisplay& m_display;
    TForm& m_form;
    std::map<const TControl*, View*> m_views;  // the widgets belong to the window
    TComponent* m_watch;                       // goes with the form, and takes the window along
};

}  // namespace forms::fltk
