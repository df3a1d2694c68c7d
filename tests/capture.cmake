# The capture tool: its frame clock, arguments, sheet layout and frame
# readback build into the unit binary; tests/capture_test.cpp runs the tool itself for
# the rest, so the unit binary waits for it. The sheet brings its FreeType
# labels and the stopping signals with it.
target_sources(kelvane_tests PRIVATE
  ${PROJECT_SOURCE_DIR}/tools/capture/frame_clock.cpp
  ${PROJECT_SOURCE_DIR}/tools/capture/arguments.cpp
  ${PROJECT_SOURCE_DIR}/tools/capture/render.cpp
  ${PROJECT_SOURCE_DIR}/tools/capture/output.cpp
  ${PROJECT_SOURCE_DIR}/tools/capture/progress.cpp
  ${PROJECT_SOURCE_DIR}/tools/capture/sheet.cpp
  ${PROJECT_SOURCE_DIR}/tools/capture/children.cpp)
find_package(Freetype REQUIRED)
target_link_libraries(kelvane_tests PRIVATE Freetype::Freetype)
target_include_directories(kelvane_tests PRIVATE ${PROJECT_SOURCE_DIR}/tools)
target_compile_definitions(kelvane_tests PRIVATE KELVANE_VERSION="${PROJECT_VERSION}")
if(TARGET kelvane-capture)
  add_dependencies(kelvane_tests kelvane-capture)
endif()

# The tool at its edges (tests/capture_edges.sh): stopping signals to it and
# to its process group, a renderer killed outright, the join's checks of its
# parts, full disks, earlier files and two captures at once, progress in a log.
if(TARGET kelvane-capture)
  foreach(edge signals join outputs)
    add_test(NAME capture_${edge}
      COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/capture_edges.sh $<TARGET_FILE:kelvane-capture>
              ${KELVANE_DATA_DIR} ${edge})
    set_tests_properties(capture_${edge} PROPERTIES TIMEOUT 300)
  endforeach()
endif()
