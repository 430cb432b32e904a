// Packed device-independent bitmaps (the clipboard's CF_DIB) and BMP files: measuring a DIB
// from its header and finding the DIB inside a BMP file, with every size checked against the
// bytes that are really there.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vop {

constexpr uint32_t kInfoHeaderSize = 40;    // BITMAPINFOHEADER
constexpr uint32_t kBmpFileHeaderSize = 14; // BITMAPFILEHEADER
constexpr uint16_t kBmpType = 0x4D42;       // "BM"

// Compression codes of the header.
constexpr uint32_t kCompressionRgb = 0;
constexpr uint32_t kCompressionRle8 = 1;
constexpr uint32_t kCompressionRle4 = 2;
constexpr uint32_t kCompressionBitfields = 3;

// The parts of a packed DIB: its header, the colour table (with the three masks of a 40-byte
// header whose compression is BI_BITFIELDS) and the pixels.
struct DibLayout {
  uint32_t headerSize = 0;
  uint32_t tableBytes = 0;
  uint64_t pixelBytes = 0;
  int32_t width = 0;
  int32_t height = 0; // as stored: negative for a top-down DIB
  uint16_t bitsPerPixel = 0;
  uint32_t compression = 0;

  uint64_t totalBytes() const { return uint64_t{headerSize} + tableBytes + pixelBytes; }
};

// Measures the packed DIB at dib, of which `available` bytes may be read. False when the
// header is not one of the known sizes (40, 52, 56, 108, 124; with infoHeaderOnly only 40),
// when the width, height, planes, depth, compression or colour count make no bitmap, or when
// the parts need more than `available` bytes. Colour-table entries are biClrUsed, else
// 2, 16 or 256 for 1, 4 or 8 bits per pixel and none for more; run-length pixels take
// biSizeImage bytes, all others whole padded rows.
bool measurePackedDib(const uint8_t *dib, size_t available, bool infoHeaderOnly, DibLayout &layout);

// The 14 bytes of the BMP file header that put a DIB of this layout into a file: "BM", the file
// size, two zero words and the offset of the pixels. False when the file would exceed 4 GB.
bool bmpFileHeader(const DibLayout &layout, uint8_t header[kBmpFileHeaderSize]);

// Where the DIB of a BMP file lies: its header and colour table start right after the file
// header; the pixels start at the file header's pixel offset, which may leave a gap.
struct BmpFileParts {
  DibLayout layout;
  size_t pixelOffset = 0; // in the file
};

// Finds the DIB of the BMP file held in `file`. False when the file is shorter than its file
// header, the type is not "BM", the DIB does not measure (above), or the pixel offset points
// into the header or colour table or leaves too few bytes for the pixels.
bool locateBmpDib(const uint8_t *file, size_t size, BmpFileParts &parts);

} // namespace vop
