#pragma once
// Byte-to-text decoding for bodies, pages and style sheets: the four
// encodings text can come in, their byte-order marks, a strict UTF-8
// decoder that refuses anything but well-formed UTF-8, and the decoding of
// bytes in a chosen encoding.
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace tav {

// Raised when bytes cannot be decoded in a strict encoding.
class EEncodingError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

inline constexpr char kNoMappingMessage[] =
    "No mapping for the Unicode character exists in the target multi-byte code page";

// teAnsi is the system ANSI code page, Windows-1252 here.
enum class TEncoding { teAnsi, teUtf8, teUtf16LE, teUtf16BE };

// The byte-order mark of an encoding ("" for the ANSI code page).
std::string_view PreambleOf(TEncoding encoding);
// The encoding announced by a leading byte-order mark (UTF-8 first, then
// UTF-16 LE, then UTF-16 BE), and the mark's length in bytes.
std::optional<TEncoding> DetectPreamble(std::string_view bytes, std::size_t& preambleLength);

// Number of UTF-16 units the bytes decode to in strict UTF-8, or -1 when they
// are not well-formed UTF-8 (overlong forms, encoded surrogates, values above
// U+10FFFF, the bytes C0, C1 and F5-FF, stray continuation bytes, a truncated
// final sequence).
std::int64_t StrictUtf8Length(std::string_view bytes);
inline bool IsStrictUtf8(std::string_view bytes) { return StrictUtf8Length(bytes) >= 0; }

// Strict UTF-8 decoding; raises EEncodingError with kNoMappingMessage.
std::u16string DecodeUtf8Strict(std::string_view bytes);
// Decodes bytes in the given encoding. Only UTF-8 can fail (as above); the
// ANSI code page maps every byte; UTF-16 input keeps unpaired surrogates and
// a lone final byte becomes U+FFFD.
std::u16string DecodeBytes(std::string_view bytes, TEncoding encoding);

// The text of a local file (a page or a style sheet): a byte-order mark
// selects UTF-8, UTF-16LE or UTF-16BE (the mark is dropped); without one,
// well-formed UTF-8 is read as UTF-8 and anything else as the ANSI code
// page. Never throws.
std::u16string DecodeTextFile(std::string_view bytes);

}  // namespace tav
