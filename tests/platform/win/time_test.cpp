// File times: local time by the machine's bias, DOS date and time, the
// virtual clock.
#include "Machine.h"
#include "MachineFixture.h"
#include "Win.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using testsupport::MachineTest;

class WinTimes : public MachineTest {};

constexpr win::FileTime kMinute = 600'000'000ull;

win::FileTime at(int year, int month, int day, int hour, int minute, int second, int ms = 0) {
    win::SystemTime st;
    st.year = year;
    st.month = month;
    st.day = day;
    st.hour = hour;
    st.minute = minute;
    st.second = second;
    st.milliseconds = ms;
    win::FileTime t = 0;
    EXPECT_TRUE(win::systemTimeToFileTime(st, t));
    return t;
}

struct DosCase {
    int bias;        // minutes, UTC = local + bias
    win::FileTime utc;
    uint16_t date, time;
};

TEST_F(WinTimes, DosDateTimeOfAFileTimeGoesThroughLocalTime) {
    const DosCase cases[] = {
        // 2024-03-05 14:03:07 local is 13:03:07 UTC at bias -60; seconds to even
        {-60, at(2024, 3, 5, 13, 3, 7), (44 << 9) | (3 << 5) | 5, (14 << 11) | (3 << 5) | 3},
        {0, at(2024, 3, 5, 13, 3, 7), (44 << 9) | (3 << 5) | 5, (13 << 11) | (3 << 5) | 3},
        {120, at(2024, 3, 6, 1, 0, 0), (44 << 9) | (3 << 5) | 5, (23 << 11)},  // back over midnight
        {0, at(1980, 1, 1, 0, 0, 0), (1 << 5) | 1, 0},
        {0, at(2107, 12, 31, 23, 59, 59), (127 << 9) | (12 << 5) | 31, (23 << 11) | (59 << 5) | 29},
    };
    for (const DosCase& c : cases) {
        setMachineIni("[Machine]\nTimeBias=" + std::to_string(c.bias) + "\n");
        uint16_t date = 0, time = 0;
        ASSERT_TRUE(win::fileTimeToDosDateTime(win::fileTimeToLocal(c.utc), date, time)) << c.bias;
        EXPECT_EQ(date, c.date) << c.bias;
        EXPECT_EQ(time, c.time) << c.bias;

        win::FileTime local = 0;
        ASSERT_TRUE(win::dosDateTimeToFileTime(date, time, local));
        const win::FileTime back = win::localToFileTime(local);
        EXPECT_LE(c.utc - back, 2 * 10'000'000ull) << "the same instant, to the 2 s step";
    }
}

TEST_F(WinTimes, InvalidDosDatesAndYearsFail) {
    win::FileTime t = 0;
    const std::pair<uint16_t, uint16_t> invalid[] = {
        {0, 0},                                   // month 0, day 0
        {(44 << 9) | (2 << 5) | 30, 0},           // 30 February
        {(44 << 9) | (13 << 5) | 1, 0},           // month 13
        {(44 << 9) | (1 << 5) | 1, 24 << 11},     // hour 24
        {(44 << 9) | (1 << 5) | 1, 60 << 5},      // minute 60
    };
    for (const auto& [date, time] : invalid) EXPECT_FALSE(win::dosDateTimeToFileTime(date, time, t)) << date << " " << time;
    EXPECT_TRUE(win::dosDateTimeToFileTime((44 << 9) | (2 << 5) | 29, 0, t)) << "2024 is a leap year";

    uint16_t date = 0, time = 0;
    EXPECT_FALSE(win::fileTimeToDosDateTime(at(1979, 12, 31, 23, 59, 59), date, time));
    EXPECT_FALSE(win::fileTimeToDosDateTime(at(2108, 1, 1, 0, 0, 0), date, time));
}

TEST_F(WinTimes, SystemTimeRoundTrip) {
    const win::FileTime t = at(2024, 2, 29, 23, 59, 58, 999) + 1234;  // below a millisecond as well
    win::SystemTime st;
    ASSERT_TRUE(win::fileTimeToSystemTime(t, st));
    EXPECT_EQ(st.year, 2024);
    EXPECT_EQ(st.month, 2);
    EXPECT_EQ(st.day, 29);
    EXPECT_EQ(st.hour, 23);
    EXPECT_EQ(st.minute, 59);
    EXPECT_EQ(st.second, 58);
    EXPECT_EQ(st.milliseconds, 999);
    EXPECT_EQ(at(1601, 1, 1, 0, 0, 0), 0u);
    EXPECT_EQ(at(1970, 1, 1, 0, 0, 0), 116444736000000000ull);
}

TEST_F(WinTimes, LastWriteTimeIsTheHostTimeInUtc) {
    setMachineIni("[Machine]\nTimeBias=-60\n");
    testsupport::writeHostFile(driveC() + "/F.TXT", "x");
    const win::FileTime utc = at(2024, 3, 5, 13, 3, 6);
    ASSERT_TRUE(win::setLastWriteTime("C:\\F.TXT", utc));
    win::FileTime read = 0;
    ASSERT_TRUE(win::getLastWriteTime("C:\\F.TXT", read));
    EXPECT_EQ(read, utc);
    EXPECT_EQ(win::fileTimeToLocal(read), utc + 60 * kMinute);
}

TEST_F(WinTimes, TheVirtualClockAdvancesOnlyBySleeps) {
    setMachineIni("[Machine]\nClockStart=2024-12-31 23:59:59\nTickStart=1000\n");
    EXPECT_EQ(win::tickCount(), 1000u);
    const win::SystemTime start = win::localTime();
    EXPECT_EQ(start.year, 2024);
    EXPECT_EQ(start.second, 59);

    win::sleep(1500);
    win::sleep(30000);
    EXPECT_EQ(win::tickCount(), 32500u);
    const win::SystemTime later = win::localTime();
    EXPECT_EQ(later.year, 2025);
    EXPECT_EQ(later.minute, 0);
    EXPECT_EQ(later.second, 30);
    EXPECT_EQ(later.milliseconds, 500);
    win::messageBeep();
    EXPECT_EQ(testsupport::readHostFile(machineDir + "/journal.log"), "0001 sleep 1500\n0002 sleep 30000\n0003 beep\n");
    EXPECT_EQ(win::nextSequenceNumber(), 4u) << "the transcript draws from the same counter";
}

}  // namespace
