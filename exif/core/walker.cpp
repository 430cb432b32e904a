// TIFF and EXIF structure walker: finds the TIFF header and fills group tables from its IFDs.
#include "exif/core/walker.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <limits>
#include <optional>
#include <vector>

#include "exif/core/format.h"
#include "exif/core/result.h"
#include "exif/core/thumbnail.h"

namespace dax {

namespace {

constexpr size_t kMaxJpegSegments = 4;
constexpr uint64_t kEntrySize = 12;

bool isPointerTag(uint16_t tag) {
  return tag == kGroupExif || tag == kGroupGps || tag == kGroupInterop;
}

// Heap a string holds beyond its own object: none while its text fits inside the object.
uint64_t heapOf(const std::string &s) {
  const auto *inside = reinterpret_cast<const char *>(&s);
  const std::less<const char *> before;
  const bool local = !before(s.data(), inside) && before(s.data(), inside + sizeof s);
  return local ? 0 : s.capacity() + 1;
}

class Walker {
public:
  Walker(ByteSource &file, const StringSource &strings, uint32_t code, TableSet &out,
         const WorkLimits &limits)
      : m_file(file), m_strings(strings), m_withThumbnail((code & kWithThumbnail) != 0), m_out(out),
        m_readLeft(limits.readBytes), m_tableLeft(limits.tableBytes), m_textLeft(limits.textBytes) {
  }

  int run();

private:
  // Reads exactly size bytes: 1 when read, 0 when the data ends first, kReadFailed on error.
  int readExact(uint64_t pos, void *out, size_t size);
  // Takes bytes from what is left of a limit; when they are not there, the walk is cut.
  bool pay(uint64_t &left, uint64_t bytes);
  int findTiffHeader(bool &exifFound);
  int walkIfd(uint64_t pos, int32_t group);
  std::string labelOf(uint16_t tag, int32_t group) const;

