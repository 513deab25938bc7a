# Makes kolmctl serve's page, one self-contained HTML document, and the header that
# builds it into kolmctl as bytes (no file of the machine is ever served):
#   cmake -DPAGE=tools/kolmctl/page -DUPLOT=<node_modules/uplot/dist> -DHTML=lab_page.html
#         -DHEADER=kolmctl_lab_page.h -P kolm_page.cmake
# Each marker /*@inline NAME@*/ of PAGE/lab_page.html is replaced by the file NAME, taken
# from PAGE or, for the chart library's own files, from UPLOT.
foreach(name uPlot.iife.min.js uPlot.min.css)
  if(NOT EXISTS ${UPLOT}/${name})
    message(FATAL_ERROR "The page's chart library is not installed (no ${UPLOT}/${name}): run "
      "`npm ci --prefix tools/kolmctl/page` (bash scripts/setup.sh does it), then configure again.")
  endif()
endforeach()

file(READ ${PAGE}/lab_page.html page)
string(REGEX MATCHALL "/\\*@inline [^@]+@\\*/" markers "${page}")
foreach(marker IN LISTS markers)
  string(REGEX REPLACE "/\\*@inline ([^@]+)@\\*/" "\\1" name "${marker}")
  if(EXISTS ${PAGE}/${name})
    file(READ ${PAGE}/${name} text)
  elseif(EXISTS ${UPLOT}/${name})
    file(READ ${UPLOT}/${name} text)
  else()
    message(FATAL_ERROR "lab_page.html inlines ${name}, found neither in ${PAGE} nor in ${UPLOT}")
  endif()
  # The text goes inside a <script> or <style> element: it must not end it early.
  string(TOLOWER "${text}" lower)
  string(FIND "${lower}" "</script" inScript)
  string(FIND "${lower}" "</style" inStyle)
  if(NOT inScript EQUAL -1 OR NOT inStyle EQUAL -1)
    message(FATAL_ERROR "${name} holds a closing </script> or </style>: it cannot be inlined as it is")
  endif()
  string(REPLACE "${marker}" "${text}" page "${page}")
endforeach()
file(WRITE ${HTML} "${page}")

# The bytes, 32 a line, as one string literal of \x escapes (a few thousand tokens for
# the compilers and analysers, where an array would be one per byte).
file(READ ${HTML} hex HEX)
string(LENGTH "${hex}" digits)
math(EXPR size "${digits} / 2")
string(REPEAT "[0-9a-f]" 64 line)
string(REGEX REPLACE "(${line})" "\\1\n" hex "${hex}")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "\\\\x\\1" bytes "${hex}")
string(REGEX REPLACE "\n$" "" bytes "${bytes}")
string(REPLACE "\n" "\"\n\"" bytes "${bytes}")
# Written only where it changes, so that configuring again recompiles nothing.
file(WRITE ${HEADER}.new "// Made by cmake/kolm_page.cmake from tools/kolmctl/page/: kolmctl serve's page.
#pragma once
#include <cstddef>
namespace kolmctl {
inline constexpr char kLabPage[] =
\"${bytes}\";
inline constexpr std::size_t kLabPageSize = ${size};
static_assert(sizeof kLabPage == kLabPageSize + 1);
}  // namespace kolmctl
")
configure_file(${HEADER}.new ${HEADER} COPYONLY)
