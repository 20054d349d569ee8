# The native Windows builds (cmake/mingw-x86_64.cmake, cmake/mingw-i686.cmake): the application
# code against the real Windows headers and libraries. Neither Qt nor
# src/platform is built; resources/tarvel.rc is compiled by windres.
enable_language(RC)

# Standalone programs: the C and C++ runtimes are linked in, so that they
# import Windows' own DLLs only.
add_link_options(-static -static-libgcc -static-libstdc++)
target_link_libraries(tarvel_core PUBLIC user32 gdi32 kernel32)

# The manifest (resources/tarvel.manifest.in) asks for the UTF-8 code page,
# so that the "A" calls see every name, for DPI awareness and for Common
# Controls 6 (the dialog's controls in the system's visual style), and names
# the architecture the toolchain builds for.
set(TARVEL_MANIFEST_FILE ${CMAKE_CURRENT_BINARY_DIR}/tarvel.manifest)
set(TARVEL_MANIFEST ${CMAKE_CURRENT_BINARY_DIR}/manifest.rc)
configure_file(resources/tarvel.manifest.in ${TARVEL_MANIFEST_FILE} @ONLY)
configure_file(resources/manifest.rc.in ${TARVEL_MANIFEST} @ONLY)
set_source_files_properties(${TARVEL_MANIFEST} PROPERTIES OBJECT_DEPENDS ${TARVEL_MANIFEST_FILE})
set_source_files_properties(resources/tarvel.rc PROPERTIES
  OBJECT_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/resources/tarvel.ico;${CMAKE_CURRENT_SOURCE_DIR}/resources/resource.h")

# The version resource (resources/version.rc.in), one for each program: what
# Explorer shows under Properties, Details.
function(tarvel_version_resource name description)
  set(TARVEL_FILE_NAME ${name})
  set(TARVEL_FILE_DESCRIPTION ${description})
  configure_file(resources/version.rc.in ${CMAKE_CURRENT_BINARY_DIR}/${name}-version.rc @ONLY)
endfunction()
tarvel_version_resource(tarvel "Tarvel: the disk space a directory tree uses and wastes")
tarvel_version_resource(tarvel-scan "Tarvel's report of a directory tree, without a window")

add_executable(tarvel WIN32 $<TARGET_OBJECTS:tarvel_shell> resources/tarvel.rc ${TARVEL_MANIFEST}
  ${CMAKE_CURRENT_BINARY_DIR}/tarvel-version.rc)
target_link_libraries(tarvel PRIVATE tarvel_core)

add_executable(tarvel-scan ${TARVEL_SCAN_SOURCES} ${TARVEL_MANIFEST} ${CMAKE_CURRENT_BINARY_DIR}/tarvel-scan-version.rc)
target_compile_definitions(tarvel-scan PRIVATE TARVEL_VERSION="${PROJECT_VERSION}")
target_link_libraries(tarvel-scan PRIVATE tarvel_core)

include(cmake/Package-windows.cmake)

if(TARVEL_TESTS)
  enable_testing()
  add_subdirectory(tests/windows)
endif()
