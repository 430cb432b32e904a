// Applying new times and attributes to one item or a folder tree, free of platform calls.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "app/core/change_log.h"

namespace tolm {

// Result codes of the utility library that the apply tells apart.
constexpr int kKelOk = 0;
constexpr int kKelFailed = -1;
constexpr int kKelStopped = -201; // the search callback stopped the walk

// Time operation codes: creation and update time, read (5) or written from local time (0x105);
// the access time is never touched.
constexpr int kTimeGetCreationAndUpdate = 0x005;
constexpr int kTimeSetCreationAndUpdate = 0x105;

// Search flags of the utility library.
constexpr int kSearchRecursive = 0x001;
constexpr int kSearchFolders = 0x002;
constexpr int kSearchArchive = 0x100;
constexpr int kSearchHidden = 0x200;
constexpr int kSearchReadOnly = 0x400;
constexpr int kSearchSystem = 0x800;

// Bits of the platform's attribute word.
constexpr uint32_t kAttrReadOnly = 0x01;
constexpr uint32_t kAttrHidden = 0x02;
constexpr uint32_t kAttrSystem = 0x04;
constexpr uint32_t kAttrDirectory = 0x10;
constexpr uint32_t kAttrArchive = 0x20;
constexpr uint32_t kAttrInvalid = 0xFFFFFFFF; // what the library stores for a missing item

// The program's own codes met here.
constexpr int kErrTooManyFiles = -5003; // more items than the name table holds
constexpr int kWalkOutOfMemory = -6000; // a found path could not be stored

// Message-box flags of the error reporter.
constexpr uint32_t kBoxExclamation = 48;
constexpr uint32_t kBoxInformation = 64;

// Receives the items of a directory search. The Windows layer passes the visitor's address as
// the search record's user value and forwards its callback to dispatchFoundItem.
class SearchVisitor {
public:
  virtual ~SearchVisitor() = default;
  // Nonzero to go on, 0 to stop the search. Never throws.
  virtual int onFound(const char *path, uint32_t attributes) noexcept = 0;
};

// The body of the search callback: context is a SearchVisitor's address, or 0 (then the
// search is stopped). Never throws, so it may run inside the library's callback.
int dispatchFoundItem(uintptr_t context, const char *path, uint32_t attributes) noexcept;

// What the Windows layer provides, each call with the utility library's meaning and results.
class FileSystemPort : public SystemErrorText {
public:
  // kelOperateFileTime: 0 or a failure code; records may be null.
  virtual int operateFileTime(int code, const std::string &path, SystemTime *creation,
                              SystemTime *lastAccess, SystemTime *lastWrite) = 0;
  // kelGetFileAttributes: 0 and the word, or a failure code (the word then as the library left it).
  virtual int getAttributes(const std::string &path, uint32_t *attributes) = 0;
  // kelSetFileAttributes: 0 or a failure code.
  virtual int setAttributes(const std::string &path, uint32_t attributes) = 0;
  // kelSearchDirectory without a list file, reporting each item to the visitor: 0 when the
  // walk ran to the end, kKelStopped when the visitor stopped it, another negative code.
  virtual int searchDirectory(int flags, const std::string &folder, const std::string &pattern,
                              SearchVisitor &visitor) = 0;
};

// The paths a folder walk collects, at most kCapacity; the search is stopped as soon as the
// table is full, so a full table may or may not mean that items were left out.
class NameTable : public SearchVisitor {
public:
  static constexpr size_t kCapacity = 3000;

  int onFound(const char *path, uint32_t attributes) noexcept override;

  const std::vector<std::string> &Paths() const { return m_paths; }
  bool IsFull() const { return m_paths.size() >= kCapacity; }
  // 0, or kWalkOutOfMemory with the allocator's message (at most 1023 characters).
  int WalkError() const { return m_walkError; }
  const std::string &WalkErrorText() const { return m_walkErrorText; }

private:
  std::vector<std::string> m_paths;
  int m_walkError = 0;
  std::string m_walkErrorText;
};

// The four check boxes of the editor: set or clear that bit of each item's own word.
struct AttributeFlags {
  bool readOnly = false;
  bool hidden = false;
  bool archive = false;
  bool system = false;
};

// The old word with the read-only, hidden, archive and system bits taken from the flags;
// every other bit keeps its value.
uint32_t applyAttributeFlags(uint32_t oldWord, const AttributeFlags &flags);

// Everything one press of Apply or OK needs: the target, the editor's state and values, and
// the three settings as the program holds them (nonzero means yes).
struct ApplyRequest {
  std::string target;
  int32_t isFolder = 0;
  int32_t includeFiles = 0;
  int32_t includeSubfolders = 0;
  int32_t hiddenFile = 0;
  int32_t logFile = 1;
  int32_t systemFile = 0;
  SystemTime newCreation;
  SystemTime newUpdate;
  AttributeFlags flags;
  SystemTime logTime; // the local time of the press, written in the log header
};

// The search flags of a folder walk for these settings.
int walkSearchFlags(const ApplyRequest &request);

// Asks the file system to walk the request's target folder with walkSearchFlags and "*.*",
// collecting into the table; the search's result. Shared by the apply and the date tools so
// that both see the same items.
int collectWalk(FileSystemPort &fs, const ApplyRequest &request, NameTable &table);

// True when a walk's collection can be used: a search that ran to the end without a walk
// error, or one that the full table stopped.
bool walkSucceeded(int searchResult, int walkError, bool tableFull);

// A message box the caller shows through the error reporter.
struct ErrorBox {
  uint32_t flags = 0;
  int code = 0;
};

struct ApplyOutcome {
  bool walked = false;  // folder walk (else the single item)
  int searchResult = 0; // of the walk's search
  bool showBox = false; // at most one box per apply
  ErrorBox box;
  size_t processed = 0;   // items whose times and attributes were written (or tried)
  size_t failedItems = 0; // items with a failed read or write; only the log tells them
};

// Writes the new times, then the attributes, to the target alone or, for a folder whose files
// are included, to every item the search reports (at most NameTable::kCapacity, in the order
// reported), recording each call in the log when the Logfile setting is on (a new log each
// time). The log is closed again before returning. A failed search changes nothing.
ApplyOutcome ApplyChanges(FileSystemPort &fs, CChangeLog &log, const ApplyRequest &request);

} // namespace tolm
