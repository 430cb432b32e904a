// Calendar arithmetic on local times and the time-zone interface the date tools convert through.
#pragma once
#include <cstdint>
#include <optional>
#include <vector>

#include "app/core/change_log.h"

namespace tolm {

// Seconds since 1601-01-01 00:00:00 of a proleptic Gregorian calendar without leap seconds; the
// same count serves local times and UTC instants, the zone tells them apart.
constexpr int64_t kSecondsPerDay = 86400;
constexpr uint16_t kFirstYear = 1601; // the platform's time records hold nothing earlier
constexpr uint16_t kLastYear = 30827; // ... nor anything later

// Days from 1601-01-01 to the given date of the proleptic Gregorian calendar (month 1 to 12).
constexpr int64_t daysSince1601(int64_t year, int64_t month, int64_t day) {
  const int64_t y = month <= 2 ? year - 1 : year;
  const int64_t era = y / 400; // years from 1600 on are never negative here
  const int64_t yearOfEra = y - era * 400;
  const int64_t dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
  const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 584694; // 584694: 1601-01-01 counted from 0000-03-01
}
// 30827-12-31 23:59:59, the last second a time record can hold.
constexpr int64_t kLastSecond = daysSince1601(kLastYear + 1, 1, 1) * kSecondsPerDay - 1;

// True when the record names a real date and time of day from 1601 to 30827 (day of week and
// milliseconds are not looked at; milliseconds must be below 1000).
bool isValidTime(const SystemTime &time);
// The record's second count, or nothing when it is not a valid time.
std::optional<int64_t> toSeconds(const SystemTime &time);
// The record of a second count from 0 to kLastSecond (with its day of week), or nothing.
std::optional<SystemTime> fromSeconds(int64_t seconds, uint16_t milliseconds = 0);
// Days of the month, 0 for a month outside 1 to 12.
int daysInMonth(int year, int month);
// Year, month and day as equal: the second-level identity the change log records.
bool sameSecond(const SystemTime &a, const SystemTime &b);

// How a local time of a zone relates to the zone's clock changes.
enum class ZoneMark {
  kNone,    // the local time names exactly one instant
  kGap,     // the clocks jumped over it: no instant has this local time
  kOverlap, // the clocks went back over it: two instants have this local time
};

struct ZoneInstant {
  int64_t utc = 0;
  ZoneMark mark = ZoneMark::kNone;
};

// A time zone's rules. The Windows layer implements it with the system zone; tests with fixed
// and daylight-saving tables. Both directions never fail for second counts of the valid range.
class TimeZone {
public:
  virtual ~TimeZone() = default;
  // The instant of a local time. In an overlap the earlier instant is given; in a gap the local
  // time is read with the offset in force before the gap, so the instant lies after the jump.
  virtual ZoneInstant localToUtc(int64_t localSeconds) const = 0;
  virtual int64_t utcToLocal(int64_t utcSeconds) const = 0;
};

// A zone given by its offsets (local minus UTC, in seconds): the first holds before the first
// change, each change sets a new offset from its instant on. Changes must be sorted by instant.
class OffsetTableZone : public TimeZone {
public:
  struct Change {
    int64_t utcStart;
    int32_t offset;
  };
  explicit OffsetTableZone(int32_t firstOffset, std::vector<Change> changes = {});
  ZoneInstant localToUtc(int64_t localSeconds) const override;
  int64_t utcToLocal(int64_t utcSeconds) const override;

private:
  int32_t m_firstOffset;
  std::vector<Change> m_changes;
};

// Where a local time stands in the zone (what a write of it through the platform will meet).
ZoneMark zoneMarkOf(const SystemTime &local, const TimeZone &zone);

// The signed sum of the four parts in seconds, or nothing when it is wider than the whole
// calendar (no time can be shifted by it).
std::optional<int64_t> shiftSeconds(int64_t days, int64_t hours, int64_t minutes, int64_t seconds);

struct ShiftResult {
  bool ok = false; // false: the time is not valid, or the result would leave 1601 to 30827
  SystemTime time;
  ZoneMark mark = ZoneMark::kNone;
};
// A local time moved by an amount of elapsed seconds: converted to its instant, moved, and
// converted back, so that the zone's clock changes between the two are respected. The
// milliseconds are kept; the result is marked when it lies in an overlap of the zone.
ShiftResult shiftLocalTime(const SystemTime &local, int64_t deltaSeconds, const TimeZone &zone);

} // namespace tolm
