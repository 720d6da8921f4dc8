# The Debian package, made by CPack's DEB generator from the install rules
# (scripts/package.sh builds the installed files and runs cpack).
#   name      kestrelscan; version: the project's (project() in CMakeLists.txt)
#   prefix    /usr, whatever CMAKE_INSTALL_PREFIX says
#   Depends   computed by dpkg-shlibdeps from the programs' ELF dependencies,
#             plus the Qt platform plugins (loaded by Qt, invisible to
#             dpkg-shlibdeps, and the window cannot open without them)
#   Recommends the libraries loaded at run time with dlopen: libssl3 (HTTPS,
#             libssl.so.3 and libcrypto.so.3) and libonig5 (regular
#             expressions, libonig.so.5); without them those features report
#             themselves unavailable
#   Suggests  the browser and its driver for pages built by scripts
# Binaries are stripped; their debugging data stays in the build tree.

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kestrelscan)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Kestrelscan team")
set(CPACK_PACKAGE_CONTACT "Kestrelscan team <maintainers@kestrelscan.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "web page update checker for the desktop and the command line")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/package)
set(CPACK_STRIP_FILES ON)
# Directories 0755 whatever the umask of the one who packs.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_DEBIAN_PACKAGE_SECTION web)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${KS_HOMEPAGE}")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_MD5SUMS ON)
if(KS_GUI)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
endif()
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libssl3, libonig5")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "chromium, chromium-driver")
# The extended description; CPack puts the summary above it and indents it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Kestrelscan keeps a tree of groups and web pages. On request it fetches
every selected page (its own HTTP/1.1 engine, or a web browser for pages
built by scripts), turns HTML or feeds into text lines, keeps the part the
page's rules select, compares it line by line with the text kept from the
last check and shows the lines that were added (and, on request, deleted).
Everything lives in plain files; Japanese text is kept in Shift_JIS.

This package holds the Qt desktop app kestrelscan and the command-line
program kestrelscan-cli for scripts, cron jobs and timers.")

include(CPack)
