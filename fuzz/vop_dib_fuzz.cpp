// Fuzz target for the packed-DIB and BMP-file readers: whatever a header claims, the parts
// they report must lie inside the bytes given, and every byte of them is touched here so that
// AddressSanitizer sees any that do not.
#include "image/core/packed_dib.h"

#include "fuzz/touch.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

using fuzzing::touch;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  // Exact-size copies, so that a read one past the end is caught.
  std::vector<uint8_t> bytes(data, data + size);
  const uint8_t *p = bytes.empty() ? nullptr : bytes.data();

  vop::DibLayout layout;
  for (const bool infoOnly : {true, false}) {
    if (vop::measurePackedDib(p, size, infoOnly, layout)) {
      if (layout.totalBytes() > size)
        std::abort();
      touch(p, layout.totalBytes());
      uint8_t header[vop::kBmpFileHeaderSize];
      vop::bmpFileHeader(layout, header);
    }
  }

  vop::BmpFileParts parts;
  if (vop::locateBmpDib(p, size, parts)) {
    const uint64_t head =
        vop::kBmpFileHeaderSize + uint64_t{parts.layout.headerSize} + parts.layout.tableBytes;
    if (head > parts.pixelOffset || parts.pixelOffset + parts.layout.pixelBytes > size)
      std::abort();
    touch(p, head);
    touch(p + parts.pixelOffset, parts.layout.pixelBytes);
  }
  return 0;
}
