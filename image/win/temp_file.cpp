// New temporary files of the library, named from a caller's prefix.
#include "image/win/temp_file.h"

#include <windows.h>

namespace vopwin {

int32_t makeTempFileName(char *buffer) {
  char prefix[4] = {buffer[0], buffer[1], buffer[2], '\0'};
  char folder[MAX_PATH + 1];
  const DWORD length = GetTempPathA(MAX_PATH, folder);
  if (length == 0 || length > MAX_PATH)
    return -1;
  if (GetTempFileNameA(folder, prefix, 0, buffer) == 0)
    return -1;
  return 0;
}

} // namespace vopwin
