# orvalin_add_fuzzer(<name> SOURCES <files> LIBS <targets> [INCLUDES <dirs>])
# Builds one libFuzzer program (ORVALIN_FUZZ, clang). The programs land in
# <build>/fuzz/ and their names in <build>/fuzz-targets.txt, which
# scripts/fuzz.sh runs one after the other.
function(orvalin_add_fuzzer name)
  cmake_parse_arguments(F "" "" "SOURCES;LIBS;INCLUDES" ${ARGN})
  add_executable(${name} ${F_SOURCES})
  target_link_libraries(${name} PRIVATE ${F_LIBS})
  target_include_directories(${name} PRIVATE ${F_INCLUDES})
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz)
  set_property(GLOBAL APPEND PROPERTY ORVALIN_FUZZ_TARGETS ${name})
endfunction()

# Writes the list of fuzz programs once every fuzz/ line has run.
function(orvalin_write_fuzz_list)
  get_property(targets GLOBAL PROPERTY ORVALIN_FUZZ_TARGETS)
  string(REPLACE ";" "\n" lines "${targets}")
  file(WRITE ${CMAKE_BINARY_DIR}/fuzz-targets.txt "${lines}\n")
endfunction()
