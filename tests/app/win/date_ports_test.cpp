// The date tools' Windows ports: the system zone against instants worked out by hand and against
// what kelsys.dll writes to disk, and the EXIF dates as daxread.dll renders them.
#include "app/win/date_ports.h"

#include "app/core/property_text.h"
#include "app/win/apply_win.h"
#include "tests/support/win_test_util.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

using testutil::ScratchDir;
using tolm::SystemTime;
using tolm::ZoneMark;

SystemTime at(int y, int mo, int d, int h, int mi, int s) {
  return std::bit_cast<SystemTime>(testutil::at(y, mo, d, h, mi, s));
}
int64_t seconds(int y, int mo, int d, int h, int mi, int s) {
  return *tolm::toSeconds(at(y, mo, d, h, mi, s));
}

std::string zoneUnderTest() {
  const char *zone = std::getenv("TOLM_TEST_ZONE");
  return zone ? zone : "";
}

struct Known {
  int64_t local;
  int64_t utc; // the earlier instant in an overlap; read with the offset before a gap
  ZoneMark mark;
};

// The zones' rules, worked out by hand.
std::vector<Known> knownOf(const std::string &zone) {
  if (zone == "Europe/Berlin")
    return {{seconds(2024, 1, 15, 12, 0, 0), seconds(2024, 1, 15, 11, 0, 0), ZoneMark::kNone},
            {seconds(2024, 7, 1, 12, 0, 0), seconds(2024, 7, 1, 10, 0, 0), ZoneMark::kNone},
            {seconds(2024, 3, 31, 1, 59, 59), seconds(2024, 3, 31, 0, 59, 59), ZoneMark::kNone},
            {seconds(2024, 3, 31, 2, 30, 0), seconds(2024, 3, 31, 1, 30, 0), ZoneMark::kGap},
            {seconds(2024, 3, 31, 3, 0, 0), seconds(2024, 3, 31, 1, 0, 0), ZoneMark::kNone},
            {seconds(2024, 10, 27, 2, 30, 0), seconds(2024, 10, 27, 0, 30, 0), ZoneMark::kOverlap},
            {seconds(2024, 10, 27, 3, 0, 0), seconds(2024, 10, 27, 2, 0, 0), ZoneMark::kNone},
            {seconds(2023, 3, 26, 2, 15, 0), seconds(2023, 3, 26, 1, 15, 0), ZoneMark::kGap}};
  if (zone == "Asia/Tokyo")
    return {{seconds(2024, 7, 1, 12, 0, 0), seconds(2024, 7, 1, 3, 0, 0), ZoneMark::kNone},
            {seconds(2024, 1, 1, 8, 30, 0), seconds(2023, 12, 31, 23, 30, 0), ZoneMark::kNone},
            {seconds(2024, 3, 31, 2, 30, 0), seconds(2024, 3, 30, 17, 30, 0), ZoneMark::kNone}};
  return {};
}

class SystemZone : public ::testing::Test {
protected:
  void SetUp() override {
    testutil::useSystemTimeZone();
    if (knownOf(zoneUnderTest()).empty())
      GTEST_SKIP() << "TOLM_TEST_ZONE names no zone this test knows the rules of";
  }
  CSystemTimeZone zone;
};

TEST_F(SystemZone, LocalTimesNameTheInstantsOfTheZonesRules) {
  for (const Known &k : knownOf(zoneUnderTest())) {
    SCOPED_TRACE(tolm::timeText(*tolm::fromSeconds(k.local)));
    const tolm::ZoneInstant instant = zone.localToUtc(k.local);
    EXPECT_EQ(instant.utc, k.utc);
    EXPECT_EQ(instant.mark, k.mark);
    if (k.mark == ZoneMark::kNone) {
      EXPECT_EQ(zone.utcToLocal(k.utc), k.local);
    }
  }
}

TEST_F(SystemZone, BothInstantsOfAnOverlapShowTheSameLocalTime) {
  if (zoneUnderTest() != "Europe/Berlin")
    GTEST_SKIP() << "the zone has no overlap";
  EXPECT_EQ(zone.utcToLocal(seconds(2024, 10, 27, 0, 30, 0)), seconds(2024, 10, 27, 2, 30, 0));
  EXPECT_EQ(zone.utcToLocal(seconds(2024, 10, 27, 1, 30, 0)), seconds(2024, 10, 27, 2, 30, 0));
  EXPECT_EQ(zone.utcToLocal(seconds(2024, 3, 31, 1, 0, 0)), seconds(2024, 3, 31, 3, 0, 0));
}

TEST_F(SystemZone, AShiftAcrossTheSpringChangeCountsElapsedHours) {
  if (zoneUnderTest() != "Europe/Berlin")
    GTEST_SKIP() << "the zone has no clock change";
  const tolm::ShiftResult r = tolm::shiftLocalTime(at(2024, 3, 30, 12, 0, 0), 24 * 3600, zone);
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(tolm::timeText(r.time), "2024/03/31 13:00:00");
  const tolm::ShiftResult back = tolm::shiftLocalTime(at(2024, 10, 27, 3, 30, 0), -3600, zone);
  ASSERT_TRUE(back.ok);
  EXPECT_EQ(tolm::timeText(back.time), "2024/10/27 02:30:00");
  EXPECT_EQ(back.mark, ZoneMark::kOverlap);
}

