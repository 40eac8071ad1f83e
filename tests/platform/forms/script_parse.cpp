// Reading scripts: the words of each action, texts taken literally in
// Windows-1252, and the lines that are no action.
#include "headless/Script.h"

#include <gtest/gtest.h>

namespace {

using forms::headless::Action;
using forms::headless::Script;
using forms::headless::ScriptError;
using forms::headless::Step;

Step only(const std::string& text) {
    Script script = Script::fromText(text);
    std::optional<Step> step = script.take();
    EXPECT_TRUE(step.has_value());
    EXPECT_FALSE(script.take().has_value());
    return step.value_or(Step{});
}

TEST(ScriptParse, KeysWithModifiersInEitherOrder) {
    struct Case {
        const char* line;
        uint16_t key;
        TShiftState shift;
    };
    const Case cases[] = {
        {"key F4", VK_F4, {}},
        {"key F4+Alt", VK_F4, {ssAlt}},
        {"key Shift+Tab", VK_TAB, {ssShift}},
        {"key ctrl+shift+F4", VK_F4, {ssCtrl, ssShift}},
        {"key Return", VK_RETURN, {}},
        {"key W+Alt", 'W', {ssAlt}},
        {"key z", 'Z', {}},
        {"key F12", VK_F1 + 11, {}},
    };
    for (const Case& c : cases) {
        const Step step = only(c.line);
        EXPECT_EQ(step.action, Action::Key) << c.line;
        EXPECT_EQ(step.key, c.key) << c.line;
        EXPECT_TRUE(step.shift == c.shift) << c.line;
    }
}

TEST(ScriptParse, TextsAreKeptLiterallyInWindows1252) {
    // The script is UTF-8 ("\xc3\xbc" is the u umlaut), the step's text Windows-1252.
    const Step text = only("text edDir   C:\\neu\\B\xc3\xbcro  x");
    EXPECT_EQ(text.target, "edDir");
    EXPECT_EQ(text.text, "C:\\neu\\Büro  x");  // "\n" is a line break only for memos

    const Step empty = only("text edDir");
    EXPECT_EQ(empty.text, "");

    const Step box = only("box yes Sie haben keine");
    EXPECT_EQ(box.target, "Yes");
    EXPECT_EQ(box.text, "Sie haben keine");

    const Step dir = only("dir dlbDir C:\\Program Files");
    EXPECT_EQ(dir.text, "C:\\Program Files");
}

TEST(ScriptParse, MachineKeysWithSectionsAndBlanks) {
    struct Case {
        const char* line;
        const char* section;
        const char* key;
        const char* value;
    };
    const Case cases[] = {
        {"machine [InUse]C:\\X\\A.DLL 1", "InUse", "C:\\X\\A.DLL", "1"},
        {"machine [InUse]C:\\X\\A.DLL", "InUse", "C:\\X\\A.DLL", ""},  // removes the mark
        {"machine [Drive A]Folder drives/A", "Drive A", "Folder", "drives/A"},
        {"machine [InUse]C:\\Program Files\\A.DLL=1", "InUse", "C:\\Program Files\\A.DLL", "1"},
        {"machine [Drive C]Free=8,512,10,2000", "Drive C", "Free", "8,512,10,2000"},
    };
    for (const Case& c : cases) {
        const Step step = only(c.line);
        EXPECT_EQ(step.section, c.section) << c.line;
        EXPECT_EQ(step.target, c.key) << c.line;
        EXPECT_EQ(step.text, c.value) << c.line;
    }
}

TEST(ScriptParse, CommentsAndBlankLinesKeepTheLineNumbers) {
    Script script = Script::fromText("# a user\n\n  page frmLicence\r\n   # more\nclick cmdJa\n");
    EXPECT_EQ(script.take()->line, 3);
    EXPECT_EQ(script.take()->line, 5);
    EXPECT_FALSE(script.take().has_value());
    EXPECT_EQ(script.nextLine(), 6);
}

TEST(ScriptParse, LinesThatAreNoActionNameTheirLine) {
    const char* bad[] = {
        "jump cmdNext",         "key F13",         "key Shift",      "key F4+F5",      "check clbTypSelect x",
        "select clbTypSelect -1", "box Maybe",     "drive dcbDrive 12", "machine InUse x=1", "click",
        "page frmA frmB",       "dir dlbDir",      "text \xff",
    };
    for (const char* line : bad) {
        try {
            Script::fromText(std::string("page frmA\n") + line + "\n");
            ADD_FAILURE() << "accepted: " << line;
        } catch (const ScriptError& e) {
            EXPECT_EQ(e.line, 2) << line;
        }
    }
}

}  // namespace
