// Applying new times and attributes to one item or a folder tree, free of platform calls.
#include "app/core/apply.h"

#include <cstring>
#include <exception>

namespace tolm {
namespace {

constexpr size_t kMaxWalkErrorText = 1023;

// The step numbers and the attribute-read name of one road; the two roads differ only here.
struct ItemSteps {
  int getTime;
  int setTime;
  int getAttributes;
  int setAttributes;
  const char *getAttributesName;
};
constexpr ItemSteps kWalkSteps{kStepWalkGetTime, kStepWalkSetTime, kStepWalkGetAttributes,
                               kStepWalkSetAttributes, "Get Attributes"};
// "Get Attributer" is what readers of existing logs know the single-item line by.
constexpr ItemSteps kSingleSteps{kStepItemGetTime, kStepItemSetTime, kStepItemGetAttributes,
                                 kStepItemSetAttributes, "Get Attributer"};

// Times, then attributes, of one item; true when every call succeeded.
bool processItem(FileSystemPort &fs, CChangeLog &log, bool logOn, const ApplyRequest &request,
                 const std::string &path, int number, const ItemSteps &steps) {
  bool ok = true;
  // The old times are only needed for the log.
  SystemTime oldCreation{};
  SystemTime oldUpdate{};
  if (logOn) {
    log.WriteItem(number, path);
    const int got =
        fs.operateFileTime(kTimeGetCreationAndUpdate, path, &oldCreation, nullptr, &oldUpdate);
    ok = ok && got == kKelOk;
    log.WriteStep(got, steps.getTime, "Get FileTime", "");
  }

  SystemTime newCreation = request.newCreation;
  SystemTime newUpdate = request.newUpdate;
  const int timeResult =
      fs.operateFileTime(kTimeSetCreationAndUpdate, path, &newCreation, nullptr, &newUpdate);
  ok = ok && timeResult == kKelOk;
  if (logOn)
    log.WriteTimeResult(timeResult, steps.setTime, request.newCreation, request.newUpdate,
                        oldCreation, oldUpdate);

  uint32_t oldWord = kAttrInvalid;
  const int readResult = fs.getAttributes(path, &oldWord);
  if (logOn)
    log.WriteStep(readResult, steps.getAttributes, steps.getAttributesName, "");
  const uint32_t newWord = applyAttributeFlags(oldWord, request.flags);
  // A word that could not be read is no base for a new one: written back it would switch on
  // every settable bit (temporary, offline, not indexed, ...). The read's failure stands as
  // the write's result, so the log marks the word " ?" as not written.
  int writeResult = readResult;
  if (readResult == kKelOk)
    writeResult = fs.setAttributes(path, newWord);
  ok = ok && readResult == kKelOk && writeResult == kKelOk;
  if (logOn)
    log.WriteAttributeResult(writeResult, steps.setAttributes, newWord, oldWord);
  return ok;
}

LogHeader headerFor(const ApplyRequest &request, int32_t count) {
  LogHeader header;
  header.itemCount = count;
  header.logTime = request.logTime;
  header.isFolder = request.isFolder;
  header.includeSubfolders = request.includeSubfolders;
  header.systemFile = request.systemFile;
  header.hiddenFile = request.hiddenFile;
  return header;
}

} // namespace

int dispatchFoundItem(uintptr_t context, const char *path, uint32_t attributes) noexcept {
  if (context == 0)
    return 0;
  return reinterpret_cast<SearchVisitor *>(context)->onFound(path, attributes);
}

int NameTable::onFound(const char *path, uint32_t) noexcept {
  // A search that goes on after being told to stop must not grow the table.
  if (IsFull())
    return 0;
  if (path == nullptr)
    return 1;
  try {
    m_paths.emplace_back(path);
  } catch (const std::exception &e) {
    m_walkError = kWalkOutOfMemory;
    try {
      m_walkErrorText.assign(e.what(), strnlen(e.what(), kMaxWalkErrorText));
    } catch (...) {
      m_walkErrorText.clear();
    }
    return 0;
  }
  return IsFull() ? 0 : 1;
}

uint32_t applyAttributeFlags(uint32_t oldWord, const AttributeFlags &flags) {
  uint32_t word = oldWord & ~(kAttrReadOnly | kAttrHidden | kAttrArchive | kAttrSystem);
  if (flags.readOnly)
    word |= kAttrReadOnly;
  if (flags.hidden)
    word |= kAttrHidden;
  if (flags.archive)
    word |= kAttrArchive;
  if (flags.system)
    word |= kAttrSystem;
  return word;
}

int walkSearchFlags(const ApplyRequest &request) {
  int flags = kSearchFolders | kSearchArchive | kSearchReadOnly;
  if (request.includeSubfolders)
    flags |= kSearchRecursive;
  if (request.hiddenFile)
    flags |= kSearchHidden;
  if (request.systemFile)
    flags |= kSearchSystem;
  return flags;
}

int collectWalk(FileSystemPort &fs, const ApplyRequest &request, NameTable &table) {
  return fs.searchDirectory(walkSearchFlags(request), request.target, "*.*", table);
}

bool walkSucceeded(int searchResult, int walkError, bool tableFull) {
  if (tableFull)
    return searchResult == kKelStopped && walkError == 0;
  return searchResult >= 0 && walkError >= 0;
}

ApplyOutcome ApplyChanges(FileSystemPort &fs, CChangeLog &log, const ApplyRequest &request) {
  ApplyOutcome outcome;
  const bool logOn = request.logFile != 0;

  if (request.isFolder == 1 && request.includeFiles == 1) {
    outcome.walked = true;
    NameTable table;
    outcome.searchResult = collectWalk(fs, request, table);
    const auto count = static_cast<int32_t>(table.Paths().size());
    if (logOn) {
      log.Begin(headerFor(request, count));
      log.WriteStep(outcome.searchResult, kStepSearch, "File Search", "");
      log.WriteStep(table.WalkError(), kStepWalkError, "File Search", "\r\n");
    }
    if (!walkSucceeded(outcome.searchResult, table.WalkError(), table.IsFull())) {
      outcome.showBox = true;
      outcome.box = {kBoxExclamation, outcome.searchResult};
      log.End();
      return outcome;
    }
    int number = 1;
    for (const std::string &path : table.Paths()) {
      if (!processItem(fs, log, logOn, request, path, number, kWalkSteps))
        ++outcome.failedItems;
      ++outcome.processed;
      ++number;
    }
    // The search stops at the item that fills the table, so a full table is reported as an
    // overflow even when that item happened to be the last one.
    if (table.IsFull()) {
      outcome.showBox = true;
      outcome.box = {kBoxInformation, kErrTooManyFiles};
    }
  } else {
    if (logOn)
      log.Begin(headerFor(request, 1));
    if (!processItem(fs, log, logOn, request, request.target, 1, kSingleSteps))
      ++outcome.failedItems;
    outcome.processed = 1;
  }
  log.End();
  return outcome;
}

} // namespace tolm
