// The change log of the date and attribute editor: line composition and writing, free of platform
// calls.
#include "app/core/change_log.h"

#include <cstdarg>
#include <cstdio>
#include <utility>

namespace tolm {
namespace {

[[gnu::format(printf, 1, 2)]] std::string format(const char *pattern, ...) {
  va_list args;
  va_start(args, pattern);
  va_list measure;
  va_copy(measure, args);
  const int length = std::vsnprintf(nullptr, 0, pattern, measure);
  va_end(measure);
  std::string text;
  if (length > 0) {
    text.resize(static_cast<size_t>(length));
    std::vsnprintf(text.data(), text.size() + 1, pattern, args);
  }
  va_end(args);
  return text;
}

// "label : new <- old" with the date fields in the order year, month, day, hour, minute,
// second; day of week and milliseconds are not recorded.
std::string timeLine(const char *label, const SystemTime &now, const SystemTime &before,
                     bool failed) {
  return format("%s : %04d/%02d/%02d %02d:%02d:%02d <- %04d/%02d/%02d %02d:%02d:%02d%s\r\n", label,
                now.year, now.month, now.day, now.hour, now.minute, now.second, before.year,
                before.month, before.day, before.hour, before.minute, before.second,
                failed ? " ?" : "");
}

} // namespace

const char *logKindLine(LogKind kind) {
  switch (kind) {
  case LogKind::kDateTaken:
    return "Set FileTime from EXIF";
  case LogKind::kShift:
    return "Shift FileTime";
  case LogKind::kUndo:
    return "Undo FileTime and Attributes";
  case LogKind::kEditor:
    break;
  }
  return "Set FileTime and Attributes";
}

std::string versionText(const FileVersion &version) {
  return format("Ver. %d.%d.%d.%d", static_cast<int>(version.major),
                static_cast<int>(version.minor), static_cast<int>(version.build),
                static_cast<int>(version.revision));
}

CChangeLog::CChangeLog(LogSink &sink, SystemErrorText &errors, std::string versionText)
    : m_sink(sink), m_errors(errors), m_versionText(std::move(versionText)) {}

CChangeLog::~CChangeLog() { End(); }

bool CChangeLog::put(const std::string &line) { return m_sink.write(line); }

int CChangeLog::Begin(const LogHeader &header) {
  End();
  if (!m_sink.open())
    return -1;
  m_open = true;
  const SystemTime &t = header.logTime;
  bool written = put(format("%s (%s)\r\n", "n.orbit TOLM", m_versionText.c_str()));
  written = put(format("%s\r\n", logKindLine(header.kind))) && written;
  written = put(format("DATE = %04d/%02d/%02d %02d:%02d:%02d\r\n", t.year, t.month, t.day, t.hour,
                       t.minute, t.second)) &&
            written;
  written =
      put(format(
          "DirectoryYes = %d : SubdirectoryYes = %d : SystemFileYes = %d : HiddenFileYes = %d\r\n",
          header.isFolder, header.includeSubfolders, header.systemFile, header.hiddenFile)) &&
      written;
  written = put(format("Total Counts = %d\r\n\r\n", header.itemCount)) && written;
  return written ? 0 : -1;
}

void CChangeLog::WriteItem(int number, std::string_view path) {
  if (!m_open)
    return;
  // A line break inside the path would end the item line early and let the rest pass for
  // other lines: one path is always one line, its CR and LF written as '?'.
  std::string line = format("[%d] ", number);
  const size_t start = line.size();
  line.append(path);
  for (size_t i = start; i < line.size(); ++i)
    if (line[i] == '\r' || line[i] == '\n')
      line[i] = '?';
  line += "\r\n";
  put(line);
}

void CChangeLog::WriteStep(int result, int step, std::string_view name, std::string_view suffix) {
  if (!m_open)
    return;
  // The system text is taken first, before composing can disturb the platform's last error.
  const std::string system = m_errors.lastErrorText();
  put(format("%.*s (%d) : Error Code = %d %s%.*s", static_cast<int>(name.size()), name.data(), step,
             result, system.c_str(), static_cast<int>(suffix.size()), suffix.data()));
}

void CChangeLog::WriteTimeResult(int result, int step, const SystemTime &newCreation,
                                 const SystemTime &newUpdate, const SystemTime &oldCreation,
                                 const SystemTime &oldUpdate) {
  if (!m_open)
    return;
  const std::string system = m_errors.lastErrorText();
  // Without a system text the blank before the line end stays: readers may rely on it.
  if (system.empty())
    put(format("%s (%d) : Error Code = %d \r\n", "Set FileTime", step, result));
  else
    put(format("%s (%d) : Error Code = %d %s", "Set FileTime", step, result, system.c_str()));
  const bool failed = result != 0;
  put(timeLine("Createtime", newCreation, oldCreation, failed));
  put(timeLine("Writetime ", newUpdate, oldUpdate, failed));
}

void CChangeLog::WriteAttributeResult(int result, int step, uint32_t newWord, uint32_t oldWord) {
  if (!m_open)
    return;
  const std::string system = m_errors.lastErrorText();
  if (system.empty())
    put(format("%s (%d) : Error Code = %d\r\n", "Set Attributes", step, result));
  else
    put(format("%s (%d) : Error Code = %d %s", "Set Attributes", step, result, system.c_str()));
  put(format("Attributes : 0x%08x <- 0x%08x%s\r\n", static_cast<unsigned>(newWord),
             static_cast<unsigned>(oldWord), result != 0 ? " ?" : ""));
}

void CChangeLog::End() {
  if (!m_open)
    return;
  m_sink.close();
  m_open = false;
}

} // namespace tolm
