// LzwExpandFile on the emulated machine: bytes, date, time and attributes of
// the target, the progress protocol, and no target left by a failure.
#include <gtest/gtest.h>

#include <random>

#include "LzwPacker.h"
#include "LzwTestSupport.h"
#include "MachineFixture.h"
#include "Ulzw.h"
#include "Win.h"

using lzwtest::streamOf;

namespace {

const uint32_t kDate = LzwDosDateTime(2023, 11, 30, 23, 59, 58);

class Expand : public testsupport::MachineTest {
protected:
    std::string machineIni() const override { return "[Machine]\nTimeBias=-60\n"; }

    // Puts a member file on drive C: and returns its Windows path.
    std::string putMember(const std::string& bytes) {
        testsupport::writeHostFile(driveC() + "/MEDIUM/FILE.PAK", bytes);
        return "C:\\MEDIUM\\FILE.PAK";
    }
    std::string member(const std::string& data, uint32_t attributes = win::ATTR_ARCHIVE,
                       uint32_t dateTime = kDate, const LzwPackOptions& options = {}) {
        return putMember(
            LzwPackMember(LzwMakeHeader("FILE.TXT", uint32_t(data.size()), dateTime, attributes), data, options));
    }
    std::string targetHost() const { return driveC() + "/OUT/FILE.TXT"; }
    bool targetExists() const { return win::fileExists(kTarget); }

    uint32_t targetDosDateTime() const {
        win::FileTime utc = 0;
        uint16_t date = 0, time = 0;
        if (!win::getLastWriteTime(kTarget, utc) || !win::fileTimeToDosDateTime(win::fileTimeToLocal(utc), date, time))
            return 0;
        return uint32_t(date) << 16 | time;
    }

    void SetUp() override {
        MachineTest::SetUp();
        ASSERT_TRUE(win::createDirectory("C:\\OUT"));
    }

