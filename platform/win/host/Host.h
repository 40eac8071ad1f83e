// Internals of the host back end shared by its units: the machine folder and
// machine.ini, the process state, drives, path resolution, and the side
// records (attributes, in-use marks, faults).
#pragma once

#include "Win.h"

#include <array>
#include <cstdint>
#include <ctime>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include <sys/types.h>

namespace win::host {

// ------------------------------------------------------------------ names
// Windows-1252 <-> UTF-8 at the host's edge.  Every Windows-1252 text maps to
// UTF-8 and back unchanged; host text that is no valid UTF-8 is taken byte for
// byte, characters outside the code page become "?".
std::string toUtf8(std::string_view cp1252);
std::string toCp1252(std::string_view utf8);

// A host file's bytes ("" when it cannot be read), read without a stream,
// whose first use in a process sets up the C++ locale.
std::string readHostBytes(const std::string& hostFile);
// The lines of a text without their line ends; no empty line after the last end.
std::vector<std::string_view> linesOf(std::string_view text);
// A text file of the machine folder as Windows-1252 ("" when missing): a file
// written as UTF-8 (by a person) is converted, anything else taken as it is.
std::string readMachineText(const std::string& hostFile);
// Writes through a fresh temporary file beside it and one replacing rename, so
// readers never see half and a failed write (injected faults on the file's host
// path included) leaves the old file whole; false with the error set.
bool writeFileAtomically(const std::string& hostFile, const std::string& bytes);
// Appends to the file (made when missing) in one write; a write that fails
// (injected faults included) takes back what it wrote; false with the error set.
bool appendToFile(const std::string& hostFile, const std::string& bytes);
// The same without the faults injected on the file's path.
bool appendBytes(const std::string& hostFile, const std::string& bytes);

// ------------------------------------------------------------ kept files
// What tells one version of a file from another: device, inode, size and
// modification time.  A missing file has a stamp of its own.
struct FileStamp {
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};
    bool operator==(const FileStamp& other) const;
};
FileStamp stampOf(const std::string& hostFile);
// Whether a file of that stamp, read from `readFrom` on, may be taken as
// read: a file written in the clock tick in which its reading began may be
// written again within the tick, keeping the stamp.
bool settledBefore(const FileStamp& stamp, const timespec& readFrom);
// The clock the file system stamps files with.
timespec fileClockNow();
// How often the machine was loaded (machine::reload() forgets what is kept).
uint64_t machineLoads();

// A machine file kept in memory as parsed: read once, then used again while
// the file's stamp stays the same, so that a change by anyone else (a test, a
// child program, a person) is still seen.  The layer's own changes are made
// in memory and written through at once (wrote()).
template <class Content>
class KeptFile {
public:
    using Load = Content (*)(const std::string& hostFile);
    explicit KeptFile(Load load) : read_(load) {}

    // The file's content now.
    Content& current(const std::string& hostFile) {
        if (hostFile != file_ || !trusted_ || loads_ != machineLoads() || !(stampOf(hostFile) == stamp_))
            load(hostFile);
        return content_;
    }
    // After a change of the kept content was written to the file: the content
    // is the file's.  A failed write leaves the file as it was, and what is kept
    // is read again from the file next time.  Returns `written`.
    bool wrote(bool written) {
        stamp_ = stampOf(file_);
        trusted_ = written;
        return written;
    }
    // What is kept, as the last current() gave it, and the file it came from.
    const Content& held() const { return content_; }
    const std::string& file() const { return file_; }

private:
    void load(const std::string& hostFile) {
        const timespec started = fileClockNow();
        loads_ = machineLoads();
        file_ = hostFile;
        stamp_ = stampOf(hostFile);
        content_ = read_(hostFile);
        trusted_ = stampOf(hostFile) == stamp_ && settledBefore(stamp_, started);
    }

    Load read_;
    uint64_t loads_ = 0;
    std::string file_;
    FileStamp stamp_;
    bool trusted_ = false;
    Content content_{};
};

// ------------------------------------------------------------ machine.ini
// machine.ini as it is now; every call that must see changes takes a fresh one
// (a copy of the kept one while the file is unchanged).
class Ini {
public:
    struct Sections;
    static Ini now();
    std::optional<std::string> get(std::string_view section, std::string_view key) const;
    std::string get(std::string_view section, std::string_view key, const std::string& fallback) const;
    bool flag(std::string_view section, std::string_view key, bool fallback) const;
    long long number(std::string_view section, std::string_view key, long long fallback) const;
    std::vector<std::string> keys(std::string_view section) const;
    bool hasSection(std::string_view section) const;

private:
    std::shared_ptr<const Sections> sections_;
};

