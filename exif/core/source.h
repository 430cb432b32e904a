// The two inputs of the EXIF reader core: random-access file bytes and the language strings.
#pragma once
#include <cstddef>
#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <vector>

namespace dax {

// The file being analysed. Positions are absolute and 64-bit; the core never assumes a
// current position, so an implementation need not keep one.
class ByteSource {
public:
  virtual ~ByteSource() = default;
  // Copies up to size bytes from pos into out. Returns the number copied: fewer than size
  // (0 included) only at the end of the data; -1 for an I/O error. A pos beyond the end is
  // not an error: it copies 0 bytes.
  virtual int64_t readAt(uint64_t pos, void *out, size_t size) = 0;
  // Total size in bytes; used to refuse values and thumbnails that cannot lie in the file.
  virtual uint64_t size() const = 0;
};

// A byte source over a buffer the caller keeps alive.
class MemorySource final : public ByteSource {
public:
  explicit MemorySource(std::span<const uint8_t> bytes) : m_bytes(bytes) {}
  int64_t readAt(uint64_t pos, void *out, size_t size) override;
  uint64_t size() const override { return m_bytes.size(); }

private:
  std::span<const uint8_t> m_bytes;
};

// The language library: label texts by tag number, value names by string id. The Windows
// layer backs it with LoadString into a 1024-byte buffer; the core cuts what it stores.
class StringSource {
public:
  virtual ~StringSource() = default;
  // The text of string id, or false when the library holds no such string (or an empty one).
  virtual bool load(uint32_t id, std::string &text) const = 0;
  // Whether a byte is a letter or digit of the system code page; decides whether an
  // UNDEFINED value is shown as text. The default knows ASCII only.
  virtual bool isAlphaNumeric(unsigned char c) const;

  // Texts of other character sets (a user comment's) in the system code page. Each gets the
  // text without its ending NUL and returns at most limit bytes, ending on a whole
  // character. Characters the code page lacks become a replacement character. The defaults
  // know ASCII only and put '?' for every other character.
  virtual std::string fromUtf16(std::span<const char16_t> units, size_t limit) const;
  // JIS text: 7-bit with escape sequences (ESC $ B, ESC ( B and their kin) as mail uses it.
  virtual std::string fromJis(std::span<const uint8_t> bytes, size_t limit) const;
};

// A string source over a fixed table, for tests and tools.
class TableStrings final : public StringSource {
public:
  TableStrings() = default;
  explicit TableStrings(std::map<uint32_t, std::string> table) : m_table(std::move(table)) {}
  void set(uint32_t id, std::string text) { m_table[id] = std::move(text); }
  bool load(uint32_t id, std::string &text) const override;

private:
  std::map<uint32_t, std::string> m_table;
};

} // namespace dax
