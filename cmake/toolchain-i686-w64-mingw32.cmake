# Cross build for 32-bit Windows with the Debian mingw-w64 toolchain
# (posix thread model). Doubles are kept in SSE2 registers, never in x87
# 80-bit ones, so that the samples equal those of the 64-bit builds.
# Everything is linked statically: no DLL of the toolchain is needed.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(TONEGEN_TRIPLET i686-w64-mingw32)
set(CMAKE_C_COMPILER ${TONEGEN_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TONEGEN_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${TONEGEN_TRIPLET}-windres)

set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")

set(CMAKE_FIND_ROOT_PATH /usr/${TONEGEN_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# pkg-config sees only libraries built for the target, never the host's.
set(ENV{PKG_CONFIG_LIBDIR} /usr/${TONEGEN_TRIPLET}/lib/pkgconfig)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
