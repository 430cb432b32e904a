// The file being analysed, read by position through the Windows file API.
#include "exif/win/file_source.h"

namespace daxwin {

namespace {
// One ReadFile call moves at most this much; DWORD counts cannot say more anyway.
constexpr size_t kChunk = 1u << 24;
} // namespace

bool FileSource::open(const char *path) {
  if (m_file.ok() || path == nullptr)
    return false;
  m_file.reset(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!m_file.ok())
    return false;
  LARGE_INTEGER size{};
  if (GetFileType(m_file.get()) != FILE_TYPE_DISK || !GetFileSizeEx(m_file.get(), &size) ||
      size.QuadPart < 0) {
    m_file.reset();
    return false;
  }
  m_size = static_cast<uint64_t>(size.QuadPart);
  return true;
}

int64_t FileSource::readAt(uint64_t pos, void *out, size_t size) {
  if (!m_file.ok())
    return -1;
  if (pos >= m_size || size == 0)
    return 0;
  const uint64_t available = m_size - pos;
  const size_t wanted = available < size ? static_cast<size_t>(available) : size;
  auto *to = static_cast<unsigned char *>(out);
  size_t done = 0;
  while (done < wanted) {
    const size_t chunk = wanted - done < kChunk ? wanted - done : kChunk;
    const uint64_t at = pos + done;
    OVERLAPPED where{};
    where.Offset = static_cast<DWORD>(at);
    where.OffsetHigh = static_cast<DWORD>(at >> 32);
    DWORD got = 0;
    if (!ReadFile(m_file.get(), to + done, static_cast<DWORD>(chunk), &got, &where)) {
      if (GetLastError() == ERROR_HANDLE_EOF) // the file shrank: an end, not an error
        break;
      return -1;
    }
    if (got == 0)
      break;
    done += got;
  }
  return static_cast<int64_t>(done);
}

} // namespace daxwin