    static constexpr const char* kTarget = "C:\\OUT\\FILE.TXT";
};

std::string randomBytes(std::size_t size) {
    std::mt19937 random(42);
    std::string data(size, '\0');
    for (char& c : data) c = char(random());
    return data;
}

struct FileRoundTrip {
    const char* name;
    std::string data;
    uint32_t attributes;
    LzwPackOptions options;
};

void PrintTo(const FileRoundTrip& c, std::ostream* os) { *os << c.name; }

class ExpandRoundTrip : public Expand, public ::testing::WithParamInterface<FileRoundTrip> {};

TEST_P(ExpandRoundTrip, TargetHasTheBytesDateAndAttributes) {
    const FileRoundTrip& c = GetParam();
    ASSERT_TRUE(LzwExpandFile(kTarget, member(c.data, c.attributes, kDate, c.options)));
    EXPECT_TRUE(testsupport::readHostFile(targetHost()) == c.data);
    EXPECT_EQ(targetDosDateTime(), kDate);
    EXPECT_EQ(win::getFileAttributes(kTarget), c.attributes);
}

INSTANTIATE_TEST_SUITE_P(
    Members, ExpandRoundTrip,
    ::testing::Values(FileRoundTrip{"Empty", "", win::ATTR_ARCHIVE, {}},
                      FileRoundTrip{"Text", "Zeile 1\r\nZeile 2\r\n", win::ATTR_READONLY | win::ATTR_ARCHIVE, {}},
                      FileRoundTrip{"Random", randomBytes(300000), win::ATTR_HIDDEN | win::ATTR_SYSTEM, {LzwFullDictionary::ClearWhenWorse, 2}},
                      FileRoundTrip{"RandomWithoutPadding", randomBytes(70000), win::ATTR_ARCHIVE, {LzwFullDictionary::Clear, 0}},
                      FileRoundTrip{"Run", std::string(1 << 20, 'z'), win::ATTR_ARCHIVE, {LzwFullDictionary::Continue, 1}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Expand, EmptyMemberReportsZeroAndHundred) {
    std::vector<int> seen;
    ASSERT_TRUE(LzwExpandFile(kTarget, member(""), [&](int percent) { seen.push_back(percent); }));
    EXPECT_EQ(seen, (std::vector<int>{0, 100}));
    EXPECT_EQ(testsupport::readHostFile(targetHost()), "");
}

TEST_F(Expand, SizeOf250StepsByThreeUpTo83) {
    std::vector<int> seen;
    ASSERT_TRUE(LzwExpandFile(kTarget, member(randomBytes(250)), [&](int percent) { seen.push_back(percent); }));
    std::vector<int> expected = {0};
    for (int i = 1; i <= 83; ++i) expected.push_back(i);
    expected.push_back(100);
    EXPECT_EQ(seen, expected);
}

TEST_F(Expand, InvalidDosDateIsIgnored) {
    ASSERT_TRUE(LzwExpandFile(kTarget, member("abc", win::ATTR_READONLY, 0)));
    EXPECT_EQ(testsupport::readHostFile(targetHost()), "abc");
    EXPECT_EQ(win::getFileAttributes(kTarget), uint32_t(win::ATTR_READONLY));
}

// ------------------------------------------------------------ failures

struct CorruptCase {
    const char* name;
    std::string stream;
    uint32_t size;
};

void PrintTo(const CorruptCase& c, std::ostream* os) { *os << c.name; }

class CorruptMember : public Expand, public ::testing::WithParamInterface<CorruptCase> {};

TEST_P(CorruptMember, GivesFalseAndNoTarget) {
    const CorruptCase& c = GetParam();
    testsupport::writeHostFile(targetHost(), "an older file");
    std::vector<int> seen;
    const std::string path = putMember(LzwHeaderText(LzwMakeHeader("FILE.TXT", c.size, kDate, win::ATTR_READONLY)) + c.stream);
    EXPECT_FALSE(LzwExpandFile(kTarget, path, [&](int percent) { seen.push_back(percent); }));
    EXPECT_FALSE(targetExists());
    EXPECT_EQ(std::count(seen.begin(), seen.end(), 100), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Streams, CorruptMember,
    ::testing::Values(CorruptCase{"FirstCodeNamesAnEntry", streamOf({300, 257}), 2},
                      CorruptCase{"FirstCodeAfterClearIsClear", streamOf({'A', 256, 256, 257}), 2},
                      CorruptCase{"CodeAboveTheNextFreeEntry", streamOf({'A', 'B', 260, 257}), 5},
                      CorruptCase{"EndCodeBeforeTheSize", LzwPackStream("short"), 6},
                      CorruptCase{"StreamEndsInsideACode", LzwPackStream(randomBytes(5000)).substr(0, 3000), 5000},
                      CorruptCase{"NoStreamAfterTheHeader", "", 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Expand, ShortHeaderFileHasNoStream) {
    const std::string path = putMember(std::string("OWN_LZW\0", 8));
    LzwMemberHeader header;
    ASSERT_TRUE(LzwReadHeader(path, header));
    EXPECT_FALSE(LzwExpandFile(kTarget, path));
    EXPECT_FALSE(targetExists());
}

TEST_F(Expand, InvalidHeaderCreatesNothing) {
    testsupport::writeHostFile(targetHost(), "kept");
    const std::string valid = LzwPackMember(LzwMakeHeader("FILE.TXT", 1, kDate, 0), "x");
    for (const std::string& bytes : {"own_lzw" + valid.substr(7), "OWN_LZW!" + valid.substr(8)}) {
        EXPECT_FALSE(LzwExpandFile(kTarget, putMember(bytes)));
        EXPECT_EQ(testsupport::readHostFile(targetHost()), "kept");
    }
    EXPECT_FALSE(LzwExpandFile("C:\\OUT\\OTHER.TXT", "C:\\MEDIUM\\MISSING.PAK"));
    EXPECT_FALSE(win::fileExists("C:\\OUT\\OTHER.TXT"));
}

TEST_F(Expand, TargetThatCannotBeCreated) {
    EXPECT_FALSE(LzwExpandFile("C:\\NODIR\\FILE.TXT", member("abc")));
    EXPECT_FALSE(win::fileExists("C:\\NODIR\\FILE.TXT"));
}

TEST_F(Expand, FailedWriteLeavesNoTarget) {
    setMachineIni("[Faults]\nC:\\OUT\\FILE.TXT=disk-full\n[FaultLimits]\nC:\\OUT\\FILE.TXT=1000\n");
    EXPECT_FALSE(LzwExpandFile(kTarget, member(randomBytes(200000))));
    EXPECT_FALSE(targetExists());
}

TEST_F(Expand, ReadErrorInTheMemberIsCorrupt) {
    const std::string path = member(randomBytes(200000));
    setMachineIni("[Faults]\nC:\\MEDIUM\\FILE.PAK=read-error\n[FaultLimits]\nC:\\MEDIUM\\FILE.PAK=100000\n");
    EXPECT_FALSE(LzwExpandFile(kTarget, path));
    EXPECT_FALSE(targetExists());
}

// ------------------------------------------------------------ stack overflow

TEST_F(Expand, StackOverflowByDefaultWritesTheTextAndExitsWith3) {
    EXPECT_EXIT(LzwStackOverflow(), ::testing::ExitedWithCode(3), "Fehler beim Entpacken, Abbruch !");
}

void reportOverflow(const std::string& text) {
    std::fputs(("handler: " + text).c_str(), stderr);
}

TEST_F(Expand, StackOverflowCallsTheInstalledHandler) {
    LzwSetStackOverflowHandler(reportOverflow);
    EXPECT_EXIT(LzwStackOverflow(), ::testing::ExitedWithCode(3), "handler: Fehler beim Entpacken, Abbruch !");
    LzwSetStackOverflowHandler(nullptr);
}

}  // namespace
