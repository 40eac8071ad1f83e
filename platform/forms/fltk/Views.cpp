#include "Views.h"

#include "Forms.h"
#include "Text1252.h"

#include <FL/Fl.H>
#include <FL/Fl_Choice.H>
#include <FL/Fl_Image.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Scroll.H>
#include <FL/Fl_Text_Buffer.H>
#include <FL/Fl_Text_Editor.H>
#include <FL/fl_draw.H>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <memory>

namespace forms::fltk {

// ------------------------------------------------------------------ keys
std::optional<uint16_t> virtualKey(int flKey) {
    if (flKey >= 'a' && flKey <= 'z') return static_cast<uint16_t>(flKey - 'a' + 'A');
    if (flKey >= '0' && flKey <= '9') return static_cast<uint16_t>(flKey);
    if (flKey > FL_F && flKey <= FL_F + 12) return static_cast<uint16_t>(VK_F1 + flKey - FL_F - 1);
    switch (flKey) {
        case FL_BackSpace: return 8;
        case FL_Tab: return VK_TAB;
        case FL_Enter:
        case FL_KP_Enter: return VK_RETURN;
        case FL_Escape: return VK_ESCAPE;
        case ' ': return VK_SPACE;
        case FL_Page_Up: return 33;
        case FL_Page_Down: return 34;
        case FL_End: return 35;
        case FL_Home: return 36;
        case FL_Left: return 37;
        case FL_Up: return VK_UP;
        case FL_Right: return 39;
        case FL_Down: return VK_DOWN;
        case FL_Insert: return 45;
        case FL_Delete: return 46;
        default: return std::nullopt;
    }
}

TShiftState shiftState(int flState) {
    TShiftState shift;
    if (flState & FL_SHIFT) shift << ssShift;
    if (flState & FL_CTRL) shift << ssCtrl;
    if (flState & FL_ALT) shift << ssAlt;
    return shift;
}

bool hasFocus(TControl& control) {
    TForm* form = control.ParentForm();
    return form && form->ActiveControl == &control;
}

bool pressOn(TWinControl& control, Input& input) {
    if (!control.CanTakeInput()) return false;
    TWinControl* target = &control;
    input.post([target] { target->SetFocus(); });
    return true;
}

namespace {

// Keys a text field uses itself; they reach the model's dispatch as well.
bool isEditingKey(int key) {
    const int state = Fl::event_state();
    if (state & (FL_CTRL | FL_ALT)) return (state & FL_CTRL) && (key == 'a' || key == 'c' || key == 'v' || key == 'x');
    switch (key) {
        case FL_BackSpace:
        case FL_Delete:
        case FL_Left:
        case FL_Right:
        case FL_Home:
        case FL_End: return true;
        default: return Fl::event_length() > 0 && static_cast<unsigned char>(Fl::event_text()[0]) >= 0x20;
    }
}

bool isLineKey(int key) { return key == FL_Up || key == FL_Down || key == FL_Page_Up || key == FL_Page_Down; }

FontChoice fontOf(const TControl& control) { return chooseFont(control.EffectiveFont()); }

std::string joinLines(const TStrings& lines) {
    std::string text;
    for (int i = 0; i < lines.Count(); ++i) text += (i ? "\n" : "") + lines.Strings(i);
    return text;
}

// ---------------------------------------------------------------- label
class LabelView : public Fl_Widget, public View {
public:
    explicit LabelView(TLabel& label) : Fl_Widget(0, 0, 1, 1), View(label), m_label(label) {}
    Fl_Widget& widget() override { return *this; }

    void sync() override {
        if (!m_label.AutoSize || m_label.WordWrap) return;
        int w = 0, h = 0;
        measureTextBlock(parseMnemonic(m_label.Caption).text, fontOf(m_label), w, h);
        size(std::max(w, 1), std::max(h, 1));
    }

