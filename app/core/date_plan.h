// The date tools' plan: what each item's times would become, worked out before anything is
// written, and the apply that writes exactly that plan.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "app/core/apply.h"
#include "app/core/calendar_time.h"
#include "app/core/photo_time.h"

namespace tolm {

// Where an item's new times come from.
enum class NewTimeSource {
  kDateTaken, // the item's own EXIF date taken
  kShift,     // the item's own current times moved by an amount
};

// What the date tools are asked to do. The walk part reuses the editor's request: target,
// is-folder, include files and subfolders, the Hiddenfile, Systemfile and Logfile settings and
// the log time; its new times and attribute flags are not used.
struct DateToolRequest {
  ApplyRequest walk;
  NewTimeSource source = NewTimeSource::kDateTaken;
  bool setCreation = true;
  bool setUpdate = true;
  int64_t shiftSeconds = 0; // for kShift, from shiftSeconds()
};

// Reads the EXIF date texts of one file. The Windows layer answers through the EXIF reader.
class ExifDateReader {
public:
  virtual ~ExifDateReader() = default;
  // False when the file has no EXIF data (not an image, unreadable): the texts are then unused.
  virtual bool readDateTexts(const std::string &path, ExifDateTexts &texts) = 0;
};

enum class PlanNote {
  kChanged,     // at least one chosen time differs
  kUnchanged,   // the new times equal the current ones
  kNoDateTaken, // skipped: no usable date taken
  kProtected,  // skipped: a protected item (hidden or system while not allowed, or unreadable word)
  kUnreadable, // skipped: its current times could not be read
  kOutOfRange, // skipped: the shift leaves the years the platform can hold
};

struct PlanItem {
  std::string path;
  PlanNote note = PlanNote::kUnchanged;
  uint32_t attributes = kAttrInvalid;
  bool readOnly = false; // the platform may refuse its times while it stays read-only
  SystemTime oldCreation;
  SystemTime oldUpdate;
  SystemTime newCreation; // the old time where it is not chosen or the item is skipped
  SystemTime newUpdate;
  ZoneMark creationMark = ZoneMark::kNone; // of the new times, in the zone
  ZoneMark updateMark = ZoneMark::kNone;
  DateSource dateSource = DateSource::kNone; // for kDateTaken
  bool offsetApplied = false;
};

struct DatePlan {
  bool walked = false;       // folder walk (else the single item)
  int searchResult = 0;      // of the walk's search
  bool walkFailed = false;   // the search failed: the plan is empty and nothing may be applied
  bool tooManyItems = false; // the table filled up: only its items are planned
  std::vector<PlanItem> items;
  size_t changed = 0;
  size_t unchanged = 0;
  size_t skipped = 0;
};

// Walks the target as the editor's apply does (same search, same 3000-item table, same rules
// for hidden and system items) and reads each item's current times, attribute word and, for
// the date taken, its EXIF dates. Writes nothing.
DatePlan BuildDatePlan(FileSystemPort &fs, ExifDateReader &exif, const TimeZone &zone,
                       const DateToolRequest &request);

struct DateApplyOutcome {
  size_t changed = 0; // items whose new times were written
  size_t failed = 0;  // items whose write (or the reading of their old times for the log) failed
  size_t skipped = 0; // items of the plan that were not changed
  bool logFailed = false; // the log was asked for but could not be begun
};

// Writes the new times of the plan's changed items, in the plan's order, and nothing else: the
// attributes are not touched. With the Logfile setting on, the log records each written item as
// the editor's log does (old times read just before the write), under the kind of the request.
DateApplyOutcome ApplyDatePlan(FileSystemPort &fs, CChangeLog &log, const DateToolRequest &request,
                               const DatePlan &plan);

} // namespace tolm
