// The date a photograph was taken, from the EXIF reader's texts.
#include "app/core/photo_time.h"

namespace tolm {
namespace {

std::string_view trimBlanks(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
    text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\0'))
    text.remove_suffix(1);
  return text;
}

// The decimal number of the characters at [at, at + width), or -1 when any is not a digit.
int digitsAt(std::string_view text, size_t at, size_t width) {
  int value = 0;
  for (size_t i = at; i < at + width; ++i) {
    if (text[i] < '0' || text[i] > '9')
      return -1;
    value = value * 10 + (text[i] - '0');
  }
  return value;
}

} // namespace

std::optional<SystemTime> parseExifDateTime(std::string_view text) {
  text = trimBlanks(text);
  if (text.size() != 19 || text[4] != ':' || text[7] != ':' || text[10] != ' ' || text[13] != ':' ||
      text[16] != ':')
    return std::nullopt;
  const int fields[6] = {digitsAt(text, 0, 4),  digitsAt(text, 5, 2),  digitsAt(text, 8, 2),
                         digitsAt(text, 11, 2), digitsAt(text, 14, 2), digitsAt(text, 17, 2)};
  for (int field : fields)
    if (field < 0)
      return std::nullopt;
  SystemTime t;
  t.year = static_cast<uint16_t>(fields[0]);
  t.month = static_cast<uint16_t>(fields[1]);
  t.day = static_cast<uint16_t>(fields[2]);
  t.hour = static_cast<uint16_t>(fields[3]);
  t.minute = static_cast<uint16_t>(fields[4]);
  t.second = static_cast<uint16_t>(fields[5]);
  // Through the seconds once more so that the record carries its day of week.
  const std::optional<int64_t> seconds = toSeconds(t);
  if (!seconds)
    return std::nullopt;
  return fromSeconds(*seconds);
}

std::optional<int32_t> parseExifOffset(std::string_view text) {
  text = trimBlanks(text);
  if (text.size() != 6 || (text[0] != '+' && text[0] != '-') || text[3] != ':')
    return std::nullopt;
  const int hours = digitsAt(text, 1, 2);
  const int minutes = digitsAt(text, 4, 2);
  if (hours < 0 || minutes < 0 || minutes >= 60 || hours * 60 + minutes > 14 * 60)
    return std::nullopt;
  const int32_t seconds = (hours * 60 + minutes) * 60;
  return text[0] == '-' ? -seconds : seconds;
}

PhotoTime photoTimeFromExif(const ExifDateTexts &texts, const TimeZone &zone) {
  struct Candidate {
    DateSource source;
    const std::string &date;
    const std::string &offset;
  };
  const Candidate candidates[3] = {{DateSource::kOriginal, texts.original, texts.offsetOriginal},
                                   {DateSource::kDigitized, texts.digitized, texts.offsetDigitized},
                                   {DateSource::kDateTime, texts.dateTime, texts.offsetTime}};
  for (const Candidate &candidate : candidates) {
    const std::optional<SystemTime> taken = parseExifDateTime(candidate.date);
    if (!taken)
      continue; // a blank or broken date is as good as none: the next tag may still hold one
    PhotoTime result;
    result.source = candidate.source;
    result.local = *taken;
    if (const std::optional<int32_t> offset = parseExifOffset(candidate.offset)) {
      const int64_t utc = *toSeconds(*taken) - *offset;
      const std::optional<SystemTime> local = fromSeconds(zone.utcToLocal(utc));
      if (!local)
        continue; // an instant at the calendar's edge that this zone cannot show
      result.local = *local;
      result.offsetApplied = true;
    }
    result.mark = zoneMarkOf(result.local, zone);
    return result;
  }
  return PhotoTime{};
}

} // namespace tolm