    void draw() override {
        if (!m_label.Transparent) {
            fl_color(toFlColor(m_label.Color));
            fl_rectf(x(), y(), w(), h());
        }
        const FontChoice font = fontOf(m_label);
        const Mnemonic caption = parseMnemonic(m_label.Caption);
        fl_push_clip(x(), y(), w(), h());
        fl_color(m_label.Enabled ? toFlColor(m_label.EffectiveFont().Color) : fl_rgb_color(128, 128, 128));
        drawTextBlock(caption.text, x(), y(), w(), h(), m_label.Alignment, m_label.Layout, m_label.WordWrap, font,
                      caption.underlined);
        fl_pop_clip();
    }

private:
    TLabel& m_label;
};

// --------------------------------------------------------------- button
class ButtonView : public Fl_Widget, public View {
public:
    ButtonView(TButton& button, Input& input) : Fl_Widget(0, 0, 1, 1), View(button), m_button(button), m_input(input) {}
    Fl_Widget& widget() override { return *this; }
    void sync() override {}

    void draw() override {
        ButtonLook look;
        look.pushed = m_pushed;
        look.focused = hasFocus(m_button);
        look.framed = look.focused || (m_button.Default && !dynamic_cast<TButton*>(m_input.form().ActiveControl));
        look.enabled = m_button.Enabled;
        drawButtonFace(x(), y(), w(), h(), m_button.Caption, fontOf(m_button), m_button.Color, look);
    }

    int handle(int event) override {
        switch (event) {
            case FL_PUSH:
                if (!m_button.CanTakeInput()) return 1;
                m_pushed = true;
                redraw();
                return 1;
            case FL_DRAG:
                if (Fl::event_inside(this) != m_pushed) {
                    m_pushed = !m_pushed;
                    redraw();
                }
                return 1;
            case FL_RELEASE: {
                const bool clicked = m_pushed;
                m_pushed = false;
                redraw();
                if (clicked) {
                    TButton* button = &m_button;
                    m_input.post([button] {
                        if (!button->CanTakeInput()) return;
                        button->SetFocus();
                        button->Click();
                    });
                }
                return 1;
            }
            default: return 0;
        }
    }

private:
    TButton& m_button;
    Input& m_input;
    bool m_pushed = false;
};

// ----------------------------------------------------------------- edit
class EditView : public Fl_Input, public View {
public:
    EditView(TEdit& edit, Input& input) : Fl_Input(0, 0, 1, 1), View(edit), m_edit(edit), m_input(input) {}
    Fl_Widget& widget() override { return *this; }
    bool editsText() const override { return true; }

    void sync() override {
        box(m_edit.BorderStyle == bsNone ? FL_FLAT_BOX : FL_DOWN_BOX);
        color(toFlColor(m_edit.Color));
        const FontChoice font = fontOf(m_edit);
        textfont(font.face);
        textsize(font.size);
        textcolor(toFlColor(m_edit.EffectiveFont().Color));
        // A disabled edit is shown greyed, as the class library shows it.
        if (m_edit.Enabled)
            activate();
        else
            deactivate();
        readonly(m_edit.ReadOnly);
        if (m_edit.Text != m_shown) {
            m_shown = m_edit.Text;
            value(toUtf8(m_shown).c_str());
        }
    }

    void focused() override {
        if (m_edit.AutoSelect) position(size(), 0);
    }

    int handle(int event) override {
        if (event == FL_PUSH && !pressOn(m_edit, m_input)) return 1;
        if (event != FL_KEYBOARD) return takeText(Fl_Input::handle(event));
        if (isEditingKey(Fl::event_key())) takeText(Fl_Input::handle(event));
        m_input.postKey();
        return 1;
    }

private:
    int takeText(int handled) {
        const std::string text = toCp1252(value());
        if (text != m_shown) m_shown = m_edit.Text = text;
        return handled;
    }

