#pragma once
// Character sets named in META and FONT CHARSET, the code page of each, and
// the HTML font size tables (SIZE=1..7).
#include <array>
#include <string_view>

namespace tav {

// The character-set number for a charset name: the first of the table's
// fragments that occurs in the lower-cased name; -1 when none does.
int CharSetFromName(std::u16string_view name);

struct TCharSetCodePage {
  int CharSet;
  int CodePage;
};
// The character set kept and the code page for a requested character set
// (the font-charset table; 31 stands for ISO 8859-2). Unknown sets keep
// their number with code page 0 (the default).
TCharSetCodePage CodePageOfCharSet(int charSet);

// Sizes 1..7 in points for ordinary text and inside PRE, for a default font
// size in points.
struct THtmlFontSizes {
  std::array<double, 7> Normal{};
  std::array<double, 7> Pre{};
  void Build(double defaultSize);
  // size 1..7 (clamped).
  double Size(int htmlSize, bool pre) const;
};

}  // namespace tav
