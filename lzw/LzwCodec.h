// The "OWN_LZW" member format without any file access: the header record, the
// code stream decoder on a byte source and sink, and the packer's slot search
// and code writer.  Nothing here touches the layer, so the fuzz target links
// this alone.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// ------------------------------------------------------------- the header
constexpr std::size_t kLzwHeaderSize = 284;
constexpr std::size_t kLzwNameFieldSize = 260;
constexpr char kLzwSignature[] = "OWN_LZW";

struct LzwMemberHeader {
    std::array<char, 8> m_sSign{};
    // Unsigned on purpose: a member never holds 2 GiB or more, and a corrupt
    // negative value must not turn into a zero step or a negative sum.
    uint32_t m_nSize = 0;
    uint32_t m_nDateTime = 0;  // MS-DOS format, local time: date high, time low
    uint32_t m_nAttributes = 0;
    std::string m_sFileName;   // the field up to its zero byte
    uint32_t m_nReserved = 0;

    bool operator==(const LzwMemberHeader&) const = default;
};

using LzwHeaderBytes = std::array<uint8_t, kLzwHeaderSize>;

// What the first bytes of a file hold.
enum class LzwHeaderKind {
    Valid,         // the signature "OWN_LZW" with its zero byte, and a zero byte inside the name field
    UnendingName,  // the signature, but no zero byte in the name field
    NoMember,
};
// Parses the first `count` bytes of a member file (missing bytes read as
// zero).  Valid and UnendingName fill `header`, an unending name being the
// whole field (which no caller takes for a file name); NoMember leaves it
// all zero.
LzwHeaderKind LzwClassifyHeader(const uint8_t* bytes, std::size_t count, LzwMemberHeader& header);
// As LzwClassifyHeader, for valid headers only: any other leaves `header`
// all zero.
bool LzwParseHeader(const uint8_t* bytes, std::size_t count, LzwMemberHeader& header);
// The 284 bytes of a header; the name is cut to the field's 260 bytes.
LzwHeaderBytes LzwSerializeHeader(const LzwMemberHeader& header);

// ------------------------------------------------------- bytes in and out
class LzwByteSource {
public:
    virtual ~LzwByteSource() = default;
    // Up to `count` bytes into `buffer`; 0 at the end.
    virtual std::size_t read(uint8_t* buffer, std::size_t count) = 0;
};

class LzwByteSink {
public:
    virtual ~LzwByteSink() = default;
    // False when not all bytes could be written.
    virtual bool write(const uint8_t* bytes, std::size_t count) = 0;
};

// Collects bytes into large chunks, so that the sink is called once a chunk
// and never once a byte.
class LzwChunkedOutput {
public:
    static constexpr std::size_t kChunkSize = 64 * 1024;
    explicit LzwChunkedOutput(LzwByteSink& sink);
    // Where the next `count` bytes (at most kChunkSize) go; advance() then
    // moves past the ones written.
    uint8_t* reserve(std::size_t count) {
        if (std::size_t(end_ - cursor_) < count) spill();
        return cursor_;
    }
    void advance(uint8_t* cursor) { cursor_ = cursor; }
    void put(uint8_t byte) {
        *reserve(1) = byte;
        ++cursor_;
    }
    // Hands the rest to the sink; false when any write failed.
    bool flush();
    bool failed() const { return failed_; }

private:
    void spill();
    LzwByteSink& sink_;
    std::vector<uint8_t> chunk_;
    uint8_t* cursor_;
    uint8_t* end_;
    bool failed_ = false;
};

// ------------------------------------------------------- the code stream
constexpr int kLzwClearCode = 256;
constexpr int kLzwEndCode = 257;
constexpr int kLzwFirstEntry = 258;
constexpr int kLzwLastEntry = 4095;
constexpr int kLzwMinWidth = 9;
constexpr int kLzwMaxWidth = 12;
// The encoder's hash table size (a prime); the decoder's tables share it.
constexpr int kLzwTableSize = 5021;
constexpr std::size_t kLzwStackSize = 4000;

// A function taking one integer, the percentage done.
using ProgressCallback = std::function<void(int percent)>;

struct LzwDecoderTables {
    uint8_t stack[kLzwStackSize];
    uint32_t prefix[kLzwTableSize];  // an entry's string without its last character
    uint8_t append[kLzwTableSize];   // an entry's last character
    // Where in the decoder's output window the entry's string stands, and its
    // length; the decoder marks the length of an entry that left the window.
    uint32_t position[kLzwTableSize];
    uint16_t length[kLzwTableSize];
};

// Puts the characters of `code`'s string onto the stack from `position`
// upwards, last character first.  Returns the position of the string's first
// character (the last one put), or nullptr when the string does not fit.
uint8_t* LzwDecodeString(LzwDecoderTables& tables, uint8_t* position, uint32_t code);

enum class LzwDecodeResult {
    Complete,       // `size` bytes written
    Corrupt,        // undefined code, missing bits or end code before `size` bytes
    WriteFailed,
    StackOverflow,  // a string longer than the decode stack
    NoMemory,
};

// Decodes a code stream (the member after its header) into at most `size`
// bytes.  `progress`, when set, receives 1..99 at each hundredth of `size`;
// 0 and 100 are the caller's.
LzwDecodeResult LzwDecode(LzwByteSource& source, LzwByteSink& sink, uint32_t size,
                          const ProgressCallback& progress);

// ---------------------------------------------------- the packer's routines
struct LzwEncoderTable {
    int32_t codeValue[kLzwTableSize];   // -1: free slot
    uint32_t prefixCode[kLzwTableSize];
    uint8_t appendChar[kLzwTableSize];
};

// Index of the slot that holds (prefix, character), or of the free slot where
// it belongs.
int LzwFindSlot(uint32_t prefix, uint8_t character, const LzwEncoderTable& table);

// The writer's bit buffer and the current code width.
class LzwCodeWriter {
public:
    explicit LzwCodeWriter(LzwByteSink& sink) : output_(sink) {}
    int width = kLzwMinWidth;
    // Writes the bits waiting for a full byte, completed with zero bits, and
    // then `zeroBytes` zero bytes.
    void flushBits(int zeroBytes);
    // Hands everything written to the sink; false when a write failed.
    bool finish();

private:
    friend int LzwWriteCode(LzwCodeWriter& output, int code);
    LzwChunkedOutput output_;
    uint32_t bits_ = 0;
    int bitCount_ = 0;
};

// Appends `code` with the writer's current width.  Always 0.
int LzwWriteCode(LzwCodeWriter& output, int code);
