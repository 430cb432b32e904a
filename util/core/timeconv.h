// Local/UTC conversions of time records, and the calendar the library's interface keeps.
#pragma once
#include <cstdint>

namespace kel {

// Same layout as the platform's SYSTEMTIME.
struct SysTime {
  uint16_t year;
  uint16_t month;     // 1-12
  uint16_t dayOfWeek; // 0 = Sunday
  uint16_t day;
  uint16_t hour;
  uint16_t minute;
  uint16_t second;
  uint16_t milliseconds;
};

// True when every field lies in the calendar (the day checked against its month,
// leap years included). Day of week is not examined.
bool isValidTime(const SysTime &t);

// Local calendar seconds of a record through mktime with daylight saving decided by the
// runtime; a year below 1900 gives 0 (the epoch). False for a record outside the calendar
// or a time the runtime cannot represent (before the epoch, past its last date).
bool localSeconds(const SysTime &t, int64_t &seconds);

// The calendar every set keeps: UTC from 1970-01-01 00:00:00 to 3000-12-31 23:59:59, the range
// of the Windows C runtime's 64-bit calendar, which callers have always been held to.
inline constexpr int64_t kLastCalendarSecond = 32535215999; // 3000-12-31 23:59:59 UTC

// Seconds since 1970-01-01 00:00:00 of a record read as UTC (negative before it); the record
// must be valid. And back: false, with out unchanged, outside the calendar above. Day of week
// is filled, milliseconds are left as they were.
int64_t utcSeconds(const SysTime &t);
bool fromUtcSeconds(int64_t seconds, SysTime &out);

// A zone's local time to UTC, year to millisecond; false when the zone cannot convert it.
using ZoneToUtc = bool (*)(const SysTime &local, SysTime &utc);

// Local time to UTC in place by the rules of zoneToUtc (the system's zone: a TZ variable that the
// C runtime would read must not matter). A year below 1900 stands for the calendar's first
// second; a result outside the calendar, a record outside it or a failed conversion gives -1
// with the record unchanged. Milliseconds are kept. 0 or -1.
int localToUtc(SysTime &t, ZoneToUtc zoneToUtc);

// The conversions used where the platform offers no time-zone-aware API: the bias is the
// zone's bias in minutes (UTC = local + bias), applied in whole hours (bias / 60 truncated
// toward zero). Milliseconds become 0. 0 or -1; on -1 the record is unchanged.
int utcToLocalByBias(SysTime &t, int32_t biasMinutes);
int localToUtcByBias(SysTime &t, int32_t biasMinutes);

} // namespace kel
