// The split-volume joiner on the emulated machine: volumes in C:\MEDIUM,
// members written to C:\OUT, the lines on standard output and the progress.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <vector>

#include "LzwPacker.h"
#include "MachineFixture.h"
#include "SplitJoin.h"
#include "SplitWriter.h"
#include "Win.h"

namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr std::size_t kHeader = 288;

std::string Pattern(std::size_t size, int seed) {
    std::string data(size, '\0');
    for (std::size_t i = 0; i < size; ++i) data[i] = char((i * 7 + std::size_t(seed)) % 251);
    return data;
}

const SplitMember kA{"A.TXT", "alpha and more", 0, 0x20, {}};
const SplitMember kB{"B.BIN", Pattern(1000, 1), 0, 0x20, {}};
const SplitMember kC{"C.DAT", Pattern(300, 2), 0, 0x20, {}};

class SplitJoin : public testsupport::MachineTest {
protected:
    void SetUp() override {
        MachineTest::SetUp();
        fs::create_directories(destination());
    }

    std::string medium() const { return driveC() + "/MEDIUM"; }
    std::string destination() const { return driveC() + "/OUT"; }

    void putVolumes(const std::vector<std::string>& volumes) { WriteSplitVolumes(medium(), volumes); }

    SplResult join(const std::string& source = "C:\\MEDIUM\\", const std::string& target = "C:\\OUT\\") {
        progress.clear();
        ::testing::internal::CaptureStdout();
        const SplResult result = AssembleSplitVolumes(source, target, [this](int p) { progress.push_back(p); });
        out = ::testing::internal::GetCapturedStdout();
        return result;
    }

    // The names of the files in the destination, sorted.
    std::vector<std::string> written() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(destination())) names.push_back(entry.path().filename());
        std::sort(names.begin(), names.end());
        return names;
    }

    std::string writtenFile(const std::string& name) const { return testsupport::readHostFile(destination() + "/" + name); }

    // The last line written to standard output, without its line end.
    std::string lastLine() const {
        std::string text = out;
        if (!text.empty() && text.back() == '\n') text.pop_back();
        return text.substr(text.rfind('\n') + 1);
    }

    std::vector<int> progress;
    std::string out;
};

// ------------------------------------------------------- the results table

struct JoinCase {
    const char* what;
    std::vector<std::string> volumes;
    int missingVolume;  // a volume number removed after writing, 0 for none
    SplResult result;
    const char* lastLine;
    std::vector<std::string> files;  // left in the destination, sorted
};

