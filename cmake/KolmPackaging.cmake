# Install rules for the deliverables and the release packages made from them with
# CPack (scripts/release.sh): a zip for 32-bit Windows and one for 64-bit Windows; a .tar.gz and a Debian
# package for each Linux build.
#
# Installing takes what is built and builds nothing more (the test suites of the
# same build directory stay out of a release): build kolmlpt1, kolmlpt2,
# kolmsim_plugin (kolmsim) and kolmctl first.
#
# Only builds with a real port access make deliverables: a plug-in on the simulated
# bench needs the bench beside it and is for tests and demonstrations.
if(KOLM_PORT_ACCESS STREQUAL "sim")
  return()
endif()
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY TRUE)
set(packaging ${CMAKE_SOURCE_DIR}/packaging)
set(staged ${CMAKE_BINARY_DIR}/packaging)

# kolmctl's help, made from its one text (tools/kolmctl/cli/help.txt) into the
# manual page and bash completion (Linux) or the README.txt (Windows).
set(help_source ${CMAKE_SOURCE_DIR}/tools/kolmctl/cli/help.txt)
function(kolm_help platform)
  execute_process(COMMAND ${CMAKE_COMMAND} -DSOURCE=${help_source} -DPLATFORM=${platform}
    -DVERSION=${PROJECT_VERSION} -DPLUGINDIR=${KOLM_INSTALL_PLUGINDIR} -DWIDTH=${kolm_width} ${ARGN} -P ${CMAKE_SOURCE_DIR}/cmake/kolm_help.cmake RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "cannot make kolmctl's ${platform} help texts")
  endif()
endfunction()

if(WIN32)
  # Everything side by side in one folder, as it is copied to the host's folder;
  # texts with Windows line ends, for Notepad.
  set(readme_in ${packaging}/windows/README.txt.in)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(readme_in ${packaging}/windows/README-x64.txt.in)
  endif()
  kolm_help(windows -DREADME_IN=${readme_in} -DREADME=${staged}/README.txt -DNOTES=${packaging}/windows/windows11.txt)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${readme_in} ${packaging}/windows/windows11.txt)
  foreach(pair "LICENSE;LICENSE.txt" "CHANGELOG.md;CHANGELOG.txt" "packaging/windows/KOLM lab.cmd;KOLM lab.cmd")
    list(GET pair 0 from)
    list(GET pair 1 to)
    file(READ "${CMAKE_SOURCE_DIR}/${from}" text)
    string(REPLACE "\n" "\r\n" text "${text}")
    file(WRITE "${staged}/${to}" "${text}")
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${CMAKE_SOURCE_DIR}/${from}")
  endforeach()
  install(FILES $<TARGET_FILE:kolmlpt1> $<TARGET_FILE:kolmlpt2> $<TARGET_FILE:kolmsim_plugin> DESTINATION .)
  install(TARGETS kolmctl RUNTIME DESTINATION .)
  install(FILES ${staged}/README.txt ${staged}/LICENSE.txt ${staged}/CHANGELOG.txt DESTINATION .)
  # The launcher of the live lab page (kolmctl serve --open), for a double-click.
  install(PROGRAMS "${staged}/KOLM lab.cmd" DESTINATION .)
  set(CPACK_GENERATOR ZIP)
  # The 64-bit build (inpoutx64.dll, 64-bit hosts) is a zip of its own.
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(CPACK_PACKAGE_FILE_NAME kolm-${PROJECT_VERSION}-windows-x64)
  else()
    set(CPACK_PACKAGE_FILE_NAME kolm-${PROJECT_VERSION}-windows-x86)
  endif()
