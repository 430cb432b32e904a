// Thumbnail builder: turns the second IFD and its strips into one self-contained block.
#pragma once
#include <cstdint>
#include <span>
#include <vector>

#include "exif/core/format.h"
#include "exif/core/result.h"
#include "exif/core/source.h"
#include "exif/core/tables.h"

namespace dax {

// Collects the SHORT and LONG entries of the second IFD into a new TIFF header area and,
// after the IFD, reads the image data behind it. The block is the 65535-byte header area
// followed by room for every strip. Kind 1 (uncompressed): a TIFF file whose strip offsets
// point into the block. Any other kind: the stored stream at the start of the block, the
// rest zero.
class ThumbnailBuilder {
public:
  ThumbnailBuilder(ByteOrder order, uint16_t declaredEntries);

  // One SHORT or LONG entry; values holds every value of it, converted to host order, or
  // fewer when the file could not supply them all (the builder then gives up).
  void feed(uint16_t tag, uint16_t type, uint32_t count, std::span<const uint32_t> values);

  // Reads the image data relative to base and fills out when the IFD described a thumbnail
  // that fits in the file. Returns kOk, or kReadFailed for an I/O error of the source. A
  // thumbnail that is not made (lists missing, area overflowing, data outside the file, a
  // strip or stream cut short, no memory for the block) leaves out empty and is no error.
  int assemble(ByteSource &file, uint64_t base, Thumbnail &out);

private:
  bool fits(uint64_t at, uint64_t bytes) const { return at + bytes <= kThumbnailHeaderArea; }
  // The area grows to what the entries use: most second IFDs fill a few hundred bytes of it.
  uint8_t *reach(uint64_t end);

  ByteOrder m_order;
  std::vector<uint8_t> m_area; // the block's first bytes as written so far; the rest are zero
  uint64_t m_entryPos = 10;
  uint64_t m_dataPos;
  uint16_t m_copied = 0;
  bool m_gaveUp = false;
  int32_t m_kind = 0;
  uint32_t m_planar = 0;
  std::vector<uint32_t> m_offsets;
  std::vector<uint32_t> m_byteCounts;
  uint64_t m_offsetsPos = 0;
};

} // namespace dax
