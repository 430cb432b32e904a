// Local/UTC conversions of time records through the C runtime's calendar.
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

int localToUtc(SysTime &t) {
  int64_t seconds = 0;
  if (!localSeconds(t, seconds))
    return -1;
  SysTime result = t;
  if (!fromSeconds(seconds, true, result))
    return -1;
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
