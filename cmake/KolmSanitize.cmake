# KOLM_SANITIZE: every C and C++ file of the build compiled, and every program and
# library linked, with AddressSanitizer and UndefinedBehaviorSanitizer; the first
# finding ends the program. KOLM_FUZZ adds libFuzzer's coverage instrumentation to
# the same code, so the fuzzers see which branches an input reached (the fuzz targets
# themselves link libFuzzer, fuzz/CMakeLists.txt).
set(kolm_c_cxx $<COMPILE_LANGUAGE:C,CXX>)
if(KOLM_SANITIZE)
  add_compile_options($<${kolm_c_cxx}:-fsanitize=address,undefined>
    $<${kolm_c_cxx}:-fno-sanitize-recover=all> $<${kolm_c_cxx}:-fno-omit-frame-pointer>)
  add_link_options(-fsanitize=address,undefined)
endif()
if(KOLM_FUZZ)
  add_compile_options($<${kolm_c_cxx}:-fsanitize=fuzzer-no-link>)
endif()
