// The profile rules on the text (pure) and through files of the machine.
#include "MachineFixture.h"
#include "Profile.h"
#include "Win.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace {

namespace profile = win::profile;

struct ReadCase {
    const char* text;
    const char* section;
    const char* key;
    std::optional<std::string> value;
};

TEST(WinProfile, ReadRules) {
    const std::string longValue(3000, 'v');
    const std::string text3000 = "[S]\r\nK=" + longValue + "\r\n";
    const ReadCase cases[] = {
        {"[S]\r\nK=v\r\n", "S", "K", "v"},
        {"[S]\nK=v\n", "s", "k", "v"},                   // LF lines, other case
        {"[Sec]\r\nKey = \t x y \t\r\n", "SEC", "KEY", "x y"},
        {"[S]\r\nK=\"x\"\r\n", "S", "K", "x"},
        {"[S]\r\nK='x'\r\n", "S", "K", "x"},
        {"[S]\r\nK=\"x'\r\n", "S", "K", "\"x'"},         // no matching pair
        {"[S]\r\nK=\"x\r\n", "S", "K", "\"x"},
        {"[S]\r\nK=\"\"x\"\"\r\n", "S", "K", "\"x\""},   // one pair only
        {"[S]\r\nK= \" x \" \r\n", "S", "K", " x "},     // blanks inside the quotes stay
        {"[S]\r\nK=\r\n", "S", "K", ""},                 // present but empty
        {"[S]\r\nK\r\n", "S", "K", std::nullopt},         // no "=": no value
        {"[S]\r\nK=v\r\n", "S", "L", std::nullopt},
        {"[S]\r\nK=v\r\n", "T", "K", std::nullopt},
        {"K=v\r\n[S]\r\n", "S", "K", std::nullopt},       // before any section
        {"[S]\r\nK=first\r\nK=second\r\n", "S", "K", "first"},
        {"[S]\r\nK=a=b\r\n", "S", "K", "a=b"},
        {"[S]\r\n;K=c\r\n", "S", "K", std::nullopt},      // a comment
        {"[S]\r\nK=1\r\n[T]\r\nK=2\r\n[S]\r\nK=3\r\n", "S", "K", "1"},
        {"  [ S ]  \r\nK=v\r\n", "S", "K", "v"},
        {"[D:\\Prog\\DEMO.INI#Net]\r\nK=v\r\n", "d:\\prog\\demo.ini#net", "K", "v"},
        {"[\xC4nderung]\r\n\xDC=\xF6\r\n", "\xE4NDERUNG", "\xFC", "\xF6"},
        {text3000.c_str(), "S", "K", longValue.substr(0, 2047)},
        {"", "S", "K", std::nullopt},
    };
    for (const ReadCase& c : cases)
        EXPECT_EQ(profile::readString(c.text, c.section, c.key), c.value) << c.text;
}

TEST(WinProfile, NamesInFileOrder) {
    const std::string text = "[B]\r\n Zwei = 2\r\nEins=1\r\nOhneWert\r\n;comment\r\n\r\n[a]\r\nX=1\r\n[B]\r\nDrei=3\r\n";
    EXPECT_EQ(profile::sectionNames(text), (std::vector<std::string>{"B", "a", "B"}));
    EXPECT_EQ(profile::keyNames(text, "b"), (std::vector<std::string>{"Zwei", "Eins", "OhneWert"}));
    EXPECT_TRUE(profile::keyNames(text, "missing").empty());
}

struct WriteCase {
    const char* before;
    const char* section;
    const char* key;
    const char* value;
    const char* after;
};

