# Debian's hardening flags, as dpkg-buildflags gives them with every feature on: stack
# protector, fortified C library calls, format-string checks, and a read-only relocation
# table bound at start (relro, now). The build type keeps choosing optimisation and debug
# information, and paths in the debug information stay whole.
find_program(DPKG_BUILDFLAGS dpkg-buildflags REQUIRED)
foreach(kind CPPFLAGS CXXFLAGS LDFLAGS)
  execute_process(
    COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all ${DPKG_BUILDFLAGS} --get ${kind}
    OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
  separate_arguments(flags UNIX_COMMAND "${flags}")
  list(FILTER flags EXCLUDE REGEX "^-g$|^-O|^-ffile-prefix-map=")
  if(kind STREQUAL LDFLAGS)
    add_link_options(${flags})
  else()
    add_compile_options(${flags})
  endif()
endforeach()
