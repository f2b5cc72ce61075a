// IPv6 text forms on arbitrary input. Plain texts (hex digits and colons,
// groups of at most four digits) are checked against the C library's parser;
// 16-byte inputs must survive bytes -> text -> bytes.
#include <arpa/inet.h>

#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "util/ip_text.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

bool IsPlainAddressText(const std::string& text) {
  int digits = 0;
  for (char c : text) {
    if (c == ':') {
      digits = 0;
    } else if (std::isxdigit(static_cast<unsigned char>(c)) != 0) {
      if (++digits > 4) return false;
    } else {
      return false;
    }
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const std::u16string text(bytes.begin(), bytes.end());

  const bool valid = tav::IsIPv6Text(text);
  const std::string parsed = tav::IPv6TextToBytes(text);
  Check(parsed.size() == 16);
  (void)tav::ExpandIPv6Text(bytes);

  // Whatever the text, the bytes it gives are written back as a valid text
  // that reads to the same bytes.
  const std::u16string written = tav::IPv6BytesToText(parsed);
  Check(tav::IsIPv6Text(written));
  Check(tav::IPv6TextToBytes(written) == parsed);

  if (IsPlainAddressText(bytes)) {
    unsigned char reference[16];
    const bool libcValid = inet_pton(AF_INET6, bytes.c_str(), reference) == 1;
    Check(valid == libcValid);
    if (valid) Check(std::memcmp(reference, parsed.data(), 16) == 0);
  }

  if (size == 16) {
    const std::u16string out = tav::IPv6BytesToText(bytes);
    Check(tav::IsIPv6Text(out));
    Check(tav::IPv6TextToBytes(out) == bytes);
  }
  return 0;
}
