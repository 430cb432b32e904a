// What one analysis costs, measured from the outside: the heap it holds at its peak (through
// work_meter.cpp's operator new, linked into the program) and the bytes it asks of its file.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "exif/core/source.h"

namespace daxtest {

// Heap bytes in use at the highest point since construction, above what was in use then.
class PeakScope {
public:
  PeakScope();
  size_t peak() const;

private:
  size_t m_base;
};

// Counts every byte the core asks the file for.
class CountingSource final : public dax::ByteSource {
public:
  explicit CountingSource(const std::vector<uint8_t> &bytes) : m_inner(bytes) {}
  int64_t readAt(uint64_t pos, void *out, size_t size) override {
    m_requested += size;
    return m_inner.readAt(pos, out, size);
  }
  uint64_t size() const override { return m_inner.size(); }
  uint64_t requested() const { return m_requested; }

private:
  dax::MemorySource m_inner;
  uint64_t m_requested = 0;
};

} // namespace daxtest
