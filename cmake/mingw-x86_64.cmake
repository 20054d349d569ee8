# Toolchain for the native 64-bit Windows build with MinGW-w64 (Debian's
# g++-mingw-w64-x86-64). The test programs run under 64-bit Wine through ctest.
#
#   cmake -S . -B build-win64 --toolchain cmake/mingw-x86_64.cmake
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TARVEL_MINGW x86_64-w64-mingw32)
set(TARVEL_WINE_LOADER /usr/lib/wine/wine64)
set(TARVEL_WINEARCH win64)
set(TARVEL_MANIFEST_ARCH amd64)
set(TARVEL_PACKAGE_SYSTEM win64)
include(${CMAKE_CURRENT_LIST_DIR}/MinGW.cmake)
