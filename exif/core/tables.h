// Group tables of one analysis: the entries of each IFD walked, and the thumbnail block.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace dax {

// One IFD entry as shown: texts hold at most kLabelField - 1 and kValueField - 1 bytes.
struct Entry {
  int32_t group = 0;
  uint16_t tag = 0;
  std::string label;
  std::string value;
};

struct Group {
  int32_t id = 0;
  std::vector<Entry> entries; // file order; never empty once the walk has finished with it
};

struct Thumbnail {
  int32_t kind = 0;          // Compression of the second IFD; 1 is an assembled TIFF file
  std::vector<uint8_t> data; // empty when there is no thumbnail
  bool present() const { return !data.empty(); }
};

struct TableSet {
  std::vector<Group> groups; // at most kMaxGroups
  Thumbnail thumbnail;
  bool cut = false; // the walk stopped at its work limits; the entries before are all there

  size_t totalEntries() const {
    size_t n = 0;
    for (const Group &g : groups)
      n += g.entries.size();
    return n;
  }
  void clear() {
    groups.clear();
    thumbnail = Thumbnail{};
    cut = false;
  }
};

} // namespace dax
