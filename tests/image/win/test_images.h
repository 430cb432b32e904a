// Test images for vopimg.dll's exports: pictures built pixel by pixel as packed DIBs and
// attached, their colours read back through the library, and a recorder of progress calls.
#pragma once
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <vector>

#include "include/vopimg.h"

namespace voptest {

constexpr uint32_t rgb(uint32_t r, uint32_t g, uint32_t b) { return r | g << 8 | b << 16; }
constexpr uint32_t redOf(uint32_t c) { return c & 0xFF; }
constexpr uint32_t greenOf(uint32_t c) { return (c >> 8) & 0xFF; }
constexpr uint32_t blueOf(uint32_t c) { return (c >> 16) & 0xFF; }

// value(x, y) is a colour 0x00BBGGRR for 24 and 32 bits, an index into palette otherwise.
using PixelFn = std::function<uint32_t(int x, int y)>;

// A handle holding exactly this picture (attached from a packed DIB), or null.
inline VOP_IMAGE makeImage(int width, int height, int bitsPerPixel, const PixelFn &value,
                           const std::vector<uint32_t> &palette = {}) {
  const int entries = bitsPerPixel <= 8 ? 1 << bitsPerPixel : 0;
  const size_t row = ((static_cast<size_t>(width) * bitsPerPixel + 31) / 32) * 4;
  const size_t size = sizeof(BITMAPINFOHEADER) + 4 * entries + row * height;
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
  if (block == nullptr)
    return nullptr;
  auto *p = static_cast<uint8_t *>(GlobalLock(block));
  auto *header = reinterpret_cast<BITMAPINFOHEADER *>(p);
  header->biSize = sizeof(BITMAPINFOHEADER);
  header->biWidth = width;
  header->biHeight = height; // bottom-up
  header->biPlanes = 1;
  header->biBitCount = static_cast<WORD>(bitsPerPixel);
  header->biCompression = BI_RGB;
  header->biSizeImage = static_cast<DWORD>(row * height);
  header->biClrUsed = static_cast<DWORD>(entries);
  uint8_t *table = p + sizeof(BITMAPINFOHEADER);
  for (int i = 0; i < entries && i < static_cast<int>(palette.size()); ++i) {
    table[4 * i] = static_cast<uint8_t>(blueOf(palette[i]));
    table[4 * i + 1] = static_cast<uint8_t>(greenOf(palette[i]));
    table[4 * i + 2] = static_cast<uint8_t>(redOf(palette[i]));
  }
  uint8_t *pixels = table + 4 * entries;
  for (int y = 0; y < height; ++y) {
    uint8_t *line = pixels + row * (height - 1 - y);
    for (int x = 0; x < width; ++x) {
      const uint32_t v = value(x, y);
      switch (bitsPerPixel) {
      case 1:
        line[x / 8] |= static_cast<uint8_t>((v & 1) << (7 - x % 8));
        break;
      case 4:
        line[x / 2] |= static_cast<uint8_t>(x % 2 == 0 ? (v & 15) << 4 : (v & 15));
        break;
      case 8:
        line[x] = static_cast<uint8_t>(v);
        break;
      default: {
        uint8_t *at = line + static_cast<size_t>(x) * (bitsPerPixel / 8);
        at[0] = static_cast<uint8_t>(blueOf(v));
        at[1] = static_cast<uint8_t>(greenOf(v));
        at[2] = static_cast<uint8_t>(redOf(v));
      }
      }
    }
  }
  GlobalUnlock(block);
  VOP_IMAGE image = vopAttachImage(block);
  GlobalFree(block);
  return image;
}

inline VOP_IMAGE makeFlat(int width, int height, uint32_t colour) {
  return makeImage(width, height, 24, [colour](int, int) { return colour; });
}

// Destroys the handle when the test ends, whatever it asserted.
class Image {
public:
  explicit Image(VOP_IMAGE image) : m_image(image) {}
  ~Image() { vopDestroyImage(m_image); }
  Image(const Image &) = delete;
  Image &operator=(const Image &) = delete;
  VOP_IMAGE get() const { return m_image; }
  operator VOP_IMAGE() const { return m_image; }

private:
  VOP_IMAGE m_image;
};

struct Size {
  int32_t width = 0, height = 0, bitsPerPixel = 0;
};
inline Size sizeOf(VOP_IMAGE image) {
  Size s;
  vopGetImageData(image, &s.width, &s.height, &s.bitsPerPixel);
  return s;
}

// Every pixel's colour, row by row.
inline std::vector<uint32_t> pixelsOf(VOP_IMAGE image) {
  const Size s = sizeOf(image);
  std::vector<uint32_t> out;
  for (int y = 0; y < s.height; ++y)
    for (int x = 0; x < s.width; ++x)
      out.push_back(vopGetColor(image, x, y));
  return out;
}

// The calls of a progress hook. One recorder at a time (the hook has no context pointer).
class ProgressLog {
public:
  static constexpr uint32_t kUserValue = 0x5EED1234;
  ProgressLog() {
    current() = this;
    m_hook.callback = &ProgressLog::record;
    m_hook.userValue = kUserValue;
  }
  ~ProgressLog() { current() = nullptr; }
  ProgressLog(const ProgressLog &) = delete;
  ProgressLog &operator=(const ProgressLog &) = delete;
  VOP_PROGRESS_HOOK *hook() { return &m_hook; }
  const std::vector<VOP_PROGRESS_RECORD> &calls() const { return m_calls; }

private:
  static ProgressLog *&current() {
    static ProgressLog *log = nullptr;
    return log;
  }
  static void VOP_API record(VOP_PROGRESS_RECORD *r) {
    if (current() != nullptr)
      current()->m_calls.push_back(*r);
  }
  VOP_PROGRESS_HOOK m_hook{};
  std::vector<VOP_PROGRESS_RECORD> m_calls;
};

} // namespace voptest
