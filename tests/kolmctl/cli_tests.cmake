# kolmctl run as a user runs it, against the LPT1 plug-in of the same build: exit
# codes and what the user sees. The includer may set kolmctl_cli_launcher (what runs
# kolmctl; by default the build's emulator, if any) and kolmctl_cli_env (its
# environment), so that the plug-in finds a box: on the simulated bench it is there.
if(NOT DEFINED kolmctl_cli_launcher)
  set(kolmctl_cli_launcher ${CMAKE_CROSSCOMPILING_EMULATOR})
endif()
set(kolmctl_cli ${kolmctl_cli_launcher} $<TARGET_FILE:kolmctl>)
# kolmctl_cli_test(NAME EXIT_CODE REGEX ARG...): kolmctl ARG...; kolmctl_cli_extra, when
# set, holds more options for run_expect.cmake (-DOUTPUT_FILE=..., -DJSON=...); kolmctl_cli_shell, a
# shell line that runs kolmctl as "$@" (a pipe, a closed descriptor).
function(kolmctl_cli_test name code match)
  if(kolmctl_cli_shell)
    set(shell bash -c "${kolmctl_cli_shell}" bash)
  endif()
  set(cmd ${shell} ${kolmctl_cli} ${ARGN})
  add_test(NAME kolmctl.cli.${name} COMMAND ${CMAKE_COMMAND}
    "-DCMD=${cmd}" -DCODE=${code} "-DMATCH=${match}" ${kolmctl_cli_extra}
    -P ${CMAKE_SOURCE_DIR}/tests/run_expect.cmake)
  if(kolmctl_cli_env)
    set_tests_properties(kolmctl.cli.${name} PROPERTIES ENVIRONMENT "${kolmctl_cli_env}")
  endif()
endfunction()
set(lpt1 $<TARGET_FILE:kolmlpt1>)
kolmctl_cli_test(info 0 "title: +KOLM en LPT1:" ${lpt1} info)
# The same facts for scripts: the port and how the plug-in reaches it; the file's kind before any load.
set(kolmctl_cli_extra "-DJSON=title=KOLM en LPT1:|port.base=888|port.problem=|access.reached=ON|access.reason=|exports.0=DLLFunctionDirectory")
kolmctl_cli_test(info_json 0 "" ${lpt1} info --json)
set(kolmctl_cli_extra "-DJSON=plugin=kolmlpt1|kind.container=ELF|loads=ON|port.base=888")
kolmctl_cli_test(lines_json 0 "" lines ${lpt1} --json)
set(kolmctl_cli_extra "-DJSON=kind.container=|loads=OFF|plugin=")
kolmctl_cli_test(lines_json_not_a_library 0 "" lines ${CMAKE_CURRENT_LIST_FILE} --json)
unset(kolmctl_cli_extra)
kolmctl_cli_test(list 0 "14  PURE PASCAL asciiz Detail\\(\\) +-> detail" ${lpt1} list)
kolmctl_cli_test(read 0 "CAN voie 0: [0-9]+ \\([0-9.]+ V\\)  CAN voie 1: [0-9]+" ${lpt1} read --count 2 --interval 10)
kolmctl_cli_test(read_volts 0 "time_s,ch0_volts,ch1_volts\n[0-9.]+,[0-9]\\.[0-9]+,[0-9]\\.[0-9]+\n" ${lpt1} read --volts --csv)
kolmctl_cli_test(relay 0 "relais 3: switched on \\(SB answered 301\\), read back on" ${lpt1} relay 3 on)
# Behind the stand-in parport driver kolmctl reads the relay lines; the simulated bench
# is no port it can read, and what it does not know it does not report.
if(KOLM_PORT_ACCESS STREQUAL "sim")
  set(unknown "not set by this call")
  kolmctl_cli_test(relays 0 "relais 0: ${unknown}\nrelais 1: ${unknown}\nrelais 2: ${unknown}\nrelais 3: ${unknown}" ${lpt1} relays)
else()
  kolmctl_cli_test(relays 0 "relais 0: off\nrelais 1: off\nrelais 2: off\nrelais 3: off" ${lpt1} relays)
endif()
kolmctl_cli_test(restore 0 "RAZ pour impression: the port's data byte is restored" ${lpt1} restore)
kolmctl_cli_test(reinit 0 "initialisation: the interface is initialised again" ${lpt1} reinit)
kolmctl_cli_test(check 0 "check: [0-9]+ ok, 0 failed" ${lpt1} check)
kolmctl_cli_test(help 0 "usage: kolmctl PLUGIN relay K on\\|off" relay --help)
kolmctl_cli_test(not_found 3 "no such file" /nonexistent/kolmlpt1.so info)
# A bare name: looked up in the current folder, beside kolmctl, then in the package's folder.
kolmctl_cli_test(bare_name_not_found 3 "no such file: kolmlpt9 \\(looked in the current folder, [^\n]* and [^\n]*/kolm\\)" kolmlpt9 info)
if(KOLM_DIST_DIR)
  kolmctl_cli_test(bare_name 0 "file: +${KOLM_DIST_DIR}/kolmlpt1\\.so " kolmlpt1 info)
