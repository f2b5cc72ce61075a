#pragma once
// The read-only text view: the lines of its buffer on a fixed-pitch cell
// grid right of a gutter with line numbers, wrapped at the window's width,
// scrolled vertically, with a caret position and a selection that painting
// shows.
//
// It is a TControl and reaches the window system only through it: repaint
// (Invalidate, InvalidateRect, Update, ScrollWindow), the scroll bars
// (SetScrollInfo, ShowScrollBar) and the device that makes fonts (Device).
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/colors.h"
#include "platform/control.h"
#include "platform/geometry.h"
#include "platform/keys.h"
#include "platform/scroll_bar.h"
#include "platform/surface.h"
#include "platform/system_values.h"
#include "textview/highlighter.h"
#include "textview/text_drawer.h"
#include "textview/text_view_coords.h"
#include "textview/text_view_gutter.h"
#include "textview/text_view_line_layout.h"
#include "textview/text_view_string_list.h"
#include "textview/word_wrap_plugin.h"

namespace tav {

enum class TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };
enum class TSelectionMode { smNormal, smLine, smColumn };
enum class TCaretType { ctVerticalLine, ctHorizontalLine, ctHalfBlock, ctBlock };
enum class TFontSmoothing { fsmNone, fsmAntiAlias, fsmClearType };

using TTextViewOptions = std::uint32_t;
enum TTextViewOption : TTextViewOptions {
  eoAutoIndent = 1u << 0,
  eoDragDropEditing = 1u << 1,
  eoEnhanceEndKey = 1u << 2,
  eoGroupUndo = 1u << 3,
  eoScrollPastEol = 1u << 4,
  eoShowScrollHint = 1u << 5,
  eoSmartTabDelete = 1u << 6,
  eoSmartTabs = 1u << 7,
  eoTabsToSpaces = 1u << 8,
  eoScrollPastEof = 1u << 9,
  eoScrollByOneLess = 1u << 10,
  eoHalfPageScroll = 1u << 11,
  eoHideShowScrollbars = 1u << 12,
  eoDisableScrollArrows = 1u << 13,
  eoScrollHintFollows = 1u << 14,
  eoShowSpecialChars = 1u << 15,
  eoSpecialLineDefaultFg = 1u << 16,
};

using TTextViewStatusChanges = std::uint32_t;
enum TTextViewStatusChange : TTextViewStatusChanges {
  scAll = 1u << 0,
  scCaretX = 1u << 1,
  scCaretY = 1u << 2,
  scLeftChar = 1u << 3,
  scTopLine = 1u << 4,
  scInsertMode = 1u << 5,
  scModified = 1u << 6,
  scSelection = 1u << 7,
  scReadOnly = 1u << 8,
};

// A font with its colour.
struct TTextViewFont {
  TFontDesc Desc;
  TColor Color = clWindowText;
};

struct TSelectedColor {
  TColor Background = clHighlight;
  TColor Foreground = clHighlightText;
};

class TCustomTextView : public TControl, private TWordWrapOwner {
 public:
  using TStatusChangeEvent = std::function<void(TCustomTextView&, TTextViewStatusChanges)>;
  using TScrollEvent = std::function<void(TCustomTextView&, TScrollBarKind)>;
  using TGutterGetTextEvent = std::function<void(TCustomTextView&, int line, std::u16string&)>;
  using TSpecialLineColorsEvent =
      std::function<void(TCustomTextView&, int line, bool& special, TColor& fg, TColor& bg)>;
  using TPaintEvent = std::function<void(TCustomTextView&, TSurface&)>;

  TCustomTextView();
  ~TCustomTextView() override;

  // ---- buffer
  TTextViewStringList& Lines() { return *fLines; }
  // The text of the cells, wide glyphs preceded by filler units; what the
  // buffer measures lines with.
  std::u16string ExpandAtWideGlyphs(std::u16string_view s);

  // ---- fonts and metrics
  const TTextViewFont& Font() const { return fFont; }
  void SetFont(const TTextViewFont& font);
  TFontSmoothing FontSmoothing() const { return fFontSmoothing; }
  void SetFontSmoothing(TFontSmoothing value);
  int CharWidth() const { return fCharWidth; }
  int LineHeight() const { return fTextHeight; }
  int ExtraLineSpacing() const { return fExtraLineSpacing; }
  void SetExtraLineSpacing(int value);
  int CharsInWindow() const { return fCharsInWindow; }
  int LinesInWindow() const { return fLinesInWindow; }
  TheTextDrawer& TextDrawer() { return *fTextDrawer; }

  // ---- gutter
  TTextViewGutter& Gutter() { return *fGutter; }
  int GutterWidth() const { return fGutterWidth; }
  int TextOffset() const { return fTextOffset; }
  // Lays the view out again after any gutter change.
  void GutterSettingsChanged();
  std::u16string FormatLineNumber(int line) const { return fGutter->FormatLineNumber(line); }

