# Installing on Linux: one self-contained folder, /opt/dorvane unless told
# otherwise, with the program (its log is written beside it), the README and
# the systemd units; and a Debian package of the same, built by CPack.
if(CMAKE_INSTALL_PREFIX_INITIALIZED_TO_DEFAULT)
  set(CMAKE_INSTALL_PREFIX /opt/dorvane CACHE PATH "Where dorvane is installed" FORCE)
endif()
# The Debian package's layout: the units where systemd looks for them, and
# the copyright, changelog, manual page and lintian overrides where Debian's
# tools do.
option(DORVANE_DEBIAN_PACKAGE "Lay the install out for the Debian package" OFF)
set(DORVANE_MAINTAINER "dorvane maintainers <dorvane@example.org>" CACHE STRING
    "The Debian package's maintainer, as \"Name <address>\"")

set(DORVANE_INSTALL_DIR ${CMAKE_INSTALL_PREFIX})
configure_file(packaging/linux/dorvane.service.in ${CMAKE_BINARY_DIR}/dorvane.service @ONLY)
configure_file(packaging/linux/prerm.in ${CMAKE_BINARY_DIR}/debian/prerm @ONLY)
# The program holds the database administrator's password in its
# connection string: only root may read it, or run it.
install(TARGETS dorvane RUNTIME DESTINATION . PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
install(FILES README.md DESTINATION .)
set(units ${CMAKE_BINARY_DIR}/dorvane.service packaging/linux/dorvane.timer)
if(NOT DORVANE_DEBIAN_PACKAGE)
  install(FILES ${units} DESTINATION .)
else()
  install(FILES ${units} DESTINATION /lib/systemd/system)
  # Stripped as Debian strips programs: symbols, and the compilers' notes.
  install(CODE "if(CMAKE_INSTALL_DO_STRIP)
    execute_process(COMMAND \"${CMAKE_OBJCOPY}\" --remove-section=.comment
                            \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/dorvane\" COMMAND_ERROR_IS_FATAL ANY)
  endif()")
  # A native package's changelog, dated by SOURCE_DATE_EPOCH where it is set
  # so that the same sources give the same package.
  string(TIMESTAMP DORVANE_CHANGELOG_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
  configure_file(packaging/linux/changelog.in ${CMAKE_BINARY_DIR}/debian/changelog @ONLY)
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/debian/changelog.gz
                     COMMAND gzip -9nf changelog
                     DEPENDS ${CMAKE_BINARY_DIR}/debian/changelog
                     WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/debian)
  # The manual page, compressed as Debian's tools expect, where man finds it.
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/debian/dorvane.8.gz
                     COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/packaging/linux/dorvane.8 dorvane.8
                     COMMAND gzip -9nf dorvane.8
                     DEPENDS ${PROJECT_SOURCE_DIR}/packaging/linux/dorvane.8
                     WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/debian)
  add_custom_target(debian_changelog ALL DEPENDS ${CMAKE_BINARY_DIR}/debian/changelog.gz
                                                 ${CMAKE_BINARY_DIR}/debian/dorvane.8.gz)
  install(FILES ${CMAKE_BINARY_DIR}/debian/dorvane.8.gz DESTINATION /usr/share/man/man8)
  install(FILES packaging/linux/copyright ${CMAKE_BINARY_DIR}/debian/changelog.gz
          DESTINATION /usr/share/doc/dorvane)
  # The alerting rules, for the Prometheus server that scrapes this host.
  install(FILES packaging/prometheus/dorvane-alerts.yml DESTINATION /usr/share/doc/dorvane/examples)
  install(FILES packaging/linux/lintian-overrides DESTINATION /usr/share/lintian/overrides
          RENAME dorvane)
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME dorvane)
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_PACKAGE_CONTACT "${DORVANE_MAINTAINER}")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION admin)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
# Maintainer scripts: systemd reloads the units after install, upgrade and
# removal; removal stops and disables the timer first, and removes the
# metrics file; purging forgets the timer.
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/packaging/linux/postinst
                                       ${CMAKE_BINARY_DIR}/debian/prerm
                                       ${PROJECT_SOURCE_DIR}/packaging/linux/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_PACKAGE_DESCRIPTION "Run unattended (the systemd timer it installs, disabled, or cron), it
revokes every privilege of userSQL on each catalogued table of the ODBC data
sources VistasQuendar, VistasQuendar1 and VistasQuendar2, grants it SELECT on
the tables of schema PUB, and logs failures to /opt/dorvane/dorvane.log.")
include(CPack)
