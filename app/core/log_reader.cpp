// Reading a change log back, all or nothing.
#include "app/core/log_reader.h"

#include <optional>

#include "app/core/apply.h"

namespace tolm {
namespace {

constexpr std::string_view kProgramLine = "n.orbit TOLM (";

// A cursor over one line; every read either consumes what it matched or reports failure.
class Cursor {
public:
  explicit Cursor(std::string_view text) : m_text(text) {}

  bool literal(std::string_view expected) {
    if (m_text.substr(0, expected.size()) != expected)
      return false;
    m_text.remove_prefix(expected.size());
    return true;
  }
  // Between minDigits and maxDigits decimal digits.
  std::optional<uint32_t> digits(size_t minDigits, size_t maxDigits) {
    size_t n = 0;
    uint64_t value = 0;
    while (n < m_text.size() && n < maxDigits && m_text[n] >= '0' && m_text[n] <= '9')
      value = value * 10 + static_cast<uint64_t>(m_text[n++] - '0');
    if (n < minDigits || value > 0xFFFFFFFFu)
      return std::nullopt;
    m_text.remove_prefix(n);
    return static_cast<uint32_t>(value);
  }
  // A decimal int32 as "%d" writes it.
  std::optional<int32_t> integer() {
    const bool negative = literal("-");
    const std::optional<uint32_t> magnitude = digits(1, 10);
    if (!magnitude || *magnitude > (negative ? 0x80000000u : 0x7FFFFFFFu))
      return std::nullopt;
    return negative ? static_cast<int32_t>(-static_cast<int64_t>(*magnitude))
                    : static_cast<int32_t>(*magnitude);
  }
  // "%04d/%02d/%02d %02d:%02d:%02d" of a record's 16-bit fields.
  std::optional<SystemTime> time() {
    SystemTime t;
    uint16_t *fields[6] = {&t.year, &t.month, &t.day, &t.hour, &t.minute, &t.second};
    static constexpr std::string_view kSeparators[6] = {"", "/", "/", " ", ":", ":"};
    for (int i = 0; i < 6; ++i) {
      if (!literal(kSeparators[i]))
        return std::nullopt;
      const std::optional<uint32_t> value = i == 0 ? digits(4, 5) : digits(2, 2);
      if (!value || *value > 0xFFFF)
        return std::nullopt;
      *fields[i] = static_cast<uint16_t>(*value);
    }
    return t;
  }
  std::optional<uint32_t> word() {
    if (!literal("0x") || m_text.size() < 8)
      return std::nullopt;
    uint32_t value = 0;
    for (size_t i = 0; i < 8; ++i) {
      const char c = m_text[i];
      const int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
      if (digit < 0)
        return std::nullopt;
      value = value << 4 | static_cast<uint32_t>(digit);
    }
    m_text.remove_prefix(8);
    return value;
  }
  // " ?" at the end, or the end: the failure mark; nothing for anything else left over.
  std::optional<bool> failureMarkThenEnd() {
    if (m_text.empty())
      return false;
    if (m_text == " ?")
      return true;
    return std::nullopt;
  }
  bool atEnd() const { return m_text.empty(); }
  std::string_view rest() const { return m_text; }

private:
  std::string_view m_text;
};

// The value part of a time or attribute line: "new <- old" and the mark, each value read by
// the cursor's reader for its kind.
template <typename Pair, typename Value>
std::optional<Pair> valuePair(std::string_view text, std::optional<Value> (Cursor::*read)()) {
  Cursor c(text);
  Pair pair;
  const std::optional<Value> now = (c.*read)();
  if (!now || !c.literal(" <- "))
    return std::nullopt;
  const std::optional<Value> before = (c.*read)();
  const std::optional<bool> failed = before ? c.failureMarkThenEnd() : std::nullopt;
  if (!failed)
    return std::nullopt;
  pair.now = *now;
  pair.before = *before;
  pair.failed = *failed;
  return pair;
}

// The value after the last occurrence of a label in the line: a value line normally starts the
// line, but follows a step line on the same line when the platform's text had no line end.
std::string_view afterLast(std::string_view line, std::string_view label) {
  const size_t at = line.rfind(label);
  return at == std::string_view::npos ? std::string_view() : line.substr(at + label.size());
}

// The result code of a step line found anywhere in the line, or nothing.
std::optional<int32_t> stepResult(std::string_view line, std::string_view head) {
  const size_t at = line.find(head);
  if (at == std::string_view::npos)
    return std::nullopt;
  Cursor c(line.substr(at + head.size()));
  return c.integer();
}

class Reader {
public:
  LogReadResult read(std::string_view bytes) {
    if (bytes.find('\0') != std::string_view::npos)
      return fail(0, "a NUL byte: not a text log");
    if (bytes.size() < 2 || bytes.substr(bytes.size() - 2) != "\r\n")
      return fail(0, "the last line is cut");
    split(bytes);
    if (!header())
      return std::move(m_result);
    for (m_at = 6; m_at < m_lines.size(); ++m_at)
      if (!bodyLine(m_lines[m_at]))
        return std::move(m_result);
    if (!finishItem())
      return std::move(m_result);
    ChangeLogRecord &r = m_result.record;
    if (r.items.empty() && m_searchResult && m_walkError &&
        !walkSucceeded(*m_searchResult, *m_walkError,
                       r.itemCount >= static_cast<int32_t>(NameTable::kCapacity)))
      r.searchFailed = true;
    else if (static_cast<int64_t>(r.items.size()) != r.itemCount)
      return fail(m_lines.size(), "the item count of the header does not match the items");
    m_result.ok = true;
    return std::move(m_result);
  }

