# `cpack -G DEB` in a build folder makes the Debian package (scripts/package.sh does it from a
# release build). Its dependencies are computed from the installed programs by dpkg-shlibdeps.
set(CPACK_PACKAGE_NAME vantrel)
set(CPACK_PACKAGE_VENDOR "The Vantrel developers")
set(CPACK_PACKAGE_CONTACT "The Vantrel developers <developers@vantrel.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "salvage data from damaged Microsoft Access databases")
set(CPACK_PACKAGE_DESCRIPTION
    "Vantrel reads damaged .mdb files (Access 95/97 and Access 2000) page by page with its own\
 reader and salvages tables, rows, saved queries and relations into new SQLite databases.")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://vantrel.org")
set(CPACK_GENERATOR DEB)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION database)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "desktop-file-utils, xdg-utils")
# The package installs where the build was configured to (scripts/package.sh: /usr), so the
# D-Bus service file names the program where it really is.
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
include(CPack)
