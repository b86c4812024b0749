# SPDX-FileCopyrightText: 2026 The Varnoke developers
# SPDX-License-Identifier: MIT

# Builds the way a Debian package is built: with the flags dpkg-buildflags gives, all hardening
# on (stack protector, fortified libc calls, full RELRO with immediate binding), and with the
# tools cpack needs to find the package's dependencies. Included from the top CMakeLists.txt
# when VARNOKE_PACKAGE is on, before any target exists, so every target gets the flags.

if(VARNOKE_SANITIZE)
    message(FATAL_ERROR "VARNOKE_PACKAGE and VARNOKE_SANITIZE exclude each other: a package is "
                        "never built with the sanitizers. Use a build folder for each.")
endif()

# Without dpkg-shlibdeps, cpack would quietly leave out every library dependency and make a
# package that installs but cannot start; without file, cpack can't tell which files to ask about.
# dpkg-parsechangelog gives the time every file in the package carries.
find_program(VARNOKE_DPKG_BUILDFLAGS dpkg-buildflags)
find_program(VARNOKE_DPKG_SHLIBDEPS dpkg-shlibdeps)
find_program(VARNOKE_DPKG_PARSECHANGELOG dpkg-parsechangelog)
find_program(VARNOKE_FILE_COMMAND file)
if(NOT VARNOKE_DPKG_BUILDFLAGS OR NOT VARNOKE_DPKG_SHLIBDEPS OR NOT VARNOKE_DPKG_PARSECHANGELOG
   OR NOT VARNOKE_FILE_COMMAND)
    message(FATAL_ERROR "VARNOKE_PACKAGE needs dpkg-buildflags, dpkg-shlibdeps and "
                        "dpkg-parsechangelog (Debian package dpkg-dev) and file (package file) to "
                        "build a package with the right flags, dependencies and file times. "
                        "Install them with\n"
                        "    sudo apt-get install dpkg-dev file\n"
                        "and configure again.")
endif()

# Run from the source folder, so -ffile-prefix-map maps its path away as Debian's builds do.
# Flags a packager sets through DEB_*_APPEND or DEB_BUILD_MAINT_OPTIONS still apply after ours.
function(varnoke_debian_flags var kind)
    execute_process(
        COMMAND ${CMAKE_COMMAND} -E env
                "DEB_BUILD_MAINT_OPTIONS=hardening=+all $ENV{DEB_BUILD_MAINT_OPTIONS}"
                ${VARNOKE_DPKG_BUILDFLAGS} --get ${kind}
        WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
        OUTPUT_VARIABLE flags
        OUTPUT_STRIP_TRAILING_WHITESPACE
        COMMAND_ERROR_IS_FATAL ANY)
    set(${var} "${flags}" PARENT_SCOPE)
endfunction()

varnoke_debian_flags(debian_cppflags CPPFLAGS)
varnoke_debian_flags(debian_cxxflags CXXFLAGS)
varnoke_debian_flags(debian_ldflags LDFLAGS)
message(STATUS "Debian build flags: ${debian_cppflags} ${debian_cxxflags} | ${debian_ldflags}")

string(APPEND CMAKE_CXX_FLAGS " ${debian_cppflags} ${debian_cxxflags}")
foreach(kind EXE SHARED MODULE)
    string(APPEND CMAKE_${kind}_LINKER_FLAGS " ${debian_ldflags}")
endforeach()
