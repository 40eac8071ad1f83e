#include "BoxWindow.h"

#include "Draw.h"
#include "FltkDisplay.h"

#include <FL/Fl.H>
#include <FL/fl_draw.H>

#include <algorithm>

namespace forms::fltk {

namespace {

constexpr int kMargin = 12;
constexpr int kIconSize = 32;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 23;
constexpr int kButtonGap = 6;

FontChoice boxFont() { return chooseFont("MS Sans Serif", -12, false, false, false); }

void drawIcon(int icon, int x, int y) {
    const FontChoice font = chooseFont("MS Sans Serif", -24, true, false, false);
    const auto mark = [&](const char* text, Fl_Color color) {
        useFont(font);
        fl_color(color);
        drawTextBlock(text, x, y + 2, kIconSize, kIconSize, taCenter, tlCenter, false, font);
    };
    switch (icon) {
        case MB_ICONHAND:
            fl_color(fl_rgb_color(200, 0, 0));
            fl_pie(x, y, kIconSize, kIconSize, 0, 360);
            fl_color(FL_WHITE);
            fl_line_style(FL_SOLID, 4);
            fl_line(x + 10, y + 10, x + 22, y + 22);
            fl_line(x + 22, y + 10, x + 10, y + 22);
            fl_line_style(0);
            break;
        case MB_ICONQUESTION:
            fl_color(fl_rgb_color(0, 64, 192));
            fl_pie(x, y, kIconSize, kIconSize, 0, 360);
            mark("?", FL_WHITE);
            break;
        case MB_ICONEXCLAMATION:
            fl_color(fl_rgb_color(255, 210, 0));
            fl_polygon(x + kIconSize / 2, y, x + kIconSize, y + kIconSize - 2, x, y + kIconSize - 2);
            fl_color(FL_BLACK);
            fl_loop(x + kIconSize / 2, y, x + kIconSize, y + kIconSize - 2, x, y + kIconSize - 2);
            mark("!", FL_BLACK);
            break;
        default: break;
    }
}

}  // namespace

const char* boxButtonLabel(int id) {
    switch (id) {
        case IDOK: return "OK";
        case IDCANCEL:
        case IDABORT: return "Abbrechen";
        case IDRETRY: return "Wiederholen";
        case IDIGNORE: return "Ignorieren";
        case IDYES: return "Ja";
        case IDNO: return "Nein";
        default: return "";
    }
}

int escapeButton(const std::vector<int>& buttons) {
    if (std::find(buttons.begin(), buttons.end(), IDCANCEL) != buttons.end()) return IDCANCEL;
    return buttons == std::vector<int>{IDOK} ? IDOK : 0;
}

BoxWindow::BoxWindow(FltkDisplay& display, BoxRequest& box)
    : Fl_Double_Window(1, 1), m_display(display), m_box(box), m_buttons(BoxButtons(box)) {
    end();
    const int icon = box.SimpleDialog ? 0 : box.Style & 0xF0;
    m_icon = icon == MB_ICONHAND || icon == MB_ICONQUESTION || icon == MB_ICONEXCLAMATION ? icon : 0;
    copy_label(toUtf8(box.Caption).c_str());
    color(toFlColor(clBtnFace));
    // The close box answers as Escape does.
    callback(
        [](Fl_Widget* widget, void*) {
            auto* self = static_cast<BoxWindow*>(widget);
            const int id = escapeButton(self->m_buttons);
            const auto at = std::find(self->m_buttons.begin(), self->m_buttons.end(), id);
            if (at != self->m_buttons.end()) self->press(static_cast<int>(at - self->m_buttons.begin()));
        },
        nullptr);

    int textW = 0, textH = 0;
    measureTextBlock(box.Text, boxFont(), textW, textH);
    const int iconW = m_icon ? kIconSize + kMargin : 0;
    const int rowW = static_cast<int>(m_buttons.size()) * (kButtonWidth + kButtonGap) - kButtonGap;
    const int width = std::max({kMargin + iconW + textW + kMargin, rowW + 2 * kMargin, 160});
    const int bodyH = std::max(m_icon ? kIconSize : 0, textH);
    m_textX = kMargin + iconW;
    m_textY = kMargin + (bodyH - textH) / 2;
    m_buttonsX = (width - rowW) / 2;
    m_buttonsY = kMargin + bodyH + 16;
    size(width, m_buttonsY + kButtonHeight + kMargin);
}

void BoxWindow::showModal() {
    set_modal();
    size_range(w(), h(), w(), h());
    position((Fl::w() - w()) / 2, (Fl::h() - h()) / 2);
    show();
    wait_for_expose();
    Fl::focus(this);
    Fl::flush();
}

void BoxWindow::draw() {
    fl_color(color());
    fl_rectf(0, 0, w(), h());
    if (m_icon) drawIcon(m_icon, kMargin, kMargin);
    fl_color(FL_BLACK);
    int textW = 0, textH = 0;
    measureTextBlock(m_box.Text, boxFont(), textW, textH);
    drawTextBlock(m_box.Text, m_textX, m_textY, textW, textH, taLeftJustify, tlTop, false, boxFont());
    for (std::size_t i = 0; i < m_buttons.size(); ++i) {
        ButtonLook look;
        look.pushed = m_pushed == static_cast<int>(i);
        look.focused = look.framed = m_focus == static_cast<int>(i);
        drawButtonFace(m_buttonsX + static_cast<int>(i) * (kButtonWidth + kButtonGap), m_buttonsY, kButtonWidth,
                       kButtonHeight, boxButtonLabel(m_buttons[i]), boxFont(), clBtnFace, look);
    }
}

int BoxWindow::handle(int event) {
    const auto buttonAt = [this](int x, int y) {
        for (std::size_t i = 0; i < m_buttons.size(); ++i) {
            const int left = m_buttonsX + static_cast<int>(i) * (kButtonWidth + kButtonGap);
            if (x >= left && x < left + kButtonWidth && y >= m_buttonsY && y < m_buttonsY + kButtonHeight)
                return static_cast<int>(i);
        }
        return -1;
    };
    switch (event) {
        case FL_PUSH:
            m_pushed = buttonAt(Fl::event_x(), Fl::event_y());
            redraw();
            return 1;
        case FL_DRAG: return 1;
        case FL_RELEASE: {
            const int released = buttonAt(Fl::event_x(), Fl::event_y());
            const bool clicked = released >= 0 && released == m_pushed;
            m_pushed = -1;
            redraw();
            if (clicked) {
                m_focus = released;
                press(released);
            }
            return 1;
        }
        case FL_KEYBOARD:
        case FL_SHORTCUT:
            switch (Fl::event_key()) {
                case FL_Enter:
                case FL_KP_Enter:
                case ' ': press(m_focus); break;
                case FL_Escape: do_callback(); break;
                case FL_Tab: moveFocus(Fl::event_shift() ? -1 : 1); break;
                case FL_Left:
                case FL_Up: moveFocus(-1); break;
                case FL_Right:
                case FL_Down: moveFocus(1); break;
                default: break;
            }
            return 1;
        case FL_KEYUP:
        case FL_FOCUS:
        case FL_UNFOCUS: return 1;
        default: return Fl_Double_Window::handle(event);
    }
}

void BoxWindow::press(int index) {
    BoxRequest* box = &m_box;
    const int id = m_buttons[static_cast<std::size_t>(index)];
    m_display.post(box, [box, id] { box->Result = id; });
}

void BoxWindow::moveFocus(int step) {
    const int count = static_cast<int>(m_buttons.size());
    m_focus = ((m_focus + step) % count + count) % count;
    redraw();
}

}  // namespace forms::fltk
