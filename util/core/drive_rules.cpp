// Drive designators cut to their fixed buffers, and cluster arithmetic in 64 bits.
#include "util/core/drive_rules.h"

namespace kel {

namespace {
// Copies up to two characters, stopping at the terminator; returns how many were copied.
int copyDesignator(const char *designator, char *out) {
  int n = 0;
  while (n < 2 && designator[n] != '\0') {
    out[n] = designator[n];
    ++n;
  }
  return n;
}
} // namespace

void driveTypeRoot(const char *designator, char (&root)[4]) {
  root[0] = root[1] = root[2] = root[3] = '\0';
  const int n = copyDesignator(designator, root);
  root[n] = '\\';
}

void activeDriveRoot(const char *designator, char (&root)[3]) {
  root[0] = root[1] = root[2] = '\0';
  copyDesignator(designator, root);
}

uint64_t clusterSpace(uint32_t freeClusters, uint32_t bytesPerSector, uint32_t sectorsPerCluster) {
  // At most 2^96 in theory; real drives report values whose product fits in 64 bits, and an
  // impossible report saturates instead of wrapping to a small number.
  const uint64_t perCluster = uint64_t{bytesPerSector} * sectorsPerCluster;
  if (perCluster != 0 && freeClusters > UINT64_MAX / perCluster)
    return UINT64_MAX;
  return uint64_t{freeClusters} * perCluster;
}

} // namespace kel
