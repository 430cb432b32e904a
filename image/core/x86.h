// Whether this build runs on x86, where code for wider vector units can be picked at run time
// (with __builtin_cpu_supports) beside the code every processor of the build can run.
#pragma once

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define VOP_X86 1
#else
#define VOP_X86 0
#endif
