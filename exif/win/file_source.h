// The file being analysed, read by position through the Windows file API.
#pragma once
#include <windows.h>

#include <cstdint>

#include "exif/core/source.h"
#include "util/win/scoped_handle.h"

namespace daxwin {

// Owns a file handle opened for reading; other processes may read the file but not write it
// while the analysis runs, so the bytes cannot change under the walker.
class FileSource final : public dax::ByteSource {
public:
  FileSource() = default;
  FileSource(const FileSource &) = delete;
  FileSource &operator=(const FileSource &) = delete;

  // False when the file cannot be opened or its size cannot be learnt (a folder included).
  bool open(const char *path);

  int64_t readAt(uint64_t pos, void *out, size_t size) override;
  uint64_t size() const override { return m_size; }

private:
  kel::FileHandle m_file;
  uint64_t m_size = 0;
};

} // namespace daxwin