    TEdit& m_edit;
    Input& m_input;
    std::string m_shown;
};

// ----------------------------------------------------------------- memo
// Lines stay logical lines: the view wraps them, the model never sees the wrap.
class MemoView : public Fl_Text_Editor, public View {
public:
    MemoView(TMemo& memo, Input& input)
        : Fl_Text_Editor(0, 0, 1, 1), View(memo), m_memo(memo), m_input(input), m_buffer(new Fl_Text_Buffer) {
        buffer(m_buffer);
        box(FL_DOWN_BOX);
        // The keys are the model's: the scroll bars never take the focus.
        mVScrollBar->clear_visible_focus();
        mHScrollBar->clear_visible_focus();
    }
    ~MemoView() override {
        buffer(static_cast<Fl_Text_Buffer*>(nullptr));
        delete m_buffer;
    }
    Fl_Widget& widget() override { return *this; }
    bool editsText() const override { return true; }

    void sync() override {
        color(toFlColor(m_memo.Color));
        const FontChoice font = fontOf(m_memo);
        textfont(font.face);
        textsize(font.size);
        textcolor(toFlColor(m_memo.EffectiveFont().Color));
        scrollbar_width(m_memo.ScrollBars == ssNone ? 0 : Fl::scrollbar_size());
        // Lines wrap left of the vertical bar whether it is needed or not.
        const int barWidth = showsVerticalBar() ? scrollbar_width() : 0;
        wrap_mode(m_memo.WordWrap ? WRAP_AT_PIXEL : WRAP_NONE, w() - Fl::box_dw(box()) - barWidth - 2 * kTextMargin);
        const std::string text = joinLines(*m_memo.Lines);
        if (text != m_shown) {
            m_shown = text;
            m_buffer->text(toUtf8(text).c_str());
        }
    }

    // A memo with a vertical scroll bar always shows it, disabled while the
    // text fits; the toolkit shows its own only when the text does not.
    void draw() override {
        Fl_Text_Editor::draw();
        if (showsVerticalBar() && !mVScrollBar->visible()) drawDisabledBar();
    }

    int handle(int event) override {
        if (event == FL_PUSH && !pressOn(m_memo, m_input)) return 1;
        if (event == FL_PASTE && m_memo.ReadOnly) return 1;
        if (event != FL_KEYBOARD) return takeText(Fl_Text_Editor::handle(event));
        const int key = Fl::event_key();
        // Return is a new line at the caret, and only that: the model's
        // dispatch would add a line of its own.
        if (key == FL_Enter || key == FL_KP_Enter) {
            if (!m_memo.ReadOnly) takeText(Fl_Text_Editor::handle(event));
            return 1;
        }
        if (isLineKey(key) || (isEditingKey(key) && (!m_memo.ReadOnly || key == FL_Left || key == FL_Right)))
            takeText(Fl_Text_Editor::handle(event));
        m_input.postKey();
        return 1;
    }

private:
    static constexpr int kTextMargin = 3;  // the toolkit's own, left and right of the text

    bool showsVerticalBar() const { return m_memo.ScrollBars == ssVertical || m_memo.ScrollBars == ssBoth; }

    void drawDisabledBar() {
        const int bw = scrollbar_width();
        const int bx = x() + w() - Fl::box_dx(box()) - bw, by = y() + Fl::box_dy(box());
        const int bh = h() - Fl::box_dh(box()) - (mHScrollBar->visible() ? mHScrollBar->h() : 0);
        fl_draw_box(FL_FLAT_BOX, bx, by, bw, bh, fl_lighter(FL_BACKGROUND_COLOR));
        const Fl_Color arrow = fl_inactive(FL_FOREGROUND_COLOR);
        fl_draw_box(FL_UP_BOX, bx, by, bw, bw, FL_BACKGROUND_COLOR);
        fl_draw_symbol("@8>", bx + 4, by + 4, bw - 8, bw - 8, arrow);
        fl_draw_box(FL_UP_BOX, bx, by + bh - bw, bw, bw, FL_BACKGROUND_COLOR);
        fl_draw_symbol("@2>", bx + 4, by + bh - bw + 4, bw - 8, bw - 8, arrow);
    }

