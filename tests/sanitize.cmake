# The sanitizer build's entries (label "sanitize"): the rig suites, the
# bad-asset matrix and the whole timeline under LeakSanitizer. test.sh runs
# them from build-sanitize; a normal build registers none of them.
if(KELVANE_SANITIZE)
  set(KELVANE_SANITIZER_ENV
    "ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:detect_stack_use_after_return=1"
    "UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1"
    "LSAN_OPTIONS=suppressions=${CMAKE_CURRENT_SOURCE_DIR}/lsan.supp:print_suppressions=0")
  set(KELVANE_SANITIZED ${CMAKE_CURRENT_SOURCE_DIR}/sanitized.sh)
  # Every fault of every asset file, each pack drawn once per timeline row.
  add_test(NAME asset_matrix
    COMMAND python3 ${CMAKE_CURRENT_SOURCE_DIR}/matrix/asset_matrix.py
            $<TARGET_FILE:kelvane-capture> ${KELVANE_DATA_DIR} ${CMAKE_BINARY_DIR}/asset-matrix 2)
  # The whole timeline at 2 frames a second, then the leak check at exit.
  add_test(NAME leaks
    COMMAND ${KELVANE_SANITIZED} $<TARGET_FILE:kelvane-capture> --frames
            ${CMAKE_BINARY_DIR}/leak-frames --fps 2 --data ${KELVANE_DATA_DIR})
  # A short video, with two renderer processes, and the same as two segments
  # in two processes joined: the sanitizers see every process of a capture.
  add_test(NAME capture_video
    COMMAND ${KELVANE_SANITIZED} $<TARGET_FILE:kelvane-capture> --video
            ${CMAKE_BINARY_DIR}/sanitized-video.mp4 --duration 2 --size 160x120
            --data ${KELVANE_DATA_DIR})
  add_test(NAME capture_jobs
    COMMAND ${KELVANE_SANITIZED} $<TARGET_FILE:kelvane-capture> --video
            ${CMAKE_BINARY_DIR}/sanitized-jobs.mp4 --jobs 2 --duration 2 --size 160x120
            --data ${KELVANE_DATA_DIR})
  set_tests_properties(asset_matrix leaks capture_video capture_jobs PROPERTIES LABELS sanitize
    ENVIRONMENT "${KELVANE_SANITIZER_ENV}")
endif()
