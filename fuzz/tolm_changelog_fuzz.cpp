// Fuzz target for the change-log writer with hostile paths: every line is exactly its format's
// length (the path copied whole, line breaks in it as '?', never read past, nothing after the
// line end), and a log whose paths a path buffer can hold (CR, LF and a lead byte before the
// line end included) reads back as the same items; one with longer paths is refused whole or
// read back unchanged, never as other items.
#include "app/core/change_log.h"
#include "app/core/log_reader.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

// Eight paths of up to two path buffers each and their separators.
constexpr size_t kMaxInput = 8 * 2 * 260 + 16;
constexpr size_t kMaxPaths = 8;

// The log goes into one buffer kept between runs (cleared, never shrunk), with where each
// write began, so a run allocates nothing of its own once the buffers have grown.
struct RecordingSink : tolm::LogSink {
  std::string file;
  std::vector<size_t> starts;
  bool open() override { return true; }
  bool write(std::string_view bytes) override {
    starts.push_back(file.size());
    file.append(bytes);
    return true;
  }
  void close() override {}
  size_t count() const { return starts.size(); }
  std::string_view line(size_t i) const {
    const size_t end = i + 1 < starts.size() ? starts[i + 1] : file.size();
    return std::string_view(file).substr(starts[i], end - starts[i]);
  }
};

// Texts the platform gives: none, an English one, a Japanese one in code page 932 whose last
// character's trail byte is a backslash.
struct FixedErrorText : tolm::SystemErrorText {
  const char *text = "";
  std::string lastErrorText() override { return text; }
};
constexpr const char *kSystemTexts[3] = {"", "Access is denied.\r\n",
                                         "\x83\x74\x83\x40\x83\x43\x83\x8b\x82\xaa\x8c\xa9\x82\xc2"
                                         "\x82\xa9\x82\xe8\x82\xdc\x82\xb9\x82\xf1\x81\x5c\r\n"};

// True when written is the path with its line breaks as the writer puts them: '?'.
bool isWritten(std::string_view written, std::string_view path) {
  if (written.size() != path.size())
    return false;
  for (size_t i = 0; i < path.size(); ++i) {
    const char expected = path[i] == '\r' || path[i] == '\n' ? '?' : path[i];
    if (written[i] != expected)
      return false;
  }
  return true;
}

bool fitsBuffer(std::string_view path) { return !path.empty() && path.size() <= tolm::kMaxLogPath; }

RecordingSink g_sink;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size < 1 || size > kMaxInput)
    return 0;
  // Byte 0: the system text and whether the writes failed; the rest: paths split at NUL bytes.
  const uint8_t control = data[0];
  std::string_view paths[kMaxPaths];
  size_t pathCount = 0;
  std::string_view rest(reinterpret_cast<const char *>(data + 1), size - 1);
  while (pathCount < kMaxPaths) {
    const size_t cut = rest.find('\0');
    paths[pathCount++] = rest.substr(0, cut);
    if (cut == std::string_view::npos)
      break;
    rest.remove_prefix(cut + 1);
  }

  RecordingSink &sink = g_sink;
  sink.file.clear();
  sink.starts.clear();
  FixedErrorText errors;
  errors.text = kSystemTexts[(control & 3) % 3];
  const int result = (control & 4) != 0 ? -1001 : 0;
  tolm::CChangeLog log(sink, errors, "Ver. 1.0.0.0");
  tolm::LogHeader header;
  header.itemCount = static_cast<int32_t>(pathCount);
  header.isFolder = 1;
  if (log.Begin(header) != 0)
    std::abort();
  log.WriteStep(0, tolm::kStepSearch, "File Search", "");
  log.WriteStep(0, tolm::kStepWalkError, "File Search", "\r\n");
  const tolm::SystemTime now{2024, 2, 4, 29, 23, 59, 58, 999};
  const tolm::SystemTime before{1999, 12, 5, 31, 0, 0, 0, 0};
  for (size_t i = 0; i < pathCount; ++i) {
    const size_t first = sink.count();
    const int number = static_cast<int>(i + 1);
    log.WriteItem(number, paths[i]);
    char prefixText[16];
    const std::string_view prefix(prefixText, static_cast<size_t>(std::snprintf(
                                                  prefixText, sizeof prefixText, "[%d] ", number)));
    if (sink.count() != first + 1)
      std::abort();
    const std::string_view line = sink.line(first);
    if (line.size() != prefix.size() + paths[i].size() + 2 ||
        line.substr(0, prefix.size()) != prefix ||
        !isWritten(line.substr(prefix.size(), paths[i].size()), paths[i]) ||
        line.substr(line.size() - 2) != "\r\n")
      std::abort();
    log.WriteStep(result, tolm::kStepWalkGetTime, "Get FileTime", "");
    log.WriteTimeResult(result, tolm::kStepWalkSetTime, now, now, before, before);
    log.WriteStep(result, tolm::kStepWalkGetAttributes, "Get Attributes", "");
    log.WriteAttributeResult(result, tolm::kStepWalkSetAttributes, 0x21, 0x20);
    // Every other line is its format with a bounded number and the system text.
    for (size_t w = first + 1; w < sink.count(); ++w)
      if (sink.line(w).size() > 80 + std::string_view(errors.text).size())
        std::abort();
  }
  log.End();

  const tolm::LogReadResult read = tolm::ReadChangeLog(sink.file);
  bool allFit = true;
  for (size_t i = 0; i < pathCount; ++i)
    allFit = allFit && fitsBuffer(paths[i]);
  if (allFit && !read.ok)
    std::abort();
  if (read.ok) {
    if (read.record.items.size() != pathCount)
      std::abort();
    for (size_t i = 0; i < pathCount; ++i)
      if (!isWritten(read.record.items[i].path, paths[i]) ||
          read.record.items[i].creation.failed != (result != 0))
        std::abort();
  }
  return 0;
}
