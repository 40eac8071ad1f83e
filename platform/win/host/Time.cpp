// File times, local time with the machine's bias, DOS date and time.
#include "Host.h"

#include <cstdio>

namespace win::host {
namespace {

constexpr int64_t kTicksPerSecond = 10'000'000;
constexpr int64_t kTicksPerMinute = 60 * kTicksPerSecond;
constexpr int64_t kTicksPerDay = 86'400 * kTicksPerSecond;
constexpr int64_t kUnixEpoch = 116'444'736'000'000'000;  // 1970-01-01 in file time
constexpr int64_t kDaysFrom1601To1970 = 134'774;

// Days since 1970-01-01 of a civil date, and back (proleptic Gregorian).
int64_t daysFromCivil(int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void civilFromDays(int64_t z, int& year, int& month, int& day) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(static_cast<int64_t>(yoe) + era * 400 + (month <= 2));
}

bool isLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int daysInMonth(int y, int m) {
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && isLeap(y) ? 29 : kDays[m - 1];
}

int64_t biasTicks() { return Ini::now().number("Machine", "TimeBias", 0) * kTicksPerMinute; }

}  // namespace

FileTime hostTimeToFileTime(int64_t seconds, int64_t nanoseconds) {
    return static_cast<FileTime>(seconds * kTicksPerSecond + nanoseconds / 100 + kUnixEpoch);
}

void fileTimeToHostTime(FileTime t, int64_t& seconds, int64_t& nanoseconds) {
    const int64_t ticks = static_cast<int64_t>(t) - kUnixEpoch;
    seconds = ticks / kTicksPerSecond;
    int64_t rest = ticks % kTicksPerSecond;
    if (rest < 0) {
        rest += kTicksPerSecond;
        --seconds;
    }
    nanoseconds = rest * 100;
}

std::optional<FileTime> parseLocalTime(const std::string& text) {
    SystemTime st;
    char tail = 0;
    if (std::sscanf(text.c_str(), "%d-%d-%d %d:%d:%d%c", &st.year, &st.month, &st.day, &st.hour, &st.minute,
                    &st.second, &tail) != 6)
        return std::nullopt;
    FileTime t = 0;
    if (!systemTimeToFileTime(st, t)) return std::nullopt;
    return t;
}

}  // namespace win::host

namespace win {

FileTime fileTimeToLocal(FileTime utc) { return static_cast<FileTime>(static_cast<int64_t>(utc) - host::biasTicks()); }
FileTime localToFileTime(FileTime local) { return static_cast<FileTime>(static_cast<int64_t>(local) + host::biasTicks()); }

bool fileTimeToSystemTime(FileTime t, SystemTime& st) {
    if (t >= 0x8000000000000000ull) return host::fail(ERR_INVALID_PARAMETER);
    const int64_t ticks = static_cast<int64_t>(t);
    const int64_t days = ticks / host::kTicksPerDay;
    const int64_t inDay = ticks % host::kTicksPerDay;
    host::civilFromDays(days - host::kDaysFrom1601To1970, st.year, st.month, st.day);
    st.hour = static_cast<int>(inDay / (3600 * host::kTicksPerSecond));
    st.minute = static_cast<int>(inDay / host::kTicksPerMinute % 60);
    st.second = static_cast<int>(inDay / host::kTicksPerSecond % 60);
    st.milliseconds = static_cast<int>(inDay / 10'000 % 1000);
    return true;
}

bool systemTimeToFileTime(const SystemTime& st, FileTime& t) {
    const bool valid = st.year >= 1601 && st.year <= 30827 && st.month >= 1 && st.month <= 12 && st.day >= 1 &&
                       st.day <= host::daysInMonth(st.year, st.month) && st.hour >= 0 && st.hour < 24 &&
                       st.minute >= 0 && st.minute < 60 && st.second >= 0 && st.second < 60 &&
                       st.milliseconds >= 0 && st.milliseconds < 1000;
    if (!valid) return host::fail(ERR_INVALID_PARAMETER);
    const int64_t days = host::daysFromCivil(st.year, static_cast<unsigned>(st.month), static_cast<unsigned>(st.day)) +
                         host::kDaysFrom1601To1970;
    const int64_t seconds = days * 86'400 + st.hour * 3600 + st.minute * 60 + st.second;
    t = static_cast<FileTime>(seconds * host::kTicksPerSecond + st.milliseconds * 10'000);
    return true;
}

bool fileTimeToDosDateTime(FileTime local, uint16_t& date, uint16_t& time) {
    SystemTime st;
    if (!fileTimeToSystemTime(local, st)) return false;
    if (st.year < 1980 || st.year > 2107) return host::fail(ERR_INVALID_PARAMETER);
    date = static_cast<uint16_t>((st.year - 1980) << 9 | st.month << 5 | st.day);
    time = static_cast<uint16_t>(st.hour << 11 | st.minute << 5 | st.second / 2);
    return true;
}

bool dosDateTimeToFileTime(uint16_t date, uint16_t time, FileTime& local) {
    SystemTime st;
    st.year = 1980 + (date >> 9);
    st.month = (date >> 5) & 0x0F;
    st.day = date & 0x1F;
    st.hour = time >> 11;
    st.minute = (time >> 5) & 0x3F;
    st.second = (time & 0x1F) * 2;
    return systemTimeToFileTime(st, local);
}

}  // namespace win
