# Installation and the Debian package.
#
#   cmake --install <build>     bin/tarvel, bin/tarvel-scan, the disk checker
#                               lib/tarvel/system/chkdsk, the manual pages, the
#                               desktop entry, the AppStream metainfo, the icon
#                               (hicolor 32x32 and pixmaps), the copyright file
#                               and the changelog
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
install(FILES ${PROJECT_SOURCE_DIR}/resources/tarvel.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo RENAME io.github.tarvel.Tarvel.metainfo.xml)

# The manual pages and the changelog, compressed as Debian keeps them
# (gzip -n: no name or time inside, so the package is reproducible).
set(TARVEL_DOCS ${CMAKE_BINARY_DIR}/docs)
set(TARVEL_GZIPPED)
foreach(doc man/tarvel.1 man/tarvel-scan.1 packaging/changelog)
  get_filename_component(name ${doc} NAME)
  add_custom_command(OUTPUT ${TARVEL_DOCS}/${name}.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${TARVEL_DOCS}
    COMMAND gzip -9n -c ${PROJECT_SOURCE_DIR}/${doc} > ${TARVEL_DOCS}/${name}.gz
    DEPENDS ${PROJECT_SOURCE_DIR}/${doc}
    VERBATIM)
  list(APPEND TARVEL_GZIPPED ${TARVEL_DOCS}/${name}.gz)
endforeach()
add_custom_target(tarvel_docs ALL DEPENDS ${TARVEL_GZIPPED})
install(FILES ${TARVEL_DOCS}/tarvel.1.gz ${TARVEL_DOCS}/tarvel-scan.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright ${TARVEL_DOCS}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tarvel)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tarvel)
set(CPACK_PACKAGE_VENDOR "Tarvel")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "shows the disk space a directory tree uses and wastes")
set(CPACK_PACKAGE_DESCRIPTION
  "Tarvel surveys a directory tree chosen in a small dialog and paints one\n\
line per directory with the kilobytes its files use and the space lost in\n\
the unfilled tails of their last allocation units, each with a bar for its\n\
share of the whole tree. tarvel-scan prints the same report without a\n\
window, as text or as exact bytes for scripts.")
set(CPACK_PACKAGE_CONTACT "Tarvel maintainers <maintainers@users.noreply.c-seed-663594a9.example>")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Dependencies as dpkg-shlibdeps finds them for the installed programs; on a
# Wayland desktop Qt draws natively only with its Wayland plugin, without it
# through XWayland.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS qt6-wayland)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
include(CPack)