TEST_F(SplitJoin, ResultsLinesAndFilesLeft) {
    const std::string ab = SplitStream({kA, kB});
    const std::string b = SplitStream({kB});
    const std::string abc = SplitStream({kA, kB, kC});
    const std::size_t afterA = kHeader + kA.data.size();
    const std::size_t afterB = ab.size();
    std::string badSign = ab;
    badSign[0] = 'h';
    const std::vector<JoinCase> cases = {
        {"one volume holds every member", {ab}, 0, 2, "Schreibe: C:\\OUT\\B.BIN", {"A.TXT", "B.BIN"}},
        {"data running from volume 1 through 3", SplitIntoVolumes(b, {kHeader + 10, 500}), 0, 4,
         "Lese: C:\\MEDIUM\\DISK03.SPL", {"B.BIN"}},
        {"a volume ending with a member, the next beginning with a header", SplitIntoVolumes(ab, {afterA}), 0, 3,
         "Schreibe: C:\\OUT\\B.BIN", {"A.TXT", "B.BIN"}},
        {"an empty first volume alone", {""}, 0, 2, "Lese: C:\\MEDIUM\\DISK01.SPL", {}},
        {"no first volume", {}, 0, -1, "DISK01.SPL nicht gefunden, Abbruch", {}},
        {"a header split over two volumes", SplitIntoVolumes(ab, {afterA + 100}), 0, -2,
         "Header in .SPL-Datei nicht gelesen, Abbruch", {"A.TXT"}},
        {"a signature that is not HEADER_SIGN", {badSign}, 0, -3, "Header in .SPL-Datei korrupt, Abbruch", {}},
        {"the last volume ending inside a member", {ab.substr(0, afterA + kHeader + 10)}, 0, -5,
         "Es fehlt mindestens eine .SPL-Datei, Abbruch", {"A.TXT"}},
        {"volumes 1, 2 and 4, volume 2 ending with a member", SplitIntoVolumes(abc, {afterA, afterB - afterA, 0}), 3,
         3, "Schreibe: C:\\OUT\\B.BIN", {"A.TXT", "B.BIN"}},
        {"volumes 1, 2 and 4, volume 2 ending inside a member", SplitIntoVolumes(abc, {afterA, kHeader + 10, 0}), 3,
         -5, "Es fehlt mindestens eine .SPL-Datei, Abbruch", {"A.TXT"}},
    };
    const std::map<std::string, std::string> contents = {{"A.TXT", kA.data}, {"B.BIN", kB.data}, {"C.DAT", kC.data}};
    for (const JoinCase& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(medium());
        fs::remove_all(destination());
        fs::create_directories(destination());
        fs::create_directories(medium());
        putVolumes(c.volumes);
        if (c.missingVolume) fs::remove(medium() + "/" + SplitVolumeName(c.missingVolume));

        EXPECT_EQ(join(), c.result);
        EXPECT_EQ(lastLine(), c.lastLine) << out;
        EXPECT_EQ(written(), c.files);
        for (const std::string& name : written()) EXPECT_EQ(writtenFile(name), contents.at(name)) << name;
        if (c.result == -1) {
            EXPECT_THAT(progress, IsEmpty());
        } else {
            ASSERT_FALSE(progress.empty());
            EXPECT_EQ(progress.front(), 0);
            EXPECT_EQ(progress.back(), 100);
        }
    }
}

// ---------------------------------------------------- paths and stdout lines

TEST_F(SplitJoin, TrailingBackslashesMakeNoDifference) {
    const std::string ab = SplitStream({kA, kB});
    putVolumes(SplitIntoVolumes(ab, {kHeader + kA.data.size()}));
    const char* const expected =
        "Lese: C:\\MEDIUM\\DISK01.SPL\n"
        "Schreibe: C:\\OUT\\A.TXT\n"
        "Lese: C:\\MEDIUM\\DISK02.SPL\n"
        "Schreibe: C:\\OUT\\B.BIN\n";
    const std::pair<const char*, const char*> arguments[] = {
        {"C:\\MEDIUM", "C:\\OUT"}, {"C:\\MEDIUM\\", "C:\\OUT\\"}, {"C:\\MEDIUM\\\\\\", "C:\\OUT\\\\"}};
    for (const auto& [source, target] : arguments) {
        SCOPED_TRACE(std::string(source) + " " + target);
        EXPECT_EQ(join(source, target), 3);
        EXPECT_EQ(out, expected);
        EXPECT_THAT(written(), ElementsAre("A.TXT", "B.BIN"));
    }
}

TEST_F(SplitJoin, VolumeNumbersFrom100HaveThreeDigits) {
    // One member's data, a byte a volume from volume 1 to 99, the rest in 100.
    std::vector<std::size_t> sizes(99, 1);
    sizes[0] += kHeader;
    putVolumes(SplitIntoVolumes(SplitStream({kB}), sizes));
    ASSERT_TRUE(fs::exists(medium() + "/DISK100.SPL"));
    EXPECT_EQ(join(), 101);
    EXPECT_EQ(lastLine(), "Lese: C:\\MEDIUM\\DISK100.SPL");
    EXPECT_EQ(writtenFile("B.BIN"), kB.data);
}

// ------------------------------------------------- date, time, attributes

