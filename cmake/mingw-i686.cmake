# Cross-compiling for 32-bit Windows.
set(ZV_MINGW_TARGET i686-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
# Floating point in SSE2 registers for the whole build, not on the x87 unit: the
# animation's coordinates are computed in doubles and stored as floats, and the
# resampler's sums are 64-bit; in x87's 80-bit registers both would round differently
# from the 64-bit build and from Linux. Every Windows this program targets runs on a
# processor with SSE2 (Windows 8 and later require it).
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
