# What both Windows cross builds share, for the toolchain files that set ZV_MINGW_TARGET
# (the compiler's target triple) and CMAKE_SYSTEM_PROCESSOR first. They build against the
# real system headers; the compiler's own runtime (libgcc, libstdc++, winpthread) is
# linked in statically, so the .exe needs only DLLs that ship with Windows.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${ZV_MINGW_TARGET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ZV_MINGW_TARGET}-g++-posix)
set(CMAKE_RC_COMPILER ${ZV_MINGW_TARGET}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${ZV_MINGW_TARGET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
