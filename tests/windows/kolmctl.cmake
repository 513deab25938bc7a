# kolmctl.exe run as a user runs it, under Wine, against the DLLs in dist/: a copy of
# it lies beside the stand-in inpout32.dll (where a host program's helper lies) and
# one in the folder without a helper. One Wine run per test: each start takes seconds.
# The stand-in helper holds the boxes' inputs at the counts of KOLMSIM_INPUTS and,
# with KOLMSIM_SHOW_LATCHES, reports the data latches at exit (inpout_provider.cpp).
set(kolmctl_copies ${with_helper}/kolmctl.exe ${without_helper}/kolmctl.exe)
add_custom_command(OUTPUT ${kolmctl_copies}
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:kolmctl> ${with_helper}/
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:kolmctl> ${without_helper}/
  DEPENDS kolmctl)
add_custom_target(kolmctl_beside_helper ALL DEPENDS ${kolmctl_copies} inpout32 kolmlpt1 kolmlpt2)

# windows_kolmctl_test(NAME FOLDER EXIT_CODE REGEX [ENV VAR=VALUE...] ARGS...)
function(windows_kolmctl_test name folder code match)
  cmake_parse_arguments(PARSE_ARGV 4 arg "" "" "ENV;ARGS")
  add_test(NAME windows.kolmctl.${name} COMMAND ${CMAKE_COMMAND}
    "-DCMD=${wine};${folder}/kolmctl.exe;${arg_ARGS}" -DCODE=${code} "-DMATCH=${match}"
    -P ${CMAKE_SOURCE_DIR}/tools/kolmctl/run_expect.cmake
    WORKING_DIRECTORY ${folder})
  set_tests_properties(windows.kolmctl.${name} PROPERTIES TIMEOUT 900 FIXTURES_REQUIRED wine
    SKIP_REGULAR_EXPRESSION "SKIPPED: " ENVIRONMENT "${arg_ENV}")
endfunction()

set(lpt1 Z:$<TARGET_FILE:kolmlpt1>)
set(lpt2 Z:$<TARGET_FILE:kolmlpt2>)
# The texts are Windows-1252 in the DLL (é is E9) and UTF-8 on the way out: this
# file is UTF-8, so the é below is C3 A9.
windows_kolmctl_test(info ${with_helper} 0
  "title: +KOLM en LPT2:\ndetail: +DLL \\(32 bits\\) pour KOLM 10 bits en LPT2:, par R\\. Tavelinque, le 20 février 2001\ncalls: +[^\n]*register"
  ARGS ${lpt2} info)
windows_kolmctl_test(list ${with_helper} 0
  "PURE PASCAL double EAD\\(int\\)[^\n]*\n.*14  PURE PASCAL asciiz Detail\\(\\) +-> detail\n"
  ARGS ${lpt1} list)
# Inputs 0x2AA and 0x155: a swapped channel, a reversed bit order or a missed
# inversion of BUSY reads as another count.
set(reading "[0-9.]+,682,3\\.3301,341,1\\.6650\n")
windows_kolmctl_test(read_csv ${with_helper} 0
  "^time_s,ch0_counts,ch0_volts,ch1_counts,ch1_volts\n${reading}${reading}"
  ENV KOLMSIM_INPUTS=682,341 ARGS ${lpt1} read --count 2 --interval 10 --csv)
# Relay 2 on LPT2: bit D2 of 0x278 joins the converter lines set at start-up; LPT1 untouched.
windows_kolmctl_test(relay ${with_helper} 0
  "relais 2: switched on \\(SB answered 201\\), read back on\n.*latch 0x378=0x00 0x278=0xB4"
  ENV KOLMSIM_SHOW_LATCHES=1 ARGS ${lpt2} relay 2 on)
windows_kolmctl_test(relays ${with_helper} 0 "relais 0: off\nrelais 1: off\nrelais 2: off\nrelais 3: off\n"
  ARGS ${lpt1} relays)
windows_kolmctl_test(check ${with_helper} 0
  "note  every call went through the register convention, checked for EBX, ESI, EDI, EBP, the stack and the x87 stack\ncheck: [1-9][0-9]* ok, 0 failed"
  ARGS ${lpt1} check)
# No helper: the probe of direct port access is refused, and kolmctl says what to do.
windows_kolmctl_test(no_port_access ${without_helper} 8
  "answered \"no value\" \\(-777\\): the plug-in has no access to the parallel port on this machine\\.\n  Put the port helper inpout32\\.dll"
  ARGS ${lpt1} read --count 1)
