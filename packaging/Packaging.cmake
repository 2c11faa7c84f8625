# SPDX-License-Identifier: GPL-3.0-or-later
# Installation and the Debian package.
#
# `cmake --install` lays torven out as a desktop program: the executables in bin/, the desktop
# entry, the icon and the AppStream data where desktops and software centres look for them, and
# manual pages, copyright and changelog where Debian expects them. CPack turns the same layout
# into torven_<version>_<arch>.deb.
#
# torven-sim ships in the same package: it is small, needs nothing but the C library, and it is
# how an operator tries an installed torven before the antenna is wired up.

include(GNUInstallDirs)

set(TORVEN_RELEASE_DATE "2026-12-07")
set(TORVEN_RELEASE_DATE_RFC2822 "Mon, 07 Dec 2026 12:00:00 +0000")

# Whatever the umask of the one who installs or packages, directories come out rwxr-xr-x.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${TORVEN_DEVELOPERS} <torven@torven.example>")

set(torven_packaging_out ${CMAKE_BINARY_DIR}/packaging)
configure_file(${CMAKE_CURRENT_LIST_DIR}/torven.metainfo.xml.in
               ${torven_packaging_out}/example.torven.torven.metainfo.xml @ONLY)
configure_file(${CMAKE_CURRENT_LIST_DIR}/copyright.in ${torven_packaging_out}/copyright @ONLY)
configure_file(${CMAKE_CURRENT_LIST_DIR}/changelog.in ${torven_packaging_out}/changelog @ONLY)

# The simulator's manual page says what its --help says (SimManual.cmake).
add_custom_command(
  OUTPUT ${torven_packaging_out}/torven-sim.1
  COMMAND ${CMAKE_COMMAND} -DSIM=$<TARGET_FILE:torven-sim>
          -DTEMPLATE=${CMAKE_CURRENT_LIST_DIR}/torven-sim.1.in
          -DOUTPUT=${torven_packaging_out}/torven-sim.1
          -DTORVEN_RELEASE_DATE=${TORVEN_RELEASE_DATE} -P ${CMAKE_CURRENT_LIST_DIR}/SimManual.cmake
  DEPENDS torven-sim ${CMAKE_CURRENT_LIST_DIR}/torven-sim.1.in
          ${CMAKE_CURRENT_LIST_DIR}/SimManual.cmake
  VERBATIM)

# Debian wants the changelog and manual pages compressed, without a time stamp in the header.
set(torven_compressed)
foreach(page changelog torven.1 torven-sim.1)
  if(page STREQUAL "changelog" OR page STREQUAL "torven-sim.1")
    set(source ${torven_packaging_out}/${page})
  else()
    set(source ${CMAKE_CURRENT_LIST_DIR}/${page})
  endif()
  add_custom_command(
    OUTPUT ${torven_packaging_out}/${page}.gz
    COMMAND gzip -n -9 -c ${source} > ${torven_packaging_out}/${page}.gz
    DEPENDS ${source}
    VERBATIM)
  list(APPEND torven_compressed ${torven_packaging_out}/${page}.gz)
endforeach()
add_custom_target(torven_packaging_docs ALL DEPENDS ${torven_compressed})

install(TARGETS torven-sim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${CMAKE_CURRENT_LIST_DIR}/torven.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/torven.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${torven_packaging_out}/example.torven.torven.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${torven_packaging_out}/torven.1.gz ${torven_packaging_out}/torven-sim.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${torven_packaging_out}/copyright ${torven_packaging_out}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/torven)

# torven without a window as a system service: a template unit, one instance per rotator, each
# with its options in /etc/torven/NAME.conf, of which the package brings a commented example.
# Debian 12 keeps units in /lib/systemd/system.
install(FILES ${CMAKE_CURRENT_LIST_DIR}/systemd/torven@.service DESTINATION /lib/systemd/system)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/systemd/example.conf DESTINATION /etc/torven)
file(WRITE ${torven_packaging_out}/conffiles "/etc/torven/example.conf\n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${torven_packaging_out}/conffiles)

set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGE_NAME "torven")
set(CPACK_PACKAGE_VENDOR "${TORVEN_DEVELOPERS}")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "bearing indicator for rotatable antennas")
set(CPACK_PACKAGE_DESCRIPTION
    "torven reads the position that an antenna controller streams over a serial
line and shows the bearing in whole degrees, with one of 24 sector lamps lit
on a diamond around the readout. It only listens: nothing is written to the
port. The port is chosen by number and remembered per user.

torven --headless serves the bearing without a window; the systemd unit
torven@.service runs it as a service, one instance per rotator.

The package also holds torven-sim, a controller simulator on a
pseudo-terminal, to try torven without an antenna.")
set(CPACK_PACKAGE_HOMEPAGE_URL "${TORVEN_HOMEPAGE}")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION "hamradio")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
# dpkg-shlibdeps works out the Qt and C++ runtime packages from the linked libraries.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
