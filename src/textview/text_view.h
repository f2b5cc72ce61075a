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
#include "textview/text_view_commands.h"
#include "textview/text_view_coords.h"
#include "textview/text_view_gutter.h"
#include "textview/text_view_line_layout.h"
#include "textview/text_view_string_list.h"
#include "textview/word_wrap_plugin.h"

namespace tav {

// The name of the clipboard format that carries a copied block with its
// selection mode.
extern const char16_t* const kTextViewBlockFormatName;

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
  eoEnhanceHomeKey = 1u << 17,
  eoKeepCaretX = 1u << 18,
  eoTrimTrailingSpaces = 1u << 19,
  eoNoSelection = 1u << 20,
  eoRightMouseMovesCursor = 1u << 21,
  eoAutoSizeMaxScrollWidth = 1u << 22,
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
  void SetInsertMode(bool value);
  TCaretType InsertCaret() const { return fInsertCaret; }
  void SetInsertCaret(TCaretType value);
  TCaretType OverwriteCaret() const { return fOverwriteCaret; }
  void SetOverwriteCaret(TCaretType value);
  bool AlwaysShowCaret() const { return fAlwaysShowCaret; }
  void SetAlwaysShowCaret(bool value);
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

  // ---- caret and selection
  TBufferCoord CaretXY() const { return fCaretXY; }
  // Places the caret and collapses the selection there.
  void SetCaretXY(TBufferCoord value);
  int CaretX() const { return fCaretXY.Char; }
  int CaretY() const { return fCaretXY.Line; }
  // With word wrap: the caret sits on a row boundary and shows at the end of
  // the upper row.
  bool CaretAtEOL() const { return fCaretAtEOL; }
  // The display column that vertical moves aim for.
  int LastCaretX() const { return fLastCaretX; }
  // The caret's cell, the end-of-row state included.
  TDisplayCoord CaretDisplayPos();
  // The selection's ends, earlier first.
  TBufferCoord BlockBegin() const;
  TBufferCoord BlockEnd() const;
  // Collapses the selection at value (clamped).
  void SetBlockBegin(TBufferCoord value);
  // Moves the selection's other end (clamped).
  void SetBlockEnd(TBufferCoord value);
  TSelectionMode SelectionMode() const { return fSelectionMode; }
  void SetSelectionMode(TSelectionMode value);
  TSelectionMode ActiveSelectionMode() const { return fActiveSelectionMode; }
  void SetActiveSelectionMode(TSelectionMode value);
  bool SelAvail() const;
  void SetCaretAndSelection(TBufferCoord caret, TBufferCoord before, TBufferCoord after);
  bool IsPointInSelection(TBufferCoord value) const;
  std::u16string SelText() { return GetSelText(); }
  std::u16string GetSelText();
  void SelectAll();
  void SetSelWord() { SetWordBlock(fCaretXY); }
  void SetWordBlock(TBufferCoord value);
  // The longest text a selection may give (characters); a longer one is
  // not built, so copying it does nothing.
  std::int64_t MaxSelTextLength() const { return fMaxSelTextLength; }
  void SetMaxSelTextLength(std::int64_t value) { fMaxSelTextLength = value; }

  // ---- words
  bool IsIdentChar(char16_t c) const;
  TBufferCoord NextWordPosEx(TBufferCoord xy);
  TBufferCoord PrevWordPosEx(TBufferCoord xy);
  TBufferCoord WordStartEx(TBufferCoord xy);
  TBufferCoord WordEndEx(TBufferCoord xy);
  std::u16string WordAtCursor();

  // ---- commands
  using TProcessCommandEvent =
      std::function<void(TCustomTextView&, TTextViewCommand&, char16_t&, void*)>;
  using THookedCommandEvent =
      std::function<void(TCustomTextView&, bool afterProcessing, bool& handled,
                         TTextViewCommand&, char16_t&, void* data, void* handlerData)>;
  using TContextHelpEvent = std::function<void(TCustomTextView&, const std::u16string& word)>;
  using TGutterClickEvent =
      std::function<void(TCustomTextView&, TMouseButton, int x, int y, int line)>;
  TTextViewKeyStrokes& Keystrokes() { return *fKeyStrokes; }
  void CommandProcessor(TTextViewCommand command, char16_t aChar, void* data);
  void ExecuteCommand(TTextViewCommand command, char16_t aChar, void* data);
  // Handlers run before (afterProcessing false) and after the view's own
  // handling; each may clear the command. Returns an id for removal.
  int RegisterCommandHandler(THookedCommandEvent handler, void* handlerData);
  void UnregisterCommandHandler(int id);
  void SetOnProcessCommand(TProcessCommandEvent handler) { fOnProcessCommand = std::move(handler); }
  void SetOnProcessUserCommand(TProcessCommandEvent handler) {
    fOnProcessUserCommand = std::move(handler);
  }
  void SetOnCommandProcessed(TProcessCommandEvent handler) {
    fOnCommandProcessed = std::move(handler);
  }
  void SetOnContextHelp(TContextHelpEvent handler) { fOnContextHelp = std::move(handler); }
  void SetOnGutterClick(TGutterClickEvent handler) { fOnGutterClick = std::move(handler); }
  // Marker keys act only when enabled (off by default).
  bool BookmarkKeysEnabled() const { return fBookmarkKeys; }
  void SetBookmarkKeysEnabled(bool value) { fBookmarkKeys = value; }

