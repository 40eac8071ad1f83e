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

// The decoder's output buffer doubles as its dictionary: every entry's string
// stands somewhere in the bytes already written, so a code is expanded by one
// forward copy from its latest place.  When the buffer is full it goes to the
// sink, all but its last kKeep bytes; an entry whose string has left the
// buffer since is rebuilt from its prefix chain.
class Window {
public:
    static constexpr std::size_t kSize = 1 << 20;
    static constexpr std::size_t kKeep = 256 << 10;
    // Room behind the cursor for the longest string and a copy's overrun.
    static constexpr std::size_t kSlack = kLzwStackSize + 32;

    explicit Window(LzwByteSink& sink) : sink_(sink), buffer_(kSize + kSlack) {}

    uint8_t* data() { return buffer_.data(); }
    // The output position of data()[0].
    uint32_t base() const { return base_; }
    bool full(const uint8_t* cursor) const { return cursor >= buffer_.data() + kSize; }

    // Hands the bytes up to `cursor` to the sink and keeps the last kKeep of
    // them at the front; returns where the cursor is then.  False in
    // `failed()` when the sink refused them.
    [[gnu::noinline]] uint8_t* spill(uint8_t* cursor) {
        flush(cursor);
        uint8_t* const kept = cursor - kKeep;
        std::memmove(buffer_.data(), kept, kKeep);
        base_ += uint32_t(kept - buffer_.data());
        unwritten_ = buffer_.data() + kKeep;
        return unwritten_;
    }

    bool flush(uint8_t* cursor) {
        if (!failed_ && cursor != unwritten_ && !sink_.write(unwritten_, std::size_t(cursor - unwritten_)))
            failed_ = true;
        unwritten_ = cursor;
        return !failed_;
    }
    bool failed() const { return failed_; }

private:
    LzwByteSink& sink_;
    std::vector<uint8_t> buffer_;
    uint8_t* unwritten_ = buffer_.data();
    uint32_t base_ = 0;
    bool failed_ = false;
};

// Copies `length` bytes that end at or before `target`, sixteen at a time; it
// may write up to 15 bytes past the end, which the next string overwrites.
[[gnu::always_inline]] inline void copyForward(uint8_t* target, const uint8_t* from, std::size_t length) {
    for (;;) {
        uint8_t piece[16];
        std::memcpy(piece, from, 16);
        std::memcpy(target, piece, 16);
        if (length <= 16) return;
        length -= 16;
        from += 16;
        target += 16;
    }
}

// The string of an entry that has left the window, from its prefix chain.
[[gnu::noinline]] void rebuild(LzwDecoderTables& tables, uint32_t code, uint8_t* target) {
    const uint8_t* top = LzwDecodeString(tables, tables.stack, code);
    for (; top >= tables.stack; --top) *target++ = *top;
}

// The progress protocol: the callback receives counted / step at each
// multiple of the step that the bytes counted pass.
class Progress {
public:
    Progress(const ProgressCallback& callback, uint32_t size)
        : callback_(callback), step_(size / 100 + 1), next_(callback ? step_ : UINT64_MAX) {}
    // The count at which the next report is due.
    uint64_t next() const { return next_; }
    void count(uint64_t counted) {
        for (; next_ <= counted; next_ += step_) callback_(int(next_ / step_));
    }

private:
    const ProgressCallback& callback_;
    const uint64_t step_;
    uint64_t next_;
};

