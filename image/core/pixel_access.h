// Pixel and colour-table access shared by every operation: the read pass and the writers.
#pragma once

#include <array>
#include <cstdint>

#include "image/core/progress.h"
#include "image/core/surface.h"

namespace vop {

// Channel selectors of a read.
enum Channel : int32_t {
  kChannelColor = 0, // the colour 0x00BBGGRR itself
  kChannelRed = 1,
  kChannelGreen = 2,
  kChannelBlue = 3,
  kChannelLuminance = 4,
  kChannelHue = 5,        // hueCode of color_model.h
  kChannelSaturation = 6, // saturationCode of color_model.h
};

// Step flags of ReadPass::step, the engine's single read entry.
constexpr uint32_t kReadBegin = 0x10000;
constexpr uint32_t kReadEnd = 0x20000;
constexpr uint32_t kReadPixel = 0x100000;
constexpr uint32_t kReadIndex = 0x800000;

// The colour of a pixel read straight from the surface: B, G, R bytes for 24 and 32 bits,
// the masked fields scaled to 0..255 for 16 bits, the colour-table entry for palettised
// surfaces (black for an index beyond the table). Black outside the surface or for an
// invalid one. Reads only the pixel's own bytes.
uint32_t readColor(const Surface &s, int64_t x, int64_t y);

// The raw colour-table index of a palettised pixel; 0 outside the surface or for other depths.
uint32_t readIndex(const Surface &s, int64_t x, int64_t y);

// The value a channel selector takes from a colour; an unknown selector gives the colour.
int32_t reduceChannel(uint32_t colour, int32_t channel);

// A pass of reads over one surface. Begin copies a palettised surface's colour table, reads
// look colours up in that copy, end drops it. The surface's own depth decides between
// palette lookup and direct bytes, so a read never reaches past a pixel's bytes.
class ReadPass {
public:
  explicit ReadPass(const Surface &s) : m_surface(&s) {}

  void begin();
  void end() { m_count = 0; }

  // The pixel's value reduced by channel; 0 outside the surface.
  int32_t read(int32_t x, int32_t y, int32_t channel = kChannelColor) const;
  // With a palettised surface the index itself, reduced by channel; otherwise as read.
  int32_t readIndexValue(int32_t x, int32_t y, int32_t channel = kChannelColor) const;

  // The engine's entry: flags pick begin, read, read index or end. Any failed check gives 0.
  int32_t step(uint32_t flags, int32_t channel, int32_t x, int32_t y);

private:
  uint32_t lookup(uint32_t index) const;

  const Surface *m_surface;
  std::array<PaletteEntry, 256> m_palette{};
  uint32_t m_count = 0;
};

// Stores B, G, R (packed by the masks for 16 bits; the fourth byte of 32 bits is kept).
// False, nothing written, outside the surface or for a palettised surface.
bool writePixel24(const Surface &s, int64_t x, int64_t y, uint8_t r, uint8_t g, uint8_t b);
inline bool writeColor(const Surface &s, int64_t x, int64_t y, uint32_t colour) {
  return writePixel24(s, x, y, redOf(colour), greenOf(colour), blueOf(colour));
}

// Stores a colour-table index: its low bit for 1 bit per pixel, low nibble for 4 (the other
// pixels of the byte kept), else the byte at the pixel's address. False outside the surface.
bool writeIndex(const Surface &s, int64_t x, int64_t y, uint32_t index);

// A surface checked once for a pass over many pixels. 24- and 32-bit pixels are read and
// written inline straight from their bytes; every other depth goes through readColor and
// writeColor. Reads outside the surface give black and writes outside are dropped, as with the
// general functions. Only for a surface that isValid accepts.
class CheckedSurface {
public:
  explicit CheckedSurface(const Surface &s)
      : m_s(s), m_step(s.bitsPerPixel / 8), m_direct(s.bitsPerPixel == 24 || s.bitsPerPixel == 32) {
  }

