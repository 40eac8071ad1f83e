#include "SysUtils.h"

#include "Dialogs.h"

#include "Text1252.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <compare>
#include <optional>

// ------------------------------------------------------------------- strings
namespace {

// The digit's value in base 10 or 16, -1 when it is none.
int digitValue(char c, unsigned base) {
    if (c >= '0' && c <= '9') return c - '0';
    if (base == 16 && c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (base == 16 && c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Length of a hexadecimal prefix at position i ("$", "0x", "x"), 0 if none.
std::size_t hexPrefixLength(const std::string& s, std::size_t i) {
    if (i < s.size() && (s[i] == '$' || s[i] == 'x' || s[i] == 'X')) return 1;
    if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) return 2;
    return 0;
}

std::optional<int> parseInteger(const std::string& s) {
    std::size_t i = s.find_first_not_of(' ');
    if (i == std::string::npos) return std::nullopt;
    bool negative = false;
    if (s[i] == '+' || s[i] == '-') negative = s[i++] == '-';
    const std::size_t prefix = hexPrefixLength(s, i);
    const unsigned base = prefix ? 16 : 10;
    i += prefix;
    if (i == s.size()) return std::nullopt;
    // Decimal may reach 2^31 only as a negative number; hexadecimal is a bit
    // pattern and may use all 32 bits.
    const uint64_t limit = prefix ? 0xFFFFFFFFull : (negative ? 0x80000000ull : 0x7FFFFFFFull);
    uint64_t value = 0;
    for (; i < s.size(); ++i) {
        const int digit = digitValue(s[i], base);
        if (digit < 0) return std::nullopt;
        value = value * base + static_cast<unsigned>(digit);
        if (value > limit) return std::nullopt;
    }
    const uint32_t pattern = static_cast<uint32_t>(negative ? 0u - value : value);
    return static_cast<int>(pattern);
}

}  // namespace

int StrToInt(const std::string& s) {
    if (const auto value = parseInteger(s)) return *value;
    throw EConvertError("'" + s + "' is not a valid integer value");
}

int StrToIntDef(const std::string& s, int defaultValue) {
    return parseInteger(s).value_or(defaultValue);
}

std::string Trim(const std::string& s) {
    auto blank = [](char c) { return static_cast<unsigned char>(c) <= 32; };
    const auto first = std::find_if_not(s.begin(), s.end(), blank);
    const auto last = std::find_if_not(s.rbegin(), std::string::const_reverse_iterator(first), blank);
    return std::string(first, last.base());
}

std::string UpperCase(const std::string& s) {
    return win::text::upper(s);
}

// The comparison of sorted lists, after the user locale's word sort:
// level 1 compares classes (symbols by byte < digits < letters by base
// letter) with hyphens, apostrophes and control characters left out; level 2
// the diacritics; level 3 the left-out characters.  Case never counts, so two
// strings are equal exactly when they are equal after upper-casing.
namespace {

enum Accent : uint8_t { Plain, Acute, Grave, Circumflex, Diaeresis, Tilde, Ring, Cedilla, Caron, Stroke, Ligature };

struct Letter {
    char base1;  // upper-case base letter
    char base2;  // second letter of ß, Æ, Œ, else 0
    Accent accent;
};

// Letters outside A-Z, by upper-case code.
std::optional<Letter> accentedLetter(unsigned char upper) {
    static constexpr Accent accentsAO[] = {Grave, Acute, Circumflex, Tilde, Diaeresis, Ring};
    static constexpr Accent accentsEIU[] = {Grave, Acute, Circumflex, Diaeresis};
    if (upper >= 0xC0 && upper <= 0xC5) return Letter{'A', 0, accentsAO[upper - 0xC0]};
    if (upper >= 0xC8 && upper <= 0xCB) return Letter{'E', 0, accentsEIU[upper - 0xC8]};
    if (upper >= 0xCC && upper <= 0xCF) return Letter{'I', 0, accentsEIU[upper - 0xCC]};
    if (upper >= 0xD2 && upper <= 0xD6) return Letter{'O', 0, accentsAO[upper - 0xD2]};
    if (upper >= 0xD9 && upper <= 0xDC) return Letter{'U', 0, accentsEIU[upper - 0xD9]};
    switch (upper) {
        case 0x8A: return Letter{'S', 0, Caron};
        case 0x8C: return Letter{'O', 'E', Ligature};
        case 0x8E: return Letter{'Z', 0, Caron};
        case 0x9F: return Letter{'Y', 0, Diaeresis};
        case 0x83: return Letter{'F', 0, Stroke};  // ƒ
        case 0xC6: return Letter{'A', 'E', Ligature};
        case 0xC7: return Letter{'C', 0, Cedilla};
        case 0xD0: return Letter{'D', 0, Stroke};
        case 0xD1: return Letter{'N', 0, Tilde};
        case 0xD8: return Letter{'O', 0, Stroke};
        case 0xDD: return Letter{'Y', 0, Acute};
        case 0xDE: return Letter{'[', 0, Plain};  // þ: a letter of its own after Z
        case 0xDF: return Letter{'S', 'S', Ligature};
        default: return std::nullopt;
    }
}

struct CollationKey {
    std::vector<uint16_t> primary;           // class << 8 | weight
    std::vector<uint8_t> secondary;          // accent per primary element
    std::vector<std::pair<std::size_t, unsigned char>> ignored;  // position, character

    auto operator<=>(const CollationKey& other) const {
        if (auto c = primary <=> other.primary; c != 0) return c;
        if (auto c = secondary <=> other.secondary; c != 0) return c;
        if (auto c = ignored.size() <=> other.ignored.size(); c != 0) return c;
        return ignored <=> other.ignored;
    }
};

constexpr uint16_t kSymbol = 1 << 8, kDigit = 2 << 8, kLetter = 3 << 8;

CollationKey collationKey(const std::string& s) {
    CollationKey key;
    auto addLetter = [&key](char base, Accent accent) {
        key.primary.push_back(kLetter | static_cast<unsigned char>(base));
        key.secondary.push_back(accent);
    };
    for (std::size_t i = 0; i < s.size(); ++i) {
        const unsigned char c = win::text::upper(static_cast<unsigned char>(s[i]));
        if (c < 32 || c == 127 || c == '-' || c == '\'') {
            key.ignored.emplace_back(i, c);
        } else if (c >= '0' && c <= '9') {
            key.primary.push_back(kDigit | c);
            key.secondary.push_back(Plain);
        } else if (c >= 'A' && c <= 'Z') {
            addLetter(static_cast<char>(c), Plain);
        } else if (const auto letter = accentedLetter(c)) {
            addLetter(letter->base1, letter->accent);
            if (letter->base2) addLetter(letter->base2, letter->accent);
        } else {
            key.primary.push_back(kSymbol | c);
            key.secondary.push_back(Plain);
        }
    }
    return key;
}

}  // namespace

int AnsiCompareText(const std::string& a, const std::string& b) {
    const auto order = collationKey(a) <=> collationKey(b);
    return order < 0 ? -1 : (order > 0 ? 1 : 0);
}

bool SameText(const std::string& a, const std::string& b) {
    return AnsiCompareText(a, b) == 0;
}

std::string Copy(const std::string& s, int index, int count) {
    const int start = std::max(index, 1) - 1;
    if (count <= 0 || start >= static_cast<int>(s.size())) return "";
    return s.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(count));
}

int Pos(const std::string& sub, const std::string& s) {
    if (sub.empty()) return 0;
    const std::size_t at = s.find(sub);
    return at == std::string::npos ? 0 : static_cast<int>(at) + 1;
}

// --------------------------------------------------------------------- paths
namespace {

constexpr const char* kPathDelimiters = "\\:/";
constexpr const char* kDirDelimiters = "\\/";

std::size_t directoryPartLength(const std::string& fileName) {
    const std::size_t last = fileName.find_last_of(kPathDelimiters);
    return last == std::string::npos ? 0 : last + 1;
}

// Position of the extension's dot, npos when the name has none.
std::size_t extensionStart(const std::string& fileName) {
    const std::size_t dot = fileName.find_last_of('.');
    if (dot == std::string::npos || dot < directoryPartLength(fileName)) return std::string::npos;
    return dot;
}

std::string excludeTrailingDelimiter(const std::string& directory) {
    if (!directory.empty() && std::string(kDirDelimiters).find(directory.back()) != std::string::npos)
        return directory.substr(0, directory.size() - 1);
    return directory;
}

}  // namespace

std::string ExtractFilePath(const std::string& fileName) {
    return fileName.substr(0, directoryPartLength(fileName));
}

std::string ExtractFileName(const std::string& fileName) {
    return fileName.substr(directoryPartLength(fileName));
}

std::string ExtractFileExt(const std::string& fileName) {
    const std::size_t dot = extensionStart(fileName);
    return dot == std::string::npos ? "" : fileName.substr(dot);
}

std::string ChangeFileExt(const std::string& fileName, const std::string& extension) {
    return fileName.substr(0, extensionStart(fileName)) + extension;
}

std::string ExpandFileName(const std::string& fileName) {
    return win::fullPathName(fileName).value_or(fileName);
}

// ------------------------------------------------------- files, directories
bool FileExists(const std::string& fileName) {
    return win::fileExists(fileName);
}

bool DirectoryExists(const std::string& directory) {
    return win::directoryExists(directory);
}

bool ForceDirectories(const std::string& directory) {
    if (directory.empty()) return false;
    if (DirectoryExists(directory)) return true;
    const std::string dir = excludeTrailingDelimiter(directory);
    const std::string parent = ExtractFilePath(dir);
    // A root or drive that is not there leaves nothing to create.
    if (dir.empty() || parent == dir) return false;
    if (!parent.empty() && !ForceDirectories(parent)) return false;
    return CreateDir(dir);
}

bool CreateDir(const std::string& directory) {
    return win::createDirectory(directory);
}

bool RemoveDir(const std::string& directory) {
    return win::removeDirectory(directory);
}

bool DeleteFile(const std::string& fileName) {
    return win::deleteFile(fileName);
}

bool RenameFile(const std::string& oldName, const std::string& newName) {
    return win::moveFile(oldName, newName);
}

int FileSetAttr(const std::string& fileName, int attributes) {
    if (win::setFileAttributes(fileName, static_cast<uint32_t>(attributes))) return 0;
    return static_cast<int>(win::lastError());
}

namespace {

constexpr int kNoMoreFiles = 18;  // ERROR_NO_MORE_FILES
constexpr int kSpecialAttributes = faHidden | faSysFile | faVolumeID | faDirectory;

int localDosDateTime(win::FileTime utc) {
    uint16_t date = 0, time = 0;
    if (!win::fileTimeToDosDateTime(win::fileTimeToLocal(utc), date, time)) return 0;
    return static_cast<int>(static_cast<uint32_t>(date) << 16 | time);
}

// Moves to the next entry the attribute mask lets through and fills the record.
int findMatching(TSearchRec& f) {
    while (f.Next < f.Found.size()) {
        const win::FindData& data = f.Found[f.Next++];
        if (static_cast<int>(data.attributes) & f.ExcludeAttr) continue;
        f.Name = data.name;
        f.Attr = static_cast<int>(data.attributes);
        f.Size = static_cast<uint32_t>(data.size);
        f.Time = localDosDateTime(data.lastWrite);
        return 0;
    }
    return kNoMoreFiles;
}

}  // namespace

int FindFirst(const std::string& path, int attr, TSearchRec& f) {
    f = TSearchRec{};
    f.ExcludeAttr = ~attr & kSpecialAttributes;
    f.Found = win::findFiles(path);
    if (f.Found.empty()) {
        const uint32_t error = win::lastError();
        return static_cast<int>(error ? error : win::ERR_FILE_NOT_FOUND);
    }
    return findMatching(f);
}

int FindNext(TSearchRec& f) {
    return findMatching(f);
}

void FindClose(TSearchRec& f) {
    f.Found.clear();
    f.Next = 0;
}

std::string GetCurrentDir() {
    return win::currentDirectory();
}

bool SetCurrentDir(const std::string& directory) {
    return win::setCurrentDirectory(directory);
}

// ---------------------------------------------------------------- date, time
namespace {

constexpr int64_t kMSecsPerDay = 86400000;

// The class library counts days from 1899-12-30, Windows file times in
// 100 ns steps from 1601-01-01; the calendar is the layer's.
constexpr int64_t kFileTimeDay = 864000000000;
constexpr int64_t kDaysFrom1601To1899 = 109205;

// Whole days and milliseconds of the day.
std::pair<int64_t, int64_t> splitDateTime(TDateTime value) {
    const int64_t ms = std::llround(value * kMSecsPerDay);
    const int64_t days = ms >= 0 ? ms / kMSecsPerDay : -((-ms + kMSecsPerDay - 1) / kMSecsPerDay);
    return {days, ms - days * kMSecsPerDay};
}

std::string twoDigits(int value) {
    return std::string{static_cast<char>('0' + value / 10 % 10), static_cast<char>('0' + value % 10)};
}

}  // namespace

TDateTime EncodeDate(int year, int month, int day) {
    win::SystemTime date;
    date.year = year;
    date.month = month;
    date.day = day;
    win::FileTime time = 0;
    if (year > 9999 || !win::systemTimeToFileTime(date, time)) throw EConvertError("Invalid argument to date encode");
    return static_cast<TDateTime>(static_cast<int64_t>(time / kFileTimeDay) - kDaysFrom1601To1899);
}

TDateTime EncodeTime(int hour, int minute, int second, int milliseconds) {
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 || milliseconds < 0 ||
        milliseconds > 999)
        throw EConvertError("Invalid argument to time encode");
    const int64_t ms = ((hour * 60 + minute) * 60 + second) * 1000LL + milliseconds;
    return static_cast<TDateTime>(ms) / kMSecsPerDay;
}

