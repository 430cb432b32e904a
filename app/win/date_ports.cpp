// The date tools' ports on Windows: the system's time zone and the EXIF dates through
// daxread.dll.
#include "app/win/date_ports.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <optional>

namespace {

// A zone's offsets lie within a day of UTC; changes lie months apart. Offsets looked at two
// days either side of a local time therefore include every offset that can bear on it.
constexpr int64_t kNeighbourhood = 2 * tolm::kSecondsPerDay;

int64_t biasOffset() {
  TIME_ZONE_INFORMATION zone{};
  GetTimeZoneInformation(&zone);
  return -static_cast<int64_t>(zone.Bias) * 60;
}

std::optional<SYSTEMTIME> recordOf(int64_t seconds) {
  const std::optional<tolm::SystemTime> time = tolm::fromSeconds(seconds);
  if (!time)
    return std::nullopt;
  return std::bit_cast<SYSTEMTIME>(*time);
}

} // namespace

int64_t CSystemTimeZone::utcToLocal(int64_t utcSeconds) const {
  const std::optional<SYSTEMTIME> utc = recordOf(utcSeconds);
  SYSTEMTIME local{};
  if (utc && SystemTimeToTzSpecificLocalTime(nullptr, &*utc, &local)) {
    if (const std::optional<int64_t> seconds =
            tolm::toSeconds(std::bit_cast<tolm::SystemTime>(local)))
      return *seconds;
  }
  // Outside the years the platform converts (its first and last day): the standard offset.
  return utcSeconds + biasOffset();
}

int64_t CSystemTimeZone::offsetAt(int64_t utcSeconds) const {
  return utcToLocal(utcSeconds) - utcSeconds;
}

tolm::ZoneInstant CSystemTimeZone::localToUtc(int64_t localSeconds) const {
  // Every instant that shows this local time is local minus one of the offsets in force nearby;
  // it counts when the zone maps it back to the same local time.
  std::vector<int64_t> offsets;
  for (int64_t probe : {localSeconds - kNeighbourhood, localSeconds, localSeconds + kNeighbourhood})
    offsets.push_back(offsetAt(probe));
  const std::optional<SYSTEMTIME> local = recordOf(localSeconds);
  SYSTEMTIME utc{};
  if (local && TzSpecificLocalTimeToSystemTime(nullptr, &*local, &utc)) {
    if (const std::optional<int64_t> seconds =
            tolm::toSeconds(std::bit_cast<tolm::SystemTime>(utc)))
      offsets.push_back(localSeconds - *seconds);
  }
  std::sort(offsets.begin(), offsets.end());
  offsets.erase(std::unique(offsets.begin(), offsets.end()), offsets.end());
  int found = 0;
  int64_t earliest = 0;
  for (int64_t offset : offsets) {
    const int64_t candidate = localSeconds - offset;
    if (utcToLocal(candidate) != localSeconds)
      continue;
    if (found == 0 || candidate < earliest)
      earliest = candidate;
    ++found;
  }
  if (found == 0) // skipped by the clocks: read with the offset before the jump
    return {localSeconds - offsetAt(localSeconds - kNeighbourhood), tolm::ZoneMark::kGap};
  return {earliest, found > 1 ? tolm::ZoneMark::kOverlap : tolm::ZoneMark::kNone};
}

// ---- EXIF dates ---------------------------------------------------------------------------------

namespace {

// The value texts wanted here are dates and offsets: a short buffer takes them whole.
constexpr int32_t kValueCapacity = 256;

} // namespace

CDaxExifDateReader::CDaxExifDateReader(const CDaxreadLibrary &daxread, std::string homeTarget)
    : m_daxread(daxread), m_homeTarget(std::move(homeTarget)), m_value(kValueCapacity, '\0') {}

CDaxExifDateReader::~CDaxExifDateReader() {
  if (!m_analysed || m_daxread.daxBeginProcessing == nullptr || m_homeTarget.size() >= MAX_PATH)
    return;
  char path[MAX_PATH] = {};
  std::memcpy(path, m_homeTarget.data(), m_homeTarget.size());
  m_daxread.daxBeginProcessing(DAX_OP_ANALYZE | DAX_MOD_100 | DAX_MOD_200, path);
}

bool CDaxExifDateReader::readDateTexts(const std::string &path, tolm::ExifDateTexts &texts) {
  texts = tolm::ExifDateTexts{};
  if (m_daxread.daxBeginProcessing == nullptr || path.size() >= MAX_PATH)
    return false;
  char buffer[MAX_PATH] = {};
  std::memcpy(buffer, path.data(), path.size());
  m_analysed = true;
  // A failed analysis keeps the previous file's results: they must not be read as this one's.
  if (m_daxread.daxBeginProcessing(DAX_OP_ANALYZE | DAX_MOD_100, buffer) <= 0)
    return false;
  DAX_ITERATION setup{0, kValueCapacity};
  const int count = m_daxread.daxBeginProcessing(DAX_OP_BEGIN_ITERATION, &setup);
  if (count <= 0 || setup.valueCapacity != kValueCapacity)
    return false;
  struct Wanted {
    int32_t group;
    uint16_t tag;
    std::string tolm::ExifDateTexts::*text;
  };
  static const Wanted kWanted[] = {
      {DAX_GROUP_IFD0, tolm::kTagDateTime, &tolm::ExifDateTexts::dateTime},
      {DAX_GROUP_EXIF, tolm::kTagDateTimeOriginal, &tolm::ExifDateTexts::original},
      {DAX_GROUP_EXIF, tolm::kTagDateTimeDigitized, &tolm::ExifDateTexts::digitized},
      {DAX_GROUP_EXIF, tolm::kTagOffsetTime, &tolm::ExifDateTexts::offsetTime},
      {DAX_GROUP_EXIF, tolm::kTagOffsetTimeOriginal, &tolm::ExifDateTexts::offsetOriginal},
      {DAX_GROUP_EXIF, tolm::kTagOffsetTimeDigitized, &tolm::ExifDateTexts::offsetDigitized},
  };
  for (int k = 0; k < count; ++k) {
    m_value[0] = '\0';
    DAX_ENTRY entry{0, 0, 0, nullptr, m_value.data()};
    const int result = m_daxread.daxBeginProcessing(DAX_OP_NEXT_ENTRY, &entry);
    if (result < 0)
      break;
    m_value.back() = '\0';
    for (const Wanted &w : kWanted)
      if (entry.group == w.group && entry.tag == w.tag && (texts.*w.text).empty())
        texts.*w.text = m_value.data();
    if (result == DAX_LAST_ENTRY)
      break;
  }
  return true;
}
