# Protocol utilities: percent codecs and IPv6 text forms.
tav_add_fuzzer(fuzz_percent_codec fuzz_percent_codec.cpp tav_util)
tav_add_fuzzer(fuzz_ipv6_text fuzz_ipv6_text.cpp tav_util)
