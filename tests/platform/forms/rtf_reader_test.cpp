// The RTF reader of the rich-text view: small documents and the runs of
// text and style a reader must find in them.
#include "Rtf.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace {

using forms::rtf::kAutoColor;
using RtfRun = forms::rtf::Run;

// One expected run: text, then the styles "b", "i", "u", a size in half
// points and a colour.
struct Expected {
    std::string text;
    std::string styles;
    int halfPoints = 0;
    int32_t color = kAutoColor;
};

struct RtfCase {
    const char* name;
    std::string rtf;
    std::vector<Expected> runs;
    friend void PrintTo(const RtfCase& c, std::ostream* os) { *os << c.name; }
};

std::string stylesOf(const RtfRun& run) {
    return std::string(run.bold ? "b" : "") + (run.italic ? "i" : "") + (run.underline ? "u" : "");
}

class RtfReaderTest : public testing::TestWithParam<RtfCase> {};

TEST_P(RtfReaderTest, FindsTheTextAndItsStyles) {
    const std::vector<RtfRun> runs = forms::rtf::read(GetParam().rtf);
    const std::vector<Expected>& expected = GetParam().runs;
    ASSERT_EQ(runs.size(), expected.size());
    for (std::size_t i = 0; i < runs.size(); ++i) {
        SCOPED_TRACE("run " + std::to_string(i));
        EXPECT_EQ(runs[i].text, expected[i].text);
        EXPECT_EQ(stylesOf(runs[i]), expected[i].styles);
        EXPECT_EQ(runs[i].halfPoints, expected[i].halfPoints);
        EXPECT_EQ(runs[i].color, expected[i].color);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Documents, RtfReaderTest,
    testing::Values(
        RtfCase{"bold", "{\\rtf1 normal {\\b fett} \\b wieder\\b0  aus}",
                {{"normal ", ""}, {"fett", "b"}, {" ", ""}, {"wieder", "b"}, {" aus", ""}}},
        RtfCase{"italic_underline_plain", "{\\rtf1\\i\\ul beides\\ulnone  kursiv\\plain  nichts}",
                {{"beides", "iu"}, {" kursiv", "i"}, {" nichts", ""}}},
        RtfCase{"umlaut_by_hex", "{\\rtf1 Gr\\'f6\\'dfe \\'e4}", {{"Gr\xF6\xDF" "e \xE4", ""}}},
        RtfCase{"umlaut_by_unicode", "{\\rtf1 M\\u228?rz {\\uc0\\u8364} \\u8222\\'84x\\u-3913?}",
                {{"M\xE4rz \x80 \x84x?", ""}}},
        RtfCase{"skipped_font_table_and_stylesheet",
                "{\\rtf1\\ansi{\\fonttbl{\\f0\\fswiss Arial;}{\\f1 Times;}}{\\stylesheet{\\s0 Normal;}}"
                "{\\*\\generator Writer 1.0;}{\\info{\\title Titel}}\\f0 Text}",
                {{"Text", ""}}},
        RtfCase{"colour_table_and_size",
                "{\\rtf1{\\colortbl;\\red255\\green0\\blue0;\\red0\\green0\\blue128;}\\fs20 klein \\cf1 rot"
                "\\cf2\\fs32  blau\\cf7  ohne}",
                {{"klein ", "", 20}, {"rot", "", 20, 0x0000FF}, {" blau", "", 32, 0x800000}, {" ohne", "", 32}}},
        RtfCase{"paragraphs_lines_and_tabs", "{\\rtf1 A\\par B\\line C\\tab D\\\nE}", {{"A\nB\nC\tD\nE", ""}}},
        RtfCase{"escaped_symbols", "{\\rtf1 \\{x\\}\\\\ a\\~b\\_c\\-d \\emdash}", {{"{x}\\ a\xA0" "b-cd \x97", ""}}},
        RtfCase{"unbalanced_braces", "}}{\\rtf1 {\\b fett} nach}} noch}{\\i offen",
                {{"fett", "b"}, {" nach noch", ""}, {"offen", "i"}}},
        RtfCase{"cut_at_the_end", "{\\rtf1 Ende\\'4", {{"Ende", ""}}},
        RtfCase{"binary_data_skipped", "{\\rtf1 a\\bin4 {}\\xb}", {{"ab", ""}}},
        RtfCase{"plain_text", "Nur Text, kein RTF", {{"Nur Text, kein RTF", ""}}}));

TEST(RtfPlainText, IsTheTextWithWindowsLineEnds) {
    EXPECT_EQ(RtfToPlainText("{\\rtf1{\\fonttbl{\\f0 Arial;}}Zeile 1\\par Zeile 2\\line Ende}"),
              "Zeile 1\r\nZeile 2\r\nEnde");
    EXPECT_TRUE(forms::rtf::isRtf("{\\rtf1 x}"));
    EXPECT_FALSE(forms::rtf::isRtf(" {\\rtf1 x}"));
}

}  // namespace
