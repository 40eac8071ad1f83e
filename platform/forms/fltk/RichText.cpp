// The rich-text view: the runs of the RTF reader laid out in lines that
// wrap at blanks, each piece in its own font, size and colour; plain text
// in the control's own font.
#include "Rtf.h"
#include "Views.h"

#include <FL/Fl.H>
#include <FL/Fl_Scrollbar.H>
#include <FL/fl_draw.H>

#include <algorithm>

namespace forms::fltk {

namespace {

constexpr int kTabStop = 48;  // half an inch at 96 pixels per inch
constexpr int kMargin = 2;

struct Piece {
    std::string text;
    FontChoice font;
    Fl_Color color;
    int x;
    int ascent;
    int descent;
};

struct Line {
    std::vector<Piece> pieces;
    int height = 0;
    int ascent = 0;
};

class RichEditView : public Fl_Group, public View {
public:
    RichEditView(TRichEdit& rich, Input& input)
        : Fl_Group(0, 0, 1, 1), View(rich), m_rich(rich), m_input(input), m_bar(0, 0, 1, 1) {
        end();
        resizable(nullptr);
        m_bar.type(FL_VERTICAL);
        m_bar.clear_visible_focus();
        m_bar.linesize(16);
        m_bar.callback(
            [](Fl_Widget*, void* self) {
                auto* view = static_cast<RichEditView*>(self);
                view->m_scroll = static_cast<int>(view->m_bar.value());
                view->redraw();
            },
            this);
    }
    Fl_Widget& widget() override { return *this; }

    void sync() override {
        const std::string text = m_rich.Lines->Text();
        if (text == m_source) return;
        m_source = text;
        m_plain = !rtf::isRtf(text);
        m_runs = m_plain ? std::vector<rtf::Run>{plainRun(text)} : rtf::read(text);
        m_scroll = 0;
    }

    void draw() override {
        fl_draw_box(FL_DOWN_BOX, x(), y(), w(), h(), toFlColor(m_rich.Color));
        const int barWidth = m_rich.ScrollBars == ssNone ? 0 : Fl::scrollbar_size();
        const int innerW = w() - 4 - barWidth - 2 * kMargin, innerH = h() - 4;
        const std::vector<Line> lines = layout(innerW);
        int contentHeight = 0;
        for (const Line& line : lines) contentHeight += line.height;
        m_scroll = std::clamp(m_scroll, 0, std::max(contentHeight - innerH, 0));
        if (barWidth > 0) {
            m_bar.resize(x() + w() - 2 - barWidth, y() + 2, barWidth, innerH);
            m_bar.value(m_scroll, innerH, 0, std::max(contentHeight, innerH));
            m_bar.show();
            draw_child(m_bar);
        } else {
            m_bar.hide();
        }
        fl_push_clip(x() + 2, y() + 2, w() - 4 - barWidth, innerH);
        int top = y() + 2 - m_scroll;
        for (const Line& line : lines) {
            if (top + line.height > y() && top < y() + h())
                for (const Piece& piece : line.pieces) {
                    useFont(piece.font);
                    fl_color(piece.color);
                    drawTextLine(piece.text, x() + 2 + kMargin + piece.x, top + line.ascent, piece.font.underline);
                }
            top += line.height;
        }
        fl_pop_clip();
    }

    int handle(int event) override {
        if (m_bar.visible() && (Fl::event_inside(&m_bar) || Fl::pushed() == &m_bar)) return Fl_Group::handle(event);
        switch (event) {
            case FL_PUSH: pressOn(m_rich, m_input); return 1;
            case FL_MOUSEWHEEL:
                m_scroll += Fl::event_dy() * 3 * 16;
                redraw();
                return 1;
            default: return Fl_Group::handle(event);
        }
    }

private:
    static rtf::Run plainRun(const std::string& text) {
        rtf::Run run;
        for (char c : text)
            if (c != '\r') run.text += c;
        if (!run.text.empty() && run.text.back() == '\n') run.text.pop_back();  // the last line's end
        return run;
    }

    FontChoice fontOf(const rtf::Run& run) const {
        const TFont& base = m_rich.EffectiveFont();
        if (m_plain) return chooseFont(base);
        // Half points to pixels at 96 pixels per inch.
        const int height = run.halfPoints > 0 ? -((run.halfPoints * 2 + 1) / 3) : base.Height;
        return chooseFont(base.Name, height, run.bold, run.italic, run.underline);
    }

    Fl_Color colorOf(const rtf::Run& run) const {
        return toFlColor(run.color == rtf::kAutoColor ? m_rich.EffectiveFont().Color : run.color);
    }

    std::vector<Line> layout(int width) const {
        std::vector<Line> lines;
        Line line;
        int x = 0;
        bool wrapped = false;
        FontChoice font = chooseFont(m_rich.EffectiveFont());
        const auto finish = [&](bool byWrap) {
            useFont(font);
            line.ascent = std::max(line.ascent, fl_height() - fl_descent());
            int descent = fl_descent();
            for (const Piece& piece : line.pieces) {
                line.ascent = std::max(line.ascent, piece.ascent);
                descent = std::max(descent, piece.descent);
            }
            line.height = line.ascent + descent;
            lines.push_back(std::move(line));
            line = Line{};
            x = 0;
            wrapped = byWrap;
        };
        for (const rtf::Run& run : m_runs) {
            font = fontOf(run);
            useFont(font);
            const Fl_Color color = colorOf(run);
            for (std::size_t i = 0; i < run.text.size();) {
                const char c = run.text[i];
                if (c == '\n' || c == '\t') {
                    if (c == '\n') finish(false);
                    else x = (x / kTabStop + 1) * kTabStop;
                    ++i;
                    continue;
                }
                const bool blank = c == ' ';
                std::size_t end = i;
                while (end < run.text.size() && (run.text[end] == ' ') == blank && run.text[end] != '\n' &&
                       run.text[end] != '\t')
                    ++end;
                const std::string token = run.text.substr(i, end - i);
                i = end;
                if (blank && x == 0 && wrapped) continue;  // blanks at a wrap stay on the line before
                useFont(font);
                const int tokenWidth = textWidth(token);
                if (!blank && x > 0 && x + tokenWidth > width) finish(true);
                useFont(font);
                line.pieces.push_back({token, font, color, x, fl_height() - fl_descent(), fl_descent()});
                x += tokenWidth;
                wrapped = false;
            }
        }
        finish(false);
        return lines;
    }

    TRichEdit& m_rich;
    Input& m_input;
    Fl_Scrollbar m_bar;
    std::string m_source;
    bool m_plain = true;
    std::vector<rtf::Run> m_runs;
    int m_scroll = 0;
};

}  // namespace

View* makeRichEditView(TRichEdit& rich, Input& input) { return new RichEditView(rich, input); }

}  // namespace forms::fltk
