// What every view of the FLTK back end draws with: the designs' fonts on the
// faces the machine has, the class library's colours, Windows-1252 text at
// the toolkit's UTF-8 edge, captions with "&" mnemonics, and the faces of
// push buttons.
#pragma once

#include "Controls.h"

#include <FL/Enumerations.H>

#include <string>

namespace forms::fltk {

// The colour of the class library's "button face".
constexpr unsigned char kButtonFace[3] = {212, 208, 200};

Fl_Color toFlColor(TColor color);

// A design font made current (face, pixel size, colour of the font).
struct FontChoice {
    Fl_Font face;
    int size;
    bool underline;
};
FontChoice chooseFont(const std::string& name, int height, bool bold, bool italic, bool underline);
FontChoice chooseFont(const TFont& font);
void useFont(const FontChoice& font);

std::string toUtf8(const std::string& cp1252);
// Characters Windows-1252 lacks become "?".
std::string toCp1252(const std::string& utf8);

// A caption without its "&" marks ("&&" is a plain "&"), and which of its
// bytes the mnemonic underlines (-1: none).
struct Mnemonic {
    std::string text;
    int underlined = -1;
};
Mnemonic parseMnemonic(const std::string& caption);

// One line of Windows-1252 text at (x, baseline y) in the current font,
// with the symbols "@" and "&" taken literally; underlined when asked, and
// the byte `underlined` underlined on its own.  Returns the width drawn.
int drawTextLine(const std::string& cp1252, int x, int y, bool underline, int underlined = -1);
int textWidth(const std::string& cp1252);

// A push button's face: raised or pushed, with the focus rectangle, the
// frame of the default button, and an embossed caption when disabled.
struct ButtonLook {
    bool pushed = false;
    bool focused = false;
    bool framed = false;  // the default button, or the one with the focus
    bool enabled = true;
};
void drawButtonFace(int x, int y, int w, int h, const std::string& caption, const FontChoice& font, TColor color,
                    const ButtonLook& look);

// Draws text left-aligned inside a box, breaking at "\n" (and at blanks when
// wrapping); vertical position by `layout`.  Returns the height used.
int drawTextBlock(const std::string& cp1252, int x, int y, int w, int h, TAlignment alignment, TTextLayout layout,
                  bool wrap, const FontChoice& font, int mnemonicByte = -1);
// The size drawTextBlock would use without wrapping.
void measureTextBlock(const std::string& cp1252, const FontChoice& font, int& w, int& h);

}  // namespace forms::fltk
