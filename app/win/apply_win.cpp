// The apply road's ports on Windows: the file system through kelsys.dll and the change log
// in a "TOZ" temporary file.
#include "app/win/apply_win.h"

namespace {

SYSTEMTIME *platformTime(tolm::SystemTime *time) {
  static_assert(sizeof(tolm::SystemTime) == sizeof(SYSTEMTIME), "one layout");
  return reinterpret_cast<SYSTEMTIME *>(time);
}

// The library calls this for every item; the user value is the visitor's address.
int KEL_API forwardFoundItem(void *, const char *path, uint32_t attributes, uintptr_t userValue) {
  return tolm::dispatchFoundItem(userValue, path, attributes);
}

} // namespace

std::string SystemMessageOfLastError() {
  const DWORD code = GetLastError();
  char *text = nullptr;
  FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                     FORMAT_MESSAGE_IGNORE_INSERTS,
                 nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                 reinterpret_cast<char *>(&text), 0, nullptr);
  std::string out = text ? text : "";
  if (text)
    LocalFree(text);
  return out;
}

std::string ProgramVersionText(const CKelsysLibrary &kelsys) {
  tolm::FileVersion version;
  if (kelsys.kelGetFileVersion != nullptr)
    kelsys.kelGetFileVersion("TOLM.exe", &version.major, &version.minor, &version.build,
                             &version.revision);
  return tolm::versionText(version);
}

int CKelsysFileSystem::operateFileTime(int code, const std::string &path,
                                       tolm::SystemTime *creation, tolm::SystemTime *lastAccess,
                                       tolm::SystemTime *lastWrite) {
  return m_kelsys.kelOperateFileTime(code, path.c_str(), platformTime(creation),
                                     platformTime(lastAccess), platformTime(lastWrite));
}

int CKelsysFileSystem::getAttributes(const std::string &path, uint32_t *attributes) {
  return m_kelsys.kelGetFileAttributes(path.c_str(), attributes);
}

int CKelsysFileSystem::setAttributes(const std::string &path, uint32_t attributes) {
  return m_kelsys.kelSetFileAttributes(path.c_str(), attributes);
}

int CKelsysFileSystem::searchDirectory(int flags, const std::string &folder,
                                       const std::string &pattern, tolm::SearchVisitor &visitor) {
  KEL_SEARCH_RECORD record{};
  record.callback = forwardFoundItem;
  record.userValue = reinterpret_cast<uintptr_t>(&visitor);
  return m_kelsys.kelSearchDirectory(flags, folder.c_str(), pattern.c_str(), nullptr, &record);
}

bool CTempFileLogSink::open() {
  close();
  char path[MAX_PATH] = "TOZ";
  if (m_kelsys.kelGetTempFileName(path) != 0)
    return false;
  // The library created the file empty. Nobody else may read it while it is written, so that a
  // reader never takes a half-written log for the whole.
  m_file = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
  if (m_file == INVALID_HANDLE_VALUE)
    return false;
  m_path = path;
  return true;
}

bool CTempFileLogSink::write(std::string_view bytes) {
  if (m_file == INVALID_HANDLE_VALUE)
    return false;
  DWORD written = 0;
  return WriteFile(m_file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
         written == bytes.size();
}

void CTempFileLogSink::close() {
  if (m_file != INVALID_HANDLE_VALUE)
    CloseHandle(m_file);
  m_file = INVALID_HANDLE_VALUE;
}
