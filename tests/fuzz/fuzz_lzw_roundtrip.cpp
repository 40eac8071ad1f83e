// Fuzzes the packer's routines (slot search and code writer) against the
// decoder.  Input: one byte choosing what the packer does with a full
// dictionary (its value modulo 3) and the zero bytes after the end code (its
// value divided by 3, modulo 3), then the data.  The data, packed and
// expanded again, must come back unchanged.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "LzwPacker.h"

namespace {

class StringSource : public LzwByteSource {
public:
    explicit StringSource(const std::string& bytes) : bytes_(bytes) {}
    std::size_t read(uint8_t* buffer, std::size_t count) override {
        const std::size_t n = std::min(count, bytes_.size() - position_);
        bytes_.copy(reinterpret_cast<char*>(buffer), n, position_);
        position_ += n;
        return n;
    }

private:
    const std::string& bytes_;
    std::size_t position_ = 0;
};

class StringSink : public LzwByteSink {
public:
    bool write(const uint8_t* bytes, std::size_t count) override {
        text.append(reinterpret_cast<const char*>(bytes), count);
        return true;
    }
    std::string text;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    LzwPackOptions options;
    options.whenFull = LzwFullDictionary(data[0] % 3);
    options.padBytes = data[0] / 3 % 3;
    const std::string original(reinterpret_cast<const char*>(data + 1), size - 1);

    const std::string stream = LzwPackStream(original, options);
    StringSource source(stream);
    StringSink sink;
    if (LzwDecode(source, sink, uint32_t(original.size()), nullptr) != LzwDecodeResult::Complete) std::abort();
    if (sink.text != original) std::abort();
    return 0;
}
