# The Debian package of this build as a user gets it: its contents listed, unpacked
# with dpkg -x into a fresh root (never installed on this machine), and the packaged
# kolmctl run against the packaged plug-in under the stand-in parport driver; then
# lintian on the package.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(deb_arch i386)
else()
  set(deb_arch amd64)
endif()
set(deb ${CMAKE_BINARY_DIR}/package/kolm_${PROJECT_VERSION}_${deb_arch}.deb)
set(root ${CMAKE_CURRENT_BINARY_DIR}/release-root)
set(plugins usr/${KOLM_INSTALL_PLUGINDIR})
set(deb_files usr/bin/kolmctl ${plugins}/kolmlpt1.so ${plugins}/kolmlpt2.so
  usr/share/doc/kolm/copyright usr/share/doc/kolm/changelog.gz usr/share/man/man1/kolmctl.1.gz
  usr/share/bash-completion/completions/kolmctl)
if(deb_arch STREQUAL amd64)
  list(APPEND deb_files usr/lib/python3/dist-packages/kolm/__init__.py)
endif()

add_test(NAME linux.release.unpack COMMAND ${CMAKE_COMMAND} -DBUILD=${CMAKE_BINARY_DIR}
  -DPACKAGE=kolm_${PROJECT_VERSION}_${deb_arch}.deb -DINTO=${root} "-DEXPECT=${deb_files}"
  -P ${CMAKE_SOURCE_DIR}/tests/release/unpack.cmake)
set_tests_properties(linux.release.unpack PROPERTIES FIXTURES_SETUP linux_release)
# kolmsim, the plug-in with a virtual box, beside the others.
set(kolmsim_file ${plugins}/kolmsim.so)

# linux_release_test(NAME EXIT_CODE REGEX COMMAND...); an empty REGEX checks the exit code only.
function(linux_release_test name code match)
  if(match)
    set(match "-DMATCH=${match}")
  endif()
  add_test(NAME linux.release.${name} COMMAND ${CMAKE_COMMAND} "-DCMD=${ARGN}" -DCODE=${code} ${match}
    -P ${CMAKE_SOURCE_DIR}/tests/run_expect.cmake)
  set_tests_properties(linux.release.${name} PROPERTIES FIXTURES_REQUIRED linux_release ENVIRONMENT "${fake_parport_env}")
endfunction()

# The program in /usr/bin, the plug-ins readable but not executable, in their folder.
linux_release_test(contents 0
  "-rwxr-xr-x root/root [^\n]* \\./usr/bin/kolmctl\n.*-rw-r--r-- root/root [^\n]* \\./${plugins}/kolmlpt1\\.so\n"
  dpkg -c ${deb})
string(REPLACE "." "\\." version "${PROJECT_VERSION}")
set(kolmctl ${with_fake_parport} ${root}/usr/bin/kolmctl)
linux_release_test(version 0 "^kolmctl ${version}\n" ${kolmctl} --version)
linux_release_test(read 0 "^time_s,ch0_counts,ch0_volts,ch1_counts,ch1_volts\n[0-9.]+,[0-9]+,[0-9.]+,[0-9]+,[0-9.]+\n"
  ${kolmctl} ${root}/${plugins}/kolmlpt1.so read --count 1 --csv)
linux_release_test(relay 0 "relais 1: switched on \\(SB answered 101\\), read back on"
  ${kolmctl} ${root}/${plugins}/kolmlpt1.so relay 1 on)
# The packaged kolmsim on its demo signals, charted, as the README's demo runs it.
linux_release_test(sim 0 "title: +KOLM simulé\n.*signals: +built in .*CAN voie 0: [0-9]+ \\([0-9.]+ V\\)"
  ${kolmctl} ${root}/${kolmsim_file} info then read --count 2 --interval 50 --plot ${CMAKE_CURRENT_BINARY_DIR}/release-sim.svg)
# Warnings fail the test as errors do; the package's overrides say why each finding
# that stays is intended.
linux_release_test(lintian 0 "" lintian --fail-on error,warning ${deb})

# The package's own files: the manual page of this architecture, completion, ppdev at
# boot, the settings as conffiles in /etc/kolm linked beside the plug-ins, and their
# defaults the built-in ones.
add_test(NAME linux.release.files COMMAND bash ${CMAKE_SOURCE_DIR}/tests/release/deb_files.sh ${deb} ${root}
  ${KOLM_INSTALL_PLUGINDIR} ${CMAKE_CROSSCOMPILING_EMULATOR} ${root}/usr/bin/kolmctl)
set_tests_properties(linux.release.files PROPERTIES FIXTURES_REQUIRED linux_release)

# The floor the package claims (its Depends, and the wheel's manylinux tag on x86-64)
# against the symbol versions its binaries need; a claim too low is refused.
set(floor_wheel "")
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(floor_wheel ${KOLM_DIST_DIR})
endif()
add_test(NAME linux.release.floor COMMAND bash ${CMAKE_SOURCE_DIR}/tests/release/floor.sh ${deb} ${floor_wheel})
set_tests_properties(linux.release.floor PROPERTIES FIXTURES_REQUIRED linux_release)

# The amd64 package installed for real (dpkg -i, as root, where kolm is not installed
# yet), its kolmctl run by bare plug-in names and its ports command, then removed
# (dpkg -r) with nothing left behind: tests/release/install_deb.sh, which says what it
# checks; and install_deb_guards.sh: it refuses without its stand-in driver, asking
# for no port, and a run killed midway is taken back by the next. One package at a
# time: the i386 one would replace it.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  foreach(script install_deb install_deb_guards)
    string(REPLACE "_deb" "" name ${script})
    add_test(NAME linux.release.${name} COMMAND bash ${CMAKE_SOURCE_DIR}/tests/release/${script}.sh ${deb}
      ${fake_parport_path})
    set_tests_properties(linux.release.${name} PROPERTIES FIXTURES_REQUIRED linux_release RUN_SERIAL TRUE
      SKIP_RETURN_CODE 77)
  endforeach()
  # scripts/setup.sh stops where apt's plan would remove a package.
  add_test(NAME linux.scripts.setup_plan COMMAND bash ${CMAKE_SOURCE_DIR}/tests/scripts/setup_plan_test.sh)
endif()
