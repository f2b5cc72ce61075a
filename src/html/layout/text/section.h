#pragma once
// A run of inline content inside one block: characters with their break
// codes and source indices, font runs, and the placeholders of images,
// form controls and line breaks. It breaks itself into lines for a width,
// reports its minimum and maximum widths and paints its lines.
//
// TSection is implemented over five files in this folder: section_text.cpp
// (building the text), section_layout.cpp (breaking it into lines),
// section_paint.cpp (painting), section_borders.cpp (inline borders) and
// section_find.cpp (points, positions and the link under a point).
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "html/base/prefix_sums.h"
#include "html/css/properties.h"
#include "html/layout/font_obj.h"
#include "html/layout/section_base.h"
#include "html/layout/text/section_objects.h"
#include "html/parse/attributes.h"
#include "html/parse/symbols.h"
#include "html/parse/token_obj.h"

namespace tav {

class TPropStack;
struct TUrlTarget;

// Placeholders in a section's characters.
constexpr char16_t ImageChar = u'\x0004';    // an image or panel
constexpr char16_t FmCtlChar = u'\x0002';    // a form control
constexpr char16_t BrkCh = u'\x0008';        // a line break

enum class JustifyType { NoJustify, Left, Centered, Right, FullJustify };

// An inline box crossing a line.
struct BorderRec {
  TMarginArray MargArray{};
  int BStart = 0;  // section positions on this line
  int BEnd = 0;     // one past the last character
  bool OpenStart = false;  // began on an earlier line
  bool OpenEnd = false;    // goes on past this line
  // Measured on the line's first paint: X relative to the section's layout
  // X, Y in document pixels.
  TRect Box{};
};

struct LineRec {
  int Start = 0;  // first character, as an index into Buff
  int Ln = 0;
  int Y = 0;      // top of the line in the document
  int LineHt = 0;
  int Descent = 0;
  int SpaceBefore = 0;
  int SpaceAfter = 0;
  int LineImgHt = 0;
  int DrawXX = 0;
  int DrawWidth = 0;
  int Extra = 0;
  int Spaces = 0;
  bool Shy = false;  // ends at a soft hyphen: a '-' is drawn
  bool FirstDraw = true;
  int FirstX = 0;
  std::vector<BorderRec> BorderList;
};

// A source index run: from section position Pos on, characters come from
// source positions Index, Index + 1, ...
struct IndexObj {
  int Pos = 0;
  int Index = 0;
};

class TCellBasic;

class TSection : public TSectionBase {
public:
  // The first font run comes from `props` (a link run when `link` has a
  // URL); line height, text indent, clear, id, justification and
  // break-word too. firstLineIndent: the text indent applies to this
  // section's first line.
  TSection(TSectionList& document, const TAttributeList* attrs, TProperties& props,
           const TUrlTarget* link, TCellBasic* cell, bool firstLineIndent);
  ~TSection() override;

  // Takes the first-line indent from `props`, its em and ex measured in
  // that set's own font.
  void SetTextIndent(const TProperties& props);

  // Appends text: nothing under display "none"; text-transform and
  // small-caps (written with "small" properties pushed on `stack`) applied;
  // break code 'n' when noBreak or preformatted, else 'y'.
  virtual void AddTokenObj(const TokenObj& token, TPropStack& stack, bool noBreak);
  // Appends one character (placeholders, BR) with its source index.
  virtual void AddChar(char16_t ch, int index);
  // An image at the current position, with its placeholder character.
  TImageObj& AddImage(const TAttributeList& attributes, int index);
  // A panel at the current position, with its placeholder character.
  TPanelObj& AddPanel(const TAttributeList& attributes, int index);
  // Places a panel made elsewhere at the end of the section.
  TPanelObj& AddPanel(std::unique_ptr<TPanelObj> panel, int index);
  // Finishes the text (space removals, final space) and the section.
  virtual void ProcessText(int index);

