// A small RTF reader for the rich-text view: the text of a document as runs
// of one style each.  It knows groups, bold, italic, underline, font size,
// the colour table, paragraphs, line breaks, tabs, "\'hh" and "\uN"
// characters; destinations it does not show (font table, style sheet,
// information, pictures, "\*" groups) are skipped.  Any input is read to its
// end without fault: unbalanced braces, cut control words and stray bytes
// are taken as far as they make sense.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace forms::rtf {

// A colour as the class library keeps it (0x00BBGGRR), or the control's own.
constexpr int32_t kAutoColor = -1;

struct Run {
    std::string text;  // Windows-1252; "\n" ends a line, "\t" is a tab
    bool bold = false;
    bool italic = false;
    bool underline = false;
    int halfPoints = 0;  // font size from "\fs"; 0: the control's own
    int32_t color = kAutoColor;

    bool sameStyle(const Run& other) const {
        return bold == other.bold && italic == other.italic && underline == other.underline &&
               halfPoints == other.halfPoints && color == other.color;
    }
};

// Whether a text is RTF: it begins with "{\rtf".
bool isRtf(const std::string& text);
// The runs of a document, neighbours of the same style merged.
std::vector<Run> read(const std::string& rtf);
// The runs' text with CR LF line ends.
std::string plainText(const std::vector<Run>& runs);

}  // namespace forms::rtf

// What the user reads of an RTF document, with CR LF line ends.
std::string RtfToPlainText(const std::string& rtf);
