# Warning and code-generation flags, set once for every target of every build.
set(CMAKE_CXX_STANDARD 20)
set(CMAKE_CXX_STANDARD_REQUIRED ON)
set(CMAKE_CXX_EXTENSIONS OFF)
set(CMAKE_C_STANDARD 11)

set(TOLM_WARNINGS -Wall -Wextra -Wshadow -Wcast-align -Wformat=2 -Wundef -Wno-missing-field-initializers)
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  # GCC 12 reports std::string copies inlined at -O3 as overlapping (a false positive).
  list(APPEND TOLM_WARNINGS -Wno-restrict)
endif()
# Identical floating-point results in all builds: no fused multiply-add, SSE2 instead of x87 on i686.
add_compile_options(-ffp-contract=off)
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
  add_compile_options(-msse2 -mfpmath=sse)
endif()

if(WIN32)
  # Narrow Win32 APIs: the libraries' ABI is ANSI; Windows 7 is the oldest target.
  add_compile_definitions(_WIN32_WINNT=0x0601 WINVER=0x0601 WIN32_LEAN_AND_MEAN NOMINMAX STRICT)
  # Import only system DLLs: the compiler runtime, libstdc++ and winpthread are linked in.
  add_link_options(-static -static-libgcc -static-libstdc++)
  set(TOLM_WERROR ON CACHE BOOL "treat warnings as errors")
else()
  set(TOLM_WERROR OFF CACHE BOOL "treat warnings as errors")
  option(TOLM_SANITIZE "AddressSanitizer and UndefinedBehaviorSanitizer" ON)
  if(TOLM_SANITIZE AND TOLM_HOST32)
    # Under qemu AddressSanitizer cannot run, and the static i386 UBSan runtime does not link
    # (it needs the dynamic loader's __tls_get_addr): a finding traps (SIGILL) instead of
    # printing, which still fails the test at the faulty statement.
    add_compile_options(-fsanitize=undefined -fsanitize-undefined-trap-on-error -fno-sanitize-recover=all)
  elseif(TOLM_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
  endif()
endif()
if(TOLM_WERROR)
  list(APPEND TOLM_WARNINGS -Werror)
endif()

# Apply the project's warnings to a target of ours (not to GoogleTest).
function(tolm_warnings target)
  target_compile_options(${target} PRIVATE $<$<COMPILE_LANGUAGE:CXX,C>:${TOLM_WARNINGS}>)
endfunction()
