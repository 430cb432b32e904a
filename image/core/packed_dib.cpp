#include "image/core/packed_dib.h"

#include <cstring>

namespace vop {
namespace {

uint32_t u32(const uint8_t *p) {
  return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}
uint16_t u16(const uint8_t *p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
void put32(uint8_t *p, uint32_t v) {
  for (int i = 0; i < 4; ++i)
    p[i] = static_cast<uint8_t>(v >> (8 * i));
}

bool knownHeaderSize(uint32_t size) {
  return size == 40 || size == 52 || size == 56 || size == 108 || size == 124;
}

// Header and colour table, which must lie within `available` bytes; the pixel size is
// computed but not checked against anything.
bool measureHead(const uint8_t *dib, size_t available, bool infoHeaderOnly, DibLayout &layout) {
  layout = DibLayout{};
  if (dib == nullptr || available < kInfoHeaderSize)
    return false;
  const uint32_t headerSize = u32(dib);
  if (infoHeaderOnly ? headerSize != kInfoHeaderSize : !knownHeaderSize(headerSize))
    return false;
  if (headerSize > available)
    return false;

  const int32_t width = static_cast<int32_t>(u32(dib + 4));
  const int32_t height = static_cast<int32_t>(u32(dib + 8));
  const uint16_t planes = u16(dib + 12);
  const uint16_t depth = u16(dib + 14);
  const uint32_t compression = u32(dib + 16);
  const uint32_t sizeImage = u32(dib + 20);
  const uint32_t colorsUsed = u32(dib + 32);
  if (width <= 0 || height == 0 || height == INT32_MIN || planes != 1)
    return false;
  if (depth != 1 && depth != 4 && depth != 8 && depth != 16 && depth != 24 && depth != 32)
    return false;

  const bool runLength = compression == kCompressionRle8 || compression == kCompressionRle4;
  switch (compression) {
  case kCompressionRgb:
    break;
  case kCompressionRle8:
  case kCompressionRle4:
    // Run-length pixels are bottom-up only, at their own depth.
    if (depth != (compression == kCompressionRle8 ? 8 : 4) || height < 0)
      return false;
    break;
  case kCompressionBitfields:
    if (depth != 16 && depth != 32)
      return false;
    break;
  default:
    return false; // JPEG and PNG payloads are no DIB pixels
  }

  uint32_t entries = colorsUsed;
  if (depth <= 8) {
    const uint32_t limit = 1u << depth;
    if (entries > limit)
      return false;
    if (entries == 0)
      entries = limit;
  } else if (entries > 256) {
    return false;
  }
  uint32_t tableBytes = entries * 4;
  // A plain info header keeps the three masks of BI_BITFIELDS in front of the colour table;
  // the larger headers hold them inside.
  if (compression == kCompressionBitfields && headerSize == kInfoHeaderSize)
    tableBytes += 12;

  uint64_t pixelBytes;
  if (runLength) {
    if (sizeImage == 0)
      return false;
    pixelBytes = sizeImage;
  } else {
    const uint64_t row = ((uint64_t{depth} * static_cast<uint32_t>(width) + 31) / 32) * 4;
    const uint64_t rows = height < 0 ? uint64_t(-int64_t{height}) : uint64_t(height);
    pixelBytes = row * rows;
  }

  layout.headerSize = headerSize;
  layout.tableBytes = tableBytes;
  layout.pixelBytes = pixelBytes;
  layout.width = width;
  layout.height = height;
  layout.bitsPerPixel = depth;
  layout.compression = compression;
  if (uint64_t{headerSize} + tableBytes > available) {
    layout = DibLayout{};
    return false;
  }
  return true;
}

} // namespace

bool measurePackedDib(const uint8_t *dib, size_t available, bool infoHeaderOnly,
                      DibLayout &layout) {
  if (!measureHead(dib, available, infoHeaderOnly, layout))
    return false;
  if (layout.totalBytes() > available) {
    layout = DibLayout{};
    return false;
  }
  return true;
}

bool bmpFileHeader(const DibLayout &layout, uint8_t header[kBmpFileHeaderSize]) {
  const uint64_t fileSize = kBmpFileHeaderSize + layout.totalBytes();
  if (fileSize > UINT32_MAX)
    return false;
  std::memset(header, 0, kBmpFileHeaderSize);
  header[0] = 'B';
  header[1] = 'M';
  put32(header + 2, static_cast<uint32_t>(fileSize));
  put32(header + 10, kBmpFileHeaderSize + layout.headerSize + layout.tableBytes);
  return true;
}

bool locateBmpDib(const uint8_t *file, size_t size, BmpFileParts &parts) {
  parts = BmpFileParts{};
  if (file == nullptr || size < kBmpFileHeaderSize || u16(file) != kBmpType)
    return false;
  DibLayout layout;
  if (!measureHead(file + kBmpFileHeaderSize, size - kBmpFileHeaderSize, false, layout))
    return false;
  const uint64_t offset = u32(file + 10);
  const uint64_t tableEnd = uint64_t{kBmpFileHeaderSize} + layout.headerSize + layout.tableBytes;
  if (offset < tableEnd || offset > size || layout.pixelBytes > size - offset)
    return false;
  parts.layout = layout;
  parts.pixelOffset = static_cast<size_t>(offset);
  return true;
}

} // namespace vop