  // ---- settings
  TCustomHighlighter* Highlighter() const { return fHighlighter; }
  void SetHighlighter(TCustomHighlighter* value);
  bool WordWrap() const { return fWordWrapPlugin != nullptr; }
  void SetWordWrap(bool value);
  TWordWrapPlugin* WordWrapPlugin() const { return fWordWrapPlugin.get(); }
  int TabWidth() const { return fTabWidth; }
  void SetTabWidth(int value);
  int RightEdge() const { return fRightEdge; }
  void SetRightEdge(int value);
  TColor RightEdgeColor() const { return fRightEdgeColor; }
  void SetRightEdgeColor(TColor value);
  int MaxScrollWidth() const { return fMaxScrollWidth; }
  void SetMaxScrollWidth(int value);
  TScrollStyle ScrollBars() const { return fScrollBars; }
  void SetScrollBars(TScrollStyle value);
  TTextViewOptions Options() const { return fOptions; }
  void SetOptions(TTextViewOptions value);
  bool ReadOnly() const { return fReadOnly; }
  void SetReadOnly(bool value) { fReadOnly = value; }
  bool InsertMode() const { return fInserting; }
  void SetInsertMode(bool value) { fInserting = value; }
  TCaretType InsertCaret() const { return fInsertCaret; }
  TCaretType OverwriteCaret() const { return fOverwriteCaret; }
  bool WantReturns() const { return fWantReturns; }
  void SetWantReturns(bool value) { fWantReturns = value; }
  bool WantTabs() const { return fWantTabs; }
  void SetWantTabs(bool value) { fWantTabs = value; }
  TSelectedColor SelectedColor() const { return fSelectedColor; }
  void SetSelectedColor(TSelectedColor value);
  TColor ActiveLineColor() const { return fActiveLineColor; }
  void SetActiveLineColor(TColor value);
  TColor ScrollHintColor() const { return fScrollHintColor; }
  void SetScrollHintColor(TColor value) { fScrollHintColor = value; }
  bool HideSelection() const { return fHideSelection; }
  void SetHideSelection(bool value);
  bool WordWrapGlyphVisible() const { return fWordWrapGlyphVisible; }
  void SetWordWrapGlyphVisible(bool value);

  // ---- caret and selection (their input comes with the keyboard and mouse)
  TBufferCoord CaretXY() const { return fCaretXY; }
  void SetCaretXY(TBufferCoord value);
  TBufferCoord BlockBegin() const { return fBlockBegin; }
  TBufferCoord BlockEnd() const { return fBlockEnd; }
  void SetBlockBegin(TBufferCoord value);
  void SetBlockEnd(TBufferCoord value);
  TSelectionMode SelectionMode() const { return fSelectionMode; }
  void SetSelectionMode(TSelectionMode value);
  bool SelAvail() const { return !(fBlockBegin == fBlockEnd); }

  // ---- coordinates
  TDisplayCoord BufferToDisplayPos(const TBufferCoord& p);
  TBufferCoord DisplayToBufferPos(const TDisplayCoord& p);
  int DisplayLineCount() const;
  int LineToRow(int aLine);
  int RowToLine(int aRow);
  TDisplayCoord PixelsToRowColumn(int x, int y) const;
  TDisplayCoord PixelsToNearestRowColumn(int x, int y) const;
  TPoint RowColumnToPixels(const TDisplayCoord& p) const;
  bool IsWordBreakChar(char16_t c) const;
  void SetAdditionalIdentChars(const std::bitset<256>& value) { fAdditionalIdentChars = value; }
  void SetAdditionalWordBreakChars(const std::bitset<256>& value) {
    fAdditionalWordBreakChars = value;
  }

  // ---- scrolling
  int TopLine() const { return fTopLine; }
  void SetTopLine(int value);
  int LeftChar() const { return fLeftChar; }
  void SetLeftChar(int value);
  void EnsureCursorPosVisible() { EnsureCursorPosVisibleEx(false, false); }
  void EnsureCursorPosVisibleEx(bool forceToMiddle, bool evenIfVisible);
  // The hint shown while the thumb is dragged; empty when hidden.
  const std::u16string& ScrollHintText() const { return fScrollHintText; }
  TRect ScrollHintRect();

  // ---- invalidation (buffer lines, 1-based; -1, -1: everything)
  void InvalidateLines(int firstLine, int lastLine);
  void InvalidateGutterLines(int firstLine, int lastLine);
  void InvalidateLine(int line) { InvalidateLines(line, line); InvalidateGutterLines(line, line); }
  void InvalidateGutter() { InvalidateGutterLines(-1, -1); }

  // ---- paint lock: defers scroll bar refreshes and status reports
  void BeginPaintLock() { ++fPaintLock; }
  void EndPaintLock();

  // ---- events
  void SetOnStatusChange(TStatusChangeEvent handler) { fOnStatusChange = std::move(handler); }
  void SetOnScroll(TScrollEvent handler) { fOnScroll = std::move(handler); }
  void SetOnGutterGetText(TGutterGetTextEvent handler) { fOnGutterGetText = std::move(handler); }
  void SetOnSpecialLineColors(TSpecialLineColorsEvent handler) {
    fOnSpecialLineColors = std::move(handler);
  }
  void SetOnPaint(TPaintEvent handler) { fOnPaint = std::move(handler); }

