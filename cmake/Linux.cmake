# The Linux build: our own <windows.h> on POSIX and Qt 6 (src/platform).
#
#   tarvel_mounts     the mount roots and the mount that holds a path, for
#                     KERNEL32 and the checker
#   tarvel_mounttable the mount table (libmount), for the dialog's drives and
#                     the checker; tarvel-scan does without
#   tarvel_kernel32   KERNEL32 on POSIX alone
#   tarvel_user32     USER32 and GDI32 on Qt, with the compiled resources in
#   tarvel_nowindow   the few USER32 calls of a program without windows, no Qt
#   chkdsk            the disk checker the cluster size probe runs
find_package(Qt6 REQUIRED COMPONENTS Widgets)
find_package(PkgConfig REQUIRED)
pkg_check_modules(LIBMOUNT REQUIRED IMPORTED_TARGET mount)
pkg_check_modules(XCB REQUIRED IMPORTED_TARGET xcb)

add_library(tarvel_mounts STATIC src/platform/mounts/mounts.cpp)
target_include_directories(tarvel_mounts PUBLIC src/platform)
add_library(tarvel_mounttable STATIC src/platform/mounts/table.cpp)
target_link_libraries(tarvel_mounttable PUBLIC tarvel_mounts PkgConfig::LIBMOUNT)

file(GLOB TARVEL_KERNEL32_SOURCES CONFIGURE_DEPENDS src/platform/kernel32/*.cpp)
add_library(tarvel_kernel32 STATIC ${TARVEL_KERNEL32_SOURCES})
target_include_directories(tarvel_kernel32 PUBLIC src/platform/include PRIVATE src/platform src/platform/kernel32)
target_link_libraries(tarvel_kernel32 PUBLIC tarvel_mounts)

file(GLOB TARVEL_USER32_SOURCES CONFIGURE_DEPENDS
  src/platform/user32/*.cpp src/platform/gdi32/*.cpp src/platform/resources/*.cpp)
add_library(tarvel_user32 STATIC ${TARVEL_USER32_SOURCES})
target_include_directories(tarvel_user32 PRIVATE src/platform ${CMAKE_CURRENT_BINARY_DIR}/generated)
target_link_libraries(tarvel_user32 PUBLIC tarvel_kernel32 tarvel_mounttable Qt6::Widgets PRIVATE PkgConfig::XCB)

# The resource script is compiled as for Windows, by MinGW's resource
# compiler (the host's preprocessor, our winresrc.h), and the .res is
# compiled into the layer, which reads it as Windows reads a program's
# resources.
find_program(TARVEL_WINDRES x86_64-w64-mingw32-windres REQUIRED)
set(TARVEL_RES ${CMAKE_CURRENT_BINARY_DIR}/generated/tarvel.res)
add_custom_command(OUTPUT ${TARVEL_RES}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/generated
  COMMAND ${TARVEL_WINDRES} --preprocessor=cpp --preprocessor-arg=-DRC_INVOKED
          -I ${CMAKE_CURRENT_SOURCE_DIR}/src/platform/include -I ${CMAKE_CURRENT_SOURCE_DIR}/resources
          -O res -i ${CMAKE_CURRENT_SOURCE_DIR}/resources/tarvel.rc -o ${TARVEL_RES}
  DEPENDS resources/tarvel.rc resources/resource.h resources/tarvel.ico src/platform/include/winresrc.h
  COMMENT "Compiling the resource script"
  VERBATIM)
include(cmake/EmbedResources.cmake)
tarvel_embed_resources(tarvel_user32 ${TARVEL_RES})

# The tests' hooks into the layer (platform_testing.h): for tests and
# benchmarks only, never linked into the programs.
add_library(tarvel_testhooks STATIC src/platform/testhooks/testhooks.cpp)
target_include_directories(tarvel_testhooks PRIVATE src/platform)
target_link_libraries(tarvel_testhooks PUBLIC tarvel_user32)

file(GLOB TARVEL_NOWINDOW_SOURCES CONFIGURE_DEPENDS src/platform/nowindow/*.cpp)
add_library(tarvel_nowindow STATIC ${TARVEL_NOWINDOW_SOURCES})
target_link_libraries(tarvel_nowindow PUBLIC tarvel_kernel32)

target_link_libraries(tarvel_core PUBLIC tarvel_kernel32)

# Everything the window program is made of, for the program, its tests and
# its benchmarks.
# (An OBJECT library gives its objects only to those that link it directly.)
add_library(tarvel_app INTERFACE)
target_sources(tarvel_app INTERFACE $<TARGET_OBJECTS:tarvel_shell>)
target_link_libraries(tarvel_app INTERFACE tarvel_core tarvel_user32)

# main() starts Qt and calls WinMain.
add_executable(tarvel src/platform/entry/main.cpp)
target_link_libraries(tarvel PRIVATE tarvel_app)

add_executable(tarvel-scan ${TARVEL_SCAN_SOURCES})
target_compile_definitions(tarvel-scan PRIVATE TARVEL_VERSION="${PROJECT_VERSION}")
target_link_libraries(tarvel-scan PRIVATE tarvel_core tarvel_nowindow)

# The disk checker, in Tarvel's system directory: <build>/system beside the
# programs here, <prefix>/lib/tarvel/system once installed (GetSystemDirectoryA).
add_executable(tarvel-chkdsk src/platform/chkdsk/chkdsk.cpp)
target_link_libraries(tarvel-chkdsk PRIVATE tarvel_mounttable)
set_target_properties(tarvel-chkdsk PROPERTIES OUTPUT_NAME chkdsk
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/system)

add_subdirectory(bench)

include(cmake/Install.cmake)

if(TARVEL_TESTS)
  enable_testing()
  add_subdirectory(tests)
endif()
