#include "Draw.h"

#include "Text1252.h"
#include "headless/Utf8.h"

#include <FL/Fl.H>
#include <FL/fl_draw.H>
#include <FL/fl_utf8.h>

#include <algorithm>
#include <map>
#include <vector>

namespace forms::fltk {

namespace {

// The machine's closest faces to the designs' fonts (installed with the
// build's packages): Verdana's wide humanist shapes are DejaVu Sans', the
// other two have metric twins in the Liberation family.
std::string hostFamily(const std::string& designName) {
    if (win::text::equalNoCase(designName, "Verdana")) return "DejaVu Sans";
    if (win::text::equalNoCase(designName, "Times New Roman")) return "Liberation Serif";
    return "Liberation Sans";
}

// FLTK names a face by a style letter and the family: ' ' regular, 'B'
// bold, 'I' italic, 'P' both.  Each face gets one slot of the font table.
Fl_Font faceFor(const std::string& family, bool bold, bool italic) {
    static std::map<std::string, Fl_Font> faces;
    const char style = bold && italic ? 'P' : bold ? 'B' : italic ? 'I' : ' ';
    const std::string name = style + family;
    const auto found = faces.find(name);
    if (found != faces.end()) return found->second;
    const Fl_Font face = static_cast<Fl_Font>(FL_FREE_FONT + faces.size());
    const auto inserted = faces.emplace(name, face).first;
    Fl::set_font(face, inserted->first.c_str());  // the map keeps the name alive
    return face;
}

struct Line {
    std::string text;
    int start;  // byte offset in the whole text
};

// The text's lines at "\n" (a CR before it dropped), each broken at blanks
// where it would be wider than `width` (0: no wrapping).
std::vector<Line> layoutLines(const std::string& text, int width) {
    std::vector<Line> lines;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::size_t stop = end > start && text[end - 1] == '\r' ? end - 1 : end;
        std::size_t lineStart = start;
        while (width > 0 && lineStart < stop && textWidth(text.substr(lineStart, stop - lineStart)) > width) {
            std::size_t cut = text.rfind(' ', stop - 1);
            while (cut != std::string::npos && cut > lineStart &&
                   textWidth(text.substr(lineStart, cut - lineStart)) > width)
                cut = text.rfind(' ', cut - 1);
            if (cut == std::string::npos || cut <= lineStart) break;  // one long word stays whole
            lines.push_back({text.substr(lineStart, cut - lineStart), static_cast<int>(lineStart)});
            lineStart = cut + 1;
        }
        lines.push_back({text.substr(lineStart, stop - lineStart), static_cast<int>(lineStart)});
        if (end == text.size()) break;
        start = end + 1;
    }
    return lines;
}

}  // namespace

Fl_Color toFlColor(TColor color) {
    switch (color) {
        case clBtnFace: return fl_rgb_color(kButtonFace[0], kButtonFace[1], kButtonFace[2]);
        case clWindow: return FL_WHITE;
        case clWindowText: return FL_BLACK;
        default: break;
    }
    if (color < 0) return FL_BLACK;  // a system colour the designs do not use
    return fl_rgb_color(static_cast<unsigned char>(color & 0xFF), static_cast<unsigned char>((color >> 8) & 0xFF),
                        static_cast<unsigned char>((color >> 16) & 0xFF));
}

FontChoice chooseFont(const std::string& name, int height, bool bold, bool italic, bool underline) {
    // A negative height is the character height in pixels, as the toolkit's
    // size is; a positive one includes the internal leading.
    const int size = height < 0 ? -height : height > 0 ? (height * 4 + 2) / 5 : 11;
    return {faceFor(hostFamily(name), bold, italic), size, underline};
}

FontChoice chooseFont(const TFont& font) {
    return chooseFont(font.Name, font.Height, font.Style.Contains(fsBold), font.Style.Contains(fsItalic),
                      font.Style.Contains(fsUnderline));
}

void useFont(const FontChoice& font) { fl_font(font.face, font.size); }

std::string toUtf8(const std::string& cp1252) { return headless::cp1252ToUtf8(cp1252); }

std::string toCp1252(const std::string& utf8) {
    std::string out;
    const char* p = utf8.data();
    const char* end = p + utf8.size();
    while (p < end) {
        int length = 0;
        const unsigned code = fl_utf8decode(p, end, &length);
        out += headless::cp1252FromUnicode(code).value_or('?');
        p += length > 0 ? length : 1;
    }
    return out;
}

