// Tests of the calendar arithmetic, the table zone and the shift across months, leap days and clock
// changes.
#include "app/core/calendar_time.h"

#include <gtest/gtest.h>

#include "tests/app/core/memory_log_sink.h"

namespace tolm {
namespace {

using testing::at;

int64_t secondsOf(const SystemTime &t) { return *toSeconds(t); }

// A zone at +1 h that moves to +2 h on 2025-03-30 01:00 UTC and back on 2025-10-26 01:00 UTC.
OffsetTableZone summerZone() {
  const int64_t spring = secondsOf(at(2025, 3, 30, 1, 0, 0));
  const int64_t autumn = secondsOf(at(2025, 10, 26, 1, 0, 0));
  return OffsetTableZone(3600, {{spring, 7200}, {autumn, 3600}});
}

TEST(Calendar, SecondsRoundTripAndKnownDays) {
  EXPECT_EQ(secondsOf(at(1601, 1, 1, 0, 0, 0)), 0);
  EXPECT_EQ(secondsOf(at(1970, 1, 1, 0, 0, 0)), 11644473600LL) << "the platform's epoch distance";
  EXPECT_EQ(fromSeconds(kLastSecond)->year, 30827);
  EXPECT_EQ(fromSeconds(kLastSecond)->day, 31);
  EXPECT_FALSE(fromSeconds(kLastSecond + 1));
  EXPECT_FALSE(fromSeconds(-1));
  EXPECT_EQ(fromSeconds(secondsOf(at(2024, 2, 29, 0, 0, 0)))->dayOfWeek, 4) << "a Thursday";
  for (int64_t s :
       {int64_t{0}, int64_t{86399}, secondsOf(at(2000, 2, 29, 23, 59, 59)), kLastSecond})
    EXPECT_EQ(secondsOf(*fromSeconds(s)), s);
}

TEST(Calendar, RefusesTimesOutsideTheCalendar) {
  EXPECT_FALSE(isValidTime(at(1600, 12, 31, 23, 59, 59)));
  EXPECT_FALSE(isValidTime(at(30828, 1, 1, 0, 0, 0)));
  EXPECT_FALSE(isValidTime(at(2023, 2, 29, 0, 0, 0))) << "not a leap year";
  EXPECT_TRUE(isValidTime(at(2000, 2, 29, 0, 0, 0)));
  EXPECT_FALSE(isValidTime(at(1900, 2, 29, 0, 0, 0)));
  EXPECT_FALSE(isValidTime(at(2024, 4, 31, 0, 0, 0)));
  EXPECT_FALSE(isValidTime(at(2024, 1, 1, 24, 0, 0)));
  EXPECT_FALSE(isValidTime(SystemTime{}));
}

TEST(TableZone, FindsGapsAndOverlapsAtTheChanges) {
  const OffsetTableZone zone = summerZone();
  // 02:30 local on the spring day does not exist; it is read with the winter offset.
  const ZoneInstant gap = zone.localToUtc(secondsOf(at(2025, 3, 30, 2, 30, 0)));
  EXPECT_EQ(gap.mark, ZoneMark::kGap);
  EXPECT_EQ(gap.utc, secondsOf(at(2025, 3, 30, 1, 30, 0)));
  // 02:30 local on the autumn day happens twice; the earlier instant is the summer one.
  const ZoneInstant twice = zone.localToUtc(secondsOf(at(2025, 10, 26, 2, 30, 0)));
  EXPECT_EQ(twice.mark, ZoneMark::kOverlap);
  EXPECT_EQ(twice.utc, secondsOf(at(2025, 10, 26, 0, 30, 0)));
  EXPECT_EQ(zone.localToUtc(secondsOf(at(2025, 3, 30, 3, 0, 0))).mark, ZoneMark::kNone)
      << "first summer second";
  EXPECT_EQ(zone.localToUtc(secondsOf(at(2025, 10, 26, 3, 0, 0))).mark, ZoneMark::kNone);
  EXPECT_EQ(zone.localToUtc(secondsOf(at(2025, 7, 1, 12, 0, 0))).utc,
            secondsOf(at(2025, 7, 1, 10, 0, 0)));
}

TEST(ShiftAmount, SumsSignedPartsAndRefusesAmountsWiderThanTheCalendar) {
  EXPECT_EQ(shiftSeconds(1, -2, 3, -4), 86400 - 7200 + 180 - 4);
  EXPECT_EQ(shiftSeconds(0, -9, 0, 0), -32400);
  EXPECT_FALSE(shiftSeconds(INT64_MAX, 0, 0, 0)) << "must not overflow";
  EXPECT_FALSE(shiftSeconds(0, 0, 0, INT64_MIN));
  EXPECT_FALSE(shiftSeconds(12'000'000, 0, 0, 0));
}

TEST(Shift, CrossesMonthYearAndLeapDays) {
  const OffsetTableZone tokyo(9 * 3600);
  struct Case {
    SystemTime from;
    int64_t delta;
    SystemTime to;
  } cases[] = {
      {at(2024, 1, 31, 12, 0, 0), 86400, at(2024, 2, 1, 12, 0, 0)},
      {at(2024, 2, 28, 23, 0, 0), 3600 * 2, at(2024, 2, 29, 1, 0, 0)},
      {at(2023, 2, 28, 23, 0, 0), 3600 * 2, at(2023, 3, 1, 1, 0, 0)},
      {at(2024, 12, 31, 23, 59, 59), 1, at(2025, 1, 1, 0, 0, 0)},
      {at(2025, 1, 1, 8, 0, 0), -9 * 3600, at(2024, 12, 31, 23, 0, 0)},
      {at(2024, 3, 1, 0, 0, 0), -86400, at(2024, 2, 29, 0, 0, 0)},
      {at(2000, 2, 29, 0, 0, 0), 366 * 86400, at(2001, 3, 1, 0, 0, 0)},
  };
  for (const Case &c : cases) {
    const ShiftResult r = shiftLocalTime(c.from, c.delta, tokyo);
    ASSERT_TRUE(r.ok);
    EXPECT_TRUE(sameSecond(r.time, c.to))
        << c.from.year << "/" << c.from.month << "/" << c.from.day << " + " << c.delta;
    EXPECT_EQ(r.mark, ZoneMark::kNone);
  }
}

TEST(Shift, KeepsMillisecondsAndRefusesTheCalendarsEdges) {
  const OffsetTableZone utc(0);
  SystemTime t = at(2024, 5, 5, 5, 5, 5);
  t.milliseconds = 321;
  EXPECT_EQ(shiftLocalTime(t, 60, utc).time.milliseconds, 321);
  EXPECT_FALSE(shiftLocalTime(at(1601, 1, 1, 0, 0, 0), -1, utc).ok);
  EXPECT_FALSE(shiftLocalTime(at(30827, 12, 31, 23, 59, 59), 1, utc).ok);
  EXPECT_FALSE(shiftLocalTime(at(2024, 2, 30, 0, 0, 0), 1, utc).ok)
      << "an impossible date is no base";
}

TEST(Shift, ElapsedTimeAcrossAClockChangeMovesTheLocalClockByMore) {
  const OffsetTableZone zone = summerZone();
  // One elapsed hour from 01:30 winter time lands at 03:30 summer time.
  ShiftResult r = shiftLocalTime(at(2025, 3, 30, 1, 30, 0), 3600, zone);
  ASSERT_TRUE(r.ok);
  EXPECT_TRUE(sameSecond(r.time, at(2025, 3, 30, 3, 30, 0)));
  EXPECT_EQ(r.mark, ZoneMark::kNone);
  // A day later by the clock in summer is a day of elapsed time.
  r = shiftLocalTime(at(2025, 7, 1, 12, 0, 0), 86400, zone);
  EXPECT_TRUE(sameSecond(r.time, at(2025, 7, 2, 12, 0, 0)));
  // Landing in the autumn overlap is marked: the platform may read it as either instant.
  r = shiftLocalTime(at(2025, 10, 26, 0, 30, 0), 7200, zone);
  EXPECT_TRUE(sameSecond(r.time, at(2025, 10, 26, 2, 30, 0)));
  EXPECT_EQ(r.mark, ZoneMark::kOverlap);
}

} // namespace
} // namespace tolm