  LogReadResult readHead(std::string_view head) {
    const size_t lastEnd = head.rfind("\r\n");
    head = lastEnd == std::string_view::npos ? std::string_view() : head.substr(0, lastEnd + 2);
    if (head.find('\0') != std::string_view::npos)
      return fail(0, "a NUL byte: not a text log");
    split(head);
    if (!header())
      return std::move(m_result);
    for (m_at = 6; m_at < m_lines.size(); ++m_at)
      if (!m_lines[m_at].empty() && m_lines[m_at].front() == '[') {
        if (!itemLine(m_lines[m_at]))
          return std::move(m_result);
        break;
      }
    m_result.ok = true;
    return std::move(m_result);
  }

private:
  void split(std::string_view bytes) {
    size_t start = 0;
    while (start < bytes.size()) {
      const size_t end = bytes.find("\r\n", start);
      m_lines.push_back(bytes.substr(start, end - start));
      start = end + 2;
    }
  }

  LogReadResult fail(size_t line, const char *problem) {
    m_result = LogReadResult{};
    m_result.line = line;
    m_result.problem = problem;
    return m_result;
  }
  bool failed(size_t index, const char *problem) {
    fail(index + 1, problem);
    return false;
  }

  bool header() {
    if (m_lines.size() < 6)
      return failed(m_lines.size(), "the header is cut");
    ChangeLogRecord &r = m_result.record;
    Cursor program(m_lines[0]);
    if (!program.literal(kProgramLine) || program.rest().size() < 2 || program.rest().back() != ')')
      return failed(0, "not a change log of this program");
    r.version = std::string(program.rest().substr(0, program.rest().size() - 1));
    Cursor version(r.version);
    if (!version.literal("Ver. ") || !version.digits(1, 10) || !version.literal(".") ||
        !version.digits(1, 10) || !version.literal(".") || !version.digits(1, 10) ||
        !version.literal(".") || !version.digits(1, 10) || !version.atEnd())
      return failed(0, "the version is malformed");
    static constexpr LogKind kKinds[4] = {LogKind::kEditor, LogKind::kDateTaken, LogKind::kShift,
                                          LogKind::kUndo};
    bool known = false;
    for (LogKind kind : kKinds)
      if (m_lines[1] == logKindLine(kind)) {
        r.kind = kind;
        known = true;
      }
    if (!known)
      return failed(1, "an unknown kind of log");
    Cursor date(m_lines[2]);
    const std::optional<SystemTime> when = date.literal("DATE = ") ? date.time() : std::nullopt;
    if (!when || !date.atEnd())
      return failed(2, "the date line is malformed");
    r.date = *when;
    Cursor flags(m_lines[3]);
    std::optional<int32_t> values[4];
    static constexpr std::string_view kNames[4] = {
        "DirectoryYes = ", " : SubdirectoryYes = ", " : SystemFileYes = ", " : HiddenFileYes = "};
    for (int i = 0; i < 4; ++i)
      if (!flags.literal(kNames[i]) || !(values[i] = flags.integer()))
        return failed(3, "the options line is malformed");
    if (!flags.atEnd())
      return failed(3, "the options line is malformed");
    r.isFolder = *values[0];
    r.includeSubfolders = *values[1];
    r.systemFile = *values[2];
    r.hiddenFile = *values[3];
    Cursor count(m_lines[4]);
    const std::optional<int32_t> total =
        count.literal("Total Counts = ") ? count.integer() : std::nullopt;
    if (!total || !count.atEnd() || *total < 0)
      return failed(4, "the count line is malformed");
    r.itemCount = *total;
    if (!m_lines[5].empty())
      return failed(5, "the header does not end with an empty line");
    return true;
  }

