# HTTP engine: URL splitting and head composition, header unfolding with
# status decoding, and the body readers with the gzip step.
tav_add_fuzzer(fuzz_split_url ${CMAKE_CURRENT_LIST_DIR}/http/fuzz_split_url.cpp tav_http)
tav_add_fuzzer(fuzz_header_unfold ${CMAKE_CURRENT_LIST_DIR}/http/fuzz_header_unfold.cpp tav_http)
tav_add_fuzzer(fuzz_http_body ${CMAKE_CURRENT_LIST_DIR}/http/fuzz_http_body.cpp tav_http)