TEST_F(SplitJoin, MembersKeepTheirDateTimeAndAttributes) {
    const SplitMember readOnly{"RO.TXT", "read me", LzwDosDateTime(2023, 12, 24, 18, 30, 10), 0x21, {}};
    const SplitMember empty{"EMPTY.DAT", "", LzwDosDateTime(2001, 2, 3, 4, 5, 6), 0x22, {}};
    putVolumes({SplitStream({readOnly, empty})});
    ASSERT_EQ(join(), 2) << out;
    for (const SplitMember& member : {readOnly, empty}) {
        SCOPED_TRACE(member.name);
        const std::string path = "C:\\OUT\\" + member.name;
        EXPECT_EQ(writtenFile(member.name), member.data);
        EXPECT_EQ(win::getFileAttributes(path), member.attributes);
        win::FileTime utc = 0;
        ASSERT_TRUE(win::getLastWriteTime(path, utc));
        uint16_t date = 0, time = 0;
        ASSERT_TRUE(win::fileTimeToDosDateTime(win::fileTimeToLocal(utc), date, time));
        EXPECT_EQ(uint32_t(date) << 16 | time, member.dosDateTime);
    }
}

TEST_F(SplitJoin, ALaterMemberOfTheSameNameWinsEvenOverAReadOnlyOne) {
    const SplitMember first{"SAME.TXT", "first", 0, 0x21, {}};
    const SplitMember second{"SAME.TXT", "second", 0, 0x20, {}};
    putVolumes({SplitStream({first, second})});
    EXPECT_EQ(join(), 2) << out;
    EXPECT_EQ(writtenFile("SAME.TXT"), "second");
    EXPECT_EQ(win::getFileAttributes("C:\\OUT\\SAME.TXT"), 0x20u);
}

// ------------------------------------------------------------- progress

TEST_F(SplitJoin, ProgressIsTheVolumesBytesInMillionsOfFourAndRestartsPerVolume) {
    const SplitMember big{"BIG.BIN", Pattern(10000000, 3), 0, 0x20, {}};
    const std::size_t firstVolume = kHeader + 9000000;
    putVolumes(SplitIntoVolumes(SplitStream({big}), {firstVolume}));
    ASSERT_EQ(join(), 3) << out;
    EXPECT_EQ(writtenFile("BIG.BIN"), big.data);

    ASSERT_GE(progress.size(), 3u);
    EXPECT_EQ(progress.front(), 0);
    EXPECT_EQ(progress.back(), 100);
    const std::vector<int> chunks(progress.begin() + 1, progress.end() - 1);
    // Within volume 1 the value climbs to 9,000,288 / 4,000,000; then it
    // drops to the second volume's 0 and stays there.
    const auto drop = std::adjacent_find(chunks.begin(), chunks.end(), [](int a, int b) { return b < a; });
    ASSERT_NE(drop, chunks.end());
    EXPECT_EQ(*drop, 2);
    EXPECT_TRUE(std::is_sorted(chunks.begin(), drop + 1));
    EXPECT_TRUE(std::all_of(drop + 1, chunks.end(), [](int p) { return p == 0; }));
    // Value 1 first after the chunk that brings header and data to 4,000,000.
    const std::ptrdiff_t firstOne = (4000000 - kHeader + 8191) / 8192;
    EXPECT_EQ(std::find(chunks.begin(), chunks.end(), 1) - chunks.begin(), firstOne);
    // One call per chunk of at most 8192 bytes: the data in no fewer calls.
    EXPECT_GE(chunks.size(), 1 + big.data.size() / 8192);
}

// -------------------------------------------------- unsound volumes refused

TEST_F(SplitJoin, StoredNamesThatAreNoPlainFileNameAreACorruptHeader) {
    const char* const names[] = {"..\\EVIL.TXT", "SUB\\EVIL.TXT", "\\EVIL.TXT", "/EVIL.TXT", "C:EVIL.TXT",
                                 "..",           "NUL",           "EVIL.TXT.",  ""};
    fs::create_directories(destination() + "/SUB");
    for (const char* name : names) {
        SCOPED_TRACE(name);
        fs::remove_all(medium());
        putVolumes({SplitStream({kA, SplitMember{name, "evil", 0, 0x20, {}}, kC})});
        EXPECT_EQ(join(), -3);
        EXPECT_EQ(lastLine(), "Header in .SPL-Datei korrupt, Abbruch");
        EXPECT_THAT(written(), ElementsAre("A.TXT", "SUB"));
        for (const auto& entry : fs::recursive_directory_iterator(machineDir)) {
            if (!entry.is_regular_file()) continue;
            EXPECT_NE(testsupport::readHostFile(entry.path()), "evil") << entry.path();
        }
    }
}