    int takeText(int handled) {
        char* raw = m_buffer->text();
        const std::string text = toCp1252(raw);
        std::free(raw);
        if (text != m_shown) {
            m_shown = text;
            m_memo.Lines->SetText(text);
        }
        return handled;
    }

    TMemo& m_memo;
    Input& m_input;
    Fl_Text_Buffer* m_buffer;  // outlives the editor's use of it
    std::string m_shown;
};

// ------------------------------------------------------------ drive box
class DriveView : public Fl_Choice, public View {
public:
    DriveView(TDriveComboBox& box, Input& input) : Fl_Choice(0, 0, 1, 1), View(box), m_box(box), m_input(input) {
        clear_visible_focus();  // its keys go to the model
        callback(
            [](Fl_Widget* widget, void*) {
                auto* self = static_cast<DriveView*>(widget);
                self->chosen();
            },
            nullptr);
    }
    Fl_Widget& widget() override { return *this; }

    void sync() override {
        color(FL_WHITE);
        const FontChoice font = fontOf(m_box);
        textfont(font.face);
        textsize(font.size);
        // The item texts ask the machine about every drive: only when the drive changed.
        if (m_box.Drive() != m_shownDrive) fill();
    }

    void draw() override {
        Fl_Choice::draw();
        if (!hasFocus(m_box)) return;
        // The focus frame around the drive's text, left of the arrow button.
        const int inset = Fl::box_dx(FL_DOWN_BOX) + 1;
        const int arrow = std::min(h() - 2 * Fl::box_dy(FL_DOWN_BOX), 20);
        fl_color(FL_BLACK);
        fl_line_style(FL_DOT);
        fl_rect(x() + inset, y() + inset, w() - arrow - 2 * inset - 1, h() - 2 * inset);
        fl_line_style(0);
    }

    // Alt+Down or Alt+Up opens the list, as a click on the arrow does.
    bool ownKey(uint16_t key, TShiftState shift) override {
        if (!shift.Contains(ssAlt) || (key != VK_DOWN && key != VK_UP)) return false;
        fill();
        const Fl_Menu_Item* item = menu()->pulldown(x(), y(), w(), h(), mvalue(), this);
        if (item) picked(item);
        return true;
    }

    int handle(int event) override {
        if (event == FL_PUSH) {
            if (!pressOn(m_box, m_input)) return 1;
            fill();
        }
        if (event == FL_KEYBOARD) {
            m_input.postKey();
            return 1;
        }
        return Fl_Choice::handle(event);
    }

private:
    void fill() {
        m_shownDrive = m_box.Drive();
        m_labels.clear();
        m_letters.clear();
        for (const std::string& text : m_box.ItemTexts()) {
            std::string label;
            for (char c : toUtf8(text)) label += c == '&' ? std::string("&&") : std::string(1, c);
            m_labels.push_back(label);
            m_letters += static_cast<char>(win::text::upper(static_cast<unsigned char>(text[0])));
        }
        m_items.assign(m_labels.size() + 1, Fl_Menu_Item{});
        for (std::size_t i = 0; i < m_labels.size(); ++i) m_items[i].text = m_labels[i].c_str();
        menu(m_items.data());
        const std::size_t current = m_letters.find(m_shownDrive);
        if (current != std::string::npos) value(static_cast<int>(current));
    }

    void chosen() {
        if (value() < 0 || value() >= static_cast<int>(m_letters.size())) return;
        const char letter = m_letters[static_cast<std::size_t>(value())];
        TDriveComboBox* box = &m_box;
        m_input.post([box, letter] { box->SetDrive(letter); });
        m_shownDrive = 0;  // the model may return the box to another drive
    }

