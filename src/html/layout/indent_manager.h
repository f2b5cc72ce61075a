#pragma once
// Where the lines of a block may start and end at each height: the content
// edges of the block being laid out and the floats placed so far. All
// coordinates are document pixels.
#include <climits>
#include <vector>

#include "html/css/properties.h"

namespace tav {

// One narrowing of a side from YT (inclusive) to YB (exclusive). Entries a
// block makes for its own content carry the block as ID and count only while
// that block is current; floats carry no ID and always count.
struct IndentRec {
  int X = 0;
  int YT = 0;
  int YB = INT_MAX;
  const void* ID = nullptr;
  bool Float = false;
};

class IndentManagerBasic {
public:
  int LfEdge = 0;
  int RtEdge = 0;
  int Width = 0;
  const void* CurrentID = nullptr;
  std::vector<IndentRec> L;
  std::vector<IndentRec> R;

  // New edges (Width = right - left); no current block. The entries stay.
  void Reset(int left, int right);
  // Removes every entry.
  void Clear();
  // The largest X of the left entries covering y, at least LfEdge.
  int LeftIndent(int y) const;
  // The smallest X of the right entries covering y, RtEdge when none.
  int RightSide(int y) const;
  // An entry for the current block from y down (to INT_MAX); returns its
  // index for the matching Free call.
  int SetLeftIndent(int x, int y);
  int SetRightIndent(int x, int y);
  void FreeLeftIndentRec(int index);
  void FreeRightIndentRec(int index);
  // The lowest bottom of the float entries (0 when none).
  int ImageBottom() const;
  // One below the lowest bottom of the float entries on each side (0 when
  // that side has none).
  void GetClearY(int& clearLeft, int& clearRight) const;
  // The nearest bottom of a float entry covering y, on either side; y when
  // no float covers y.
  int GetNextWiderY(int y) const;
  // Whether a float entry covers y on either side.
  bool FloatsAt(int y) const;
};

class IndentManager : public IndentManagerBasic {
public:
  // Places a float box (full width and height, spaces included) at y on
  // the left or right and narrows that side for its height; returns the
  // box's left X.
  int PlaceFloat(int y, AlignmentType side, int fullWidth, int fullHeight);
  // Registers a floated block from y for `height` pixels: a left block
  // narrows the left side up to x (its right edge with margin), a right
  // block the right side from x (its left edge with margin).
  void UpdateBlock(int y, int x, int height, AlignmentType side);
  // Where a left float `width` wide fits at or below y, no further right
  // than allowed by `maxRight`: moves y down past floats until it fits or no
  // float covers y, and returns the left X there.
  int GetNextLeftXY(int& y, int width, int maxRight) const;
};

}  // namespace tav
