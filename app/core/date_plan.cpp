// The date tools' plan and its apply.
#include "app/core/date_plan.h"

#include "app/core/property_text.h"

namespace tolm {
namespace {

// Fills the new times of an item whose current times were read; false when the item is skipped.
bool planNewTimes(PlanItem &item, ExifDateReader &exif, const TimeZone &zone,
                  const DateToolRequest &request) {
  if (request.source == NewTimeSource::kDateTaken) {
    ExifDateTexts texts;
    const bool hasExif =
        (item.attributes & kAttrDirectory) == 0 && exif.readDateTexts(item.path, texts);
    const PhotoTime taken = hasExif ? photoTimeFromExif(texts, zone) : PhotoTime{};
    if (taken.source == DateSource::kNone) {
      item.note = PlanNote::kNoDateTaken;
      return false;
    }
    item.dateSource = taken.source;
    item.offsetApplied = taken.offsetApplied;
    if (request.setCreation) {
      item.newCreation = taken.local;
      item.newCreation.milliseconds = 0;
    }
    if (request.setUpdate) {
      item.newUpdate = taken.local;
      item.newUpdate.milliseconds = 0;
    }
    return true;
  }
  ShiftResult creation{true, item.oldCreation, ZoneMark::kNone};
  ShiftResult update{true, item.oldUpdate, ZoneMark::kNone};
  if (request.setCreation)
    creation = shiftLocalTime(item.oldCreation, request.shiftSeconds, zone);
  if (request.setUpdate)
    update = shiftLocalTime(item.oldUpdate, request.shiftSeconds, zone);
  if (!creation.ok || !update.ok) {
    item.note = PlanNote::kOutOfRange;
    return false;
  }
  item.newCreation = creation.time;
  item.newUpdate = update.time;
  return true;
}

PlanItem planItem(FileSystemPort &fs, ExifDateReader &exif, const TimeZone &zone,
                  const DateToolRequest &request, const std::string &path) {
  PlanItem item;
  item.path = path;
  const bool wordRead = fs.getAttributes(path, &item.attributes) == kKelOk;
  if (isProtectedItem(wordRead, item.attributes, request.walk.hiddenFile,
                      request.walk.systemFile)) {
    item.note = PlanNote::kProtected;
    return item;
  }
  item.readOnly = (item.attributes & kAttrReadOnly) != 0;
  if (fs.operateFileTime(kTimeGetCreationAndUpdate, path, &item.oldCreation, nullptr,
                         &item.oldUpdate) != kKelOk ||
      !isValidTime(item.oldCreation) || !isValidTime(item.oldUpdate)) {
    // Without the current times neither a shift nor the log's record of the old values exists.
    item.note = PlanNote::kUnreadable;
    item.oldCreation = item.oldUpdate = SystemTime{};
    return item;
  }
  item.newCreation = item.oldCreation;
  item.newUpdate = item.oldUpdate;
  if (!planNewTimes(item, exif, zone, request)) {
    item.newCreation = item.oldCreation;
    item.newUpdate = item.oldUpdate;
    return item;
  }
  item.creationMark = request.setCreation ? zoneMarkOf(item.newCreation, zone) : ZoneMark::kNone;
  item.updateMark = request.setUpdate ? zoneMarkOf(item.newUpdate, zone) : ZoneMark::kNone;
  const bool same =
      sameSecond(item.newCreation, item.oldCreation) && sameSecond(item.newUpdate, item.oldUpdate);
  item.note = same ? PlanNote::kUnchanged : PlanNote::kChanged;
  return item;
}

} // namespace

DatePlan BuildDatePlan(FileSystemPort &fs, ExifDateReader &exif, const TimeZone &zone,
                       const DateToolRequest &request) {
  DatePlan plan;
  std::vector<std::string> paths;
  if (request.walk.isFolder == 1 && request.walk.includeFiles == 1) {
    plan.walked = true;
    NameTable table;
    plan.searchResult = collectWalk(fs, request.walk, table);
    if (!walkSucceeded(plan.searchResult, table.WalkError(), table.IsFull())) {
      plan.walkFailed = true;
      return plan;
    }
    plan.tooManyItems = table.IsFull();
    paths = table.Paths();
  } else {
    paths.push_back(request.walk.target);
  }
  plan.items.reserve(paths.size());
  for (const std::string &path : paths) {
    plan.items.push_back(planItem(fs, exif, zone, request, path));
    switch (plan.items.back().note) {
    case PlanNote::kChanged:
      ++plan.changed;
      break;
    case PlanNote::kUnchanged:
      ++plan.unchanged;
      break;
    default:
      ++plan.skipped;
      break;
    }
  }
  return plan;
}

DateApplyOutcome ApplyDatePlan(FileSystemPort &fs, CChangeLog &log, const DateToolRequest &request,
                               const DatePlan &plan) {
  DateApplyOutcome outcome;
  if (plan.walkFailed)
    return outcome;
  const bool logOn = request.walk.logFile != 0;
  const int getStep = plan.walked ? kStepWalkGetTime : kStepItemGetTime;
  const int setStep = plan.walked ? kStepWalkSetTime : kStepItemSetTime;
  if (logOn) {
    LogHeader header;
    header.itemCount = static_cast<int32_t>(plan.changed);
    header.logTime = request.walk.logTime;
    header.isFolder = request.walk.isFolder;
    header.includeSubfolders = request.walk.includeSubfolders;
    header.systemFile = request.walk.systemFile;
    header.hiddenFile = request.walk.hiddenFile;
    header.kind = request.source == NewTimeSource::kShift ? LogKind::kShift : LogKind::kDateTaken;
    outcome.logFailed = log.Begin(header) != 0 && !log.IsOpen();
  }
  int number = 1;
  for (const PlanItem &item : plan.items) {
    if (item.note != PlanNote::kChanged) {
      ++outcome.skipped;
      continue;
    }
    bool ok = true;
    SystemTime oldCreation{};
    SystemTime oldUpdate{};
    // The times are read again just before the write: the log records what is overwritten, and
    // a time that is not chosen keeps what it holds now rather than what the preview saw.
    if (logOn)
      log.WriteItem(number, item.path);
    const int got =
        fs.operateFileTime(kTimeGetCreationAndUpdate, item.path, &oldCreation, nullptr, &oldUpdate);
    ok = got == kKelOk;
    if (logOn)
      log.WriteStep(got, getStep, "Get FileTime", "");
    SystemTime newCreation = request.setCreation || !ok ? item.newCreation : oldCreation;
    SystemTime newUpdate = request.setUpdate || !ok ? item.newUpdate : oldUpdate;
    const SystemTime loggedCreation = newCreation;
    const SystemTime loggedUpdate = newUpdate;
    const int result =
        fs.operateFileTime(kTimeSetCreationAndUpdate, item.path, &newCreation, nullptr, &newUpdate);
    ok = ok && result == kKelOk;
    if (logOn)
      log.WriteTimeResult(result, setStep, loggedCreation, loggedUpdate, oldCreation, oldUpdate);
    ++(ok ? outcome.changed : outcome.failed);
    ++number;
  }
  log.End();
  return outcome;
}

} // namespace tolm
