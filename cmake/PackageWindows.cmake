# The Windows build's package: a zip of the two programs (whole, static: nothing else to ship), the
# README and the licence, from `cpack -G ZIP` in the Windows build tree (scripts/build-windows.sh
# --package makes it).
install(TARGETS swancage swancage-snapshot RUNTIME DESTINATION .)
install(FILES README.md LICENSE DESTINATION .)
set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME swancage)
set(CPACK_PACKAGE_VENDOR "the swancage authors")
set(CPACK_PACKAGE_FILE_NAME swancage-${PROJECT_VERSION}-windows-x86_64)
set(CPACK_STRIP_FILES ON)
include(CPack)
