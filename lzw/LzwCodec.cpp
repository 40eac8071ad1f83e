#include "LzwCodec.h"

#include "Win.h"

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

[[gnu::noinline]] std::size_t readChunk(LzwByteSource& source, uint8_t* chunk, std::size_t size) {
    return source.read(chunk, size);
}

// The code stream's bits, most significant first, from the source one chunk
// at a time.  A local of the decoder: it keeps its few values in registers,
// since only the source is called out of line.
class CodeReader {
public:
    static constexpr std::size_t kChunkSize = 64 * 1024;
    // Returned for a code whose bits lie partly past the source.
    static constexpr int kNoCode = -1;

    // `chunk` holds kChunkSize bytes.
    CodeReader(LzwByteSource& source, uint8_t* chunk) : source_(&source), chunk_(chunk) {}

    // The next code of `width` bits.  Bytes past the end of the source read
    // as zero, but a code made of such bits is not taken (kNoCode).
    int read(int width) {
        if (bitCount_ < width) {
            if (end_ - next_ >= 8) {
                // A whole word at once where the chunk holds one.
                uint64_t word;
                std::memcpy(&word, next_, 8);
                bits_ |= __builtin_bswap64(word) >> bitCount_;
                const int bytes = (63 - bitCount_) >> 3;
                next_ += bytes;
                bitCount_ += 8 * bytes;
            } else {
                refill();
                if (bitCount_ < width) return kNoCode;
            }
        }
        const int code = int(bits_ >> (64 - width));
        bits_ <<= width;
        bitCount_ -= width;
        return code;
    }

private:
    // Tops the bit buffer up byte by byte, as far as the source goes.
    void refill() {
        while (bitCount_ <= 56) {
            if (next_ == end_ && !sourceEnded_) {
                const std::size_t count = readChunk(*source_, chunk_, kChunkSize);
                next_ = chunk_;
                end_ = chunk_ + count;
                sourceEnded_ = count == 0;
            }
            if (next_ == end_) break;
            bits_ |= uint64_t(*next_++) << (56 - bitCount_);
            bitCount_ += 8;
        }
    }

    LzwByteSource* source_;
    uint8_t* chunk_;
    const uint8_t* next_ = nullptr;
    const uint8_t* end_ = nullptr;
    bool sourceEnded_ = false;
    uint64_t bits_ = 0;
    int bitCount_ = 0;  // the bits of `bits_` that came from the source; the rest are zero
};

// The decoder's output buffer doubles as its dictionary: every entry's string
// stands somewhere in the bytes already written, so a code is expanded by one
// forward copy from its latest place.  When the buffer is full it goes to the
// sink, all but its last kKeep bytes; an entry whose string has left the
// buffer since is rebuilt from its prefix chain.  In front of the output
// stand the 256 one-character strings, so that a byte code is copied like
// any other.
class Window {
public:
    static constexpr std::size_t kSize = 1 << 20;
    static constexpr std::size_t kKeep = 256 << 10;
    // The byte strings with room for a copy's overrun.
    static constexpr std::size_t kLead = 256 + 16;
    // Room behind the cursor for the longest string and a copy's overrun.
    static constexpr std::size_t kSlack = kLzwStackSize + 32;

    // Not cleared: a page of the buffer is touched first when output reaches
    // it, so a small member costs no faults for the rest.  A large member's
    // output fills many pages: its buffer is one of the layer's large ones.
    Window(LzwByteSink& sink, uint32_t size) : sink_(sink), buffer_(kLead + kSize + kSlack, size >= kLargeMember) {
        for (std::size_t c = 0; c < kLead; ++c) buffer_.get()[c] = uint8_t(c);
    }

    // Byte c's string stands at origin()[c], the output from origin()[kLead].
    uint8_t* origin() { return buffer_.get(); }
    uint8_t* data() { return buffer_.get() + kLead; }
    // The output position of data()[0].
    uint32_t base() const { return base_; }
    bool full(const uint8_t* cursor) const { return cursor >= buffer_.get() + kLead + kSize; }