    TDriveComboBox& m_box;
    Input& m_input;
    char m_shownDrive = 0;
    std::vector<std::string> m_labels;
    std::vector<Fl_Menu_Item> m_items;
    std::string m_letters;
};

// --------------------------------------------------------- progress bar
class ProgressView : public Fl_Widget, public View {
public:
    explicit ProgressView(TProgressBar& bar) : Fl_Widget(0, 0, 1, 1), View(bar), m_bar(bar) {}
    Fl_Widget& widget() override { return *this; }
    void sync() override {}

    void draw() override {
        fl_draw_box(FL_THIN_DOWN_BOX, x(), y(), w(), h(), toFlColor(m_bar.Color));
        const int range = m_bar.Max() - m_bar.Min();
        if (range <= 0) return;
        const int inner = w() - 4;
        const int filled = static_cast<int>(static_cast<long long>(inner) * (m_bar.Position() - m_bar.Min()) / range);
        fl_color(fl_rgb_color(0, 0, 128));
        fl_rectf(x() + 2, y() + 2, filled, h() - 4);
    }

private:
    TProgressBar& m_bar;
};

// ---------------------------------------------------------------- panel
class PanelView : public Fl_Group, public View {
public:
    explicit PanelView(TPanel& panel) : Fl_Group(0, 0, 1, 1), View(panel), m_panel(panel) {
        end();
        resizable(nullptr);  // the window places every child itself
    }
    Fl_Widget& widget() override { return *this; }
    Fl_Group* childGroup() override { return this; }
    void sync() override {}

    void draw() override {
        fl_color(toFlColor(m_panel.Color));
        fl_rectf(x(), y(), w(), h());
        int inset = 0;
        for (TBevelCut bevel : {m_panel.BevelOuter, m_panel.BevelInner}) {
            if (bevel == bvNone) continue;
            fl_draw_box(bevel == bvLowered ? FL_THIN_DOWN_FRAME : FL_THIN_UP_FRAME, x() + inset, y() + inset,
                        w() - 2 * inset, h() - 2 * inset, FL_BLACK);
            ++inset;
        }
        if (!m_panel.Caption.empty()) {
            const Mnemonic caption = parseMnemonic(m_panel.Caption);
            fl_push_clip(x() + inset, y() + inset, w() - 2 * inset, h() - 2 * inset);
            fl_color(toFlColor(m_panel.EffectiveFont().Color));
            drawTextBlock(caption.text, x() + inset, y(), w() - 2 * inset, h(), m_panel.Alignment, tlCenter, false,
                          fontOf(m_panel), caption.underlined);
            fl_pop_clip();
        }
        fl_push_clip(x(), y(), w(), h());
        draw_children();
        fl_pop_clip();
    }

private:
    TPanel& m_panel;
};

// ----------------------------------------------------------- scroll box
class ScrollBoxView : public Fl_Scroll, public View {
public:
    explicit ScrollBoxView(TScrollBox& scrollBox) : Fl_Scroll(0, 0, 1, 1), View(scrollBox), m_box(scrollBox) {
        end();
        scrollbar.clear_visible_focus();
        hscrollbar.clear_visible_focus();
    }
    Fl_Widget& widget() override { return *this; }
    Fl_Group* childGroup() override { return this; }

    void sync() override {
        box(FL_DOWN_BOX);
        color(toFlColor(m_box.Color));
        type(m_box.HorzScrollBarVisible ? (m_box.VertScrollBarVisible ? BOTH : HORIZONTAL)
                                        : (m_box.VertScrollBarVisible ? VERTICAL : 0));
    }

    void childOrigin(int& cx, int& cy) override {
        cx = x() + Fl::box_dx(box()) - xposition();
        cy = y() + Fl::box_dy(box()) - yposition();
    }

