# Toolchain for the native 32-bit Windows build with MinGW-w64 (Debian's
# g++-mingw-w64-i686). The test programs run under Wine through ctest.
#
#   cmake -S . -B build-win --toolchain cmake/mingw-i686.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(TARVEL_MINGW i686-w64-mingw32)
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

# ctest (and gtest discovery) start Windows programs through Wine.
find_program(TARVEL_WINE wine)
if(TARVEL_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${TARVEL_WINE})
endif()
