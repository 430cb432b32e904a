// Reading and writing pixels in every supported depth.
#include "image/core/pixel_access.h"

#include "image/core/color_model.h"

namespace vop {
namespace {

// One colour field of a 16-bit pixel.
struct Field16 {
  uint32_t mask;
  uint32_t shift;
  uint32_t max;
};

Field16 field16(uint32_t mask) {
  mask &= 0xFFFF;
  if (mask == 0)
    return {0, 0, 0};
  uint32_t shift = 0;
  while (((mask >> shift) & 1) == 0)
    ++shift;
  return {mask, shift, mask >> shift};
}

struct Masks16 {
  Field16 r, g, b;
};

Masks16 masks16(const Surface &s) {
  if (s.redMask == 0 && s.greenMask == 0 && s.blueMask == 0) {
    return {field16(kDefaultRedMask16), field16(kDefaultGreenMask16), field16(kDefaultBlueMask16)};
  }
  return {field16(s.redMask), field16(s.greenMask), field16(s.blueMask)};
}

// Rounded scaling between a field and a byte, so that field -> byte -> field is exact for
// fields of up to 8 bits.
uint32_t expandField(uint32_t pixel, const Field16 &f) {
  if (f.max == 0)
    return 0;
  const uint32_t v = (pixel & f.mask) >> f.shift;
  return (v * 255 + f.max / 2) / f.max;
}

uint32_t packField(uint32_t byte, const Field16 &f) {
  if (f.max == 0)
    return 0;
  return (((byte * f.max + 127) / 255) << f.shift) & f.mask;
}

bool inside(const Surface &s, int64_t x, int64_t y) { return isValid(s) && contains(s, x, y); }

uint32_t rawIndex(const Surface &s, int32_t x, int32_t y) {
  const uint8_t byte = *pixelAddress(s, x, y);
  switch (s.bitsPerPixel) {
  case 1:
    return (byte >> (7 - (x & 7))) & 1;
  case 4:
    return (x & 1) ? (byte & 0x0F) : (byte >> 4);
  default:
    return byte;
  }
}

uint32_t entryColor(const PaletteEntry &e) { return packColor(e.red, e.green, e.blue); }

} // namespace

uint32_t paletteColor(const Surface &s, uint32_t index) {
  if (s.palette == nullptr || s.paletteCount <= 0 ||
      index >= static_cast<uint32_t>(s.paletteCount)) {
    return 0;
  }
  return entryColor(s.palette[index]);
}

uint32_t readColor(const Surface &s, int64_t x, int64_t y) {
  if (!inside(s, x, y))
    return 0;
  const auto xi = static_cast<int32_t>(x), yi = static_cast<int32_t>(y);
  if (isPalettised(s))
    return paletteColor(s, rawIndex(s, xi, yi));
  const uint8_t *p = pixelAddress(s, xi, yi);
  if (s.bitsPerPixel == 16) {
    const uint32_t pixel = p[0] | static_cast<uint32_t>(p[1]) << 8;
    const Masks16 m = masks16(s);
    return packColor(expandField(pixel, m.r), expandField(pixel, m.g), expandField(pixel, m.b));
  }
  return packColor(p[2], p[1], p[0]);
}

uint32_t readIndex(const Surface &s, int64_t x, int64_t y) {
  if (!inside(s, x, y) || !isPalettised(s))
    return 0;
  return rawIndex(s, static_cast<int32_t>(x), static_cast<int32_t>(y));
}

int32_t reduceChannel(uint32_t colour, int32_t channel) {
  const int r = redOf(colour), g = greenOf(colour), b = blueOf(colour);
  switch (channel) {
  case kChannelRed:
    return r;
  case kChannelGreen:
    return g;
  case kChannelBlue:
    return b;
  case kChannelLuminance:
    return luminanceCode(r, g, b);
  case kChannelHue:
    return hueCode(r, g, b);
  case kChannelSaturation:
    return saturationCode(r, g, b);
  default:
    return static_cast<int32_t>(colour);
  }
}

void ReadPass::begin() {
  m_count = 0;
  const Surface &s = *m_surface;
  if (!isValid(s) || !isPalettised(s))
    return;
  const uint32_t entries = 1u << s.bitsPerPixel;
  // Entries the view lacks read as black, as from a zero-filled table.
  m_palette.fill(PaletteEntry{0, 0, 0, 0});
  for (uint32_t i = 0; i < entries; ++i) {
    if (s.palette != nullptr &&
        i < static_cast<uint32_t>(s.paletteCount > 0 ? s.paletteCount : 0)) {
      m_palette[i] = s.palette[i];
    }
  }
  m_count = entries;
}

uint32_t ReadPass::lookup(uint32_t index) const {
  return index < m_count ? entryColor(m_palette[index]) : 0;
}

int32_t ReadPass::read(int32_t x, int32_t y, int32_t channel) const {
  const Surface &s = *m_surface;
  if (!inside(s, x, y))
    return 0;
  if (isPalettised(s))
    return reduceChannel(lookup(rawIndex(s, x, y)), channel);
  return reduceChannel(readColor(s, x, y), channel);
}

int32_t ReadPass::readIndexValue(int32_t x, int32_t y, int32_t channel) const {
  const Surface &s = *m_surface;
  if (!inside(s, x, y))
    return 0;
  if (isPalettised(s))
    return reduceChannel(rawIndex(s, x, y), channel);
  return reduceChannel(readColor(s, x, y), channel);
}

int32_t ReadPass::step(uint32_t flags, int32_t channel, int32_t x, int32_t y) {
  if (!inside(*m_surface, x, y))
    return 0;
  if (flags & kReadBegin) {
    begin();
    return 0;
  }
  if (flags & kReadEnd) {
    end();
    return 0;
  }
  if (flags & kReadPixel) {
    return (flags & kReadIndex) ? readIndexValue(x, y, channel) : read(x, y, channel);
  }
  return 0;
}

bool writePixel24(const Surface &s, int64_t x, int64_t y, uint8_t r, uint8_t g, uint8_t b) {
  if (!inside(s, x, y) || isPalettised(s))
    return false;
  uint8_t *p = pixelAddress(s, static_cast<int32_t>(x), static_cast<int32_t>(y));
  if (s.bitsPerPixel == 16) {
    const Masks16 m = masks16(s);
    const uint32_t pixel = packField(r, m.r) | packField(g, m.g) | packField(b, m.b);
    p[0] = static_cast<uint8_t>(pixel);
    p[1] = static_cast<uint8_t>(pixel >> 8);
    return true;
  }
  p[0] = b;
  p[1] = g;
  p[2] = r;
  return true;
}

bool writeIndex(const Surface &s, int64_t x, int64_t y, uint32_t index) {
  if (!inside(s, x, y))
    return false;
  const auto xi = static_cast<int32_t>(x);
  uint8_t *p = pixelAddress(s, xi, static_cast<int32_t>(y));
  switch (s.bitsPerPixel) {
  case 1: {
    const uint8_t bit = static_cast<uint8_t>(0x80 >> (xi & 7));
    *p = (index & 1) ? static_cast<uint8_t>(*p | bit) : static_cast<uint8_t>(*p & ~bit);
    break;
  }
  case 4:
    if (xi & 1) {
      *p = static_cast<uint8_t>((*p & 0xF0) | (index & 0x0F));
    } else {
      *p = static_cast<uint8_t>((*p & 0x0F) | (index & 0x0F) << 4);
    }
    break;
  default:
    *p = static_cast<uint8_t>(index);
    break;
  }
  return true;
}

int32_t PaletteWriter::begin(const Surface &s) {
  m_count = entriesOf(s);
  if (m_count < 0) {
    m_count = 0;
    return -1;
  }
  m_table.fill(PaletteEntry{0, 0, 0, 0});
  return m_count;
}

int32_t PaletteWriter::set(int32_t index, uint32_t colour) {
  if (index < 0 || index >= m_count)
    return -1;
  m_table[index] = PaletteEntry{blueOf(colour), greenOf(colour), redOf(colour), 0};
  return index;
}

void PaletteWriter::commit(Surface &s) {
  if (m_count > 0 && s.palette != nullptr) {
    const int32_t n = m_count < s.paletteCount ? m_count : s.paletteCount;
    for (int32_t i = 0; i < n; ++i)
      s.palette[i] = m_table[i];
  }
  m_count = 0;
}

} // namespace vop
