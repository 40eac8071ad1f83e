// Extraction: options, destinations, the overwrite question without a
// console, stored dates and attributes, and members that must not be written.
#include <filesystem>

#include "Machine.h"
#include "UnpackHarness.h"
#include "Win.h"

namespace unpacktest {
namespace {

std::string extractHeading(const std::string& mask, const std::string& dest) {
    return "\n\nEntpacke Archivdateien: " + mask + "\nIn Ausgabeverzeichnis : " + dest + "\n";
}

const std::string kNotUnpacked = " !!!Fehler!!! Datei nicht entpackt !\n";

class UnpackExtractTest : public UnpackTest {
protected:
    void putTwoMembers() {
        putMember("LZ1.PAK", "readme.txt", "Hallo Welt\n");
        putMember("LZ2.PAK", "notes.txt", std::string(3000, 'n') + "Ende");
    }
};

struct OptionCase {
    std::vector<std::string> args;
    std::string out;  // with the markers of withWork
};
std::ostream& operator<<(std::ostream& os, const OptionCase& c) { return os << joined(c.args); }

class UnpackOptionTest : public UnpackExtractTest, public ::testing::WithParamInterface<OptionCase> {};

TEST_P(UnpackOptionTest, LastModeAndLastMaskWin) {
    putTwoMembers();
    const RunResult r = run(GetParam().args);
    EXPECT_EQ(r.out, withWork(GetParam().out));
    EXPECT_EQ(r.exitCode, 0);
}

const std::string kListOne = "05.03.2024    14:03:06           11         LZ1.PAK => readme.txt\n";
const std::string kListTwo = "05.03.2024    14:03:06         3004         LZ2.PAK => notes.txt\n";
const std::string kExtractedBoth = extractHeading("LZ*.PAK", "%HERE%") +
                                   "LZ1.PAK      => readme.txt\n"
                                   "LZ2.PAK      => notes.txt\n"
                                   "\n2 Dateien, entpackt\n";

INSTANTIATE_TEST_SUITE_P(
    CommandLines, UnpackOptionTest,
    ::testing::Values(OptionCase{{"-u"}, kExtractedBoth},
                      OptionCase{{"-l", "-Unpack"}, kExtractedBoth},
                      OptionCase{{"-U", "-L"}, kListHeading + kListOne + kListTwo + "\n2 Dateien, 3015 Bytes\n"},
                      OptionCase{{"LZ1.PAK", "lz2.pak"}, kListHeading + kListTwo + "\n1 Dateien, 3004 Bytes\n"},
                      OptionCase{{"-List", "lz1.pak"}, kListHeading + kListOne + "\n1 Dateien, 11 Bytes\n"},
                      OptionCase{{"-x"}, kListHeading + "\n0 Dateien, 0 Bytes\n"},
                      OptionCase{{"-u", "NONE*.PAK"},
                                 extractHeading("NONE*.PAK", "%HERE%") + "\n0 Dateien, entpackt\n"}));

TEST_F(UnpackExtractTest, ExtractsContentsExactly) {
    putTwoMembers();
    run({"-U"});
    EXPECT_EQ(readFile("readme.txt"), "Hallo Welt\n");
    EXPECT_EQ(readFile("notes.txt"), std::string(3000, 'n') + "Ende");
}

struct DestinationCase {
    std::string arg;    // "-D..."
    std::string shown;  // the destination as printed
    std::string landsIn;
};
std::ostream& operator<<(std::ostream& os, const DestinationCase& c) { return os << ::testing::PrintToString(c.arg); }

class UnpackDestinationTest : public UnpackExtractTest, public ::testing::WithParamInterface<DestinationCase> {};

TEST_P(UnpackDestinationTest, SeparatorIsAppendedOnlyWhenMissing) {
    putMember("LZ1.PAK", "readme.txt", "Hallo Welt\n");
    std::filesystem::create_directories(work + "/out");

    const RunResult r = run({"-U", withWork(GetParam().arg)});

    EXPECT_EQ(r.out, extractHeading("LZ*.PAK", withWork(GetParam().shown)) +
                         "LZ1.PAK      => readme.txt\n"
                         "\n1 Dateien, entpackt\n");
    EXPECT_EQ(readFile(GetParam().landsIn + "readme.txt"), "Hallo Welt\n");
}

INSTANTIATE_TEST_SUITE_P(Spellings, UnpackDestinationTest,
                         ::testing::Values(DestinationCase{"-Dout", "out\\", "out/"},
                                           DestinationCase{"-dout\\", "out\\", "out/"},
                                           DestinationCase{"-Dout/", "out/", "out/"},
                                           DestinationCase{"-D%WORK%/out", "%WORK%/out/", "out/"},
                                           DestinationCase{"-D%WORK%/out/", "%WORK%/out/", "out/"},
                                           DestinationCase{"-D", "%HERE%", ""}));

// The layer's view of an extracted file, as a later run of the tools sees it.
struct Stored {
    uint32_t dosDateTime = 0;
    uint32_t attributes = 0;
};

// Wine keeps a file's read-only bit as the host file's missing write
// permission and shows every file with the archive bit.
uint32_t attributesUnderWine(const std::string& hostPath) {
    const bool writable = (std::filesystem::status(hostPath).permissions() & std::filesystem::perms::owner_write) !=
                          std::filesystem::perms::none;
    return writable ? win::ATTR_ARCHIVE : win::ATTR_ARCHIVE | win::ATTR_READONLY;
}

// The time is the host file's either way, read in the machine's time zone,
// which the Windows program is given too.
Stored storedOf(const std::string& hostPath) {
    win::machine::reload();
    Stored stored;
    win::FileTime utc = 0;
    uint16_t date = 0, time = 0;
    if (win::getLastWriteTime(hostPath, utc) && win::fileTimeToDosDateTime(win::fileTimeToLocal(utc), date, time))
        stored.dosDateTime = uint32_t(date) << 16 | time;
    stored.attributes = windowsProgram() ? attributesUnderWine(hostPath) : win::getFileAttributes(hostPath);
    return stored;
}

// A file stored read-only is read-only after extraction, so extracting it
// again fails, and leaves neither a changed file nor a temporary one.
TEST_F(UnpackExtractTest, StoredDateTimeAndReadOnlyAttributeAreRestored) {
    setMachineIni("[Machine]\nTimeBias=-60\n");
    const uint32_t stamp = LzwDosDateTime(2023, 7, 14, 9, 8, 10);
    putMember("arc/LZ1.PAK", "ro.txt", "schreibgeschützt", stamp, win::ATTR_READONLY | win::ATTR_ARCHIVE);

    run({"-U", "arc/LZ*.PAK"});
    const Stored stored = storedOf(work + "/ro.txt");
    EXPECT_EQ(stored.dosDateTime, stamp);
    EXPECT_EQ(stored.attributes, uint32_t(win::ATTR_READONLY | win::ATTR_ARCHIVE));

    const std::set<std::string> before = filesOnMachine();
    const RunResult again = run({"-U", "-O", "arc/LZ*.PAK"});
    EXPECT_EQ(again.out, withWork(extractHeading("arc/LZ*.PAK", "%HERE%") +
                                  "LZ1.PAK      => ro.txt\n"
                                  "!!!%HERE%ro.txt\n"
                                  "!!!arc/LZ1.PAK\n" +
                                  kNotUnpacked + "\n0 Dateien, entpackt\n"));
    EXPECT_EQ(filesOnMachine(), before);
    EXPECT_EQ(readFile("ro.txt"), "schreibgeschützt");
}

// Standard input is a pipe with a "J" waiting in it: the question is asked
// and answered "N" at once, without reading the pipe (the harness keeps it
// open, so a read would hang the run).
TEST_F(UnpackExtractTest, WithoutConsoleAnExistingTargetIsKept) {
    putTwoMembers();
    putFile("readme.txt", "alt");

    const RunResult r = run({"-U"}, "C.UTF-8", "J\n");

    EXPECT_EQ(r.out, withWork(extractHeading("LZ*.PAK", "%HERE%") +
                              "Existierende Datei %HERE%readme.txt ueberschreiben J/N ? N\n"
                              "LZ2.PAK      => notes.txt\n"
                              "\n1 Dateien, entpackt\n"));
    EXPECT_EQ(readFile("readme.txt"), "alt");
    EXPECT_EQ(r.exitCode, 0);
}

TEST_F(UnpackExtractTest, OverrideOverwritesWithoutQuestion) {
    putMember("LZ1.PAK", "readme.txt", "Hallo Welt\n");
    putFile("readme.txt", "alt");

    const RunResult r = run({"-o", "-U"});

    EXPECT_EQ(r.out, withWork(extractHeading("LZ*.PAK", "%HERE%") +
                              "LZ1.PAK      => readme.txt\n"
                              "\n1 Dateien, entpackt\n"));
    EXPECT_EQ(readFile("readme.txt"), "Hallo Welt\n");
}

// A member that turns out corrupt is expanded into a temporary file only: the
// existing target keeps its contents, and nothing is left behind.
TEST_F(UnpackExtractTest, CorruptMemberLeavesExistingFileAndNoTemporary) {
    const std::string member = LzwPackMember(LzwMakeHeader("readme.txt", 3000, kStamp, 0x20),
                                             std::string(3000, 'x'));
    putFile("LZ1.PAK", member.substr(0, member.size() / 2));
    putFile("readme.txt", "alt");
    putMember("LZ3.PAK", "notes.txt", "Notizen");
    // LZ2.PAK names a file that does not exist yet: it must not appear either.
    putFile("LZ2.PAK", LzwPackMember(LzwMakeHeader("neu.txt", 3000, kStamp, 0x20), std::string(3000, 'y'))
                           .substr(0, 300));
    std::set<std::string> expected = filesOnMachine();
    expected.insert(work + "/notes.txt");

    const RunResult r = run({"-U", "-O"});

    EXPECT_EQ(r.out, withWork(extractHeading("LZ*.PAK", "%HERE%") +
                              "LZ1.PAK      => readme.txt\n"
                              "!!!%HERE%readme.txt\n"
                              "!!!LZ1.PAK\n" +
                              kNotUnpacked +
                              "LZ2.PAK      => neu.txt\n"
                              "!!!%HERE%neu.txt\n"
                              "!!!LZ2.PAK\n" +
                              kNotUnpacked +
                              "LZ3.PAK      => notes.txt\n"
                              "\n1 Dateien, entpackt\n"));
    EXPECT_EQ(readFile("readme.txt"), "alt");
    EXPECT_EQ(filesOnMachine(), expected);
}

class UnpackHostileNameTest : public UnpackExtractTest, public ::testing::WithParamInterface<std::string> {};

// A stored name that is not a plain file name is refused with the three
// error lines, and nothing is written anywhere; the next member still is.
TEST_P(UnpackHostileNameTest, IsNotExtracted) {
    const std::string name = GetParam();
    putMember("LZ1.PAK", name, "boese");
    putMember("LZ2.PAK", "good.txt", "gut");
    std::filesystem::create_directories(work + "/out/sub");
    std::set<std::string> expected = filesOnMachine();
    expected.insert(work + "/out/good.txt");

    const RunResult r = run({"-U", "-O", "-Dout/"});

    EXPECT_EQ(r.out, extractHeading("LZ*.PAK", "out/") + "LZ1.PAK      => " + name + "\n!!!out/" + name +
                         "\n!!!LZ1.PAK\n" + kNotUnpacked +
                         "LZ2.PAK      => good.txt\n"
                         "\n1 Dateien, entpackt\n");
    EXPECT_EQ(filesOnMachine(), expected);
}

INSTANTIATE_TEST_SUITE_P(Names, UnpackHostileNameTest,
                         ::testing::Values("..\\evil.txt", "../evil.txt", "sub\\evil.txt", "sub/evil.txt",
                                           "C:evil.txt", "..", "NUL"));

struct UnusableNameCase {
    const char* label;
    std::string stored;
    std::string shown;
};
void PrintTo(const UnusableNameCase& c, std::ostream* os) { *os << c.label; }

class UnpackUnusableNameTest : public UnpackExtractTest, public ::testing::WithParamInterface<UnusableNameCase> {};

// Without -O and with no answer to give: a name that is no plain file name
// gets its error lines before any question would be asked (the target of
// "sub/x.txt" exists), shown without control bytes, and counts as failed.
TEST_P(UnpackUnusableNameTest, IsReportedWithoutQuestion) {
    const UnusableNameCase& c = GetParam();
    putMember("LZ1.PAK", c.stored, "boese");
    putMember("LZ2.PAK", "good.txt", "gut");
    putFile("out/sub/x.txt", "alt");
    std::set<std::string> expected = filesOnMachine();
    expected.insert(work + "/out/good.txt");

    const RunResult r = run({"-U", "-Dout/"});

    EXPECT_EQ(r.out, extractHeading("LZ*.PAK", "out/") + "LZ1.PAK      => " + c.shown + "\n!!!out/" + c.shown +
                         "\n!!!LZ1.PAK\n" + kNotUnpacked +
                         "LZ2.PAK      => good.txt\n"
                         "\n1 Dateien, entpackt\n");
    EXPECT_EQ(readFile("out/sub/x.txt"), "alt");
    EXPECT_EQ(filesOnMachine(), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Names, UnpackUnusableNameTest,
    ::testing::Values(UnusableNameCase{"ControlBytes", "\x1B[2J\x1B]0;x\x07\r\n.txt", "?[2J?]0;x???.txt"},
                      UnusableNameCase{"NameFieldWithoutZero", std::string(260, 'N'), std::string(260, 'N')},
                      UnusableNameCase{"ExistingTargetInASubdirectory", "sub/x.txt", "sub/x.txt"}),
    [](const auto& info) { return std::string(info.param.label); });

}  // namespace
}  // namespace unpacktest