    // As the class library does for a control that gets the focus.
    void scrollIntoView(const TControl& child) {
        const int visible = h() - Fl::box_dh(box()) - (hscrollbar.visible() ? hscrollbar.h() : 0);
        int top = yposition();
        if (child.Top < top) top = child.Top;
        if (child.Top + child.Height > top + visible) top = child.Top + child.Height - visible;
        if (top != yposition()) scroll_to(xposition(), std::max(top, 0));
    }

private:
    TScrollBox& m_box;
};

// ---------------------------------------------------------------- image
// Decoded once per picture: every page shows the same two.
const Picture& decoded(const std::string& jpeg) {
    static std::map<std::string, Picture> pictures;
    auto found = pictures.find(jpeg);
    if (found == pictures.end()) found = pictures.emplace(jpeg, decodeJpeg(jpeg)).first;
    return found->second;
}

class ImageView : public Fl_Widget, public View {
public:
    explicit ImageView(TImage& image) : Fl_Widget(0, 0, 1, 1), View(image), m_image(image) {}
    Fl_Widget& widget() override { return *this; }
    void sync() override {}

    void draw() override {
        const Picture& picture = decoded(m_image.Picture);
        if (picture.empty()) return;
        const int width = m_image.Stretch ? w() : picture.width;
        const int height = m_image.Stretch ? h() : picture.height;
        if (!m_shown || m_shown->w() != width || m_shown->h() != height || m_source != &picture) {
            m_pixels = m_image.Stretch ? scaled(picture, width, height) : picture;
            m_shown = std::make_unique<Fl_RGB_Image>(m_pixels.rgb.data(), m_pixels.width, m_pixels.height, 3);
            m_source = &picture;
        }
        fl_push_clip(x(), y(), w(), h());
        m_shown->draw(x(), y());
        fl_pop_clip();
    }

private:
    TImage& m_image;
    const Picture* m_source = nullptr;
    Picture m_pixels;
    std::unique_ptr<Fl_RGB_Image> m_shown;
};

// Other windowed controls hold controls and show nothing of their own.
class GroupView : public Fl_Group, public View {
public:
    explicit GroupView(TWinControl& control) : Fl_Group(0, 0, 1, 1), View(control) {
        end();
        resizable(nullptr);
    }
    Fl_Widget& widget() override { return *this; }
    Fl_Group* childGroup() override { return this; }
    void sync() override {}
};

}  // namespace

View* makeView(TControl& control, Input& input) {
    if (auto* c = dynamic_cast<TLabel*>(&control)) return new LabelView(*c);
    if (auto* c = dynamic_cast<TButton*>(&control)) return new ButtonView(*c, input);
    if (auto* c = dynamic_cast<TRichEdit*>(&control)) return makeRichEditView(*c, input);
    if (auto* c = dynamic_cast<TMemo*>(&control)) return new MemoView(*c, input);
    if (auto* c = dynamic_cast<TEdit*>(&control)) return new EditView(*c, input);
    if (auto* c = dynamic_cast<TCheckListBox*>(&control)) return makeCheckListView(*c, input);
    if (auto* c = dynamic_cast<TDirectoryListBox*>(&control)) return makeDirectoryListView(*c, input);
    if (auto* c = dynamic_cast<TDriveComboBox*>(&control)) return new DriveView(*c, input);
    if (auto* c = dynamic_cast<TProgressBar*>(&control)) return new ProgressView(*c);
    if (auto* c = dynamic_cast<TPanel*>(&control)) return new PanelView(*c);
    if (auto* c = dynamic_cast<TScrollBox*>(&control)) return new ScrollBoxView(*c);
    if (auto* c = dynamic_cast<TImage*>(&control)) return new ImageView(*c);
    if (auto* c = dynamic_cast<TWinControl*>(&control)) return new GroupView(*c);
    return nullptr;
}

void scrollIntoView(View& scrollBox, const TControl& child) {
    if (auto* box = dynamic_cast<ScrollBoxView*>(&scrollBox)) box->scrollIntoView(child);
}

}  // namespace forms::fltk
