#include "textview/text_page.h"

namespace tav {

void SetUpTextPage(TTextView& view, TCustomHighlighter& highlighter) {
  TTextViewFont font;
  font.Desc.Face = u"Courier New";
  font.Desc.Height = -13;
  view.SetFont(font);
  TFontDesc gutterFont;
  gutterFont.Face = u"Courier New";
  gutterFont.Height = -11;
  view.Gutter().SetFont(gutterFont, clWindowText);
  view.Gutter().SetLeftOffset(2);
  view.Gutter().SetShowLineNumbers(true);
  view.SetHighlighter(&highlighter);
  view.SetWordWrap(true);
  view.SetRightEdge(1024);
  view.SetScrollBars(TScrollStyle::ssVertical);
  view.SetReadOnly(true);
  view.SetWantReturns(false);
  view.SetInsertMode(false);
  view.Lines().Clear();
  view.Lines().Add(u"");
}

}  // namespace tav
