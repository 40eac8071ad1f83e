// The decoder core on memory: stream cases, width changes, the full
// dictionary, clear codes, corrupt streams, the size limit and progress.
#include <gtest/gtest.h>

#include <numeric>

#include "LzwTestSupport.h"

using lzwtest::decode;
using lzwtest::streamOf;

namespace {

constexpr int A = 'A', B = 'B', C = 'C', a = 'a', b = 'b';

struct StreamCase {
    const char* name;
    std::string stream;
    uint32_t size;
    LzwDecodeResult result;
    std::string bytes;  // what the sink received
};

void PrintTo(const StreamCase& c, std::ostream* os) { *os << c.name; }

class DecoderCases : public ::testing::TestWithParam<StreamCase> {};

TEST_P(DecoderCases, DecodesAsExpected) {
    const StreamCase& c = GetParam();
    for (const std::size_t chunk : {std::size_t(1), std::size_t(3), std::size_t(4096)}) {
        const auto decoded = decode(c.stream, c.size, chunk);
        EXPECT_EQ(decoded.result, c.result) << "chunk " << chunk;
        if (c.result == LzwDecodeResult::Complete) {
            EXPECT_EQ(decoded.bytes, c.bytes) << "chunk " << chunk;
        }
    }
}

const LzwDecodeResult Complete = LzwDecodeResult::Complete;
const LzwDecodeResult Corrupt = LzwDecodeResult::Corrupt;

INSTANTIATE_TEST_SUITE_P(
    Streams, DecoderCases,
    ::testing::Values(
        StreamCase{"EmptyMemberIsTheEndCodeAlone", streamOf({257}), 0, Complete, ""},
        StreamCase{"OneByte", streamOf({A, 257}), 1, Complete, "A"},
        StreamCase{"RunUsesCodesNotYetInTheDictionary", streamOf({a, 258, 259, 260, 257}), 10, Complete,
                   std::string(10, 'a')},
        StreamCase{"StringFollowedByItsOwnFirstCharacter", streamOf({a, b, 258, 260, 257}), 7, Complete, "abababa"},
        StreamCase{"ReadAheadPastTheEndReadsAsZero", streamOf({257}, 0), 0, Complete, ""},
        StreamCase{"ReadAheadPastTheEndAfterData", streamOf({A, B, 258, 257}, 0), 4, Complete, "ABAB"},
        // Never more than the size, first codes included.
        StreamCase{"StopsAtTheSizeInsideAString", streamOf({a, 258, 259, 257}), 4, Complete, "aaaa"},
        StreamCase{"FirstCodeBeyondTheSizeIsNotWritten", streamOf({A, 257}), 0, Complete, ""},
        StreamCase{"FirstCodeAfterClearBeyondTheSize", streamOf({A, 256, B, 257}), 1, Complete, "A"},
        StreamCase{"SizeReachedBeforeAMissingEndCode", streamOf({A, B}, 0), 2, Complete, "AB"},
        // Codes that name no entry yet.
        StreamCase{"FirstCodeIsClear", streamOf({256, A, 257}), 1, Corrupt, ""},
        StreamCase{"FirstCodeIsAnEntry", streamOf({258, 257}), 2, Corrupt, ""},
        StreamCase{"FirstCodeAfterClearIsAnEntry", streamOf({A, B, 256, 258, 257}), 4, Corrupt, ""},
        StreamCase{"ClearAfterClear", streamOf({A, 256, 256, B, 257}), 2, Corrupt, ""},
        StreamCase{"CodeAboveTheNextFreeEntry", streamOf({A, 259, 257}), 3, Corrupt, ""},
        StreamCase{"StaleEntryAfterClear", streamOf({A, B, C, 256, A, 259, 257}), 6, Corrupt, ""},
        // Streams that end too early.
        StreamCase{"EndCodeBeforeTheSize", streamOf({A, B, 257}), 3, Corrupt, ""},
        StreamCase{"StreamEndsBeforeTheEndCode", streamOf({A, B}, 0), 3, Corrupt, ""},
        StreamCase{"NoStreamAtAll", "", 0, Corrupt, ""},
        StreamCase{"EndCodeWithMissingBits", streamOf({257}, 0).substr(0, 1), 0, Corrupt, ""}),
    [](const auto& info) { return std::string(info.param.name); });

// Literal i of a long sequence of literals.
int literal(int i) {
    return (i * 37 + 11) & 0xFF;
}

// `count` literals, then the first entries the dictionary has gained, whose
// codes are read with the width that follows the literals.
struct WidthCase {
    int literals;
    bool clearAfter;  // a clear code after the literals: back to 9 bits
};

void PrintTo(const WidthCase& c, std::ostream* os) { *os << c.literals; }

class WidthChanges : public ::testing::TestWithParam<WidthCase> {};

TEST_P(WidthChanges, CodesAreReadWithTheWidthOfTheirPosition) {
    const WidthCase c = GetParam();
    std::vector<int> codes;
    std::string expected;
    for (int i = 0; i < c.literals; ++i) {
        codes.push_back(literal(i));
        expected += char(literal(i));
    }
    int first = 0;  // literal index that entry 258 begins with
    if (c.clearAfter) {
        codes.push_back(256);
        first = c.literals;
        for (int i = first; i < first + 4; ++i) {
            codes.push_back(literal(i));
            expected += char(literal(i));
        }
    }
    for (int e = 0; e < 3; ++e) {
        codes.push_back(258 + e);
        expected += char(literal(first + e));
        expected += char(literal(first + e + 1));
    }
    codes.push_back(257);
    const auto decoded = decode(streamOf(codes), uint32_t(expected.size()));
    EXPECT_EQ(decoded.result, LzwDecodeResult::Complete);
    EXPECT_EQ(decoded.bytes, expected);
}

// The entries follow code 254 (read with 10 bits from code 255 on), 766, 1790
// and the last entry 4095 at code 3839; later codes add nothing.
INSTANTIATE_TEST_SUITE_P(Boundaries, WidthChanges,
                         ::testing::Values(WidthCase{253, false}, WidthCase{254, false}, WidthCase{766, false},
                                           WidthCase{767, false}, WidthCase{1790, false}, WidthCase{1791, false},
                                           WidthCase{3839, false}, WidthCase{5000, false}, WidthCase{800, true},
                                           WidthCase{3839, true}, WidthCase{5000, true}),
                         [](const auto& info) {
                             return std::to_string(info.param.literals) + (info.param.clearAfter ? "ThenClear" : "");
                         });

TEST(FullDictionary, LastEntryIs4095AndLaterCodesAddNothing) {
    std::vector<int> codes;
    std::string expected;
    for (int i = 0; i < 3839; ++i) {
        codes.push_back(literal(i));
        expected += char(literal(i));
    }
    // Entry 4095 was made by code 3839: literal 3837 and literal 3838.
    const std::string last = {char(literal(3837)), char(literal(3838))};
    for (const int code : {4095, 4095, 258}) {
        codes.push_back(code);
        expected += code == 4095 ? last : std::string{char(literal(0)), char(literal(1))};
    }
    codes.push_back(257);
    const auto decoded = decode(streamOf(codes), uint32_t(expected.size()));
    EXPECT_EQ(decoded.result, LzwDecodeResult::Complete);
    EXPECT_EQ(decoded.bytes, expected);
}

TEST(FullDictionary, LastEntryMadeByTheOneAheadCase) {
    // After 3838 codes 4095 is the next free entry: first the string followed
    // by its own first character, then a defined entry.
    std::vector<int> codes;
    std::string expected;
    for (int i = 0; i < 3838; ++i) {
        codes.push_back(literal(i));
        expected += char(literal(i));
    }
    codes.insert(codes.end(), {4095, 4095, 257});
    expected += std::string(4, char(literal(3837)));
    const auto decoded = decode(streamOf(codes), uint32_t(expected.size()));
    EXPECT_EQ(decoded.result, LzwDecodeResult::Complete);
    EXPECT_EQ(decoded.bytes, expected);
}

// ------------------------------------------------------------ progress

struct ProgressCase {
    uint32_t size;
    int last;  // the highest value reported before 100
};

void PrintTo(const ProgressCase& c, std::ostream* os) { *os << c.size; }

class Progress : public ::testing::TestWithParam<ProgressCase> {};

TEST_P(Progress, ReportsEachHundredthOnceAndNeverTheCompletingByte) {
    const ProgressCase c = GetParam();
    // A run: long strings, so one string crosses several hundredths.
    std::vector<int> codes = {a};
    uint32_t length = 1;
    for (int entry = 258; length < c.size; ++entry) {
        codes.push_back(entry);
        length += uint32_t(entry - 256);
    }
    codes.push_back(257);
    const auto decoded = decode(streamOf(codes), c.size);
    ASSERT_EQ(decoded.result, LzwDecodeResult::Complete);
    std::vector<int> expected(std::size_t(c.last));
    std::iota(expected.begin(), expected.end(), 1);
    EXPECT_EQ(decoded.progress, expected);
}

INSTANTIATE_TEST_SUITE_P(Sizes, Progress,
                         ::testing::Values(ProgressCase{1, 0}, ProgressCase{5, 4}, ProgressCase{100, 49},
                                           ProgressCase{250, 83}, ProgressCase{1000000, 99}),
                         [](const auto& info) { return std::to_string(info.param.size); });

TEST(Progress, SizeIsUnsignedSoTheStepIsNeverZero) {
    // As a signed number this size is -100, which would make the step zero.
    const auto decoded = decode(streamOf({A, 257}), 0xFFFFFF9Cu);
    EXPECT_EQ(decoded.result, LzwDecodeResult::Corrupt);
    EXPECT_EQ(decoded.bytes, "A");
    EXPECT_TRUE(decoded.progress.empty());
}

// ------------------------------------------------------------ sink failure

class FailingSink : public LzwByteSink {
public:
    bool write(const uint8_t*, std::size_t) override { return false; }
};

TEST(WriteFailure, IsReported) {
    const std::string stream = streamOf({A, B, 257});
    lzwtest::MemorySource source(stream, 4096);
    FailingSink sink;
    EXPECT_EQ(LzwDecode(source, sink, 2, {}), LzwDecodeResult::WriteFailed);
}

// ------------------------------------------------------------ decode stack

// Entries 258.. form one chain: entry e is entry e-1 followed by 'x', and
// entry 258 is "xx"; the string of entry 256 + n has n characters.
std::unique_ptr<LzwDecoderTables> chainTables() {
    auto tables = std::make_unique<LzwDecoderTables>();
    tables->prefix[258] = 'x';
    for (uint32_t e = 258; e <= 4095; ++e) {
        if (e > 258) tables->prefix[e] = e - 1;
        tables->append[e] = 'x';
    }
    return tables;
}

TEST(DecodeStack, StringIsPutLastCharacterFirst) {
    auto tables = std::make_unique<LzwDecoderTables>();
    tables->prefix[258] = 'a';
    tables->append[258] = 'b';
    tables->prefix[259] = 258;
    tables->append[259] = 'c';
    uint8_t* top = LzwDecodeString(*tables, tables->stack, 259);
    ASSERT_EQ(top, tables->stack + 2);
    EXPECT_EQ(std::string(tables->stack, tables->stack + 3), "cba");
}

TEST(DecodeStack, StringThatDoesNotFitIsRefused) {
    auto tables = chainTables();
    uint8_t* const end = tables->stack + kLzwStackSize;
    // Entry 4095 has 3839 characters.
    EXPECT_EQ(LzwDecodeString(*tables, end - 3839, 4095), end - 1);
    EXPECT_EQ(LzwDecodeString(*tables, end - 3838, 4095), nullptr);
    EXPECT_EQ(LzwDecodeString(*tables, end, 'x'), nullptr);
}

TEST(DecodeStack, ChainThatNeverEndsIsRefused) {
    auto tables = std::make_unique<LzwDecoderTables>();
    tables->prefix[300] = 300;
    EXPECT_EQ(LzwDecodeString(*tables, tables->stack, 300), nullptr);
}

}  // namespace