  // Step lines and system texts are passed over; item and value lines must come in order.
  bool bodyLine(std::string_view line) {
    ChangeLogRecord &r = m_result.record;
    if (!line.empty() && line.front() == '[') {
      if (!finishItem() || !itemLine(line))
        return false;
      m_expect = r.kind == LogKind::kUndo ? kUndoFirst : kCreation;
      return true;
    }
    if (r.items.empty()) {
      if (!m_searchResult)
        m_searchResult = stepResult(line, "File Search (602) : Error Code = ");
      if (!m_walkError)
        m_walkError = stepResult(line, "File Search (603) : Error Code = ");
    }
    const std::string_view creation = afterLast(line, "Createtime : ");
    if (!creation.empty())
      if (const std::optional<LoggedTime> pair = valuePair<LoggedTime>(creation, &Cursor::time))
        return value(kCreation, [&](LoggedItem &item) {
          item.creation = *pair;
          item.hasTimes = true;
        });
    const std::string_view update = afterLast(line, "Writetime  : ");
    if (!update.empty())
      if (const std::optional<LoggedTime> pair = valuePair<LoggedTime>(update, &Cursor::time))
        return value(kUpdate, [&](LoggedItem &item) { item.update = *pair; });
    const std::string_view word = afterLast(line, "Attributes : ");
    if (!word.empty())
      if (const std::optional<LoggedWord> pair = valuePair<LoggedWord>(word, &Cursor::word)) {
        if (r.kind == LogKind::kDateTaken || r.kind == LogKind::kShift)
          return failed(m_at, "an attribute line in a log of times only");
        return value(kAttributes, [&](LoggedItem &item) {
          item.attributes = *pair;
          item.hasAttributes = true;
        });
      }
    return true;
  }

  bool itemLine(std::string_view line) {
    ChangeLogRecord &r = m_result.record;
    Cursor c(line);
    c.literal("[");
    const std::optional<uint32_t> number = c.digits(1, 10);
    if (!number || !c.literal("] ") || c.atEnd())
      return failed(m_at, "an item line is malformed");
    if (*number != r.items.size() + 1)
      return failed(m_at, "the items are not numbered in order");
    if (c.rest().size() > kMaxLogPath)
      return failed(m_at, "a path is longer than a path buffer holds");
    LoggedItem item;
    item.number = static_cast<int>(*number);
    item.path = std::string(c.rest());
    r.items.push_back(std::move(item));
    return true;
  }

  // kUndoFirst: an undo's item before any value line; kUndoMore: it has one of its two groups
  // (time pair, attribute pair) and may have the other.
  enum Expect { kNothing, kCreation, kUpdate, kAttributes, kDone, kUndoFirst, kUndoMore };

  bool accepts(Expect which, const LoggedItem &item) const {
    if (m_expect == kUndoFirst || m_expect == kUndoMore)
      return which == kCreation ? !item.hasTimes : which == kAttributes && !item.hasAttributes;
    return m_expect == which;
  }

  template <typename Store> bool value(Expect which, Store store) {
    if (m_result.record.items.empty() || !accepts(which, m_result.record.items.back()))
      return failed(m_at, "a value line out of place");
    LoggedItem &item = m_result.record.items.back();
    store(item);
    const LogKind kind = m_result.record.kind;
    if (kind == LogKind::kUndo)
      m_expect = which == kCreation                    ? kUpdate
                 : item.hasTimes && item.hasAttributes ? kDone
                                                       : kUndoMore;
    else
      m_expect = which == kCreation                             ? kUpdate
                 : which == kUpdate && kind == LogKind::kEditor ? kAttributes
                                                                : kDone;
    return true;
  }

  bool finishItem() {
    if (m_expect == kNothing || m_expect == kDone || m_expect == kUndoMore)
      return true;
    return failed(m_at < m_lines.size() ? m_at : m_lines.size(), "an item lacks its value lines");
  }

  std::vector<std::string_view> m_lines;
  size_t m_at = 0;
  Expect m_expect = kNothing;
  std::optional<int32_t> m_searchResult;
  std::optional<int32_t> m_walkError;
  LogReadResult m_result;
};

} // namespace

bool looksLikeChangeLog(std::string_view bytes) {
  if (bytes.substr(0, kProgramLine.size()) != kProgramLine)
    return false;
  const size_t end = bytes.find("\r\n");
  return end != std::string_view::npos && end > kProgramLine.size() && bytes[end - 1] == ')';
}

LogReadResult ReadChangeLog(std::string_view bytes) { return Reader().read(bytes); }

LogReadResult ReadChangeLogHead(std::string_view head) { return Reader().readHead(head); }

} // namespace tolm
