// The Windows operations the programs need, as a small interface of our own.
//
// Every operation takes and returns Windows-1252 strings and plain values and
// reports failures the way the programs expect them: a false/empty/0 result
// and an error code readable with lastError().  Paths are Windows paths
// ("C:\DIR\FILE", "C:FILE", "\FILE", "FILE"); on the host back end a path
// beginning with "/" is a plain host path.
//
// Host back end: one Windows machine emulated in a folder (SETUP_MACHINE).
// What a test can set in that folder's machine.ini is documented in Machine.h,
// among it the injected faults: [Faults] path=unreadable | refuse-write |
// disk-full | read-error, with [FaultLimits] path=bytes; [Drive X] Full=1 and
// WriteProtect=1 for a whole drive; [InUse] path=1 (or 2) for a file in use.
// Paths of 260 characters or more are refused on the machine's drives; a
// host path ("/...") follows the same name rules but has no such limit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace win {

// ---------------------------------------------------------------- errors
enum ErrorCode : uint32_t {
    ERR_SUCCESS = 0,
    ERR_FILE_NOT_FOUND = 2,
    ERR_PATH_NOT_FOUND = 3,
    ERR_ACCESS_DENIED = 5,
    ERR_INVALID_DRIVE = 15,
    ERR_WRITE_PROTECT = 19,
    ERR_NOT_READY = 21,
    ERR_SHARING_VIOLATION = 32,
    ERR_FILE_EXISTS = 80,
    ERR_BUFFER_OVERFLOW = 111,
    ERR_DISK_FULL = 112,
    ERR_CALL_NOT_IMPLEMENTED = 120,
    ERR_INSUFFICIENT_BUFFER = 122,
    ERR_MOD_NOT_FOUND = 126,
    ERR_DIR_NOT_EMPTY = 145,
    ERR_ALREADY_EXISTS = 183,
    ERR_BAD_EXE_FORMAT = 193,
    ERR_FILENAME_EXCED_RANGE = 206,
    ERR_READ_FAULT = 30,
    ERR_INVALID_DATA = 13,
    ERR_INVALID_PARAMETER = 87,
    ERR_INVALID_NAME = 123,
    ERR_DIRECTORY = 267,
    ERR_NO_TOKEN = 1008,
    ERR_PRIVILEGE_NOT_HELD = 1314,
};

uint32_t lastError();
void setLastError(uint32_t code);
// The system's message text for an error code, ending in CR LF.
std::string systemMessage(uint32_t code);

// Paths of this many characters or more are refused (ERR_FILENAME_EXCED_RANGE).
constexpr std::size_t kMaxPath = 260;

// ------------------------------------------------- paths, current directory
// The process's current directory: "X:\DIR" (no trailing backslash except at
// a root), spelled as it was set.
std::string currentDirectory();
// Fails for a missing directory or a drive that is not ready; on success it
// also becomes that drive's current directory.
bool setCurrentDirectory(const std::string& path);
// A relative path resolved against the named drive's (or the current)
// directory, "." and ".." folded; nullopt when it cannot be converted.
std::optional<std::string> fullPathName(const std::string& path);

// ------------------------------------------------------------- attributes
enum FileAttr : uint32_t {
    ATTR_READONLY = 0x01,
    ATTR_HIDDEN = 0x02,
    ATTR_SYSTEM = 0x04,
    ATTR_VOLUME = 0x08,
    ATTR_DIRECTORY = 0x10,
    ATTR_ARCHIVE = 0x20,
    ATTR_NORMAL = 0x80,
};
constexpr uint32_t kInvalidAttributes = 0xFFFFFFFFu;

// ------------------------------------------------------ files, directories
bool fileExists(const std::string& path);       // false for a directory
bool directoryExists(const std::string& path);
bool createDirectory(const std::string& path);  // one level
bool removeDirectory(const std::string& path);  // empty, not current
bool deleteFile(const std::string& path);       // refused: read-only, in use
// Copies content, attributes and last-write time.  Refused onto an existing
// target with failIfExists, onto a read-only/hidden or in-use target.
bool copyFile(const std::string& from, const std::string& to, bool failIfExists);
// Rename; fails when the target exists.
bool moveFile(const std::string& from, const std::string& to);
// Rename that replaces an existing target; refused onto a read-only or in-use
// target (a read-only or in-use source may be renamed).
bool replaceFile(const std::string& from, const std::string& to);
// Whether the file could now be opened for writing without sharing.
bool canOpenExclusive(const std::string& path);
uint32_t getFileAttributes(const std::string& path);  // kInvalidAttributes if missing
bool setFileAttributes(const std::string& path, uint32_t attributes);