TEST_F(SplitJoin, NegativeLengthGivesAnEmptyFile) {
    putVolumes({SplitStream({kA, {"NEG.DAT", "", 0, 0x20, -5}})});
    EXPECT_EQ(join(), 2);
    EXPECT_THAT(written(), ElementsAre("A.TXT", "NEG.DAT"));
}

struct RefusedCase {
    const char* what;
    SplitMember member;
    SplResult result;
};

TEST_F(SplitJoin, UnsoundLengthsAndNamesLeaveNoFileBehind) {
    const RefusedCase cases[] = {
        {"a name field without its zero byte", {std::string(264, 'N'), "data", 0, 0x20, {}}, -3},
        {"a length far beyond the volumes", {"HUGE.DAT", Pattern(100, 4), 0, 0x20, 0x7FFFFFFF}, -5},
    };
    for (const RefusedCase& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(medium());
        putVolumes({SplitStream({kA, c.member})});
        EXPECT_EQ(join(), c.result);
        EXPECT_THAT(written(), ElementsAre("A.TXT"));
        EXPECT_EQ(progress.back(), 100);
    }
}

TEST_F(SplitJoin, APathLongerThanItsFieldIsNotCreated) {
    // A host path: the machine's drives refuse long paths on their own.
    const std::string deep = machineDir + "/" + std::string(120, 'd') + "/" + std::string(120, 'e');
    fs::create_directories(deep);
    putVolumes({SplitStream({kA})});
    ASSERT_GT(deep.size() + 1 + kA.name.size(), 263u);
    EXPECT_EQ(join("C:\\MEDIUM", deep), -4);
    EXPECT_EQ(lastLine(), "Zieldatei konnte nicht angelegt werden, Abbruch");
    EXPECT_TRUE(fs::is_empty(deep));
}

// ----------------------------------------------------- failing machine

struct MachineFaultCase {
    const char* what;
    const char* faults;  // [Faults] and [FaultLimits] of machine.ini
    SplResult result;
    const char* lastLine;
    std::vector<std::string> files;
};

TEST_F(SplitJoin, FailingFilesEndTheJoinWithoutAHalfFile) {
    const std::string abc = SplitStream({kA, kB, kC});
    const std::size_t afterB = 2 * kHeader + kA.data.size() + kB.data.size();
    const MachineFaultCase cases[] = {
        {"the output file cannot be created", "[Faults]\nC:\\OUT\\B.BIN=refuse-write\n", -4,
         "Zieldatei konnte nicht angelegt werden, Abbruch", {"A.TXT"}},
        {"the disk fills while a member is written",
         "[Faults]\nC:\\OUT\\B.BIN=disk-full\n[FaultLimits]\nC:\\OUT\\B.BIN=100\n", -6,
         "Fehler beim Schreiben in Zieldatei, Abbruch", {"A.TXT"}},
        {"a volume cannot be read to its end",
         "[Faults]\nC:\\MEDIUM\\DISK01.SPL=read-error\n[FaultLimits]\nC:\\MEDIUM\\DISK01.SPL=700\n", -7,
         "Fehler beim Lesen der .SPL-Datei, Abbruch", {"A.TXT"}},
        {"a later volume is there but cannot be opened", "[Faults]\nC:\\MEDIUM\\DISK02.SPL=unreadable\n", -7,
         "Fehler beim Lesen der .SPL-Datei, Abbruch", {"A.TXT", "B.BIN"}},
    };
    for (const MachineFaultCase& c : cases) {
        SCOPED_TRACE(c.what);
        setMachineIni(c.faults);
        fs::remove_all(medium());
        fs::remove_all(destination());
        fs::create_directories(destination());
        // Volume 2 begins with C.DAT: only the last case reaches it.
        putVolumes(SplitIntoVolumes(abc, {afterB}));
        EXPECT_EQ(join(), c.result);
        EXPECT_EQ(lastLine(), c.lastLine) << out;
        EXPECT_EQ(written(), c.files);
        EXPECT_EQ(writtenFile("A.TXT"), kA.data);
        EXPECT_EQ(progress.back(), 100);
    }
}

}  // namespace
