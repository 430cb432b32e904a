// Calendar arithmetic on local times and the table-driven time zone.
#include "app/core/calendar_time.h"

#include <utility>

namespace tolm {
namespace {

bool isLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

} // namespace

int daysInMonth(int year, int month) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12)
    return 0;
  return month == 2 && isLeapYear(year) ? 29 : kDays[month - 1];
}

bool isValidTime(const SystemTime &t) {
  return t.year >= kFirstYear && t.year <= kLastYear && t.month >= 1 && t.month <= 12 &&
         t.day >= 1 && t.day <= daysInMonth(t.year, t.month) && t.hour < 24 && t.minute < 60 &&
         t.second < 60 && t.milliseconds < 1000;
}

std::optional<int64_t> toSeconds(const SystemTime &t) {
  if (!isValidTime(t))
    return std::nullopt;
  return daysSince1601(t.year, t.month, t.day) * kSecondsPerDay + t.hour * 3600 + t.minute * 60 +
         t.second;
}

std::optional<SystemTime> fromSeconds(int64_t seconds, uint16_t milliseconds) {
  if (seconds < 0 || seconds > kLastSecond || milliseconds >= 1000)
    return std::nullopt;
  const int64_t days = seconds / kSecondsPerDay;
  const int64_t rest = seconds % kSecondsPerDay;
  // The inverse of daysSince1601, counted from 0000-03-01 in eras of 400 years.
  const int64_t z = days + 584694;
  const int64_t era = z / 146097;
  const int64_t dayOfEra = z - era * 146097;
  const int64_t yearOfEra =
      (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const int64_t mp = (5 * dayOfYear + 2) / 153;
  const int64_t day = dayOfYear - (153 * mp + 2) / 5 + 1;
  const int64_t month = mp < 10 ? mp + 3 : mp - 9;
  const int64_t year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
  SystemTime t;
  t.year = static_cast<uint16_t>(year);
  t.month = static_cast<uint16_t>(month);
  t.day = static_cast<uint16_t>(day);
  t.dayOfWeek = static_cast<uint16_t>((days + 1) % 7); // 1601-01-01 was a Monday (1)
  t.hour = static_cast<uint16_t>(rest / 3600);
  t.minute = static_cast<uint16_t>(rest / 60 % 60);
  t.second = static_cast<uint16_t>(rest % 60);
  t.milliseconds = milliseconds;
  return t;
}

bool sameSecond(const SystemTime &a, const SystemTime &b) {
  return a.year == b.year && a.month == b.month && a.day == b.day && a.hour == b.hour &&
         a.minute == b.minute && a.second == b.second;
}

OffsetTableZone::OffsetTableZone(int32_t firstOffset, std::vector<Change> changes)
    : m_firstOffset(firstOffset), m_changes(std::move(changes)) {}

int64_t OffsetTableZone::utcToLocal(int64_t utcSeconds) const {
  int32_t offset = m_firstOffset;
  for (const Change &change : m_changes) {
    if (utcSeconds < change.utcStart)
      break;
    offset = change.offset;
  }
  return utcSeconds + offset;
}

ZoneInstant OffsetTableZone::localToUtc(int64_t localSeconds) const {
  // Each span of one offset contributes the instant local - offset when that instant lies in
  // the span: none means a gap, two an overlap.
  int found = 0;
  int64_t earliest = 0;
  int32_t previous = m_firstOffset;
  for (size_t i = 0; i <= m_changes.size(); ++i) {
    const int32_t offset = i == 0 ? m_firstOffset : m_changes[i - 1].offset;
    const int64_t utc = localSeconds - offset;
    const bool afterStart = i == 0 || utc >= m_changes[i - 1].utcStart;
    const bool beforeEnd = i == m_changes.size() || utc < m_changes[i].utcStart;
    if (afterStart && beforeEnd) {
      if (found == 0 || utc < earliest)
        earliest = utc;
      ++found;
    }
    // A gap lies at the change whose local start, read with the old and the new offset,
    // brackets the time.
    if (i > 0 && found == 0) {
      const int64_t start = m_changes[i - 1].utcStart;
      if (localSeconds >= start + previous && localSeconds < start + offset)
        return {localSeconds - previous, ZoneMark::kGap};
    }
    previous = offset;
  }
  if (found == 0) // unreachable for sorted tables; read with the first offset
    return {localSeconds - m_firstOffset, ZoneMark::kGap};
  return {earliest, found > 1 ? ZoneMark::kOverlap : ZoneMark::kNone};
}

ZoneMark zoneMarkOf(const SystemTime &local, const TimeZone &zone) {
  const std::optional<int64_t> seconds = toSeconds(local);
  if (!seconds)
    return ZoneMark::kNone;
  return zone.localToUtc(*seconds).mark;
}

std::optional<int64_t> shiftSeconds(int64_t days, int64_t hours, int64_t minutes, int64_t seconds) {
  // Each part is checked before it is multiplied, so the sum cannot overflow.
  constexpr int64_t kSpan = kLastSecond + 1;
  auto within = [](int64_t value, int64_t unit) {
    return value >= -kSpan / unit && value <= kSpan / unit;
  };
  if (!within(days, kSecondsPerDay) || !within(hours, 3600) || !within(minutes, 60) ||
      !within(seconds, 1))
    return std::nullopt;
  const int64_t total = days * kSecondsPerDay + hours * 3600 + minutes * 60 + seconds;
  if (total < -kSpan || total > kSpan)
    return std::nullopt;
  return total;
}

ShiftResult shiftLocalTime(const SystemTime &local, int64_t deltaSeconds, const TimeZone &zone) {
  ShiftResult result;
  const std::optional<int64_t> seconds = toSeconds(local);
  constexpr int64_t kSpan = kLastSecond + 1;
  if (!seconds || deltaSeconds < -kSpan || deltaSeconds > kSpan)
    return result;
  const int64_t utc = zone.localToUtc(*seconds).utc + deltaSeconds;
  const std::optional<SystemTime> moved = fromSeconds(zone.utcToLocal(utc), local.milliseconds);
  if (!moved)
    return result;
  result.ok = true;
  result.time = *moved;
  result.mark = zoneMarkOf(result.time, zone);
  return result;
}

} // namespace tolm