// ---------------------------------------------------------------- times
// File times are UTC in 100 ns units since 1601-01-01, as on Windows.
using FileTime = uint64_t;
struct SystemTime {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, milliseconds = 0;
};
bool getLastWriteTime(const std::string& path, FileTime& utc);
// Size and last-write time together, without opening the file: what tells a
// file that changed from the copy read before.  False when it is missing.
struct FileStamp {
    uint64_t size = 0;
    FileTime lastWrite = 0;
    bool operator==(const FileStamp&) const = default;
};
bool fileStamp(const std::string& path, FileStamp& stamp);
// Opens the file for writing (refused for read-only or in-use files).
bool setLastWriteTime(const std::string& path, FileTime utc);
// Local time uses the machine's time-zone bias (no daylight saving).
FileTime fileTimeToLocal(FileTime utc);
FileTime localToFileTime(FileTime local);
// DOS date/time (2 s steps).  An invalid DOS date makes the conversion fail.
bool fileTimeToDosDateTime(FileTime local, uint16_t& date, uint16_t& time);
bool dosDateTimeToFileTime(uint16_t date, uint16_t time, FileTime& local);
bool fileTimeToSystemTime(FileTime t, SystemTime& st);
bool systemTimeToFileTime(const SystemTime& st, FileTime& t);

// ---------------------------------------------------------------- search
struct FindData {
    std::string name;
    uint32_t attributes = 0;
    uint64_t size = 0;
    FileTime lastWrite = 0;  // UTC
};
// Every entry matching the mask's name pattern in the mask's directory, with
// Windows wildcard rules ("*", "?", "*.*"), "." and ".." in a non-root
// directory, sorted by the upper-cased bytes of the names.  Filtering by
// attributes is the caller's (the class library's FindFirst).
std::vector<FindData> findFiles(const std::string& mask);
// The Windows wildcard match of one name (without case).
bool matchesMask(const std::string& name, const std::string& pattern);

// ----------------------------------------------------------- byte streams
enum class OpenMode {
    Read,       // existing file, reading
    Create,     // create or truncate, writing
    Append,     // create when missing, writing at the end
    ReadWrite,  // existing file, reading and writing, no truncation
};
class File {
public:
    virtual ~File() = default;
    // Fewer bytes than asked at the end of the file or on a read error
    // (then failed() is true).
    virtual std::size_t read(void* buffer, std::size_t count) = 0;
    // Fewer bytes than asked when the disk is full (then failed() is true).
    virtual std::size_t write(const void* buffer, std::size_t count) = 0;
    virtual bool seek(uint64_t position) = 0;
    virtual uint64_t size() = 0;
    // Flushes and closes; false when data could not be written.
    virtual bool close() = 0;
    virtual bool failed() const = 0;
};
std::unique_ptr<File> openFile(const std::string& path, OpenMode mode);
// Whole-file helpers over openFile.
bool readWholeFile(const std::string& path, std::string& content);
bool writeWholeFile(const std::string& path, const std::string& content);
// The path when no file or directory has it yet, else the first free one
// with "~1", "~2", ... before its extension.
std::string unusedPath(const std::string& path);
// Writes a fresh file beside it (NAME.$$$, or the unused path that follows)
// and puts it in the file's place with one replacing rename, so a failed
// write leaves the old file as it was and no fresh file behind.
bool replaceWholeFile(const std::string& path, const std::string& content);

