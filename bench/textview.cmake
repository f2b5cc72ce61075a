# Line buffer and URI highlighter throughput and memory on a large body.
add_executable(textview_bench ${CMAKE_CURRENT_LIST_DIR}/textview_bench.cpp)
target_link_libraries(textview_bench PRIVATE tav_textview tav_util tav_warnings)
set_target_properties(textview_bench PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
