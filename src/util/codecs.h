#pragma once
// Byte-string codecs used on the wire: percent escapes and Base64.
#include <string>
#include <string_view>

namespace tav {

std::string DecodeEscapes(const std::string& value, char escape);
std::string PercentDecode(const std::string& value);

// `unsafe` marks every byte value to be escaped (256 entries).
struct ByteSet {
  bool contains[256] = {};
};
std::string EncodeEscapes(const std::string& value, char escape, const ByteSet& unsafe);
// Escapes 0x00-0x20, 0x7F-0xFF and  " % < > [ \ ] ^ ` { | }
std::string PercentEncodeUnsafe(const std::string& value);

std::string Base64Encode(std::string_view value);

}  // namespace tav
