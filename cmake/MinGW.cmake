# What the two Windows toolchains share (cmake/mingw-i686.cmake,
# cmake/mingw-x86_64.cmake): MinGW-w64's compilers for TARVEL_MINGW, and the
# Wine loader of the same width, TARVEL_WINE_LOADER, to run the tests.
set(CMAKE_SYSTEM_NAME Windows)

# The POSIX thread model: GoogleTest needs std::mutex, which the win32 model
# of this GCC lacks. winpthread is linked in statically like the rest.
set(CMAKE_C_COMPILER ${TARVEL_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TARVEL_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${TARVEL_MINGW}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TARVEL_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# ctest (and gtest discovery) start Windows programs through Wine. Debian's
# /usr/bin/wine always picks the 32-bit loader where wine32 is installed, so
# each build names the loader of its own width.
if(EXISTS ${TARVEL_WINE_LOADER})
  set(CMAKE_CROSSCOMPILING_EMULATOR ${TARVEL_WINE_LOADER})
endif()
