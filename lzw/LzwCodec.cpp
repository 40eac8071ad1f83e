#include "LzwCodec.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

namespace {

constexpr std::size_t kSignOffset = 0;
constexpr std::size_t kSizeOffset = 8;
constexpr std::size_t kDateTimeOffset = 12;
constexpr std::size_t kAttributesOffset = 16;
constexpr std::size_t kNameOffset = 20;
constexpr std::size_t kReservedOffset = 280;

uint32_t readLe32(const LzwHeaderBytes& record, std::size_t offset) {
    return uint32_t(record[offset]) | uint32_t(record[offset + 1]) << 8 |
           uint32_t(record[offset + 2]) << 16 | uint32_t(record[offset + 3]) << 24;
}

void writeLe32(LzwHeaderBytes& record, std::size_t offset, uint32_t value) {
    for (int i = 0; i < 4; ++i) record[offset + i] = uint8_t(value >> (8 * i));
}

// The decoder's output: never more than `size` bytes, and the progress
// protocol counted per string rather than per byte.
class LimitedOutput {
public:
    LimitedOutput(LzwByteSink& sink, uint32_t size, const ProgressCallback& progress)
        : output_(sink), size_(size), left_(size), progress_(progress), step_(size / 100 + 1), nextReport_(step_) {}

    // Writes the string that lies on the stack from `top` down to `bottom`.
    // True when decoding has to stop: the size is reached or a write failed.
    [[gnu::always_inline]] bool putString(const uint8_t* top, const uint8_t* bottom) {
        const std::size_t length = std::size_t(top - bottom) + 1;
        if (length >= left_) return putLast(top);
        left_ -= length;
        copyReversed(top, length);
        if (progress_) count(length);
        return output_.failed();
    }

    uint64_t written() const { return size_ - left_; }
    bool flush() { return output_.flush(); }

private:
    // The string reaches the size: only its first `left_` bytes are written,
    // and the byte that completes the size is not counted.
    [[gnu::noinline]] bool putLast(const uint8_t* top) {
        if (left_ == 0) return true;
        const std::size_t length = std::size_t(left_);
        left_ = 0;
        copyReversed(top, length);
        if (progress_) count(length - 1);
        return true;
    }

    // A string is never longer than the decode stack, much less than a chunk.
    // Long strings go eight bytes at a time; short ones byte by byte, since a
    // word read over bytes just put on the stack waits for them.
    void copyReversed(const uint8_t* top, std::size_t length) {
        uint8_t* const target = output_.reserve(length);
        std::size_t i = 0;
        if (length >= 64) {
            for (; i + 8 <= length; i += 8) {
                uint64_t word;
                std::memcpy(&word, top - i - 7, 8);
                word = __builtin_bswap64(word);
                std::memcpy(target + i, &word, 8);
            }
        }
        for (; i < length; ++i) target[i] = *(top - i);
        output_.advance(target + length);
    }

    [[gnu::noinline]] void count(uint64_t bytes) {
        counted_ += bytes;
        for (; nextReport_ <= counted_; nextReport_ += step_) progress_(int(nextReport_ / step_));
    }

