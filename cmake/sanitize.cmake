# KV_SANITIZE=ON: every native library and program is built with AddressSanitizer
# and UndefinedBehaviorSanitizer, and any report ends the process (a test that
# hits one fails). With clang the same build also carries libFuzzer's coverage
# instrumentation, so the fuzz targets of fuzz/ link against these libraries and
# one build serves both the sanitizer test run and the fuzzing.
option(KV_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
if(KV_SANITIZE AND NOT WIN32)
  set(kv_sanitizers address,undefined)
  add_compile_options(-fsanitize=${kv_sanitizers} -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=${kv_sanitizers})
  if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    # clang also warns of private fields no member function reads; the GCC
    # builds keep every other warning an error for both.
    add_compile_options(-fsanitize=fuzzer-no-link -Wno-unused-private-field)
    set(KV_FUZZ ON)
  endif()
endif()
