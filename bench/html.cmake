# The HTML view's reading side: html_inspect shows tokens and styles and
# times them; html_qt_peer times QTextDocument on the same text
# (bench/run_html_bench.sh compares the two).
add_executable(html_inspect ${CMAKE_CURRENT_LIST_DIR}/html_inspect.cpp)
target_link_libraries(html_inspect PRIVATE tav_html tav_platform_testing tav_util tav_warnings)
set_target_properties(html_inspect PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)

if(TAV_BUILD_GUI)
  find_package(Qt6 REQUIRED COMPONENTS Gui)
  add_executable(html_qt_peer ${CMAKE_CURRENT_LIST_DIR}/html_qt_peer.cpp)
  target_link_libraries(html_qt_peer PRIVATE tav_util Qt6::Gui tav_warnings)
  set_target_properties(html_qt_peer PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
endif()

# The headless renderer: parse, layout, paint into a PNG, dump the boxes.
if(TARGET tav_app)
  add_executable(html_render ${CMAKE_CURRENT_LIST_DIR}/html_render.cpp)
  target_link_libraries(html_render PRIVATE tav_app tav_html tav_warnings)
  set_target_properties(html_render PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
endif()

# GO to painted: the console window itself, driven through GO against a URL
# (bench/run_go_bench.sh serves the pages from nginx).
if(TARGET tav_app)
  find_package(Qt6 REQUIRED COMPONENTS Test)
  add_executable(go_paint ${CMAKE_CURRENT_LIST_DIR}/go_paint.cpp)
  target_link_libraries(go_paint PRIVATE tav_app tav_html Qt6::Test tav_warnings)
  set_target_properties(go_paint PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
endif()
