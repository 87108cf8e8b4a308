# orvalin_add_gtest(<name> SOURCES ... LIBS ... [GUI] [ENV k=v ...])
# Builds one GoogleTest executable and registers its tests with CTest.
# GUI tests run with the offscreen Qt platform so they need no display.
if(ORVALIN_BUILD_TESTS)
  enable_testing()
  find_package(GTest REQUIRED)
  include(GoogleTest)
endif()

function(orvalin_add_gtest name)
  if(ORVALIN_BUILD_TESTS)
    orvalin_add_gtest_now(${name} ${ARGN})
  endif()
endfunction()

function(orvalin_add_gtest_now name)
  cmake_parse_arguments(T "GUI" "" "SOURCES;LIBS;ENV" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main GTest::gmock)
  set(env ${T_ENV})
  if(T_GUI)
    list(APPEND env QT_QPA_PLATFORM=offscreen)
  endif()
  list(APPEND env ORVALIN_SOURCE_DIR=${CMAKE_SOURCE_DIR} ORVALIN_BINARY_DIR=${CMAKE_BINARY_DIR})
  # CTest drops all but the first ENVIRONMENT entry on the way through test
  # discovery, so the variables are set by the test program itself before main
  # (without overriding what the caller already set).
  set(setenv_lines "")
  foreach(kv IN LISTS env)
    string(FIND "${kv}" "=" eq)
    string(SUBSTRING "${kv}" 0 ${eq} key)
    math(EXPR vstart "${eq} + 1")
    string(SUBSTRING "${kv}" ${vstart} -1 value)
    string(APPEND setenv_lines "    setenv(\"${key}\", \"${value}\", 0);\n")
  endforeach()
  set(env_src ${CMAKE_CURRENT_BINARY_DIR}/${name}_test_env.cpp)
  file(GENERATE OUTPUT ${env_src} CONTENT "#include <cstdlib>\nnamespace {\nstruct TestEnv {\n  TestEnv() {\n${setenv_lines}  }\n} testEnv;\n}\n")
  target_sources(${name} PRIVATE ${env_src})
  gtest_discover_tests(${name}
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
    PROPERTIES TIMEOUT 300
    DISCOVERY_TIMEOUT 60)
  # CTest runs each test alone; scripts/test-whole.sh also runs every program
  # whole, so a test that leans on what an earlier one left fails too.
  set_property(GLOBAL APPEND PROPERTY ORVALIN_TEST_PROGRAMS
    "$<TARGET_FILE:${name}>\t${CMAKE_CURRENT_BINARY_DIR}")
endfunction()

# test-programs.txt in the build folder: one line per test program, its path
# and the folder CTest runs it in, separated by a tab.
function(orvalin_write_test_program_list)
  get_property(programs GLOBAL PROPERTY ORVALIN_TEST_PROGRAMS)
  string(REPLACE ";" "\n" lines "${programs}")
  file(GENERATE OUTPUT ${CMAKE_BINARY_DIR}/test-programs.txt CONTENT "${lines}\n")
endfunction()
