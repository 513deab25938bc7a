# dist/windows-x86/kolmctl.exe (or windows-x64/) run as a technician runs it, under Wine: against a host
# program's folder that holds the DLLs with the stand-in helper beside them, and
# against the DLLs in dist/, which has no helper. One Wine run per test: each start
# takes seconds. The stand-in helper holds the boxes' inputs at the counts of
# KOLMSIM_INPUTS and, with KOLMSIM_SHOW_LATCHES, reports the data latches at exit
# (inpout_provider.cpp).

# windows_kolmctl_test(NAME EXIT_CODE REGEX [PROGRAM kolmctl.exe] [ENV VAR=VALUE...] ARGS...),
# run from a folder holding a planted helper, which must never be used: only the
# plug-in's folder supplies one.
# [NOMATCH REGEX]: a text the output must not hold; [WINE runner...]: another prefix;
# [JSON path=value|...]: members of the JSON on standard output (run_expect.cmake).
function(windows_kolmctl_test name code match)
  cmake_parse_arguments(PARSE_ARGV 3 arg "" "PROGRAM;NOMATCH;JSON" "ENV;ARGS;WINE")
  if(NOT arg_PROGRAM)
    set(arg_PROGRAM $<TARGET_FILE:kolmctl>)
  endif()
  if(NOT arg_WINE)
    set(arg_WINE ${wine})
  endif()
  set(nomatch "")
  if(arg_NOMATCH)
    set(nomatch "-DNOMATCH=${arg_NOMATCH}")
  endif()
  if(arg_JSON)
    list(APPEND nomatch "-DJSON=${arg_JSON}")
  endif()
  add_test(NAME windows.kolmctl.${name} COMMAND ${CMAKE_COMMAND}
    "-DCMD=${arg_WINE};${arg_PROGRAM};${arg_ARGS}" -DCODE=${code} "-DMATCH=${match}" ${nomatch}
    -P ${CMAKE_SOURCE_DIR}/tests/run_expect.cmake
    WORKING_DIRECTORY ${planted})
  set_tests_properties(windows.kolmctl.${name} PROPERTIES TIMEOUT 900 FIXTURES_REQUIRED wine
    SKIP_REGULAR_EXPRESSION "SKIPPED: " ENVIRONMENT "${arg_ENV}")
endfunction()

set(lpt1 Z:${host_folder}/kolmlpt1.dll)
# How each width's kolmctl calls: the register convention, checked; the x64 one.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(calls_re "x86-64 C ABI")
  set(check_note_re "note  calls use the x86-64 C ABI here[^\n]*")
else()
  set(calls_re "[^\n]*register[^\n]*")
  set(check_note_re
    "note  every call went through the register convention, checked for EBX, ESI, EDI, EBP, the stack and the x87 stack")
endif()
set(lpt2 Z:${host_folder}/kolmlpt2.dll)
# The texts are Windows-1252 in the DLL (é is E9) and UTF-8 on the way out: this
# file is UTF-8, so the é below is C3 A9.
windows_kolmctl_test(info 0
  "title: +KOLM en LPT2:\ndetail: +DLL \\(32 bits\\) pour KOLM 10 bits en LPT2:, par R\\. Tavelinque, le 20 février 2001\ncalls: +${calls_re}\nport: [^\n]*\naccess: +the port helper [^\n]*host-folder.${helper_re}\n"
  ARGS ${lpt2} info)
windows_kolmctl_test(list 0
  "PURE PASCAL double EAD\\(int\\)[^\n]*\n.*14  PURE PASCAL asciiz Detail\\(\\) +-> detail\n"
  ARGS ${lpt1} list)
# Inputs 0x2AA and 0x155: a swapped channel, a reversed bit order or a missed
# inversion of BUSY reads as another count. Captures here are 250 ms apart: a first
# call through Wine under qemu-i386 can take longer than a short period and miss its slot.
set(reading "[0-9.]+,682,3\\.3301,341,1\\.6650\n")
windows_kolmctl_test(read_csv 0
  "\ntime_s,ch0_counts,ch0_volts,ch1_counts,ch1_volts\n${reading}${reading}"
  ENV KOLMSIM_INPUTS=682,341 ARGS ${lpt1} read --count 2 --interval 250 --csv)
# Relay 2 on LPT2: bit D2 of 0x278 joins the converter lines set at start-up; LPT1 untouched.
windows_kolmctl_test(relay 0
  "relais 2: switched on \\(SB answered 201\\), read back on\n.*latch 0x378=0x00 0x278=0xB4"
  ENV KOLMSIM_SHOW_LATCHES=1 ARGS ${lpt2} relay 2 on)
