#include "html/view/html_page.h"

namespace tav {

void SetUpHtmlPage(THtmlView& view) {
  view.DefFontName = kDefaultFontName;
  view.DefPreFontName = kDefaultPreFontName;
  view.CharSet = DEFAULT_CHARSET;
  view.HistoryMaxCount = 0;
  view.NoSelect = false;
  view.SetBorderStyle(THTMLBorderStyle::htFocused);
}

}  // namespace tav
