#pragma once
// The HTML view of the console's "HTML" page with the settings the window
// gives it; shared by the window, the headless renderer and the page's tests
// so that all of them lay out and draw the same view.
#include "html/view/viewer.h"

namespace tav {

// The width a document is laid out at on the HTML page when the window has
// its start-up size: GroupBox3's contents less the 2-pixel margins the view
// gets on each side, less 2 for the view's border.
constexpr int kHtmlDocumentWidthAtStart = 667;

// The default fonts; the default character set; no history; text can be
// selected; a border while the view has the focus.
void SetUpHtmlPage(THtmlView& view);

}  // namespace tav
