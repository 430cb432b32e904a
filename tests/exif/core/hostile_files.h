// Crafted files that ask the EXIF core for far more work than their size, for the tests and the
// benchmark.
#pragma once
#include <string>
#include <utility>
#include <vector>

#include "tests/exif/core/tiff_maker.h"

namespace daxtest {

// entries entries that each point at the same text of 128 KiB or more (the header at offset
// 0, then tail letters), in a cycle of seven IFDs.
inline Bytes sharedHugeValue(size_t entries = 4000, size_t tail = 200000) {
  std::vector<Field> fields(entries, raw(271, 2, 0xFFFFFFFFu, 0));
  fields.push_back(pointer(34665, 0));
  Bytes file = makeTiff(false, {{fields}});
  file.resize(file.size() + tail, 'x');
  return file;
}

// BYTE lists of 13,000 bytes each, rendered as "0x.. " texts of 65,000 characters, in a cycle.
inline Bytes byteListsAsText(size_t entries = 300) {
  std::vector<Field> fields(entries, raw(700, 1, 13000, 8));
  fields.push_back(pointer(34665, 0));
  Bytes file = makeTiff(true, {{fields}});
  file.resize(file.size() + 13000, '\x01');
  return file;
}

// One IFD of entries + 1 entries (65535 at most), values in their fields, walked seven times.
inline Bytes wideIfdRevisited(size_t entries = 65534) {
  std::vector<Field> fields(entries, shorts(274, {1}));
  fields.push_back(pointer(34665, 0));
  return makeTiff(false, {{fields}});
}

// A second IFD whose JPEG thumbnail claims every byte of the file, after entries values of 128 KiB.
inline Bytes thumbnailOfWholeFile(size_t entries = 8, size_t tail = 100000) {
  std::vector<Field> first(entries, raw(271, 2, 0xFFFFFFFFu, 0));
  Bytes file =
      makeTiff(false, {{first, 1}, {{shorts(259, {6}), longs(513, {0}), longs(514, {0})}}});
  const auto size = static_cast<uint32_t>(file.size() + tail);
  const size_t second = 8 + 2 + 12 * first.size() + 4;
  put(file, second + 2 + 12 * 2 + 8, size, 4, false); // the length of tag 514, the last entry
  file.resize(size, 'y');
  return file;
}

// The four kinds at the sizes the tests use, by name.
inline std::vector<std::pair<std::string, Bytes>> hostileFiles() {
  return {{"shared huge value", sharedHugeValue()},
          {"byte lists as text", byteListsAsText()},
          {"widest IFD revisited", wideIfdRevisited()},
          {"thumbnail of the whole file", thumbnailOfWholeFile()}};
}

} // namespace daxtest