  // A new font run at the current length (or the current run's font
  // replaced when it has no characters yet).
  void ChangeFont(TProperties& props);
  // Starts (ASy) or ends (AEndSy) a link run; link runs are added to the
  // document's link list.
  void HRef(Symb sy, TProperties& props, const TUrlTarget* link);
  // An explicit break opportunity after the last character (WBR).
  void AddOpBrk();
  // Turns the source indices into IndexObj runs, appends the final 'y'
  // break code, numbers the section.
  void Finish();
  bool Empty() const { return Buff.empty(); }
  // A run's font changed (link states): widths are measured again.
  void FontsChanged() { FWidthsValid = false; StoredCycle = -1; }

  int Draw1(TSurface& surface, const TRect& clip, IndentManager& imgr, int x, int xRef,
            int yRef) override;
  int DrawLogic(TSurface& surface, int x, int y, int xRef, int yRef, int availableWidth,
                int availableHeight, int blockHeight, IndentManager& imgr, int& maxWidth,
                int& curs, TFirstLine& firstLine) override;
  void MinMaxWidth(TSurface& surface, int& min, int& max) override;
  // Points are document pixels, as layout places the lines.
  bool CursorToXY(TSurface& surface, int cursor, int& x, int& y) override;
  int FindCursor(TSurface& surface, int x, int y, int& xr, int& yr, bool& inText) override;
  unsigned GetURL(TSurface& surface, int x, int y, TLinkHit& hit) override;
  int FindDocPos(int sourcePos, bool prev) const override;
  int FindSourcePos(int docPos) const override;
  bool GetChAtPos(int pos, char16_t& ch) const override;
  void AddSectionsToList() override;
  void CopyToClipboard() override;
  void MoveY(int dy) override;

  std::u16string Buff;
  std::string Brk;  // 'y', 'n', 's', 'a' per character (plus the final 'y')
  std::vector<int> XP;  // source indices while filling
  std::vector<IndexObj> SIndexList;
  TFontList Fonts;
  TImageObjList Images;
  TFormControlList FormControls;
  std::vector<LineRec> Lines;
  JustifyType Justify = JustifyType::Left;
  ClearAttrType ClearAttr = ClearAttrType::clrNone;
  int LineHeight = -1;  // pixels; -1 normal
  int FirstLineIndent = 0;
  bool FLPercent = false;  // FirstLineIndent is a percentage (at most 90)
  bool BreakWord = false;
  bool Preformatted = false;
  // Preformatted text whose lines still wrap at spaces (white-space:
  // pre-wrap).
  bool WrapsLines = false;
  static constexpr std::size_t TabWidth = 8;
  bool DisplayNone = false;
  int StoredMin = -1;
  int StoredMax = -1;
  int StoredCycle = -1;
  int SectionNumber = 0;
  TCellBasic* OwnerCell;

protected:
  void SetLineMetrics(LineRec& line) const;
  // Lays the lines out; noWrap: lines end only at BR characters. The first
  // line answers firstLine's request.
  int LayoutLines(TSurface& surface, int x, int y, int availableWidth, int availableHeight,
                  IndentManager& imgr, int& maxWidth, int& curs, TFirstLine& firstLine,
                  bool noWrap);
  // The steps of LayoutLines (section_layout.cpp), sharing one TLinePass.
  struct TLinePass;
  struct TLineBreak;
  // Places a floating image at document Y `at` through the indent manager.
  void PlaceFloat(TLinePass& pass, TFloatingObj& f, int at);
  // An empty line `height` pixels high (clearance, or room below floats).
  void AddGapLine(TLinePass& pass, int height);
  // Before the first line: down past the floats on the cleared side.
  void AddClearance(TLinePass& pass);
  // Breaks all the text into lines, from the pass's Y down.
  void BreakIntoLines(TLinePass& pass, int availableWidth);
  // How many characters from pos (up to limit) fit in width, with the
  // spaces at the cut.
  int FitCount(int pos, int limit, long long width) const;
  // The last character in [pos, pos + n) a line may end after, -1 if none.
  int LastBreakIn(int pos, int n, long long width) const;
  // Where the line from pos ends, given that n characters fit; false when
  // no break fits and the line moved down past floats instead.
  bool ChooseBreak(TLinePass& pass, int pos, int n, int limit, long long width, TLineBreak& brk);
  // Places the floats the line up to `end` meets; true when one was placed
  // beside it (the line is then fitted again).
  bool PlaceFloatsMet(TLinePass& pass, int end);
  // The line's horizontal place and justification between left and right.
  void AlignLine(TLinePass& pass, LineRec& line, const TLineBreak& brk, int left, int right);
  // Adds the line from pos, moves the pass below it and places the floats
  // that waited for it.
  void AddLine(TLinePass& pass, int pos, const TLineBreak& brk, int left, int right);
  // Every 50th section reports layout progress to the viewer.
  void ReportLayoutProgress();
  // Sizes every image for a layout pass (or for measuring, with no room
  // given); the widths are measured again when a size changed.
  void SizeImages(TSurface& surface, int availableWidth, int availableHeight);
  // Queues the section's images that meet [top, bot] (document Y) for
  // painting after the document; x is the window X of the layout X.
  void QueueFloats(int x, long long top, long long bot);
  // Prefix sums of the advances (letter spacing included, placeholders 0):
  // FPrefix[i] is the width of characters [0, i).
  void EnsureWidths();
  long long Width(int from, int to) const { return FPrefix[to] - FPrefix[from]; }
  int Advance(int i) const;
  int HyphenWidth(int pos) const;
  // Whether a line may end after character j.
  bool CanBreakAfter(int j) const;
  // The end of the line's visible text: trailing spaces and BR left out.
  int VisibleEnd(int start, int end) const;
  // A new run at the current length (or the empty last run reused).
  void StartRun(TProperties& props, const TUrlTarget* link);

