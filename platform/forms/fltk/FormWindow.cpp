#include "FormWindow.h"

#include "FltkDisplay.h"
#include "Forms.h"

#include <FL/Fl.H>

#include <algorithm>
#include <vector>

namespace forms::fltk {

namespace {

// A component of the form, so that it goes when the form goes (the form
// deletes what it owns) and takes the window along.
class FormWatch : public TComponent {
public:
    FormWatch(TForm& form, FltkDisplay& display) : TComponent(&form), m_form(form), m_display(display) {}
    ~FormWatch() override {
        if (m_armed) m_display.forget(m_form);
    }
    // The window goes first (the display ends): nothing to tell.
    void disarm() { m_armed = false; }

private:
    TForm& m_form;
    FltkDisplay& m_display;
    bool m_armed = true;
};

int clientWidth(const TForm& form) { return std::max(form.ClientWidth > 0 ? form.ClientWidth : form.Width, 1); }
int clientHeight(const TForm& form) { return std::max(form.ClientHeight > 0 ? form.ClientHeight : form.Height, 1); }

}  // namespace

FormWindow::FormWindow(FltkDisplay& display, TForm& form)
    : Fl_Double_Window(clientWidth(form), clientHeight(form)),
      m_display(display),
      m_form(form),
      m_watch(new FormWatch(form, display)) {
    end();
    resizable(nullptr);
    // Only the model closes a page: neither Escape nor the close box does.
    callback([](Fl_Widget*, void*) {});
}

FormWindow::~FormWindow() {
    if (auto* watch = static_cast<FormWatch*>(m_watch)) {
        watch->disarm();
        delete watch;
    }
}

void FormWindow::sync() {
    const std::string title = toUtf8(m_form.Caption);
    if (!label() || title != label()) copy_label(title.c_str());
    color(toFlColor(m_form.Color));
    if (w() != clientWidth(m_form) || h() != clientHeight(m_form)) size(clientWidth(m_form), clientHeight(m_form));
    std::set<View*> seen;
    syncChildren(m_form, *this, 0, 0, seen);
    dropViewsNotIn(seen);
    syncFocus();
    redraw();
}

void FormWindow::syncChildren(TWinControl& parent, Fl_Group& group, int originX, int originY, std::set<View*>& seen) {
    for (int i = 0; i < parent.ControlCount(); ++i) {
        TControl& control = *parent.Controls(i);
        auto found = m_views.find(&control);
        if (found == m_views.end()) {
            Fl_Group::current(nullptr);  // the toolkit would add new widgets to the group last begun
            View* made = makeView(control, *this);
            if (!made) continue;
            found = m_views.emplace(&control, made).first;
        }
        View& view = *found->second;
        Fl_Widget& widget = view.widget();
        if (widget.parent() != &group) group.add(widget);
        seen.insert(&view);
        // Every design places its controls itself, so Align needs no layout here.
        const int x = originX + control.Left, y = originY + control.Top;
        const int w = std::max(control.Width, 1), h = std::max(control.Height, 1);
        if (widget.x() != x || widget.y() != y || widget.w() != w || widget.h() != h) widget.resize(x, y, w, h);
        if (control.Visible())
            widget.show();
        else
            widget.hide();
        view.sync();
        if (Fl_Group* inner = view.childGroup()) {
            int childX = 0, childY = 0;
            view.childOrigin(childX, childY);
            syncChildren(static_cast<TWinControl&>(control), *inner, childX, childY, seen);
        }
    }
}

// Views whose controls left the form: out of their groups first, so that
// deleting a group deletes none of them twice.
void FormWindow::dropViewsNotIn(const std::set<View*>& seen) {
    std::vector<View*> gone;
    for (auto it = m_views.begin(); it != m_views.end();) {
        if (seen.count(it->second)) {
            ++it;
            continue;
        }
        gone.push_back(it->second);
        it = m_views.erase(it);
    }
    for (View* view : gone)
        if (Fl_Group* parent = view->widget().parent()) parent->remove(view->widget());
    for (View* view : gone) delete &view->widget();
}

void FormWindow::syncFocus() {
    if (!shown() || (Fl::modal() && Fl::modal() != this)) return;
    TWinControl* active = m_form.ActiveControl && m_form.ActiveControl->CanFocus() ? m_form.ActiveControl : nullptr;
    const auto found = active ? m_views.find(active) : m_views.end();
    View* view = found != m_views.end() ? found->second : nullptr;
    if (view && view->editsText()) {
        if (Fl::focus() != &view->widget()) {
            Fl::focus(&view->widget());
            view->focused();
        }
    } else if (Fl::focus() != this) {
        Fl::focus(this);
    }
    if (active && active->Parent()) {
        const auto box = m_views.find(active->Parent());
        if (box != m_views.end()) scrollIntoView(*box->second, *active);
    }
}

bool FormWindow::focusedViewOwnsKey(uint16_t key, TShiftState shift) {
    const auto found = m_views.find(m_form.ActiveControl);
    return found != m_views.end() && found->second->control.CanTakeInput() && found->second->ownKey(key, shift);
}

void FormWindow::showAs(bool modal) {
    clear_flag(MODAL | NON_MODAL);
    if (modal) set_modal();
    size_range(w(), h(), w(), h());  // a single fixed border
    if (m_form.Position == poScreenCenter)
        position((Fl::w() - w()) / 2, (Fl::h() - h()) / 2);
    else
        position(m_form.Left, m_form.Top);
    show();
    wait_for_expose();
    syncFocus();
    Fl::flush();
}

void FormWindow::hideWindow() {
    hide();
    Fl::flush();
}

Fl_Widget* FormWindow::widgetOf(const TControl& control) const {
    const auto found = m_views.find(&control);
    return found == m_views.end() ? nullptr : &found->second->widget();
}

void FormWindow::post(std::function<void()> action) { m_display.post(&m_form, std::move(action)); }

void FormWindow::postKey() {
    const std::optional<uint16_t> key = virtualKey(Fl::event_key());
    if (!key) return;
    const TShiftState shift = shiftState(Fl::event_state());
    // Decided when the model has taken the keys before: the focus may move.
    post([this, code = *key, shift] {
        if (!focusedViewOwnsKey(code, shift)) m_form.DispatchKey(code, shift);
    });
}

int FormWindow::handle(int event) {
    switch (event) {
        // Every key goes to the model's dispatch, also one that reaches the
        // window as a shortcut because no widget had the keyboard: nothing
        // for the toolkit's shortcuts, Escape or navigation.
        case FL_KEYBOARD:
        case FL_SHORTCUT: postKey(); return 1;
        // The window gets the keyboard back: the focus is the model's.
        case FL_FOCUS: syncFocus(); return 1;
        case FL_KEYUP:
        case FL_UNFOCUS: return 1;
        default: return Fl_Double_Window::handle(event);
    }
}

}  // namespace forms::fltk
