# The Windows packages (cd build-win && cpack; build-win64 likewise):
#   Tarvel-<version>-win32.zip   tarvel.exe, tarvel-scan.exe, README, licence
#   Tarvel-<version>-win32.exe   an NSIS installer with a Start-menu entry,
#                                made where makensis (Debian's nsis) is there
# named win64 for the 64-bit build, which installs into the 64-bit Program Files.
install(TARGETS tarvel tarvel-scan RUNTIME DESTINATION .)
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION .)

set(CPACK_PACKAGE_NAME Tarvel)
set(CPACK_PACKAGE_VENDOR "Tarvel")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Shows the disk space a directory tree uses and wastes")
set(CPACK_SYSTEM_NAME ${TARVEL_PACKAGE_SYSTEM})
if(TARVEL_PACKAGE_SYSTEM STREQUAL win64)
  set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
endif()
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGE_INSTALL_DIRECTORY Tarvel)
# The Start-menu entry: tarvel.exe, shown as "Tarvel".
set(CPACK_PACKAGE_EXECUTABLES tarvel Tarvel)
set(CPACK_NSIS_DISPLAY_NAME Tarvel)
set(CPACK_NSIS_INSTALLED_ICON_NAME tarvel.exe)
set(CPACK_NSIS_MUI_ICON ${PROJECT_SOURCE_DIR}/resources/tarvel.ico)
set(CPACK_NSIS_MUI_UNIICON ${PROJECT_SOURCE_DIR}/resources/tarvel.ico)

set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR ZIP)
find_program(TARVEL_MAKENSIS makensis)
if(TARVEL_MAKENSIS)
  list(APPEND CPACK_GENERATOR NSIS)
endif()
include(CPack)
