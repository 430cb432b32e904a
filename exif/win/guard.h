// Checks of caller memory that the core cannot make: whether a range may be read or written.
#pragma once
#include <cstddef>

namespace daxwin {

// Whether every byte of [p, p + size) lies in committed pages of this process that allow the
// access. A null p fails; a size of 0 succeeds for any non-null p. Guard pages fail too: the
// stack below a caller's frame is no buffer of the caller's.
bool canRead(const void *p, size_t size);
bool canWrite(void *p, size_t size);

// Length of the NUL-terminated text at p when its NUL lies within the first limit bytes and
// every byte up to it is readable; -1 otherwise. Reads nothing past the NUL.
ptrdiff_t boundedLength(const char *p, size_t limit);

} // namespace daxwin
