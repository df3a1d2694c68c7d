# The web page in headless Chromium on SwiftShader (tests/web/drive.js), when
# the build makes it (KELVANE_WEB): the 16 timeline rows against the GL 1.1
# capture, the browser's decoding of the music against the native decoder's,
# and the page as a viewer meets it. web_driver installs the pinned
# puppeteer-core with npm ci first.
if(KELVANE_WEB AND TARGET kelvane_gles_row_frames)
  set(web_driver_dir ${CMAKE_BINARY_DIR}/web-driver)
  set(web_run ${CMAKE_CURRENT_SOURCE_DIR}/web/run.sh)
  add_test(NAME web_driver COMMAND bash ${web_run} driver ${CMAKE_CURRENT_SOURCE_DIR}/web
                                   ${web_driver_dir})
  set_tests_properties(web_driver PROPERTIES FIXTURES_SETUP web_driver LABELS web TIMEOUT 300)

  add_test(NAME web_frames
    COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/frames/rows.sh web
            $<TARGET_FILE:kelvane_gles_row_frames> ${CMAKE_BINARY_DIR}/web ${KELVANE_FRAMES_DIR}
            $<TARGET_FILE:frame_compare>)
  set_tests_properties(web_frames PROPERTIES FIXTURES_REQUIRED "web_driver;frames_reference"
    LABELS web TIMEOUT 180 ENVIRONMENT KELVANE_WEB_DRIVER=${web_driver_dir})

  add_executable(native_music web/native_music.cpp)
  target_link_libraries(native_music PRIVATE kelvane_sound)
  add_test(NAME web_sound
    COMMAND bash ${web_run} sound ${web_driver_dir} ${CMAKE_BINARY_DIR}/web
            $<TARGET_FILE:native_music> ${KELVANE_DATA_DIR} ${CMAKE_BINARY_DIR}/web-sound)
  set_tests_properties(web_sound PROPERTIES FIXTURES_REQUIRED web_driver LABELS web TIMEOUT 180)

  add_test(NAME web_live
    COMMAND bash ${web_run} live ${web_driver_dir} ${CMAKE_BINARY_DIR}/web
            ${CMAKE_BINARY_DIR}/web-shots)
  set_tests_properties(web_live PROPERTIES FIXTURES_REQUIRED web_driver LABELS web TIMEOUT 180)
endif()