  // The X of character i on its line relative to the layout X (the line's
  // start, the widths before it and the justification of its spaces).
  long long XInLine(const LineRec& line, int i) const;
  // The line holding document Y, or null.
  const LineRec* LineAtY(int y) const;

  int FLayoutX = 0;  // the X the lines were laid out at
  TPrefixSums FPrefix;
  std::vector<int> FBreaks;  // positions of the BR characters
  bool FWidthsValid = false;
  std::vector<int> FObjWidths;  // the image widths the prefix sums hold

private:
  void AppendText(const std::u16string& text, const std::vector<int>& indices, std::size_t from,
                  std::size_t to, bool noBreak);
  // The source index of character i (-1 before the first).
  int SourceAt(int i) const;
  // Attaches the inline boxes that cross the line and measures them.
  void AttachBorders(LineRec& line);
  // Fills the backgrounds of the line's inline boxes.
  void DrawBorders(TSurface& surface, const LineRec& line, int x, long long yOff);
  void DrawRun(TSurface& surface, const TFontObj& run, bool selected, TColor pageBg, long long x,
               long long baseline, std::u16string_view text, const int* dx);
  // The steps of Draw1 (section_paint.cpp), sharing one TLinePaint.
  struct TLinePaint;
  // Paints one line that has characters: its inline boxes, its text under
  // the clip, its pictures and controls, and a soft hyphen's '-'.
  void DrawLine(TLinePaint& paint, const LineRec& line);
  // The characters [a, b) of the line that may show under the clip (vis:
  // the end of the line's visible text).
  std::pair<int, int> ClipSlice(const TLinePaint& paint, int vis) const;
  // The window X of character i on the line, with the justification of the
  // first `spaces` spaces.
  long long XOnLine(const TLinePaint& paint, int i, int spaces) const;
  // Queues the inline picture, or paints the control, at placeholder i.
  void DrawPlaceholder(TLinePaint& paint, int i);
  // Draws the text from i up to b that shares one font and one selection
  // state; returns where it stopped.
  int DrawTextRun(TLinePaint& paint, int i, int b);
};

// One line of preformatted text: never wraps unless break-word is set.
class TPreFormated : public TSection {
public:
  TPreFormated(TSectionList& document, const TAttributeList* attrs, TProperties& props,
               const TUrlTarget* link, TCellBasic* cell, bool firstLineIndent);
  void ProcessText(int index) override;
  int DrawLogic(TSurface& surface, int x, int y, int xRef, int yRef, int availableWidth,
                int availableHeight, int blockHeight, IndentManager& imgr, int& maxWidth,
                int& curs, TFirstLine& firstLine) override;
  void MinMaxWidth(TSurface& surface, int& min, int& max) override;
};

}  // namespace tav
