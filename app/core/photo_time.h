// The date a photograph was taken, from the EXIF reader's texts, as a local time of the zone.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "app/core/calendar_time.h"

namespace tolm {

// EXIF tags of the date taken and of their offsets from UTC.
constexpr uint16_t kTagDateTime = 306;
constexpr uint16_t kTagDateTimeOriginal = 36867;
constexpr uint16_t kTagDateTimeDigitized = 36868;
constexpr uint16_t kTagOffsetTime = 36880;
constexpr uint16_t kTagOffsetTimeOriginal = 36881;
constexpr uint16_t kTagOffsetTimeDigitized = 36882;

// The value texts of one image as the EXIF reader renders them; an empty text is a missing tag.
struct ExifDateTexts {
  std::string original;  // 36867
  std::string digitized; // 36868
  std::string dateTime;  // 306
  std::string offsetOriginal;
  std::string offsetDigitized;
  std::string offsetTime;
};

// Which tag gave the date.
enum class DateSource { kNone, kOriginal, kDigitized, kDateTime };

struct PhotoTime {
  DateSource source = DateSource::kNone; // kNone: no usable date, nothing else is set
  bool offsetApplied = false;            // the date was read as an instant through its offset tag
  SystemTime local;                      // the new local time (milliseconds 0)
  ZoneMark mark = ZoneMark::kNone;       // where that local time stands in the zone
};

// "YYYY:MM:DD HH:MM:SS" (blanks around it ignored) as a record, or nothing: other lengths,
// blanks or other characters in the fields (cameras without a clock write blanks or zeros), and
// fields outside the calendar give nothing.
std::optional<SystemTime> parseExifDateTime(std::string_view text);
// "+HH:MM" or "-HH:MM" (blanks around it ignored) in seconds east of UTC, or nothing; offsets
// beyond 14 hours are refused as no zone has them.
std::optional<int32_t> parseExifOffset(std::string_view text);

// The first usable date of original, digitized and date-time, in that order. With a usable
// offset tag of the same kind, the date names an instant that is converted into the zone's local
// time; without one it is taken as a local time of the zone as it is.
PhotoTime photoTimeFromExif(const ExifDateTexts &texts, const TimeZone &zone);

} // namespace tolm
