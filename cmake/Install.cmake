# What `cmake --install` (and so the Debian package) puts below the prefix,
# besides the programs themselves (installed where they are built):
#   share/man/man1/            both manual pages, gzipped
#   share/doc/kestrelscan/     copyright and changelog.gz
#   and, with KS_GUI, the desktop entry, AppStream metadata and icon
#   (cmake/DesktopInstall.cmake, included by gui/, where Qt is found)
# Include it before gui/: it sets KS_APP_ID and KS_RELEASE_DATE for it.
# The message catalogues and the bash completion are installed next to the
# CLI's own rules. Every destination is relative, so nothing lands outside
# the prefix.
#
# The target ks_install_files builds everything installed, and nothing else:
# scripts/package.sh builds it instead of the whole tree (tests, benchmarks).

find_program(KS_GZIP gzip REQUIRED)

set(KS_APP_ID org.kestrelscan.Kestrelscan)
set(KS_HOMEPAGE "https://kestrelscan.example/" CACHE STRING
  "The project's web address (ends in /); the AppStream screenshot is images/main_window.png below it")

# The release date: from the newest entry of the Debian changelog, whose
# version must be the project's, so a version change cannot leave the package
# history behind.
file(STRINGS ${PROJECT_SOURCE_DIR}/packaging/changelog ks_changelog_head LIMIT_COUNT 1)
if(NOT ks_changelog_head MATCHES "^kestrelscan \\(${PROJECT_VERSION}\\) ")
  message(FATAL_ERROR "packaging/changelog starts with \"${ks_changelog_head}\": "
    "add an entry for version ${PROJECT_VERSION} at its top")
endif()
file(STRINGS ${PROJECT_SOURCE_DIR}/packaging/changelog ks_changelog_trailer
  REGEX "^ -- .*  [A-Z][a-z][a-z], [0-9][0-9] [A-Z][a-z][a-z] [0-9][0-9][0-9][0-9] " LIMIT_COUNT 1)
if(NOT ks_changelog_trailer MATCHES ", ([0-9][0-9]) ([A-Z][a-z][a-z]) ([0-9][0-9][0-9][0-9]) ")
  message(FATAL_ERROR "packaging/changelog: no \" -- NAME <MAIL>  DATE\" line in its first entry")
endif()
set(ks_day ${CMAKE_MATCH_1})
set(ks_year ${CMAKE_MATCH_3})
set(ks_months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
list(FIND ks_months ${CMAKE_MATCH_2} ks_month)
math(EXPR ks_month "${ks_month} + 1" OUTPUT_FORMAT DECIMAL)
if(ks_month LESS 10)
  set(ks_month 0${ks_month})
endif()
set(KS_RELEASE_DATE ${ks_year}-${ks_month}-${ks_day})

# Gzipped with -n (no name or time stamp), so the package is reproducible.
set(ks_installed_outputs "")
function(ks_gzip source output)
  add_custom_command(OUTPUT ${output}
    COMMAND ${KS_GZIP} -9nc ${source} > ${output}
    DEPENDS ${source}
    COMMENT "Compressing ${source}"
    VERBATIM)
  set(ks_installed_outputs ${ks_installed_outputs} ${output} PARENT_SCOPE)
endfunction()

set(ks_out ${PROJECT_BINARY_DIR}/install-files)
file(MAKE_DIRECTORY ${ks_out})
foreach(page kestrelscan-cli kestrelscan)
  ks_gzip(${PROJECT_SOURCE_DIR}/docs/man/${page}.1 ${ks_out}/${page}.1.gz)
  install(FILES ${ks_out}/${page}.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()
ks_gzip(${PROJECT_SOURCE_DIR}/packaging/changelog ${ks_out}/changelog.gz)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright ${ks_out}/changelog.gz
  DESTINATION ${CMAKE_INSTALL_DOCDIR})

add_custom_target(ks_install_data ALL DEPENDS ${ks_installed_outputs})
add_custom_target(ks_install_files)
add_dependencies(ks_install_files ks_install_data kestrelscan-cli)
if(KS_GUI)
  # Built and installed by gui/ (cmake/DesktopInstall.cmake).
  add_dependencies(ks_install_files kestrelscan ks_desktop_data)
endif()

# Background checks: the systemd user units (a service running
# `kestrelscan-cli check` and its timer) are installed here, into
# `lib/systemd/user` relative to the prefix (not the absolute directory
# pkg-config's systemd.pc names), so they stay inside the prefix and
# land in /usr/lib/systemd/user in the package.