// ---------------------------------------------------------------- drives
enum DriveType : uint32_t {
    DRIVE_TYPE_UNKNOWN = 0,
    DRIVE_TYPE_NO_ROOT_DIR = 1,
    DRIVE_TYPE_REMOVABLE = 2,
    DRIVE_TYPE_FIXED = 3,
    DRIVE_TYPE_REMOTE = 4,
    DRIVE_TYPE_CDROM = 5,
    DRIVE_TYPE_RAMDISK = 6,
};
uint32_t driveType(const std::string& root);  // "X:\"
struct DiskFree {
    uint32_t sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, totalClusters = 0;
};
// Fails for a missing letter or a drive without medium.
bool diskFreeSpace(const std::string& root, DiskFree& free);
// Bit mask of the mapped drive letters (bit 0 = A).
uint32_t logicalDrives();
std::string volumeLabel(const std::string& root);
// Process-wide error mode; returns the previous one.  With bit 0 clear, a
// probe of a drive without medium is journalled as a critical-error box.
constexpr uint32_t SEM_FAILCRITICALERRORS = 0x0001;
constexpr uint32_t SEM_NOOPENFILEERRORBOX = 0x8000;
uint32_t setErrorMode(uint32_t mode);

// --------------------------------------------------- system and identity
std::optional<std::string> windowsDirectory();  // no trailing backslash
std::optional<std::string> systemDirectory();
std::optional<std::string> tempPath();          // with trailing backslash
std::optional<std::string> specialFolder(int csidl);
enum class Platform { Win9x = 1, WinNT = 2 };
std::optional<Platform> platformId();
// Membership of the local Administrators group (always true on 9x).
bool isAdministratorMember();
std::string environmentVariable(const std::string& name);  // "" when unset
// The user's time separator (the locale's; ":" in German).
std::string timeSeparator();
std::optional<std::string> computerName();
std::optional<std::string> userName();
std::optional<std::string> hostName();
std::vector<std::string> hostAddresses();  // dotted quads, first is primary
// The running program's own path on a drive of the machine.
std::string moduleFileName();
// The process's parameters, parameter 0 being moduleFileName().
std::vector<std::string> commandLine();
void setCommandLine(int argc, char** argv);

// ----------------------------------------------------------------- memory
// A large buffer of `size` bytes (VirtualAlloc), not cleared; nullptr when
// there is no room.  The host back end asks for huge pages, which cost a
// fraction of what as many ordinary pages cost to make, and keeps the last
// buffer given back for the next one of its size.
void* allocateLarge(std::size_t size);
void freeLarge(void* buffer, std::size_t size);

// -------------------------------------------------- beep, sleep, clock
void messageBeep();
void sleep(uint32_t milliseconds);        // advances the machine's clock
uint32_t tickCount();                      // milliseconds on the machine's clock
SystemTime localTime();                    // now, on the machine's clock
// Ends the process at once (no form closes, nothing saved) after the hooks
// registered here have run, newest first (the transcript notes the code).
[[noreturn]] void exitProcess(int code);
void addExitHook(void (*hook)(int code));

// ---------------------------------------------------------------- registry
enum class RegRoot { LocalMachine, CurrentUser };
enum class RegType { None, String, Dword, Other };
// Opens (or creates) a key.  fullAccess asks for KEY_ALL_ACCESS, which the
// machine refuses on HKEY_LOCAL_MACHINE for an NT user who is no
// administrator; refused keys fail either way.  0 or an error code.
uint32_t regOpenKey(RegRoot root, const std::string& key, bool create, bool fullAccess);
bool regKeyExists(RegRoot root, const std::string& key);
RegType regValueType(RegRoot root, const std::string& key, const std::string& name);
bool regReadString(RegRoot root, const std::string& key, const std::string& name, std::string& value);
bool regReadDword(RegRoot root, const std::string& key, const std::string& name, uint32_t& value);
uint32_t regWriteString(RegRoot root, const std::string& key, const std::string& name, const std::string& value);
uint32_t regWriteDword(RegRoot root, const std::string& key, const std::string& name, uint32_t value);
uint32_t regDeleteValue(RegRoot root, const std::string& key, const std::string& name);
uint32_t regDeleteKey(RegRoot root, const std::string& key);  // with its sub-keys
std::vector<std::string> regValueNames(RegRoot root, const std::string& key);

// ------------------------------------------------------- profile (INI) files
namespace profile {
class Document;
}
// One profile file by the Windows profile rules: sections and keys without
// case, blanks around a value dropped, one pair of surrounding quotes
// removed, values cut at 2047 characters; a name without directory is in the
// Windows directory.  The object keeps the file parsed and reads it again
// only when its size or last-write time changed; its own writes go to disk
// at once and into the copy it keeps.
class ProfileFile {
public:
    explicit ProfileFile(const std::string& file);
    ~ProfileFile();
    ProfileFile(const ProfileFile&) = delete;
    ProfileFile& operator=(const ProfileFile&) = delete;