    LzwChunkedOutput output_;
    const uint64_t size_;
    uint64_t left_;  // bytes still to be written
    const ProgressCallback& progress_;
    const uint64_t step_;
    uint64_t nextReport_;
    uint64_t counted_ = 0;
};

enum class Round { Cleared, Ended, Stopped, Corrupt, Overflow };

// One round of the dictionary: from its first code (a byte, which adds no
// entry) up to a clear code, the end code, or the byte that completes the
// size.  A code that names no entry yet is corrupt, so no table entry that
// was never set is read.
Round decodeRound(LzwCodeReader& reader, LzwDecoderTables& tables, LimitedOutput& output) {
    int code = LzwReadCode(reader, kLzwMinWidth);
    if (code == kLzwEndCode) return Round::Ended;
    if (code == kLzwNoCode || code > 255) return Round::Corrupt;
    uint32_t previous = uint32_t(code);
    uint8_t firstChar = uint8_t(code);
    uint8_t* const bottom = tables.stack;
    const uint8_t* const stackEnd = tables.stack + kLzwStackSize;
    // The stack holds the previous code's string from `top` down to `bottom`
    // until the next string is expanded.
    uint8_t* top = bottom;
    *bottom = firstChar;
    if (output.putString(top, bottom)) return Round::Stopped;

    int width = kLzwMinWidth;
    uint32_t highestCode = (1u << width) - 1;
    uint32_t nextFree = kLzwFirstEntry;
    for (;;) {
        code = LzwReadCode(reader, width);
        if (code == kLzwEndCode) return Round::Ended;
        if (code == kLzwClearCode) return Round::Cleared;
        const uint32_t current = uint32_t(code);
        if (code == kLzwNoCode || current > nextFree) return Round::Corrupt;
        if (current == nextFree) [[unlikely]] {
            // Not yet in the dictionary: the previous string followed by its
            // own first character.  The previous string is still on the
            // stack; it moves up by one above that character.
            if (top + 1 == stackEnd) return Round::Overflow;
            std::memmove(bottom + 1, bottom, std::size_t(top - bottom) + 1);
            *bottom = firstChar;
            ++top;
        } else if (current != previous) {
            top = LzwDecodeString(tables, bottom, current);
            if (top == nullptr) return Round::Overflow;
            firstChar = *top;
        }
        if (output.putString(top, bottom)) return Round::Stopped;
        if (nextFree <= highestCode) {
            tables.prefix[nextFree] = previous;
            tables.append[nextFree] = firstChar;
            ++nextFree;
            if (nextFree == highestCode && width < kLzwMaxWidth) {
                ++width;
                highestCode = (1u << width) - 1;
            }
        }
        previous = current;
    }
}

LzwDecodeResult decodeStream(LzwCodeReader reader, LzwDecoderTables& tables, LimitedOutput& output,
                             uint32_t size) {
    Round round;
    do {
        round = decodeRound(reader, tables, output);
    } while (round == Round::Cleared);
    if (round == Round::Corrupt) return LzwDecodeResult::Corrupt;
    // After an overflow too: the target keeps what was decoded so far.
    const bool flushed = output.flush();
    if (round == Round::Overflow) return LzwDecodeResult::StackOverflow;
    if (!flushed) return LzwDecodeResult::WriteFailed;
    return output.written() == size ? LzwDecodeResult::Complete : LzwDecodeResult::Corrupt;
}

}  // namespace

// ------------------------------------------------------------- the header

bool LzwParseHeader(const uint8_t* bytes, std::size_t count, LzwMemberHeader& header) {
    LzwHeaderBytes record{};
    std::copy_n(bytes, std::min(count, record.size()), record.begin());
    header = {};
    const auto nameBegin = record.begin() + kNameOffset;
    const auto nameEnd = std::find(nameBegin, nameBegin + kLzwNameFieldSize, 0);
    const bool signatureMatches = std::equal(std::begin(kLzwSignature), std::end(kLzwSignature),
                                             record.begin() + kSignOffset,
                                             [](char a, uint8_t b) { return uint8_t(a) == b; });
    if (!signatureMatches || nameEnd == nameBegin + kLzwNameFieldSize) return false;
    std::copy_n(record.begin() + kSignOffset, header.m_sSign.size(), header.m_sSign.begin());
    header.m_nSize = readLe32(record, kSizeOffset);
    header.m_nDateTime = readLe32(record, kDateTimeOffset);
    header.m_nAttributes = readLe32(record, kAttributesOffset);
    header.m_sFileName.assign(nameBegin, nameEnd);
    header.m_nReserved = readLe32(record, kReservedOffset);
    return true;
}

LzwHeaderBytes LzwSerializeHeader(const LzwMemberHeader& header) {
    LzwHeaderBytes record{};
    std::copy(header.m_sSign.begin(), header.m_sSign.end(), record.begin() + kSignOffset);
    writeLe32(record, kSizeOffset, header.m_nSize);
    writeLe32(record, kDateTimeOffset, header.m_nDateTime);
    writeLe32(record, kAttributesOffset, header.m_nAttributes);
    std::copy_n(header.m_sFileName.begin(), std::min(header.m_sFileName.size(), kLzwNameFieldSize),
                record.begin() + kNameOffset);
    writeLe32(record, kReservedOffset, header.m_nReserved);
    return record;
}