// Decodes rounds of the dictionary, each from its first code (a byte, which
// adds no entry) up to a clear code, until the end code or the byte that
// completes the size.  A code that names no entry yet is corrupt, so no table
// entry that was never set is read.
LzwDecodeResult decodeStream(LzwCodeReader reader, LzwDecoderTables& tables, Window& window, uint32_t size,
                             Progress& progress) {
    uint8_t* const data = window.data();
    uint8_t* cursor = data;
    uint32_t base = 0;
    const auto written = [&](const uint8_t* at) { return base + uint32_t(at - data); };
    // Where the next thing besides decoding is due: the size reached, a
    // progress report, the window full.  One test a string covers all three.
    const auto checkpointFor = [&] {
        return data + (std::min<uint64_t>({size, progress.next(), uint64_t(base) + Window::kSize}) - base);
    };
    uint8_t* checkpoint = checkpointFor();
    for (;;) {
        int code = LzwReadCode(reader, kLzwMinWidth);
        if (code == kLzwEndCode) break;
        if (code == kLzwNoCode || code > 255) return LzwDecodeResult::Corrupt;
        int width = kLzwMinWidth;
        uint32_t highestCode = (1u << width) - 1;
        // The round's first code fills the slot of the end code, which is
        // never looked up: so it adds no entry that counts.
        uint32_t nextFree = kLzwEndCode;
        uint32_t previous = 0;
        uint32_t previousLength = 0;
        for (;;) {
            uint8_t* const target = cursor;
            const uint32_t current = uint32_t(code);
            uint32_t length = 1;
            if (current < 256) {
                *target = uint8_t(current);
            } else if (current < nextFree) {
                length = tables.length[current];
                if (length > kLzwStackSize) break;
                const uint32_t from = tables.position[current];
                if (from >= base) {
                    copyForward(target, data + (from - base), length);
                } else {
                    rebuild(tables, current, target);
                    tables.position[current] = written(target);
                }
            } else {
                // Not yet in the dictionary: the previous string, just
                // written, followed by its own first character.
                length = previousLength + 1;
                if (length > kLzwStackSize) break;
                copyForward(target, target - previousLength, previousLength);
                target[previousLength] = target[-std::ptrdiff_t(previousLength)];
            }
            if (nextFree <= highestCode) {
                tables.prefix[nextFree] = previous;
                tables.append[nextFree] = *target;
                tables.length[nextFree] = uint16_t(previousLength + 1);
                tables.position[nextFree] = written(target) - previousLength;
                ++nextFree;
                if (nextFree == highestCode && width < kLzwMaxWidth) {
                    ++width;
                    highestCode = (1u << width) - 1;
                }
            }
            previous = current;
            previousLength = length;
            cursor = target + length;
            if (cursor >= checkpoint) [[unlikely]] {
                if (written(cursor) >= size) {
                    // Only the bytes up to the size; the byte that completes
                    // it is not counted.
                    if (written(target) < size) progress.count(size - 1);
                    return window.flush(data + (size - base)) ? LzwDecodeResult::Complete
                                                               : LzwDecodeResult::WriteFailed;
                }
                progress.count(written(cursor));
                if (window.full(cursor)) {
                    cursor = window.spill(cursor);
                    base = window.base();
                    if (window.failed()) return LzwDecodeResult::WriteFailed;
                }
                checkpoint = checkpointFor();
            }
            code = LzwReadCode(reader, width);
            if (code == kLzwEndCode || code == kLzwClearCode) break;
            if (code == kLzwNoCode || uint32_t(code) > nextFree) return LzwDecodeResult::Corrupt;
        }
        if (code == kLzwEndCode) break;
        if (code != kLzwClearCode) {
            // After an overflow too: the target keeps what was decoded so far.
            window.flush(cursor);
            return LzwDecodeResult::StackOverflow;
        }
    }
    if (!window.flush(cursor)) return LzwDecodeResult::WriteFailed;
    return written(cursor) == size ? LzwDecodeResult::Complete : LzwDecodeResult::Corrupt;
}

}  // namespace

// ------------------------------------------------------------- the header

LzwHeaderKind LzwClassifyHeader(const uint8_t* bytes, std::size_t count, LzwMemberHeader& header) {
    LzwHeaderBytes record{};
    std::copy_n(bytes, std::min(count, record.size()), record.begin());
    header = {};
    const auto nameBegin = record.begin() + kNameOffset;
    const auto nameEnd = std::find(nameBegin, nameBegin + kLzwNameFieldSize, 0);
    const bool signatureMatches = std::equal(std::begin(kLzwSignature), std::end(kLzwSignature),
                                             record.begin() + kSignOffset,
                                             [](char a, uint8_t b) { return uint8_t(a) == b; });
    if (!signatureMatches) return LzwHeaderKind::NoMember;
    std::copy_n(record.begin() + kSignOffset, header.m_sSign.size(), header.m_sSign.begin());
    header.m_nSize = readLe32(record, kSizeOffset);
    header.m_nDateTime = readLe32(record, kDateTimeOffset);
    header.m_nAttributes = readLe32(record, kAttributesOffset);
    header.m_sFileName.assign(nameBegin, nameEnd);
    header.m_nReserved = readLe32(record, kReservedOffset);
    return nameEnd == nameBegin + kLzwNameFieldSize ? LzwHeaderKind::UnendingName : LzwHeaderKind::Valid;
}

bool LzwParseHeader(const uint8_t* bytes, std::size_t count, LzwMemberHeader& header) {
    if (LzwClassifyHeader(bytes, count, header) == LzwHeaderKind::Valid) return true;
    header = {};
    return false;
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

LzwCodeReader LzwRefilled(LzwCodeReader reader) {
    while (reader.bitCount <= 56) {
        if (reader.next == reader.end && !reader.sourceEnded) {
            const std::size_t count = reader.source->read(reader.chunk, kLzwReadChunk);
            reader.next = reader.chunk;
            reader.end = reader.chunk + count;
            reader.sourceEnded = count == 0;
        }
        if (reader.next == reader.end) break;
        reader.bits |= uint64_t(*reader.next++) << (56 - reader.bitCount);
        reader.bitCount += 8;
    }
    return reader;
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
        Window window(sink);
        Progress counter(progress, size);
        return decodeStream(reader, *tables, window, size, counter);
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