    std::optional<std::string> readString(const std::string& section, const std::string& key) const;
    // readString of each key, from one look at the file.
    std::vector<std::optional<std::string>> readStrings(const std::string& section,
                                                        const std::vector<std::string>& keys) const;
    std::vector<std::string> keys(const std::string& section) const;
    std::vector<std::string> sections() const;
    // False when the file exists but cannot be read, or cannot be written.
    bool writeString(const std::string& section, const std::string& key, const std::string& value);

private:
    const profile::Document& current() const;
    void keep(bool whole, std::optional<FileStamp> stamp, std::string text) const;

    std::string path_;
    mutable std::unique_ptr<profile::Document> parsed_;
    mutable std::optional<FileStamp> stamp_;  // nullopt: the file was missing
    mutable bool whole_ = false;              // parsed_ holds the file's whole text
};

// ----------------------------------------------------- journal
// One ordered record of what the machine was asked to do; its line numbers
// come from the same counter as the user interface's transcript.
uint64_t nextSequenceNumber();
void journal(const std::string& line);


// ---------------------------------------------------------------- processes
// A program is a file on the machine: a host program that really runs, or a
// program the machine declares by a marker (both in Machine.h).
enum class ProcessHandle : uint32_t { None = 0 };
enum WaitResult : uint32_t {
    WAIT_OBJECT_0 = 0,
    WAIT_TIMEOUT = 258,
    WAIT_FAILED = 0xFFFFFFFFu,
};
constexpr uint32_t STILL_ACTIVE = 259;
// Starts a command line as Windows does without an application name: a
// quoted first token names the program; otherwise the first blank-separated
// prefix that names an existing file, ".exe" appended to a prefix without
// extension (a name without directory is searched in the running program's
// directory, the current, System and Windows directories and the
// environment's PATH).  None with ERR_FILE_NOT_FOUND when no prefix names a
// file, ERR_BAD_EXE_FORMAT when the file is no program.  Journalled with the
// resolved program, show code and current directory.
ProcessHandle createProcess(const std::string& commandLine, int showCmd);
// One wait of at most milliseconds, real for a host program.  The machine's
// clock advances by the whole wait for a host program that was running (so
// runs repeat), and up to its end for a declared one.  WAIT_OBJECT_0 once
// the program has ended, WAIT_TIMEOUT, or WAIT_FAILED with the last error.
uint32_t waitForProcess(ProcessHandle process, uint32_t milliseconds);
// STILL_ACTIVE while the program runs.
bool processExitCode(ProcessHandle process, uint32_t& exitCode);
// Fails with ERR_ACCESS_DENIED for a program that has already ended.
bool terminateProcess(ProcessHandle process, uint32_t exitCode);
// Closes the process and thread handles; a running program goes on.
bool closeProcess(ProcessHandle process);

// ---------------------------------------------------- security and restart
// Access tokens of the running program (the machine's [Security] section).
// On 9x every token call fails with ERR_CALL_NOT_IMPLEMENTED.
enum class TokenHandle : uint32_t { None = 0 };
constexpr uint32_t TOKEN_QUERY = 0x0008;
constexpr uint32_t TOKEN_ADJUST_PRIVILEGES = 0x0020;
// Fails with ERR_NO_TOKEN when the thread does not impersonate.
bool openThreadToken(uint32_t access, TokenHandle& token);
bool openProcessToken(uint32_t access, TokenHandle& token);
bool closeToken(TokenHandle token);

