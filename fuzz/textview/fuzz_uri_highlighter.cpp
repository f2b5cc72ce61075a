// Tokenizes arbitrary UTF-16 lines with the URI highlighter and checks that
// the tokens cover the line exactly, in increasing positions, and that the
// result does not depend on what the highlighter held before.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "textview/char_class.h"
#include "textview/text_view_line_layout.h"
#include "textview/uri_highlighter.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

struct Token {
  int pos, expandedPos, kind;
  std::u16string text, expandedText;
  bool operator==(const Token&) const = default;
};

// A combining mark that follows a character of its line is drawn over it
// and takes no cell, as the text view lays lines out.
bool TakesNoCell(std::u16string_view line, std::size_t i) {
  return tav::IsCombiningMark(line[i]) && tav::MarkTakesNoCell(line, i);
}

std::vector<Token> Tokenize(tav::TURIHighlighter& hl, const std::u16string& line,
                            const std::u16string* expanded) {
  if (expanded) {
    hl.SetLineExpandedAtWideGlyphs(line, *expanded, 0);
  } else {
    hl.SetLine(line, 0);
  }
  std::vector<Token> tokens;
  int end = 0;
  int expandedEnd = 0;
  while (!hl.GetEol()) {
    Token t{hl.GetTokenPos(), hl.GetExpandedTokenPos(), hl.GetTokenKind(), hl.GetToken(),
            hl.GetExpandedToken()};
    // Each token starts where the previous one ended and is not empty.
    Check(t.pos == end);
    Check(!t.text.empty());
    Check(t.text == line.substr(static_cast<std::size_t>(t.pos), t.text.size()));
    Check(t.kind >= tav::tkSpace && t.kind <= tav::tkNullChar && t.kind != tav::tkNull);
    Check((t.kind == tav::tkNullChar) == (t.text.size() == 1 && t.text[0] == u'\0'));
    Check(t.expandedPos == expandedEnd);
    // Every unit takes a cell or more, except a mark over the unit before it.
    std::size_t cellLess = 0;
    for (std::size_t k = 0; k < t.text.size(); ++k)
      cellLess += TakesNoCell(line, static_cast<std::size_t>(t.pos) + k);
    Check(t.expandedText.size() + cellLess >= t.text.size());
    if (tav::IsLinkKind(t.kind)) Check(hl.GetTokenAttribute() != nullptr);
    end = t.pos + static_cast<int>(t.text.size());
    expandedEnd = t.expandedPos + static_cast<int>(t.expandedText.size());
    tokens.push_back(std::move(t));
    hl.Next();
    Check(tokens.size() <= line.size());
  }
  Check(end == static_cast<int>(line.size()));
  if (expanded) Check(expandedEnd == static_cast<int>(expanded->size()));
  return tokens;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Two bytes per unit; the odd first byte picks how the input is read: as
  // UTF-16 units, or byte per unit so that ASCII inputs stay readable.
  if (size == 0) return 0;
  std::u16string line;
  if (data[0] & 1) {
    for (std::size_t i = 1; i + 1 < size; i += 2) {
      line += static_cast<char16_t>(data[i] | data[i + 1] << 8);
    }
  } else {
    for (std::size_t i = 1; i < size; ++i) line += static_cast<char16_t>(data[i]);
  }

  // Wide glyphs take two cells: one filler before each. The filler character
  // itself, when it occurs in the line, is narrow. Marks over the character
  // before them take none; a mark with nothing to stand on takes one.
  std::u16string expanded;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char16_t c = line[i];
    if (tav::IsCombiningMark(c)) {
      if (!TakesNoCell(line, i)) expanded += c;
      continue;
    }
    if (c >= 0x1100 && c != tav::kWideGlyphFiller) expanded += tav::kWideGlyphFiller;
    expanded += c;
  }

  tav::TURIHighlighter fresh;
  const std::vector<Token> plain = Tokenize(fresh, line, nullptr);
  const std::vector<Token> wide = Tokenize(fresh, line, &expanded);
  Check(plain.size() == wide.size());
  for (std::size_t i = 0; i < plain.size(); ++i) {
    Check(plain[i].pos == wide[i].pos && plain[i].kind == wide[i].kind);
  }

  // A highlighter that scanned a longer line first leaves stale text behind
  // the new line's end; reading past the line would change the tokens.
  tav::TURIHighlighter reused;
  std::u16string longer = line + u"www.ab.cd@ef.gh http://x.y/../z " + line;
  Tokenize(reused, longer, nullptr);
  Check(Tokenize(reused, line, nullptr) == plain);
  return 0;
}
