// The runtime library's exceptions and its string, conversion, path, file,
// directory and date utilities, as the programs use them.
//
// Strings are Windows-1252 bytes; positions given to and returned by Copy and
// Pos count from 1.  File and directory functions go through the Windows
// operations layer (platform/win).
#pragma once

#include "Win.h"

#include <concepts>
#include <cstdint>
#include <exception>
#include <string>
#include <vector>

// ---------------------------------------------------------------- exceptions
class Exception : public std::exception {
public:
    explicit Exception(std::string message) : m_sMessage(std::move(message)) {}
    const std::string& Message() const { return m_sMessage; }
    const char* what() const noexcept override { return m_sMessage.c_str(); }

private:
    std::string m_sMessage;
};

// Each family keeps the base's constructor: the raising code gives the text.
class EConvertError : public Exception { public: using Exception::Exception; };
class EStringListError : public Exception { public: using Exception::Exception; };
class EFOpenError : public Exception { public: using Exception::Exception; };      // "Cannot open file %s"
class EFCreateError : public Exception { public: using Exception::Exception; };    // "Cannot create file %s"
class ERegistryException : public Exception { public: using Exception::Exception; };
class EIniFileException : public Exception { public: using Exception::Exception; };  // "Unable to write to %s"

// ------------------------------------------------------------------- strings
// Decimal, no separators; unsigned values print unsigned ("4294967295").
template <std::integral T>
std::string IntToStr(T value) {
    return std::to_string(value);
}
// Optional blanks, optional sign, decimal digits or a hexadecimal prefix
// ("$", "0x", "x", either case) with hex digits, nothing after; 32 bits
// (hexadecimal taken as its bit pattern).  Raises EConvertError
// "'<text>' is not a valid integer value".
int StrToInt(const std::string& s);
int StrToIntDef(const std::string& s, int defaultValue);

// Removes characters with codes 0 to 32 at both ends.
std::string Trim(const std::string& s);
// Windows-1252 upper-casing (a-z, à-þ except ÷, and š, œ, ž, ÿ).
std::string UpperCase(const std::string& s);
// The user locale's comparison without case (the order of sorted string
// lists): < 0, 0 or > 0.
int AnsiCompareText(const std::string& a, const std::string& b);
bool SameText(const std::string& a, const std::string& b);
// count characters from the 1-based index; "" past the end.
std::string Copy(const std::string& s, int index, int count);
// 1-based position of sub in s, 0 when absent (also for an empty sub).
int Pos(const std::string& sub, const std::string& s);

// --------------------------------------------------------------------- paths
// "\", ":" and, for host paths, "/" end a directory part.
std::string ExtractFilePath(const std::string& fileName);  // up to the last delimiter, included
std::string ExtractFileName(const std::string& fileName);  // after the last delimiter
std::string ExtractFileExt(const std::string& fileName);   // ".EXT", "" when none
std::string ChangeFileExt(const std::string& fileName, const std::string& extension);
// The full path (against the named drive's current directory); the path
// itself when it cannot be converted.
std::string ExpandFileName(const std::string& fileName);

// ------------------------------------------------------- files, directories
constexpr int faReadOnly = 0x01;
constexpr int faHidden = 0x02;
constexpr int faSysFile = 0x04;
constexpr int faVolumeID = 0x08;
constexpr int faDirectory = 0x10;
constexpr int faArchive = 0x20;
constexpr int faAnyFile = 0x3F;

bool FileExists(const std::string& fileName);  // false for a directory
bool DirectoryExists(const std::string& directory);
// Creates every missing level; false when that fails.
bool ForceDirectories(const std::string& directory);
bool CreateDir(const std::string& directory);
bool RemoveDir(const std::string& directory);
bool DeleteFile(const std::string& fileName);
bool RenameFile(const std::string& oldName, const std::string& newName);
int FileSetAttr(const std::string& fileName, int attributes);  // 0 or the error code

struct TSearchRec {
    int Time = 0;       // local DOS date (high word) and time (low word)
    uint32_t Size = 0;  // low 32 bits
    int Attr = 0;
    std::string Name;

    // Search state, kept by FindFirst/FindNext.
    int ExcludeAttr = 0;
    std::vector<win::FindData> Found;
    std::size_t Next = 0;
};
// Entries matching the mask, in the layer's order.  Hidden, system, volume
// and directory entries only when the attribute mask has their bit (so 39
// skips directories, faAnyFile includes "." and "..").  0 on success, else
// an error code.
int FindFirst(const std::string& path, int attr, TSearchRec& f);
int FindNext(TSearchRec& f);
void FindClose(TSearchRec& f);

std::string GetCurrentDir();
bool SetCurrentDir(const std::string& directory);

// ---------------------------------------------------------------- date, time
// Days since 1899-12-30; the fraction is the time of day.
using TDateTime = double;
// Raise EConvertError for an impossible date or time.
TDateTime EncodeDate(int year, int month, int day);
TDateTime EncodeTime(int hour, int minute, int second, int milliseconds);
void DecodeDate(TDateTime value, int& year, int& month, int& day);
void DecodeTime(TDateTime value, int& hour, int& minute, int& second, int& milliseconds);
TDateTime Now();  // the machine's local clock
// "dd.mm.yyyy hh:nn:ss"; the date alone at exactly midnight.
std::string DateTimeToStr(TDateTime value);
// Patterns of d, dd, m, mm, yy, yyyy, h, hh, n, nn, s, ss ("m" right after an
// hour is the minute); "/" gives the date separator ".", anything else
// (":", the time separator, too) is literal.
std::string FormatDateTime(const std::string& format, TDateTime value);

void Beep();
