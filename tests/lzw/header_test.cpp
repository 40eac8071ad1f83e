// The member header: its byte layout, what makes it valid, and the two
// routines that fill it from a member or from a file on disk.
#include <gtest/gtest.h>

#include "LzwPacker.h"
#include "MachineFixture.h"
#include "Ulzw.h"
#include "Win.h"

namespace {

const LzwMemberHeader kZero{};

LzwMemberHeader sampleHeader() {
    return LzwMakeHeader("README.TXT", 0x01020304, LzwDosDateTime(2024, 3, 5, 14, 3, 6), 0x21);
}

TEST(HeaderLayout, FieldsAreLittleEndianAtTheirOffsets) {
    const LzwHeaderBytes bytes = LzwSerializeHeader(sampleHeader());
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 8), std::string("OWN_LZW\0", 8));
    EXPECT_EQ(std::string(bytes.begin() + 8, bytes.begin() + 12), "\x04\x03\x02\x01");
    const uint32_t dateTime = LzwDosDateTime(2024, 3, 5, 14, 3, 6);
    EXPECT_EQ(bytes[12], uint8_t(dateTime));
    EXPECT_EQ(bytes[15], uint8_t(dateTime >> 24));
    EXPECT_EQ(bytes[16], 0x21);
    EXPECT_EQ(std::string(bytes.begin() + 20, bytes.begin() + 31), std::string("README.TXT\0", 11));
    EXPECT_EQ(std::count(bytes.begin() + 30, bytes.end(), 0), 284 - 30);

    LzwMemberHeader parsed;
    ASSERT_TRUE(LzwParseHeader(bytes.data(), bytes.size(), parsed));
    EXPECT_EQ(parsed, sampleHeader());
}

TEST(HeaderLayout, DosDateAndTimeAsTheFileSystemKeepsThem) {
    // Date in the high word, time in the low word, seconds in 2 s steps.
    EXPECT_EQ(LzwDosDateTime(1980, 1, 1, 0, 0, 0), 0x00210000u);
    EXPECT_EQ(LzwDosDateTime(2024, 3, 5, 14, 3, 7), uint32_t((44 << 9 | 3 << 5 | 5) << 16 | (14 << 11 | 3 << 5 | 3)));
}

struct HeaderCase {
    const char* name;
    std::string bytes;
    bool valid;
};

void PrintTo(const HeaderCase& c, std::ostream* os) { *os << c.name; }

std::string withName(std::string name) {
    std::string bytes = LzwHeaderText(sampleHeader());
    bytes.replace(20, 260, name.append(260 - name.size(), '\0'));
    return bytes;
}

class HeaderValidity : public ::testing::TestWithParam<HeaderCase> {};

TEST_P(HeaderValidity, InvalidLeavesTheRecordZero) {
    const HeaderCase& c = GetParam();
    LzwMemberHeader header = sampleHeader();
    EXPECT_EQ(LzwParseHeader(reinterpret_cast<const uint8_t*>(c.bytes.data()), c.bytes.size(), header), c.valid);
    if (!c.valid) {
        EXPECT_EQ(header, kZero);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Signatures, HeaderValidity,
    ::testing::Values(HeaderCase{"Valid", LzwHeaderText(sampleHeader()), true},
                      HeaderCase{"LowerCaseSignature", "own_lzw" + LzwHeaderText(sampleHeader()).substr(7), false},
                      HeaderCase{"EighthByteNotZero", "OWN_LZWX" + LzwHeaderText(sampleHeader()).substr(8), false},
                      HeaderCase{"OtherLetter", "OWN_LZX" + LzwHeaderText(sampleHeader()).substr(7), false},
                      HeaderCase{"EmptyFile", "", false},
                      HeaderCase{"SevenBytesReadAsIfZeroFollowed", "OWN_LZW", true},
                      HeaderCase{"NameFillsTheWholeField", withName(std::string(260, 'N')), false},
                      HeaderCase{"LongestName", withName(std::string(259, 'N')), true}),
    [](const auto& info) { return std::string(info.param.name); });

// The archive tool reports such a member instead of passing over it.
TEST(HeaderValidity, NameWithoutZeroIsTheWholeField) {
    const std::string bytes = withName(std::string(260, 'N'));
    LzwMemberHeader header;
    EXPECT_EQ(LzwClassifyHeader(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), header),
              LzwHeaderKind::UnendingName);
    LzwMemberHeader expected = sampleHeader();
    expected.m_sFileName = std::string(260, 'N');
    EXPECT_EQ(header, expected);
    const std::string text = "no member";
    EXPECT_EQ(LzwClassifyHeader(reinterpret_cast<const uint8_t*>(text.data()), text.size(), header),
              LzwHeaderKind::NoMember);
    EXPECT_EQ(header, kZero);
}

