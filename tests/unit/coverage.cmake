# cmake -DTESTS=kelvane_tests -DSOURCES=tests/ -P coverage.cmake: fails
# when the binary holds a suite that no unit_AREA entry runs, that is, one
# not declared by a TEST, TEST_F or TEST_P at the start of a line of a
# tests/*_test.cpp file (tests/CMakeLists.txt builds the entries' filters
# from those lines).
execute_process(COMMAND ${TESTS} --gtest_list_tests OUTPUT_VARIABLE listing RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "${TESTS} --gtest_list_tests failed: ${failed}")
endif()
file(GLOB sources ${SOURCES}/*_test.cpp)
set(declared "")
foreach(source ${sources})
  file(STRINGS ${source} cases REGEX "^TEST(_F|_P)?\\(")
  foreach(case ${cases})
    string(REGEX REPLACE "^TEST(_F|_P)?\\(([A-Za-z0-9_]+),.*" "\\2" suite "${case}")
    list(APPEND declared ${suite})
  endforeach()
endforeach()
string(REPLACE "\n" ";" lines "${listing}")
set(missed "")
set(count 0)
foreach(line ${lines})
  # Suites start at column 0 and end with a dot: "Suite." or "Prefix/Suite.".
  if(line MATCHES "^([A-Za-z0-9_]+/)?([A-Za-z0-9_]+)\\.")
    math(EXPR count "${count} + 1")
    if(NOT CMAKE_MATCH_2 IN_LIST declared)
      list(APPEND missed ${CMAKE_MATCH_2})
    endif()
  endif()
endforeach()
if(missed OR count EQUAL 0)
  message(FATAL_ERROR "suites no ctest entry runs: ${missed} (${count} suites listed)")
endif()
message(STATUS "${count} suites, each run by its file's unit_AREA entry")
