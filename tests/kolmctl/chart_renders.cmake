# A capture's chart rendered by a real SVG renderer (librsvg's rsvg-convert): the file
# must parse and draw to a PNG of the chart's size. What it holds is checked on its
# structure (cli_views_test.cpp).   -DKOLMCTL=<kolmctl> -DPLUGIN=<plug-in> -DWORK=<folder>
find_program(rsvg NAMES rsvg-convert)
if(NOT rsvg)
  message("SKIPPED: no rsvg-convert (bash scripts/setup.sh installs it)")
  return()
endif()
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
foreach(count 1 50)
  set(svg ${WORK}/chart${count}.svg)
  execute_process(COMMAND ${KOLMCTL} ${PLUGIN} read 1 --count ${count} --rate 1000 --plot ${svg}
    OUTPUT_QUIET ERROR_QUIET RESULT_VARIABLE rc)
  execute_process(COMMAND ${rsvg} ${svg} -o ${WORK}/chart${count}.png RESULT_VARIABLE rendered ERROR_VARIABLE why)
  if(NOT rc EQUAL 0 OR NOT rendered EQUAL 0)
    message(FATAL_ERROR "kolmctl ended with ${rc}, rsvg-convert with ${rendered}: ${why}")
  endif()
  # The PNG header: signature, then the IHDR chunk's width and height.
  file(READ ${WORK}/chart${count}.png head LIMIT 24 HEX)
  if(NOT head STREQUAL "89504e470d0a1a0a0000000d4948445200000320000001b8")
    message(FATAL_ERROR "chart${count}.png is not an 800 x 440 PNG: ${head}")
  endif()
endforeach()
message("charts of 1 and 50 readings rendered to 800 x 440 PNG")
