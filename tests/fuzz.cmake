# The fuzzers (fuzz/), built with clang's address and
# undefined-behaviour sanitizers in a folder of their own: each run replays
# the checked-in seed corpus and crash files, then fuzzes for 20 seconds.
find_program(KELVANE_CLANGXX clang++)
if(KELVANE_CLANGXX)
  set(KELVANE_FUZZ_DIR ${CMAKE_BINARY_DIR}/fuzz)
  add_test(NAME fuzz_build COMMAND ${PROJECT_SOURCE_DIR}/fuzz/run.sh ${KELVANE_FUZZ_DIR} build)
  set_tests_properties(fuzz_build PROPERTIES FIXTURES_SETUP asset_fuzzers TIMEOUT 600)
  foreach(target bitmap asc)
    add_test(NAME fuzz_${target}
      COMMAND ${PROJECT_SOURCE_DIR}/fuzz/run.sh ${KELVANE_FUZZ_DIR} ${target} 20)
    set_tests_properties(fuzz_${target} PROPERTIES FIXTURES_REQUIRED asset_fuzzers TIMEOUT 300)
  endforeach()
  # The music's checks, the level meter, the command lines and the join's
  # reading of ffprobe: smaller inputs, 10 seconds each.
  foreach(target sound level capture_args player_args probe)
    add_test(NAME fuzz_${target}
      COMMAND ${PROJECT_SOURCE_DIR}/fuzz/run.sh ${KELVANE_FUZZ_DIR} ${target} 10)
    set_tests_properties(fuzz_${target} PROPERTIES FIXTURES_REQUIRED asset_fuzzers TIMEOUT 300)
  endforeach()
endif()
