// Fuzzes the member header parser and the decoder core.  Input: the size
// limit (4 bytes, little-endian), then a code stream.  Beyond the sanitizers'
// checks: never more bytes than the limit, the limit exactly when complete,
// progress 1, 2, 3 ... up to 99 at most, and no string that outgrows the
// decode stack (the code checks make it impossible).
#include <cstdint>
#include <cstdlib>

#include "LzwCodec.h"

namespace {

// Hands out the stream in pieces of a size taken from the input, so that
// codes straddle the reader's refills.
class Source : public LzwByteSource {
public:
    Source(const uint8_t* data, std::size_t size, std::size_t piece) : data_(data), size_(size), piece_(piece) {}
    std::size_t read(uint8_t* buffer, std::size_t count) override {
        std::size_t n = size_ - position_;
        if (n > count) n = count;
        if (n > piece_) n = piece_;
        for (std::size_t i = 0; i < n; ++i) buffer[i] = data_[position_ + i];
        position_ += n;
        return n;
    }

private:
    const uint8_t* data_;
    std::size_t size_;
    std::size_t piece_;
    std::size_t position_ = 0;
};

class CountingSink : public LzwByteSink {
public:
    bool write(const uint8_t* bytes, std::size_t count) override {
        for (std::size_t i = 0; i < count; ++i) checksum_ += bytes[i];
        written += count;
        return true;
    }
    uint64_t written = 0;

private:
    uint32_t checksum_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    LzwMemberHeader header;
    if (LzwParseHeader(data, size, header) && header.m_sFileName.size() >= kLzwNameFieldSize) std::abort();
    if (size < 4) return 0;

    const uint32_t limit = uint32_t(data[0]) | uint32_t(data[1]) << 8 | uint32_t(data[2]) << 16 |
                           uint32_t(data[3]) << 24;
    Source source(data + 4, size - 4, 1 + size % 61);
    CountingSink sink;
    int lastPercent = 0;
    const ProgressCallback progress = [&](int percent) {
        if (percent != lastPercent + 1 || percent > 99) std::abort();
        lastPercent = percent;
    };
    const LzwDecodeResult result = LzwDecode(source, sink, limit, progress);
    if (sink.written > limit) std::abort();
    if (result == LzwDecodeResult::Complete && sink.written != limit) std::abort();
    if (result == LzwDecodeResult::StackOverflow || result == LzwDecodeResult::WriteFailed) std::abort();
    return 0;
}
