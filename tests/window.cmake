# The real demo binary under Xvfb (tests/window_e2e.sh).
foreach(mode full nosound noformat nodisplay missing)
  add_test(NAME window_${mode}
           COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/window_e2e.sh ${CMAKE_BINARY_DIR} ${mode})
endforeach()
set_tests_properties(window_full PROPERTIES TIMEOUT 400)
set_tests_properties(window_nosound window_noformat window_nodisplay window_missing
                     PROPERTIES TIMEOUT 60)
