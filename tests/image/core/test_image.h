// Test helper: a bottom-up bitmap in exactly-sized heap memory, like a DIB section.
#pragma once

#include <cstdint>
#include <vector>

#include "image/core/pixel_access.h"
#include "image/core/surface.h"

namespace vop::test {

class TestImage {
public:
  TestImage(int32_t width, int32_t height, int32_t bitsPerPixel)
      : m_memory(static_cast<size_t>(rowBytes(bitsPerPixel, width) * height)) {
    m_surface = bottomUpView(m_memory.data(), width, height, bitsPerPixel);
    if (bitsPerPixel <= 8) {
      m_palette.assign(size_t{1} << bitsPerPixel, PaletteEntry{0, 0, 0, 0});
      m_surface.palette = m_palette.data();
      m_surface.paletteCount = static_cast<int32_t>(m_palette.size());
    }
  }
  TestImage(const TestImage &other) : m_memory(other.m_memory), m_palette(other.m_palette) {
    m_surface = other.m_surface;
    rebase(other);
  }
  // Moving a vector keeps its buffer, so the view stays valid.
  TestImage(TestImage &&) = default;
  TestImage &operator=(TestImage &&) = default;
  TestImage &operator=(const TestImage &other) {
    if (this != &other) {
      m_memory = other.m_memory;
      m_palette = other.m_palette;
      m_surface = other.m_surface;
      rebase(other);
    }
    return *this;
  }

  Surface &surface() { return m_surface; }
  const Surface &surface() const { return m_surface; }
  std::vector<uint8_t> &memory() { return m_memory; }
  std::vector<PaletteEntry> &palette() { return m_palette; }

  uint32_t get(int32_t x, int32_t y) const { return readColor(m_surface, x, y); }
  void set(int32_t x, int32_t y, uint32_t c) { writeColor(m_surface, x, y, c); }
  void fill(uint32_t c) {
    for (int32_t y = 0; y < m_surface.height; ++y)
      for (int32_t x = 0; x < m_surface.width; ++x)
        set(x, y, c);
  }
  void setEntry(int i, uint32_t c) {
    m_palette[static_cast<size_t>(i)] = PaletteEntry{blueOf(c), greenOf(c), redOf(c), 0};
  }
  bool samePixels(const TestImage &o) const {
    if (o.m_surface.width != m_surface.width || o.m_surface.height != m_surface.height)
      return false;
    for (int32_t y = 0; y < m_surface.height; ++y)
      for (int32_t x = 0; x < m_surface.width; ++x)
        if (get(x, y) != o.get(x, y))
          return false;
    return true;
  }

private:
  void rebase(const TestImage &other) {
    m_surface.bits = m_memory.data() + (other.m_surface.bits - other.m_memory.data());
    if (!m_palette.empty())
      m_surface.palette = m_palette.data();
  }

  std::vector<uint8_t> m_memory;
  std::vector<PaletteEntry> m_palette;
  Surface m_surface;
};

// Fills every byte of an image's memory (padding and the fourth byte of 32-bit pixels too) from
// a fixed generator. With `colours` above 0 the pixels repeat that many distinct colours, so
// that runs and repeats occur; the table of a palettised image gets random colours.
inline void scramble(TestImage &image, uint32_t seed, uint32_t colours = 0) {
  uint32_t state = seed * 2654435761u + 1;
  auto next = [&] {
    state = state * 1664525u + 1013904223u;
    return state >> 8;
  };
  for (uint8_t &b : image.memory())
    b = static_cast<uint8_t>(next());
  for (PaletteEntry &e : image.palette()) {
    e = PaletteEntry{static_cast<uint8_t>(next()), static_cast<uint8_t>(next()),
                     static_cast<uint8_t>(next()), 0};
  }
  const Surface &s = image.surface();
  if (colours == 0 || s.bitsPerPixel <= 8)
    return;
  std::vector<uint32_t> set(colours);
  for (uint32_t &c : set)
    c = next() & 0xFFFFFF;
  for (int32_t y = 0; y < s.height; ++y)
    for (int32_t x = 0; x < s.width; ++x)
      image.set(x, y, set[next() % colours]);
}

} // namespace vop::test
