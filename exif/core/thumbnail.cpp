// Thumbnail builder: turns the second IFD and its strips into one self-contained block.
#include "exif/core/thumbnail.h"

#include <algorithm>
#include <new>

#include "exif/core/result.h"

namespace dax {

namespace {
constexpr uint16_t kTagCompression = 259;
constexpr uint16_t kTagPlanar = 284;
constexpr uint16_t kTagStripOffsets = 273;
constexpr uint16_t kTagStripByteCounts = 279;
constexpr uint16_t kTagJpegOffset = 513;
constexpr uint16_t kTagJpegLength = 514;
// The size of the block is reported as a signed 32-bit number.
constexpr uint64_t kMaxBlock = 0x7FFFFFFF;
} // namespace

ThumbnailBuilder::ThumbnailBuilder(ByteOrder order, uint16_t declaredEntries)
    : m_order(order), m_area(8, 0), m_dataPos(12ull * declaredEntries + 14) {
  m_area[0] = m_area[1] = order == ByteOrder::kBig ? 'M' : 'I';
  put16(&m_area[2], 42, order);
  put32(&m_area[4], 8, order);
}

uint8_t *ThumbnailBuilder::reach(uint64_t end) {
  if (m_area.size() < end)
    m_area.resize(static_cast<size_t>(
        std::min<uint64_t>(std::max<uint64_t>(end, 2 * m_area.size()), kThumbnailHeaderArea)));
  return m_area.data();
}

void ThumbnailBuilder::feed(uint16_t tag, uint16_t type, uint32_t count,
                            std::span<const uint32_t> values) {
  if (m_gaveUp || (type != kShort && type != kLong))
    return;
  if (values.size() < count || !fits(m_entryPos, 12)) {
    m_gaveUp = true;
    return;
  }
  const bool isOffsets = tag == kTagStripOffsets || tag == kTagJpegOffset;
  // Offsets are rewritten to places beyond 65535 in the block, which a SHORT cannot hold:
  // they are always copied as LONG.
  const uint16_t stored = isOffsets ? uint16_t{kLong} : type;
  const uint64_t size = stored == kShort ? 2 : 4;
  const uint64_t entryPos = m_entryPos;
  const bool inField = count * size <= 4;
  uint64_t valuesPos = entryPos + 8;
  if (!inField) {
    if (!fits(m_dataPos, count * size)) {
      m_gaveUp = true;
      return;
    }
    valuesPos = m_dataPos;
    m_dataPos += count * size;
  }
  uint8_t *e = reach(std::max(entryPos + 12, valuesPos + count * size)) + entryPos;
  put16(e, tag, m_order);
  put16(e + 2, stored, m_order);
  put32(e + 4, count, m_order);
  if (!inField)
    put32(e + 8, static_cast<uint32_t>(valuesPos), m_order);
  for (uint32_t i = 0; i < count; ++i) {
    uint8_t *p = m_area.data() + valuesPos + i * size;
    if (size == 2)
      put16(p, static_cast<uint16_t>(values[i]), m_order);
    else
      put32(p, values[i], m_order);
  }
  m_entryPos += 12;
  ++m_copied;

  const auto list = values.first(count);
  if (tag == kTagCompression && count > 0)
    m_kind = static_cast<int32_t>(values[0]);
  else if (tag == kTagPlanar && count > 0)
    m_planar = values[0];
  if (isOffsets) {
    m_offsets.assign(list.begin(), list.end());
    m_offsetsPos = valuesPos;
  } else if (tag == kTagStripByteCounts || tag == kTagJpegLength) {
    m_byteCounts.assign(list.begin(), list.end());
  }
}

int ThumbnailBuilder::assemble(ByteSource &file, uint64_t base, Thumbnail &out) {
  out = Thumbnail{};
  if (m_gaveUp || m_offsets.empty() || m_byteCounts.empty())
    return kOk;
  uint64_t total = 0;
  for (uint32_t n : m_byteCounts)
    total += n;
  // No bytes is no thumbnail; and every strip must lie in the file, so a sum beyond its
  // size is a lie of the IFD.
  if (total == 0 || total > file.size() || kThumbnailHeaderArea + total > kMaxBlock)
    return kOk;
  std::vector<uint8_t> block;
  try {
    block.assign(kThumbnailHeaderArea + total, 0);
  } catch (const std::bad_alloc &) {
    return kOk;
  }

  if (m_kind == 1) {
    std::copy(m_area.begin(), m_area.end(), block.begin());
    put16(&block[8], m_copied, m_order);
    // Every strip must be read whole: a strip cut short by the end of the file, or a byte
    // count with no offset, would publish zeros as picture, so it is no thumbnail.
    uint64_t at = kThumbnailHeaderArea;
    for (size_t i = 0; i < m_byteCounts.size(); ++i) {
      if (m_byteCounts[i] == 0)
        continue;
      if (i >= m_offsets.size())
        return kOk;
      const int64_t got = file.readAt(base + m_offsets[i], block.data() + at, m_byteCounts[i]);
      if (got < 0)
        return kReadFailed;
      if (static_cast<uint64_t>(got) < m_byteCounts[i])
        return kOk;
      at += m_byteCounts[i];
    }
    // The offsets now name the strips' places in the block.
    uint64_t place = kThumbnailHeaderArea;
    for (size_t i = 0; i < m_offsets.size(); ++i) {
      put32(&block[m_offsetsPos + 4 * i], static_cast<uint32_t>(place), m_order);
      place += i < m_byteCounts.size() ? m_byteCounts[i] : 0;
    }
  } else {
    const int64_t got = file.readAt(base + m_offsets[0], block.data(), m_byteCounts[0]);
    if (got < 0)
      return kReadFailed;
    if (static_cast<uint64_t>(got) < m_byteCounts[0])
      return kOk; // a stream cut short is no thumbnail; the tags still count
  }
  out.kind = m_kind;
  out.data = std::move(block);
  return kOk;
}

} // namespace dax
