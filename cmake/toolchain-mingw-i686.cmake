# Cross-compiles the 32-bit shipping build with MinGW-w64 (win32 thread model). Its
# tests run under Debian's 32-bit Wine inside the 32-bit Debian root (scripts/i386-run),
# on machines whose kernel runs 32-bit code.
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
get_filename_component(PLINTH_WINE32 ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine32 ABSOLUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR ${PLINTH_WINE32})
