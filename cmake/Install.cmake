# Installing swancage: the window program and the snapshot tool, their man pages, the desktop
# entry, the icons and the documents. Every destination is a GNU directory relative to the prefix
# and nothing installed names a build or source path, so an installed tree still works when moved.
# Tests, benchmarks and test helpers (swancage-imgdiff among them) are not installed.
#
# cpack -G DEB in the build folder (or the package target) makes the Debian package of the same
# files, with the copyright file and changelog where Debian expects them.
include(GNUInstallDirs)

install(TARGETS swancage swancage-snapshot RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# Man pages and the Debian changelog are kept in the tree as text and installed gzipped, as Debian
# wants them (man reads them either way). -9n leaves the file's name and time stamp out, so the
# same text always gives the same bytes.
find_program(SWANCAGE_GZIP gzip REQUIRED)
set(swancage_dist_dir ${CMAKE_BINARY_DIR}/dist)
set(swancage_gzipped)
function(swancage_gzip source name)
  set(copy ${swancage_dist_dir}/${name})
  add_custom_command(OUTPUT ${copy}.gz
    COMMAND ${CMAKE_COMMAND} -E copy ${source} ${copy}
    COMMAND ${SWANCAGE_GZIP} -9n -f ${copy}
    DEPENDS ${source}
    COMMENT "Compressing ${name}"
    VERBATIM)
  set(swancage_gzipped ${swancage_gzipped} ${copy}.gz PARENT_SCOPE)
endfunction()
swancage_gzip(${CMAKE_SOURCE_DIR}/dist/man/swancage.6 swancage.6)
swancage_gzip(${CMAKE_SOURCE_DIR}/dist/man/swancage-snapshot.1 swancage-snapshot.1)
swancage_gzip(${CMAKE_SOURCE_DIR}/dist/debian/changelog changelog)
add_custom_target(swancage_dist_files ALL DEPENDS ${swancage_gzipped})

install(FILES ${swancage_dist_dir}/swancage.6.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
install(FILES ${swancage_dist_dir}/swancage-snapshot.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES dist/swancage.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
foreach(size 48x48 128x128 256x256)
  install(FILES dist/icons/${size}/swancage.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}/apps)
endforeach()
install(FILES README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
# The package's copyright file carries the licence text, so the package leaves LICENSE out (a
# second licence file is what Debian asks packages not to ship): it has a component of its own.
install(FILES LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT license)
# Only the package has these; a plain cmake --install leaves them out. The version carries no
# Debian revision (the package is made here, from this tree: a native package), so its changelog
# is changelog.gz, not changelog.Debian.gz.
install(FILES dist/debian/copyright ${swancage_dist_dir}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT debian EXCLUDE_FROM_ALL)

# The Debian package. Its Depends come from the binaries themselves (dpkg-shlibdeps).
# Section graphics: swancage draws a picture and swancage-snapshot writes it to a PNG; neither
# is something to play, which is what the games section holds.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME swancage)
set(CPACK_PACKAGE_VENDOR "the swancage authors")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "swan in a bird cage on a glass table, drawn with OpenGL")
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGE_CONTACT "The swancage authors <swancage@example.org>")
set(CPACK_INSTALL_CMAKE_PROJECTS
    "${CMAKE_BINARY_DIR};swancage;Unspecified;/" "${CMAKE_BINARY_DIR};swancage;debian;/")
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The summary above is the description's first line; this is the rest.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "swancage draws one still picture in a 1280x720 OpenGL window and shows it until
Escape is pressed: a glass-topped table on five turned legs, a lace doily whose
pattern is an escape-time fractal computed per vertex on the GPU, a white swan
of tetrahedra and a wire bird cage around it. Everything is generated at
start-up.

swancage-snapshot writes the same picture to a PNG file, at any size up to
8192x8192 and with multisampling.")
include(CPack)

if(SWANCAGE_BUILD_TESTS)
# The install into a temporary prefix (its snapshots need the X display the tests run under) and
# the package.
add_test(NAME install.tree
  COMMAND bash ${CMAKE_SOURCE_DIR}/tests/install/tree.sh ${CMAKE_BINARY_DIR} ${CMAKE_SOURCE_DIR}
          ${PROJECT_VERSION} $<TARGET_FILE:swancage-snapshot> $<TARGET_FILE:swancage-imgdiff>)
add_test(NAME install.deb
  COMMAND bash ${CMAKE_SOURCE_DIR}/tests/install/deb.sh ${CMAKE_BINARY_DIR} ${CMAKE_CPACK_COMMAND}
          ${PROJECT_VERSION})
set_tests_properties(install.tree install.deb PROPERTIES
  TIMEOUT 300 LABELS install)
# What scripts/run.sh installs and builds, with cmake and install-deps.sh standing in: no display,
# no build, a second.
add_test(NAME install.run-script
  COMMAND bash ${CMAKE_SOURCE_DIR}/tests/install/run-script.sh ${CMAKE_SOURCE_DIR})
set_tests_properties(install.run-script PROPERTIES TIMEOUT 60 LABELS cpu)
# The package installed on this system with apt-get, its window program run, then purged. It
# finds the window by its title, like the e2e cases, so it runs alone; without root or apt-get
# it is reported as skipped.
add_test(NAME install.deb-window
  COMMAND bash ${CMAKE_SOURCE_DIR}/tests/install/deb-window.sh ${CMAKE_BINARY_DIR}
          ${CMAKE_CPACK_COMMAND} ${PROJECT_VERSION})
set_tests_properties(install.deb-window PROPERTIES
  TIMEOUT 600 LABELS install RUN_SERIAL ON SKIP_RETURN_CODE 77)
endif()
