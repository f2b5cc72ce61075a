#pragma once
// The text view's two coordinate systems, both 1-based.

namespace tav {

// A character position in the buffer: Char counts UTF-16 units of the stored
// line (a tab is one), Line is the buffer line.
struct TBufferCoord {
  int Char = 1;
  int Line = 1;
  friend bool operator==(const TBufferCoord&, const TBufferCoord&) = default;
};

// A cell on the screen grid before scrolling: Column counts cells after tab
// and wide-glyph expansion, Row counts display rows.
struct TDisplayCoord {
  int Column = 1;
  int Row = 1;
  friend bool operator==(const TDisplayCoord&, const TDisplayCoord&) = default;
};

}  // namespace tav
