// Win32 times. Calendar arithmetic is done here (no time zone data needed);
// only the local-time offset asks the host.
#include <sys/time.h>

#include <ctime>

#include "errors.h"
#include "zelcompat/wintime.h"

namespace {

constexpr LONGLONG kTicksPerSecond = 10000000LL;
constexpr LONGLONG kEpochDifference = 11644473600LL;  // seconds from 1601 to 1970

LONGLONG Ticks(const FILETIME* ft) {
    return static_cast<LONGLONG>((static_cast<ULONGLONG>(ft->dwHighDateTime) << 32) | ft->dwLowDateTime);
}

FILETIME FromTicks(LONGLONG ticks) {
    FILETIME ft;
    ft.dwLowDateTime = static_cast<DWORD>(static_cast<ULONGLONG>(ticks) & 0xffffffffu);
    ft.dwHighDateTime = static_cast<DWORD>(static_cast<ULONGLONG>(ticks) >> 32);
    return ft;
}

// Days since 1970-01-01 of a civil date, and back (proleptic Gregorian).
LONGLONG DaysFromCivil(LONGLONG y, unsigned m, unsigned d) {
    y -= m <= 2;
    LONGLONG era = (y >= 0 ? y : y - 399) / 400;
    unsigned yoe = static_cast<unsigned>(y - era * 400);
    unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<LONGLONG>(doe) - 719468;
}

void CivilFromDays(LONGLONG z, LONGLONG& y, unsigned& m, unsigned& d) {
    z += 719468;
    LONGLONG era = (z >= 0 ? z : z - 146096) / 146097;
    unsigned doe = static_cast<unsigned>(z - era * 146097);
    unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    y = static_cast<LONGLONG>(yoe) + era * 400;
    unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y += m <= 2;
}

// Offset of local time from UTC, in seconds, at a given UTC instant.
long LocalOffset(time_t when) {
    struct tm local;
    if (!localtime_r(&when, &local)) return 0;
    return local.tm_gmtoff;
}

SYSTEMTIME FromUnix(const struct timespec& ts, bool local) {
    FILETIME ft = FromTicks((static_cast<LONGLONG>(ts.tv_sec) + kEpochDifference) * kTicksPerSecond + ts.tv_nsec / 100);
    if (local) {
        FILETIME lt;
        FileTimeToLocalFileTime(&ft, &lt);
        ft = lt;
    }
    SYSTEMTIME st{};
    FileTimeToSystemTime(&ft, &st);
    return st;
}

}  // namespace

BOOL FileTimeToSystemTime(const FILETIME* fileTime, LPSYSTEMTIME st) {
    if (!fileTime || !st) return zel::Fail(ERROR_INVALID_PARAMETER, FALSE);
    LONGLONG ticks = Ticks(fileTime);
    if (ticks < 0) return zel::Fail(ERROR_INVALID_PARAMETER, FALSE);
    LONGLONG seconds = ticks / kTicksPerSecond - kEpochDifference;
    LONGLONG days = seconds >= 0 ? seconds / 86400 : (seconds - 86399) / 86400;
    LONGLONG rest = seconds - days * 86400;
    LONGLONG year;
    unsigned month, day;
    CivilFromDays(days, year, month, day);
    if (year > 30827) return zel::Fail(ERROR_INVALID_PARAMETER, FALSE);
    st->wYear = static_cast<WORD>(year);
    st->wMonth = static_cast<WORD>(month);
    st->wDay = static_cast<WORD>(day);
    st->wDayOfWeek = static_cast<WORD>(((days % 7) + 11) % 7);  // 1970-01-01 was a Thursday
    st->wHour = static_cast<WORD>(rest / 3600);
    st->wMinute = static_cast<WORD>((rest / 60) % 60);
    st->wSecond = static_cast<WORD>(rest % 60);
    st->wMilliseconds = static_cast<WORD>((ticks / 10000) % 1000);
    return TRUE;
}

BOOL SystemTimeToFileTime(const SYSTEMTIME* st, LPFILETIME fileTime) {
    if (!st || !fileTime) return zel::Fail(ERROR_INVALID_PARAMETER, FALSE);
    static const unsigned kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (st->wYear < 1601 || st->wYear > 30827 || st->wMonth < 1 || st->wMonth > 12 || st->wDay < 1 ||
        st->wDay > kDays[st->wMonth - 1] || st->wHour > 23 || st->wMinute > 59 || st->wSecond > 59 ||
        st->wMilliseconds > 999) {
        return zel::Fail(ERROR_INVALID_PARAMETER, FALSE);
    }
    bool leap = (st->wYear % 4 == 0 && st->wYear % 100 != 0) || st->wYear % 400 == 0;
    if (st->wMonth == 2 && st->wDay == 29 && !leap) return zel::Fail(ERROR_INVALID_PARAMETER, FALSE);
    LONGLONG days = DaysFromCivil(st->wYear, st->wMonth, st->wDay);
    LONGLONG seconds = days * 86400 + st->wHour * 3600 + st->wMinute * 60 + st->wSecond + kEpochDifference;
    *fileTime = FromTicks(seconds * kTicksPerSecond + st->wMilliseconds * 10000LL);
    return TRUE;
}

BOOL FileTimeToLocalFileTime(const FILETIME* fileTime, LPFILETIME localFileTime) {
    if (!fileTime || !localFileTime) return zel::Fail(ERROR_INVALID_PARAMETER, FALSE);
    LONGLONG ticks = Ticks(fileTime);
    time_t when = static_cast<time_t>(ticks / kTicksPerSecond - kEpochDifference);
    *localFileTime = FromTicks(ticks + LocalOffset(when) * kTicksPerSecond);
    return TRUE;
}

BOOL LocalFileTimeToFileTime(const FILETIME* localFileTime, LPFILETIME fileTime) {
    if (!localFileTime || !fileTime) return zel::Fail(ERROR_INVALID_PARAMETER, FALSE);
    LONGLONG ticks = Ticks(localFileTime);
    time_t guess = static_cast<time_t>(ticks / kTicksPerSecond - kEpochDifference);
    *fileTime = FromTicks(ticks - LocalOffset(guess - LocalOffset(guess)) * kTicksPerSecond);
    return TRUE;
}

void GetSystemTime(LPSYSTEMTIME st) {
    struct timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    *st = FromUnix(now, false);
}

void GetLocalTime(LPSYSTEMTIME st) {
    struct timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    *st = FromUnix(now, true);
}

void GetSystemTimeAsFileTime(LPFILETIME fileTime) {
    struct timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    *fileTime = FromTicks((static_cast<LONGLONG>(now.tv_sec) + kEpochDifference) * kTicksPerSecond + now.tv_nsec / 100);
}

LONG CompareFileTime(const FILETIME* a, const FILETIME* b) {
    LONGLONG x = Ticks(a), y = Ticks(b);
    return x < y ? -1 : x > y ? 1 : 0;
}
