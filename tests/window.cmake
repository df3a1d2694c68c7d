# The real demo binary under Xvfb (tests/window_e2e.sh).
foreach(mode full nosound noformat)
  add_test(NAME window_${mode}
           COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/window_e2e.sh ${CMAKE_BINARY_DIR} ${mode})
endforeach()
set_tests_properties(window_full PROPERTIES TIMEOUT 400)
set_tests_properties(window_nosound window_noformat PROPERTIES TIMEOUT 60)
