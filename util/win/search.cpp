// kelsys.dll: the directory search with its attribute filter, callback and list file.
#include <windows.h>

#include "include/kelsys.h"
#include "util/core/search_rules.h"
#include "util/win/scoped_handle.h"

#include <cstring>

namespace {

constexpr std::size_t kCap = kel::kPathCapacity;

// One search: its options, the list file, the count, and one path buffer that every level of
// the walk extends and cuts back, so that a deep tree costs only a find record per level.
class Search {
public:
  Search(uint32_t flags, const char *pattern, KEL_SEARCH_RECORD *record)
      : m_flags(flags), m_pattern(pattern), m_record(record) {}

  void setList(HANDLE list) { m_list = list; }

  bool setStart(const char *folder) {
    const std::size_t length = std::strlen(folder);
    if (length >= kCap)
      return false;
    std::memcpy(m_path, folder, length + 1);
    m_length = length;
    // The start folder's own search pattern must fit, or nothing could be searched.
    return kel::joinPath(m_query, kCap, {m_path, m_length}, m_pattern);
  }

  // The start folder itself, reported before its contents when folders are wanted.
  int reportStart() {
    const uint32_t attributes = GetFileAttributesA(m_path);
    if (!kel::passesAttributeFilter(m_flags, attributes))
      return 0;
    if (!call(attributes))
      return KEL_STOPPED;
    writeLine();
    m_found = 1;
    return 0;
  }

  int walk() { return walkFolder(m_length); }
  uint32_t found() const { return m_found; }

private:
  // m_path holds the folder, length bytes long; it holds it again on return.
  int walkFolder(std::size_t length) {
    if (!kel::joinPath(m_query, kCap, {m_path, length}, m_pattern))
      return 0;
    WIN32_FIND_DATAA item;
    kel::FindHandle find(FindFirstFileA(m_query, &item));
    if (!find.ok())
      return 0;
    int result = 0;
    do {
      const char *name = item.cFileName;
      if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0)
        continue;
      // A name whose full path would not fit is passed over, and so is everything below it.
      if (!kel::appendPath(m_path, kCap, length, name))
        continue;
      const bool folder = (item.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
      if (!folder || (m_flags & kel::kSearchFolders) != 0) {
        const uint32_t attributes = GetFileAttributesA(m_path);
        if (kel::passesAttributeFilter(m_flags, attributes)) {
          writeLine();
          ++m_found;
          if (!call(attributes)) {
            result = KEL_STOPPED;
            break;
          }
        }
      }
      // Entered whether or not the folder itself passed the filter.
      if (folder && (m_flags & kel::kSearchRecursive) != 0 &&
          walkFolder(length + 1 + std::strlen(name)) == KEL_STOPPED) {
        result = KEL_STOPPED;
        break;
      }
    } while (FindNextFileA(find.get(), &item));
    m_path[length] = '\0';
    return result;
  }

  bool call(uint32_t attributes) {
    if (m_record == nullptr || m_record->callback == nullptr)
      return true;
    return m_record->callback(m_record->data, m_path, attributes, m_record->userValue) != 0;
  }

  void writeLine() {
    if (m_list == INVALID_HANDLE_VALUE)
      return;
    char line[kCap + 2];
    const std::size_t length = std::strlen(m_path);
    std::memcpy(line, m_path, length);
    line[length] = '\r';
    line[length + 1] = '\n';
    DWORD written = 0;
    WriteFile(m_list, line, static_cast<DWORD>(length + 2), &written, nullptr);
  }

  uint32_t m_flags;
  const char *m_pattern;
  HANDLE m_list = INVALID_HANDLE_VALUE;
  KEL_SEARCH_RECORD *m_record;
  uint32_t m_found = 0;
  std::size_t m_length = 0;
  char m_path[kCap];
  char m_query[kCap];
};

} // namespace

extern "C" int KEL_API kelSearchDirectory(int flags, const char *folder, const char *pattern,
                                          const char *listFile, KEL_SEARCH_RECORD *record) {
  if (folder == nullptr || pattern == nullptr)
    return -1;
  Search search(static_cast<uint32_t>(flags), pattern, record);
  if (!search.setStart(folder))
    return -1;
  kel::FileHandle list;
  if (listFile != nullptr) {
    // Others may read the list while it grows, but nobody else writes it.
    list.reset(CreateFileA(listFile, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!list.ok())
      return KEL_ERR_LIST_FILE;
    search.setList(list.get());
  }

  int result = 0;
  if ((flags & KEL_SEARCH_FOLDERS) != 0)
    result = search.reportStart();
  if (result == 0)
    result = search.walk();

  if (list.ok()) {
    list.reset();
    // A list of nothing is not left behind; a stopped search keeps what it wrote.
    if (result == 0 && search.found() == 0)
      DeleteFileA(listFile);
  }
  return result;
}
