#include "util/utf8_validity.h"

#include <cstring>

namespace tav {

int Utf8LeadLength(std::uint8_t byte) {
  if (byte < 0x80) return 1;
  if ((byte & 0xE0) == 0xC0) return 2;
  if ((byte & 0xF0) == 0xE0) return 3;
  if ((byte & 0xF8) == 0xF0) return 4;
  return 0;
}

bool IsValidUtf8Buffer(const void* buffer, std::int64_t length) {
  const auto* bytes = static_cast<const std::uint8_t*>(buffer);
  std::int64_t i = 0;
  while (i < length) {
    // Runs of ASCII are skipped eight bytes at a time.
    while (length - i >= 8) {
      std::uint64_t word;
      std::memcpy(&word, bytes + i, sizeof word);
      if (word & 0x8080808080808080ull) break;
      i += 8;
    }
    if (i >= length) break;
    const int len = Utf8LeadLength(bytes[i]);
    if (len == 0 || i + len - 1 >= length) return false;
    for (int k = 1; k < len; ++k) {
      if (!IsUtf8Trail(bytes[i + k])) return false;
    }
    i += len;
  }
  return true;
}

}  // namespace tav
