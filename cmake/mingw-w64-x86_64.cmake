# Cross toolchain for 64-bit Windows with Debian's mingw-w64 (posix threads, GCC 12).
# Tests of a build made with it run under Wine through CMAKE_CROSSCOMPILING_EMULATOR.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CELSHIFT_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${CELSHIFT_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${CELSHIFT_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${CELSHIFT_MINGW_PREFIX}-windres)

# Search headers and libraries only in the target's prefixes (plus CMAKE_PREFIX_PATH, e.g. the cached Qt);
# programs come from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${CELSHIFT_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY BOTH)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE BOTH)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)

if(NOT DEFINED CMAKE_CROSSCOMPILING_EMULATOR)
  find_program(CELSHIFT_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
  if(CELSHIFT_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${CELSHIFT_WINE})
  endif()
endif()