# Relay 2 left on by an earlier program: kolmctl reads the lines through the helper,
# so switching relay 1 on keeps relay 2 on (0xB6, not 0xB2).
windows_kolmctl_test(relay_keeps_the_others 0
  "relais 1: switched on \\(SB answered 101\\), read back on\n.*latch 0x378=0x04 0x278=0xB6"
  ENV KOLMSIM_DATA=0x04 KOLMSIM_SHOW_LATCHES=1 ARGS ${lpt2} relay 1 on)
windows_kolmctl_test(relays 0 "relais 0: off\nrelais 1: off\nrelais 2: off\nrelais 3: off\n"
  ARGS ${lpt1} relays)
# kolmsim beside its kolmsim.ini in the host program's folder (constants 0x2AA and 0x155):
# simulated and said so, its relays as its virtual box holds them, read and charted.
set(sim Z:${host_folder}/kolmsim.dll)
windows_kolmctl_test(sim_info 0
  "title: +KOLM simulé\n.*signals: +from [^\n]*kolmsim\\.ini\n +channel 0: constant 3\\.3301 V\n.*access: +the virtual box inside the plug-in: simulated signals, no port\nrelays: +0 off, 1 on, 2 off, 3 off"
  ARGS ${sim} relay 1 on then info)
windows_kolmctl_test(sim_read_plot 0 "time_s,ch0_counts,ch0_volts,ch1_counts,ch1_volts\n${reading}${reading}"
  ARGS ${sim} read --count 2 --interval 250 --csv --plot Z:${CMAKE_CURRENT_BINARY_DIR}/kolmsim.svg)
windows_kolmctl_test(sim_check 0 "check: [1-9][0-9]* ok, 0 failed" ARGS ${sim} check)
# --output over an earlier file: the rows take its name only when whole (MoveFileEx).
file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/earlier.csv "earlier rows\n")
windows_kolmctl_test(sim_read_output 0 "^kolmctl: the readings go to [^\n]*earlier\.csv\.kolmctl-1\.tmp, renamed "
  ARGS ${sim} read --count 2 --interval 250 --csv --output Z:${CMAKE_CURRENT_BINARY_DIR}/earlier.csv)
# A capture's length is checked before it is converted: a long has 32 bits here.
windows_kolmctl_test(overlong_duration 2 "kolmctl: --duration 60h at 10000 Hz makes more than 1000000000 readings"
  ARGS ${sim} read --duration 60h --rate 10000)
windows_kolmctl_test(check 0
  "${check_note_re}\ncheck: [1-9][0-9]* ok, 0 failed"
  ARGS ${lpt1} check)
# No helper: the probe of direct port access is refused, and kolmctl says what to do.
windows_kolmctl_test(no_port_access 8
  "answered \"no value\" \\(-777\\): the plug-in has no access to the parallel port on this machine\\.\n  To reach the port at 0x0378: put the port helper ${helper_re} in the host program's folder, beside the plug-in"
  ARGS Z:$<TARGET_FILE:kolmlpt1> read --count 1)
windows_kolmctl_test(no_port_access_json 0 "" JSON "access.reached=OFF|access.reason=noHelper|port.base=888"
  ARGS Z:$<TARGET_FILE:kolmlpt1> info --json)
# A plug-in that faults in EA: reported with the call and the exception, exit code 11.
# Windows names a null pointer an access violation; Wine under qemu-i386 reports
# faults as illegal instructions.
add_library(kolmctl_faulting_plugin SHARED ${CMAKE_CURRENT_SOURCE_DIR}/faulting_plugin.cpp)
set_target_properties(kolmctl_faulting_plugin PROPERTIES PREFIX "" OUTPUT_NAME faulting)
target_include_directories(kolmctl_faulting_plugin PRIVATE ${CMAKE_SOURCE_DIR}/tests)
target_link_options(kolmctl_faulting_plugin PRIVATE -static-libgcc -static-libstdc++)
windows_kolmctl_test(faulting_entry 11
  "the plug-in failed: EA\\(0\\) crashed \\((access violation, exception 0xC0000005|illegal instruction, exception 0xC000001D)\\)"
  ARGS Z:$<TARGET_FILE:kolmctl_faulting_plugin> read --count 1)
# Its EAD spins for ever: the time limit (10 s) ends kolmctl, with the same line as on Linux.
windows_kolmctl_test(hanging_entry 11 "kolmctl: [^\n]*faulting\\.dll: the plug-in failed: EAD\\(0\\) gave no answer in 10 s\n"
  ARGS Z:$<TARGET_FILE:kolmctl_faulting_plugin> read --volts)

# The machine's ports (Wine lists none) and the helper: none beside dist/kolmctl.exe,
# an open one beside its copy in the host program's folder.
windows_kolmctl_test(ports 0 "No parallel port is known to Windows\\.\nport helper: no ${helper_re} beside kolmctl\\.exe"
  ARGS ports)
