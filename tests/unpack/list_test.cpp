// The listing: heading, columns, dates, totals, and which files count as members.
#include <filesystem>

#include "UnpackHarness.h"

namespace unpacktest {
namespace {

class UnpackListTest : public UnpackTest {};

// The Windows program writes redirected output in the ANSI code page, which
// Wine makes Windows-1252 in every locale.
const char kMuellerInAnsi[] = "M\xFCller.txt";

struct LocaleCase {
    const char* locale;
    const char* muellerName;  // "Müller.txt" as the locale's code set spells it
    const char* shown() const { return windowsProgram() ? kMuellerInAnsi : muellerName; }
};
std::ostream& operator<<(std::ostream& os, const LocaleCase& c) { return os << c.locale; }

class UnpackListLocaleTest : public UnpackListTest, public ::testing::WithParamInterface<LocaleCase> {};

// Members in search order, a non-member, a directory and a file the mask
// does not match; sizes above 2^31 and a total above 2^32; a date of all
// zeros and one of all ones (no valid MS-DOS dates).
TEST_P(UnpackListLocaleTest, ListsMembersWithDatesSizesAndTotal) {
    putMember("LZ1.PAK", "readme.txt", "Hallo Welt\n");
    putMember("lz2.pak", "Müller.txt", std::string(1000, 'a'), LzwDosDateTime(1999, 12, 31, 23, 59, 58));
    putHeaderOnly("LZ3.PAK", "big.bin", 4000000000u, 0);
    putHeaderOnly("LZ4.PAK", "huge.bin", 4294967295u, 0xFFFFFFFFu);
    putFile("LZBAD.PAK", "no member, just text that is long enough to fill a header, and then some more");
    std::filesystem::create_directories(work + "/LZDIR.PAK");
    putMember("OTHER.PAK", "other.txt", "x");

    const RunResult r = run({"-L"}, GetParam().locale);

    EXPECT_EQ(r.out, kListHeading +
                         "05.03.2024    14:03:06           11         LZ1.PAK => readme.txt\n"
                         "31.12.1999    23:59:58         1000         lz2.pak => " +
                         GetParam().shown() +
                         "\n"
                         "00.00.1980    00:00:00   4000000000         LZ3.PAK => big.bin\n"
                         "31.15.2107    31:63:62   4294967295         LZ4.PAK => huge.bin\n"
                         "\n4 Dateien, 8294968306 Bytes\n");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.exitCode, 0);
}

INSTANTIATE_TEST_SUITE_P(Locales, UnpackListLocaleTest,
                         ::testing::Values(LocaleCase{"C.UTF-8", "M\xC3\xBCller.txt"},
                                           LocaleCase{"C", "M?ller.txt"}));

TEST_F(UnpackListTest, NoMatchPrintsHeadingAndZeroCount) {
    putMember("OTHER.PAK", "other.txt", "x");
    const RunResult r = run({"-L"});
    EXPECT_EQ(r.out, kListHeading + "\n0 Dateien, 0 Bytes\n");
    EXPECT_EQ(r.exitCode, 0);
}

// The machine's user has their own time separator; real Windows asks the
// locale, which the Wine pass does not set.
TEST_F(UnpackListTest, TimesUseTheUsersSeparator) {
    if (windowsProgram()) GTEST_SKIP() << "the separator of the Windows locale";
    setMachineIni("[Machine]\nTimeSeparator=.\n");
    putHeaderOnly("LZ1.PAK", "a.txt", 5, kStamp);
    const RunResult r = run({"-L"});
    EXPECT_NE(r.out.find("05.03.2024    14.03.06            5         LZ1.PAK => a.txt\n"), std::string::npos) << r.out;
}

// The mask comes in the locale's code set (here UTF-8) and the host's names
// are UTF-8: the columns are laid out in Windows-1252 characters, so a name
// with an umlaut is padded as wide as it shows, and converted only on the way out.
TEST_F(UnpackListTest, ArchiveNamesAndMaskInLocaleCodeSet) {
    putMember("\xC3\x9C" "1.PAK", "readme.txt", "Hallo Welt\n");
    putMember("\xC3\x9C" "2.TXT", "other.txt", "x");
    const RunResult r = run({"\xC3\x9C" "*.PAK"});
    const std::string shown = windowsProgram() ? "\xDC" : "\xC3\x9C";  // see kMuellerInAnsi
    EXPECT_EQ(r.out, kListHeading + "05.03.2024    14:03:06           11          " + shown +
                         "1.PAK => readme.txt\n"
                         "\n1 Dateien, 11 Bytes\n");
}

// Control bytes of a stored name would reach the terminal: each shows as
// "?".  A member whose name field has no zero byte is listed with the whole
// field, not passed over.
TEST_F(UnpackListTest, NamesAreShownWithoutControlBytes) {
    putHeaderOnly("LZ1.PAK", "\x1B[2J\x1B]0;Titel\x07" "a\tb\r\n.txt", 5, kStamp);
    putHeaderOnly("LZ2.PAK", std::string(260, 'N'), 7, kStamp);
    const RunResult r = run({"-L"});
    EXPECT_EQ(r.out, kListHeading +
                         "05.03.2024    14:03:06            5         LZ1.PAK => ?[2J?]0;Titel?a?b??.txt\n"
                         "05.03.2024    14:03:06            7         LZ2.PAK => " + std::string(260, 'N') +
                         "\n"
                         "\n2 Dateien, 12 Bytes\n");
}

class UnpackListMaskTest : public UnpackListTest, public ::testing::WithParamInterface<std::string> {};

// The members are read from the mask's directory; the listing shows their
// names without it.  "%WORK%" stands for the work folder's host path.
TEST_P(UnpackListMaskTest, MaskWithDirectoryPart) {
    putMember("sub/LZ1.PAK", "readme.txt", "Hallo Welt\n");
    putMember("LZ9.PAK", "outside.txt", "not in sub");
    const RunResult r = run({withWork(GetParam())});

    EXPECT_EQ(r.out, kListHeading +
                         "05.03.2024    14:03:06           11         LZ1.PAK => readme.txt\n"
                         "\n1 Dateien, 11 Bytes\n");
}

INSTANTIATE_TEST_SUITE_P(Separators, UnpackListMaskTest,
                         ::testing::Values("sub/LZ*.PAK", "sub\\lz*.pak", "%WORK%/sub/LZ*.PAK", "./sub/LZ1.PAK"));

}  // namespace
}  // namespace unpacktest
