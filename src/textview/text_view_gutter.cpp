#include "textview/text_view_gutter.h"

#include <algorithm>
#include <string>

namespace tav {

TTextViewGutter::TTextViewGutter() {
  fFont.Face = u"Courier New";
  fFont.Height = PointsToHeight(8, 96);
}

void TTextViewGutter::SetDigitCount(int value) { Set(fDigitCount, std::clamp(value, 2, 12)); }

void TTextViewGutter::SetLineNumberStart(int value) {
  value = std::max(value, 0);
  fZeroStart = value == 0;
  Set(fLineNumberStart, value);
}

void TTextViewGutter::SetFont(const TFontDesc& font, TColor color) {
  if (fFont == font && fFontColor == color) return;
  fFont = font;
  fFontColor = color;
  Changed();
}

int TTextViewGutter::LineNumber(int n) const {
  if (fZeroStart) return n - 1;
  if (fLineNumberStart > 1) return n + fLineNumberStart - 1;
  return n;
}

bool TTextViewGutter::UpdateDigitCount(int lineCount) {
  int digits = fDigitCount;
  if (fVisible && fShowLineNumbers) {
    const std::string last = std::to_string(LineNumber(std::max(lineCount, 1)));
    digits = std::max(digits, static_cast<int>(last.size()));
  }
  if (digits == fAutoSizeDigitCount) return false;
  fAutoSizeDigitCount = digits;
  Changed();
  return true;
}

std::u16string TTextViewGutter::FormatLineNumber(int n) const {
  const std::string digits = std::to_string(LineNumber(n));
  std::u16string text;
  const int pad = std::max(0, fAutoSizeDigitCount - static_cast<int>(digits.size()));
  text.append(static_cast<std::size_t>(pad), fLeadingZeros ? u'0' : u' ');
  for (char c : digits) text += static_cast<char16_t>(c);
  return text;
}

int TTextViewGutter::RealGutterWidth(int cw) const {
  if (!fVisible) return 0;
  if (fShowLineNumbers) return fLeftOffset + fRightOffset + cw * fAutoSizeDigitCount + 2;
  return fWidth;
}

}  // namespace tav
