# The text view with a large body beside QPlainTextEdit doing the same work
# (bench/run_textview_bench.sh runs both); needs the window.
if(TARGET tav_app)
  find_package(Qt6 REQUIRED COMPONENTS Widgets)
  add_executable(textview_paint ${CMAKE_CURRENT_LIST_DIR}/textview_paint.cpp)
  target_link_libraries(textview_paint PRIVATE tav_app tav_warnings)
  add_executable(qplaintextedit_paint ${CMAKE_CURRENT_LIST_DIR}/qplaintextedit_paint.cpp)
  target_link_libraries(qplaintextedit_paint PRIVATE Qt6::Widgets tav_warnings)
  set_target_properties(textview_paint qplaintextedit_paint PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
endif()
