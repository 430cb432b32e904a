// Memory copy, fill and global-block copy routines.
#include "util/core/random.h"

#include <cstring>

namespace kel {

uint32_t copyMemory(void *destination, const void *source, uint32_t length) {
  if (length == 0)
    return 0;
  if (destination == nullptr || source == nullptr)
    return 0;
  std::memmove(destination, source, length);
  return length;
}

void fillMemory(void *destination, int32_t value, uint32_t length) {
  if (destination == nullptr || length == 0)
    return;
  std::memset(destination, value & 0xFF, length);
}

void globalCopy(void *destination, void *block, uint32_t length, const GlobalMemory &memory) {
  if (destination == nullptr || block == nullptr || length == 0)
    return;
  const size_t available = memory.size(memory.context, block);
  const size_t count = length < available ? length : available;
  if (count == 0)
    return;
  const void *bytes = memory.lock(memory.context, block);
  if (bytes == nullptr)
    return;
  std::memcpy(destination, bytes, count);
  memory.unlock(memory.context, block);
}

} // namespace kel
