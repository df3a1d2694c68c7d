# The generated asset pack: two runs of the generator write identical bytes,
# and the inspector reads every file of the pack the build made.
add_test(NAME assetgen_deterministic
  COMMAND ${CMAKE_COMMAND} -DGENERATOR=$<TARGET_FILE:kelvane-assetgen>
          -DWORK=${CMAKE_CURRENT_BINARY_DIR}/assetgen_runs
          -P ${PROJECT_SOURCE_DIR}/tools/assetgen/check_deterministic.cmake)
set_tests_properties(assetgen_deterministic PROPERTIES TIMEOUT 300)
if(TARGET kelvane-inspect)
  add_test(NAME assetgen_inspect COMMAND kelvane-inspect check ${KELVANE_DATA_DIR})
  set_tests_properties(assetgen_inspect PROPERTIES TIMEOUT 60)
endif()

# The generator's raster and mesh steps build into the unit binary, which
# tests them against the demo's own BMP reader and ASC extractor; so does
# its music without the encoder, whose flash guard is measured against the
# master it guards.
target_sources(kelvane_tests PRIVATE
  ${PROJECT_SOURCE_DIR}/tools/assetgen/raster.cpp
  ${PROJECT_SOURCE_DIR}/tools/assetgen/mesh_build.cpp
  ${PROJECT_SOURCE_DIR}/tools/assetgen/music_master.cpp
  ${PROJECT_SOURCE_DIR}/tools/assetgen/music_arrange.cpp
  ${PROJECT_SOURCE_DIR}/tools/assetgen/music_drums.cpp
  ${PROJECT_SOURCE_DIR}/tools/assetgen/music_mix.cpp
  ${PROJECT_SOURCE_DIR}/tools/assetgen/music_pitched.cpp
  ${PROJECT_SOURCE_DIR}/tools/assetgen/music_score.cpp
  ${PROJECT_SOURCE_DIR}/tools/assetgen/music_synth.cpp)
target_include_directories(kelvane_tests PRIVATE ${PROJECT_SOURCE_DIR}/tools)

# The generator's command line: refusals, the output folder and the icons.
add_test(NAME assetgen_command_line
  COMMAND bash ${PROJECT_SOURCE_DIR}/tools/assetgen/command_line_test.sh
          $<TARGET_FILE:kelvane-assetgen>)
set_tests_properties(assetgen_command_line PROPERTIES TIMEOUT 120)

# The command-line convention the three tools share, as the generator keeps
# it, and its output folder's probe, which never follows a planted link.
add_test(NAME assetgen_convention
  COMMAND bash ${PROJECT_SOURCE_DIR}/tests/assetgen_convention_test.sh
          $<TARGET_FILE:kelvane-assetgen>)
set_tests_properties(assetgen_convention PROPERTIES TIMEOUT 60)
