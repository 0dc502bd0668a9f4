# Options every Dossiva target shares: the language level, the warnings and,
# in the test build, the sanitizers. Targets link dossiva_options.
add_library(dossiva_options INTERFACE)
target_compile_features(dossiva_options INTERFACE cxx_std_20)
set_target_properties(dossiva_options PROPERTIES INTERFACE_CXX_EXTENSIONS OFF)
target_compile_options(dossiva_options INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wcast-align
  -Woverloaded-virtual -Wnull-dereference -Wimplicit-fallthrough
  -Wno-missing-field-initializers)
if(DOSSIVA_WERROR)
  target_compile_options(dossiva_options INTERFACE -Werror)
endif()
if(DOSSIVA_SANITIZE)
  target_compile_options(dossiva_options INTERFACE
    -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  target_link_options(dossiva_options INTERFACE -fsanitize=address,undefined)
endif()
# The fuzzing build: every library instrumented for libFuzzer's coverage,
# with the sanitizers; the targets in fuzz/ link the fuzzing engine.
if(DOSSIVA_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "DOSSIVA_FUZZ needs clang (CXX=clang++)")
  endif()
  target_compile_options(dossiva_options INTERFACE
    -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  target_link_options(dossiva_options INTERFACE -fsanitize=address,undefined)
endif()
