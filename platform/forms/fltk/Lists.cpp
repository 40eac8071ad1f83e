// The two list controls: the check list of the setup types and the
// directory list, on one scrolling list of fixed-height items.
#include "Views.h"

#include <FL/Fl.H>
#include <FL/Fl_Scrollbar.H>
#include <FL/fl_draw.H>

#include <algorithm>

namespace forms::fltk {

namespace {

const Fl_Color kSelection = fl_rgb_color(0, 0, 128);

class ListView : public Fl_Group, public View {
public:
    ListView(TWinControl& control, Input& input) : Fl_Group(0, 0, 1, 1), View(control), m_input(input), m_bar(0, 0, 1, 1) {
        end();
        resizable(nullptr);
        m_bar.type(FL_VERTICAL);
        m_bar.clear_visible_focus();
        m_bar.callback(
            [](Fl_Widget*, void* self) {
                auto* list = static_cast<ListView*>(self);
                list->m_top = static_cast<int>(list->m_bar.value());
                list->redraw();
            },
            this);
    }
    Fl_Widget& widget() override { return *this; }

    void draw() override {
        fl_draw_box(FL_DOWN_BOX, x(), y(), w(), h(), toFlColor(control.Color));
        placeBar();
        const int rowHeight = itemHeight();
        fl_push_clip(innerX(), innerY(), innerW(), innerH());
        for (int i = m_top; i < count() && (i - m_top) * rowHeight < innerH(); ++i)
            drawItem(i, innerX(), innerY() + (i - m_top) * rowHeight, innerW(), rowHeight);
        fl_pop_clip();
        if (m_bar.visible()) draw_child(m_bar);
    }

    int handle(int event) override {
        if (m_bar.visible() && (Fl::event_inside(&m_bar) || Fl::pushed() == &m_bar)) return Fl_Group::handle(event);
        switch (event) {
            case FL_PUSH: {
                if (!pressOn(static_cast<TWinControl&>(control), m_input)) return 1;
                const int index = m_top + (Fl::event_y() - innerY()) / itemHeight();
                if (index >= 0 && index < count()) pushed(index, Fl::event_x() - innerX(), Fl::event_clicks() > 0);
                return 1;
            }
            case FL_MOUSEWHEEL:
                scrollTo(m_top + Fl::event_dy() * 3);
                return 1;
            default: return Fl_Group::handle(event);
        }
    }

protected:
    virtual int count() const = 0;
    virtual int itemHeight() const = 0;
    virtual void drawItem(int index, int x, int y, int w, int h) = 0;
    virtual void pushed(int index, int xInItem, bool doubleClick) = 0;

    void ensureVisible(int index) {
        if (index < 0) return;
        const int rows = std::max(innerH() / itemHeight(), 1);
        if (index < m_top) scrollTo(index);
        if (index >= m_top + rows) scrollTo(index - rows + 1);
    }

    // An item's text, white on the selection colour when selected.
    static void drawItemText(const std::string& text, const FontChoice& font, int x, int y, int w, int h, bool selected,
                             bool focused) {
        useFont(font);
        const int width = std::min(textWidth(text) + 4, w);
        if (selected) {
            fl_color(focused ? kSelection : fl_rgb_color(kButtonFace[0], kButtonFace[1], kButtonFace[2]));
            fl_rectf(x, y, width, h);
        }
        fl_color(selected && focused ? FL_WHITE : FL_BLACK);
        drawTextLine(text, x + 2, y + (h + fl_height()) / 2 - fl_descent(), font.underline);
    }

    Input& m_input;

private:
    int innerX() const { return x() + 2; }
    int innerY() const { return y() + 2; }
    int innerW() const { return w() - 4 - (m_bar.visible() ? m_bar.w() : 0); }
    int innerH() const { return h() - 4; }

    void placeBar() {
        const int rows = std::max(innerH() / itemHeight(), 1);
        m_top = std::clamp(m_top, 0, std::max(count() - rows, 0));
        if (count() <= rows) {
            m_bar.hide();
            return;
        }
        m_bar.resize(x() + w() - 2 - Fl::scrollbar_size(), y() + 2, Fl::scrollbar_size(), h() - 4);
        m_bar.value(m_top, rows, 0, count());
        m_bar.show();
    }

    void scrollTo(int top) {
        m_top = top;
        placeBar();
        redraw();
    }

