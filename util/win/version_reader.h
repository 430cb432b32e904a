// Reads the four parts of a file's version resource.
#pragma once
#include <cstdint>

namespace kel {
// 0 and the parts (major, minor, build, revision), or -1 with the parts unchanged.
int readFileVersion(const char *path, uint32_t *major, uint32_t *minor, uint32_t *build,
                    uint32_t *revision);
} // namespace kel