TEST(HeaderValidity, ShortFileHasZeroFieldsForWhatIsMissing) {
    const std::string full = LzwHeaderText(sampleHeader());
    LzwMemberHeader header;
    ASSERT_TRUE(LzwParseHeader(reinterpret_cast<const uint8_t*>(full.data()), 8, header));
    EXPECT_EQ(header.m_nSize, 0u);
    EXPECT_EQ(header.m_sFileName, "");

    ASSERT_TRUE(LzwParseHeader(reinterpret_cast<const uint8_t*>(full.data()), 25, header));
    EXPECT_EQ(header.m_nSize, 0x01020304u);
    EXPECT_EQ(header.m_nAttributes, 0x21u);
    EXPECT_EQ(header.m_sFileName, "READM");
}

// ------------------------------------------------------------ on the machine

class HeaderFiles : public testsupport::MachineTest {
protected:
    // UTC = local + bias: local time is one hour ahead.
    std::string machineIni() const override { return "[Machine]\nTimeBias=-60\n"; }
};

TEST_F(HeaderFiles, ReadHeaderOfAMember) {
    testsupport::writeHostFile(driveC() + "/SETUP/INST.ALL", LzwPackMember(sampleHeader(), "payload"));
    LzwMemberHeader header;
    ASSERT_TRUE(LzwReadHeader("C:\\SETUP\\INST.ALL", header));
    EXPECT_EQ(header, sampleHeader());
}

TEST_F(HeaderFiles, ReadHeaderOfAShortFile) {
    testsupport::writeHostFile(driveC() + "/SHORT.PAK", std::string("OWN_LZW\0\x07", 9));
    LzwMemberHeader header;
    ASSERT_TRUE(LzwReadHeader("C:\\SHORT.PAK", header));
    EXPECT_EQ(header.m_nSize, 7u);
    EXPECT_EQ(header.m_nDateTime, 0u);
}

TEST_F(HeaderFiles, ReadHeaderFailures) {
    testsupport::writeHostFile(driveC() + "/LOWER.PAK", "own_lzw" + LzwHeaderText(sampleHeader()).substr(7));
    for (const char* path : {"C:\\MISSING.PAK", "C:\\LOWER.PAK"}) {
        LzwMemberHeader header = sampleHeader();
        EXPECT_FALSE(LzwReadHeader(path, header)) << path;
        EXPECT_EQ(header, kZero) << path;
    }
}

TEST_F(HeaderFiles, HeaderFromFileDescribesTheFile) {
    testsupport::writeHostFile(driveC() + "/DATA/mixed.txt", std::string(1234, 'x'));
    win::FileTime utc = 0;
    ASSERT_TRUE(win::systemTimeToFileTime({2024, 3, 5, 13, 3, 6, 0}, utc));
    ASSERT_TRUE(win::setLastWriteTime("C:\\DATA\\mixed.txt", utc));
    ASSERT_TRUE(win::setFileAttributes("C:\\DATA\\mixed.txt", win::ATTR_READONLY | win::ATTR_ARCHIVE));

    LzwMemberHeader header;
    ASSERT_TRUE(LzwHeaderFromFile("C:\\Data\\MiXed.Txt", header));
    EXPECT_EQ(std::string(header.m_sSign.data(), 8), std::string("OWN_LZW\0", 8));
    EXPECT_EQ(header.m_nSize, 1234u);
    EXPECT_EQ(header.m_nDateTime, LzwDosDateTime(2024, 3, 5, 14, 3, 6));
    EXPECT_EQ(header.m_nAttributes, uint32_t(win::ATTR_READONLY | win::ATTR_ARCHIVE));
    EXPECT_EQ(header.m_sFileName, "MiXed.Txt");

    ASSERT_TRUE(LzwHeaderFromFile("C:/DATA/mixed.TXT", header));
    EXPECT_EQ(header.m_sFileName, "mixed.TXT");
}

TEST_F(HeaderFiles, HeaderFromMissingFileIsZero) {
    LzwMemberHeader header = sampleHeader();
    EXPECT_FALSE(LzwHeaderFromFile("C:\\DATA\\NOTHERE.TXT", header));
    EXPECT_EQ(header, kZero);
}

}  // namespace
