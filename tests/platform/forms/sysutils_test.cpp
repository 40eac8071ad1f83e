// String, conversion, path, file search and date utilities.
#include "MachineFixture.h"
#include "SysUtils.h"
#include "Win.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

TEST(StrToInt, AcceptsTheClassLibraryGrammar) {
    const std::pair<const char*, int> cases[] = {
        {"0x00e4", 228},     {"0x0141", 321},      {"0x41", 65},         {"3", 3},
        {"10", 10},          {"+5", 5},            {" 5", 5},            {"-2", -2},
        {"$10", 16},         {"x1F", 31},          {"X1f", 31},          {"0XfF", 255},
        {"-0x10", -16},      {"2147483647", 2147483647}, {"-2147483648", INT32_MIN},
        {"0xFFFFFFFF", -1},  {"007", 7},
    };
    for (const auto& [text, expected] : cases) EXPECT_EQ(StrToInt(text), expected) << '"' << text << '"';
}

TEST(StrToInt, RaisesTheConversionError) {
    for (const char* text : {"", " ", "x", "0x", "$", "+", "5 ", "0xrtf1", "12abc", "2147483648",
                             "-2147483649", "0x100000000", "1 2", "--1", "\t5"}) {
        try {
            StrToInt(text);
            ADD_FAILURE() << '"' << text << "\" converted";
        } catch (const EConvertError& e) {
            EXPECT_EQ(e.Message(), std::string("'") + text + "' is not a valid integer value");
        }
        EXPECT_EQ(StrToIntDef(text, -7), -7) << '"' << text << '"';
    }
}

TEST(IntToStr, PrintsUnsignedAsUnsigned) {
    EXPECT_EQ(IntToStr(-1), "-1");
    EXPECT_EQ(IntToStr(0xFFFFFFFFu), "4294967295");
    EXPECT_EQ(IntToStr(uint64_t{5000000000}), "5000000000");
    EXPECT_EQ(IntToStr(int64_t{-5000000000}), "-5000000000");
}

TEST(Strings, TrimUpperCaseCopyPos) {
    EXPECT_EQ(Trim(std::string("\0\x01 a b\t\r\n", 9)), "a b");
    EXPECT_EQ(Trim(" \x1f "), "");
    EXPECT_EQ(Trim("\xA0x\xA0"), "\xA0x\xA0");  // no-break space is no control character
    EXPECT_EQ(UpperCase("-temp=c:\\straße äöü ÿšœž ÷"), "-TEMP=C:\\STRAßE ÄÖÜ ŸŠŒŽ ÷");

    struct CopyCase {
        const char* s;
        int index, count;
        const char* expected;
    };
    for (const auto& c : {CopyCase{"abcdef", 2, 3, "bcd"}, CopyCase{"abcdef", 5, 10, "ef"},
                          CopyCase{"abcdef", 7, 1, ""}, CopyCase{"abcdef", 0, 2, "ab"},
                          CopyCase{"abcdef", 3, 0, ""}, CopyCase{"abcdef", 3, -1, ""}})
        EXPECT_EQ(Copy(c.s, c.index, c.count), c.expected) << c.s << "," << c.index << "," << c.count;

    EXPECT_EQ(Pos("=", "KEY=VALUE"), 4);
    EXPECT_EQ(Pos("K", "KEY"), 1);
    EXPECT_EQ(Pos("x", "KEY"), 0);
    EXPECT_EQ(Pos("", "KEY"), 0);
}

TEST(Paths, SplitAtBackslashColonAndSlash) {
    struct Case {
        const char* name;
        const char* path;
        const char* file;
        const char* ext;
        const char* changed;  // ChangeFileExt(name, ".INI")
    };
    const Case cases[] = {
        {"C:\\DIR\\FILE.TXT", "C:\\DIR\\", "FILE.TXT", ".TXT", "C:\\DIR\\FILE.INI"},
        {"C:\\DIR.X\\FILE", "C:\\DIR.X\\", "FILE", "", "C:\\DIR.X\\FILE.INI"},
        {"A:INST.ALL", "A:", "INST.ALL", ".ALL", "A:INST.INI"},
        {"FILE.TAR.GZ", "", "FILE.TAR.GZ", ".GZ", "FILE.TAR.INI"},
        {"C:\\DIR\\", "C:\\DIR\\", "", "", "C:\\DIR\\.INI"},
        {"/tmp/a.b/LZ*.PAK", "/tmp/a.b/", "LZ*.PAK", ".PAK", "/tmp/a.b/LZ*.INI"},
        {"", "", "", "", ".INI"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ExtractFilePath(c.name), c.path) << c.name;
        EXPECT_EQ(ExtractFileName(c.name), c.file) << c.name;
        EXPECT_EQ(ExtractFileExt(c.name), c.ext) << c.name;
        EXPECT_EQ(ChangeFileExt(c.name, ".INI"), c.changed) << c.name;
    }
}

TEST(DateTime, EncodesDaysSince18991230) {
    EXPECT_EQ(EncodeDate(1899, 12, 30), 0.0);
    EXPECT_EQ(EncodeDate(2024, 3, 5), 45356.0);
    EXPECT_EQ(EncodeDate(1900, 1, 1), 2.0);
    EXPECT_EQ(EncodeTime(12, 0, 0, 0), 0.5);
    EXPECT_THROW(EncodeDate(2023, 2, 29), EConvertError);
    EXPECT_THROW(EncodeTime(24, 0, 0, 0), EConvertError);
    int y, m, d, h, n, s, ms;
    DecodeDate(EncodeDate(2000, 2, 29), y, m, d);
    EXPECT_EQ(std::vector<int>({y, m, d}), std::vector<int>({2000, 2, 29}));
    DecodeTime(EncodeTime(23, 59, 59, 999), h, n, s, ms);
    EXPECT_EQ(std::vector<int>({h, n, s, ms}), std::vector<int>({23, 59, 59, 999}));
}

