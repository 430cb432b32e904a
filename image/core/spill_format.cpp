// Spill file header: made by the writer, checked by the reader before any size is used.
#include "image/core/spill_format.h"

#include <cstring>

namespace vop {
namespace {

int32_t tableCapacity(int32_t bitsPerPixel) { return bitsPerPixel <= 8 ? 1 << bitsPerPixel : 0; }

} // namespace

bool makeSpillHeader(int32_t width, int32_t height, int32_t bitsPerPixel, int32_t paletteCount,
                     bool hasAlpha, int32_t transparentColor, SpillHeader &header) {
  const int64_t row = rowBytes(bitsPerPixel, width);
  if (height <= 0 || !isSupportedDepth(bitsPerPixel) || row <= 0 || row > INT32_MAX ||
      paletteCount < 0 || paletteCount > tableCapacity(bitsPerPixel))
    return false;
  header = SpillHeader{{kSpillMagic[0], kSpillMagic[1], kSpillMagic[2], kSpillMagic[3]},
                       width,
                       height,
                       bitsPerPixel,
                       static_cast<int32_t>(row),
                       paletteCount,
                       hasAlpha ? 1 : 0,
                       transparentColor};
  return true;
}

bool checkSpillFile(const uint8_t *bytes, size_t available, uint64_t fileSize,
                    SpillLayout &layout) {
  SpillHeader h{};
  if (bytes == nullptr || available < sizeof h)
    return false;
  std::memcpy(&h, bytes, sizeof h);
  if (std::memcmp(h.magic, kSpillMagic, sizeof kSpillMagic) != 0 || h.width <= 0 || h.height <= 0 ||
      !isSupportedDepth(h.bitsPerPixel) || h.rowBytes != rowBytes(h.bitsPerPixel, h.width) ||
      h.paletteCount < 0 || h.paletteCount > tableCapacity(h.bitsPerPixel) ||
      (h.hasAlpha != 0 && h.hasAlpha != 1))
    return false;
  // Each factor is below 2^31, so neither product nor the sum can wrap.
  const uint64_t table = uint64_t(h.paletteCount) * sizeof(PaletteEntry);
  const uint64_t pixels = uint64_t(uint32_t(h.rowBytes)) * uint32_t(h.height);
  if (fileSize != sizeof h + table + pixels)
    return false;
  layout.header = h;
  layout.tableOffset = sizeof h;
  layout.tableBytes = table;
  layout.pixelOffset = sizeof h + table;
  layout.pixelBytes = pixels;
  return true;
}

} // namespace vop