  // ---- TControl handlers
  void Paint(TSurface& canvas, const TRect& clip) override;
  void Resize() override;
  bool MouseWheel(TShiftState shift, int wheelDelta, TPoint pos) override;
  void ScrollBarEvent(TScrollBarKind bar, TScrollCode code, int pos) override;

  // The paint entry points for one clip (rows and columns 1-based).
  void PaintGutterArea(TSurface& canvas, const TRect& clip, int firstRow, int lastRow);
  void PaintTextArea(TSurface& canvas, const TRect& clip, int firstRow, int lastRow,
                     int firstCol, int lastCol);

  // The cells, tokens and character-to-cell index of a line (0-based),
  // kept until the line, the fonts or the tab width change.
  const TLineLayout& LineLayout(int index) { return MutableLineLayout(index); }

 private:
  TLineLayout& MutableLineLayout(int index);
  struct TRowPainter;
  // TWordWrapOwner
  int WrapLineCount() override { return fLines->Count(); }
  int WrapCharsInWindow() override { return fCharsInWindow; }
  std::u16string_view WrapLineCells(int index, std::u16string& scratch) override;
  bool WrapIsWordBreakChar(char16_t c) override { return IsWordBreakChar(c); }

  // Buffer events.
  void LinesChanging();
  void LinesChanged();
  void ListCleared();
  void ListInserted(int index, int count);
  void ListDeleted(int index, int count);
  void ListPutted(int index, int count);
  int RescanRangesFrom(int index);
  void HighlighterChanged();
  // Re-sizes the gutter for the buffer's line count; true when that
  // re-wrapped every line.
  bool GutterFollowsLineCount();

  void FontChanged();
  void MeasureCharCell();
  void SizeOrFontChanged(bool fontChanged);
  void UpdateScrollBars();
  void StatusChanged(TTextViewStatusChanges changes);
  void ForgetLineLayouts();
  void MakeLayoutTokens(TLineLayout& layout);
  void ShowScrollHint(int topRow);
  void HideScrollHint();
  TColor EditorBackground(bool currentLine) const;
  void PaintScrollHint(TSurface& canvas);
  void PaintWrapGlyph(TSurface& canvas, int top);

  std::unique_ptr<TTextViewStringList> fLines;
  TTextViewFont fFont;
  TFontSmoothing fFontSmoothing = TFontSmoothing::fsmNone;
  std::unique_ptr<TheTextDrawer> fTextDrawer;
  std::unique_ptr<TTextViewGutter> fGutter;
  std::unique_ptr<TWordWrapPlugin> fWordWrapPlugin;
  TCustomHighlighter* fHighlighter = nullptr;
  int fCharWidth = 0;
  int fTextHeight = 0;
  int fExtraLineSpacing = 0;
  int fCharsInWindow = 0;
  int fLinesInWindow = 0;
  int fTopLine = 1;
  int fLeftChar = 1;
  int fGutterWidth = 0;
  int fTextOffset = 0;
  int fTabWidth = 8;
  int fRightEdge = 80;
  TColor fRightEdgeColor = clSilver;
  int fMaxScrollWidth = 1024;
  TScrollStyle fScrollBars = TScrollStyle::ssBoth;
  bool fWordWrapGlyphVisible = true;
  TSelectedColor fSelectedColor;
  TColor fActiveLineColor = clNone;
  TTextViewOptions fOptions = eoAutoIndent | eoDragDropEditing | eoEnhanceEndKey | eoGroupUndo |
                              eoScrollPastEol | eoShowScrollHint | eoSmartTabDelete | eoSmartTabs |
                              eoTabsToSpaces;
  bool fReadOnly = false;
  bool fInserting = true;
  TCaretType fInsertCaret = TCaretType::ctVerticalLine;
  TCaretType fOverwriteCaret = TCaretType::ctBlock;
  bool fWantReturns = true;
  bool fWantTabs = false;
  bool fHideSelection = false;
  int fPaintLock = 0;
  bool fLinesChanging = false;
  bool fScrollbarChanged = false;
  TRect fInvalidateRect;
  TTextViewStatusChanges fStatusChanges = 0;
  TColor fScrollHintColor = clInfoBk;
  std::u16string fScrollHintText;
  int fWheelAccumulator = 0;
  TBufferCoord fCaretXY;
  TBufferCoord fBlockBegin;
  TBufferCoord fBlockEnd;
  TSelectionMode fSelectionMode = TSelectionMode::smNormal;
  std::bitset<256> fAdditionalIdentChars;
  std::bitset<256> fAdditionalWordBreakChars;
  // The layouts of the last few lines asked for.
  std::vector<TLineLayout> fLayouts;
  std::size_t fNextLayout = 0;
  TStatusChangeEvent fOnStatusChange;
  TScrollEvent fOnScroll;
  TGutterGetTextEvent fOnGutterGetText;
  TSpecialLineColorsEvent fOnSpecialLineColors;
  TPaintEvent fOnPaint;
};

// The view as the window places it.
class TTextView : public TCustomTextView {};

}  // namespace tav
