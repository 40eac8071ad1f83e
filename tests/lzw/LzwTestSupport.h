// Helpers of the codec tests: streams written code by code with the widths
// stated for the format (independent of the packer), and the decoder core run
// on memory.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "LzwCodec.h"

namespace lzwtest {

// The width of the k-th code since the start or the last clear code.
inline int widthOfCode(int k) {
    if (k <= 254) return 9;
    if (k <= 766) return 10;
    if (k <= 1790) return 11;
    return 12;
}

// The codes, each with the width of its position, most significant bit first,
// the last byte completed with zero bits, then `padBytes` zero bytes.
inline std::string streamOf(const std::vector<int>& codes, int padBytes = 2) {
    std::string stream;
    uint8_t byte = 0;
    int bitsInByte = 0;
    int position = 0;
    for (const int code : codes) {
        const int width = widthOfCode(++position);
        for (int bit = width - 1; bit >= 0; --bit) {
            byte = uint8_t(byte << 1 | ((code >> bit) & 1));
            if (++bitsInByte == 8) {
                stream += char(byte);
                byte = 0;
                bitsInByte = 0;
            }
        }
        if (code == kLzwClearCode) position = 0;
    }
    if (bitsInByte > 0) stream += char(byte << (8 - bitsInByte));
    return stream + std::string(std::size_t(padBytes), '\0');
}

// Hands out at most `chunk` bytes a read, so that codes straddle refills.
class MemorySource : public LzwByteSource {
public:
    MemorySource(const std::string& bytes, std::size_t chunk) : bytes_(bytes), chunk_(chunk) {}
    std::size_t read(uint8_t* buffer, std::size_t count) override {
        const std::size_t n = std::min({count, chunk_, bytes_.size() - position_});
        std::copy_n(bytes_.data() + position_, n, buffer);
        position_ += n;
        return n;
    }

private:
    const std::string& bytes_;
    const std::size_t chunk_;
    std::size_t position_ = 0;
};

class MemorySink : public LzwByteSink {
public:
    bool write(const uint8_t* bytes, std::size_t count) override {
        bytes_.append(reinterpret_cast<const char*>(bytes), count);
        return true;
    }
    std::string bytes_;
};

struct Decoded {
    LzwDecodeResult result;
    std::string bytes;
    std::vector<int> progress;
};

inline Decoded decode(const std::string& stream, uint32_t size, std::size_t chunk = 4096) {
    MemorySource source(stream, chunk);
    MemorySink sink;
    Decoded decoded{};
    const ProgressCallback progress = [&](int percent) { decoded.progress.push_back(percent); };
    decoded.result = LzwDecode(source, sink, size, progress);
    decoded.bytes = sink.bytes_;
    return decoded;
}

}  // namespace lzwtest
