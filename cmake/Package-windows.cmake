# The Windows packages (cd build-win && cpack; build-win64 likewise):
#   Tarvel-<version>-win32.zip   tarvel.exe, tarvel-scan.exe, README, licence
#   Tarvel-<version>-win32.exe   an NSIS installer with a Start-menu entry,
#                                made where makensis (Debian's nsis) is there,
#                                from our own template
#                                (packaging/windows/NSIS.template.in)
# named win64 for the 64-bit build: a 64-bit installer that installs into the
# 64-bit Program Files and registers in the 64-bit registry view. Both
# editions are one product: either replaces the other.
install(TARGETS tarvel tarvel-scan RUNTIME DESTINATION .)
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION .)

set(CPACK_PACKAGE_NAME Tarvel)
set(CPACK_PACKAGE_VENDOR "Tarvel")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Shows the disk space a directory tree uses and wastes")
set(CPACK_SYSTEM_NAME ${TARVEL_PACKAGE_SYSTEM})
if(TARVEL_PACKAGE_SYSTEM STREQUAL win64)
  set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
  set(CPACK_TARVEL_NSIS_TARGET amd64-unicode)
  set(CPACK_TARVEL_REGISTRY_VIEW 64)
else()
  set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES")
  set(CPACK_TARVEL_NSIS_TARGET x86-unicode)
  set(CPACK_TARVEL_REGISTRY_VIEW 32)
endif()
# CPack looks for NSIS.template.in along the module path first.
list(PREPEND CMAKE_MODULE_PATH ${PROJECT_SOURCE_DIR}/packaging/windows)
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGE_INSTALL_DIRECTORY Tarvel)
set(CPACK_NSIS_MUI_ICON ${PROJECT_SOURCE_DIR}/resources/tarvel.ico)
set(CPACK_NSIS_MUI_UNIICON ${PROJECT_SOURCE_DIR}/resources/tarvel.ico)

set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR ZIP)
find_program(TARVEL_MAKENSIS makensis)
if(TARVEL_MAKENSIS)
  list(APPEND CPACK_GENERATOR NSIS)
endif()
include(CPack)
