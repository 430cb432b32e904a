// A kernel handle owned for one scope and closed by the function that matches how it was
// opened (CloseHandle for files, FindClose for searches).
#pragma once
#include <windows.h>

namespace kel {

template <BOOL(WINAPI *Close)(HANDLE)> class ScopedHandle {
public:
  explicit ScopedHandle(HANDLE handle = INVALID_HANDLE_VALUE) : m_handle(handle) {}
  ~ScopedHandle() { reset(); }
  ScopedHandle(const ScopedHandle &) = delete;
  ScopedHandle &operator=(const ScopedHandle &) = delete;

  bool ok() const { return m_handle != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return m_handle; }
  // Closes the handle held (if any) and takes the new one.
  void reset(HANDLE handle = INVALID_HANDLE_VALUE) {
    if (m_handle != INVALID_HANDLE_VALUE)
      Close(m_handle);
    m_handle = handle;
  }
  // Closes now and says whether the system did: a written file whose close fails may not
  // hold what was written.
  bool close() {
    const bool closed = m_handle == INVALID_HANDLE_VALUE || Close(m_handle) != FALSE;
    m_handle = INVALID_HANDLE_VALUE;
    return closed;
  }

private:
  HANDLE m_handle;
};

using FileHandle = ScopedHandle<CloseHandle>;
using FindHandle = ScopedHandle<FindClose>;

} // namespace kel
