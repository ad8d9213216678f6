# Cross-compiling for 32-bit Windows against the real system headers. The compiler's own
# runtime (libgcc, libstdc++, winpthread) is linked in statically, so the .exe needs only
# DLLs that ship with Windows.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
# Floating point in SSE2 registers for the whole build, not on the x87 unit: the
# animation's coordinates are computed in doubles and stored as floats, and the
# resampler's sums are 64-bit; in x87's 80-bit registers both would round differently
# from the 64-bit build and from Linux. Every Windows this program targets runs on a
# processor with SSE2 (Windows 8 and later require it).
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