std::string machineFolder();
bool isNT(const Ini& ini);
bool isAdministrator(const Ini& ini);
std::string windowsDirectoryOf(const Ini& ini);
std::string systemDirectoryOf(const Ini& ini);
std::optional<std::string> tempPathOf(const Ini& ini);
std::string programPathOf(const Ini& ini);
// The local time at which the machine's clock starts.
FileTime clockStartOf(const Ini& ini);

// ------------------------------------------------------------------ state
// A path split into its drive (0 for a host path) and its components, "." and
// ".." already folded.
struct Lexical {
    char drive = 0;
    std::vector<std::string> parts;
    bool trailingSeparator = false;
};
std::string windowsText(const Lexical& path);

struct State {
    std::string folder;
    Lexical cwd;
    std::array<std::optional<Lexical>, 26> driveCwd;
    uint32_t errorMode = 0;
    uint64_t elapsedMs = 0;
    long long tickStart = 0;  // the clock at start, from machine.ini
    FileTime clockStart = 0;
    uint64_t lastSequence = 0;
    bool virtualTime = true;
    std::vector<std::string> commandLine;
    bool shutdownPrivilegeEnabled = false;  // in the process token
};
// Loaded from the machine folder on first use (and after reload()).
State& state();

// Sets the last error and returns false, for "return fail(...)".
bool fail(uint32_t code);
// The Windows error code nearest to a host errno value.
uint32_t errnoCode(int e);

// ----------------------------------------------------------------- drives
struct Drive {
    char letter = 0;
    uint32_t type = DRIVE_TYPE_FIXED;
    std::string folder;  // host folder; "" = no medium
    bool present = false;
    bool writeProtect = false;
    bool full = false;  // every write fails with ERR_DISK_FULL
    std::string label;
    std::optional<DiskFree> free;  // configured figures
};
// nullopt for a letter the machine does not have.
std::optional<Drive> findDrive(const Ini& ini, char letter);
// Sets ERR_NOT_READY; journals the system's box unless the error mode
// suppresses it.  Returns false.
bool notReady();

// ------------------------------------------------------------------ paths
// Lexical resolution against the current directories; nullopt for an empty
// or UNC path.
std::optional<Lexical> lexical(const std::string& path);

struct Resolved {
    std::string windows;  // the full Windows path, as spelled by the caller
    std::string host;     // the host path, with the host's spelling where it exists
    bool root = false;
    std::optional<Drive> drive;  // none for a host path
};
// Full resolution for a file operation: name rules, path limit, drive
// mapping and readiness (setting the last error on failure).
std::optional<Resolved> resolve(const std::string& path);
std::optional<Resolved> resolve(const Ini& ini, const std::string& path);
// The host path a path maps to without touching the last error or the
// journal ("" when it maps nowhere).
std::string quietHostPath(const Ini& ini, const std::string& path);
// The key under which side records are kept for a host path.
std::string canonicalKey(const std::string& hostPath);
// A directory's entries by their upper-cased Windows names (the first entry
// of each name), as the directory holds them now; nullptr when it cannot be read.
using EntryNames = std::unordered_map<std::string, std::string>;
const EntryNames* entriesOf(const std::string& dir);

// ----------------------------------------------------------- side records
// R/H/S/A bits recorded for the path (nullopt when nothing is recorded).
std::optional<uint32_t> recordedAttributes(const std::string& hostPath);
// The attributes Windows reports for an existing file or directory: the
// recorded bits (a file without record has ATTR_ARCHIVE), ATTR_DIRECTORY,
// ATTR_NORMAL when none is set.
uint32_t reportedAttributes(const std::string& hostPath, bool isDirectory, bool isRoot);
// Each change of the records returns false (error set) when the record file
// could not be rewritten.
bool recordAttributes(const std::string& hostPath, uint32_t attributes, bool isDirectory);
bool forgetAttributes(const std::string& hostPath);
// Moves the records of the path and everything below it.
bool moveAttributes(const std::string& fromHost, const std::string& toHost);

// 0 not in use, 1 in use (no writing), 2 exclusively (no reading either).
int inUseLevel(const Ini& ini, const std::string& hostPath);

struct Faults {
    bool unreadable = false;
    bool refuseWrite = false;
    std::optional<uint64_t> fullAfter;       // bytes written before the disk is full
    std::optional<uint64_t> readErrorAfter;  // bytes read before a read error
};
Faults faultsFor(const Ini& ini, const std::string& hostPath);

// ---------------------------------------------------------------- time
FileTime hostTimeToFileTime(int64_t seconds, int64_t nanoseconds);
void fileTimeToHostTime(FileTime t, int64_t& seconds, int64_t& nanoseconds);
std::optional<FileTime> parseLocalTime(const std::string& text);  // "YYYY-MM-DD HH:MM:SS"

}  // namespace win::host
