// A replaceable global operator new that can be told to fail: link alloc_failure.cpp into a
// test program (and the code under test statically, since a DLL has its own operator new) to
// see what each call does when memory runs out.
#pragma once

namespace allocfail {

// From now on the allocation numbered `n` (0 = the next one) and every one after it throws
// std::bad_alloc (or returns null for the nothrow forms), until stop().
void failFrom(long n);
// Allocations succeed again.
void stop();
// Allocations made since the last failFrom() or stop().
long count();

// Fails allocations from number `n` on while it lives.
class Scope {
public:
  explicit Scope(long n = 0) { failFrom(n); }
  ~Scope() { stop(); }
  Scope(const Scope &) = delete;
  Scope &operator=(const Scope &) = delete;
};

} // namespace allocfail
