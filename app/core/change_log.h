// The change log of the date and attribute editor: line composition and writing, free of platform
// calls.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace tolm {

// Same layout as the platform's SYSTEMTIME; always local time here.
struct SystemTime {
  uint16_t year = 0;
  uint16_t month = 0;
  uint16_t dayOfWeek = 0;
  uint16_t day = 0;
  uint16_t hour = 0;
  uint16_t minute = 0;
  uint16_t second = 0;
  uint16_t milliseconds = 0;
};
static_assert(sizeof(SystemTime) == 16, "SystemTime must match SYSTEMTIME");

// The platform's message text for its last error code, asked at the moment a line is composed.
class SystemErrorText {
public:
  virtual ~SystemErrorText() = default;
  // The text (normally ending in CR LF), or "" when the platform has none for the code.
  virtual std::string lastErrorText() = 0;
};

// Where the log's bytes go. The Windows layer creates a new "TOZ" temporary file in open()
// and holds it open, denying reads by others, until close().
class LogSink {
public:
  virtual ~LogSink() = default;
  // False when no log file can be created or opened; nothing is written then.
  virtual bool open() = 0;
  // Writes the bytes as given (no terminator); false when the write failed.
  virtual bool write(std::string_view bytes) = 0;
  virtual void close() = 0;
};

// The four parts of the program's file version; parts the platform did not deliver stay 0.
struct FileVersion {
  uint32_t major = 0;
  uint32_t minor = 0;
  uint32_t build = 0;
  uint32_t revision = 0;
};
// "Ver. 1.2.3.4"
std::string versionText(const FileVersion &version);

// What a log records, told by its second line: the editor's times and attributes, the
// times of the date tools, or an undo of one of these (the values it wrote back).
enum class LogKind { kEditor, kDateTaken, kShift, kUndo };
// The second line's text of each kind, without its line end.
const char *logKindLine(LogKind kind);

// What the header records about one apply. The flags are written as the program holds
// them (a registry value of 5 is written as 5).
struct LogHeader {
  int32_t itemCount = 0;
  SystemTime logTime;
  int32_t isFolder = 0;
  int32_t includeSubfolders = 0;
  int32_t systemFile = 0;
  int32_t hiddenFile = 0;
  LogKind kind = LogKind::kEditor;
};

// Step numbers of the log lines, one per library call of an apply.
enum LogStep : int {
  kStepSearch = 602,
  kStepWalkError = 603,
  kStepWalkGetTime = 604,
  kStepWalkSetTime = 605,
  kStepWalkGetAttributes = 606,
  kStepWalkSetAttributes = 607,
  kStepItemGetTime = 608,
  kStepItemSetTime = 609,
  kStepItemGetAttributes = 610,
  kStepItemSetAttributes = 611,
};

// Writes one apply's record. Between a successful Begin and End every operation composes
// its lines completely and writes each line in one write; while closed they do nothing.
// A failed write is ignored so that the apply and the later lines go on.
class CChangeLog {
public:
  CChangeLog(LogSink &sink, SystemErrorText &errors, std::string versionText);
  CChangeLog(const CChangeLog &) = delete;
  CChangeLog &operator=(const CChangeLog &) = delete;
  ~CChangeLog();

  // Opens the sink and writes the five header lines: 0, or -1 when the sink cannot be
  // opened (the log stays closed) or a header line could not be written (it stays open).
  int Begin(const LogHeader &header);
  // "[number] path"; a CR or LF inside the path is written as '?'.
  void WriteItem(int number, std::string_view path);
  // "name (step) : Error Code = result " followed by the system text and the suffix.
  void WriteStep(int result, int step, std::string_view name, std::string_view suffix);
  // The three lines of a time write: result, then creation and update time as new <- old,
  // each marked " ?" when the result is not 0.
  void WriteTimeResult(int result, int step, const SystemTime &newCreation,
                       const SystemTime &newUpdate, const SystemTime &oldCreation,
                       const SystemTime &oldUpdate);
  // The two lines of an attribute write: result, then the words as new <- old.
  void WriteAttributeResult(int result, int step, uint32_t newWord, uint32_t oldWord);
  void End();

  bool IsOpen() const { return m_open; }
  const std::string &VersionText() const { return m_versionText; }

private:
  bool put(const std::string &line);

  LogSink &m_sink;
  SystemErrorText &m_errors;
  std::string m_versionText;
  bool m_open = false;
};

} // namespace tolm
