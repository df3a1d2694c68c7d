# The unit binary links the capture's core (arguments, spans, sheet layout,
# frame readback); tests/capture_test.cpp runs the tool itself for the rest,
# so the unit binary waits for it.
target_link_libraries(kelvane_tests PRIVATE kelvane_capture_core)
add_dependencies(kelvane_tests kelvane-capture)

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
