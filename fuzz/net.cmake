# Socket layer: SOCKS reply decoding and reading, the HTTP tunnel's reply.
tav_add_fuzzer(fuzz_socks_reply ${CMAKE_CURRENT_LIST_DIR}/net/fuzz_socks_reply.cpp tav_net tav_util)
tav_add_fuzzer(fuzz_tunnel_reply ${CMAKE_CURRENT_LIST_DIR}/net/fuzz_tunnel_reply.cpp tav_net tav_util)
