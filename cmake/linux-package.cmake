# Installing on Linux: one self-contained folder, /opt/dorvane unless told
# otherwise, with the program (its log is written beside it), the README and
# the systemd units; and a Debian package of the same, built by CPack.
if(CMAKE_INSTALL_PREFIX_INITIALIZED_TO_DEFAULT)
  set(CMAKE_INSTALL_PREFIX /opt/dorvane CACHE PATH "Where dorvane is installed" FORCE)
endif()
# Where the units go: beside the program unless set, as the Debian package
# sets it to the folder where systemd looks for them.
set(DORVANE_SYSTEMD_UNIT_DIR "" CACHE PATH "Where the systemd units are installed (default: with the program)")

set(DORVANE_INSTALL_DIR ${CMAKE_INSTALL_PREFIX})
configure_file(packaging/linux/dorvane.service.in ${CMAKE_BINARY_DIR}/dorvane.service @ONLY)
install(TARGETS dorvane RUNTIME DESTINATION .)
install(FILES README.md DESTINATION .)
if(DORVANE_SYSTEMD_UNIT_DIR)
  set(unit_destination ${DORVANE_SYSTEMD_UNIT_DIR})
else()
  set(unit_destination .)
endif()
install(FILES ${CMAKE_BINARY_DIR}/dorvane.service packaging/linux/dorvane.timer DESTINATION ${unit_destination})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME dorvane)
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_PACKAGE_CONTACT "dorvane maintainers <dorvane@localhost>")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION admin)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Maintainer scripts: systemd reloads the units after install, upgrade and
# removal; removal stops and disables the timer first.
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/packaging/linux/postinst
                                       ${PROJECT_SOURCE_DIR}/packaging/linux/prerm
                                       ${PROJECT_SOURCE_DIR}/packaging/linux/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_PACKAGE_DESCRIPTION "Run unattended (the systemd timer it installs, disabled, or cron), it
revokes every privilege of userSQL on each catalogued table of the ODBC data
sources VistasQuendar, VistasQuendar1 and VistasQuendar2, grants it SELECT on
the tables of schema PUB, and logs failures to /opt/dorvane/dorvane.log.")
include(CPack)
