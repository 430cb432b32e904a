// The date tools' ports on Windows: the system's time zone and the EXIF dates through
// daxread.dll.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "app/core/date_plan.h"
#include "app/win/bindings.h"

// The zone the system reports now, with the rules of each time's own year: the same
// conversions that kelsys.dll's get and set of file times use, so that what the preview calls a
// gap or an overlap is what the write meets.
class CSystemTimeZone : public tolm::TimeZone {
public:
  tolm::ZoneInstant localToUtc(int64_t localSeconds) const override;
  int64_t utcToLocal(int64_t utcSeconds) const override;

private:
  // Local minus UTC at an instant, in seconds.
  int64_t offsetAt(int64_t utcSeconds) const;
};

// Reads the date texts of a file by having the EXIF reader analyse it and picking the date
// tags from its entries: the reader's own parsing and formatting, no second parser. The reader
// keeps one process-wide analysis, which start-up made of the target; it is made again when the
// object goes, so that the rest of the program finds the engine as it left it.
class CDaxExifDateReader : public tolm::ExifDateReader {
public:
  CDaxExifDateReader(const CDaxreadLibrary &daxread, std::string homeTarget);
  ~CDaxExifDateReader() override;
  CDaxExifDateReader(const CDaxExifDateReader &) = delete;
  CDaxExifDateReader &operator=(const CDaxExifDateReader &) = delete;

  bool readDateTexts(const std::string &path, tolm::ExifDateTexts &texts) override;

private:
  const CDaxreadLibrary &m_daxread;
  std::string m_homeTarget;
  bool m_analysed = false;
  std::vector<char> m_label;
  std::vector<char> m_value;
};
