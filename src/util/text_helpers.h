#pragma once
// Small stateless helpers on text (UTF-16) and byte strings (8-bit wire data).
// Positions handed in or out are 1-based, as in the protocol descriptions
// these helpers serve.
#include <cstdint>
#include <string>
#include <string_view>

namespace tav {

std::string PackWordBE(std::uint16_t value);
// Bytes at index and index + 1 (1-based), high byte first; 0 when the string
// is shorter than index + 1.
std::uint16_t UnpackWordBE(const std::string& value, int index);
std::string PackLongBE(std::uint32_t value);
std::uint32_t SwapLongBytes(std::uint32_t value);

// Blanks are U+0020 only; tabs and other white space stay.
std::u16string TrimLeadingBlanks(const std::u16string& value);
std::u16string TrimTrailingBlanks(const std::u16string& value);
std::u16string TrimBlanks(const std::u16string& value);
std::string TrimLeadingBlanks(const std::string& value);
std::string TrimTrailingBlanks(const std::string& value);
std::string TrimBlanks(const std::string& value);

// White space and control characters: every character up to U+0020.
std::u16string Trim(const std::u16string& value);
std::u16string TrimLeft(const std::u16string& value);
std::u16string TrimRight(const std::u16string& value);
std::string Trim(const std::string& value);
std::string TrimLeft(const std::string& value);
std::string TrimRight(const std::string& value);
// Trim without a copy: the part of `value` between its white space.
std::u16string_view TrimView(std::u16string_view value);

// ASCII-only case mapping; other characters are left as they are.
std::u16string UpperCase(const std::u16string& value);
std::u16string LowerCase(const std::u16string& value);
std::string UpperCase(const std::string& value);
std::string LowerCase(const std::string& value);

// Text before / after the first occurrence of the delimiter; the whole text
// when it does not occur.
std::u16string TextBefore(const std::u16string& value, const std::u16string& delimiter);
std::u16string TextAfter(const std::u16string& value, const std::u16string& delimiter);
std::string TextBefore(const std::string& value, const std::string& delimiter);
std::string TextAfter(const std::string& value, const std::string& delimiter);

// Returns TextBefore; `value` becomes TextAfter, or empty when there was no
// delimiter.
std::u16string TakeToken(std::u16string& value, const std::u16string& delimiter);
std::string TakeToken(std::string& value, const std::string& delimiter);
// TakeToken, then both the token and the remaining text trimmed of blanks.
std::u16string TakeTrimmedToken(std::u16string& value, const std::u16string& delimiter);
std::string TakeTrimmedToken(std::string& value, const std::string& delimiter);

// Every occurrence replaced, scanning left to right; replaced text is never
// scanned again.
std::string ReplaceAll(const std::string& value, const std::string& search,
                       const std::string& replacement);
std::u16string ReplaceAll(const std::u16string& value, const std::u16string& search,
                          const std::u16string& replacement);

int CountChar(const std::u16string& value, char16_t ch);
int CountChar(const std::string& value, char ch);

// 1-based position of the first occurrence, 0 when absent.
int Pos(const std::u16string& needle, const std::u16string& haystack);
int Pos(const std::string& needle, const std::string& haystack);
bool StartsWith(const std::u16string& value, const std::u16string& prefix);
bool StartsWith(const std::string& value, const std::string& prefix);

struct LineBreak {
  int position = -1;       // 1-based index of the CR or LF; -1 when none
  std::string terminator;  // "\r", "\n", "\r\n" or "\n\r"; empty when none
};
LineBreak FindLineBreak(const std::string& bytes);

// Decimal integer: optional leading blanks, optional sign, digits, nothing
// after. Anything else (or overflow) gives the default.
int StrToIntDef(const std::u16string& value, int def);
int StrToIntDef(const std::string& value, int def);
std::int64_t StrToInt64Def(const std::u16string& value, std::int64_t def);
std::int64_t StrToInt64Def(const std::string& value, std::int64_t def);

std::u16string IntToText(std::int64_t value);

}  // namespace tav
