#pragma once
// The structural UTF-8 test the console applies to a response body before it
// chooses how to decode it.
#include <cstdint>

namespace tav {

// Sequence length announced by a lead byte: 1 to 4, or 0 for a byte that
// cannot start a sequence (a continuation byte 10xxxxxx, or 11111xxx).
int Utf8LeadLength(std::uint8_t byte);
// True for a continuation byte 10xxxxxx.
inline bool IsUtf8Trail(std::uint8_t byte) { return (byte & 0xC0) == 0x80; }

// True when every lead byte announces a length the bytes after it fill with
// continuation bytes. The test is purely structural: overlong forms, encoded
// surrogates, values above U+10FFFF and the lead bytes C0 and C1 pass. An
// empty buffer (length 0) passes; a negative length counts as empty.
bool IsValidUtf8Buffer(const void* buffer, std::int64_t length);

}  // namespace tav