    // Hands the bytes up to `cursor` to the sink and keeps the last kKeep of
    // them at the front; returns where the cursor is then.  False in
    // `failed()` when the sink refused them.
    [[gnu::noinline]] uint8_t* spill(uint8_t* cursor) {
        flush(cursor);
        uint8_t* const kept = cursor - kKeep;
        std::memmove(data(), kept, kKeep);
        base_ += uint32_t(kept - data());
        unwritten_ = data() + kKeep;
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
    // From the output size on which a large buffer's few faults cost less
    // than the ordinary pages the output touches.
    static constexpr uint32_t kLargeMember = 256 << 10;

    class Buffer {
    public:
        // Throws bad_alloc when there is no room.
        Buffer(std::size_t size, bool large)
            : size_(size), large_(large ? static_cast<uint8_t*>(win::allocateLarge(size)) : nullptr),
              small_(large_ ? nullptr : std::make_unique_for_overwrite<uint8_t[]>(size)) {}
        ~Buffer() { win::freeLarge(large_, size_); }
        Buffer(const Buffer&) = delete;
        Buffer& operator=(const Buffer&) = delete;
        uint8_t* get() const { return large_ ? large_ : small_.get(); }

    private:
        std::size_t size_;
        uint8_t* large_;
        std::unique_ptr<uint8_t[]> small_;
    };

    LzwByteSink& sink_;
    Buffer buffer_;
    uint8_t* unwritten_ = buffer_.get() + kLead;
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

// The length that marks an entry whose string has left the window: above any
// a string may have, so that the test of the length catches both.
constexpr uint16_t kLeftWindow = UINT16_MAX;

// The string of an entry that has left the window, rebuilt at `target` from
// its prefix chain: its length, or 0 when it does not fit on the stack.
[[gnu::noinline]] uint32_t rebuild(LzwDecoderTables& tables, uint32_t code, uint8_t* target) {
    const uint8_t* top = LzwDecodeString(tables, tables.stack, code);
    if (top == nullptr) return 0;
    const uint32_t length = uint32_t(top - tables.stack) + 1;
    for (; top >= tables.stack; --top) *target++ = *top;
    return length;
}

// After the window moved its last bytes `shift` places to the front: the
// entries up to `last` follow them or are marked as gone.
[[gnu::noinline]] void followWindow(LzwDecoderTables& tables, uint32_t last, uint32_t shift) {
    for (uint32_t e = kLzwFirstEntry; e <= last; ++e) {
        if (tables.position[e] >= Window::kLead + shift)
            tables.position[e] -= shift;
        else
            tables.length[e] = kLeftWindow;
    }
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
LzwDecodeResult decodeStream(CodeReader reader, LzwDecoderTables& tables, Window& window, uint32_t size,
                             Progress& progress) {
    uint8_t* const origin = window.origin();
    uint8_t* const data = window.data();
    uint8_t* cursor = data;
    const auto written = [&](const uint8_t* at) { return window.base() + uint32_t(at - data); };
    // Where the next thing besides decoding is due: the size reached, a
    // progress report, the window full.  One test a string covers all three.
    const auto checkpointFor = [&] {
        const uint32_t base = window.base();
        return data + (std::min<uint64_t>({size, progress.next(), uint64_t(base) + Window::kSize}) - base);
    };
    uint8_t* checkpoint = checkpointFor();
    // A byte code's string stands in front of the window for good.
    for (uint32_t c = 0; c < 256; ++c) {
        tables.length[c] = 1;
        tables.position[c] = c;
    }
    for (;;) {
        int code = reader.read(kLzwMinWidth);
        if (code == kLzwEndCode) break;
        if (code == CodeReader::kNoCode || code > 255) return LzwDecodeResult::Corrupt;
        int width = kLzwMinWidth;
        uint32_t highestCode = (1u << width) - 1;
        // The round's first code fills the slot of the end code, which is
        // never looked up: so it adds no entry that counts.
        uint32_t nextFree = kLzwEndCode;
        for (;;) {
            // Entry nextFree, when the dictionary has room, is the previous
            // string and the first character of this one: all of it but that
            // character is set already.
            uint8_t* const target = cursor;
            const uint32_t current = uint32_t(code);
            uint32_t length = tables.length[current];
            if (current != nextFree) [[likely]] {
                if (length <= kLzwStackSize) [[likely]] {
                    copyForward(target, origin + tables.position[current], length);
                } else {
                    if (length != kLeftWindow) break;
                    length = rebuild(tables, current, target);
                    if (length == 0) break;
                    tables.position[current] = uint32_t(target - origin);
                    tables.length[current] = uint16_t(length);
                }
            } else {
                // Not yet in the dictionary: the previous string, just
                // written, followed by its own first character.
                if (length > kLzwStackSize) break;
                const uint32_t previousLength = length - 1;
                copyForward(target, target - previousLength, previousLength);
                target[previousLength] = target[-std::ptrdiff_t(previousLength)];
            }
            if (nextFree <= highestCode) {
                tables.append[nextFree] = *target;
                ++nextFree;
                if (nextFree == highestCode && width < kLzwMaxWidth) {
                    ++width;
                    highestCode = (1u << width) - 1;
                }
            }
            tables.prefix[nextFree] = current;
            tables.length[nextFree] = uint16_t(length + 1);
            tables.position[nextFree] = uint32_t(target - origin);
            cursor = target + length;
            if (cursor >= checkpoint) [[unlikely]] {
                if (written(cursor) >= size) {
                    // Only the bytes up to the size; the byte that completes
                    // it is not counted.
                    if (written(target) < size) progress.count(size - 1);
                    return window.flush(data + (size - window.base())) ? LzwDecodeResult::Complete
                                                                        : LzwDecodeResult::WriteFailed;
                }
                progress.count(written(cursor));
                if (window.full(cursor)) {
                    uint8_t* const moved = window.spill(cursor);
                    if (window.failed()) return LzwDecodeResult::WriteFailed;
                    followWindow(tables, nextFree, uint32_t(cursor - moved));
                    cursor = moved;
                }
                checkpoint = checkpointFor();
            }
            code = reader.read(width);
            if (code == kLzwEndCode || code == kLzwClearCode) break;
            if (code == CodeReader::kNoCode || uint32_t(code) > nextFree) return LzwDecodeResult::Corrupt;
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
        // Neither is cleared: no entry is read before it is set, and no byte
        // of the chunk before it is read.
        auto tables = std::make_unique_for_overwrite<LzwDecoderTables>();
        auto chunk = std::make_unique_for_overwrite<uint8_t[]>(CodeReader::kChunkSize);
        CodeReader reader(source, chunk.get());
        Window window(sink, size);
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
