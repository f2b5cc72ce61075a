# HTML tokenizer, style sheets, declaration lists, and the colour and length
# readers, on the fixed-metrics device.
tav_add_fuzzer(fuzz_html_tokenizer ${CMAKE_CURRENT_LIST_DIR}/html/fuzz_html_tokenizer.cpp tav_html tav_platform_testing)
tav_add_fuzzer(fuzz_style_sheet ${CMAKE_CURRENT_LIST_DIR}/html/fuzz_style_sheet.cpp tav_html tav_platform_testing)
tav_add_fuzzer(fuzz_style_declarations ${CMAKE_CURRENT_LIST_DIR}/html/fuzz_style_declarations.cpp tav_html tav_platform_testing)
tav_add_fuzzer(fuzz_style_values ${CMAKE_CURRENT_LIST_DIR}/html/fuzz_style_values.cpp tav_html tav_platform_testing)
tav_add_fuzzer(fuzz_html_render ${CMAKE_CURRENT_LIST_DIR}/html/fuzz_html_render.cpp tav_html tav_platform_testing)
# Image loading foundations: the picture decoder's front end, local file
# names, and image map areas.
tav_add_fuzzer(fuzz_decode_picture ${CMAKE_CURRENT_LIST_DIR}/html/fuzz_decode_picture.cpp tav_html tav_platform_testing)
tav_add_fuzzer(fuzz_html_paths ${CMAKE_CURRENT_LIST_DIR}/html/fuzz_html_paths.cpp tav_html tav_platform_testing)
tav_add_fuzzer(fuzz_image_map ${CMAKE_CURRENT_LIST_DIR}/html/fuzz_image_map.cpp tav_html tav_platform_testing)
# Tables: grid completion, column widths and row heights on random grids.
tav_add_fuzzer(fuzz_table_grid ${CMAKE_CURRENT_LIST_DIR}/html/fuzz_table_grid.cpp tav_html tav_platform_testing)