endif()
kolmctl_cli_test(not_a_plugin 4 "exports no DLLFunctionDirectory" $<TARGET_FILE:kolmsim> info)
kolmctl_cli_test(out_of_range 7 "channel 9 is out of range" ${lpt1} read 9)
# serve's options, refused before the plug-in loads (its API: serve_api.sh).
kolmctl_cli_test(serve_listen 2 "--listen must be an IPv4 address of this machine" ${lpt1} serve --listen 300.1.1.1)
kolmctl_cli_test(serve_port 2 "--port must be from 0 \\(a free one\\) to 65535" ${lpt1} serve --port 70000)
kolmctl_cli_test(read_calibrated 2 "--calibrated goes with --csv or --csv-fr" ${lpt1} read --calibrated)
# A session from standard input: a refused line runs none of its chain and is reported
# with what the lines before it did; the next still runs.
file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/session.txt "relay 3 on\n# a comment\nrelay 0 on then relay 9 on\nrelays\n")
set(kolmctl_cli_extra -DINPUT_FILE=${CMAKE_CURRENT_BINARY_DIR}/session.txt)
kolmctl_cli_test(session 7 "relais 3: switched on[^\n]*\nrelais 0: off\n.*relais 3: on\n.*kolmctl: line 3: relay 9 is out of range[^\n]*\nkolmctl:   before line 3: 1 command line ran; relays 0 off, 1 off, 2 off, 3 on\n" ${lpt1} session)
# A line without end (/dev/zero) is refused at its limit; a closed standard input is an
# empty session, never one of kolmctl's own descriptors read as commands.
set(kolmctl_cli_extra -DINPUT_FILE=/dev/zero)
kolmctl_cli_test(session_endless_line 2 "kolmctl: line 1 is longer than 4096 characters" ${lpt1} session)
unset(kolmctl_cli_extra)
set(kolmctl_cli_shell [[exec "$@" <&-]])
kolmctl_cli_test(session_closed_input 0 "^$" ${lpt1} session)
set_tests_properties(kolmctl.cli.session_closed_input PROPERTIES TIMEOUT 60)
# A reader that goes away (a closed pipe) stops a capture as Ctrl-C does: the chart of
# what was read, the summary, exit code 141.
set(kolmctl_cli_shell [[set -o pipefail && "$@" | head -1]])
kolmctl_cli_test(reader_gone 141
  "^# kolmctl [^\n]*\n.*readings? plotted in [^\n]*reader_gone\.svg\n.*, no missed slot\n.*kolmctl: stopped by the reader of the output going away after [0-9]+ readings?\n$"
  ${lpt1} read --csv --count 0 --interval 0 --plot ${CMAKE_CURRENT_BINARY_DIR}/reader_gone.svg)
unset(kolmctl_cli_shell)
# A full disk: the last bytes fail at the close, after the command itself succeeded.
set(kolmctl_cli_extra -DOUTPUT_FILE=/dev/full)
kolmctl_cli_test(full_disk 10 "cannot write the output: No space left on device" ${lpt1} read --csv --count 3 --interval 0)
unset(kolmctl_cli_extra)
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  # The register convention itself: every call of check went through the thunk.
  kolmctl_cli_test(check_convention 0 "note  every call went through the register convention" ${lpt1} check)
endif()
if(CMAKE_SIZEOF_VOID_P EQUAL 4 AND NOT WIN32)
  add_library(kolmctl_convention_breaker SHARED ${CMAKE_CURRENT_LIST_DIR}/convention_breaker_i386.cpp)
  set_target_properties(kolmctl_convention_breaker PROPERTIES CXX_VISIBILITY_PRESET hidden)
  target_include_directories(kolmctl_convention_breaker PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  set(breaker $<TARGET_FILE:kolmctl_convention_breaker>)
  kolmctl_cli_test(check_finds_ebx_clobbered 1 "FAIL  EA\\(-1\\) EBX not preserved" ${breaker} check)
  kolmctl_cli_test(check_finds_stack_unbalanced 1 "FAIL  SAD\\(0,3.300000\\) stack off by -?8 bytes" ${breaker} check)
  kolmctl_cli_test(check_finds_x87_left_over 1 "FAIL  RSAD\\(0\\) answered 1, expected -777.0; x87 stack depth 2, expected 1" ${breaker} check)
endif()
# kolmsim, the plug-in with a virtual box: simulated and said so, its relays as the box
# holds them, and the same check as any plug-in.
set(sim $<TARGET_FILE:kolmsim_plugin>)
kolmctl_cli_test(sim_info 0 "title: +KOLM simulé\n.*access: +the virtual box inside the plug-in: simulated signals, no port\nrelays: +0 off, 1 off, 2 on, 3 off" ${sim} relay 2 on then info)
set(kolmctl_cli_extra "-DJSON=access.via=virtualBox|access.relays.2=OFF|signals.problem=|signals.channels.0=sine 2.5 V +/- 2 V at 0.1 Hz|port=")
kolmctl_cli_test(sim_info_json 0 "" ${sim} info --json)
unset(kolmctl_cli_extra)
kolmctl_cli_test(sim_relays 0 "relais 0: off\nrelais 1: off\nrelais 2: off\nrelais 3: off" ${sim} relays)
kolmctl_cli_test(sim_check 0 "check: [0-9]+ ok, 0 failed" ${sim} check)