// The zone is the one kelsys.dll writes with: every unambiguous local time written lands on disk
// at the instant the zone names.
TEST_F(SystemZone, AgreesWithWhatKelsysWritesToDisk) {
  CKelsysLibrary kelsys;
  ASSERT_NE(kelsys.module(), nullptr);
  CKelsysFileSystem fs(kelsys);
  ScratchDir dir;
  const std::string file = dir.file("a.txt", "x");
  for (const Known &k : knownOf(zoneUnderTest())) {
    if (k.mark != ZoneMark::kNone)
      continue;
    SystemTime local = *tolm::fromSeconds(k.local);
    SCOPED_TRACE(tolm::timeText(local));
    SystemTime creation = local, update = local;
    ASSERT_EQ(
        fs.operateFileTime(tolm::kTimeSetCreationAndUpdate, file, &creation, nullptr, &update), 0);
    WIN32_FILE_ATTRIBUTE_DATA data{};
    ASSERT_TRUE(GetFileAttributesExA(file.c_str(), GetFileExInfoStandard, &data));
    SYSTEMTIME utc{};
    FileTimeToSystemTime(&data.ftLastWriteTime, &utc);
    EXPECT_EQ(*tolm::toSeconds(std::bit_cast<SystemTime>(utc)), zone.localToUtc(k.local).utc);
  }
}

// ---- EXIF dates ---------------------------------------------------------------------------

std::string photo(const char *name) {
  return testutil::windowsPath(TOLM_SOURCE_DIR) + "\\tests\\data\\photos\\" + name;
}

class ExifDates : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_NE(daxread.daxInitialize, nullptr);
    char language[MAX_PATH] = "dax2jpn.dll";
    ASSERT_EQ(daxread.daxInitialize(language), 0);
  }
  // The DateTime of IFD0 that the reader's current analysis holds.
  std::string analysedDateTime() {
    DAX_ITERATION setup{0, 256};
    const int n = daxread.daxBeginProcessing(DAX_OP_BEGIN_ITERATION, &setup);
    char value[256];
    for (int k = 0; k < n; ++k) {
      DAX_ENTRY entry{0, 0, 0, nullptr, value};
      if (daxread.daxBeginProcessing(DAX_OP_NEXT_ENTRY, &entry) < 0)
        break;
      if (entry.group == DAX_GROUP_IFD0 && entry.tag == 306)
        return value;
    }
    return "";
  }
  CDaxreadLibrary daxread;
};

TEST_F(ExifDates, TheDateTagsOfACameraFileAsTheReaderRendersThem) {
  CDaxExifDateReader reader(daxread, photo("Kodak_CX7530.jpg"));
  tolm::ExifDateTexts texts;
  ASSERT_TRUE(reader.readDateTexts(photo("Nikon_D70.jpg"), texts));
  EXPECT_EQ(texts.original, "2008:03:15 09:52:01");
  EXPECT_EQ(texts.digitized, ""); // this camera wrote no DateTimeDigitized
  EXPECT_EQ(texts.dateTime, "2008:07:31 10:03:44");
  EXPECT_EQ(texts.offsetOriginal, "");
  EXPECT_EQ(texts.offsetTime, "");
}

TEST_F(ExifDates, TheOffsetTagsAreReadWhereTheFileHasThem) {
  CDaxExifDateReader reader(daxread, "");
  tolm::ExifDateTexts texts;
  ASSERT_TRUE(reader.readDateTexts(testutil::windowsPath(DATE_TOOLS_DATA) + "\\offset.jpg", texts));
  EXPECT_EQ(texts.original, "2008:05:04 16:47:24");
  EXPECT_EQ(texts.offsetOriginal, "+09:00");
  EXPECT_EQ(texts.offsetDigitized, "-04:30");
}

// The reader keeps the last good analysis when one fails: a file without EXIF data read after
// a photograph must not come back with the photograph's dates.
TEST_F(ExifDates, AFileWithoutExifAfterAPhotographHasNoDates) {
  ScratchDir dir;
  CDaxExifDateReader reader(daxread, "");
  tolm::ExifDateTexts texts;
  ASSERT_TRUE(reader.readDateTexts(photo("Pentax_K10D.jpg"), texts));
  EXPECT_FALSE(reader.readDateTexts(dir.file("notes.txt", "no pictures here"), texts));
  EXPECT_TRUE(texts.original.empty());
  EXPECT_FALSE(reader.readDateTexts(dir.path() + "\\missing.jpg", texts));
  EXPECT_FALSE(reader.readDateTexts(std::string(300, 'a') + ".jpg", texts));
}

TEST_F(ExifDates, TheStartUpAnalysisIsBackWhenTheReaderGoes) {
  char home[MAX_PATH] = {};
  std::snprintf(home, sizeof home, "%s", photo("Kodak_CX7530.jpg").c_str());
  ASSERT_GT(daxread.daxBeginProcessing(DAX_OP_ANALYZE | DAX_MOD_100 | DAX_MOD_200, home), 0);
  {
    CDaxExifDateReader reader(daxread, home);
    tolm::ExifDateTexts texts;
    ASSERT_TRUE(reader.readDateTexts(photo("Pentax_K10D.jpg"), texts));
    EXPECT_EQ(analysedDateTime(), "2008:07:31 15:56:49");
  }
  EXPECT_EQ(analysedDateTime(), "2008:07:31 10:39:26");
}

} // namespace
