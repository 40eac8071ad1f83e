// The fixture packer against the decoder core: identical bytes back for
// random and structured inputs, with and without clear codes and padding.
#include <gtest/gtest.h>

#include <random>

#include "LzwPacker.h"
#include "LzwTestSupport.h"

namespace {

std::string randomBytes(std::size_t size, unsigned seed, int alphabet = 256) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> byte(0, alphabet - 1);
    std::string data(size, '\0');
    for (char& c : data) c = char(byte(random));
    return data;
}

std::string textLike(std::size_t size) {
    static const char* const kWords[] = {"Setup ", "Datei ", "wird ", "kopiert", ", ", "der ", "die ",
                                         "Installation ", "Verzeichnis ", "\r\n", "Fehler ", "OK. "};
    std::mt19937 random(7);
    std::string text;
    while (text.size() < size) text += kWords[random() % std::size(kWords)];
    text.resize(size);
    return text;
}

std::string runs(std::size_t size) {
    std::mt19937 random(11);
    std::string data;
    while (data.size() < size) data += std::string(1 + random() % 5000, char(random()));
    data.resize(size);
    return data;
}

std::string repeated(const std::string& piece, std::size_t times) {
    std::string data;
    for (std::size_t i = 0; i < times; ++i) data += piece;
    return data;
}

std::string everyByteValue(std::size_t repeats) {
    std::string data;
    for (std::size_t r = 0; r < repeats; ++r)
        for (int v = 0; v < 256; ++v) data += char(v);
    return data;
}

struct Input {
    const char* name;
    std::string data;
};

const std::vector<Input>& inputs() {
    static const std::vector<Input> all = {
        {"Empty", ""},
        {"OneByte", "x"},
        {"TwoBytes", "xy"},
        {"Alternating", repeated("ab", 2500)},
        {"LongRun", std::string(200000, '\0')},
        {"Runs", runs(300000)},
        {"EveryByteValue", everyByteValue(40)},
        {"Text", textLike(200000)},
        {"FourSymbols", randomBytes(100000, 3, 4)},
        {"Random", randomBytes(100000, 5)},
        {"RandomLarge", randomBytes(3 << 20, 9)},
    };
    return all;
}

struct RoundTrip {
    std::size_t input;
    LzwFullDictionary whenFull;
    int padBytes;
};

void PrintTo(const RoundTrip& c, std::ostream* os) { *os << inputs()[c.input].name; }

const char* whenFullName(LzwFullDictionary whenFull) {
    switch (whenFull) {
    case LzwFullDictionary::Continue: return "Continue";
    case LzwFullDictionary::Clear: return "Clear";
    case LzwFullDictionary::ClearWhenWorse: return "ClearWhenWorse";
    }
    return "";
}

class PackerRoundTrip : public ::testing::TestWithParam<RoundTrip> {};

TEST_P(PackerRoundTrip, GivesIdenticalBytes) {
    const Input& input = inputs()[GetParam().input];
    const LzwPackOptions options{GetParam().whenFull, GetParam().padBytes};
    const std::string stream = LzwPackStream(input.data, options);
    const auto decoded = lzwtest::decode(stream, uint32_t(input.data.size()));
    ASSERT_EQ(decoded.result, LzwDecodeResult::Complete);
    EXPECT_TRUE(decoded.bytes == input.data) << "differs, " << decoded.bytes.size() << " bytes";
}

std::vector<RoundTrip> allRoundTrips() {
    std::vector<RoundTrip> all;
    for (std::size_t i = 0; i < inputs().size(); ++i)
        for (const auto whenFull :
             {LzwFullDictionary::Continue, LzwFullDictionary::Clear, LzwFullDictionary::ClearWhenWorse})
            for (const int pad : {0, 2}) all.push_back({i, whenFull, pad});
    return all;
}

INSTANTIATE_TEST_SUITE_P(Inputs, PackerRoundTrip, ::testing::ValuesIn(allRoundTrips()), [](const auto& info) {
    return std::string(inputs()[info.param.input].name) + whenFullName(info.param.whenFull) +
           "Pad" + std::to_string(info.param.padBytes);
});

TEST(Packer, CompressesStructuredInput) {
    const std::string text = textLike(100000);
    EXPECT_LT(LzwPackStream(text).size(), text.size() / 2);
    EXPECT_LT(LzwPackStream(std::string(100000, 'a')).size(), 1000u);
}

TEST(Packer, ClearCodeChangesTheStreamOnlyOnceTheDictionaryIsFull) {
    const std::string small = randomBytes(2000, 1);
    EXPECT_EQ(LzwPackStream(small, {LzwFullDictionary::Clear, 2}), LzwPackStream(small, {LzwFullDictionary::Continue, 2}));
    const std::string large = randomBytes(20000, 1);
    EXPECT_NE(LzwPackStream(large, {LzwFullDictionary::Clear, 2}), LzwPackStream(large, {LzwFullDictionary::Continue, 2}));
}

TEST(Packer, ClearWhenWorseKeepsAGoodDictionaryAndDropsAStaleOne) {
    // Text keeps its words: the full dictionary goes on serving it.
    const std::string text = textLike(300000);
    EXPECT_LT(LzwPackStream(text, {LzwFullDictionary::ClearWhenWorse, 2}).size(),
              LzwPackStream(text, {LzwFullDictionary::Clear, 2}).size());
    // Runs of ever new bytes: a dictionary full of old runs is no help.
    const std::string data = runs(300000);
    EXPECT_LT(LzwPackStream(data, {LzwFullDictionary::ClearWhenWorse, 2}).size(),
              LzwPackStream(data, {LzwFullDictionary::Continue, 2}).size() / 5);
}

TEST(Packer, PadBytesFollowTheEndCode) {
    // 'A' and the end code: 18 bits in three bytes, then the padding.
    EXPECT_EQ(LzwPackStream("A", {LzwFullDictionary::Continue, 0}), lzwtest::streamOf({'A', 257}, 0));
    EXPECT_EQ(LzwPackStream("A", {LzwFullDictionary::Continue, 2}), lzwtest::streamOf({'A', 257}, 2));
    EXPECT_EQ(LzwPackStream("", {LzwFullDictionary::Continue, 2}).size(), 4u);
}

TEST(Packer, DecodesWhateverTheSourceChunks) {
    const std::string data = randomBytes(50000, 13, 16);
    const std::string stream = LzwPackStream(data);
    for (const std::size_t chunk : {std::size_t(1), std::size_t(2), std::size_t(5), std::size_t(65537)}) {
        const auto decoded = lzwtest::decode(stream, uint32_t(data.size()), chunk);
        ASSERT_EQ(decoded.result, LzwDecodeResult::Complete) << chunk;
        EXPECT_TRUE(decoded.bytes == data) << chunk;
    }
}

}  // namespace
