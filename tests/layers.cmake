# The includes of src/ point down from layer to layer, and no tool includes
# another tool's header.
add_test(NAME layers COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/layers_test.sh ${PROJECT_SOURCE_DIR}/src
                                ${PROJECT_SOURCE_DIR}/tools)
