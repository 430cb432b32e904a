// The erase run of the Extended delete dialog: the list read and parsed, each entry searched
// for in the target folder, and the matches handed to the shell's recycle bin at once.
#include "app/win/erase_run.h"

#include <shellapi.h>

#include <cstring>
#include <vector>

#include "app/core/erase_list.h"
#include "framework/afx.h"
#include "util/win/lead_byte.h"

namespace {

enum class ReadResult { kRead, kNotOpened, kTooLarge, kFailed };

// Reads a whole file opened for reading with writes denied to others; kTooLarge when it holds
// more than `limit` bytes.
ReadResult readWholeFile(const std::string &path, std::string &bytes, size_t limit) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return ReadResult::kNotOpened;
  LARGE_INTEGER size{};
  ReadResult result = ReadResult::kFailed;
  if (GetFileSizeEx(file, &size) && size.QuadPart >= 0) {
    if (static_cast<uint64_t>(size.QuadPart) > limit) {
      result = ReadResult::kTooLarge;
    } else {
      bytes.assign(static_cast<size_t>(size.QuadPart), '\0');
      DWORD read = 0;
      if (bytes.empty() ||
          (ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) &&
           read == bytes.size()))
        result = ReadResult::kRead;
    }
  }
  CloseHandle(file);
  return result;
}

// Removes a search-result file however the run goes on: kept, they would use up the
// temporary names of their prefix, which the change log needs too.
class TemporaryFile {
public:
  explicit TemporaryFile(const char *path) : m_path(path) {}
  ~TemporaryFile() { DeleteFileA(m_path.c_str()); }
  TemporaryFile(const TemporaryFile &) = delete;
  TemporaryFile &operator=(const TemporaryFile &) = delete;

private:
  std::string m_path;
};

} // namespace

int32_t RunErase(const CKelsysLibrary &kelsys, const std::string &folder, HWND owner,
                 const std::string &listPath, char *deletionList, size_t capacity) {
  CWaitCursor wait;
  std::string bytes;
  // A valid list is far smaller; anything larger is no list of ours.
  const ReadResult read = readWholeFile(listPath, bytes, 16u << 20);
  if (read != ReadResult::kRead)
    return read == ReadResult::kNotOpened ? tolm::kEraseListUnreadable : tolm::kEraseListInvalid;
  std::vector<std::string> patterns;
  const int32_t parsed = tolm::parseEraseList(reinterpret_cast<const uint8_t *>(bytes.data()),
                                              bytes.size(), patterns, kel::isAnsiLeadByte);
  if (parsed != 0)
    return parsed;

  std::string list;
  for (const std::string &pattern : patterns) {
    char resultFile[MAX_PATH] = "TOZ";
    if (kelsys.kelGetTempFileName(resultFile) != 0)
      return tolm::kEraseSearchUnreadable;
    const TemporaryFile removeAfterwards(resultFile);
    alignas(8) uint8_t record[268] = {};
    kelsys.kelSearchDirectory(KEL_SEARCH_ARCHIVE, folder.c_str(), pattern.c_str(), resultFile,
                              reinterpret_cast<KEL_SEARCH_RECORD *>(record));
    // No result file: nothing in the folder matched this entry; the others still count.
    if (GetFileAttributesA(resultFile) == INVALID_FILE_ATTRIBUTES &&
        GetLastError() == ERROR_FILE_NOT_FOUND)
      continue;
    // Read up to twice the list, as names that match only by their short form are dropped
    // afterwards; beyond that it is the work buffer that falls short, not the file.
    std::string results;
    const ReadResult found = readWholeFile(resultFile, results, capacity * 2);
    if (found == ReadResult::kTooLarge)
      return tolm::kEraseBufferFull;
    if (found != ReadResult::kRead)
      return tolm::kEraseSearchUnreadable;
    const int32_t appended =
        tolm::appendSearchResults(results, pattern, list, capacity, kel::isAnsiLeadByte);
    if (appended != 0)
      return appended;
  }
  if (list.empty())
    return 0;
  std::memset(deletionList, 0, capacity);
  std::memcpy(deletionList, list.data(), list.size());
  SetCursor(LoadCursor(nullptr, IDC_WAIT));
  SHFILEOPSTRUCTA operation{};
  operation.hwnd = owner;
  operation.wFunc = FO_DELETE;
  operation.pFrom = deletionList;
  // Moved to the recycle bin; the shell warns before anything would be deleted for good.
  operation.fFlags = FOF_ALLOWUNDO | FOF_MULTIDESTFILES | FOF_WANTNUKEWARNING;
  SHFileOperationA(&operation);
  return 0;
}
