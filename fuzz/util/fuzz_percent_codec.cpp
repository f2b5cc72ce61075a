// Percent escapes: decoding arbitrary input must stay in bounds and never
// grow the text; encoding must escape exactly the unsafe bytes and decode
// back to the original.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "util/codecs.h"

namespace {

bool IsUnsafe(unsigned char b) {
  static const std::string kPunctuation = "\"%<>[\\]^`{|}";
  return b <= 0x20 || b >= 0x7F || kPunctuation.find(static_cast<char>(b)) != std::string::npos;
}

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);

  Check(tav::PercentDecode(input).size() <= input.size());
  if (!input.empty()) {
    // Any byte may serve as the escape byte.
    const std::string rest = input.substr(1);
    Check(tav::DecodeEscapes(rest, input[0]).size() <= rest.size());
  }

  const std::string encoded = tav::PercentEncodeUnsafe(input);
  std::size_t unsafe = 0;
  for (unsigned char b : input) unsafe += IsUnsafe(b) ? 1 : 0;
  Check(encoded.size() == input.size() + 2 * unsafe);
  for (std::size_t i = 0; i < encoded.size(); ++i) {
    const auto b = static_cast<unsigned char>(encoded[i]);
    if (b == '%') {
      i += 2;  // the two hexadecimal digits of an escape
      continue;
    }
    Check(!IsUnsafe(b));
  }
  Check(tav::PercentDecode(encoded) == input);

  Check(tav::Base64Encode(input).size() == (input.size() + 2) / 3 * 4);
  return 0;
}
