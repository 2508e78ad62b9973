# Packs the built program with the project's CPack settings into WORK and checks the package:
# its declared dependencies, its files, its copyright and changelog, that the packed program
# starts (--version), and, where lintian is installed, that lintian finds no error.
# Arguments: CPACK, DPKG_DEB, DPKG_SHLIBDEPS, LINTIAN (empty when not installed), BUILD, WORK,
# VERSION, SKIP.
if(NOT DPKG_DEB OR NOT DPKG_SHLIBDEPS)
  message(STATUS "dpkg-deb or dpkg-shlibdeps not installed (package dpkg-dev): skipped")
  cmake_language(EXIT ${SKIP})
endif()
file(REMOVE_RECURSE "${WORK}")
# The project's CPack settings with the install rules run as a script: CPack's own project
# install would first build the whole tree (its preinstall step), and this test takes the
# program as built. The package target installs the same rules under the same prefix, stripped.
file(WRITE "${WORK}/config.cmake" "include(\"${BUILD}/CPackConfig.cmake\")
unset(CPACK_INSTALL_CMAKE_PROJECTS)
set(CPACK_INSTALL_SCRIPT \"${BUILD}/cmake_install.cmake\")
set(CPACK_INSTALL_PREFIX /usr)
set(CMAKE_INSTALL_DO_STRIP 1)
")
execute_process(COMMAND ${CPACK} --config ${WORK}/config.cmake -B ${WORK}
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
file(GLOB deb "${WORK}/quillet_${VERSION}_*.deb")
if(NOT rc EQUAL 0 OR NOT deb)
  message(FATAL_ERROR "cpack failed (${rc}):\n${out}")
endif()

execute_process(COMMAND ${DPKG_DEB} --info ${deb} OUTPUT_VARIABLE info RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "dpkg-deb --info failed on ${deb}")
endif()
string(REGEX MATCH "\n Depends: [^\n]*" depends "${info}")
foreach(field "Package: quillet" "Version: ${VERSION}" "Section: net")
  string(FIND "${info}" "\n ${field}\n" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "control lacks '${field}':\n${info}")
  endif()
endforeach()
foreach(dep libqt6widgets6 libqt6gui6 libqt6core6 libc6 libstdc\\+\\+6 "fonts-wqy-microhei \\| "
        "fonts-symbola \\| ")
  if(NOT depends MATCHES "[ ,]${dep}")
    message(FATAL_ERROR "Depends lacks ${dep}:${depends}")
  endif()
endforeach()

execute_process(COMMAND ${DPKG_DEB} --contents ${deb} OUTPUT_VARIABLE contents)
set(wanted ./usr/bin/quillet ./usr/share/applications/quillet.desktop
    ./usr/share/metainfo/io.github.quillet.quillet.metainfo.xml
    ./usr/share/man/man1/quillet.1.gz ./usr/share/icons/hicolor/scalable/apps/quillet.svg
    ./usr/share/doc/quillet/copyright ./usr/share/doc/quillet/changelog.gz)
foreach(size 16 32 48 64 128 256)
  list(APPEND wanted ./usr/share/icons/hicolor/${size}x${size}/apps/quillet.png)
endforeach()
foreach(path IN LISTS wanted)
  string(FIND "${contents}" " ${path}\n" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "package lacks ${path}:\n${contents}")
  endif()
endforeach()
if(NOT contents MATCHES "-rwxr-xr-x root/root [^\n]* \\./usr/bin/quillet\n")
  message(FATAL_ERROR "the program is not an executable owned by root:\n${contents}")
endif()

# The packed program runs against the system's libraries; --version needs no display.
execute_process(COMMAND ${DPKG_DEB} -x ${deb} ${WORK}/root RESULT_VARIABLE rc)
execute_process(COMMAND ${CMAKE_COMMAND} -E env --unset=DISPLAY --unset=WAYLAND_DISPLAY
                        ${WORK}/root/usr/bin/quillet --version
                RESULT_VARIABLE rc OUTPUT_VARIABLE version TIMEOUT 30)
if(NOT rc EQUAL 0 OR NOT version STREQUAL "Quillet ${VERSION}\n")
  message(FATAL_ERROR "packed program --version: exit ${rc}, '${version}'")
endif()
# The manual page reads back.
execute_process(COMMAND gzip -dc ${WORK}/root/usr/share/man/man1/quillet.1.gz
                RESULT_VARIABLE rc OUTPUT_VARIABLE man)
if(NOT rc EQUAL 0 OR NOT man MATCHES "^\\.TH QUILLET 1 ")
  message(FATAL_ERROR "the manual page does not read back (gzip exit ${rc})")
endif()
# The copyright file in Debian's machine-readable form, naming the licence; the changelog's
# newest entry is this version.
file(READ ${WORK}/root/usr/share/doc/quillet/copyright copyright)
foreach(line "^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"
        "\nFiles: \\*\nCopyright: [0-9]+ The Quillet developers\nLicense: Expat\n"
        "\nLicense: Expat\n Permission is hereby granted")
  if(NOT copyright MATCHES "${line}")
    message(FATAL_ERROR "the copyright file lacks '${line}':\n${copyright}")
  endif()
endforeach()
execute_process(COMMAND gzip -dc ${WORK}/root/usr/share/doc/quillet/changelog.gz
                RESULT_VARIABLE rc OUTPUT_VARIABLE changelog)
if(NOT rc EQUAL 0 OR NOT changelog MATCHES "^quillet \\(${VERSION}\\) [a-z]+; urgency=")
  message(FATAL_ERROR "the changelog does not start with version ${VERSION}:\n${changelog}")
endif()

if(LINTIAN)
  execute_process(COMMAND ${LINTIAN} --tag-display-limit 0 ${deb} RESULT_VARIABLE rc
                  OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(out MATCHES "(^|\n)E: ")
    message(FATAL_ERROR "lintian finds errors in the package:\n${out}")
  endif()
  message(STATUS "lintian:\n${out}")
else()
  message(STATUS "lintian not installed: the package's lintian check is skipped")
endif()
file(REMOVE_RECURSE "${WORK}")