  bool direct() const { return m_direct; }
  int32_t bytesPerPixel() const { return static_cast<int32_t>(m_step); }
  bool inside(int64_t x, int64_t y) const {
    return static_cast<uint64_t>(x) < static_cast<uint64_t>(m_s.width) &&
           static_cast<uint64_t>(y) < static_cast<uint64_t>(m_s.height);
  }
  // First byte of row y (0 <= y < height).
  uint8_t *row(int64_t y) const { return m_s.bits + static_cast<ptrdiff_t>(m_s.pitch) * y; }
  // The colour of pixel x of a direct surface's row.
  uint32_t at(const uint8_t *row, int64_t x) const {
    const uint8_t *p = row + m_step * x;
    return packColor(p[2], p[1], p[0]);
  }
  void put(uint8_t *row, int64_t x, uint32_t c) const {
    uint8_t *p = row + m_step * x;
    p[0] = blueOf(c);
    p[1] = greenOf(c);
    p[2] = redOf(c);
  }

  uint32_t read(int64_t x, int64_t y) const {
    if (!m_direct)
      return readColor(m_s, x, y);
    return inside(x, y) ? at(row(y), x) : 0;
  }
  void write(int64_t x, int64_t y, uint32_t c) const {
    if (!m_direct) {
      writeColor(m_s, x, y, c);
    } else if (inside(x, y)) {
      put(row(y), x, c);
    }
  }

private:
  const Surface &m_s;
  ptrdiff_t m_step;
  bool m_direct;
};

// Runs change(colour) over every pixel of the half-open rectangle of a valid true-colour
// surface and stores the result, row by row in memory order. Only for per-pixel maps whose
// result cannot depend on the order of the visits. meter advances by one row's width after
// each row, the same calls as one tick per pixel.
template <typename Change>
void mapPixels(const Surface &s, int32_t left, int32_t right, int32_t top, int32_t bottom,
               Change &change, ProgressMeter &meter) {
  const CheckedSurface px(s);
  const auto width = static_cast<uint32_t>(right - left);
  for (int32_t y = top; y < bottom; ++y) {
    if (px.direct()) {
      uint8_t *row = px.row(y);
      if constexpr (requires(const Change &c) { c.prefetch(0u); }) {
        // A change that looks colours up in a large table is told of them ahead of time.
        constexpr int32_t kAhead = 16;
        int32_t x = left;
        for (; x + kAhead < right; ++x) {
          change.prefetch(px.at(row, x + kAhead));
          px.put(row, x, change(px.at(row, x)));
        }
        for (; x < right; ++x)
          px.put(row, x, change(px.at(row, x)));
      } else {
        for (int32_t x = left; x < right; ++x)
          px.put(row, x, change(px.at(row, x)));
      }
    } else {
      for (int32_t x = left; x < right; ++x)
        writeColor(s, x, y, change(readColor(s, x, y)));
    }
    meter.advance(width);
  }
}

// Builds a new colour table and commits it whole into a palettised surface.
class PaletteWriter {
public:
  // Entry count 2^bitsPerPixel with every entry black; -1 for more than 8 bits per pixel.
  int32_t begin(const Surface &s);
  // The entry count begin gives for s.
  static int32_t entriesOf(const Surface &s) {
    return s.bitsPerPixel < 1 || s.bitsPerPixel > 8 ? -1 : 1 << s.bitsPerPixel;
  }
  // Returns index, or -1 when it lies outside the table (or begin did not succeed).
  int32_t set(int32_t index, uint32_t colour);
  // Copies the table into s.palette (as many entries as both hold) and ends the writer.
  void commit(Surface &s);
  int32_t count() const { return m_count; }

private:
  std::array<PaletteEntry, 256> m_table{};
  int32_t m_count = 0;
};

// The colour of a palettised surface's table entry; black beyond the table.
uint32_t paletteColor(const Surface &s, uint32_t index);

// Every entry of a palettised surface's colour table through change(colour), committed whole
// once all are made; one tick of meter per entry, then finish. The caller has begun the meter.
template <typename Change> void rewritePalette(Surface &s, ProgressMeter &meter, Change change) {
  PaletteWriter writer;
  const int32_t entries = writer.begin(s);
  for (int32_t i = 0; i < entries; ++i) {
    writer.set(i, change(paletteColor(s, static_cast<uint32_t>(i))));
    meter.tick();
  }
  writer.commit(s);
  meter.finish();
}

// An adjustment's whole pass over a colour table: the meter counts the entries and reports at
// every half.
template <typename Change> void adjustPalette(Surface &s, ProgressMeter &meter, Change change) {
  const auto entries = static_cast<uint32_t>(PaletteWriter::entriesOf(s));
  meter.begin(entries, entries / 2);
  rewritePalette(s, meter, change);
}

} // namespace vop
