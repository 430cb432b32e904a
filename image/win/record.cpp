// One image of the library: its DIB section, selection, colour table and whole copy.
#include "image/win/record.h"

#include <array>
#include <cstring>

#include "image/core/result.h"
#include "image/win/dc_cache.h"
#include "image/win/live_records.h"

namespace vopwin {
namespace {

// Pixel arrays larger than this are refused: row offsets and the core's sizes stay in 32 bits.
constexpr int64_t kMaxPixelBytes = INT32_MAX;

} // namespace

ImageRecord::ImageRecord() { recordCreated(); }

ImageRecord::~ImageRecord() {
  destroyBitmap(*this);
  recordDestroyed();
}

bool createBitmap(ImageRecord &record, int32_t width, int32_t height, int32_t bitsPerPixel,
                  uint32_t flags) {
  if (width <= 0 || height <= 0 || !vop::isSupportedDepth(bitsPerPixel))
    return false;
  const int64_t row = vop::rowBytes(bitsPerPixel, width);
  if (row <= 0 || row * height > kMaxPixelBytes)
    return false;

  struct {
    BITMAPINFOHEADER header;
    RGBQUAD colors[256];
  } info{};
  info.header.biSize = sizeof info.header;
  info.header.biWidth = width;
  info.header.biHeight = height; // positive: bottom-up
  info.header.biPlanes = 1;
  info.header.biBitCount = static_cast<WORD>(bitsPerPixel);
  info.header.biCompression = BI_RGB;
  void *bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO *>(&info), DIB_RGB_COLORS,
                                    &bits, nullptr, 0);
  if (bitmap == nullptr)
    return false;

  if (record.bitmap != nullptr)
    destroyBitmap(record);
  record.bitmap = bitmap;
  DIBSECTION section{};
  if (GetObjectA(bitmap, sizeof section, &section) == static_cast<int>(sizeof section)) {
    record.width = section.dsBm.bmWidth;
    record.height =
        section.dsBmih.biHeight < 0 ? -section.dsBmih.biHeight : section.dsBmih.biHeight;
    record.bitsPerPixel = section.dsBmih.biBitCount;
    record.bits = static_cast<uint8_t *>(section.dsBm.bmBits);
    record.isDibSection = true;
  } else {
    BITMAP plain{};
    GetObjectA(bitmap, sizeof plain, &plain);
    record.width = plain.bmWidth;
    record.height = plain.bmHeight;
    record.bitsPerPixel = plain.bmBitsPixel;
    record.bits = static_cast<uint8_t *>(plain.bmBits);
    record.isDibSection = false;
  }
  const int32_t size = static_cast<int32_t>(vop::rowBytes(record.bitsPerPixel, record.width));
  record.pitch = size;
  record.transparentColor = -1;
  if (record.bits != nullptr && record.height > 0) {
    // Bottom-up: row 0 is the last row in memory.
    record.bits += static_cast<ptrdiff_t>(size) * (record.height - 1);
    record.pitch = -size;
  }
  record.hasAlpha = (flags & 1) != 0;
  return true;
}

bool destroyBitmap(ImageRecord &record) {
  if (record.bitmap == nullptr)
    return false;
  HBITMAP bitmap = record.bitmap;
  if (record.memoryDC != nullptr) {
    // Still selected (a call that failed half-way): take it out before it is deleted.
    SelectObject(record.memoryDC, record.previousBitmap);
    giveDC(record.memoryDC);
    record.memoryDC = nullptr;
    record.previousBitmap = nullptr;
    record.dcRefCount = 0;
  }
  forgetBitmap(record);
  return DeleteObject(bitmap) != 0;
}

void forgetBitmap(ImageRecord &record) {
  record.bitmap = nullptr;
  record.bits = nullptr;
  record.width = record.height = record.pitch = record.bitsPerPixel = 0;
  record.isDibSection = false;
  record.hasAlpha = false;
  record.transparentColor = -1;
}

SelectedBitmap::SelectedBitmap(ImageRecord &record) : m_record(record) {
  if (m_record.dcRefCount++ == 0) {
    m_record.memoryDC = takeDC();
    m_record.previousBitmap =
        m_record.memoryDC != nullptr ? SelectObject(m_record.memoryDC, m_record.bitmap) : nullptr;
  }
}

SelectedBitmap::~SelectedBitmap() {
  if (m_record.dcRefCount > 0 && --m_record.dcRefCount == 0 && m_record.memoryDC != nullptr) {
    SelectObject(m_record.memoryDC, m_record.previousBitmap);
    giveDC(m_record.memoryDC);
    m_record.memoryDC = nullptr;
    m_record.previousBitmap = nullptr;
  }
}

int32_t readColorTable(ImageRecord &record, vop::PaletteEntry *table, int32_t capacity) {
  if (record.bitmap == nullptr || capacity <= 0)
    return -1;
  SelectedBitmap selected(record);
  const UINT count = capacity > 256 ? 256u : static_cast<UINT>(capacity);
  return static_cast<int32_t>(
      GetDIBColorTable(selected.dc(), 0, count, reinterpret_cast<RGBQUAD *>(table)));
}

bool writeColorTable(ImageRecord &record, const vop::PaletteEntry *table, int32_t count) {
  if (record.bitmap == nullptr || count <= 0)
    return false;
  SelectedBitmap selected(record);
  return SetDIBColorTable(selected.dc(), 0, static_cast<UINT>(count),
                          reinterpret_cast<const RGBQUAD *>(table)) != 0;
}

int32_t copyWhole(ImageRecord &source, ImageRecord &destination) {
  // Row by row rather than through the copy routine: the routine moves B, G, R only, so alpha
  // bytes and 16-bit pixels would not survive an undo exactly.
  if (!holdsImage(&source) || !holdsImage(&destination) || source.bits == nullptr ||
      destination.bits == nullptr || source.width != destination.width ||
      source.height != destination.height || source.bitsPerPixel != destination.bitsPerPixel)
    return vop::kBadArgument;
  const size_t row = static_cast<size_t>(vop::rowBytes(source.bitsPerPixel, source.width));
  for (int32_t y = 0; y < source.height; ++y)
    std::memcpy(destination.bits + static_cast<ptrdiff_t>(destination.pitch) * y,
                source.bits + static_cast<ptrdiff_t>(source.pitch) * y, row);
  if (source.bitsPerPixel <= 8) {
    std::array<vop::PaletteEntry, 256> table{};
    const int32_t count = readColorTable(source, table.data(), 1 << source.bitsPerPixel);
    if (count > 0 && !writeColorTable(destination, table.data(), count))
      return vop::kBadArgument;
  }
  destination.hasAlpha = source.hasAlpha;
  return vop::kOk;
}

} // namespace vopwin
