# Debian's hardening flags (fortified functions, stack protector, read-only relocations bound at
# start) from dpkg-buildflags; scripts/package.sh builds the package's programs with them. Only
# the hardening flags are taken; optimisation and debug information stay the build type's.
option(VANTREL_HARDENING "Build with the hardening flags of dpkg-buildflags" OFF)
find_program(VANTREL_DPKG_BUILDFLAGS dpkg-buildflags)
if(VANTREL_HARDENING AND VANTREL_DPKG_BUILDFLAGS)
  function(vantrel_buildflags kind out)
    execute_process(COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all
                            ${VANTREL_DPKG_BUILDFLAGS} --get ${kind}
                    OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE)
    separate_arguments(flags UNIX_COMMAND "${flags}")
    set(${out} ${flags} PARENT_SCOPE)
  endfunction()
  vantrel_buildflags(CPPFLAGS preprocessor)
  vantrel_buildflags(CXXFLAGS compiler)
  vantrel_buildflags(LDFLAGS linker)
  list(FILTER compiler INCLUDE REGEX
       "^-f(stack-protector|stack-clash-protection|cf-protection)|^-Wformat|^-Werror=format")
  add_compile_options(${preprocessor} ${compiler})
  add_link_options(${linker})
endif()
