# The second compiler: Debian's clang and lld for 32-bit Windows, against the
# same MinGW-w64 headers, libraries and runtime as the GCC build.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)

set(CMAKE_C_COMPILER   clang)
set(CMAKE_CXX_COMPILER clang++)
set(CMAKE_C_COMPILER_TARGET   i686-w64-mingw32)
set(CMAKE_CXX_COMPILER_TARGET i686-w64-mingw32)
set(CMAKE_RC_COMPILER  i686-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# clang finds the MinGW-w64 headers by itself, but not GCC's runtime
# libraries (libstdc++, libgcc, libgcc_eh).
set(CMAKE_EXE_LINKER_FLAGS_INIT "-fuse-ld=lld -L/usr/lib/gcc/i686-w64-mingw32/12-posix")
