// kelOperateFileTime with a TZ variable in the Windows environment, as Wine, Cygwin, MSYS2 and
// some login scripts leave it. The C runtime reads TZ in a format of its own ("Asia/Tokyo" as a
// zone three letters long with no offset), so its calendar disagrees with the system's zone; the
// times on disk must follow the system's zone all the same. Unlike the other file tests, this
// program keeps TZ as it found it. TOLM_TEST_ZONE names the zone the system reports.
#include <windows.h>

#include "include/kelsys.h"
#include "tests/support/win_test_util.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

namespace {

using testutil::at;
using testutil::ScratchDir;

std::string text(const SYSTEMTIME &t) {
  char s[40];
  std::snprintf(s, sizeof s, "%04u-%02u-%02u %02u:%02u:%02u.%03u", t.wYear, t.wMonth, t.wDay,
                t.wHour, t.wMinute, t.wSecond, t.wMilliseconds);
  return s;
}

// Year to millisecond; the day of the week is the platform's to fill.
::testing::AssertionResult same(const SYSTEMTIME &got, const SYSTEMTIME &wanted) {
  if (text(got) == text(wanted))
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << text(got) << ", wanted " << text(wanted);
}

struct Disk {
  SYSTEMTIME creation, write;
};
Disk diskUtc(const std::string &path) {
  Disk d{};
  HANDLE h = CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  EXPECT_NE(h, INVALID_HANDLE_VALUE) << path;
  FILETIME c{}, a{}, w{};
  GetFileTime(h, &c, &a, &w);
  CloseHandle(h);
  FileTimeToSystemTime(&c, &d.creation);
  FileTimeToSystemTime(&w, &d.write);
  return d;
}

struct Case {
  SYSTEMTIME local, utc;
};

// The zone's own rules, worked out by hand.
std::vector<Case> casesOfZone(const std::string &zone) {
  if (zone == "Asia/Tokyo")
    return {{at(2024, 7, 1, 12, 0, 0, 250), at(2024, 7, 1, 3, 0, 0, 250)},
            {at(2024, 1, 1, 8, 30, 0), at(2023, 12, 31, 23, 30, 0)},
            {at(1999, 12, 31, 23, 59, 58), at(1999, 12, 31, 14, 59, 58)},
            {at(2038, 1, 19, 12, 14, 8), at(2038, 1, 19, 3, 14, 8)}};
  if (zone == "Europe/Berlin")
    return {{at(2024, 1, 15, 12, 0, 0, 250), at(2024, 1, 15, 11, 0, 0, 250)},
            {at(2024, 3, 31, 1, 59, 59), at(2024, 3, 31, 0, 59, 59)}, // before the change
            {at(2024, 3, 31, 3, 0, 0), at(2024, 3, 31, 1, 0, 0)},     // after it
            {at(2024, 7, 1, 12, 0, 0), at(2024, 7, 1, 10, 0, 0)},
            {at(2024, 10, 27, 4, 0, 0), at(2024, 10, 27, 3, 0, 0)},
            {at(2025, 1, 1, 0, 30, 0), at(2024, 12, 31, 23, 30, 0)}};
  return {};
}

// Whole hours east of UTC in the zone's winter, for the calendar's edges.
int winterOffsetHours(const std::string &zone) { return zone == "Asia/Tokyo" ? 9 : 1; }

class WithTz : public ::testing::Test {
protected:
  void SetUp() override {
    const char *zone = std::getenv("TOLM_TEST_ZONE");
    m_zone = zone ? zone : "";
    if (casesOfZone(m_zone).empty())
      GTEST_SKIP() << "TOLM_TEST_ZONE names no zone this test knows the rules of";
    const char *tz = std::getenv("TZ");
    ASSERT_NE(tz, nullptr)
        << "TZ must reach the Windows environment for this test to mean anything";
    // Show that the runtime's calendar really is off here, so that a pass says something.
    std::tm noon{};
    noon.tm_year = 124;
    noon.tm_mon = 6;
    noon.tm_mday = 1;
    noon.tm_hour = 12;
    noon.tm_isdst = -1;
    const std::time_t runtime = std::mktime(&noon);
    const std::tm *runtimeUtc = std::gmtime(&runtime);
    SYSTEMTIME local = at(2024, 7, 1, 12, 0, 0), utc{};
    TzSpecificLocalTimeToSystemTime(nullptr, &local, &utc);
    std::printf("TZ=%s: 2024-07-01 12:00 local is %02d:00 UTC to the C runtime, %02u:00 UTC to the "
                "system\n",
                tz, runtimeUtc ? runtimeUtc->tm_hour : -1, utc.wHour);
  }
  std::string m_zone;
};

TEST_F(WithTz, SetTimesReachTheDiskInTheSystemZoneAndReadBackUnchanged) {
  ScratchDir dir;
  const std::string f = dir.file("a.txt", "x");
  for (const Case &c : casesOfZone(m_zone)) {
    SCOPED_TRACE(text(c.local));
    SYSTEMTIME w = c.local;
    ASSERT_EQ(kelOperateFileTime(KEL_TIME_SET | KEL_TIME_WRITE, f.c_str(), nullptr, nullptr, &w),
              0);
    EXPECT_TRUE(same(diskUtc(f).write, c.utc));
    SYSTEMTIME got{};
    ASSERT_EQ(kelOperateFileTime(KEL_TIME_WRITE, f.c_str(), nullptr, nullptr, &got), 0);
    EXPECT_TRUE(same(got, c.local));
  }
}

TEST_F(WithTz, TheEditorsCodesRoundTripOnAFolderToo) {
  ScratchDir dir;
  const std::string sub = dir.folder("sub");
  const Case c = casesOfZone(m_zone).front();
  SYSTEMTIME creation = c.local, write = c.local;
  ASSERT_EQ(kelOperateFileTime(0x105, sub.c_str(), &creation, nullptr, &write), 0);
  EXPECT_TRUE(same(diskUtc(sub).write, c.utc));
  SYSTEMTIME gotCreation{}, gotWrite{};
  ASSERT_EQ(kelOperateFileTime(0x005, sub.c_str(), &gotCreation, nullptr, &gotWrite), 0);
  EXPECT_TRUE(same(gotWrite, c.local));
  if (!same(diskUtc(sub).creation, c.utc))
    std::printf("SKIP creation time on disk: this platform does not keep creation times\n");
}

// The calendar holds UTC from 1970 to the end of 3000; a local time beyond either edge is refused
// and changes nothing, and a year before 1900 stands for the first second.
TEST_F(WithTz, TheCalendarsEdgesAreTheSystemZones) {
  ScratchDir dir;
  const std::string f = dir.file("a.txt", "x");
  const int east = winterOffsetHours(m_zone);
  SYSTEMTIME first = at(1970, 1, 1, east, 0, 0);
  ASSERT_EQ(kelOperateFileTime(0x104, f.c_str(), nullptr, nullptr, &first), 0);
  EXPECT_TRUE(same(diskUtc(f).write, at(1970, 1, 1, 0, 0, 0)));

  SYSTEMTIME keep = at(2020, 2, 2, 2, 2, 2);
  ASSERT_EQ(kelOperateFileTime(0x104, f.c_str(), nullptr, nullptr, &keep), 0);
  const SYSTEMTIME before = diskUtc(f).write;
  SYSTEMTIME early = at(1970, 1, 1, east - 1, 59, 59);
  EXPECT_EQ(kelOperateFileTime(0x104, f.c_str(), nullptr, nullptr, &early), -1);
  SYSTEMTIME late = at(3001, 1, 1, east, 0, 0);
  EXPECT_EQ(kelOperateFileTime(0x104, f.c_str(), nullptr, nullptr, &late), -1);
  EXPECT_TRUE(same(diskUtc(f).write, before)) << "a refused time changes nothing";

  SYSTEMTIME last = at(3001, 1, 1, east - 1, 59, 59);
  ASSERT_EQ(kelOperateFileTime(0x104, f.c_str(), nullptr, nullptr, &last), 0);
  if (!same(diskUtc(f).write, at(3000, 12, 31, 23, 59, 59)))
    std::printf("SKIP the last second on disk: this file system stops at %s\n",
                text(diskUtc(f).write).c_str());

  SYSTEMTIME old = at(1850, 6, 1, 12, 0, 0, 500);
  ASSERT_EQ(kelOperateFileTime(0x104, f.c_str(), nullptr, nullptr, &old), 0);
  EXPECT_TRUE(same(diskUtc(f).write, at(1970, 1, 1, 0, 0, 0, 500)));
}

} // namespace
