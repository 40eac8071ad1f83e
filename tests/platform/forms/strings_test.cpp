// String lists: the locale comparison, sorted lists, comma text, line ends
// and file I/O.
#include "Classes.h"
#include "MachineFixture.h"
#include "SysUtils.h"
#include "Win.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace {

std::vector<std::string> items(const TStrings& list) {
    std::vector<std::string> out;
    for (int i = 0; i < list.Count(); ++i) out.push_back(list[i]);
    return out;
}

int sign(int v) {
    return (v > 0) - (v < 0);
}

struct CompareCase {
    const char* a;
    const char* b;
    int expected;
};

TEST(AnsiCompareText, OrdersByLocaleRulesNotBytes) {
    const CompareCase cases[] = {
        {"#FILE#C:\\A.DLL", "#file#c:\\a.dll", 0},  // case never counts
        {"ÄRGER", "ärger", 0},
        {"ab", "a-b", -1},                          // hyphen only at level 3
        {"a-b", "ac", -1},                          // ... so a-b stays beside ab
        {"Apfel", "Äpfel", -1},                     // plain letter before its umlaut
        {"Äpfel", "Apfelsine", -1},                 // umlaut weighs as its base first
        {"Äpfel", "Zebra", -1},                     // not after z as in bytes
        {"C:\\a\\b", "C:\\a_b", -1},                // symbols by byte value
        {"C:\\a_b", "C:\\ab", -1},                  // symbols before letters
        {"{x}", "2", -1},                           // symbols before digits
        {"9", "a", -1},                             // digits before letters
        {" ", "!", -1},                             // the blank is the first symbol
        {"Strasse", "Straße", -1},                  // ß is ss, but no duplicate
        {"Straße", "Strast", -1},
        {"Qt-Plugins", "QtPlugins", 1},
        {"QtPlugins.ini", "Qt-Plugins\\q.dll", -1}, // "." before "\" after the hyphen is gone
        {"abc", "ab", 1},                           // a prefix sorts first
        {"", "a", -1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(sign(AnsiCompareText(c.a, c.b)), c.expected) << c.a << " <> " << c.b;
        EXPECT_EQ(sign(AnsiCompareText(c.b, c.a)), -c.expected) << c.b << " <> " << c.a;
    }
}

TEST(TStringList, SortedUninstallRecordOrder) {
    TStringList list;
    list.SetSorted(true);
    for (const char* line : {"#UninstallKey#Brim", "#FILE#C:\\Programme\\Brim\\Zebra.txt",
                             "#FILE#C:\\Programme\\Brim\\Qt-Plugins\\q.dll", "#MENUEDIR#C:\\Start\\Brim",
                             "#FILE#C:\\Programme\\Brim\\Ärger.txt", "### Setup Zeitpunkt: 05.03.2024 14:03:07",
                             "#FILE#C:\\Programme\\Brim\\2.dat", "#FILE#C:\\Programme\\Brim\\QtPlugins.ini",
                             "#LINK#C:\\Start\\Brim\\Brim.lnk", "#FILE#C:\\Programme\\Brim\\{x}.dat",
                             "#FILE#C:\\Programme\\Brim\\a.dll", "#file#c:\\programme\\brim\\A.DLL"})
        list.Add(line);
    EXPECT_EQ(items(list), (std::vector<std::string>{
                               "### Setup Zeitpunkt: 05.03.2024 14:03:07",
                               "#FILE#C:\\Programme\\Brim\\{x}.dat",
                               "#FILE#C:\\Programme\\Brim\\2.dat",
                               "#FILE#C:\\Programme\\Brim\\a.dll",
                               "#FILE#C:\\Programme\\Brim\\Ärger.txt",
                               "#FILE#C:\\Programme\\Brim\\QtPlugins.ini",
                               "#FILE#C:\\Programme\\Brim\\Qt-Plugins\\q.dll",
                               "#FILE#C:\\Programme\\Brim\\Zebra.txt",
                               "#LINK#C:\\Start\\Brim\\Brim.lnk",
                               "#MENUEDIR#C:\\Start\\Brim",
                               "#UninstallKey#Brim",
                           }));
}

TEST(TStringList, SortedIgnoresDuplicatesWithoutCase) {
    TStringList list;
    list.SetSorted(true);
    EXPECT_EQ(list.Add("b.dll"), 0);
    EXPECT_EQ(list.Add("A.DLL"), 0);
    EXPECT_EQ(list.Add("a.dll"), 0);  // the index of the entry already there
    EXPECT_EQ(list.Add("B.DLL"), 1);
    EXPECT_EQ(items(list), (std::vector<std::string>{"A.DLL", "b.dll"}));
    EXPECT_EQ(list.IndexOf("B.dll"), 1);
    EXPECT_EQ(list.IndexOf("c.dll"), -1);

    list.SetDuplicates(dupError);
    EXPECT_THROW(list.Add("a.DLL"), EStringListError);
    list.SetDuplicates(dupAccept);
    list.Add("a.DLL");
    EXPECT_EQ(list.Count(), 3);
}

TEST(TStringList, ObjectsMoveWithTheirStrings) {
    TStringList list(true);
    const char* names[] = {"Zebra", "äpfel", "Apfel", "10", "-x"};
    for (int i = 0; i < 5; ++i) list.AddObject(names[i], new TIntObject(i));
    list.SetSorted(true);
    list.AddObject("Birne", new TIntObject(5));
    ASSERT_EQ(items(list), (std::vector<std::string>{"10", "Apfel", "äpfel", "Birne", "-x", "Zebra"}));
    for (int i = 0; i < list.Count(); ++i) {
        const int original = static_cast<TIntObject*>(list.Objects(i))->Value;
        EXPECT_EQ(list[i], original < 5 ? names[original] : "Birne");
    }
}

TEST(TStringList, UnsortedKeepsOrderAndDuplicates) {
    TStringList list;
    list.Add("b");
    list.Add("a");
    list.Add("B");
    list.Insert(0, "first");
    EXPECT_EQ(items(list), (std::vector<std::string>{"first", "b", "a", "B"}));
    EXPECT_EQ(list.IndexOf("b"), 1);  // the first equal entry
    list.Delete(1);
    EXPECT_EQ(list.IndexOf("b"), 2);
}

struct Counted : TObject {
    explicit Counted(int& deaths) : deaths(deaths) {}
    ~Counted() override { ++deaths; }
    int& deaths;
};

TEST(TStringList, OwningListDeletesItsObjects) {
    int deaths = 0;
    {
        TStringList list(true);
        for (const char* s : {"a", "b", "c", "d"}) list.AddObject(s, new Counted(deaths));
        list.Delete(0);
        EXPECT_EQ(deaths, 1);
        list.SetObjects(0, new Counted(deaths));  // the replaced one goes
        EXPECT_EQ(deaths, 2);
        list.Clear();
        EXPECT_EQ(deaths, 5);
        list.AddObject("e", new Counted(deaths));
    }
    EXPECT_EQ(deaths, 6);

    Counted kept(deaths);
    {
        TStringList list;
        list.AddObject("x", &kept);
        list.Clear();
        list.AddObject("y", &kept);
    }
    EXPECT_EQ(deaths, 6);
}

TEST(TStringList, RefusalsRaiseListErrors) {
    TStringList empty;
    TStringList sorted;
    sorted.SetSorted(true);
    sorted.Add("a");
    const std::vector<std::pair<std::function<void()>, std::string>> cases = {
        {[&] { empty.Objects(0); }, "List index out of bounds (0)"},
        {[&] { empty.Strings(-1); }, "List index out of bounds (-1)"},
        {[&] { sorted.SetObjects(1, nullptr); }, "List index out of bounds (1)"},
        {[&] { empty.Delete(0); }, "List index out of bounds (0)"},
        {[&] { empty.Insert(1, "x"); }, "List index out of bounds (1)"},
        {[&] { sorted.Insert(0, "b"); }, "Operation not allowed on sorted list"},
        {[&] { sorted.SetStrings(0, "b"); }, "Operation not allowed on sorted list"},
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        try {
            cases[i].first();
            ADD_FAILURE() << "case " << i << " did not raise";
        } catch (const EStringListError& e) {
            EXPECT_EQ(e.Message(), cases[i].second) << "case " << i;
        }
    }
}

TEST(TStringList, CommaTextSplitsAsTheClassLibrary) {
    const std::pair<std::string, std::vector<std::string>> cases[] = {
        {"BIN,Daten", {"BIN", "Daten"}},
        {"a,,b", {"a", "", "b"}},
        {",a", {"", "a"}},
        {"a,", {"a"}},
        {",", {""}},
        {"\t", {}},
        {"  \t ", {}},
        {"a\tb", {"a", "b"}},
        {"a b", {"a", "b"}},
        {" a , b ", {"a", "b"}},
        {"\"a,b\",c", {"a,b", "c"}},
        {"\"say \"\"hi\"\"\"", {"say \"hi\""}},
        {"\"open", {"open"}},
    };
    for (const auto& [text, expected] : cases) {
        TStringList list;
        list.Add("old");
        list.SetCommaText(text);
        EXPECT_EQ(items(list), expected) << '"' << text << '"';
    }
}

TEST(TStringList, TextSplitsAtEveryLineEnd) {
    const std::pair<std::string, std::vector<std::string>> cases[] = {
        {"a\r\nb", {"a", "b"}},
        {"a\nb\n", {"a", "b"}},
        {"a\rb", {"a", "b"}},
        {"a\r\n\r\n", {"a", ""}},
        {"a\n\rb", {"a", "", "b"}},
        {"\r\n", {""}},
        {"", {}},
        {std::string("a\r\nb\0c\r\nd", 9), {"a", "b"}},
    };
    for (const auto& [text, expected] : cases) {
        TStringList list;
        list.SetText(text);
        EXPECT_EQ(items(list), expected);
    }
}

TEST(TStringList, NamesAndValues) {
    TStringList list;
    list.SetText("PATH=C:\\BIN\r\nplain\r\nTemp = x=y\r\n");
    EXPECT_EQ(list.Names(0), "PATH");
    EXPECT_EQ(list.Names(1), "");
    EXPECT_EQ(list.Values("path"), "C:\\BIN");
    EXPECT_EQ(list.Values("Temp "), " x=y");
    EXPECT_EQ(list.Values("none"), "");
    list.SetValues("Path", "D:\\");
    list.SetValues("New", "1");
    list.SetValues("plain", "");  // no name=value line of that name: nothing deleted
    list.SetValues("TEMP ", "");
    EXPECT_EQ(list.Text(), "Path=D:\\\r\nplain\r\nNew=1\r\n");
}

class StringListFiles : public testsupport::MachineTest {};

TEST_F(StringListFiles, SaveWritesCrLfAfterEveryLine) {
    TStringList list;
    list.Add("a");
    list.Add("ä");
    list.SaveToFile("C:\\out.txt");
    EXPECT_EQ(testsupport::readHostFile(driveC() + "/out.txt"), "a\r\n\xE4\r\n");
    list.Clear();
    list.SaveToFile("C:\\out.txt");
    EXPECT_TRUE(win::fileExists("C:\\out.txt"));
    EXPECT_EQ(testsupport::readHostFile(driveC() + "/out.txt"), "");
}

TEST_F(StringListFiles, LoadReplacesContentAndSortedListDropsDuplicates) {
    testsupport::writeHostFile(driveC() + "/uninstall.dat", "#FILE#C:\\B.DLL\r\n#file#c:\\b.dll\n#FILE#C:\\A.DLL");
    TStringList list;
    list.SetSorted(true);
    list.Add("#FILE#C:\\OLD.DLL");
    list.LoadFromFile("C:\\uninstall.dat");
    EXPECT_EQ(items(list), (std::vector<std::string>{"#FILE#C:\\A.DLL", "#FILE#C:\\B.DLL"}));
}

TEST_F(StringListFiles, FileErrorsRaise) {
    testsupport::writeHostFile(driveC() + "/ro.txt", "x");
    ASSERT_TRUE(win::setFileAttributes("C:\\ro.txt", win::ATTR_READONLY));
    TStringList list;
    list.Add("a");
    try {
        list.LoadFromFile("C:\\missing.txt");
        ADD_FAILURE() << "no EFOpenError";
    } catch (const EFOpenError& e) {
        EXPECT_EQ(e.Message(), "Cannot open file C:\\missing.txt");
    }
    EXPECT_EQ(list.Count(), 1);  // left as it was
    try {
        list.SaveToFile("C:\\NODIR\\x.txt");
        ADD_FAILURE() << "no EFCreateError";
    } catch (const EFCreateError& e) {
        EXPECT_EQ(e.Message(), "Cannot create file C:\\NODIR\\x.txt");
    }
    EXPECT_THROW(list.SaveToFile("C:\\ro.txt"), EFCreateError);
    EXPECT_EQ(testsupport::readHostFile(driveC() + "/ro.txt"), "x");
}

}  // namespace
