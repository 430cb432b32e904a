// Ownership of zero-filled blocks from calloc, for the families that learn of a failed
// allocation from a null pointer (a slot or object stays unused) rather than from an exception.
#pragma once
#include <cstdlib>
#include <memory>

namespace kel {

struct FreeDeleter {
  void operator()(void *p) const { std::free(p); }
};

template <typename T> using CallocBlock = std::unique_ptr<T[], FreeDeleter>;

} // namespace kel
