// The split volumes "DISK01.SPL", "DISK02.SPL", ... as one stream of members
// (a 288-byte header, then the member's data), joined into files.  Nothing
// here touches a file or holds a text the user sees: the volumes, the
// written files and the lines on standard output are the host's, so the
// fuzz target runs the joiner on memory.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "LzwCodec.h"

// ------------------------------------------------------------- the header
constexpr std::size_t kSplHeaderSize = 288;
constexpr std::size_t kSplSignSize = 12;
constexpr std::size_t kSplNameFieldSize = 264;
constexpr char kSplSignature[] = "HEADER_SIGN";

struct SplMemberHeader {
    std::array<char, kSplSignSize> m_sSign{};
    int32_t m_nLength = 0;       // data bytes after the header
    uint32_t m_nAttributes = 0;  // Windows file attributes
    uint16_t m_nTime = 0;        // MS-DOS format, local time
    uint16_t m_nDate = 0;
    std::string m_sFileName;     // the field up to its zero byte

    bool operator==(const SplMemberHeader&) const = default;
};

// Reads the 288 header bytes field by field.  False when the signature is
// not "HEADER_SIGN" with its zero byte or the name field holds no zero byte
// (a name that cannot be told from the bytes after it).
bool SplParseHeader(const uint8_t* bytes, SplMemberHeader& header);

// ------------------------------------------------------------- the result
// 2 or more: success, the number of the first volume that does not exist.
using SplResult = int;
constexpr SplResult kSplFirstVolumeMissing = -1;
constexpr SplResult kSplHeaderNotRead = -2;
constexpr SplResult kSplHeaderCorrupt = -3;
constexpr SplResult kSplCannotCreate = -4;
constexpr SplResult kSplVolumeMissing = -5;
constexpr SplResult kSplWriteFailed = -6;
// A volume that exists but cannot be read to its end (a failing medium).
constexpr SplResult kSplReadFailed = -7;

// Directory texts and paths fit fields of 264 characters with their zero.
constexpr std::size_t kSplMaxPath = 263;
// The data are copied through one buffer of this size.
constexpr std::size_t kSplChunkSize = 8192;
// Bytes per progress percent: a volume of 400,000,000 bytes fills the bar.
constexpr uint64_t kSplBytesPerPercent = 4000000;

// ------------------------------------------------------------- the host
class SplVolume {
public:
    virtual ~SplVolume() = default;
    // Up to `count` bytes; fewer at the end, or short of it on a read error.
    virtual std::size_t read(uint8_t* buffer, std::size_t count) = 0;
    // Whether every byte of the volume has been read.
    virtual bool exhausted() = 0;
};

class SplOutput {
public:
    virtual ~SplOutput() = default;
    // False when not all bytes were written.
    virtual bool write(const uint8_t* bytes, std::size_t count) = 0;
    // False when written data could not be kept.
    virtual bool close() = 0;
};

// Where the volumes come from, where the members go, and who hears of it.
class SplHost {
public:
    virtual ~SplHost() = default;
    // nullptr when the volume cannot be opened.
    virtual std::unique_ptr<SplVolume> openVolume(const std::string& path) = 0;
    // Whether a volume that could not be opened is there all the same.
    virtual bool volumeExists(const std::string& path) = 0;
    // Creates or truncates; nullptr when that fails.
    virtual std::unique_ptr<SplOutput> createOutput(const std::string& path) = 0;
    virtual void deleteOutput(const std::string& path) = 0;
    // Gives the closed file the header's date, time and attributes;
    // failures are the host's to ignore.
    virtual void stampOutput(const std::string& path, const SplMemberHeader& header) = 0;
    // Whether a stored name stands for one file in the destination.
    virtual bool isPlainFileName(const std::string& name) = 0;
    // Reading from a volume begins / writing to a member's file begins.
    virtual void reading(const std::string& volumePath) = 0;
    virtual void writing(const std::string& outputPath) = 0;
    // The join fails with this result (called once, before the last progress).
    virtual void failing(SplResult result) = 0;
};

// "%s\DISK%02d.SPL": the volume's path in the directory (no trailing
// backslash).
std::string SplVolumePath(const std::string& directory, int number);

// Joins the volumes of the source directory into files of the destination
// directory (trailing backslashes on either are dropped).  `progress`, when
// set, receives 0 when the first volume is open, the bytes read from the
// current volume divided by 4,000,000 after each header and chunk, and 100
// at the end, failures but the first volume's included.  A member whose
// file is left incomplete is deleted; members written before stay.
SplResult SplJoinVolumes(SplHost& host, const std::string& sourceDir, const std::string& destinationDir,
                         const ProgressCallback& progress);