struct Sid {
    uint64_t authority = 0;
    std::vector<uint32_t> subAuthorities;
    bool operator==(const Sid&) const = default;
};
constexpr uint32_t SE_GROUP_MANDATORY = 0x01;
constexpr uint32_t SE_GROUP_ENABLED_BY_DEFAULT = 0x02;
constexpr uint32_t SE_GROUP_ENABLED = 0x04;
constexpr uint32_t SE_GROUP_USE_FOR_DENY_ONLY = 0x10;
struct TokenGroup {
    Sid sid;
    uint32_t attributes = 0;
};
// The token's groups in order, read into a buffer of bufferSize bytes laid
// out as a 32-bit program receives them (a 4-byte count, 8 bytes per group,
// each SID 8 bytes plus 4 per sub-authority); ERR_INSUFFICIENT_BUFFER when
// they need more.  Needs TOKEN_QUERY.
bool tokenGroups(TokenHandle token, std::size_t bufferSize, std::vector<TokenGroup>& groups);
// The bytes the groups take in that layout.
inline std::size_t tokenGroupsSize(const std::vector<TokenGroup>& groups) {
    std::size_t bytes = 4;
    for (const TokenGroup& g : groups) bytes += 8 + 8 + 4 * g.sid.subAuthorities.size();
    return bytes;
}
// Enables a privilege the token holds ("SeShutdownPrivilege"); fails with
// ERR_PRIVILEGE_NOT_HELD for one it does not hold.  Needs
// TOKEN_ADJUST_PRIVILEGES.
bool enablePrivilege(TokenHandle token, const std::string& privilege);

constexpr uint32_t EWX_SHUTDOWN = 0x01;
constexpr uint32_t EWX_REBOOT = 0x02;
constexpr uint32_t EWX_FORCE = 0x04;
// Journals the restart request with the shutdown privilege's state; the
// program goes on running.  On NT refused (ERR_PRIVILEGE_NOT_HELD) unless
// the privilege was enabled.
bool exitWindows(uint32_t flags);

}  // namespace win

// ------------------------------------------------ service control manager
// The services of the machine (services.ini in the machine folder, described
// in Machine.h).  Service names are key names, matched ignoring case and
// otherwise exactly (a trailing blank counts).  On 9x there is no manager:
// opening it fails with ERR_CALL_NOT_IMPLEMENTED.  For an NT user who is no
// administrator, all-access opens of the manager and of a service fail with
// ERR_ACCESS_DENIED; connecting and querying the status are allowed.
namespace win {

enum class ScHandle : uint32_t { None = 0 };

constexpr uint32_t SC_MANAGER_CONNECT = 0x0001;
constexpr uint32_t SC_MANAGER_ALL_ACCESS = 0xF003F;
constexpr uint32_t SERVICE_QUERY_STATUS = 0x0004;
constexpr uint32_t SERVICE_ALL_ACCESS = 0xF01FF;
constexpr uint32_t SERVICE_CONTROL_STOP = 1;

enum ServiceState : uint32_t {
    SERVICE_STOPPED = 1,
    SERVICE_START_PENDING = 2,
    SERVICE_STOP_PENDING = 3,
    SERVICE_RUNNING = 4,
    SERVICE_CONTINUE_PENDING = 5,
    SERVICE_PAUSE_PENDING = 6,
    SERVICE_PAUSED = 7,
};

constexpr uint32_t ERR_INVALID_HANDLE = 6;
constexpr uint32_t ERR_INVALID_SERVICE_CONTROL = 1052;
constexpr uint32_t ERR_SERVICE_DOES_NOT_EXIST = 1060;
constexpr uint32_t ERR_SERVICE_CANNOT_ACCEPT_CTRL = 1061;
constexpr uint32_t ERR_SERVICE_NOT_ACTIVE = 1062;
constexpr uint32_t ERR_SERVICE_MARKED_FOR_DELETE = 1072;

// The local machine's manager; database "" is the default ("ServicesActive").
ScHandle openServiceManager(const std::string& database, uint32_t access);
// A service by its key name; ERR_SERVICE_DOES_NOT_EXIST when there is none.
ScHandle openService(ScHandle manager, const std::string& name, uint32_t access);
// The key name of the service with this display name (ignoring case), as
// GetServiceKeyNameA with a buffer of bufferSize characters answers it
// (ERR_INSUFFICIENT_BUFFER when the name and its zero do not fit).
bool serviceKeyName(ScHandle manager, const std::string& displayName, std::size_t bufferSize,
                    std::string& keyName);
// The service's current state (ServiceState) now, on the machine's clock.
bool queryServiceStatus(ScHandle service, uint32_t& currentState);
// Sends a control; journalled.  Only SERVICE_CONTROL_STOP is known
// (others: ERR_INVALID_SERVICE_CONTROL).  Refused for a stopped service
// (ERR_SERVICE_NOT_ACTIVE) and one that does not accept a stop
// (ERR_SERVICE_CANNOT_ACCEPT_CTRL).  An accepted stop starts the service's
// scripted course; currentState is the state right after the request.
bool controlService(ScHandle service, uint32_t control, uint32_t& currentState);
// Removes the service from the manager's database, and from nothing else
// (its registry key stays); journalled.  Refused as services.ini scripts it.
bool deleteService(ScHandle service);
bool closeServiceHandle(ScHandle handle);

}  // namespace win

