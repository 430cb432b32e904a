// Local/UTC conversions of time records, and the calendar the library's interface keeps.
#include "util/core/timeconv.h"

#include <ctime>

namespace kel {
namespace {

bool isLeap(unsigned y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

unsigned daysInMonth(unsigned y, unsigned m) {
  static const unsigned kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && isLeap(y) ? 29 : kDays[m - 1];
}

// Fields from calendar seconds; the runtime's own limits decide what it can represent.
bool fromSeconds(int64_t seconds, bool utc, SysTime &out) {
  if (seconds < 0)
    return false;
  const std::time_t tt = static_cast<std::time_t>(seconds);
  std::tm fields{};
#ifdef _WIN32
  if ((utc ? gmtime_s(&fields, &tt) : localtime_s(&fields, &tt)) != 0)
    return false;
#else
  if ((utc ? gmtime_r(&tt, &fields) : localtime_r(&tt, &fields)) == nullptr)
    return false;
#endif
  if (fields.tm_year + 1900 > 30827) // beyond what a time record holds
    return false;
  out.year = static_cast<uint16_t>(fields.tm_year + 1900);
  out.month = static_cast<uint16_t>(fields.tm_mon + 1);
  out.dayOfWeek = static_cast<uint16_t>(fields.tm_wday);
  out.day = static_cast<uint16_t>(fields.tm_mday);
  out.hour = static_cast<uint16_t>(fields.tm_hour);
  out.minute = static_cast<uint16_t>(fields.tm_min);
  out.second = static_cast<uint16_t>(fields.tm_sec);
  return true;
}

int shiftThroughLocalCalendar(SysTime &t, int64_t deltaSeconds) {
  int64_t seconds = 0;
  if (!localSeconds(t, seconds))
    return -1;
  SysTime result = t;
  if (!fromSeconds(seconds + deltaSeconds, false, result))
    return -1;
  result.milliseconds = 0;
  t = result;
  return 0;
}

int64_t wholeHoursOfBias(int32_t biasMinutes) {
  return static_cast<int64_t>(biasMinutes / 60) * 3600; // truncated toward zero
}

} // namespace

bool isValidTime(const SysTime &t) {
  if (t.month < 1 || t.month > 12 || t.day < 1)
    return false;
  if (t.day > daysInMonth(t.year, t.month))
    return false;
  return t.hour < 24 && t.minute < 60 && t.second < 60 && t.milliseconds < 1000;
}

bool localSeconds(const SysTime &t, int64_t &seconds) {
  if (!isValidTime(t))
    return false;
  if (t.year < 1900) {
    seconds = 0;
    return true;
  }
  std::tm fields{};
  fields.tm_year = t.year - 1900;
  fields.tm_mon = t.month - 1;
  fields.tm_mday = t.day;
  fields.tm_hour = t.hour;
  fields.tm_min = t.minute;
  fields.tm_sec = t.second;
  fields.tm_isdst = -1;
  const std::time_t result = std::mktime(&fields);
  // -1 is also one second before the epoch; either way it is outside what we accept.
  if (result == static_cast<std::time_t>(-1) || result < 0)
    return false;
  seconds = static_cast<int64_t>(result);
  return true;
}

namespace {
// Days since 1970-01-01 of a proleptic Gregorian date, and back (H. Hinnant's civil algorithms).
int64_t daysFromCivil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int64_t>(doe) - 719468;
}
} // namespace

int64_t utcSeconds(const SysTime &t) {
  return daysFromCivil(t.year, t.month, t.day) * 86400 + t.hour * 3600 + t.minute * 60 + t.second;
}

bool fromUtcSeconds(int64_t seconds, SysTime &out) {
  if (seconds < 0 || seconds > kLastCalendarSecond)
    return false;
  const int64_t days = seconds / 86400;
  const int64_t rest = seconds % 86400;
  const int64_t z = days + 719468;
  const int64_t era = z / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  const unsigned d = doy - (153 * mp + 2) / 5 + 1;
  const unsigned m = mp < 10 ? mp + 3 : mp - 9;
  out.year = static_cast<uint16_t>(static_cast<int64_t>(yoe) + era * 400 + (m <= 2));
  out.month = static_cast<uint16_t>(m);
  out.day = static_cast<uint16_t>(d);
  out.dayOfWeek = static_cast<uint16_t>((days + 4) % 7); // 1970-01-01 was a Thursday
  out.hour = static_cast<uint16_t>(rest / 3600);
  out.minute = static_cast<uint16_t>(rest / 60 % 60);
  out.second = static_cast<uint16_t>(rest % 60);
  return true;
}

int localToUtc(SysTime &t, ZoneToUtc zoneToUtc) {
  if (!isValidTime(t))
    return -1;
  SysTime result = t;
  if (t.year < 1900) {
    fromUtcSeconds(0, result);
  } else {
    SysTime utc{};
    if (zoneToUtc == nullptr || !zoneToUtc(t, utc) || !isValidTime(utc) ||
        !fromUtcSeconds(utcSeconds(utc), result))
      return -1;
  }
  result.milliseconds = t.milliseconds;
  t = result;
  return 0;
}

int utcToLocalByBias(SysTime &t, int32_t biasMinutes) {
  return shiftThroughLocalCalendar(t, -wholeHoursOfBias(biasMinutes));
}

int localToUtcByBias(SysTime &t, int32_t biasMinutes) {
  return shiftThroughLocalCalendar(t, wholeHoursOfBias(biasMinutes));
}

} // namespace kel
