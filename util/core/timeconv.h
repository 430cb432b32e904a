// Local/UTC conversions of time records through the C runtime's calendar.
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

// Local time to UTC in place: year to second replaced, milliseconds kept. 0 or -1.
int localToUtc(SysTime &t);

// The conversions used where the platform offers no time-zone-aware API: the bias is the
// zone's bias in minutes (UTC = local + bias), applied in whole hours (bias / 60 truncated
// toward zero). Milliseconds become 0. 0 or -1; on -1 the record is unchanged.
int utcToLocalByBias(SysTime &t, int32_t biasMinutes);
int localToUtcByBias(SysTime &t, int32_t biasMinutes);

} // namespace kel
