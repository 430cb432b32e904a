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
      : flags_(flags), pattern_(pattern), record_(record) {}

  void setList(HANDLE list) { list_ = list; }

  bool setStart(const char *folder) {
    const std::size_t length = std::strlen(folder);
    if (length >= kCap)
      return false;
    std::memcpy(path_, folder, length + 1);
    length_ = length;
    // The start folder's own search pattern must fit, or nothing could be searched.
    return kel::joinPath(query_, kCap, {path_, length_}, pattern_);
  }

  // The start folder itself, reported before its contents when folders are wanted.
  int reportStart() {
    const uint32_t attributes = GetFileAttributesA(path_);
    if (!kel::passesAttributeFilter(flags_, attributes))
      return 0;
    if (!call(attributes))
      return KEL_STOPPED;
    writeLine();
    found_ = 1;
    return 0;
  }

  int walk() { return walkFolder(length_); }
  uint32_t found() const { return found_; }

private:
  // path_ holds the folder, length bytes long; it holds it again on return.
  int walkFolder(std::size_t length) {
    if (!kel::joinPath(query_, kCap, {path_, length}, pattern_))
      return 0;
    WIN32_FIND_DATAA item;
    kel::FindHandle find(FindFirstFileA(query_, &item));
    if (!find.ok())
      return 0;
    int result = 0;
    do {
      const char *name = item.cFileName;
      if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0)
        continue;
      // A name whose full path would not fit is passed over, and so is everything below it.
      if (!kel::appendPath(path_, kCap, length, name))
        continue;
      const bool folder = (item.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
      if (!folder || (flags_ & kel::kSearchFolders) != 0) {
        const uint32_t attributes = GetFileAttributesA(path_);
        if (kel::passesAttributeFilter(flags_, attributes)) {
          writeLine();
          ++found_;
          if (!call(attributes)) {
            result = KEL_STOPPED;
            break;
          }
        }
      }
      // Entered whether or not the folder itself passed the filter.
      if (folder && (flags_ & kel::kSearchRecursive) != 0 &&
          walkFolder(length + 1 + std::strlen(name)) == KEL_STOPPED) {
        result = KEL_STOPPED;
        break;
      }
    } while (FindNextFileA(find.get(), &item));
    path_[length] = '\0';
    return result;
  }

  bool call(uint32_t attributes) {
    if (record_ == nullptr || record_->callback == nullptr)
      return true;
    return record_->callback(record_->data, path_, attributes, record_->userValue) != 0;
  }

  void writeLine() {
    if (list_ == INVALID_HANDLE_VALUE)
      return;
    char line[kCap + 2];
    const std::size_t length = std::strlen(path_);
    std::memcpy(line, path_, length);
    line[length] = '\r';
    line[length + 1] = '\n';
    DWORD written = 0;
    WriteFile(list_, line, static_cast<DWORD>(length + 2), &written, nullptr);
  }

  uint32_t flags_;
  const char *pattern_;
  HANDLE list_ = INVALID_HANDLE_VALUE;
  KEL_SEARCH_RECORD *record_;
  uint32_t found_ = 0;
  std::size_t length_ = 0;
  char path_[kCap];
  char query_[kCap];
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
