# The real demo binary under Xvfb (tests/window_e2e.sh).
foreach(mode full nosound noformat nodisplay missing)
  add_test(NAME window_${mode}
           COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/window_e2e.sh ${CMAKE_BINARY_DIR} ${mode})
endforeach()
set_tests_properties(window_full PROPERTIES TIMEOUT 400)
set_tests_properties(window_nosound window_noformat window_nodisplay window_missing
                     PROPERTIES TIMEOUT 60)

# The window layer on X11 under Xvfb and on SDL's offscreen driver: the
# pixel-format request as the context's buffers, and the projection set by
# the first appearance.
add_executable(kelvane_window_tests window/window_layer_test.cpp)
target_link_libraries(kelvane_window_tests PRIVATE kelvane_window_host GTest::gtest GTest::gtest_main)
target_compile_definitions(kelvane_window_tests PRIVATE KELVANE_DATA_DIR="${KELVANE_DATA_DIR}")
add_dependencies(kelvane_window_tests asset_pack)
add_test(NAME window_layer_x11
         COMMAND xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" $<TARGET_FILE:kelvane_window_tests>)
add_test(NAME window_layer_offscreen COMMAND kelvane_window_tests)
set_tests_properties(window_layer_offscreen PROPERTIES ENVIRONMENT SDL_VIDEODRIVER=offscreen)
set_tests_properties(window_layer_x11 window_layer_offscreen PROPERTIES TIMEOUT 120)
