// libFuzzer target: the EXIF reader core's whole analysis, iteration and thumbnail copy on one input.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "exif/core/comment.h"
#include "exif/core/engine.h"

namespace {

// Labels for some tags and a text for every value name, so that the string paths run.
class FuzzStrings final : public dax::StringSource {
public:
  bool load(uint32_t id, std::string &text) const override {
    if (id % 3 == 1)
      return false;
    text = id >= 63000 ? "value name " + std::to_string(id) : "label " + std::to_string(id);
    return true;
  }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static dax::Engine engine; // one per process, as in the library: state carries over between inputs
  static const FuzzStrings strings;
  static std::vector<char> label(1024), value(65536);

  // The whole input is the file; its first two bytes also pick the operation bits and a capacity.
  const uint32_t code = size > 0 && (data[0] & 1) ? 0x301 : 0x101;
  dax::MemorySource file(std::span<const uint8_t>(data, size));
  const int total = engine.analyze(file, strings, code);
  if (total < -1 && total > -65536 && total != -101 && total != -102 && total != -103 && total != -104)
    __builtin_trap(); // an undocumented result

  dax::IterationSetup setup{size > 1 ? data[1] * 8 : 1024, 65536};
  const int count = engine.beginIteration(&setup, size > 0 && (data[0] & 2) ? 0x103 : 3);
  if (count != static_cast<int>(engine.results().totalEntries()))
    __builtin_trap();
  dax::EntryRecord record{0, 0, 0, label.data(), value.data()};
  int r = 0;
  for (int i = 0; i < count && r == 0; ++i) {
    r = engine.nextEntry(&record);
    if (setup.valueCapacity > 0 && std::strlen(value.data()) >= static_cast<size_t>(setup.valueCapacity))
      __builtin_trap();
  }

  dax::ThumbnailRecord thumb{0, 0, nullptr};
  if (engine.thumbnail(0x105, &thumb) == 0) {
    std::vector<uint8_t> copy(static_cast<size_t>(thumb.size));
    thumb.buffer = copy.data();
    if (engine.thumbnail(5, &thumb) != 0)
      __builtin_trap();
  }
  if (size > 0 && (data[0] & 4))
    engine.release(0);

  // The JIS decoder on the raw input as well: escape sequences anywhere, not only in a comment.
  // Escapes vanish and every character is at most as long as its JIS form.
  if (size > 0 && (data[0] & 8) && dax::jisToShiftJis(std::span<const uint8_t>(data, size)).size() > size)
    __builtin_trap();
  return 0;
}