  ByteSource &m_file;
  const StringSource &m_strings;
  bool m_withThumbnail;
  TableSet &m_out;
  ByteOrder m_order = ByteOrder::kLittle;
  uint64_t m_base = 0;
  uint64_t m_readLeft;
  uint64_t m_tableLeft;
  uint64_t m_textLeft;
  // Working buffers of the entry at hand, shared by the nested walks.
  std::vector<uint8_t> m_data;
  std::vector<uint32_t> m_numbers;
  std::string m_text;
};

int Walker::readExact(uint64_t pos, void *out, size_t size) {
  const int64_t got = m_file.readAt(pos, out, size);
  if (got < 0)
    return kReadFailed;
  return static_cast<uint64_t>(got) == size ? 1 : 0;
}

bool Walker::pay(uint64_t &left, uint64_t bytes) {
  if (bytes > left) {
    m_out.cut = true;
    return false;
  }
  left -= bytes;
  return true;
}

int Walker::findTiffHeader(bool &exifFound) {
  exifFound = false;
  uint8_t soi[2];
  if (m_file.readAt(0, soi, 2) < 0) // the start-of-image marker is not checked
    return kReadFailed;
  uint64_t pos = 2;
  for (size_t segment = 0; segment < kMaxJpegSegments; ++segment) {
    uint8_t marker[2];
    int r = readExact(pos, marker, 2);
    if (r <= 0) {
      if (r < 0)
        return r;
      break;
    }
    if (marker[0] == 0xFF && marker[1] == 0xE1) {
      uint8_t head[8]; // segment length, then the identifier
      r = readExact(pos + 2, head, sizeof head);
      if (r < 0)
        return r;
      if (r == 1 && std::memcmp(head + 2, "Exif\0\0", 6) == 0) {
        exifFound = true;
        m_base = pos + 10;
        break;
      }
      // Another APP1 (XMP) may come first; it is skipped like any other segment.
    }
    uint8_t length[2];
    r = readExact(pos + 2, length, 2);
    if (r <= 0) {
      if (r < 0)
        return r;
      break;
    }
    pos += 2 + get16(length, ByteOrder::kBig);
  }
  if (!exifFound)
    m_base = 0;
  return kOk;
}

int Walker::run() {
  bool exifFound = false;
  int r = findTiffHeader(exifFound);
  if (r < 0)
    return r;
  const int badHeader = exifFound ? kBadTiffHeader : kNoExif;
  uint8_t header[8];
  r = readExact(m_base, header, sizeof header);
  if (r < 0)
    return r;
  if (r == 0)
    return badHeader;
  if (header[0] == 'I' && header[1] == 'I') {
    m_order = ByteOrder::kLittle; // the magic number is not examined in little-endian files
  } else if (header[0] == 'M' && header[1] == 'M' && get16(header + 2, ByteOrder::kBig) == 42) {
    m_order = ByteOrder::kBig;
  } else {
    return badHeader;
  }
  const uint32_t first = get32(header + 4, m_order);
  // An offset of 0 reads the IFD right after the header.
  return walkIfd(first != 0 ? m_base + first : m_base + 8, kGroupFirst);
}

std::string Walker::labelOf(uint16_t tag, int32_t group) const {
  std::string label;
  if (group != kGroupInterop && m_strings.load(tag, label)) {
    if (label.size() > kLabelField - 1) {
      label.resize(kLabelField - 1);
      label.shrink_to_fit(); // the record is paid for by its heap, not by the text it shows
    }
    return label;
  }
  static const char kDigits[] = "0123456789abcdef";
  label = "0x";
  for (int shift = 12; shift >= 0; shift -= 4)
    label += kDigits[(tag >> shift) & 15];
  return label;
}

int Walker::walkIfd(uint64_t pos, int32_t group) {
  if (m_out.cut || !pay(m_readLeft, 2))
    return kOk;
  uint8_t countBytes[2];
  int r = readExact(pos, countBytes, 2);
  if (r < 0)
    return r;
  const uint16_t count =
      r == 1 ? get16(countBytes, m_order) : 0; // an IFD outside the file has no entries
  if (count == 0)
    return kOk;
  if (m_out.groups.size() >= kMaxGroups)
    return kTooManyGroups;

  // Entry records are paid for at once: as many as the file holds, and as the tables can take.
  const uint64_t room = pos + 2 < m_file.size() ? (m_file.size() - pos - 2) / kEntrySize : 0;
  const uint64_t wanted = std::min<uint64_t>(count, room);
  if (wanted == 0)
    return kOk; // not one whole entry in the file
  const uint64_t slots = std::min<uint64_t>(wanted, m_tableLeft / sizeof(Entry));
  if (!pay(m_tableLeft, slots * sizeof(Entry)) || slots == 0) {
    m_out.cut = true;
    return kOk;
  }

  // Sub-walks append groups, so this one is addressed by index.
  const size_t index = m_out.groups.size();
  m_out.groups.push_back(Group{group, {}});
  m_out.groups[index].entries.reserve(static_cast<size_t>(slots));

  const bool building = m_withThumbnail && group == kGroupSecond;
  std::optional<ThumbnailBuilder> builder;
  if (building)
    builder.emplace(m_order, count);

  int pending = kOk;
  bool complete = true;
  for (uint32_t i = 0; i < count && !m_out.cut; ++i) {
    if (i == slots) {
      if (slots < wanted)
        m_out.cut = true;
      else
        complete = false; // the IFD runs past the end of the file
      break;
    }
    if (!pay(m_readLeft, kEntrySize))
      break;
    uint8_t raw[kEntrySize];
    r = readExact(pos + 2 + kEntrySize * i, raw, sizeof raw);
    if (r < 0)
      return r;
    if (r == 0) { // the IFD runs past the end of the file: keep the entries that are there
      complete = false;
      break;
    }
    Entry entry;
    entry.group = group;
    entry.tag = get16(raw, m_order);
    const uint16_t type = get16(raw + 2, m_order);
    const uint32_t n = get32(raw + 4, m_order);
    const uint8_t *field = raw + 8;
    entry.label = labelOf(entry.tag, group);

    const size_t size = renderedTypeSize(type);
    ValueView view{group, entry.tag, type, n, m_order, {}};
    if (size != 0) {
      if (valuesInField(type, n)) {
        view.bytes = std::span<const uint8_t>(field, 4);
      } else {
        // Only as many whole values as a text can show, and only what the file holds.
        const uint64_t at = m_base + get32(field, m_order);
        uint64_t want = std::min<uint64_t>(uint64_t{n} * size, kMaxValueBytes);
        want = std::min<uint64_t>(want, at < m_file.size() ? m_file.size() - at : 0);
        want -= want % size;
        if (!pay(m_readLeft, want))
          break;
        // The buffer only grows: sizing it to each value would clear the bytes every time.
        if (m_data.size() < want)
          m_data.resize(static_cast<size_t>(want));
        const int64_t got =
            want != 0 ? m_file.readAt(at, m_data.data(), static_cast<size_t>(want)) : 0;
        if (got < 0)
          return kReadFailed;
        view.bytes = std::span<const uint8_t>(m_data.data(), static_cast<size_t>(got));
      }
      formatValue(view, m_strings, m_text);
      // Copied at its trimmed length, so that the record holds no more heap than its text.
      entry.value = std::string(trimmedSpace(m_text));
    }
    const uint64_t textHeap = heapOf(entry.label) + heapOf(entry.value);
    if (!pay(m_textLeft, textHeap) || !pay(m_tableLeft, textHeap))
      break;

    if (builder && (type == kShort || type == kLong)) {
      const size_t each = type == kShort ? 2 : 4;
      const size_t have = std::min<size_t>(n, view.bytes.size() / each);
      m_numbers.resize(have);
      for (size_t k = 0; k < have; ++k)
        m_numbers[k] = each == 2 ? get16(view.bytes.data() + 2 * k, m_order)
                                 : get32(view.bytes.data() + 4 * k, m_order);
      builder->feed(entry.tag, type, n, m_numbers);
    }

    m_out.groups[index].entries.push_back(std::move(entry));

    // The second IFD describes the thumbnail only; its pointer tags are not followed. A
    // pointer of 0 names no IFD.
    const uint16_t tag = m_out.groups[index].entries.back().tag;
    if (group != kGroupSecond && isPointerTag(tag)) {
      const uint32_t target = get32(field, m_order);
      if (target != 0) {
        r = walkIfd(m_base + target, tag);
        if (isAnalysisFailure(r))
          return r;
        if (r == kTooManyGroups)
          pending = r;
      }
    }
  }
  if (m_out.groups[index]
          .entries.empty()) { // nothing readable: no group (and no sub-walk made one)
    m_out.groups.pop_back();
    return kOk;
  }
  if (pending < 0)
    return pending;
  if (!m_withThumbnail ||
      m_out.cut) // nothing after a cut is read; a cut second IFD makes no thumbnail
    return kOk;
  if (group == kGroupFirst && complete) {
    if (!pay(m_readLeft, 4))
      return kOk;
    uint8_t next[4];
    r = readExact(pos + 2 + kEntrySize * count, next, sizeof next);
    if (r < 0)
      return r;
    const uint32_t offset = r == 1 ? get32(next, m_order) : 0;
    return offset != 0 ? walkIfd(m_base + offset, kGroupSecond) : kOk;
  }
  if (builder) {
    // The entries' buffers go before the block is made.
    std::vector<uint8_t>().swap(m_data);
    std::vector<uint32_t>().swap(m_numbers);
    std::string().swap(m_text);
    return builder->assemble(m_file, m_base, m_out.thumbnail);
  }
  return kOk;
}

} // namespace

WorkLimits WorkLimits::forFile(uint64_t size) {
  size = std::min<uint64_t>(size,
                            uint64_t{1} << 56); // no file is larger; the products cannot overflow
  // A little under 64 KiB, so that the few header bytes read before the first IFD fit as well.
  // One value's text is at most 64 KiB and, as its longest form ("-128 " for one byte) is five
  // characters a byte, at most five times the file: a small file gets only what it can use.
  const uint64_t oneText = std::min<uint64_t>(64 * 1024, 5 * size + 4 * 1024);
  return {15 * size + 63 * 1024, size + 384 * 1024, 2 * size + oneText};
}

WorkLimits WorkLimits::unlimited() {
  constexpr uint64_t kAll = std::numeric_limits<uint64_t>::max();
  return {kAll, kAll, kAll};
}

int walkFile(ByteSource &file, const StringSource &strings, uint32_t code, TableSet &out) {
  return walkFile(file, strings, code, out, WorkLimits::forFile(file.size()));
}

int walkFile(ByteSource &file, const StringSource &strings, uint32_t code, TableSet &out,
             const WorkLimits &limits) {
  Walker walker(file, strings, code, out, limits);
  return walker.run();
}

} // namespace dax
