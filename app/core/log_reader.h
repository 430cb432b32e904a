// Reading a change log back: the header and, for each item, the new and old values it recorded.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/core/change_log.h"

namespace tolm {

// The longest path an item line may carry: a platform path buffer less its terminator.
constexpr size_t kMaxLogPath = 259;

// One "new <- old" pair; failed when the line was marked " ?" (the value may not have been
// written). The records hold the fields as written: an old time whose read failed is all zero.
struct LoggedTime {
  SystemTime now;
  SystemTime before;
  bool failed = false;
};
struct LoggedWord {
  uint32_t now = 0;
  uint32_t before = 0;
  bool failed = false;
};

struct LoggedItem {
  int number = 0;
  std::string path;      // bytes as written (the system's ANSI code page)
  bool hasTimes = false; // always, except in an undo's log, which records only what it wrote
  LoggedTime creation;
  LoggedTime update;
  bool hasAttributes = false; // the editor's logs, and an undo's log where it wrote a word
  LoggedWord attributes;
};

struct ChangeLogRecord {
  std::string version; // "Ver. 1.2.3.4"
  LogKind kind = LogKind::kEditor;
  SystemTime date;
  int32_t isFolder = 0;
  int32_t includeSubfolders = 0;
  int32_t systemFile = 0;
  int32_t hiddenFile = 0;
  int32_t itemCount = 0;
  bool searchFailed = false; // a walk whose search failed: counted items, none changed
  std::vector<LoggedItem> items;
  // The first item's path: the target itself, as the walk reports the start folder first.
  std::string target() const { return items.empty() ? std::string() : items.front().path; }
};

struct LogReadResult {
  bool ok = false;
  size_t line = 0;        // when not ok: the 1-based line where reading gave up
  std::string problem;    // when not ok: what was wrong there, for support
  ChangeLogRecord record; // when not ok: empty, never a part of the log
};

// True when the bytes begin with the header's first line: a log of this program.
bool looksLikeChangeLog(std::string_view bytes);

// Reads a whole log. Any line out of place, a cut line, a count that does not match the items,
// a path longer than kMaxLogPath or an item without all its value lines makes the whole log
// unreadable; step lines and system texts between them are skipped. An undo's log may give an
// item its time pair, its attribute pair or both, in either order, each at most once.
LogReadResult ReadChangeLog(std::string_view bytes);

// Reads only the header and the first item's path from the head of a log (its first bytes, or
// all of it): enough to list the log, nothing to act on. A partial last line is dropped. When
// ok, record.items holds at most that first item, without values (hasTimes and hasAttributes
// false), and record.itemCount is the header's count; whether the rest of the log reads is not
// known until ReadChangeLog has read all of it.
LogReadResult ReadChangeLogHead(std::string_view head);

} // namespace tolm