// ------------------------------------------- shell links and boot-time moves
namespace win {

// A shell link (IShellLinkA's path, description and working directory),
// saved as a real shell-link file (the documented binary format).
struct ShellLink {
    std::string target;
    std::string description;
    std::string workingDirectory;
};
// IPersistFile::Save: writes or overwrites the file; fails when its directory
// is missing or the file cannot be written (a refuse-write fault, a
// write-protected drive).  Journalled "link save path=... target=...".
bool saveShellLink(const std::string& path, const ShellLink& link);
// Reads a link file written by saveShellLink (for tests and checks).
std::optional<ShellLink> loadShellLink(const std::string& path);

constexpr uint32_t MOVEFILE_REPLACE_EXISTING = 0x1;
constexpr uint32_t MOVEFILE_DELAY_UNTIL_REBOOT = 0x4;
// MoveFileExA with MOVEFILE_DELAY_UNTIL_REBOOT: records a pending move and
// moves nothing now.  Refused on 9x (ERR_CALL_NOT_IMPLEMENTED) and for an NT
// user without full access to HKEY_LOCAL_MACHINE (ERR_ACCESS_DENIED); any
// other flags are ERR_INVALID_PARAMETER.  Journalled "boot move ...".
bool moveFileOnReboot(const std::string& from, const std::string& to, uint32_t flags);
struct PendingMove {
    std::string from;
    std::string to;
    uint32_t flags = 0;
};
// The pending moves in the order they were recorded (the machine folder's
// bootmoves.txt).
std::vector<PendingMove> pendingBootMoves();

}  // namespace win

// ------------------------------------- libraries, fonts and broadcasts
namespace win {

// Libraries.  On the host a library is a shared object, loaded for real, so
// its exports run.  A load journals nothing; a failed load with bit 0 of the
// error mode clear journals the system's critical-error box.
enum class LibraryHandle : uintptr_t { None = 0 };
// None with ERR_MOD_NOT_FOUND (no such file) or ERR_BAD_EXE_FORMAT (no
// library).
LibraryHandle loadLibrary(const std::string& path);
// Calls the export as a function without arguments returning a 32-bit
// result code (an HRESULT); false with ERR_INVALID_PARAMETER (no such
// export, nothing called).  The call is journalled with its result.
bool callLibraryExport(LibraryHandle library, const std::string& name, int32_t& result);
bool freeLibrary(LibraryHandle library);

// Fonts, kept by the machine as the journal records them.  A font file is a
// TrueType file (scalable) or a bitmap font file (".FON", an "MZ" program).
// Writes the scalable font resource fontResource (".FOT") for a TrueType
// file; fails with ERR_FILE_EXISTS when fontResource exists and with
// ERR_INVALID_DATA for a file that is no TrueType font.  currentPath is
// where the resource names the font file to be (a directory).
bool createScalableFontResource(uint32_t hidden, const std::string& fontResource, const std::string& fontFile,
                                const std::string& currentPath);
// The number of fonts added from the file (0 when it is no font file);
// journalled.
int addFontResource(const std::string& fontFile);

// Broadcasts to all top-level windows, journalled with their text.
constexpr uint32_t WM_WININICHANGE = 0x001A;
constexpr uint32_t WM_FONTCHANGE = 0x001D;
constexpr uint32_t SMTO_ABORTIFHUNG = 0x0002;
// Posted without waiting (SendNotifyMessage to HWND_BROADCAST, no text).
bool broadcastNotify(uint32_t message);
// Sent and waited for, each window at most timeoutMs (SendMessageTimeout to
// HWND_BROADCAST with a text as lParam).
bool broadcastWithTimeout(uint32_t message, const std::string& text, uint32_t flags, uint32_t timeoutMs);

}  // namespace win
