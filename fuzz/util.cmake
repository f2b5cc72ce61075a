# Protocol utilities: percent codecs and IPv6 text forms.
tav_add_fuzzer(fuzz_percent_codec ${CMAKE_CURRENT_LIST_DIR}/util/fuzz_percent_codec.cpp tav_util)
tav_add_fuzzer(fuzz_ipv6_text ${CMAKE_CURRENT_LIST_DIR}/util/fuzz_ipv6_text.cpp tav_util)
