# CPack's settings per generator: the .tar.gz, unpacked anywhere, holds no /etc files,
# no links into /etc and no boot-time module list (install component "debian"); the
# .deb holds everything.
if(CPACK_GENERATOR STREQUAL "TGZ")
  list(GET CPACK_INSTALL_CMAKE_PROJECTS 0 build)
  set(CPACK_INSTALL_CMAKE_PROJECTS "${build};kolm;Unspecified;/")
endif()
