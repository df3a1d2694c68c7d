# The Windows zip (KELVANE_WINDOWS, build/windows-build) under Wine on Xvfb
# with openbox (tests/windows_e2e.sh), label "windows". windows_prefix makes
# the Wine prefix in the build folder once per run; the rest need it.
# kelvane-music-levels is built for both systems, so windows_levels compares
# libmpg123's decoding with dr_mp3's after the gapless trim.
add_executable(kelvane-music-levels windows/music_levels.cpp)
target_link_libraries(kelvane-music-levels PRIVATE kelvane_sound)
if(KELVANE_WINDOWS AND TARGET windows AND TARGET kelvane-capture)
  set(windows_run ${CMAKE_CURRENT_SOURCE_DIR}/windows_e2e.sh ${CMAKE_BINARY_DIR})
  add_test(NAME windows_prefix COMMAND ${windows_run} prefix)
  set_tests_properties(windows_prefix PROPERTIES FIXTURES_SETUP wine_prefix LABELS windows
                                                 TIMEOUT 300)
  foreach(mode zip levels frames hidpi demo nosound)
    add_test(NAME windows_${mode} COMMAND ${windows_run} ${mode})
    set_tests_properties(windows_${mode} PROPERTIES FIXTURES_REQUIRED wine_prefix LABELS windows
                                                    RESOURCE_LOCK wine TIMEOUT 300)
  endforeach()
endif()
