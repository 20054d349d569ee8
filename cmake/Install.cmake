# Installation and the Debian package.
#
#   cmake --install <build>     bin/tarvel, bin/tarvel-scan, the disk checker
#                               lib/tarvel/system/chkdsk, the desktop entry,
#                               the icon (hicolor 32x32 and pixmaps)
#   cd <build> && cpack -G DEB  tarvel_<version>_<arch>.deb; its library
#                               dependencies come from dpkg-shlibdeps (dpkg-dev)
include(GNUInstallDirs)

install(TARGETS tarvel tarvel-scan RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# Tarvel's system directory: found from the program's place as
# <bin>/../lib/tarvel/system (kernel32/directory.cpp), hence lib, not LIBDIR.
install(TARGETS tarvel-chkdsk RUNTIME DESTINATION lib/tarvel/system)
install(FILES ${PROJECT_SOURCE_DIR}/resources/tarvel.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/resources/tarvel.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/32x32/apps)
install(FILES ${PROJECT_SOURCE_DIR}/resources/tarvel.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/pixmaps)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tarvel)
set(CPACK_PACKAGE_VENDOR "Tarvel")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "shows the disk space a directory tree uses and wastes")
set(CPACK_PACKAGE_DESCRIPTION
  "Tarvel surveys a directory tree chosen in a small dialog and paints one line per\n\
directory with the kilobytes its files use and the space lost in the unfilled\n\
tails of their last allocation units, each with a bar for its share of the\n\
whole tree. tarvel-scan prints the same report without a window.")
set(CPACK_PACKAGE_CONTACT "Tarvel maintainers <maintainers@users.noreply.c-seed-663594a9.example>")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Dependencies as dpkg-shlibdeps finds them for the installed programs.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
include(CPack)
