// The history of change logs: the logs found in a folder, newest first, for the user to pick one to
// undo.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "app/core/log_reader.h"

namespace tolm {

// How much of each file the caller reads for the list. A file of at most this size is read
// whole and checked whole; a larger one is listed from its head, and read whole only when the
// user picks it (ReadChangeLog, then BuildUndoPlan, which refuses it if it does not read).
// An item takes about half a kilobyte of log with the platform's texts, so logs of up to about a
// hundred items are checked while listing; the largest (3000 items) run to about 2 MB.
constexpr size_t kHistoryHeadBytes = 64 * 1024;

// One file found in the folder. The caller lists the folder (the user's temporary folder) and
// reads the first min(bytes, kHistoryHeadBytes) bytes of each file into head.
struct LogFile {
  std::string name;     // as the caller will open it again
  SystemTime lastWrite; // local time
  uint64_t bytes = 0;   // the whole file's size
  std::string head;     // the file's first bytes; the whole file when head.size() >= bytes
};

struct HistoryEntry {
  std::string name;
  SystemTime lastWrite;
  uint64_t bytes = 0;
  // False: the log does not read (problem and problemLine say why); listed, never undone.
  bool readable = false;
  // True when the whole file was read and checked; false for a log listed from its head, which
  // may still turn out unreadable when read whole.
  bool checked = false;
  std::string problem;
  size_t problemLine = 0;
  // From the header, when it reads (hasHeader); also for a log whose later lines do not.
  bool hasHeader = false;
  LogKind kind = LogKind::kEditor;
  SystemTime date;    // the log's own DATE line, local time
  std::string target; // the first item's path: the target itself
  int32_t itemCount = 0;
};

// The entries of the files that begin with this program's header line, newest first by the
// log's own date (the file time for a log without a readable header), then by file time, then
// by name; files of any other kind are left out. Never throws for any content of the heads.
std::vector<HistoryEntry> ListChangeLogs(const std::vector<LogFile> &files);

} // namespace tolm
