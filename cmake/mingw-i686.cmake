# Toolchain for the native 32-bit Windows build with MinGW-w64 (Debian's
# g++-mingw-w64-i686). The test programs run under 32-bit Wine through ctest.
#
#   cmake -S . -B build-win --toolchain cmake/mingw-i686.cmake
set(CMAKE_SYSTEM_PROCESSOR i686)
set(TARVEL_MINGW i686-w64-mingw32)
set(TARVEL_WINE_LOADER /usr/lib/wine/wine)
set(TARVEL_WINEARCH win32)
set(TARVEL_MANIFEST_ARCH x86)
set(TARVEL_PACKAGE_SYSTEM win32)
include(${CMAKE_CURRENT_LIST_DIR}/MinGW.cmake)
