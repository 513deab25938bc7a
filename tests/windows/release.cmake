# The Windows zip as a user gets it: unpacked into a fresh folder, the stand-in
# inpout32.dll put beside the DLLs as the user would put the downloaded helper, and
# the kolmctl.exe of the zip run under Wine against the DLLs of the zip.
set(zip_root kolm-${PROJECT_VERSION}-${windows_package})
set(unpacked ${CMAKE_CURRENT_BINARY_DIR}/release-folder)
set(zip_files kolmlpt1.dll kolmlpt2.dll kolmsim.dll kolmctl.exe README.txt LICENSE.txt CHANGELOG.txt)
list(TRANSFORM zip_files PREPEND ${zip_root}/)
add_test(NAME windows.release.unpack COMMAND ${CMAKE_COMMAND} -DBUILD=${CMAKE_BINARY_DIR}
  -DPACKAGE=${zip_root}.zip -DINTO=${unpacked} "-DEXPECT=${zip_files}" -DHELPER=$<TARGET_FILE:stand_in_helper>
  -P ${CMAKE_SOURCE_DIR}/tests/release/unpack.cmake)
set_tests_properties(windows.release.unpack PROPERTIES FIXTURES_SETUP windows_release)

set(folder ${unpacked}/${zip_root})
string(REPLACE "." "\\." version "${PROJECT_VERSION}")
windows_kolmctl_test(release_info 0 "version: +${version}\ntitle: +KOLM en LPT2:"
  PROGRAM ${folder}/kolmctl.exe ARGS Z:${folder}/kolmlpt2.dll info)
windows_kolmctl_test(release_check 0 "check: [1-9][0-9]* ok, 0 failed"
  PROGRAM ${folder}/kolmctl.exe ARGS Z:${folder}/kolmlpt1.dll check)
windows_kolmctl_test(release_version 0 "^kolmctl ${version}\n" PROGRAM ${folder}/kolmctl.exe ARGS --version)
# The zip's kolmsim.dll on its demo signals, charted.
windows_kolmctl_test(release_sim 0 "title: +KOLM simulé\n.*signals: +built in .*CAN voie 0: [0-9]+ \\([0-9.]+ V\\)"
  PROGRAM ${folder}/kolmctl.exe ARGS Z:${folder}/kolmsim.dll info then read --count 2 --interval 50 --plot
  Z:${CMAKE_CURRENT_BINARY_DIR}/release-sim.svg)
set_tests_properties(windows.kolmctl.release_info windows.kolmctl.release_check windows.kolmctl.release_version
  windows.kolmctl.release_sim PROPERTIES FIXTURES_REQUIRED "wine;windows_release")
# The README.txt of the zip: made from kolmctl's help, with what a user with an add-in card needs.
add_test(NAME windows.release.readme COMMAND ${CMAKE_COMMAND} "-DCMD=${CMAKE_COMMAND};-E;cat;${folder}/README.txt"
  -DCODE=0 "-DMATCH=Quick start.*kolmctl\\.exe ports.*kolmlpt1\\.ini.*kolmsim\\.dll.*kolmctl\\.exe PLUGIN read .*--csv-fr.*EXAMPLES.*FILES.*${helper_re}"
  -P ${CMAKE_SOURCE_DIR}/tests/run_expect.cmake)
set_tests_properties(windows.release.readme PROPERTIES FIXTURES_REQUIRED windows_release)
# Windows 11 as it is, the helper's page, USB cables; and this width's helper only.
add_test(NAME windows.release.readme_helper COMMAND ${CMAKE_COMMAND} "-DCMD=${CMAKE_COMMAND};-E;cat;${folder}/README.txt"
  -DCODE=0 "-DMATCH=Memory integrity is on, this[ \r\n]+cannot[ \r\n]+help.*Windows 11 and Memory integrity\r\n.*port helper, ${helper_re}: it comes.*https://.*USB001"
  "-DNOMATCH=${other_helper_re}" -P ${CMAKE_SOURCE_DIR}/tests/run_expect.cmake)
set_tests_properties(windows.release.readme_helper PROPERTIES FIXTURES_REQUIRED windows_release)
