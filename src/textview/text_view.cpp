#include "textview/text_view.h"

#include <algorithm>
#include <cassert>
#include <climits>
#include <set>

namespace tav {

namespace {

constexpr int kScrollBarLimit = 32767;
constexpr int kLayoutSlots = 4;

int FloorDiv(int a, int b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

// The view's own word breaks when it has no highlighter.
bool IsDefaultWordBreakChar(char16_t c) {
  return c <= 0x2F || (c >= 0x3A && c <= 0x40) || (c >= 0x5B && c <= 0x5E) || c == 0x60 ||
         (c >= 0x7B && c <= 0x7E) || c == 0xA7 || c == 0xB0 || c == 0xB4;
}

std::u16string ToU16(const std::string& s) { return std::u16string(s.begin(), s.end()); }

}  // namespace

TCustomTextView::TCustomTextView() {
  fLines = std::make_unique<TTextViewStringList>(
      [this](std::u16string_view s) { return ExpandAtWideGlyphs(s); });
  fLines->SetOnChanging([this](TTextViewStringList&) { LinesChanging(); });
  fLines->SetOnChange([this](TTextViewStringList&) { LinesChanged(); });
  fLines->SetOnCleared([this](TTextViewStringList&) { ListCleared(); });
  fLines->SetOnInserted([this](TTextViewStringList&, int i, int n) { ListInserted(i, n); });
  fLines->SetOnDeleted([this](TTextViewStringList&, int i, int n) { ListDeleted(i, n); });
  fLines->SetOnPutted([this](TTextViewStringList&, int i, int n) { ListPutted(i, n); });

  fFont.Desc.Face = u"Courier New";
  fFont.Desc.Height = PointsToHeight(10, 96);
  fGutter = std::make_unique<TTextViewGutter>();
  fGutter->SetOnChange([this] { GutterSettingsChanged(); });
  fTextDrawer = std::make_unique<TheTextDrawer>(Device(), fFont.Desc, hfsBold);
  fLayouts.resize(kLayoutSlots);

  SetBorder(TBorderKind::bkClientEdge);
  SetCursor(TCursorShape::crIBeam);
  SetColor(clWindow);
  SetTabStop(true);
  SetBounds(MakeRect(0, 0, 200, 150));
  FontChanged();
}

TCustomTextView::~TCustomTextView() {
  if (fHighlighter) fHighlighter->UnhookAttrChangeEvent(this);
  fWordWrapPlugin.reset();
}

// ---- buffer and cells -------------------------------------------------------

std::u16string TCustomTextView::ExpandAtWideGlyphs(std::u16string_view s) {
  bool plain = true;
  for (char16_t c : s) {
    if (c != u'\t' && !fTextDrawer->IsSingleCell(c)) {
      plain = false;
      break;
    }
  }
  if (plain) return std::u16string(s);
  std::u16string result;
  std::u16string cells;
  // Tabs are already expanded here: each tab unit is one cell.
  std::size_t start = 0;
  for (std::size_t i = 0; i <= s.size(); ++i) {
    if (i == s.size() || s[i] == u'\t') {
      BuildLineCells(s.substr(start, i - start), 1, *fTextDrawer, cells, nullptr, nullptr);
      result += cells;
      if (i < s.size()) result += u'\t';
      start = i + 1;
    }
  }
  return result;
}

std::u16string_view TCustomTextView::WrapLineCells(int index, std::u16string& scratch) {
  const std::u16string_view line = fLines->StringView(index);
  if (LineIsIdentity(line, *fTextDrawer)) return line;
  BuildLineCells(line, fTabWidth, *fTextDrawer, scratch, nullptr, nullptr);
  return scratch;
}

TLineLayout& TCustomTextView::MutableLineLayout(int index) {
  for (TLineLayout& layout : fLayouts)
    if (layout.Index == index) return layout;
  TLineLayout& layout = fLayouts[fNextLayout];
  fNextLayout = (fNextLayout + 1) % fLayouts.size();
  const std::u16string_view line = fLines->StringView(index);
  layout.Index = index;
  layout.Identity = LineIsIdentity(line, *fTextDrawer);
  layout.TokensValid = false;
  layout.Tokens.clear();
  if (layout.Identity) {
    layout.Cells.assign(line);
    layout.TabExpanded.clear();
    layout.CharToCell.clear();
    layout.Marks.clear();
  } else {
    BuildLineCells(line, fTabWidth, *fTextDrawer, layout.Cells, &layout.TabExpanded,
                   &layout.CharToCell, &layout.Marks);
  }
  return layout;
}

void TCustomTextView::MakeLayoutTokens(TLineLayout& layout) {
  layout.TokensValid = true;
  layout.Tokens.clear();
  if (!fHighlighter || !fHighlighter->Enabled()) return;
  if (layout.Index == 0 || fHighlighter->HasConstantRange()) {
    fHighlighter->ResetRange();
  } else {
    fHighlighter->SetRange(fLines->GetRange(layout.Index - 1));
  }
  if (layout.Identity) {
    fHighlighter->SetLine(layout.Cells, layout.Index);
  } else {
    fHighlighter->SetLineExpandedAtWideGlyphs(layout.TabExpanded, layout.Cells, layout.Index);
  }
  while (!fHighlighter->GetEol()) {
    const int cell = layout.Identity ? fHighlighter->GetTokenPos()
                                     : fHighlighter->GetExpandedTokenPos();
    if (!layout.Tokens.empty()) layout.Tokens.back().Length = cell - layout.Tokens.back().Cell;
    layout.Tokens.push_back({cell, 0, fHighlighter->GetTokenAttribute()});
    fHighlighter->Next();
  }
  if (!layout.Tokens.empty())
    layout.Tokens.back().Length = layout.CellCount() - layout.Tokens.back().Cell;
  // Tokens that take no cells (the terminator) are dropped.
  std::erase_if(layout.Tokens, [](const TLayoutToken& t) { return t.Length <= 0; });
}

void TCustomTextView::ForgetLineLayouts() {
  for (TLineLayout& layout : fLayouts) layout.Index = -1;
}

// ---- fonts and metrics ------------------------------------------------------

void TCustomTextView::SetFont(const TTextViewFont& font) {
  TTextViewFont value = font;
  // A font whose characters differ in width is asked for in fixed pitch.
  const TTextMetric& tm = Device().CreateFont(value.Desc)->Metrics();
  if (tm.AveCharWidth != tm.MaxCharWidth) value.Desc.Pitch = TFontPitch::fpFixed;
  fFont = value;
  FontChanged();
}

void TCustomTextView::SetFontSmoothing(TFontSmoothing value) {
  if (value == fFontSmoothing) return;
  fFontSmoothing = value;
  static constexpr std::uint8_t kQuality[] = {3, 4, 5};  // non-antialiased, antialiased, cleartype
  fFont.Desc.Quality = kQuality[static_cast<int>(value)];
  FontChanged();
}

void TCustomTextView::SetExtraLineSpacing(int value) {
  if (value == fExtraLineSpacing) return;
  fExtraLineSpacing = value;
  MeasureCharCell();
  SizeOrFontChanged(true);
}

void TCustomTextView::MeasureCharCell() {
  std::set<THighlighterFontStyles> styles;
  if (fHighlighter && fHighlighter->GetAttrCount() > 0) {
    for (int i = 0; i < fHighlighter->GetAttrCount(); ++i)
      styles.insert(fHighlighter->GetAttribute(i)->Style() & (hfsBold | hfsItalic));
  } else {
    styles.insert(static_cast<THighlighterFontStyles>((fFont.Desc.Bold() ? hfsBold : 0) |
                                                      (fFont.Desc.Italic ? hfsItalic : 0)));
  }
  int width = 0, height = 0;
  for (THighlighterFontStyles style : styles) {
    const TFontVariant& v = fTextDrawer->StyleVariant(style);
    width = std::max(width, v.Advance);
    height = std::max(height, v.Height);
  }
  // One grid for every style: when the drawer's bold cell is wider than
  // the styles in use, the grid takes the wider cell.
  fCharWidth = std::max(width, fTextDrawer->BaseCharWidth());
  fTextDrawer->SetCharExtra(fCharWidth - fTextDrawer->BaseCharWidth());
  assert(fTextDrawer->CharWidth() == fCharWidth);
  fTextHeight = height + fExtraLineSpacing;
}

void TCustomTextView::FontChanged() {
  if (&fTextDrawer->Device() != &Device()) fTextDrawer->SetDevice(Device());
  fTextDrawer->SetBaseFont(&fFont.Desc);
  MeasureCharCell();
  fLines->FontChanged();
  ForgetLineLayouts();
  if (fGutter->ShowLineNumbers()) GutterSettingsChanged();
  SizeOrFontChanged(true);
}

// ---- gutter -----------------------------------------------------------------

void TCustomTextView::GutterSettingsChanged() {
  static thread_local bool inChange = false;
  if (inChange) return;
  inChange = true;
  if (fGutter->Visible() && fGutter->ShowLineNumbers()) fGutter->UpdateDigitCount(fLines->Count());
  inChange = false;
  int cw = fCharWidth;
  if (fGutter->UseFontStyle()) {
    TFontDesc desc = fGutter->Font();
    desc.Weight = FW_NORMAL;
    desc.Italic = desc.Underline = desc.StrikeOut = false;
    cw = MeasureFontVariant(Device().CreateFont(desc)).Advance;
  }
  const int width = std::max(0, fGutter->RealGutterWidth(cw));
  if (width == fGutterWidth) {
    InvalidateGutter();
    return;
  }
  fGutterWidth = width;
  SizeOrFontChanged(false);
  Invalidate();
}

bool TCustomTextView::GutterFollowsLineCount() {
  const int before = fWordWrapPlugin ? fWordWrapPlugin->MaxRowLength() : -1;
  if (fGutter->Visible() && fGutter->ShowLineNumbers()) fGutter->UpdateDigitCount(fLines->Count());
  return fWordWrapPlugin && fWordWrapPlugin->MaxRowLength() != before;
}

// ---- layout -----------------------------------------------------------------

void TCustomTextView::SizeOrFontChanged(bool fontChanged) {
  const TRect client = ClientRect();
  fCharsInWindow =
      fCharWidth > 0 ? std::max(0, client.Width() - fGutterWidth - 2) / fCharWidth : 0;
  fLinesInWindow = fTextHeight > 0 ? client.Height() / fTextHeight : 0;
  fTextOffset = fGutterWidth + 2 - (fLeftChar - 1) * fCharWidth;
  if (fWordWrapPlugin) {
    fWordWrapPlugin->DisplayChanged();
    Invalidate();
  }
  if (fontChanged) Invalidate();
  UpdateScrollBars();
  if (!(fOptions & eoScrollPastEof)) SetTopLine(fTopLine);
  if (!(fOptions & eoScrollPastEol)) SetLeftChar(fLeftChar);
}

void TCustomTextView::Resize() {
  if (&fTextDrawer->Device() != &Device()) {
    FontChanged();
    return;
  }
  SizeOrFontChanged(false);
}

// ---- settings ---------------------------------------------------------------

void TCustomTextView::SetHighlighter(TCustomHighlighter* value) {
  if (value == fHighlighter) return;
  if (fHighlighter) fHighlighter->UnhookAttrChangeEvent(this);
  fHighlighter = value;
  if (fHighlighter)
    fHighlighter->HookAttrChangeEvent(this, [this](TCustomHighlighter&) { HighlighterChanged(); });
  HighlighterChanged();
}

void TCustomTextView::HighlighterChanged() {
  MeasureCharCell();
  if (fHighlighter && !fHighlighter->HasConstantRange() && fLines->Count() > 0) {
    fLines->BeginUpdate();
    for (int i = 0; i < fLines->Count();) i = RescanRangesFrom(i) + 1;
    fLines->EndUpdate();
  }
  ForgetLineLayouts();
  SizeOrFontChanged(true);
}

void TCustomTextView::SetWordWrap(bool value) {
  if (value == WordWrap()) return;
  const int topLine = RowToLine(fTopLine);
  if (value) {
    fWordWrapPlugin = std::make_unique<TWordWrapPlugin>(static_cast<TWordWrapOwner*>(this));
    fLeftChar = 1;
  } else {
    fWordWrapPlugin.reset();
  }
  SizeOrFontChanged(false);
  SetTopLine(LineToRow(topLine));
  Invalidate();
}

void TCustomTextView::SetTabWidth(int value) {
  value = std::max(1, value);
  if (value == fTabWidth) return;
  fTabWidth = value;
  fLines->SetTabWidth(value);
  ForgetLineLayouts();
  if (fWordWrapPlugin) fWordWrapPlugin->Reset();
  UpdateScrollBars();
  Invalidate();
}

void TCustomTextView::SetRightEdge(int value) {
  if (value == fRightEdge) return;
  fRightEdge = value;
  Invalidate();
}

void TCustomTextView::SetRightEdgeColor(TColor value) {
  if (value == fRightEdgeColor) return;
  fRightEdgeColor = value;
  Invalidate();
}

void TCustomTextView::SetMaxScrollWidth(int value) {
  fMaxScrollWidth = std::max(1, value);
  UpdateScrollBars();
}

void TCustomTextView::SetScrollBars(TScrollStyle value) {
  if (value == fScrollBars) return;
  fScrollBars = value;
  UpdateScrollBars();
  SizeOrFontChanged(false);
}

void TCustomTextView::SetOptions(TTextViewOptions value) {
  if (value == fOptions) return;
  fOptions = value;
  UpdateScrollBars();
  SetTopLine(fTopLine);
  Invalidate();
}

void TCustomTextView::SetSelectedColor(TSelectedColor value) {
  fSelectedColor = value;
  if (SelAvail()) Invalidate();
}

void TCustomTextView::SetActiveLineColor(TColor value) {
  if (value == fActiveLineColor) return;
  fActiveLineColor = value;
  InvalidateLines(fCaretXY.Line, fCaretXY.Line);
}

void TCustomTextView::SetHideSelection(bool value) {
  if (value == fHideSelection) return;
  fHideSelection = value;
  if (SelAvail()) Invalidate();
}

void TCustomTextView::SetWordWrapGlyphVisible(bool value) {
  if (value == fWordWrapGlyphVisible) return;
  fWordWrapGlyphVisible = value;
  InvalidateGutter();
}

// ---- coordinates ------------------------------------------------------------

TDisplayCoord TCustomTextView::BufferToDisplayPos(const TBufferCoord& p) {
  int column = p.Char;
  if (p.Line >= 1 && p.Line <= fLines->Count() && p.Char > 1)
    column = 1 + LineLayout(p.Line - 1).CellOfChar(p.Char - 1);
  if (fWordWrapPlugin) return fWordWrapPlugin->BufferToDisplayPos({std::max(1, column), p.Line});
  return {column, p.Line};
}

TBufferCoord TCustomTextView::DisplayToBufferPos(const TDisplayCoord& p) {
  TBufferCoord b{p.Column, p.Row};
  if (fWordWrapPlugin) b = fWordWrapPlugin->DisplayToBufferPos(p);
  if (b.Line >= 1 && b.Line <= fLines->Count() && b.Char > 1)
    b.Char = LineLayout(b.Line - 1).CharOfColumn(b.Char);
  return b;
}

int TCustomTextView::DisplayLineCount() const {
  if (!fWordWrapPlugin) return fLines->Count();
  return fWordWrapPlugin->RowCount() + (fLines->Count() - fWordWrapPlugin->LineCount());
}

int TCustomTextView::LineToRow(int aLine) { return BufferToDisplayPos({1, aLine}).Row; }

int TCustomTextView::RowToLine(int aRow) { return DisplayToBufferPos({1, aRow}).Line; }

TDisplayCoord TCustomTextView::PixelsToRowColumn(int x, int y) const {
  if (fCharWidth <= 0 || fTextHeight <= 0) return {1, fTopLine};
  return {std::max(1, 1 + FloorDiv(x - fTextOffset, fCharWidth)),
          std::max(1, fTopLine + FloorDiv(y, fTextHeight))};
}

TDisplayCoord TCustomTextView::PixelsToNearestRowColumn(int x, int y) const {
  if (fCharWidth <= 0 || fTextHeight <= 0) return {1, fTopLine};
  return {std::max(1, 1 + FloorDiv(x - fTextOffset + fCharWidth / 2, fCharWidth)),
          std::max(1, fTopLine + FloorDiv(y, fTextHeight))};
}

TPoint TCustomTextView::RowColumnToPixels(const TDisplayCoord& p) const {
  return {fTextOffset + (p.Column - 1) * fCharWidth, (p.Row - fTopLine) * fTextHeight};
}

bool TCustomTextView::IsWordBreakChar(char16_t c) const {
  bool result = fHighlighter ? fHighlighter->IsWordBreakChar(c) : IsDefaultWordBreakChar(c);
  if (c < 256) {
    const auto& breaks =
        fHighlighter ? fHighlighter->AdditionalWordBreakChars() : fAdditionalWordBreakChars;
    const auto& idents = fHighlighter ? fHighlighter->AdditionalIdentChars() : fAdditionalIdentChars;
    if (breaks[c]) result = true;
    if (idents[c]) result = false;
  }
  return result;
}

// ---- scrolling --------------------------------------------------------------

void TCustomTextView::SetTopLine(int value) {
  const int limit = (fOptions & eoScrollPastEof) ? DisplayLineCount()
                                                  : DisplayLineCount() - fLinesInWindow + 1;
  value = std::max(std::min(value, limit), 1);
  if (value == fTopLine) return;
  const int delta = fTopLine - value;
  fTopLine = value;
  if (std::abs(delta) < fLinesInWindow) {
    ScrollWindow(0, delta * fTextHeight);
    if (!fScrollHintText.empty()) {
      // The hint stays where it is: repaint it there and where the scroll
      // carried its pixels.
      const TRect hint = ScrollHintRect();
      InvalidateRect(hint);
      InvalidateRect({hint.Left, hint.Top + delta * fTextHeight, hint.Right,
                      hint.Bottom + delta * fTextHeight});
    }
  } else {
    Invalidate();
  }
  Update();
  UpdateScrollBars();
  StatusChanged(scTopLine);
}

void TCustomTextView::SetLeftChar(int value) {
  if (fWordWrapPlugin) {
    value = 1;
  } else {
    const int width = (fOptions & eoScrollPastEol) ? fMaxScrollWidth : fLines->LengthOfLongestLine();
    value = std::max(1, std::min(value, width - fCharsInWindow + 1));
  }
  if (value == fLeftChar) return;
  const int delta = fLeftChar - value;
  fLeftChar = value;
  fTextOffset = fGutterWidth + 2 - (fLeftChar - 1) * fCharWidth;
  const TRect client = ClientRect();
  const TRect textArea{fGutterWidth + 2, 0, client.Right, client.Bottom};
  if (std::abs(delta) < fCharsInWindow) {
    ScrollWindow(delta * fCharWidth, 0, &textArea);
  } else {
    InvalidateRect(textArea);
  }
  UpdateScrollBars();
  StatusChanged(scLeftChar);
}

void TCustomTextView::EnsureCursorPosVisibleEx(bool forceToMiddle, bool evenIfVisible) {
  const TDisplayCoord caret = BufferToDisplayPos(fCaretXY);
  if (!fWordWrapPlugin) {
    if (caret.Column < fLeftChar) {
      SetLeftChar(caret.Column);
    } else if (caret.Column >= fLeftChar + fCharsInWindow) {
      SetLeftChar(caret.Column - fCharsInWindow + 1);
    }
  }
  const bool outside = caret.Row < fTopLine || caret.Row > fTopLine + fLinesInWindow - 1;
  if (forceToMiddle && (outside || evenIfVisible)) {
    SetTopLine(caret.Row - (fLinesInWindow - 1) / 2);
  } else if (caret.Row < fTopLine) {
    SetTopLine(caret.Row);
  } else if (caret.Row > fTopLine + std::max(1, fLinesInWindow) - 1) {
    SetTopLine(caret.Row - std::max(1, fLinesInWindow) + 1);
  }
}

void TCustomTextView::UpdateScrollBars() {
  if (fPaintLock > 0) {
    fScrollbarChanged = true;
    return;
  }
  fScrollbarChanged = false;
  const bool vertical = fScrollBars == TScrollStyle::ssVertical || fScrollBars == TScrollStyle::ssBoth;
  const bool horizontal = !fWordWrapPlugin && (fScrollBars == TScrollStyle::ssHorizontal ||
                                               fScrollBars == TScrollStyle::ssBoth);
  const bool hideWhenFits = (fOptions & eoHideShowScrollbars) != 0;
  const unsigned mask = SIF_RANGE | SIF_PAGE | SIF_POS | (hideWhenFits ? 0 : SIF_DISABLENOSCROLL);
  SetRedraw(false);
  if (vertical) {
    const int rows = DisplayLineCount();
    int n = rows + ((fOptions & eoScrollPastEof) ? fLinesInWindow - 1 : 0);
    n = std::max(n, 1);
    TScrollInfo info;
    info.Min = 0;
    if (n > kScrollBarLimit) {
      info.Max = kScrollBarLimit;
      info.Page = MulDiv(kScrollBarLimit, fLinesInWindow, n);
      info.Pos = MulDiv(kScrollBarLimit, fTopLine, n);
    } else {
      info.Max = n;
      info.Page = fLinesInWindow;
      info.Pos = fTopLine;
    }
    const bool fits = rows <= fLinesInWindow && !(fOptions & eoScrollPastEof);
    if (fits && hideWhenFits) {
      ShowScrollBar(TScrollBarKind::sbVertical, false);
    } else {
      SetScrollInfo(TScrollBarKind::sbVertical, info, mask);
      if (fits) EnableScrollBar(TScrollBarKind::sbVertical, false);
    }
  } else {
    ShowScrollBar(TScrollBarKind::sbVertical, false);
  }
  if (horizontal) {
    const int width = (fOptions & eoScrollPastEol) ? fMaxScrollWidth : fLines->LengthOfLongestLine();
    TScrollInfo info;
    info.Min = 1;
    info.Max = std::max(width, 1);
    info.Page = fCharsInWindow;
    info.Pos = fLeftChar;
    SetScrollInfo(TScrollBarKind::sbHorizontal, info, mask);
  } else {
    ShowScrollBar(TScrollBarKind::sbHorizontal, false);
  }
  SetRedraw(true);
}

void TCustomTextView::ScrollBarEvent(TScrollBarKind bar, TScrollCode code, int pos) {
  if (bar == TScrollBarKind::sbHorizontal) {
    switch (code) {
      case TScrollCode::scLineUp: SetLeftChar(fLeftChar - 1); break;
      case TScrollCode::scLineDown: SetLeftChar(fLeftChar + 1); break;
      case TScrollCode::scPageUp: SetLeftChar(fLeftChar - fCharsInWindow); break;
      case TScrollCode::scPageDown: SetLeftChar(fLeftChar + fCharsInWindow); break;
      case TScrollCode::scTop: SetLeftChar(1); break;
      case TScrollCode::scBottom: SetLeftChar(INT_MAX); break;
      case TScrollCode::scPosition:
      case TScrollCode::scTrack: SetLeftChar(pos); break;
      case TScrollCode::scEndScroll: break;
    }
  } else {
    const int page = std::max(1, fLinesInWindow - ((fOptions & eoScrollByOneLess) ? 1 : 0));
    switch (code) {
      case TScrollCode::scLineUp: SetTopLine(fTopLine - 1); break;
      case TScrollCode::scLineDown: SetTopLine(fTopLine + 1); break;
      case TScrollCode::scPageUp: SetTopLine(fTopLine - page); break;
      case TScrollCode::scPageDown: SetTopLine(fTopLine + page); break;
      case TScrollCode::scTop: SetTopLine(1); break;
      case TScrollCode::scBottom: SetTopLine(DisplayLineCount()); break;
      case TScrollCode::scPosition:
      case TScrollCode::scTrack: {
        const int rows = DisplayLineCount();
        SetTopLine(rows > kScrollBarLimit ? MulDiv(rows + fLinesInWindow - 1, pos, kScrollBarLimit)
                                          : pos);
        if (code == TScrollCode::scTrack && (fOptions & eoShowScrollHint)) ShowScrollHint(fTopLine);
        break;
      }
      case TScrollCode::scEndScroll: HideScrollHint(); break;
    }
  }
  Update();
  if (fOnScroll) fOnScroll(*this, bar);
}

bool TCustomTextView::MouseWheel(TShiftState shift, int wheelDelta, TPoint pos) {
  (void)pos;
  fWheelAccumulator += wheelDelta;
  const int notches = fWheelAccumulator / WHEEL_DELTA;
  fWheelAccumulator %= WHEEL_DELTA;
  int rowsPerNotch = 3;
  if (shift & ssCtrl)
    rowsPerNotch = (fOptions & eoHalfPageScroll) ? fLinesInWindow / 2 : fLinesInWindow;
  if (notches != 0) SetTopLine(fTopLine - notches * rowsPerNotch);
  Update();
  if (fOnScroll) fOnScroll(*this, TScrollBarKind::sbVertical);
  return true;
}

TRect TCustomTextView::ScrollHintRect() {
  const TSize extent = fTextDrawer->TextExtent(fScrollHintText);
  const int right = ClientWidth() - 4;
  return {right - extent.cx - 8, 10, right, 10 + extent.cy + 4};
}

void TCustomTextView::ShowScrollHint(int topRow) {
  if (!fScrollHintText.empty()) InvalidateRect(ScrollHintRect());
  const std::string text = "Top Line: " + std::to_string(RowToLine(topRow));
  fScrollHintText = ToU16(text);
  InvalidateRect(ScrollHintRect());
}

void TCustomTextView::HideScrollHint() {
  if (fScrollHintText.empty()) return;
  InvalidateRect(ScrollHintRect());
  fScrollHintText.clear();
}

// ---- invalidation -----------------------------------------------------------

void TCustomTextView::InvalidateLines(int firstLine, int lastLine) {
  InvalidateLineBand(firstLine, lastLine, fGutterWidth, ClientRect().Right);
}

void TCustomTextView::InvalidateGutterLines(int firstLine, int lastLine) {
  InvalidateLineBand(firstLine, lastLine, 0, fGutterWidth);
}

void TCustomTextView::InvalidateLineBand(int firstLine, int lastLine, int left, int right) {
  TRect r;
  if (firstLine == -1 && lastLine == -1) {
    r = {left, 0, right, ClientRect().Bottom};
  } else {
    if (fTextHeight <= 0) return;
    firstLine = std::max(firstLine, 1);
    int firstRow = LineToRow(firstLine);
    int lastRow = lastLine >= fLines->Count() || lastLine < firstLine ? INT_MAX
                                                                      : LineToRow(lastLine + 1) - 1;
    firstRow = std::max(firstRow, fTopLine);
    lastRow = std::min(lastRow, fTopLine + fLinesInWindow);
    if (firstRow > lastRow) return;
    r = {left, (firstRow - fTopLine) * fTextHeight, right, (lastRow - fTopLine + 1) * fTextHeight};
  }
  if (fLinesChanging) {
    fInvalidateRect = UnionRect(fInvalidateRect, r);
  } else {
    InvalidateRect(r);
  }
}

void TCustomTextView::EndPaintLock() {
  if (fPaintLock == 0 || --fPaintLock > 0) return;
  if (fScrollbarChanged) UpdateScrollBars();
  StatusChanged(0);
}

void TCustomTextView::StatusChanged(TTextViewStatusChanges changes) {
  // The caret follows every move of itself or of the text under it.
  if (changes & (scAll | scCaretX | scCaretY | scTopLine | scLeftChar)) UpdateCaret();
  fStatusChanges |= changes;
  if (fPaintLock > 0 || fStatusChanges == 0) return;
  const TTextViewStatusChanges pending = fStatusChanges;
  fStatusChanges = 0;
  if (fOnStatusChange) fOnStatusChange(*this, pending);
}

// ---- buffer events ----------------------------------------------------------

void TCustomTextView::LinesChanging() { fLinesChanging = true; }

void TCustomTextView::LinesChanged() {
  fLinesChanging = false;
  UpdateScrollBars();
  fBlockBegin = fBlockEnd = fCaretXY;
  if (!fInvalidateRect.IsEmpty()) {
    InvalidateRect(fInvalidateRect);
    fInvalidateRect = {};
  }
  GutterFollowsLineCount();
  if (!(fOptions & eoScrollPastEof)) SetTopLine(fTopLine);
}

void TCustomTextView::ListCleared() {
  ForgetLineLayouts();
  if (fWordWrapPlugin) fWordWrapPlugin->Reset();
  // Within a load the clear joins the load's one invalidation.
  if (fLinesChanging) {
    fInvalidateRect = UnionRect(fInvalidateRect, ClientRect());
  } else {
    Invalidate();
  }
  fCaretXY = fBlockBegin = fBlockEnd = TBufferCoord{1, 1};
  fTopLine = 1;
  fLeftChar = 1;
  fTextOffset = fGutterWidth + 2;
  StatusChanged(scAll);
}

void TCustomTextView::ListInserted(int index, int count) {
  ForgetLineLayouts();
  if (fHighlighter && !fHighlighter->HasConstantRange()) {
    int scanned = index;
    do {
      scanned = RescanRangesFrom(scanned) + 1;
    } while (scanned < index + count);
  }
  // A new gutter width re-wraps every line, the new ones included.
  if (!GutterFollowsLineCount() && fWordWrapPlugin) fWordWrapPlugin->LinesInserted(index, count);
  InvalidateLines(index + 1, INT_MAX);
  InvalidateGutterLines(index + 1, INT_MAX);
}

void TCustomTextView::ListDeleted(int index, int count) {
  ForgetLineLayouts();
  if (fHighlighter && fLines->Count() > 0) RescanRangesFrom(std::min(index, fLines->Count() - 1));
  if (!GutterFollowsLineCount() && fWordWrapPlugin) fWordWrapPlugin->LinesDeleted(index, count);
  InvalidateLines(index + 1, INT_MAX);
  InvalidateGutterLines(index + 1, INT_MAX);
}

void TCustomTextView::ListPutted(int index, int count) {
  ForgetLineLayouts();
  const int change = fWordWrapPlugin ? fWordWrapPlugin->LinesPutted(index, count) : 0;
  if (change != 0) {
    InvalidateLines(index + 1, INT_MAX);
    InvalidateGutterLines(index + 1, INT_MAX);
  } else {
    InvalidateLines(index + 1, index + 1);
  }
  if (fHighlighter) {
    const int last = RescanRangesFrom(index);
    InvalidateLines(index + 1, last + 1);
  }
}

int TCustomTextView::RescanRangesFrom(int index) {
  if (!fHighlighter || fHighlighter->HasConstantRange() || index >= fLines->Count()) return index;
  if (index == 0) {
    fHighlighter->ResetRange();
  } else {
    fHighlighter->SetRange(fLines->GetRange(index - 1));
  }
  int i = index;
  for (; i < fLines->Count(); ++i) {
    fHighlighter->SetLine(fLines->StringView(i), i);
    fHighlighter->NextToEol();
    const int range = fHighlighter->GetRange();
    if (range == fLines->GetRange(i)) break;
    fLines->PutRange(i, range);
  }
  return std::min(i, fLines->Count() - 1);
}

}  // namespace tav
