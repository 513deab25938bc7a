# The project's one version (project() in the top-level CMakeLists.txt), handed to
# the code as kolm_version.h and to the Windows files as a version resource.
configure_file(${CMAKE_CURRENT_LIST_DIR}/kolm_version.h.in ${CMAKE_BINARY_DIR}/generated/kolm_version.h @ONLY)
add_library(kolm_version INTERFACE)
target_include_directories(kolm_version INTERFACE ${CMAKE_BINARY_DIR}/generated)

# kolm_version_resource(TARGET DESCRIPTION FILE_NAME): a VERSIONINFO resource in a
# Windows target, as Explorer's Properties show it. It lives in the .rsrc section
# and adds no import.
function(kolm_version_resource target description file_name)
  if(NOT WIN32)
    return()
  endif()
  if(file_name MATCHES "\\.dll$")
    set(KOLM_FILE_TYPE VFT_DLL)
  else()
    set(KOLM_FILE_TYPE VFT_APP)
  endif()
  set(KOLM_FILE_DESCRIPTION "${description}")
  set(KOLM_ORIGINAL_FILE_NAME "${file_name}")
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc)
  configure_file(${CMAKE_SOURCE_DIR}/cmake/kolm_version.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
endfunction()