Mnemonic parseMnemonic(const std::string& caption) {
    Mnemonic m;
    for (std::size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == '&' && i + 1 < caption.size()) {
            ++i;
            if (caption[i] != '&' && m.underlined < 0) m.underlined = static_cast<int>(m.text.size());
        }
        m.text += caption[i];
    }
    return m;
}

int textWidth(const std::string& cp1252) {
    const std::string utf8 = toUtf8(cp1252);
    return static_cast<int>(fl_width(utf8.c_str(), static_cast<int>(utf8.size())) + 0.5);
}

int drawTextLine(const std::string& cp1252, int x, int y, bool underline, int underlined) {
    const std::string utf8 = toUtf8(cp1252);
    fl_draw(utf8.c_str(), static_cast<int>(utf8.size()), x, y);  // plain drawing: no "@" symbols
    const int width = textWidth(cp1252);
    if (underline) fl_xyline(x, y + 1, x + width - 1);
    if (underlined >= 0 && underlined < static_cast<int>(cp1252.size())) {
        const int from = x + textWidth(cp1252.substr(0, underlined));
        const int to = x + textWidth(cp1252.substr(0, underlined + 1));
        fl_xyline(from, y + 1, to - 1);
    }
    return width;
}

void measureTextBlock(const std::string& cp1252, const FontChoice& font, int& w, int& h) {
    useFont(font);
    const std::vector<Line> lines = layoutLines(cp1252, 0);
    w = 0;
    for (const Line& line : lines) w = std::max(w, textWidth(line.text));
    h = static_cast<int>(lines.size()) * fl_height();
}

int drawTextBlock(const std::string& cp1252, int x, int y, int w, int h, TAlignment alignment, TTextLayout layout,
                  bool wrap, const FontChoice& font, int mnemonicByte) {
    useFont(font);
    const std::vector<Line> lines = layoutLines(cp1252, wrap ? w : 0);
    const int lineHeight = fl_height();
    const int total = static_cast<int>(lines.size()) * lineHeight;
    int top = y;
    if (layout == tlCenter) top = y + (h - total) / 2;
    if (layout == tlBottom) top = y + h - total;
    for (const Line& line : lines) {
        const int width = textWidth(line.text);
        int left = x;
        if (alignment == taCenter) left = x + (w - width) / 2;
        if (alignment == taRightJustify) left = x + w - width;
        const int underlined = mnemonicByte >= line.start && mnemonicByte < line.start + static_cast<int>(line.text.size())
                                   ? mnemonicByte - line.start
                                   : -1;
        drawTextLine(line.text, left, top + lineHeight - fl_descent(), font.underline, underlined);
        top += lineHeight;
    }
    return total;
}

void drawButtonFace(int x, int y, int w, int h, const std::string& caption, const FontChoice& font, TColor color,
                    const ButtonLook& look) {
    int bx = x, by = y, bw = w, bh = h;
    if (look.framed) {
        fl_color(FL_BLACK);
        fl_rect(x, y, w, h);
        bx += 1, by += 1, bw -= 2, bh -= 2;
    }
    fl_draw_box(look.pushed ? FL_DOWN_BOX : FL_UP_BOX, bx, by, bw, bh, toFlColor(color));
    const Mnemonic m = parseMnemonic(caption);
    const int shift = look.pushed ? 1 : 0;
    if (look.enabled) {
        fl_color(FL_BLACK);
        drawTextBlock(m.text, bx + shift, by + shift, bw, bh, taCenter, tlCenter, false, font, m.underlined);
    } else {
        fl_color(FL_WHITE);
        drawTextBlock(m.text, bx + 1, by + 1, bw, bh, taCenter, tlCenter, false, font, m.underlined);
        fl_color(fl_rgb_color(128, 128, 128));
        drawTextBlock(m.text, bx, by, bw, bh, taCenter, tlCenter, false, font, m.underlined);
    }
    if (look.focused) {
        fl_color(FL_BLACK);
        fl_line_style(FL_DOT);
        fl_rect(bx + 3, by + 3, bw - 6, bh - 6);
        fl_line_style(0);
    }
}

}  // namespace forms::fltk
