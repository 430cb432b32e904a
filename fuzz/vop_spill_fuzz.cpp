// Fuzz target for the undo spill file check: whatever a header claims, an accepted file holds
// exactly its table and rows, every byte of which is touched here so that AddressSanitizer
// sees any that are not there, and its header is the one the writer makes for those fields.
#include "image/core/spill_format.h"

#include "fuzz/touch.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

using fuzzing::touch;

// Enough for the header, a full table and rows of a small picture.
constexpr size_t kMaxInput = 16384;

void checkAccepted(const vop::SpillLayout &layout, uint64_t fileSize) {
  if (layout.tableOffset != sizeof(vop::SpillHeader) || layout.tableBytes > 256 * 4 ||
      layout.pixelOffset != layout.tableOffset + layout.tableBytes ||
      layout.pixelOffset + layout.pixelBytes != fileSize ||
      layout.pixelBytes !=
          uint64_t(uint32_t(layout.header.rowBytes)) * uint32_t(layout.header.height))
    std::abort();
  const vop::SpillHeader &h = layout.header;
  vop::SpillHeader made{};
  if (!vop::makeSpillHeader(h.width, h.height, h.bitsPerPixel, h.paletteCount, h.hasAlpha != 0,
                            h.transparentColor, made) ||
      std::memcmp(&made, &h, sizeof made) != 0)
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size > kMaxInput)
    return 0;
  // An exact-size copy, so that a read one past the end is caught.
  std::vector<uint8_t> bytes(data, data + size);
  const uint8_t *p = bytes.empty() ? nullptr : bytes.data();

  // The input as a whole file.
  vop::SpillLayout layout;
  if (vop::checkSpillFile(p, size, size, layout)) {
    checkAccepted(layout, size);
    touch(p + layout.tableOffset, layout.tableBytes);
    touch(p + layout.pixelOffset, layout.pixelBytes);
  }

  // The header alone, as the reader sees it before the rest, against a file size of any
  // width taken from the input's last bytes: huge claims must not wrap into a match.
  if (size >= sizeof(vop::SpillHeader) + 8) {
    uint64_t claimed;
    std::memcpy(&claimed, p + size - 8, 8);
    std::vector<uint8_t> head(p, p + sizeof(vop::SpillHeader));
    vop::SpillLayout headOnly;
    if (vop::checkSpillFile(head.data(), head.size(), claimed, headOnly))
      checkAccepted(headOnly, claimed);
  }
  return 0;
}
