// libFuzzer target: one analysis of the input as a file, thumbnail included, and every entry copied
// out.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "exif/core/engine.h"

namespace {

// The reader needs no more than this of a file: the Exif segment of a JPEG file is at most
// 64 KiB, and larger inputs only slow the search down.
constexpr size_t kMaxInput = 65536;

// Labels for some tags and a text for every value name, so that the string paths run. The
// texts are made once: building them per load cost the target a twentieth of its time.
class FuzzStrings final : public dax::StringSource {
public:
  FuzzStrings() : m_texts(65536) {
    for (uint32_t id = 0; id < m_texts.size(); ++id)
      m_texts[id] = (id >= 63000 ? "value name " : "label ") + std::to_string(id);
  }
  bool load(uint32_t id, std::string &text) const override {
    if (id % 3 == 1 || id >= m_texts.size())
      return false;
    text = m_texts[id];
    return true;
  }

private:
  std::vector<std::string> m_texts;
};

const FuzzStrings kStrings;
char g_label[dax::kLabelField];
char g_value[dax::kValueField];
uint8_t g_thumbnail[dax::kThumbnailHeaderArea + kMaxInput]; // a thumbnail never exceeds the file

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size > kMaxInput)
    return -1; // not worth keeping in the corpus
  // A fresh engine per input: each run starts from nothing, as the first call of a process does.
  dax::Engine engine;
  dax::MemorySource file(std::span<const uint8_t>(data, size));
  const int total =
      engine.analyze(file, kStrings, dax::kOpAnalyze | dax::kModifier | dax::kWithThumbnail);
  if (total < 0 && total != dax::kReadFailed && total != dax::kBadTiffHeader &&
      total != dax::kNoExif && total != dax::kNoMemory)
    __builtin_trap(); // an undocumented result

  // The entries as a caller receives them; the last byte of the input picks the direction.
  dax::IterationSetup setup{dax::kDefaultLabelCapacity, dax::kDefaultValueCapacity};
  const bool backward = size > 0 && (data[size - 1] & 1);
  const int count =
      engine.beginIteration(&setup, dax::kOpBeginIteration | (backward ? dax::kModifier : 0));
  if (count != static_cast<int>(engine.results().totalEntries()))
    __builtin_trap();
  dax::EntryRecord record{0, 0, 0, g_label, g_value};
  int r = 0;
  for (int i = 0; i < count && r == 0; ++i) {
    r = engine.nextEntry(&record);
    if (std::strlen(g_value) >= sizeof g_value || std::strlen(g_label) >= sizeof g_label)
      __builtin_trap();
  }
  if (count > 0 && r != dax::kLastEntry)
    __builtin_trap();

  dax::ThumbnailRecord thumb{0, 0, nullptr};
  if (engine.thumbnail(dax::kOpThumbnail | dax::kModifier, &thumb) == dax::kOk) {
    if (thumb.size <= 0 || static_cast<size_t>(thumb.size) > sizeof g_thumbnail)
      __builtin_trap();
    thumb.buffer = g_thumbnail;
    if (engine.thumbnail(dax::kOpThumbnail, &thumb) != dax::kOk)
      __builtin_trap();
  }
  return 0;
}
