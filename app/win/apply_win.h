// The apply road's ports on Windows: the file system through kelsys.dll and the change log
// in a "TOZ" temporary file.
#pragma once
#include <windows.h>

#include <string>

#include "app/core/apply.h"
#include "app/core/change_log.h"
#include "app/win/bindings.h"

// The platform's message text for the last error code, or "" when it has none.
std::string SystemMessageOfLastError();

// The program's version text for the change log's header, from TOLM.exe's version resource.
std::string ProgramVersionText(const CKelsysLibrary &kelsys);

class CKelsysFileSystem : public tolm::FileSystemPort {
public:
  explicit CKelsysFileSystem(const CKelsysLibrary &kelsys) : m_kelsys(kelsys) {}
  int operateFileTime(int code, const std::string &path, tolm::SystemTime *creation,
                      tolm::SystemTime *lastAccess, tolm::SystemTime *lastWrite) override;
  int getAttributes(const std::string &path, uint32_t *attributes) override;
  int setAttributes(const std::string &path, uint32_t attributes) override;
  int searchDirectory(int flags, const std::string &folder, const std::string &pattern,
                      tolm::SearchVisitor &visitor) override;
  std::string lastErrorText() override { return SystemMessageOfLastError(); }

private:
  const CKelsysLibrary &m_kelsys;
};

// A new temporary file named by the library ("TOZ" prefix) for every log.
class CTempFileLogSink : public tolm::LogSink {
public:
  explicit CTempFileLogSink(const CKelsysLibrary &kelsys) : m_kelsys(kelsys) {}
  ~CTempFileLogSink() override { close(); }
  bool open() override;
  bool write(std::string_view bytes) override;
  void close() override;
  // The file of the last log; "" before the first.
  const std::string &Path() const { return m_path; }

private:
  const CKelsysLibrary &m_kelsys;
  HANDLE m_file = INVALID_HANDLE_VALUE;
  std::string m_path;
};