else()
  # The plug-ins in their folder (KOLM_INSTALL_PLUGINDIR, CMakeLists.txt), without the executable bit.
  install(TARGETS kolmlpt1 kolmlpt2 LIBRARY DESTINATION ${KOLM_INSTALL_PLUGINDIR}
    PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
  # kolmsim beside them, with its virtual box: the plug-in for lessons and hosts without a port.
  install(TARGETS kolmsim_plugin LIBRARY DESTINATION ${KOLM_INSTALL_PLUGINDIR}
    PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
  install(TARGETS kolmctl RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  # The live lab page in the desktop's menu: kolmctl serve --open in a terminal.
  install(FILES ${packaging}/debian/kolm-lab.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)

  # The release's date, for the manual page and the Debian changelog: SOURCE_DATE_EPOCH
  # (which string(TIMESTAMP) honours), else the time of the last commit.
  if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
    execute_process(COMMAND git log -1 --format=%ct WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
      OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE rc ERROR_QUIET)
    if(rc EQUAL 0 AND epoch MATCHES "^[0-9]+$")
      set(ENV{SOURCE_DATE_EPOCH} ${epoch})
    endif()
  endif()
  string(TIMESTAMP KOLM_RELEASE_MONTH "%B %Y" UTC)
  string(TIMESTAMP KOLM_RELEASE_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)

  # Debian's documentation files: the copyright, the changelog and the manual page,
  # compressed without a time stamp so that two builds give the same bytes; the
  # manual page and the bash completion made from kolmctl's help.
  configure_file(${packaging}/debian/changelog.in ${staged}/changelog @ONLY)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${packaging}/debian/port-file.ini.in
    ${packaging}/debian/kolmsim.ini ${packaging}/debian/preinst.in ${packaging}/debian/postinst.in)
  kolm_help(linux -DMAN=${staged}/kolmctl.1 "-DDATE=${KOLM_RELEASE_MONTH}" -DCOMPLETION=${staged}/kolmctl.bash)
  foreach(f changelog kolmctl.1)
    execute_process(COMMAND gzip -9nf ${staged}/${f} RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
      message(FATAL_ERROR "gzip failed on ${staged}/${f}")
    endif()
  endforeach()
  set(docdir ${CMAKE_INSTALL_DATADIR}/doc/kolm)
  install(FILES ${packaging}/debian/copyright ${staged}/changelog.gz ${CMAKE_SOURCE_DIR}/CHANGELOG.md DESTINATION ${docdir})
  install(FILES ${staged}/kolmctl.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES ${staged}/kolmctl.bash DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
    RENAME kolmctl)
  install(FILES ${packaging}/debian/lintian-overrides DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides
    RENAME kolm)
  # Examples: lessons for kolmsim (a kolmsim.ini each) and the Python guide's programs.
  install(DIRECTORY ${CMAKE_SOURCE_DIR}/docs/examples/ DESTINATION ${docdir}/examples
    FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)

  # The Debian package only (component debian, which the .tar.gz leaves out,
  # cmake/KolmCPackGenerators.cmake): ppdev loaded at every boot, and the settings as
  # configuration in /etc/kolm, each linked beside its plug-in, where the plug-in
  # reads it, and kept by dpkg across upgrades and removal (conffiles).
  install(FILES ${packaging}/debian/modules-load.conf DESTINATION lib/modules-load.d RENAME kolm.conf
    COMPONENT debian)
  set(conffiles "")
  foreach(lpt 1 2)
    set(LPT ${lpt})
    if(lpt EQUAL 1)
      set(BASE 0x378)
      set(WHICH first)
    else()
      set(BASE 0x278)
      set(WHICH second)
    endif()
    configure_file(${packaging}/debian/port-file.ini.in ${staged}/etc/kolmlpt${lpt}.ini @ONLY)
  endforeach()
  configure_file(${packaging}/debian/kolmsim.ini ${staged}/etc/kolmsim.ini COPYONLY)
  file(MAKE_DIRECTORY ${staged}/links)
  foreach(setting kolmlpt1.ini kolmlpt2.ini kolmsim.ini)
    install(FILES ${staged}/etc/${setting} DESTINATION /etc/kolm COMPONENT debian)
    file(CREATE_LINK /etc/kolm/${setting} ${staged}/links/${setting} SYMBOLIC)
    install(FILES ${staged}/links/${setting} DESTINATION ${KOLM_INSTALL_PLUGINDIR} COMPONENT debian)
    string(APPEND conffiles "/etc/kolm/${setting}\n")
  endforeach()
  file(WRITE ${staged}/conffiles "${conffiles}")
  # A setting written beside the plug-ins before they were links (1.0.0) moves to /etc/kolm.
  set(PLUGINS /usr/${KOLM_INSTALL_PLUGINDIR})
  foreach(script preinst postinst)
    configure_file(${packaging}/debian/${script}.in ${staged}/${script} @ONLY
      FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
  endforeach()
  set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${staged}/conffiles ${staged}/preinst ${staged}/postinst)
  set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)
  set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_SOURCE_DIR}/cmake/KolmCPackGenerators.cmake)

  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(arch i386)
    set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE i386)
  else()
    set(arch x86_64)
    set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE amd64)
  endif()
  set(CPACK_GENERATOR "TGZ;DEB")
  set(CPACK_PACKAGE_FILE_NAME kolm-${PROJECT_VERSION}-linux-${arch})
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_NAME kolm)
  set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  # The project has no contact address of its own yet: the maintainer is named, without one.
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER "the KOLM plug-in authors")
  # What the files link against, at the newest symbol versions they use (objdump -T):
  # the C library (GLIBC_2.34), and for kolmctl the C++ runtime (GLIBCXX_3.4.29 of GCC 11, GCC_7.0.0 on i386).
  # Written here rather than found by dpkg-shlibdeps, which cannot resolve the i386
  # build's multilib libraries to i386 packages.
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "libc6 (>= 2.34), libgcc-s1 (>= 7), libstdc++6 (>= 11)")
  include(${CMAKE_SOURCE_DIR}/cmake/KolmPython.cmake)
  file(READ ${packaging}/debian/description CPACK_DEBIAN_PACKAGE_DESCRIPTION)
  string(STRIP "${CPACK_DEBIAN_PACKAGE_DESCRIPTION}" CPACK_DEBIAN_PACKAGE_DESCRIPTION)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${packaging}/debian/description)
endif()

set(CPACK_PACKAGE_NAME kolm)
set(CPACK_PACKAGE_VENDOR "the KOLM plug-in authors")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "driver plug-in for the KOLM parallel-port acquisition box")
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES TRUE)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
include(CPack)
