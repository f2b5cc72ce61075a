#include "textview/highlighter_attributes.h"

namespace tav {

THighlighterAttributes::THighlighterAttributes(std::u16string name, std::u16string friendlyName)
    : fName(std::move(name)), fFriendlyName(std::move(friendlyName)) {}

void THighlighterAttributes::Changed() {
  if (fOnChange) fOnChange(*this);
}

void THighlighterAttributes::SetForeground(TColor value) {
  if (value == fForeground) return;
  fForeground = value;
  Changed();
}

void THighlighterAttributes::SetBackground(TColor value) {
  if (value == fBackground) return;
  fBackground = value;
  Changed();
}

void THighlighterAttributes::SetStyle(THighlighterFontStyles value) {
  if (value == fStyle) return;
  fStyle = value;
  Changed();
}

void THighlighterAttributes::SetColors(TColor foreground,
                                       TColor background) {
  if (foreground == fForeground && background == fBackground) return;
  fForeground = foreground;
  fBackground = background;
  Changed();
}

void THighlighterAttributes::Assign(const THighlighterAttributes& source) {
  if (&source == this) return;
  const bool differs = fForeground != source.fForeground ||
                       fBackground != source.fBackground || fStyle != source.fStyle;
  fName = source.fName;
  fForeground = source.fForeground;
  fBackground = source.fBackground;
  fStyle = source.fStyle;
  if (differs) Changed();
}

void THighlighterAttributes::InternalSaveDefaultValues() {
  fForegroundDefault = fForeground;
  fBackgroundDefault = fBackground;
  fStyleDefault = fStyle;
}

}  // namespace tav
