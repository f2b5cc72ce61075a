#pragma once
// The HTML page of the main window as the HTML view sees it.
namespace tav {

// The width a document is laid out at on the HTML page when the window has
// its start-up size: GroupBox3's contents less the 2-pixel margins the view
// gets on each side, less 2 for the view's border.
constexpr int kHtmlDocumentWidthAtStart = 667;

}  // namespace tav
