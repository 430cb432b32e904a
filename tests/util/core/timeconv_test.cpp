// Tests of the local/UTC conversions of time records.
#include "util/core/timeconv.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

namespace kel {
namespace {

SysTime at(int y, int mo, int d, int h, int mi, int s, int ms = 0) {
  SysTime t{};
  t.year = static_cast<uint16_t>(y);
  t.month = static_cast<uint16_t>(mo);
  t.day = static_cast<uint16_t>(d);
  t.hour = static_cast<uint16_t>(h);
  t.minute = static_cast<uint16_t>(mi);
  t.second = static_cast<uint16_t>(s);
  t.milliseconds = static_cast<uint16_t>(ms);
  return t;
}

void expectTime(const SysTime &t, int y, int mo, int d, int h, int mi, int s) {
  EXPECT_EQ(t.year, y);
  EXPECT_EQ(t.month, mo);
  EXPECT_EQ(t.day, d);
  EXPECT_EQ(t.hour, h);
  EXPECT_EQ(t.minute, mi);
  EXPECT_EQ(t.second, s);
}

TEST(TimeRecord, KnowsTheCalendar) {
  EXPECT_TRUE(isValidTime(at(2024, 2, 29, 23, 59, 59, 999)));
  EXPECT_FALSE(isValidTime(at(2023, 2, 29, 0, 0, 0)));
  EXPECT_TRUE(isValidTime(at(2000, 2, 29, 0, 0, 0)));
  EXPECT_FALSE(isValidTime(at(1900, 2, 29, 0, 0, 0)));
  EXPECT_FALSE(isValidTime(at(2024, 4, 31, 0, 0, 0)));
  EXPECT_FALSE(isValidTime(at(2024, 0, 1, 0, 0, 0)));
  EXPECT_FALSE(isValidTime(at(2024, 13, 1, 0, 0, 0)));
  EXPECT_FALSE(isValidTime(at(2024, 1, 0, 0, 0, 0)));
  EXPECT_FALSE(isValidTime(at(2024, 1, 1, 24, 0, 0)));
  EXPECT_FALSE(isValidTime(at(2024, 1, 1, 0, 60, 0)));
  EXPECT_FALSE(isValidTime(at(2024, 1, 1, 0, 0, 60)));
  EXPECT_FALSE(isValidTime(at(2024, 1, 1, 0, 0, 0, 1000)));
}

// Fixed zones for the local-to-UTC rules; the real zones are the system's, tested under Wine.
bool east9(const SysTime &local, SysTime &utc) {
  SysTime r = local;
  if (!fromUtcSeconds(utcSeconds(local) - 9 * 3600, r))
    return false;
  utc = r;
  return true;
}
bool west5(const SysTime &local, SysTime &utc) {
  SysTime r = local;
  if (!fromUtcSeconds(utcSeconds(local) + 5 * 3600, r))
    return false;
  utc = r;
  return true;
}
bool broken(const SysTime &, SysTime &) { return false; }

TEST(Calendar, SecondsAndFieldsAgreeAtKnownPoints) {
  EXPECT_EQ(utcSeconds(at(1970, 1, 1, 0, 0, 0)), 0);
  EXPECT_EQ(utcSeconds(at(1969, 12, 31, 23, 59, 59)), -1);
  EXPECT_EQ(utcSeconds(at(2000, 3, 1, 0, 0, 0)), 951868800);
  EXPECT_EQ(utcSeconds(at(2038, 1, 19, 3, 14, 8)), 2147483648LL);
  EXPECT_EQ(utcSeconds(at(3000, 12, 31, 23, 59, 59)), kLastCalendarSecond);
  SysTime t{};
  ASSERT_TRUE(fromUtcSeconds(951868799, t)); // the day before is the leap day
  expectTime(t, 2000, 2, 29, 23, 59, 59);
  EXPECT_EQ(t.dayOfWeek, 2); // Tuesday
  ASSERT_TRUE(fromUtcSeconds(kLastCalendarSecond, t));
  expectTime(t, 3000, 12, 31, 23, 59, 59);
  const SysTime before = t;
  EXPECT_FALSE(fromUtcSeconds(kLastCalendarSecond + 1, t));
  EXPECT_FALSE(fromUtcSeconds(-1, t));
  EXPECT_EQ(0, std::memcmp(&t, &before, sizeof t));
  for (int64_t s = 0; s < kLastCalendarSecond; s += 86400 * 97 + 3671) {
    ASSERT_TRUE(fromUtcSeconds(s, t));
    ASSERT_EQ(utcSeconds(t), s);
  }
}

TEST(LocalToUtc, FollowsTheZoneGivenAndKeepsMilliseconds) {
  SysTime t = at(2024, 1, 1, 8, 30, 0, 250);
  ASSERT_EQ(localToUtc(t, east9), 0);
  expectTime(t, 2023, 12, 31, 23, 30, 0);
  EXPECT_EQ(t.milliseconds, 250);
  SysTime w = at(2024, 12, 31, 22, 0, 0);
  ASSERT_EQ(localToUtc(w, west5), 0);
  expectTime(w, 2025, 1, 1, 3, 0, 0);
}

TEST(LocalToUtc, RefusesWhatTheCalendarCannotHoldAndChangesNothing) {
  // The zone converts anything; the calendar's edges are the library's own.
  const ZoneToUtc utcZone = [](const SysTime &local, SysTime &utc) {
    utc = local;
    return true;
  };
  const SysTime cases[] = {at(1969, 12, 31, 23, 59, 59), at(3001, 1, 1, 0, 0, 0),
                           at(9999, 1, 1, 0, 0, 0)};
  for (const SysTime &c : cases) {
    SysTime t = c;
    EXPECT_EQ(localToUtc(t, utcZone), -1);
    EXPECT_EQ(0, std::memcmp(&t, &c, sizeof t));
  }
  SysTime first = at(1970, 1, 1, 0, 0, 0), last = at(3000, 12, 31, 23, 59, 59);
  EXPECT_EQ(localToUtc(first, utcZone), 0);
  EXPECT_EQ(localToUtc(last, utcZone), 0);
  SysTime t = at(2024, 7, 1, 12, 0, 0);
  EXPECT_EQ(localToUtc(t, broken), -1);
  EXPECT_EQ(localToUtc(t, nullptr), -1);
  expectTime(t, 2024, 7, 1, 12, 0, 0);
}

TEST(LocalToUtc, YearsBefore1900MeanTheFirstSecond) {
  SysTime t = at(1850, 6, 1, 12, 0, 0, 500);
  ASSERT_EQ(localToUtc(t, broken), 0); // the zone is not asked
  expectTime(t, 1970, 1, 1, 0, 0, 0);
  EXPECT_EQ(t.milliseconds, 500);
}

TEST(TimeRecord, RecordsOutsideTheCalendarAreRefusedUnchanged) {
  SysTime t = at(2024, 2, 30, 12, 0, 0);
  const SysTime before = t;
  EXPECT_EQ(localToUtc(t, east9), -1);
  EXPECT_EQ(utcToLocalByBias(t, -540), -1);
  EXPECT_EQ(localToUtcByBias(t, -540), -1);
  EXPECT_EQ(0, std::memcmp(&t, &before, sizeof t));
}

// The POSIX runtime takes its zone from TZ, which the tests set by name. The Windows runtime
// takes it from the system (TZ would override it in a format of its own, so it is removed);
// under Wine the test registration picks the system zone and names it in TOLM_TEST_ZONE.
class InZone : public ::testing::Test {
protected:
  bool use(const char *zone) {
#ifdef _WIN32
    _putenv("TZ=");
    _tzset();
    const char *system = std::getenv("TOLM_TEST_ZONE");
    return system != nullptr && std::strcmp(system, zone) == 0;
#else
    const char *old = std::getenv("TZ");
    m_saved = old ? old : "";
    m_hadZone = old != nullptr;
    setenv("TZ", zone, 1);
    tzset();
    return true;
#endif
  }
  void TearDown() override {
#ifndef _WIN32
    if (m_hadZone)
      setenv("TZ", m_saved.c_str(), 1);
    else
      unsetenv("TZ");
    tzset();
#endif
  }

private:
  std::string m_saved;
  bool m_hadZone = false;
};

#define USE_ZONE(zone)                                                                             \
  do {                                                                                             \
    if (!use(zone))                                                                                \
      GTEST_SKIP() << "the system time zone is not " zone;                                         \
  } while (0)

TEST_F(InZone, BiasPathsShiftByWholeHoursThroughTheLocalCalendar) {
  USE_ZONE("Asia/Tokyo");
  SysTime t = at(2024, 7, 1, 3, 0, 0, 500);
  ASSERT_EQ(utcToLocalByBias(t, -540), 0); // UTC = local - 9 h
  expectTime(t, 2024, 7, 1, 12, 0, 0);
  EXPECT_EQ(t.milliseconds, 0);
  EXPECT_EQ(t.dayOfWeek, 1); // Monday
  ASSERT_EQ(localToUtcByBias(t, -540), 0);
  expectTime(t, 2024, 7, 1, 3, 0, 0);

  // A bias of 5 h 30 min counts as 5 h: the minutes are dropped.
  SysTime india = at(2024, 7, 1, 3, 0, 0);
  ASSERT_EQ(utcToLocalByBias(india, -330), 0);
  expectTime(india, 2024, 7, 1, 8, 0, 0);
}

TEST_F(InZone, BiasPathRoundTripsAcrossTheDay) {
  USE_ZONE("Europe/Berlin");
  for (int hour = 0; hour < 24; ++hour) {
    SysTime t = at(2024, 11, 10, hour, 17, 42);
    SysTime u = t;
    ASSERT_EQ(localToUtcByBias(u, -60), 0);
    ASSERT_EQ(utcToLocalByBias(u, -60), 0);
    expectTime(u, 2024, 11, 10, hour, 17, 42);
  }
}

} // namespace
} // namespace kel
