#pragma once
// One display attribute of a highlighter: foreground and background colour
// (clNone: the view's own colour is used) and a font style, with a change
// notification for the owning highlighter.
#include <cstdint>
#include <functional>
#include <string>

#include "platform/colors.h"

namespace tav {

// The font style set: bold, italic, underline, strike-out.
enum THighlighterFontStyle : std::uint8_t {
  hfsBold = 1 << 0,
  hfsItalic = 1 << 1,
  hfsUnderline = 1 << 2,
  hfsStrikeOut = 1 << 3,
};
using THighlighterFontStyles = std::uint8_t;

class THighlighterAttributes {
 public:
  using TChangeEvent = std::function<void(THighlighterAttributes& sender)>;

  THighlighterAttributes(std::u16string name, std::u16string friendlyName);

  const std::u16string& Name() const { return fName; }
  const std::u16string& FriendlyName() const { return fFriendlyName; }

  TColor Foreground() const { return fForeground; }
  TColor Background() const { return fBackground; }
  THighlighterFontStyles Style() const { return fStyle; }
  void SetForeground(TColor value);
  void SetBackground(TColor value);
  void SetStyle(THighlighterFontStyles value);
  // Both colours, with one notification.
  void SetColors(TColor foreground, TColor background);
  // Copies name, colours and style; one notification if any of the three
  // differed.
  void Assign(const THighlighterAttributes& source);

  // The values at the time the highlighter took the attribute over.
  void InternalSaveDefaultValues();
  TColor ForegroundDefault() const { return fForegroundDefault; }
  TColor BackgroundDefault() const { return fBackgroundDefault; }
  THighlighterFontStyles StyleDefault() const { return fStyleDefault; }

  void SetOnChange(TChangeEvent handler) { fOnChange = std::move(handler); }

 private:
  void Changed();

  std::u16string fName;
  std::u16string fFriendlyName;
  TColor fForeground = clNone;
  TColor fBackground = clNone;
  THighlighterFontStyles fStyle = 0;
  TColor fForegroundDefault = clNone;
  TColor fBackgroundDefault = clNone;
  THighlighterFontStyles fStyleDefault = 0;
  TChangeEvent fOnChange;
};

}  // namespace tav
