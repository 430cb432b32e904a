// Undoing an apply from its change log: the plan and its apply.
#include "app/core/undo_plan.h"

#include "app/core/calendar_time.h"
#include "app/core/property_text.h"

namespace tolm {
namespace {

UndoValue timeValue(const LoggedTime &pair, const SystemTime &current) {
  if (sameSecond(pair.now, pair.before))
    return UndoValue::kUntouched;
  // An old time of zeros is a read that failed: written back it would be refused at best.
  if (pair.failed || !isValidTime(pair.before))
    return UndoValue::kNotUndoable;
  if (sameSecond(current, pair.now))
    return UndoValue::kAtLogged;
  return sameSecond(current, pair.before) ? UndoValue::kAtOld : UndoValue::kElsewhere;
}

UndoValue wordValue(const LoggedItem &logged, uint32_t current) {
  if (!logged.hasAttributes)
    return UndoValue::kUntouched;
  const LoggedWord &pair = logged.attributes;
  if (((pair.now ^ pair.before) & kEditableAttributes) == 0)
    return UndoValue::kUntouched;
  // The word the library stores for an item it cannot read is no old value.
  if (pair.failed || pair.before == kAttrInvalid)
    return UndoValue::kNotUndoable;
  if ((current & kEditableAttributes) == (pair.now & kEditableAttributes))
    return UndoValue::kAtLogged;
  return (current & kEditableAttributes) == (pair.before & kEditableAttributes)
             ? UndoValue::kAtOld
             : UndoValue::kElsewhere;
}

bool restorable(UndoValue value) {
  return value == UndoValue::kAtLogged || value == UndoValue::kAtOld ||
         value == UndoValue::kElsewhere;
}

UndoState stateOf(const UndoItem &item) {
  const UndoValue values[3] = {item.creation, item.update, item.attributes};
  bool any = false, notUndoable = false, elsewhere = false, atLogged = false;
  for (UndoValue v : values) {
    any = any || restorable(v);
    notUndoable = notUndoable || v == UndoValue::kNotUndoable;
    elsewhere = elsewhere || v == UndoValue::kElsewhere;
    atLogged = atLogged || v == UndoValue::kAtLogged;
  }
  if (!any)
    return notUndoable ? UndoState::kNotUndoable : UndoState::kNothingToUndo;
  if (elsewhere)
    return UndoState::kChangedSince;
  return atLogged ? UndoState::kReady : UndoState::kAlreadyUndone;
}

// Reads the item's current values and sets each value's and the item's state from them.
void judge(FileSystemPort &fs, const UndoRequest &request, UndoItem &item) {
  const LoggedItem &logged = item.logged;
  item.currentCreation = item.currentUpdate = SystemTime{};
  item.currentWord = kAttrInvalid;
  const bool timesRead =
      fs.operateFileTime(kTimeGetCreationAndUpdate, logged.path, &item.currentCreation, nullptr,
                         &item.currentUpdate) == kKelOk;
  const bool wordRead = fs.getAttributes(logged.path, &item.currentWord) == kKelOk;
  if (logged.hasTimes) {
    item.creation = timeValue(logged.creation, item.currentCreation);
    item.update = timeValue(logged.update, item.currentUpdate);
  }
  item.attributes = wordValue(logged, item.currentWord);
  if (!timesRead || !wordRead) {
    item.state = UndoState::kMissing;
    item.currentCreation = item.currentUpdate = SystemTime{};
    item.currentWord = kAttrInvalid;
    return;
  }
  item.state = stateOf(item);
  // Only items this run could change: the same rule as the editor's walk under the settings
  // of now, so that a log cannot reach what the settings keep out of reach.
  if (item.state != UndoState::kNothingToUndo && item.state != UndoState::kNotUndoable &&
      isProtectedItem(true, item.currentWord, request.hiddenFile, request.systemFile))
    item.state = UndoState::kProtected;
}

// Values to write back: those not at their old value yet.
bool needsWrite(UndoValue value) {
  return value == UndoValue::kAtLogged || value == UndoValue::kElsewhere;
}

// One item's writes, worked out from a fresh reading just before the apply.
struct UndoWrite {
  UndoItem now;
  bool times = false;
  bool word = false;
  SystemTime creation;
  SystemTime update;
  uint32_t newWord = 0;
};

bool prepareWrite(FileSystemPort &fs, const UndoRequest &request, const UndoItem &planned,
                  UndoWrite &write, bool &unreadable) {
  unreadable = false;
  if (!planned.chosen)
    return false;
  const bool acknowledged = planned.state == UndoState::kChangedSince;
  if (planned.state != UndoState::kReady && !acknowledged)
    return false;
  write.now = planned;
  judge(fs, request, write.now);
  const UndoItem &now = write.now;
  if (now.state == UndoState::kMissing) {
    unreadable = true;
    return false;
  }
  if (now.state != UndoState::kReady && !(now.state == UndoState::kChangedSince && acknowledged))
    return false;
  const bool creation = needsWrite(now.creation);
  const bool update = needsWrite(now.update);
  write.times = creation || update;
  write.creation = creation ? now.logged.creation.before : now.currentCreation;
  write.update = update ? now.logged.update.before : now.currentUpdate;
  write.word = needsWrite(now.attributes);
  write.newWord = (now.currentWord & ~kEditableAttributes) |
                  (now.logged.attributes.before & kEditableAttributes);
  return write.times || write.word;
}

} // namespace

UndoPlan BuildUndoPlan(FileSystemPort &fs, const LogReadResult &log, const UndoRequest &request) {
  UndoPlan plan;
  if (!log.ok) {
    plan.problem = log.problem;
    plan.problemLine = log.line;
    return plan;
  }
  const ChangeLogRecord &record = log.record;
  plan.readable = true;
  plan.kind = record.kind;
  plan.logDate = record.date;
  plan.isFolder = record.isFolder;
  plan.includeSubfolders = record.includeSubfolders;
  plan.items.reserve(record.items.size());
  for (const LoggedItem &logged : record.items) {
    UndoItem item;
    item.logged = logged;
    judge(fs, request, item);
    item.chosen = item.state == UndoState::kReady;
    plan.ready += item.state == UndoState::kReady ? 1 : 0;
    plan.changedSince += item.state == UndoState::kChangedSince ? 1 : 0;
    plan.items.push_back(std::move(item));
  }
  return plan;
}

UndoOutcome ApplyUndoPlan(FileSystemPort &fs, CChangeLog &log, const UndoRequest &request,
                          const UndoPlan &plan) {
  UndoOutcome outcome;
  if (!plan.readable)
    return outcome;
  // Every item is read again and judged before the header is written: the header's count must
  // be the number of items the log will hold, or the log would not read back.
  std::vector<UndoWrite> writes;
  for (const UndoItem &planned : plan.items) {
    UndoWrite write;
    bool unreadable = false;
    if (prepareWrite(fs, request, planned, write, unreadable))
      writes.push_back(std::move(write));
    else
      ++(unreadable ? outcome.failed : outcome.skipped);
  }
  if (writes.empty())
    return outcome;

  const bool logOn = request.logFile != 0;
  if (logOn) {
    LogHeader header;
    header.itemCount = static_cast<int32_t>(writes.size());
    header.logTime = request.logTime;
    header.isFolder = plan.isFolder;
    header.includeSubfolders = plan.includeSubfolders;
    header.systemFile = request.systemFile;
    header.hiddenFile = request.hiddenFile;
    header.kind = LogKind::kUndo;
    outcome.logFailed = log.Begin(header) != 0 && !log.IsOpen();
  }
  int number = 1;
  for (const UndoWrite &write : writes) {
    const UndoItem &now = write.now;
    if (logOn)
      log.WriteItem(number++, now.logged.path);
    bool ok = true;
    auto writeTimes = [&] {
      SystemTime creation = write.creation;
      SystemTime update = write.update;
      const int result = fs.operateFileTime(kTimeSetCreationAndUpdate, now.logged.path, &creation,
                                            nullptr, &update);
      ok = ok && result == kKelOk;
      if (logOn)
        log.WriteTimeResult(result, kStepWalkSetTime, write.creation, write.update,
                            now.currentCreation, now.currentUpdate);
    };
    auto writeWord = [&] {
      const int result = fs.setAttributes(now.logged.path, write.newWord);
      ok = ok && result == kKelOk;
      if (logOn)
        log.WriteAttributeResult(result, kStepWalkSetAttributes, write.newWord, now.currentWord);
    };
    const bool liftsReadOnly = write.word && (now.currentWord & kAttrReadOnly) != 0 &&
                               (write.newWord & kAttrReadOnly) == 0;
    if (liftsReadOnly)
      writeWord();
    if (write.times)
      writeTimes();
    if (!liftsReadOnly && write.word)
      writeWord();
    ++(ok ? outcome.changed : outcome.failed);
  }
  log.End();
  return outcome;
}

} // namespace tolm
