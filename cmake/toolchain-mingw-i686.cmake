# Cross-compiles the 32-bit shipping build with MinGW-w64 (win32 thread model).
# This machine cannot run 32-bit code, so there is no emulator: the build is linked, not run.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(PLINTH_MINGW_TRIPLE i686-w64-mingw32)
set(CMAKE_C_COMPILER ${PLINTH_MINGW_TRIPLE}-gcc-win32)
set(CMAKE_CXX_COMPILER ${PLINTH_MINGW_TRIPLE}-g++-win32)
set(CMAKE_RC_COMPILER ${PLINTH_MINGW_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${PLINTH_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