    Fl_Scrollbar m_bar;
    int m_top = 0;
};

// ------------------------------------------------------------ check list
class CheckListView : public ListView {
public:
    CheckListView(TCheckListBox& list, Input& input) : ListView(list, input), m_list(list) {}

    void sync() override {
        if (m_list.ItemIndex() != m_shownIndex) ensureVisible(m_shownIndex = m_list.ItemIndex());
    }

protected:
    int count() const override { return m_list.Items->Count(); }
    int itemHeight() const override { return std::max(m_list.ItemHeight, 8); }

    int boxSize(int h) const { return std::min(h - 2, 13); }

    void drawItem(int index, int x, int y, int w, int h) override {
        const int size = boxSize(h);
        const int bx = x + 1, by = y + (h - size) / 2;
        fl_draw_box(FL_DOWN_BOX, bx, by, size, size, FL_WHITE);
        if (m_list.Checked(index)) {
            fl_color(FL_BLACK);
            fl_line_style(FL_SOLID, 2);
            fl_line(bx + 3, by + size / 2, bx + size / 2 - 1, by + size - 4, bx + size - 3, by + 3);
            fl_line_style(0);
        }
        drawItemText(m_list.Items->Strings(index), chooseFont(m_list.EffectiveFont()), bx + size + 2, y,
                     w - size - 3, h, index == m_list.ItemIndex(), hasFocus(m_list));
    }

    void pushed(int index, int xInItem, bool) override {
        TCheckListBox* list = &m_list;
        const bool onBox = xInItem < boxSize(itemHeight()) + 2;
        m_input.post([list, index, onBox] {
            if (index >= list->Items->Count()) return;
            if (onBox)
                list->ClickCheckBox(index);
            else
                list->ClickItem(index);
        });
    }

private:
    TCheckListBox& m_list;
    int m_shownIndex = -2;
};

// -------------------------------------------------------- directory list
// The root, each ancestor and the directory opened, then its
// sub-directories one step further in.
class DirectoryListView : public ListView {
public:
    DirectoryListView(TDirectoryListBox& list, Input& input) : ListView(list, input), m_list(list) {}

    void sync() override {
        if (m_list.Directory() != m_shownDirectory) {
            m_shownDirectory = m_list.Directory();
            m_entries = m_list.Entries();
            m_opened = std::min(m_list.OpenedEntries(), count());
            m_selected = -2;
        }
        if (m_list.ItemIndex() != m_selected) ensureVisible(m_selected = m_list.ItemIndex());
    }

protected:
    int count() const override { return static_cast<int>(m_entries.size()); }
    int itemHeight() const override { return std::max(m_list.ItemHeight, 8); }

    void drawItem(int index, int x, int y, int w, int h) override {
        const int level = std::min(index, m_opened);
        const int ix = x + 2 + level * 8;
        drawFolder(ix, y + (h - 10) / 2, index < m_opened);
        const std::string& path = m_entries[index];
        const std::string name = index == 0 ? path : path.substr(path.rfind('\\') + 1);
        drawItemText(name, chooseFont(m_list.EffectiveFont()), ix + 16, y, w - (ix + 16 - x), h,
                     index == m_list.ItemIndex(), hasFocus(m_list));
    }

    // A click selects the entry, a double click opens it too.
    void pushed(int index, int, bool doubleClick) override {
        TDirectoryListBox* list = &m_list;
        const std::string path = m_entries[index];
        m_input.post([list, index, path, doubleClick] {
            list->SetItemIndex(index);
            if (doubleClick) list->OpenEntry(path);
        });
    }

private:
    static void drawFolder(int x, int y, bool open) {
        fl_color(fl_rgb_color(255, 220, 100));
        fl_rectf(x, y + 2, 13, 8);
        fl_rectf(x, y, 5, 2);
        fl_color(fl_rgb_color(128, 100, 0));
        fl_rect(x, y + 2, 13, 8);
        if (open) fl_xyline(x + 1, y + 4, x + 11);
    }

    TDirectoryListBox& m_list;
    std::string m_shownDirectory;
    std::vector<std::string> m_entries;
    int m_opened = 0;     // the root, the ancestors and the directory itself
    int m_selected = -2;  // the selection scrolled into sight last
};

}  // namespace

View* makeCheckListView(TCheckListBox& list, Input& input) { return new CheckListView(list, input); }

View* makeDirectoryListView(TDirectoryListBox& list, Input& input) { return new DirectoryListView(list, input); }

}  // namespace forms::fltk
