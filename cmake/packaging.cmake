# What "cmake --install" puts in place, and the Debian package CPack makes
# of it: the programs, a manual page for each, the README.
include(GNUInstallDirs)
install(TARGETS vinstall vrnarc vrnmedia vrnini RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES
  ${PROJECT_SOURCE_DIR}/docs/man/vinstall.1 ${PROJECT_SOURCE_DIR}/docs/man/vrnarc.1
  ${PROJECT_SOURCE_DIR}/docs/man/vrnmedia.1 ${PROJECT_SOURCE_DIR}/docs/man/vrnini.1
  DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/varentis-install)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME varentis-install)
set(CPACK_PACKAGE_VERSION 7.30.0)
set(CPACK_PACKAGE_VENDOR "Varentis")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Installs, verifies and rebuilds Varentis product suite media")
set(CPACK_PACKAGE_DESCRIPTION
  "vinstall installs the Varentis product suite from a CD-ROM, staged or diskette medium onto the drives of a drive map (a Wine prefix, a disk image, a directory), interactively or unattended; vrnarc and vrnmedia test, extract and build the media.")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Varentis install utility team <install@varentis.invalid>")
set(CPACK_DEBIAN_PACKAGE_SECTION admin)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)
