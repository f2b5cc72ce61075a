# Drawing through the platform layer against the same drawing done directly
# with QPainter (needs the Qt implementation, so only with the GUI).
if(TARGET tav_platform_qt)
  add_executable(platform_bench ${CMAKE_CURRENT_LIST_DIR}/platform_bench.cpp)
  target_link_libraries(platform_bench PRIVATE tav_platform_qt tav_warnings)
  set_target_properties(platform_bench PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
endif()
