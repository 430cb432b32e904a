// Builds small TIFF files, Exif JPEG wrappers and test string sources for the EXIF core tests.
#pragma once
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "exif/core/source.h"

namespace daxtest {

using Bytes = std::vector<uint8_t>;

// One IFD entry to write. values are elements of the type's width (a rational is two
// elements); they go in the value field when they fill at most 4 bytes, else after the IFD.
struct Field {
  uint16_t tag = 0;
  uint16_t type = 0;
  uint32_t count = 0;
  std::vector<uint32_t> values;
  int link = -1;         // >= 0: the value field holds the offset of that IFD (by index)
  bool rawField = false; // the value field is values[0] as is, nothing written elsewhere
};

struct Ifd {
  std::vector<Field> fields;
  int next = -1;          // index of the IFD named by the next-IFD offset, or none (0)
  bool countOnly = false; // write only the entry count: an IFD cut off by the end of the file
};

inline size_t elementSize(uint16_t type) {
  switch (type) {
  case 3:
  case 8:
    return 2;
  case 4:
  case 5:
  case 9:
  case 10:
  case 11:
  case 12:
    return 4;
  default:
    return 1;
  }
}

inline void put(Bytes &b, size_t at, uint32_t v, size_t size, bool big) {
  for (size_t i = 0; i < size; ++i) {
    const size_t shift = 8 * (big ? size - 1 - i : i);
    b[at + i] = static_cast<uint8_t>(v >> shift);
  }
}

// A TIFF file: header, then each IFD followed by its out-of-line values.
inline Bytes makeTiff(bool big, const std::vector<Ifd> &ifds) {
  std::vector<uint32_t> at(ifds.size());
  uint32_t pos = 8;
  for (size_t i = 0; i < ifds.size(); ++i) {
    at[i] = pos;
    pos += 2 + (ifds[i].countOnly ? 0 : 12 * static_cast<uint32_t>(ifds[i].fields.size()) + 4);
    for (const Field &f : ifds[i].fields) {
      const size_t bytes = f.values.size() * elementSize(f.type);
      if (!f.rawField && f.link < 0 && bytes > 4)
        pos += static_cast<uint32_t>((bytes + 1) & ~size_t{1});
    }
  }
  Bytes out(pos, 0);
  out[0] = out[1] = big ? 'M' : 'I';
  put(out, 2, 42, 2, big);
  put(out, 4, ifds.empty() ? 0 : at[0], 4, big);
  for (size_t i = 0; i < ifds.size(); ++i) {
    const Ifd &ifd = ifds[i];
    put(out, at[i], static_cast<uint32_t>(ifd.fields.size()), 2, big);
    if (ifd.countOnly) {
      out.resize(at[i] + 2);
      break;
    }
    size_t data = at[i] + 2 + 12 * ifd.fields.size() + 4;
    for (size_t k = 0; k < ifd.fields.size(); ++k) {
      const Field &f = ifd.fields[k];
      const size_t e = at[i] + 2 + 12 * k;
      put(out, e, f.tag, 2, big);
      put(out, e + 2, f.type, 2, big);
      put(out, e + 4, f.count, 4, big);
      const size_t size = elementSize(f.type);
      const size_t bytes = f.values.size() * size;
      if (f.link >= 0) {
        put(out, e + 8, at[static_cast<size_t>(f.link)], 4, big);
      } else if (f.rawField) {
        put(out, e + 8, f.values.at(0), 4, big);
      } else {
        const size_t where = bytes <= 4 ? e + 8 : data;
        for (size_t v = 0; v < f.values.size(); ++v)
          put(out, where + v * size, f.values[v], size, big);
        if (bytes > 4) {
          put(out, e + 8, static_cast<uint32_t>(data), 4, big);
          data += (bytes + 1) & ~size_t{1};
        }
      }
    }
    put(out, at[i] + 2 + 12 * ifd.fields.size(),
        ifd.next >= 0 ? at[static_cast<size_t>(ifd.next)] : 0, 4, big);
  }
  return out;
}

inline Field shorts(uint16_t tag, std::vector<uint32_t> v) {
  const auto n = static_cast<uint32_t>(v.size());
  return {tag, 3, n, std::move(v)};
}
inline Field longs(uint16_t tag, std::vector<uint32_t> v) {
  const auto n = static_cast<uint32_t>(v.size());
  return {tag, 4, n, std::move(v)};
}
inline Field rationals(uint16_t tag, const std::vector<std::pair<uint32_t, uint32_t>> &v,
                       uint16_t type = 5) {
  Field f{tag, type, static_cast<uint32_t>(v.size()), {}};
  for (const auto &[n, d] : v) {
    f.values.push_back(n);
    f.values.push_back(d);
  }
  return f;
}
inline Field srationals(uint16_t tag, const std::vector<std::pair<int32_t, int32_t>> &v) {
  Field f{tag, 10, static_cast<uint32_t>(v.size()), {}};
  for (const auto &[n, d] : v) {
    f.values.push_back(static_cast<uint32_t>(n));
    f.values.push_back(static_cast<uint32_t>(d));
  }
  return f;
}
inline Field bytes(uint16_t tag, uint16_t type, const Bytes &v) {
  Field f{tag, type, static_cast<uint32_t>(v.size()), {}};
  for (uint8_t b : v)
    f.values.push_back(b);
  return f;
}
inline Field ascii(uint16_t tag, const std::string &s) {
  Bytes b(s.begin(), s.end());
  b.push_back(0);
  return bytes(tag, 2, b);
}
inline Field pointer(uint16_t tag, int ifd) { return Field{tag, 4, 1, {}, ifd}; }
inline Field raw(uint16_t tag, uint16_t type, uint32_t count, uint32_t field) {
  return Field{tag, type, count, {field}, -1, true};
}

// Appends by resizing and copying: GCC 12 at -O3 misreports vector::insert into a small
// vector as an out-of-bounds copy.
inline void append(Bytes &to, const Bytes &from) {
  const size_t at = to.size();
  to.resize(at + from.size());
  if (!from.empty())
    std::memcpy(to.data() + at, from.data(), from.size());
}

// A JPEG stream: start-of-image, the segments, end-of-image.
inline Bytes segment(uint8_t marker, const Bytes &payload) {
  Bytes s{0xFF, marker, static_cast<uint8_t>((payload.size() + 2) >> 8),
          static_cast<uint8_t>(payload.size() + 2)};
  append(s, payload);
  return s;
}
inline Bytes exifSegment(const Bytes &tiff) {
  Bytes payload{'E', 'x', 'i', 'f', 0, 0};
  append(payload, tiff);
  return segment(0xE1, payload);
}
inline Bytes jpeg(const std::vector<Bytes> &segments) {
  Bytes out{0xFF, 0xD8};
  for (const Bytes &s : segments)
    append(out, s);
  append(out, Bytes{0xFF, 0xD9});
  return out;
}
inline Bytes app0() {
  return segment(0xE0, Bytes{'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0});
}

// Labels for a few tags, and "#<id>" for every value-name string, so that a test sees
// which string was chosen.
class IdStrings final : public dax::StringSource {
public:
  bool load(uint32_t id, std::string &text) const override {
    const auto it = m_labels.find(id);
    if (it != m_labels.end()) {
      text = it->second;
      return true;
    }
    if (id >= 63000 && id <= 65535) {
      text = "#" + std::to_string(id);
      return true;
    }
    return false;
  }
  std::map<uint32_t, std::string> m_labels{
      {1, "Latitude ref"}, {271, "Make"}, {33434, "Exposure time"}};
};

inline bool readFile(const std::string &path, Bytes &out) {
  std::ifstream in(path, std::ios::binary);
  if (!in)
    return false;
  out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

} // namespace daxtest
