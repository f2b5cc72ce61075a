#pragma once
// The text view of the console's "Text" page with the settings the window
// gives it; shared by the window, the text view benchmark and the view's
// tests so that all of them measure and draw the same view.
#include "textview/highlighter.h"
#include "textview/text_view.h"

namespace tav {

// Courier New 13 px; line numbers in Courier New 11 px two pixels from the
// gutter's left edge; word wrap; right edge at column 1024; a vertical bar
// only; read-only in overwrite mode; Enter left to the window; the given
// highlighter; one empty line.
void SetUpTextPage(TTextView& view, TCustomHighlighter& highlighter);

}  // namespace tav
