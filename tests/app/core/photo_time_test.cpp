// Tests of the date taken: each fallback, the offsets, a daylight-saving zone, hostile texts.
#include "app/core/photo_time.h"

#include <gtest/gtest.h>

#include "tests/app/core/memory_log_sink.h"

namespace tolm {
namespace {

using testing::at;

OffsetTableZone summerZone() {
  const int64_t spring = *toSeconds(at(2025, 3, 30, 1, 0, 0));
  const int64_t autumn = *toSeconds(at(2025, 10, 26, 1, 0, 0));
  return OffsetTableZone(3600, {{spring, 7200}, {autumn, 3600}});
}

TEST(ExifDateText, ReadsTheCameraFormatOnly) {
  const auto t = parseExifDateTime("2019:07:04 18:30:05");
  ASSERT_TRUE(t);
  EXPECT_TRUE(sameSecond(*t, at(2019, 7, 4, 18, 30, 5)));
  EXPECT_EQ(t->dayOfWeek, 4);
  EXPECT_TRUE(parseExifDateTime("  2019:07:04 18:30:05 ")) << "blanks around are the walker's";
  const char *hostile[] = {
      "0000:00:00 00:00:00",  // a camera without a set clock
      "    :  :     :  :  ",  // the same written as blanks
      "2019:07:04",           // date only
      "2019:07:04 18:30",     // cut
      "2019:07:04 18:30:05x", // trailing garbage
      "2019-07-04 18:30:05",  // not the camera format
      "2019:13:04 18:30:05",  // month 13
      "2019:02:29 18:30:05",  // not a leap year
      "2019:07:04 24:00:00",  // hour 24
      "2019:07:04 18:60:05",  //
      "2019:07:04 18:30:60",  // a leap second the platform cannot hold
      "1600:12:31 23:59:59",  // before the calendar
      "2019:07:0+ 18:30:05",  //
      "",
  };
  for (const char *text : hostile)
    EXPECT_FALSE(parseExifDateTime(text)) << '"' << text << '"';
}

TEST(ExifOffsetText, ReadsSignedHoursAndMinutes) {
  EXPECT_EQ(parseExifOffset("+09:00"), 9 * 3600);
  EXPECT_EQ(parseExifOffset("-03:30"), -(3 * 3600 + 1800));
  EXPECT_EQ(parseExifOffset("+00:00"), 0);
  EXPECT_EQ(parseExifOffset("+14:00"), 14 * 3600);
  for (const char *text :
       {"+14:01", "09:00", "+9:00", "+09:60", "+09:00:00", "      ", "", "+0a:00"})
    EXPECT_FALSE(parseExifOffset(text)) << '"' << text << '"';
}

TEST(DateTaken, FallsBackFromOriginalToDigitizedToDateTime) {
  const OffsetTableZone zone(0);
  ExifDateTexts texts;
  texts.original = "2020:01:01 10:00:00";
  texts.digitized = "2020:01:02 10:00:00";
  texts.dateTime = "2020:01:03 10:00:00";
  EXPECT_EQ(photoTimeFromExif(texts, zone).source, DateSource::kOriginal);
  texts.original.clear();
  PhotoTime p = photoTimeFromExif(texts, zone);
  EXPECT_EQ(p.source, DateSource::kDigitized);
  EXPECT_EQ(p.local.day, 2);
  texts.digitized = "0000:00:00 00:00:00"; // a blank date does not hide the next one
  p = photoTimeFromExif(texts, zone);
  EXPECT_EQ(p.source, DateSource::kDateTime);
  EXPECT_EQ(p.local.day, 3);
  texts.dateTime = "    :  :     :  :  ";
  EXPECT_EQ(photoTimeFromExif(texts, zone).source, DateSource::kNone);
}

TEST(DateTaken, WithItsOwnOffsetNamesAnInstantShownInTheZone) {
  const OffsetTableZone zone = summerZone();
  ExifDateTexts texts;
  texts.original = "2025:07:01 18:00:00";
  texts.offsetOriginal = "+09:00"; // taken in Tokyo: 09:00 UTC, 11:00 summer time here
  PhotoTime p = photoTimeFromExif(texts, zone);
  EXPECT_TRUE(p.offsetApplied);
  EXPECT_TRUE(sameSecond(p.local, at(2025, 7, 1, 11, 0, 0)));
  // The same picture in winter is shown with the winter offset.
  texts.original = "2025:12:01 18:00:00";
  p = photoTimeFromExif(texts, zone);
  EXPECT_TRUE(sameSecond(p.local, at(2025, 12, 1, 10, 0, 0)));
  // Only the matching offset counts: the digitized date does not borrow the original's.
  texts.original.clear();
  texts.digitized = "2025:12:01 18:00:00";
  p = photoTimeFromExif(texts, zone);
  EXPECT_EQ(p.source, DateSource::kDigitized);
  EXPECT_FALSE(p.offsetApplied);
  EXPECT_TRUE(sameSecond(p.local, at(2025, 12, 1, 18, 0, 0)));
  texts.offsetDigitized = "+25:00"; // broken: taken as local time
  EXPECT_FALSE(photoTimeFromExif(texts, zone).offsetApplied);
  texts.dateTime = "2025:12:02 00:30:00";
  texts.offsetTime = "-05:00";
  texts.digitized.clear();
  p = photoTimeFromExif(texts, zone);
  EXPECT_EQ(p.source, DateSource::kDateTime);
  EXPECT_TRUE(sameSecond(p.local, at(2025, 12, 2, 6, 30, 0)));
}

TEST(DateTaken, LocalTimesInTheZonesGapAndOverlapAreMarked) {
  const OffsetTableZone zone = summerZone();
  ExifDateTexts texts;
  texts.original = "2025:03:30 02:15:00";
  EXPECT_EQ(photoTimeFromExif(texts, zone).mark, ZoneMark::kGap);
  texts.original = "2025:10:26 02:15:00";
  EXPECT_EQ(photoTimeFromExif(texts, zone).mark, ZoneMark::kOverlap);
  // With an offset the instant is exact, but its local time can still be an ambiguous one.
  texts.offsetOriginal = "+00:00";
  texts.original = "2025:10:26 00:15:00";
  const PhotoTime p = photoTimeFromExif(texts, zone);
  EXPECT_TRUE(sameSecond(p.local, at(2025, 10, 26, 2, 15, 0)));
  EXPECT_EQ(p.mark, ZoneMark::kOverlap);
  texts.original = "2025:07:26 00:15:00";
  EXPECT_EQ(photoTimeFromExif(texts, zone).mark, ZoneMark::kNone);
}

} // namespace
} // namespace tolm
