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
      : memory_(static_cast<size_t>(rowBytes(bitsPerPixel, width) * height)) {
    surface_ = bottomUpView(memory_.data(), width, height, bitsPerPixel);
    if (bitsPerPixel <= 8) {
      palette_.assign(size_t{1} << bitsPerPixel, PaletteEntry{0, 0, 0, 0});
      surface_.palette = palette_.data();
      surface_.paletteCount = static_cast<int32_t>(palette_.size());
    }
  }
  TestImage(const TestImage& other) : memory_(other.memory_), palette_(other.palette_) {
    surface_ = other.surface_;
    rebase(other);
  }
  // Moving a vector keeps its buffer, so the view stays valid.
  TestImage(TestImage&&) = default;
  TestImage& operator=(TestImage&&) = default;
  TestImage& operator=(const TestImage& other) {
    if (this != &other) {
      memory_ = other.memory_;
      palette_ = other.palette_;
      surface_ = other.surface_;
      rebase(other);
    }
    return *this;
  }

  Surface& surface() { return surface_; }
  const Surface& surface() const { return surface_; }
  std::vector<uint8_t>& memory() { return memory_; }
  std::vector<PaletteEntry>& palette() { return palette_; }

  uint32_t get(int32_t x, int32_t y) const { return readColor(surface_, x, y); }
  void set(int32_t x, int32_t y, uint32_t c) { writeColor(surface_, x, y, c); }
  void fill(uint32_t c) {
    for (int32_t y = 0; y < surface_.height; ++y)
      for (int32_t x = 0; x < surface_.width; ++x) set(x, y, c);
  }
  void setEntry(int i, uint32_t c) {
    palette_[static_cast<size_t>(i)] = PaletteEntry{blueOf(c), greenOf(c), redOf(c), 0};
  }
  bool samePixels(const TestImage& o) const {
    if (o.surface_.width != surface_.width || o.surface_.height != surface_.height) return false;
    for (int32_t y = 0; y < surface_.height; ++y)
      for (int32_t x = 0; x < surface_.width; ++x)
        if (get(x, y) != o.get(x, y)) return false;
    return true;
  }

 private:
  void rebase(const TestImage& other) {
    surface_.bits = memory_.data() + (other.surface_.bits - other.memory_.data());
    if (!palette_.empty()) surface_.palette = palette_.data();
  }

  std::vector<uint8_t> memory_;
  std::vector<PaletteEntry> palette_;
  Surface surface_;
};

// Fills every byte of an image's memory (padding and the fourth byte of 32-bit pixels too) from
// a fixed generator. With `colours` above 0 the pixels repeat that many distinct colours, so
// that runs and repeats occur; the table of a palettised image gets random colours.
inline void scramble(TestImage& image, uint32_t seed, uint32_t colours = 0) {
  uint32_t state = seed * 2654435761u + 1;
  auto next = [&] {
    state = state * 1664525u + 1013904223u;
    return state >> 8;
  };
  for (uint8_t& b : image.memory()) b = static_cast<uint8_t>(next());
  for (PaletteEntry& e : image.palette()) {
    e = PaletteEntry{static_cast<uint8_t>(next()), static_cast<uint8_t>(next()),
                     static_cast<uint8_t>(next()), 0};
  }
  const Surface& s = image.surface();
  if (colours == 0 || s.bitsPerPixel <= 8) return;
  std::vector<uint32_t> set(colours);
  for (uint32_t& c : set) c = next() & 0xFFFFFF;
  for (int32_t y = 0; y < s.height; ++y)
    for (int32_t x = 0; x < s.width; ++x) image.set(x, y, set[next() % colours]);
}

}  // namespace vop::test