// ------------------------------------------------------- bytes in and out

LzwChunkedOutput::LzwChunkedOutput(LzwByteSink& sink)
    : sink_(sink), chunk_(kChunkSize), cursor_(chunk_.data()), end_(chunk_.data() + chunk_.size()) {}

bool LzwChunkedOutput::flush() {
    if (cursor_ != chunk_.data()) spill();
    return !failed_;
}

void LzwChunkedOutput::spill() {
    if (!failed_ && !sink_.write(chunk_.data(), std::size_t(cursor_ - chunk_.data()))) failed_ = true;
    cursor_ = chunk_.data();
}

// ------------------------------------------------------------- the decoder

void LzwFillBits(LzwCodeReader& reader) {
    if (reader.end - reader.next >= 8) {
        uint64_t word;
        std::memcpy(&word, reader.next, 8);
        word = __builtin_bswap64(word);
        reader.bits |= word >> reader.bitCount;
        const int bytes = (63 - reader.bitCount) >> 3;
        reader.next += bytes;
        reader.bitCount += 8 * bytes;
        return;
    }
    while (reader.bitCount <= 56) {
        if (reader.next == reader.end && !reader.sourceEnded) {
            const std::size_t count = reader.source->read(reader.chunk, kLzwReadChunk);
            reader.next = reader.chunk;
            reader.end = reader.chunk + count;
            reader.sourceEnded = count == 0;
        }
        uint64_t byte = 0;
        if (reader.next != reader.end)
            byte = *reader.next++;
        else
            reader.padBits += 8;
        reader.bits |= byte << (56 - reader.bitCount);
        reader.bitCount += 8;
    }
}

uint8_t* LzwDecodeString(LzwDecoderTables& tables, uint8_t* position, uint32_t code) {
    const uint8_t* const end = tables.stack + kLzwStackSize;
    while (code > 255) {
        if (position == end) return nullptr;
        *position++ = tables.append[code];
        code = tables.prefix[code];
    }
    if (position == end) return nullptr;
    *position = uint8_t(code);
    return position;
}

LzwDecodeResult LzwDecode(LzwByteSource& source, LzwByteSink& sink, uint32_t size,
                          const ProgressCallback& progress) {
    try {
        auto tables = std::make_unique<LzwDecoderTables>();
        std::vector<uint8_t> chunk(kLzwReadChunk);
        LzwCodeReader reader{&source, chunk.data()};
        LimitedOutput output(sink, size, progress);
        return decodeStream(reader, *tables, output, size);
    } catch (const std::bad_alloc&) {
        return LzwDecodeResult::NoMemory;
    }
}

// ---------------------------------------------------- the packer's routines

int LzwFindSlot(uint32_t prefix, uint8_t character, const LzwEncoderTable& table) {
    int index = int((uint32_t(character) << 4) ^ prefix);
    const int step = index == 0 ? 1 : kLzwTableSize - index;
    for (;;) {
        if (table.codeValue[index] == -1) return index;
        if (table.prefixCode[index] == prefix && table.appendChar[index] == character) return index;
        index -= step;
        if (index < 0) index += kLzwTableSize;
    }
}

int LzwWriteCode(LzwCodeWriter& output, int code) {
    output.bits_ |= uint32_t(code) << (32 - output.width - output.bitCount_);
    output.bitCount_ += output.width;
    while (output.bitCount_ >= 8) {
        output.output_.put(uint8_t(output.bits_ >> 24));
        output.bits_ <<= 8;
        output.bitCount_ -= 8;
    }
    return 0;
}

void LzwCodeWriter::flushBits(int zeroBytes) {
    if (bitCount_ > 0) output_.put(uint8_t(bits_ >> 24));
    bits_ = 0;
    bitCount_ = 0;
    for (int i = 0; i < zeroBytes; ++i) output_.put(0);
}

bool LzwCodeWriter::finish() {
    return output_.flush();
}