TEST(WinProfile, WriteRules) {
    const WriteCase cases[] = {
        {"", "S", "K", "v", "[S]\r\nK=v\r\n"},
        {"[S]\r\nK=old\r\nL=1\r\n", "s", "k", "new", "[S]\r\nK=new\r\nL=1\r\n"},    // in place, spelling kept
        {"[S]\r\nA=1\r\n\r\n[T]\r\nB=2\r\n", "S", "N", "x", "[S]\r\nA=1\r\nN=x\r\n\r\n[T]\r\nB=2\r\n"},
        {"[S]\r\n[T]\r\n", "S", "N", "x", "[S]\r\nN=x\r\n[T]\r\n"},
        {"[S]\nA=1\n", "T", "B", "2", "[S]\r\nA=1\r\n[T]\r\nB=2\r\n"},              // LF read, CR LF written
        {"[S]\r\nA=1", "S", "B", " spaced ", "[S]\r\nA=1\r\nB= spaced \r\n"},      // value as given
        {"[S]\r\nK=1\r\n[S]\r\nK=2\r\n", "S", "K", "3", "[S]\r\nK=3\r\n[S]\r\nK=2\r\n"},
        {"[D:\\P\\A.INI#Net]\r\n", "D:\\P\\A.INI#Net", "K", "v", "[D:\\P\\A.INI#Net]\r\nK=v\r\n"},
    };
    for (const WriteCase& c : cases)
        EXPECT_EQ(profile::writeString(c.before, c.section, c.key, c.value), c.after) << c.before;
}

TEST(WinProfile, DeleteKey) {
    EXPECT_EQ(profile::deleteKey("[S]\r\nA=1\r\nB=2\r\n", "s", "a"), "[S]\r\nB=2\r\n");
    EXPECT_EQ(profile::deleteKey("[S]\nA=1\n", "S", "X"), "[S]\nA=1\n") << "nothing to delete: unchanged";
}

class WinProfileFiles : public testsupport::MachineTest {};

// Each of these rewrites keeps the file's size, so only its time tells.
TEST_F(WinProfileFiles, EveryCallSeesTheFileAsItIsNow) {
    const win::ProfileFile file("C:\\WORK\\INSTFILE.TMP");
    testsupport::writeHostFile(driveC() + "/WORK/INSTFILE.TMP", "[Marker]\nIsEnvFile=1\n");
    EXPECT_EQ(file.readString("marker", "isenvfile"), "1");
    testsupport::writeHostFile(driveC() + "/WORK/INSTFILE.TMP", "[Marker]\nIsIpaFile=1\n");
    EXPECT_EQ(file.readString("Marker", "IsEnvFile"), std::nullopt);
    EXPECT_EQ(file.keys("Marker"), std::vector<std::string>{"IsIpaFile"});
    testsupport::writeHostFile(driveC() + "/WORK/INSTFILE.TMP", "[Marker]\nIsEnvFile=2\n");
    EXPECT_EQ(file.readString("Marker", "IsEnvFile"), "2");
    std::filesystem::remove(driveC() + "/WORK/INSTFILE.TMP");
    EXPECT_EQ(file.readString("Marker", "IsEnvFile"), std::nullopt);
    EXPECT_EQ(win::ProfileFile("C:\\WORK\\MISSING.INI").readString("Marker", "IsEnvFile"), std::nullopt);
}

TEST_F(WinProfileFiles, WritesCreateFileAndSection) {
    win::ProfileFile demo("C:\\WORK\\..\\DEMO.INI");
    ASSERT_TRUE(demo.writeString("Net", "Server", "srv"));
    ASSERT_TRUE(win::ProfileFile("C:\\DEMO.INI").writeString("Net", "Port", "1"));
    ASSERT_TRUE(demo.writeString("NET", "server", "other"));
    EXPECT_EQ(testsupport::readHostFile(driveC() + "/DEMO.INI"), "[Net]\r\nServer=other\r\nPort=1\r\n");
    EXPECT_EQ(win::ProfileFile("C:\\DEMO.INI").sections(), std::vector<std::string>{"Net"});

    EXPECT_FALSE(win::ProfileFile("C:\\NODIR\\DEMO.INI").writeString("S", "K", "v"));
    ASSERT_TRUE(win::setFileAttributes("C:\\DEMO.INI", win::ATTR_READONLY));
    EXPECT_FALSE(demo.writeString("S", "K", "v"));

    ASSERT_TRUE(win::ProfileFile("WIN.INI").writeString("S", "K", "v")) << "a bare name is in the Windows directory";
    EXPECT_EQ(testsupport::readHostFile(driveC() + "/WINDOWS/WIN.INI"), "[S]\r\nK=v\r\n");
}

}  // namespace