  // ---- clipboard and the standard edit requests
  void CopyToClipboard();
  // Puts text on the clipboard with the private block format beside it;
  // when either cannot be built the clipboard keeps what it had.
  void DoCopyToClipboard(const std::u16string& text);
  int CopyRequest();  // copies, answers 1
  void CutRequest() {}
  void PasteRequest() {}
  void ClearRequest() {}
  void UndoRequest() {}
  // The lines joined with CR LF, at most maxChars of them.
  std::u16string GetTextBuf(std::size_t maxChars);
  // Replaces the whole text, read-only or not.
  void SetTextBuf(std::u16string text) { fLines->SetText(std::move(text)); }

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
  void KeyDown(int& key, TShiftState shift) override;
  void KeyPress(char16_t& ch) override;
  unsigned WantedKeys() const override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void DblClick(TMouseButton button, TShiftState shift, int x, int y) override;
  void CaptureLost() override;
  void TimerTick(int id) override;
  void FocusGained() override;
  void FocusLost() override;
  // The auto-scroll timer's id and period.
  static constexpr int kScrollTimer = 1;
  static constexpr unsigned kScrollTimerMs = 100;

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

  // Input (text_view_input.cpp, text_view_selection.cpp).
  enum TStateFlag : unsigned {
    sfWaitForDragging = 1u << 0,
    sfDblClicked = 1u << 1,
    sfPossibleGutterClick = 1u << 2,
    sfGutterDragging = 1u << 3,
    sfIgnoreNextChar = 1u << 4,
  };
  void InternalSetCaretXY(TBufferCoord value);
  // The selected text; false (and nothing built) when it would be longer
  // than MaxSelTextLength.
  bool BuildSelText(std::u16string& out);
  void CopyTextToClipboard(std::u16string text);
  void MoveCaretAndSelect(TBufferCoord before, TBufferCoord after, bool selecting);
  void MoveCaretColumns(int delta, bool selecting);
  void MoveCaretRows(int delta, bool selecting);
  void MoveDisplayPosAndSelect(TDisplayCoord target, bool selecting);
  void MoveCaretVert(int rows, bool selecting);
  void HomeKey(bool selecting);
  void EndKey(bool selecting);
  void ScrollCommand(int delta);
  void FindMatchingBracket();
  void InvalidateSelectionLines(TBufferCoord a, TBufferCoord b);
  // Invalidates the band from x = left to x = right over the rows that buffer
  // lines firstLine..lastLine occupy in the window (the whole height for -1,
  // -1); while the buffer is changing, the band joins the pending rectangle.
  void InvalidateLineBand(int firstLine, int lastLine, int left, int right);
  TBufferCoord ClampBlockPos(TBufferCoord value) const;
  int RowLength(int row);
  void ComputeScroll(int x, int y);
  void MouseToCaret(int x, int y, bool selecting);
  void UpdateCaret();
  void InitializeCaret();
  TCaretType CurrentCaretType() const { return fInserting ? fInsertCaret : fOverwriteCaret; }

  std::unique_ptr<TTextViewKeyStrokes> fKeyStrokes = std::make_unique<TTextViewKeyStrokes>();
  int fLastKey = 0;
  TShiftState fLastShiftState = 0;
  unsigned fStateFlags = 0;
  int fLastCaretX = 1;
  bool fCaretAtEOL = false;
  TPoint fCaretOffset;
  bool fCaretHidden = true;
  bool fAlwaysShowCaret = false;
  TSelectionMode fActiveSelectionMode = TSelectionMode::smNormal;
  int fMouseDownX = 0;
  int fMouseDownY = 0;
  int fScrollDeltaX = 0;
  int fScrollDeltaY = 0;
  std::int64_t fMaxSelTextLength = std::int64_t{1} << 31;
  bool fBookmarkKeys = false;
  struct THookedHandler {
    int Id;
    THookedCommandEvent Handler;
    void* Data;
  };
  std::vector<THookedHandler> fCommandHandlers;
  int fNextHandlerId = 1;
  TProcessCommandEvent fOnProcessCommand;
  TProcessCommandEvent fOnProcessUserCommand;
  TProcessCommandEvent fOnCommandProcessed;
  TContextHelpEvent fOnContextHelp;
  TGutterClickEvent fOnGutterClick;

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
