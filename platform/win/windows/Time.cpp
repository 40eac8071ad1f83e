// File times and their local and MS-DOS forms.  Local time is the system's
// time zone with the bias in force now, as FileTimeToLocalFileTime has it.
#include "Native.h"

namespace win {
namespace native {

FILETIME toFiletime(FileTime time) {
    FILETIME filetime;
    filetime.dwLowDateTime = static_cast<DWORD>(time);
    filetime.dwHighDateTime = static_cast<DWORD>(time >> 32);
    return filetime;
}

FileTime fromFiletime(const FILETIME& time) {
    return static_cast<FileTime>(time.dwHighDateTime) << 32 | time.dwLowDateTime;
}

}  // namespace native

FileTime fileTimeToLocal(FileTime utc) {
    const FILETIME in = native::toFiletime(utc);
    FILETIME out;
    return FileTimeToLocalFileTime(&in, &out) ? native::fromFiletime(out) : utc;
}

FileTime localToFileTime(FileTime local) {
    const FILETIME in = native::toFiletime(local);
    FILETIME out;
    return LocalFileTimeToFileTime(&in, &out) ? native::fromFiletime(out) : local;
}

bool fileTimeToSystemTime(FileTime t, SystemTime& st) {
    const FILETIME in = native::toFiletime(t);
    SYSTEMTIME out;
    if (!FileTimeToSystemTime(&in, &out)) return false;
    st = {out.wYear, out.wMonth, out.wDay, out.wHour, out.wMinute, out.wSecond, out.wMilliseconds};
    return true;
}

bool systemTimeToFileTime(const SystemTime& st, FileTime& t) {
    SYSTEMTIME in{};
    in.wYear = static_cast<WORD>(st.year);
    in.wMonth = static_cast<WORD>(st.month);
    in.wDay = static_cast<WORD>(st.day);
    in.wHour = static_cast<WORD>(st.hour);
    in.wMinute = static_cast<WORD>(st.minute);
    in.wSecond = static_cast<WORD>(st.second);
    in.wMilliseconds = static_cast<WORD>(st.milliseconds);
    FILETIME out;
    if (!SystemTimeToFileTime(&in, &out)) return false;
    t = native::fromFiletime(out);
    return true;
}

// Packed here rather than by FileTimeToDosDateTime: Wine folds a year past
// 2107 into the seven year bits where Windows fails.
bool fileTimeToDosDateTime(FileTime local, uint16_t& date, uint16_t& time) {
    SystemTime st;
    if (!fileTimeToSystemTime(local, st)) return false;
    if (st.year < 1980 || st.year > 2107) return native::fail(ERR_INVALID_PARAMETER);
    date = static_cast<uint16_t>((st.year - 1980) << 9 | st.month << 5 | st.day);
    time = static_cast<uint16_t>(st.hour << 11 | st.minute << 5 | st.second / 2);
    return true;
}

bool dosDateTimeToFileTime(uint16_t date, uint16_t time, FileTime& local) {
    FILETIME out{};
    if (!DosDateTimeToFileTime(date, time, &out)) return native::fail(ERR_INVALID_PARAMETER);
    local = native::fromFiletime(out);
    return true;
}

}  // namespace win