TEST(DateTime, GermanTexts) {
    const TDateTime day = EncodeDate(2024, 3, 5);
    EXPECT_EQ(DateTimeToStr(day + EncodeTime(14, 3, 7, 0)), "05.03.2024 14:03:07");
    EXPECT_EQ(DateTimeToStr(day), "05.03.2024");  // exactly midnight: no time
    EXPECT_EQ(DateTimeToStr(day + EncodeTime(0, 0, 0, 1)), "05.03.2024 00:00:00");
    EXPECT_EQ(DateTimeToStr(EncodeDate(1999, 12, 31) + EncodeTime(23, 59, 59, 0)), "31.12.1999 23:59:59");
    EXPECT_EQ(FormatDateTime("dd.mm.yyyy    hh:nn:ss", day + EncodeTime(9, 5, 0, 0)), "05.03.2024    09:05:00");
    EXPECT_EQ(FormatDateTime("d.m.yy h:mm", day + EncodeTime(9, 5, 0, 0)), "5.3.24 9:05");  // m after h: minute
}

class Files : public testsupport::MachineTest {
protected:
    std::string machineIni() const override {
        return "[Machine]\nTimeBias=-60\nClockStart=2024-03-05 14:03:07\n";
    }
    // Sets a file's last write to the given local time.
    void setLocalWriteTime(const std::string& path, const win::SystemTime& local) {
        win::FileTime t = 0;
        ASSERT_TRUE(win::systemTimeToFileTime(local, t));
        ASSERT_TRUE(win::setLastWriteTime(path, win::localToFileTime(t)));
    }
};

TEST_F(Files, NowIsTheMachineClock) {
    EXPECT_EQ(DateTimeToStr(Now()), "05.03.2024 14:03:07");
}

TEST_F(Files, FindFirstFiltersByAttributes) {
    for (const char* name : {"b.txt", "A.TXT", "h.txt", "sub/x.txt"})
        testsupport::writeHostFile(driveC() + "/D/" + name, "12345");
    ASSERT_TRUE(win::setFileAttributes("C:\\D\\h.txt", win::ATTR_HIDDEN));
    ASSERT_TRUE(win::setFileAttributes("C:\\D\\b.txt", win::ATTR_READONLY));
    auto found = [](const std::string& mask, int attr) {
        std::vector<std::string> names;
        TSearchRec f;
        for (int rc = FindFirst(mask, attr, f); rc == 0; rc = FindNext(f)) names.push_back(f.Name);
        FindClose(f);
        return names;
    };
    EXPECT_EQ(found("C:\\D\\*.*", 39), (std::vector<std::string>{"A.TXT", "b.txt", "h.txt"}));
    EXPECT_EQ(found("C:\\D\\*.*", faAnyFile), (std::vector<std::string>{".", "..", "A.TXT", "b.txt", "h.txt", "sub"}));
    EXPECT_EQ(found("C:\\D\\*.*", 0), (std::vector<std::string>{"A.TXT", "b.txt"}));  // read-only never filters
    EXPECT_EQ(found("C:\\D\\*.*", faDirectory), (std::vector<std::string>{".", "..", "A.TXT", "b.txt", "sub"}));
    TSearchRec f;
    EXPECT_NE(FindFirst("C:\\D\\*.dat", faAnyFile, f), 0);
    FindClose(f);
}

TEST_F(Files, SearchRecordHoldsSizeAttributesAndLocalDosTime) {
    testsupport::writeHostFile(driveC() + "/m.pak", "12345");
    ASSERT_TRUE(win::setFileAttributes("C:\\m.pak", win::ATTR_ARCHIVE));
    setLocalWriteTime("C:\\m.pak", {2024, 3, 5, 14, 3, 7, 0});
    TSearchRec f;
    ASSERT_EQ(FindFirst("C:\\M.PAK", faAnyFile, f), 0);
    EXPECT_EQ(f.Name, "m.pak");
    EXPECT_EQ(f.Size, 5u);
    EXPECT_EQ(f.Attr & faArchive, faArchive);
    const int date = (2024 - 1980) << 9 | 3 << 5 | 5;
    const int time = 14 << 11 | 3 << 5 | 3;  // seconds in 2 s steps: 7 s gives 3
    EXPECT_EQ(f.Time, date << 16 | time);
    FindClose(f);
}

TEST_F(Files, ForceDirectoriesMakesEveryLevel) {
    EXPECT_TRUE(ForceDirectories("C:\\A\\B\\C\\"));
    EXPECT_TRUE(DirectoryExists("C:\\A\\B\\C"));
    EXPECT_TRUE(ForceDirectories("C:\\A\\B"));  // already there
    testsupport::writeHostFile(driveC() + "/F", "file");
    EXPECT_FALSE(ForceDirectories("C:\\F\\G"));
    EXPECT_FALSE(DirectoryExists("C:\\F\\G"));
    EXPECT_FALSE(ForceDirectories("Q:\\X"));  // no such drive
    EXPECT_FALSE(ForceDirectories(""));
    ASSERT_TRUE(SetCurrentDir("C:\\A"));
    EXPECT_TRUE(ForceDirectories("R\\S"));
    EXPECT_TRUE(DirectoryExists("C:\\A\\R\\S"));
    EXPECT_EQ(GetCurrentDir(), "C:\\A");
}

}  // namespace