add_custom_command(OUTPUT ${host_folder}/kolmctl.exe
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:kolmctl> ${host_folder}/ DEPENDS kolmctl)
add_custom_target(windows_kolmctl_beside_helper ALL DEPENDS ${host_folder}/kolmctl.exe)
add_test(NAME windows.kolmctl.ports_helper COMMAND ${CMAKE_COMMAND}
  "-DCMD=${wine};${host_folder}/kolmctl.exe;ports;--json" -DCODE=0
  "-DMATCH=\"ports\": \\[\\].*\"helper\": \"[^\"]*${helper_re}\", \"helperOpen\": true"
  -P ${CMAKE_SOURCE_DIR}/tests/run_expect.cmake WORKING_DIRECTORY ${planted})
set_tests_properties(windows.kolmctl.ports_helper PROPERTIES TIMEOUT 900 FIXTURES_REQUIRED wine
  SKIP_REGULAR_EXPRESSION "SKIPPED: ")
# Memory integrity and the driver blocklist on, as the registry of a prefix of its own
# says (a Windows 11 PC as sold): kolmctl says so and what can be done, and never
# advises administrator rights, which cannot help.
set(code_integrity ${run_wine}
  --registry "HKLM\\SYSTEM\\CurrentControlSet\\Control\\DeviceGuard\\Scenarios\\HypervisorEnforcedCodeIntegrity" Enabled 1
  --registry "HKLM\\SYSTEM\\CurrentControlSet\\Control\\CI\\Config" VulnerableDriverBlocklistEnable 1
  ${code_integrity_prefix})
set(barred_re "  Memory integrity is on \\(Windows Security, Device security, Core isolation\\):\n  Windows does not let the port helper's driver load while it is on, and running\n  as administrator does not change that\\.\n  The vulnerable driver blocklist, on with it, bars that driver too\\.\n  The choices:\n  - turn Memory integrity off there.*Linux\n    system \\(ppdev\\).\n  - prepare lessons without the box on kolmsim")
windows_kolmctl_test(memory_integrity_ports 0 "port helper: no ${helper_re} beside kolmctl\\.exe\n${barred_re}"
  WINE ${code_integrity} NOMATCH "administrator\\)" ARGS ports)
windows_kolmctl_test(memory_integrity_read 8
  "To reach the port at 0x0378: turn Memory integrity off, or use another PC \\(kolmctl ports says why and how\\)\\.\n${barred_re}"
  WINE ${code_integrity} NOMATCH "once as administrator" ARGS Z:$<TARGET_FILE:kolmlpt1> read --count 1)
windows_kolmctl_test(memory_integrity_json 0 "\"memoryIntegrity\": true, \"driverBlocklist\": true"
  WINE ${code_integrity} ARGS ports --json)
windows_kolmctl_test(memory_integrity_info_json 0 "" WINE ${code_integrity} JSON "access.reason=helperBarred"
  ARGS Z:$<TARGET_FILE:kolmlpt1> info --json)
# Without them (the other prefix): the usual step, and the JSON says so.
windows_kolmctl_test(memory_integrity_off_json 0 "\"memoryIntegrity\": false, \"driverBlocklist\": false" ARGS ports --json)
# The help names the helper of this width only.
windows_kolmctl_test(help_helper 0 "the port helper, in the host program's folder" NOMATCH "${other_helper_re}" ARGS help)

# A plug-in named without its folder or its .dll is looked up beside kolmctl.exe.
windows_kolmctl_test(bare_name 0 "file: +[^\n]*host-folder.kolmlpt2\\.dll .*\ntitle: +KOLM en LPT2:"
  PROGRAM ${host_folder}/kolmctl.exe ARGS kolmlpt2 info)
# kolmctl.exe serve under Wine: its first line is the page's address, /api/info answers
# with the token, and a capture starts only where its scratch file can be made (in a prefix
# of its own, whose temporary folder the test takes away). Skipped where 32-bit
# programs run under qemu-i386 (run-wine32.sh --native-only says why).
add_test(NAME windows.kolmctl.serve COMMAND bash ${CMAKE_SOURCE_DIR}/tests/windows/serve_under_wine.sh
  ${CMAKE_CURRENT_BINARY_DIR}/serve ${serve_prefix} ${run_wine} --native-only ${serve_prefix}
  $<TARGET_FILE:kolmctl> ${sim} WORKING_DIRECTORY ${planted})
set_tests_properties(windows.kolmctl.serve PROPERTIES TIMEOUT 900 FIXTURES_REQUIRED wine SKIP_RETURN_CODE 77)
