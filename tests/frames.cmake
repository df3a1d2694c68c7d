# Frames drawn through the fixed-function layer against the GL 1.1 capture,
# one per timeline row (tests/frames/): natively on OpenGL ES 2 here, and in
# headless Chromium by web.cmake. The references are drawn once per run by
# the frames_reference fixture.
add_executable(frame_compare frames/frame_compare.cpp)
target_link_libraries(frame_compare PRIVATE PNG::PNG)
if(TARGET kelvane_offscreen_gles AND TARGET kelvane-capture)
  add_executable(kelvane_gles_row_frames frames/row_frames.cpp)
  target_link_libraries(kelvane_gles_row_frames PRIVATE kelvane_offscreen_gles kelvane_png)
  set(KELVANE_FRAMES_DIR ${CMAKE_BINARY_DIR}/frames)
  add_test(NAME frames_reference
    COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/frames/rows.sh reference
            $<TARGET_FILE:kelvane_gles_row_frames> ${KELVANE_DATA_DIR} ${KELVANE_FRAMES_DIR}
            $<TARGET_FILE:kelvane-capture>)
  set_tests_properties(frames_reference PROPERTIES FIXTURES_SETUP frames_reference
    LABELS frames TIMEOUT 300)
  add_test(NAME frames_gles
    COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/frames/rows.sh gles
            $<TARGET_FILE:kelvane_gles_row_frames> ${KELVANE_DATA_DIR} ${KELVANE_FRAMES_DIR}
            $<TARGET_FILE:frame_compare>)
  set_tests_properties(frames_gles PROPERTIES FIXTURES_REQUIRED frames_reference
    LABELS frames TIMEOUT 120)
endif()
