# The platform-neutral cores as a 32-bit Linux program: the libraries' real ABI has 32-bit
# sizes and pointers, which the 64-bit host build never exercises. This kernel cannot run
# i386 code natively, so CTest runs the static test programs through qemu's user emulator.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER gcc)
set(CMAKE_CXX_COMPILER g++)
set(CMAKE_C_FLAGS_INIT "-m32")
set(CMAKE_CXX_FLAGS_INIT "-m32")
# Static: the emulator then needs no i386 loader or shared libraries.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-m32 -static")
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-i386-static)
set(TOLM_HOST32 ON)