void DecodeDate(TDateTime value, int& year, int& month, int& day) {
    const int64_t days = splitDateTime(value).first + kDaysFrom1601To1899;
    win::SystemTime date;
    win::fileTimeToSystemTime(static_cast<win::FileTime>(std::max<int64_t>(days, 0)) * kFileTimeDay, date);
    year = date.year;
    month = date.month;
    day = date.day;
}

void DecodeTime(TDateTime value, int& hour, int& minute, int& second, int& milliseconds) {
    const int64_t ms = splitDateTime(value).second;
    hour = static_cast<int>(ms / 3600000);
    minute = static_cast<int>(ms / 60000 % 60);
    second = static_cast<int>(ms / 1000 % 60);
    milliseconds = static_cast<int>(ms % 1000);
}

TDateTime Now() {
    const win::SystemTime t = win::localTime();
    return EncodeDate(t.year, t.month, t.day) + EncodeTime(t.hour, t.minute, t.second, t.milliseconds);
}

std::string DateTimeToStr(TDateTime value) {
    if (splitDateTime(value).second == 0) return FormatDateTime("dd/mm/yyyy", value);
    return FormatDateTime("dd/mm/yyyy hh:nn:ss", value);
}

std::string FormatDateTime(const std::string& format, TDateTime value) {
    int year, month, day, hour, minute, second, ms;
    DecodeDate(value, year, month, day);
    DecodeTime(value, hour, minute, second, ms);
    auto number = [](int v, std::size_t run) { return run >= 2 ? twoDigits(v) : std::to_string(v); };
    std::string out;
    bool afterHour = false;
    for (std::size_t i = 0; i < format.size();) {
        const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(format[i])));
        std::size_t run = 1;
        while (i + run < format.size() && std::tolower(static_cast<unsigned char>(format[i + run])) == c) ++run;
        switch (c) {
            case 'd': out += number(day, run); break;
            case 'm': out += number(afterHour ? minute : month, run); break;
            case 'y': out += run <= 2 ? twoDigits(year % 100) : std::to_string(year); break;
            case 'h': out += number(hour, run); break;
            case 'n': out += number(minute, run); break;
            case 's': out += number(second, run); break;
            case '/': out += std::string(run, '.'); break;  // the German date separator
            default: out += format.substr(i, run); break;
        }
        if (c == 'h') afterHour = true;
        else if (std::isalpha(static_cast<unsigned char>(c))) afterHour = false;
        i += run;
    }
    return out;
}

void Beep() { MessageBeep(0); }
