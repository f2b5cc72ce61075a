#pragma once
// The text view's gutter: its settings, its width and the text of a line
// number. Every change of a setting raises OnChange, which the view answers
// by laying itself out again.
#include <functional>
#include <string>

#include "platform/colors.h"
#include "platform/surface.h"

namespace tav {

enum class TGutterBorderStyle { gbsNone, gbsMiddle, gbsRight };

class TTextViewGutter {
 public:
  using TChangeEvent = std::function<void()>;

  TTextViewGutter();

  bool Visible() const { return fVisible; }
  void SetVisible(bool value) { Set(fVisible, value); }
  int Width() const { return fWidth; }
  void SetWidth(int value) { Set(fWidth, value); }
  bool ShowLineNumbers() const { return fShowLineNumbers; }
  void SetShowLineNumbers(bool value) { Set(fShowLineNumbers, value); }
  int DigitCount() const { return fDigitCount; }
  // Clamped to 2..12.
  void SetDigitCount(int value);
  bool AutoSize() const { return fAutoSize; }
  void SetAutoSize(bool value) { Set(fAutoSize, value); }
  bool LeadingZeros() const { return fLeadingZeros; }
  void SetLeadingZeros(bool value) { Set(fLeadingZeros, value); }
  bool ZeroStart() const { return fZeroStart; }
  void SetZeroStart(bool value) { Set(fZeroStart, value); }
  int LineNumberStart() const { return fLineNumberStart; }
  // Negative values become 0; ZeroStart is set exactly when it is 0.
  void SetLineNumberStart(int value);
  int LeftOffset() const { return fLeftOffset; }
  void SetLeftOffset(int value) { Set(fLeftOffset, value); }
  int RightOffset() const { return fRightOffset; }
  void SetRightOffset(int value) { Set(fRightOffset, value); }
  const TFontDesc& Font() const { return fFont; }
  TColor FontColor() const { return fFontColor; }
  void SetFont(const TFontDesc& font, TColor color);
  bool UseFontStyle() const { return fUseFontStyle; }
  void SetUseFontStyle(bool value) { Set(fUseFontStyle, value); }
  TColor Color() const { return fColor; }
  void SetColor(TColor value) { Set(fColor, value); }
  TGutterBorderStyle BorderStyle() const { return fBorderStyle; }
  void SetBorderStyle(TGutterBorderStyle value) { Set(fBorderStyle, value); }
  TColor BorderColor() const { return fBorderColor; }
  void SetBorderColor(TColor value) { Set(fBorderColor, value); }
  bool Gradient() const { return fGradient; }
  void SetGradient(bool value) { Set(fGradient, value); }
  TColor GradientStartColor() const { return fGradientStartColor; }
  void SetGradientStartColor(TColor value) { Set(fGradientStartColor, value); }
  TColor GradientEndColor() const { return fGradientEndColor; }
  void SetGradientEndColor(TColor value) { Set(fGradientEndColor, value); }
  int GradientSteps() const { return fGradientSteps; }
  void SetGradientSteps(int value) { Set(fGradientSteps, value); }

  // Digits actually used for numbers.
  int AutoSizeDigitCount() const { return fAutoSizeDigitCount; }
  // Recomputes the digits for a buffer of lineCount lines: the larger of
  // DigitCount and the digits of the last number, so that no number is ever
  // cut; raises OnChange when it changes. Returns whether it changed.
  bool UpdateDigitCount(int lineCount);
  // The number shown for buffer line n (1-based).
  int LineNumber(int n) const;
  // Right-aligned in AutoSizeDigitCount places, never cut.
  std::u16string FormatLineNumber(int n) const;
  // Width in pixels for a cell advance of cw.
  int RealGutterWidth(int cw) const;

  void SetOnChange(TChangeEvent handler) { fOnChange = std::move(handler); }

 private:
  template <class T>
  void Set(T& field, const T& value) {
    if (field == value) return;
    field = value;
    Changed();
  }
  void Changed() {
    if (fOnChange) fOnChange();
  }

  bool fVisible = true;
  int fWidth = 30;
  bool fShowLineNumbers = false;
  int fDigitCount = 4;
  bool fAutoSize = false;
  bool fLeadingZeros = false;
  bool fZeroStart = false;
  int fLineNumberStart = 1;
  int fLeftOffset = 16;
  int fRightOffset = 2;
  TFontDesc fFont;
  TColor fFontColor = clWindowText;
  bool fUseFontStyle = true;
  TColor fColor = clBtnFace;
  TGutterBorderStyle fBorderStyle = TGutterBorderStyle::gbsMiddle;
  TColor fBorderColor = clWindow;
  bool fGradient = false;
  TColor fGradientStartColor = clWindow;
  TColor fGradientEndColor = clBtnFace;
  int fGradientSteps = 48;
  int fAutoSizeDigitCount = 4;
  TChangeEvent fOnChange;
};

}  // namespace tav
