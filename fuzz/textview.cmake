# Line buffer loading, the URI highlighter and the word-wrap row map.
tav_add_fuzzer(fuzz_line_loader ${CMAKE_CURRENT_LIST_DIR}/textview/fuzz_line_loader.cpp
  tav_textview tav_util)
tav_add_fuzzer(fuzz_uri_highlighter ${CMAKE_CURRENT_LIST_DIR}/textview/fuzz_uri_highlighter.cpp
  tav_textview tav_util)
tav_add_fuzzer(fuzz_word_wrap ${CMAKE_CURRENT_LIST_DIR}/textview/fuzz_word_wrap.cpp
  tav_textview)
