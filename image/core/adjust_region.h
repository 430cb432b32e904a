// The rectangle rule and the channel word shared by the adjustments.
#pragma once

#include <cstddef>
#include <cstdint>

#include "image/core/surface.h"

namespace vop {

// Half-open rectangle left <= x < right, top <= y < bottom; same layout as AdjustRegion.
struct AdjustRegion {
  int32_t left;
  int32_t right;
  int32_t top;
  int32_t bottom;
};

// Puts each pair in order (written back) and checks it against the image: no negative
// value, x at most width, y at most height, neither pair empty. kOk or kBadArgument.
int32_t normalizeRegion(AdjustRegion &region, int32_t width, int32_t height);

// Low 4 bits select the channel (1 red, 2 green, 3 blue, else luminance); bit 0x100 keeps
// the luminance when a single channel changes.
struct ChannelWord {
  int selector; // 1, 2 or 3, or 0 for luminance
  bool keepLuminance;
};

ChannelWord decodeChannelWord(uint32_t word);

} // namespace vop

namespace vop {

// The first decision of an adjustment, taken before anything is repainted.
enum class Precheck {
  kReject,      // bad argument: the export returns kBadArgument
  kNothingToDo, // the export returns kOk at once, touching nothing
  kApply,
};

// Whether a precheck lets an adjustment go on; when not, `result` is what it gives back.
bool passes(Precheck check, int32_t &result);

// The start every adjustment of a surface shares. True when the work should run on the surface
// and its normalised region; otherwise `result` is what the adjustment gives back.
bool shouldApply(Precheck check, const Surface &s, AdjustRegion &region, int32_t &result);

// A repaint the Windows layer asks for between an adjustment's measuring and changing passes.
struct RepaintHook {
  void (*callback)(void *context);
  void *context;
};

inline void repaint(const RepaintHook *hook) {
  if (hook != nullptr && hook->callback != nullptr)
    hook->callback(hook->context);
}

// One remembered colour conversion: runs of equal colours are converted once.
template <typename Convert> class ColorCache {
public:
  explicit ColorCache(Convert convert) : m_convert(convert) {}
  uint32_t operator()(uint32_t colour) {
    if (!m_valid || colour != m_source) {
      m_source = colour;
      m_result = m_convert(colour);
      m_valid = true;
    }
    return m_result;
  }

private:
  Convert m_convert;
  bool m_valid = false;
  uint32_t m_source = 0;
  uint32_t m_result = 0;
};

// The slot of a colour in ColorMemo's table: the bits of its three bytes interleaved (bit i of
// red, green and blue at bits 3i, 3i + 1 and 3i + 2).
inline uint32_t spreadBits(uint32_t v) {
  v &= 0xFF;
  v = (v | (v << 8)) & 0x0000F00Fu;
  v = (v | (v << 4)) & 0x000C30C3u;
  v = (v | (v << 2)) & 0x00249249u;
  return v;
}
inline uint32_t slotOf(uint32_t colour) {
  return spreadBits(colour) | spreadBits(colour >> 8) << 1 | spreadBits(colour >> 16) << 2;
}

// A zero-filled table of `bytes` for a colour memo, or null when it cannot be had. Where the
// system offers large pages for it, the table asks for them: its 64 MiB are read in a scattered
// order, and with small pages nearly every lookup costs a walk of the page tables.
void *allocateColorTable(size_t bytes);
// Gives back a table of allocateColorTable (null is ignored); bytes as allocated.
void releaseColorTable(void *table, size_t bytes);

// Every distinct colour converted once, for passes over many pixels. The results sit in a
// table over all 2^24 colours that is allocated zeroed, so only the pages of colours actually met
// are ever touched. Converted colours lie below 2^24, which leaves bit 24 to mark a filled entry.
// Small passes, or a table that cannot be had, fall back to ColorCache.
// Neighbouring pixels of a picture differ a little in every channel; as 0x00BBGGRR such colours
// lie far apart in the table (a step of blue moves 256 KiB), at their slots they share cache
// lines and pages.
template <typename Convert> class ColorMemo {
public:
  static constexpr uint64_t kMinPixels = 4096;

  ColorMemo(Convert convert, uint64_t pixels) : m_convert(convert), m_cache(convert) {
    if (pixels >= kMinPixels) {
      m_table = static_cast<uint32_t *>(allocateColorTable(kTableBytes));
    }
  }
  ~ColorMemo() { releaseColorTable(m_table, kTableBytes); }
  ColorMemo(const ColorMemo &) = delete;
  ColorMemo &operator=(const ColorMemo &) = delete;

  bool memoised() const { return m_table != nullptr; }

  // Asks for the entry of a colour met a little later, so that its cache miss overlaps the
  // conversions before it.
  void prefetch(uint32_t colour) const {
    if (m_table != nullptr && colour <= 0xFFFFFF)
      __builtin_prefetch(&m_table[slotOf(colour)], 1);
  }

  uint32_t operator()(uint32_t colour) {
    if (m_table == nullptr || colour > 0xFFFFFF)
      return m_cache(colour);
    uint32_t &entry = m_table[slotOf(colour)];
    if (entry == 0) {
      const uint32_t result = m_convert(colour);
      if (result > 0xFFFFFF)
        return result;
      entry = result | kFilled;
    }
    return entry & 0xFFFFFF;
  }

private:
  static constexpr uint32_t kFilled = 0x1000000;
  static constexpr size_t kTableBytes = (size_t{1} << 24) * sizeof(uint32_t);
  Convert m_convert;
  ColorCache<Convert> m_cache;
  uint32_t *m_table = nullptr;
};

} // namespace vop
