# Read by cpack: a package made from a build configured for another prefix would start the
# D-Bus service from a folder the package does not fill.
if(NOT CPACK_VANTREL_CONFIGURED_PREFIX STREQUAL "/usr")
  message(FATAL_ERROR "the build is configured for ${CPACK_VANTREL_CONFIGURED_PREFIX}; the "
                      "Debian package is made from a build configured with "
                      "-DCMAKE_INSTALL_PREFIX=/usr (scripts/package.sh does so)")
endif()
