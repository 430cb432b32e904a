// New temporary files of the library, named from a caller's prefix.
#pragma once

#include <cstdint>

namespace vopwin {

// A new empty temporary file named from the 3-character prefix at the start of buffer (which
// holds MAX_PATH characters and receives the full name). 0, or -1 when a call fails.
int32_t makeTempFileName(char *buffer);

} // namespace vopwin
