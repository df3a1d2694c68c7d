# kelvane-player under Xvfb with openbox and xdotool (tests/player_e2e.sh);
# "flashing" runs the capture alone.
if(TARGET kelvane-player AND TARGET kelvane-capture)
  foreach(mode fullscreen seek hidpi nosound flashing watch card osd fit)
    add_test(NAME player_${mode}
             COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/player_e2e.sh ${CMAKE_BINARY_DIR} ${mode})
    set_tests_properties(player_${mode} PROPERTIES TIMEOUT 120 LABELS player)
  endforeach()
endif()

# The unit binary links the player's core: its command line and playhead.
target_link_libraries(kelvane_tests PRIVATE kelvane_player_core)
