# The generated asset pack: two runs of the generator write identical bytes,
# and the inspector reads every file of the pack the build made.
add_test(NAME assetgen_deterministic
  COMMAND ${CMAKE_COMMAND} -DGENERATOR=$<TARGET_FILE:kelvane-assetgen>
          -DWORK=${CMAKE_CURRENT_BINARY_DIR}/assetgen_runs
          -P ${PROJECT_SOURCE_DIR}/tools/assetgen/check_deterministic.cmake)
set_tests_properties(assetgen_deterministic PROPERTIES TIMEOUT 120)
if(TARGET kelvane-inspect)
  add_test(NAME assetgen_inspect COMMAND kelvane-inspect check ${KELVANE_DATA_DIR})
  set_tests_properties(assetgen_inspect PROPERTIES TIMEOUT 60)
endif()
