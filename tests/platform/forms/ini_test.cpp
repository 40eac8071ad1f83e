// TIniFile on the profile rules, against files on the emulated drive C:.
#include "Classes.h"
#include "IniFiles.h"
#include "MachineFixture.h"
#include "SysUtils.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<std::string> items(const TStrings& list) {
    std::vector<std::string> out;
    for (int i = 0; i < list.Count(); ++i) out.push_back(list[i]);
    return out;
}

class IniFile : public testsupport::MachineTest {
protected:
    TIniFile ini{"C:\\TEST.INI"};
    void writeIni(const std::string& text) { testsupport::writeHostFile(driveC() + "/TEST.INI", text); }
    std::string iniText() { return testsupport::readHostFile(driveC() + "/TEST.INI"); }
};

TEST_F(IniFile, ReadStringFollowsTheProfileRules) {
    struct Case {
        const char* file;
        const char* section;
        const char* key;
        const char* expected;
    };
    const Case cases[] = {
        {"[S]\r\nk= x \r\n", "S", "k", "x"},
        {"[S]\r\nk=\"x\"\r\n", "S", "k", "x"},
        {"[S]\r\nk='x'\r\n", "S", "k", "x"},
        {"[S]\r\nk=\"x\r\n", "S", "k", "\"x"},
        {"[S]\r\nk=\r\n", "S", "k", ""},           // present but empty: not the default
        {"[S]\r\nother=1\r\n", "S", "k", "d"},
        {"[T]\r\nk=1\r\n", "S", "k", "d"},
        {"[setup]\nTITLE=Brim Demo\n", "Setup", "Title", "Brim Demo"},
        {"[S]\r\nk=first\r\nk=second\r\n", "S", "k", "first"},
    };
    for (const auto& c : cases) {
        writeIni(c.file);
        EXPECT_EQ(ini.ReadString(c.section, c.key, "d"), c.expected) << c.file;
    }
    EXPECT_EQ(TIniFile("C:\\NONE.INI").ReadString("S", "k", "d"), "d");
}

TEST_F(IniFile, LongValuesAreCutAt2047Characters) {
    writeIni("[S]\r\nk=" + std::string(3000, 'v') + "\r\n");
    EXPECT_EQ(ini.ReadString("S", "k", ""), std::string(2047, 'v'));
}

TEST_F(IniFile, ReadIntegerTakesDecimalAndHex) {
    const std::pair<const char*, int> cases[] = {
        {"0x03", 3}, {"0X1f", 31}, {"3", 3}, {" 12 ", 12}, {"-2", -2}, {"x", 7}, {"", 7}, {"12abc", 7}, {"0x", 7},
    };
    for (const auto& [value, expected] : cases) {
        writeIni(std::string("[S]\r\nk=") + value + "\r\n");
        EXPECT_EQ(ini.ReadInteger("S", "k", 7), expected) << '"' << value << '"';
    }
    EXPECT_EQ(ini.ReadInteger("S", "missing", 7), 7);
}

TEST_F(IniFile, SectionsAndKeysInFileOrder) {
    writeIni("[Groups]\r\nzeta=1\r\nAlpha = 2\r\nzeta=3\r\n[IconText]\r\nx=y\r\n[Types]\r\n");
    TStringList list;
    list.Add("old");
    ini.ReadSection("Groups", &list);
    EXPECT_EQ(items(list), (std::vector<std::string>{"zeta", "Alpha", "zeta"}));
    ini.ReadSections(&list);
    EXPECT_EQ(items(list), (std::vector<std::string>{"Groups", "IconText", "Types"}));
    ini.ReadSection("Missing", &list);
    EXPECT_EQ(list.Count(), 0);
}

TEST_F(IniFile, ReadSectionValuesReReadsEachKey) {
    writeIni("[G]\r\nLZ000001 = 123456\r\nA=\"q\"\r\nLZ000001=999\r\n");
    TStringList list;
    ini.ReadSectionValues("G", &list);
    EXPECT_EQ(items(list), (std::vector<std::string>{"LZ000001=123456", "A=q", "LZ000001=123456"}));
}

TEST_F(IniFile, ReadSectionStopsWhereTheBufferEnds) {
    std::string text = "[G]\r\n";
    for (int i = 0; i < 2100; ++i) text += "K" + std::to_string(100000 + i) + "=1\r\n";  // 7-character names
    writeIni(text);
    TStringList list;
    ini.ReadSection("G", &list);
    // 2047 names of 7 characters and their zeros fill 16376 of 16384; the
    // next one would not fit whole.
    ASSERT_EQ(list.Count(), 2047);
    EXPECT_EQ(list[2046], "K102046");
}

TEST_F(IniFile, WriteStringCreatesAndReplaces) {
    ini.WriteString("Net", "Server", "brim01");
    EXPECT_EQ(iniText(), "[Net]\r\nServer=brim01\r\n");
    ini.WriteString("NET", "server", "brim02");
    ini.WriteString("D:\\Prog\\DEMO.INI#Net", "Port", "8080");
    EXPECT_EQ(ini.ReadString("net", "SERVER", ""), "brim02");
    EXPECT_EQ(ini.ReadString("D:\\Prog\\DEMO.INI#Net", "Port", ""), "8080");
    ini.UpdateFile();
    EXPECT_EQ(iniText(), "[Net]\r\nServer=brim02\r\n[D:\\Prog\\DEMO.INI#Net]\r\nPort=8080\r\n");
}

TEST_F(IniFile, FailedWriteRaises) {
    TIniFile bad("C:\\NODIR\\X.INI");
    try {
        bad.WriteString("S", "k", "v");
        ADD_FAILURE() << "no EIniFileException";
    } catch (const EIniFileException& e) {
        EXPECT_EQ(e.Message(), "Unable to write to C:\\NODIR\\X.INI");
    }
}

}  // namespace
