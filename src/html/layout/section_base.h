#pragma once
// The common base of everything that stands in a cell: text sections,
// blocks, rules, tables and page breaks. Layout fills the vertical extents;
// the virtual operations are those the cell, the document and the viewer
// call on every item.
#include <string>

#include "platform/geometry.h"

namespace tav {

class TSectionList;
class TSurface;
class IndentManager;
class TCellBasic;
class TImageObj;
class TFormControlObj;
struct TUrlTarget;

// A list item's request for the baseline of its first line (its marker is
// drawn on it). Layout passes it down to every item it lays out; the first
// line laid out while Baseline is set stores its baseline there and clears
// it, so later lines leave it alone.
struct TFirstLine {
  int* Baseline = nullptr;
};

// What a document point leads to.
struct TLinkHit {
  const TUrlTarget* Target = nullptr;  // the link run's link (null for a map area)
  std::u16string Url;         // the link as it is followed
  std::u16string TargetName;  // the frame the link names
  std::u16string Title;       // the hint
  TImageObj* Image = nullptr; // the picture under the point
  int ImageX = 0, ImageY = 0; // the point relative to the picture
  TFormControlObj* Control = nullptr;  // the form control under the point
};
// GetURL's answer: a link, a form control, a hint.
constexpr unsigned guUrl = 1;
constexpr unsigned guControl = 2;
constexpr unsigned guTitle = 4;

class TSectionBase {
public:
  explicit TSectionBase(TSectionList& document) : ParentSectionList(document) {}
  virtual ~TSectionBase() = default;
  TSectionBase(const TSectionBase&) = delete;
  TSectionBase& operator=(const TSectionBase&) = delete;

  TSectionList& ParentSectionList;
  int YDraw = 0;
  int ContentTop = 0;
  int ContentBot = 0;
  int DrawTop = 0;
  int DrawBot = 0;
  int SectionHeight = 0;
  int DrawHeight = 0;
  int StartCurs = 0;  // document position of the first character
  int Len = 0;        // characters

  // The top of the item for scrolling to it.
  virtual int GetYPosition() const { return YDraw; }
  // (Printing copies of the document are not made.)
  virtual void CreateCopy() {}
  // The point of a document position inside the item; false when it is not.
  virtual bool CursorToXY(TSurface& surface, int cursor, int& x, int& y) {
    (void)surface, (void)cursor, (void)x, (void)y;
    return false;
  }
  // Paints what meets the clip; returns the bottom painted.
  virtual int Draw1(TSurface& surface, const TRect& clip, IndentManager& imgr, int x, int xRef,
                    int yRef) {
    (void)surface, (void)clip, (void)imgr, (void)x, (void)xRef, (void)yRef;
    return 0;
  }
  // Lays the item out at (x, y); returns its height. maxWidth grows to the
  // widest extent seen; curs is the document position counter; firstLine
  // is the list item's baseline request the item's first line answers.
  virtual int DrawLogic(TSurface& surface, int x, int y, int xRef, int yRef, int availableWidth,
                        int availableHeight, int blockHeight, IndentManager& imgr, int& maxWidth,
                        int& curs, TFirstLine& firstLine) {
    (void)surface, (void)x, (void)xRef, (void)yRef, (void)availableWidth;
    (void)availableHeight, (void)blockHeight, (void)imgr, (void)maxWidth, (void)firstLine;
    StartCurs = curs;
    YDraw = DrawTop = ContentTop = ContentBot = DrawBot = y;
    SectionHeight = DrawHeight = 0;
    return 0;
  }
  // The document position under (x, y), -1 when none.
  virtual int FindCursor(TSurface& surface, int x, int y, int& xr, int& yr, bool& inText) {
    (void)surface, (void)x, (void)y, (void)xr, (void)yr, (void)inText;
    return -1;
  }
  // Source index to document position and back; -1 when not inside.
  virtual int FindDocPos(int sourcePos, bool prev) const {
    (void)sourcePos, (void)prev;
    return -1;
  }
  virtual int FindSourcePos(int docPos) const {
    (void)docPos;
    return -1;
  }
  // Text search from a document position; -1 when not found.
  virtual int FindString(int from, const std::u16string& text, bool matchCase) const {
    (void)from, (void)text, (void)matchCase;
    return -1;
  }
  virtual int FindStringR(int from, const std::u16string& text, bool matchCase) const {
    (void)from, (void)text, (void)matchCase;
    return -1;
  }
  // The character at a document position; false when not inside.
  virtual bool GetChAtPos(int pos, char16_t& ch) const {
    (void)pos, (void)ch;
    return false;
  }
  // The link and hint under the document point (x, y): guUrl and guTitle
  // flags, 0 when none.
  virtual unsigned GetURL(TSurface& surface, int x, int y, TLinkHit& hit) {
    (void)surface, (void)x, (void)y, (void)hit;
    return 0;
  }
  virtual bool PtInObject(int x, int y) const {
    (void)x, (void)y;
    return false;
  }
  // Moves everything layout placed by dy pixels down: a table lays a cell's
  // content out once and then moves it to its row.
  virtual void MoveY(int dy) {
    for (int* v : {&YDraw, &ContentTop, &ContentBot, &DrawTop, &DrawBot}) *v = ShiftY(*v, dy);
  }
  static int ShiftY(int v, int dy) {
    long long r = static_cast<long long>(v) + dy;
    return r > 2147483647LL ? 2147483647 : r < -2147483647LL - 1 ? -2147483647 - 1 : static_cast<int>(r);
  }
  // Adds the item's text sections to the document's position list.
  virtual void AddSectionsToList() {}
  // Appends the selected text to the document's copy buffer.
  virtual void CopyToClipboard() {}
  virtual void MinMaxWidth(TSurface& surface, int& min, int& max) {
    (void)surface;
    min = max = 0;
  }
};

}  // namespace tav
