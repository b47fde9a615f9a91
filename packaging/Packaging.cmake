# Two ways Talvek is handed out, each an install component of its own:
#   deb       the Debian package, laid out under /usr; the program keeps its data files in
#             $XDG_DATA_HOME/Talvek and makes them on the first start.
#   portable  one folder holding the program, the tools, the guide and prepared data files
#             side by side; the program never makes a data file there.
# `cpack` builds both; packaging/CPackPerGenerator.cmake gives each generator its component.
# The portable component is left out of a plain `cmake --install`, which installs the
# Debian layout alone.

set(TALVEK_APP_ID "org.talvek.Talvek" CACHE STRING "Desktop and AppStream id of the program")
set(TALVEK_MAINTAINER "Talvek maintainers <maintainers@users.noreply.c-seed-814b9885.example>")

set(_pkg_src ${CMAKE_CURRENT_LIST_DIR})
set(_pkg_out ${CMAKE_BINARY_DIR}/packaging)
set(_guide ${CMAKE_BINARY_DIR}/bin/talvek.qch)
# The guide's build draws the icon at these sizes.
set(_icons ${TALVEK_ICONS}/hicolor)
set(_icon_sizes 48 64 128 256)
set(_programs talvek talvek-store talvek-verify)
file(MAKE_DIRECTORY ${_pkg_out})

# Man pages and the changelog, compressed as Debian wants them (-n: no name or time stamp,
# so the same text gives the same bytes).
foreach(_page talvek.1 talvek-store.1 talvek-verify.1 changelog)
  execute_process(COMMAND gzip -9nc ${_pkg_src}/${_page} OUTPUT_FILE ${_pkg_out}/${_page}.gz
                  RESULT_VARIABLE _rc)
  if(NOT _rc EQUAL 0)
    message(FATAL_ERROR "gzip ${_page} failed")
  endif()
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${_pkg_src}/${_page})
endforeach()
configure_file(${_pkg_src}/talvek.desktop ${_pkg_out}/${TALVEK_APP_ID}.desktop @ONLY)
configure_file(${_pkg_src}/talvek.metainfo.xml ${_pkg_out}/${TALVEK_APP_ID}.metainfo.xml @ONLY)

# Everything the packages take from the build, and nothing else: `make package` builds this.
add_custom_target(package-inputs)
add_dependencies(package-inputs ${_programs} guide)
# cpack and `cmake --install` build nothing first (the tests and benchmarks least of all):
# `make package` has built package-inputs.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

# --- deb: Debian's layout under /usr -----------------------------------------------------
install(TARGETS ${_programs} RUNTIME DESTINATION bin COMPONENT deb)
install(FILES ${_guide} DESTINATION share/talvek COMPONENT deb)
install(FILES ${_pkg_out}/${TALVEK_APP_ID}.desktop DESTINATION share/applications COMPONENT deb)
install(FILES ${_pkg_out}/${TALVEK_APP_ID}.metainfo.xml DESTINATION share/metainfo COMPONENT deb)
foreach(_n ${_icon_sizes})
  install(FILES ${_icons}/${_n}x${_n}/apps/talvek.png
          DESTINATION share/icons/hicolor/${_n}x${_n}/apps COMPONENT deb)
endforeach()
install(FILES ${_pkg_out}/talvek.1.gz ${_pkg_out}/talvek-store.1.gz ${_pkg_out}/talvek-verify.1.gz
        DESTINATION share/man/man1 COMPONENT deb)
install(FILES ${_pkg_src}/copyright DESTINATION share/doc/talvek COMPONENT deb)
install(FILES ${_pkg_out}/changelog.gz DESTINATION share/doc/talvek COMPONENT deb)

# --- portable: one folder, the data files made now by the store tool ----------------------
install(TARGETS ${_programs} RUNTIME DESTINATION . COMPONENT portable EXCLUDE_FROM_ALL)
install(FILES ${_guide} ${_icons}/256x256/apps/talvek.png DESTINATION . COMPONENT portable EXCLUDE_FROM_ALL)
install(CODE "
  set(_dir \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}\")
  file(REMOVE \"\${_dir}/VXBANK.mdb\" \"\${_dir}/BRANCH.mdb\")
  execute_process(COMMAND \"$<TARGET_FILE:talvek-store>\" init \"\${_dir}\" VXBANK.mdb BRANCH.mdb
                  RESULT_VARIABLE _rc OUTPUT_QUIET)
  if(NOT _rc EQUAL 0)
    message(FATAL_ERROR \"talvek-store init \${_dir} failed\")
  endif()"
  COMPONENT portable EXCLUDE_FROM_ALL)

# --- CPack ---------------------------------------------------------------------------------
set(CPACK_PACKAGE_NAME talvek)
set(CPACK_PACKAGE_VENDOR "Talvek")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${TALVEK_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "batch remittance preparation for Korvana bank customers")
set(CPACK_GENERATOR "DEB;TGZ")
set(CPACK_OUTPUT_FILE_PREFIX ${CMAKE_SOURCE_DIR}/dist)
set(CPACK_PACKAGE_DIRECTORY ${_pkg_out}/cpack)
set(CPACK_STRIP_FILES ON)
set(CPACK_THREADS 2)
set(CPACK_PROJECT_CONFIG_FILE ${_pkg_src}/CPackPerGenerator.cmake)
# Read by CPackPerGenerator.cmake to pick each generator's component.
set(CPACK_TALVEK_BUILD_DIR ${CMAKE_BINARY_DIR})
set(CPACK_TALVEK_PROJECT ${PROJECT_NAME})
set(CPACK_TALVEK_ARCH ${CMAKE_SYSTEM_PROCESSOR})

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${TALVEK_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION "Talvek keeps a company's remitter profile, its payees and the financial
institution codes, takes the lines of a batch of outgoing remittances as
keyed, prints the remittance list and writes the fixed-position Big5 batch
file the bank Korvana reads. Its windows and guide are in Traditional
Chinese.
.
The package also holds talvek-store, which makes, checks, backs up and
restores the data files and imports or exports spreadsheet files, and
talvek-verify, which reads a batch file as the bank does.")
# dpkg-shlibdeps names the libraries the programs link, with versions; the SQLite driver
# and the platform's fonts are loaded at run time, so they are named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6sql6-sqlite, fonts-noto-cjk")
# Qt's own dialogs (files, printing) in Traditional Chinese.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
