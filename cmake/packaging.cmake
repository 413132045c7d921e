# `cpack -G DEB` in a build folder makes the Debian package (scripts/package.sh does it from a
# release build). Its dependencies are computed from the installed programs by dpkg-shlibdeps.
set(CPACK_PACKAGE_NAME vantrel)
set(CPACK_PACKAGE_VENDOR "The Vantrel developers")
set(CPACK_PACKAGE_CONTACT "The Vantrel developers <developers@vantrel.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "salvage data from damaged Microsoft Access databases")
# Debian's extended description: lines of at most 80 characters.
set(CPACK_PACKAGE_DESCRIPTION
    "Vantrel reads damaged .mdb files (Access 95/97 and Access 2000) page by page\n\
with its own reader and salvages tables, rows, saved queries and relations\n\
into new SQLite databases or a PostgreSQL server, from the command line\n\
(vantrel-cli) or in windows (vantrel).")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://vantrel.org")
set(CPACK_GENERATOR DEB)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION database)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "desktop-file-utils, xdg-utils")
# The package installs into /usr alone: the D-Bus service file and the programs' search for
# their resources name the prefix the build was configured with, so any other is refused.
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/package_prefix_check.cmake)
set(CPACK_VANTREL_CONFIGURED_PREFIX ${CMAKE_INSTALL_PREFIX})
include(CPack)
