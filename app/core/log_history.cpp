// The history of change logs: listing and ordering.
#include "app/core/log_history.h"

#include <algorithm>
#include <tuple>

#include "app/core/calendar_time.h"

namespace tolm {
namespace {

HistoryEntry entryOf(const LogFile &file) {
  HistoryEntry entry;
  entry.name = file.name;
  entry.lastWrite = file.lastWrite;
  entry.bytes = file.bytes;
  entry.checked = file.head.size() >= file.bytes;
  const LogReadResult head = ReadChangeLogHead(file.head);
  if (head.ok) {
    entry.hasHeader = true;
    entry.kind = head.record.kind;
    entry.date = head.record.date;
    entry.target = head.record.target();
    entry.itemCount = head.record.itemCount;
  }
  if (entry.checked) {
    const LogReadResult whole = ReadChangeLog(file.head);
    entry.readable = whole.ok;
    entry.problem = whole.problem;
    entry.problemLine = whole.line;
  } else {
    entry.readable = head.ok;
    entry.problem = head.problem;
    entry.problemLine = head.line;
  }
  return entry;
}

int64_t secondsOr(const SystemTime &time, int64_t fallback) {
  return toSeconds(time).value_or(fallback);
}

} // namespace

std::vector<HistoryEntry> ListChangeLogs(const std::vector<LogFile> &files) {
  std::vector<HistoryEntry> entries;
  for (const LogFile &file : files)
    if (looksLikeChangeLog(file.head))
      entries.push_back(entryOf(file));
  auto key = [](const HistoryEntry &e) {
    const int64_t fileTime = secondsOr(e.lastWrite, -1);
    const int64_t date = e.hasHeader ? secondsOr(e.date, fileTime) : fileTime;
    return std::make_tuple(date, fileTime);
  };
  std::stable_sort(entries.begin(), entries.end(),
                   [&](const HistoryEntry &a, const HistoryEntry &b) {
                     const auto ka = key(a);
                     const auto kb = key(b);
                     if (ka != kb)
                       return ka > kb;
                     return a.name < b.name;
                   });
  return entries;
}

} // namespace tolm
