// Text routines of the unit Tools: version text, path normalising,
// character stripping, INI line values and the escaped help texts.
#include "Tools.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

TEST(ToolsVersion, VersionTextIsTheTenCharactersAfterTheMarker) {
    const std::string info(BuildInfoText.data());
    ASSERT_EQ(info.size(), 32u);
    EXPECT_EQ(info.substr(8, 10), "5.0.02.012");
    EXPECT_EQ(info.substr(18, 1), " ");
    EXPECT_EQ(info.substr(29), " ##");

    const char* text = GetVersionText();
    EXPECT_EQ(std::strlen(text), 10u);
    EXPECT_STREQ(text, "5.0.02.012");
    EXPECT_EQ(GetVersionText(), text) << "one shared buffer";
}

TEST(ToolsVersion, BuildDateIsDayMonthYearWithPoints) {
    const std::string date = std::string(BuildInfoText.data()).substr(19, 10);
    ASSERT_EQ(date[2], '.');
    ASSERT_EQ(date[5], '.');
    const int day = std::stoi(date.substr(0, 2));
    const int month = std::stoi(date.substr(3, 2));
    const int year = std::stoi(date.substr(6, 4));
    EXPECT_GE(day, 1);
    EXPECT_LE(day, 31);
    EXPECT_GE(month, 1);
    EXPECT_LE(month, 12);
    EXPECT_GE(year, 2024);
    // The compiler's own date, in its own words.
    static const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    EXPECT_EQ(std::string(__DATE__).substr(0, 3), months[month - 1]);
    EXPECT_EQ(std::stoi(std::string(__DATE__).substr(4, 2)), day);
}

struct NormalizeCase {
    const char* path;
    bool noTrailing;
    const char* expected;
};

TEST(ToolsNormalizePath, Table) {
    const NormalizeCase cases[] = {
        {"", false, "\\"},
        {"", true, "\\"},
        {"D:\\\\dir\\\\sub", false, "D:\\dir\\sub\\"},
        {"D:\\\\dir\\\\sub", true, "D:\\dir\\sub"},
        {"C:\\dir\\", true, "C:\\dir\\"},       // never removes a backslash
        {"C:\\dir\\\\\\", false, "C:\\dir\\"},  // a trailing run collapses
        {"C:", false, "C:\\"},
        {"dir", false, "dir\\"},
        {"\\dir", false, "\\dir\\"},
        {"\\\\srv\\\\share", false, "\\\\srv\\share\\"},  // network pair kept
        {"\\\\\\srv", false, "\\\\\\srv\\"},              // three kept
        {"\\\\\\\\\\srv", false, "\\\\\\srv\\"},          // five give three
        {"\\\\", false, "\\\\"},
        {"\\", true, "\\"},
        {"C:/dir//sub", false, "C:/dir//sub\\"},  // only backslashes count
    };
    for (const NormalizeCase& c : cases)
        EXPECT_EQ(NormalizePath(c.path, c.noTrailing), c.expected)
            << "path \"" << c.path << "\" noTrailing " << c.noTrailing;
}

TEST(ToolsNormalizePath, LongPathsAreNotCut) {
    std::string path = "C:";
    for (int i = 0; i < 40; ++i) path += "\\\\segment";  // 402 characters
    const std::string result = NormalizePath(path, false);
    EXPECT_EQ(result.size(), 2u + 40u * 8u + 1u);
    EXPECT_EQ(result.substr(result.size() - 9), "\\segment\\");
}

TEST(ToolsStripChar, RemovesEveryOccurrenceOnly) {
    EXPECT_EQ(StripChar("SETUP.EXE", '.'), "SETUPEXE");
    EXPECT_EQ(StripChar(" a b  c ", ' '), "abc");
    EXPECT_EQ(StripChar("\"C:\\Prog\"", '"'), "C:\\Prog");
    EXPECT_EQ(StripChar("...", '.'), "");
    EXPECT_EQ(StripChar("", '.'), "");
    EXPECT_EQ(StripChar("Grüße", 'x'), "Grüße");
}

TEST(ToolsValueOfLine, Table) {
    const std::pair<const char*, const char*> cases[] = {
        {"NoEquals", ""},
        {"Name=", ""},
        {"Name=Value", "Value"},
        {"A=B=C", "B=C"},
        {"Key = spaced value ", " spaced value "},
        {"=lead", "lead"},
        {"", ""},
    };
    for (const auto& [line, value] : cases) EXPECT_EQ(ValueOfLine(line), value) << "line \"" << line << "\"";
}

struct EscapeCase {
    std::string text;
    std::string decoded;
};

TEST(ToolsDecodeEscapes, WellFormedTexts) {
    const EscapeCase cases[] = {
        {"plain text", "plain text"},
        {"", ""},
        {"\\\\", "\\"},
        {"{\\\\rtf1 a}", "{\\rtf1 a}"},
        {"\\0041", "A"},
        {"\\0141", "A"},  // only the low 8 bits count
        {"Gr\\00fc\\00dfe", "Grüße"},
        {"\\00e4x", "äx"},
        {"\\00E4", "ä"},
        {"\\\\0041", "\\0041"},  // a pair first, then plain digits
        {"x\\41", "xA"},          // short tail at the end
        {"\\4", std::string(1, '\x04')},
        {"\\0000", std::string(1, '\0')},
    };
    for (const EscapeCase& c : cases) {
        const DecodedText result = DecodeEscapes(c.text);
        EXPECT_TRUE(result.ok) << "text \"" << c.text << "\": " << result.error;
        EXPECT_EQ(result.text, c.decoded) << "text \"" << c.text << "\"";
        EXPECT_EQ(result.error, "");
    }
}

struct MalformedCase {
    std::string text;
    std::string decodedBefore;
    std::string error;
};

TEST(ToolsDecodeEscapes, MalformedEscapesAreReportedWithTheConversionText) {
    const MalformedCase cases[] = {
        {"abc\\", "abc", "'0x' is not a valid integer value"},
        {"\\rtf1 x", "", "'0xrtf1' is not a valid integer value"},
        {"ok\\\\then\\00g1", "ok\\then", "'0x00g1' is not a valid integer value"},
        // Blanks, signs and prefixes that an integer conversion may accept
        // are no hexadecimal digits.
        {"\\ 041", "", "'0x 041' is not a valid integer value"},
        {"\\+041", "", "'0x+041' is not a valid integer value"},
        {"\\$041", "", "'0x$041' is not a valid integer value"},
        {"\\x41", "", "'0xx41' is not a valid integer value"},
    };
    for (const MalformedCase& c : cases) {
        const DecodedText result = DecodeEscapes(c.text);
        EXPECT_FALSE(result.ok) << "text \"" << c.text << "\"";
        EXPECT_EQ(result.text, c.decodedBefore) << "text \"" << c.text << "\"";
        EXPECT_EQ(result.error, c.error) << "text \"" << c.text << "\"";
    }
}

}  // namespace
