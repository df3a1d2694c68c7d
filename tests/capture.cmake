# The capture tool: its frame clock, arguments, sheet layout and frame
# readback build into the unit binary; tests/capture_test.cpp runs the tool itself for
# the rest, so the unit binary waits for it.
target_sources(kelvane_tests PRIVATE
  ${PROJECT_SOURCE_DIR}/tools/capture/frame_clock.cpp
  ${PROJECT_SOURCE_DIR}/tools/capture/arguments.cpp
  ${PROJECT_SOURCE_DIR}/tools/capture/render.cpp
  ${PROJECT_SOURCE_DIR}/tools/capture/output.cpp
  ${PROJECT_SOURCE_DIR}/tools/capture/progress.cpp)
target_include_directories(kelvane_tests PRIVATE ${PROJECT_SOURCE_DIR}/tools)
target_compile_definitions(kelvane_tests PRIVATE KELVANE_VERSION="${PROJECT_VERSION}")
if(TARGET kelvane-capture)
  add_dependencies(kelvane_tests kelvane-capture)
endif()
