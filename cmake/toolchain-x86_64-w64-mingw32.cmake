# Cross build for 64-bit Windows with the Debian mingw-w64 toolchain
# (posix thread model). Everything is linked statically, so tonegen.exe and
# the test programs need no DLL of the toolchain.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TONEGEN_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TONEGEN_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TONEGEN_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${TONEGEN_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TONEGEN_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# pkg-config sees only libraries built for the target, never the host's.
set(ENV{PKG_CONFIG_LIBDIR} /usr/${TONEGEN_TRIPLET}/lib/pkgconfig)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
