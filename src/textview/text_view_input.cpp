// Keys and commands, caret moves, the mouse with its auto-scroll, and the
// caret's shape.
#include <algorithm>
#include <cstdlib>

#include "textview/char_class.h"
#include "textview/text_view.h"
#include "textview/text_view_line_layout.h"

namespace tav {

namespace {

// Keeps the paint lock for one scope.
struct TPaintLockScope {
  TCustomTextView& view;
  explicit TPaintLockScope(TCustomTextView& v) : view(v) { view.BeginPaintLock(); }
  ~TPaintLockScope() { view.EndPaintLock(); }
  TPaintLockScope(const TPaintLockScope&) = delete;
  TPaintLockScope& operator=(const TPaintLockScope&) = delete;
};

constexpr TShiftState kModifiers = ssShift | ssCtrl | ssAlt;

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

}  // namespace

// ---- keys -------------------------------------------------------------------

unsigned TCustomTextView::WantedKeys() const {
  unsigned keys = DLGC_WANTARROWS | DLGC_WANTCHARS;
  if (fWantTabs) keys |= DLGC_WANTTAB;
  if (fWantReturns) keys |= DLGC_WANTALLKEYS;
  return keys;
}

void TCustomTextView::KeyDown(int& key, TShiftState shift) {
  // A character left over from an earlier command key is never swallowed
  // for this one.
  fStateFlags &= ~sfIgnoreNextChar;
  if (key == 0) return;
  shift &= kModifiers;
  int found = -1;
  if (fLastKey != 0) found = fKeyStrokes->FindKeycode2(fLastKey, fLastShiftState, key, shift);
  if (found < 0) found = fKeyStrokes->FindKeycode(key, shift);
  const TTextViewCommand command =
      found >= 0 ? fKeyStrokes->Items()[static_cast<std::size_t>(found)].Command : ecNone;
  if (command != ecNone || key < 30 || key > 145) {
    fLastKey = 0;
    fLastShiftState = 0;
  } else {
    fLastKey = key;
    fLastShiftState = shift;
  }
  if (command == ecNone) return;
  key = 0;
  fStateFlags |= sfIgnoreNextChar;
  CommandProcessor(command, 0, nullptr);
}

void TCustomTextView::KeyPress(char16_t& ch) {
  if (fStateFlags & sfIgnoreNextChar) {
    fStateFlags &= ~sfIgnoreNextChar;
    ch = 0;
    return;
  }
  if (ch == 0) return;
  CommandProcessor(ecChar, ch, nullptr);
}

// ---- commands ---------------------------------------------------------------

int TCustomTextView::RegisterCommandHandler(THookedCommandEvent handler, void* handlerData) {
  if (!handler) return 0;
  fCommandHandlers.push_back({fNextHandlerId, std::move(handler), handlerData});
  return fNextHandlerId++;
}

void TCustomTextView::UnregisterCommandHandler(int id) {
  std::erase_if(fCommandHandlers, [id](const THookedHandler& h) { return h.Id == id; });
}

void TCustomTextView::CommandProcessor(TTextViewCommand command, char16_t aChar, void* data) {
  TPaintLockScope lock(*this);
  if (fOnProcessCommand) fOnProcessCommand(*this, command, aChar, data);
  auto hooked = [&](bool after) {
    // A copy: a handler may register or remove handlers.
    const std::vector<THookedHandler> handlers = fCommandHandlers;
    bool handled = false;
    for (const THookedHandler& h : handlers) {
      if (command == ecNone) break;
      h.Handler(*this, after, handled, command, aChar, data, h.Data);
    }
  };
  if (command != ecNone) hooked(false);
  if (command != ecNone) {
    if (command < ecUserFirst)
      ExecuteCommand(command, aChar, data);
    else if (fOnProcessUserCommand)
      fOnProcessUserCommand(*this, command, aChar, data);
  }
  if (command != ecNone) hooked(true);
  if (fOnCommandProcessed) fOnCommandProcessed(*this, command, aChar, data);
}

void TCustomTextView::ExecuteCommand(TTextViewCommand command, char16_t aChar, void* data) {
  (void)aChar;
  const bool selecting = (command >= ecSelLeft && command <= ecSelGotoXY);
  const TTextViewCommand move = selecting ? static_cast<TTextViewCommand>(command - ecSelection)
                                          : command;
  const int page = std::max(1, (fOptions & eoHalfPageScroll) ? fLinesInWindow / 2
                                : fLinesInWindow - ((fOptions & eoScrollByOneLess) ? 1 : 0));
  if (move >= ecLeft && move <= ecGotoXY) {
    switch (move) {
      case ecLeft: MoveCaretColumns(-1, selecting); break;
      case ecRight: MoveCaretColumns(1, selecting); break;
      case ecPageLeft: MoveCaretColumns(-fCharsInWindow, selecting); break;
      case ecPageRight: MoveCaretColumns(fCharsInWindow, selecting); break;
      case ecUp: MoveCaretRows(-1, selecting); break;
      case ecDown: MoveCaretRows(1, selecting); break;
      case ecPageUp: MoveCaretVert(-page, selecting); break;
      case ecPageDown: MoveCaretVert(page, selecting); break;
      case ecPageTop:
      case ecPageBottom: {
        const int row = move == ecPageTop
                            ? fTopLine
                            : std::min(fTopLine + std::max(1, fLinesInWindow) - 1,
                                       std::max(1, DisplayLineCount()));
        MoveDisplayPosAndSelect({CaretDisplayPos().Column, row}, selecting);
        break;
      }
      case ecEditorTop: MoveCaretAndSelect(fCaretXY, {1, 1}, selecting); break;
      case ecEditorBottom: {
        const int count = fLines->Count();
        const TBufferCoord end =
            count == 0 ? TBufferCoord{1, 1}
                       : TBufferCoord{static_cast<int>(fLines->StringView(count - 1).size()) + 1,
                                      count};
        MoveCaretAndSelect(fCaretXY, end, selecting);
        break;
      }
      case ecLineStart: HomeKey(selecting); break;
      case ecLineEnd: EndKey(selecting); break;
      case ecWordLeft: MoveCaretAndSelect(fCaretXY, PrevWordPosEx(fCaretXY), selecting); break;
      case ecWordRight: MoveCaretAndSelect(fCaretXY, NextWordPosEx(fCaretXY), selecting); break;
      case ecGotoXY:
        if (data) MoveCaretAndSelect(fCaretXY, *static_cast<const TBufferCoord*>(data), selecting);
        break;
      default: break;
    }
    return;
  }
  switch (command) {
    case ecSelWord: SetSelWord(); break;
    case ecSelectAll: SelectAll(); break;
    case ecCopy: CopyToClipboard(); break;
    case ecScrollUp: ScrollCommand(-1); break;
    case ecScrollDown: ScrollCommand(1); break;
    case ecScrollLeft: SetLeftChar(fLeftChar - 1); break;
    case ecScrollRight: SetLeftChar(fLeftChar + 1); break;
    case ecInsertMode: SetInsertMode(true); break;
    case ecOverwriteMode: SetInsertMode(false); break;
    case ecToggleMode: SetInsertMode(!fInserting); break;
    case ecNormalSelect: SetSelectionMode(TSelectionMode::smNormal); break;
    case ecColumnSelect: SetSelectionMode(TSelectionMode::smColumn); break;
    case ecLineSelect: SetSelectionMode(TSelectionMode::smLine); break;
    case ecMatchBracket: FindMatchingBracket(); break;
    case ecContextHelp:
      if (fOnContextHelp) fOnContextHelp(*this, WordAtCursor());
      break;
    default:
      // Editing commands, markers without their keys, the focus codes and
      // anything unknown change nothing in this read-only view.
      break;
  }
}

// ---- caret moves ------------------------------------------------------------

void TCustomTextView::MoveCaretAndSelect(TBufferCoord before, TBufferCoord after, bool selecting) {
  TPaintLockScope lock(*this);
  if (selecting) {
    if (!SelAvail()) SetBlockBegin(before);
    SetBlockEnd(after);
  } else {
    SetBlockBegin(after);
  }
  InternalSetCaretXY(after);
}

void TCustomTextView::MoveCaretColumns(int delta, bool selecting) {
  const TBufferCoord before = fCaretXY;
  if (fWordWrapPlugin && delta == -1 && !fCaretAtEOL) {
    // Left at the start of a continuation row: to the end of the row above,
    // the same buffer position.
    const TDisplayCoord d = BufferToDisplayPos(fCaretXY);
    if (d.Column == 1 && fCaretXY.Char > 1 && d.Row > LineToRow(fCaretXY.Line)) {
      MoveCaretAndSelect(before, before, selecting);
      fCaretAtEOL = true;
      fLastCaretX = CaretDisplayPos().Column;
      UpdateCaret();
      return;
    }
  }
  if (fWordWrapPlugin && delta == 1 && fCaretAtEOL) {
    // Right from the end of the upper row: to the start of the lower row.
    MoveCaretAndSelect(before, before, selecting);
    return;
  }
  TBufferCoord after{fCaretXY.Char + delta, fCaretXY.Line};
  if (!(fOptions & eoScrollPastEol) && fLines->Count() > 0) {
    const int length = static_cast<int>(fLines->StringView(fCaretXY.Line - 1).size());
    if (after.Char < 1 && after.Line > 1) {
      after = {static_cast<int>(fLines->StringView(after.Line - 2).size()) + 1, after.Line - 1};
    } else if (after.Char > length + 1 && after.Line < fLines->Count()) {
      after = {1, after.Line + 1};
    }
  }
  after.Char = std::max(1, after.Char);
  if (after.Line >= 1 && after.Line <= fLines->Count()) {
    // The caret never stops inside a character: between the units of a
    // surrogate pair, or before a mark drawn over the character on its left.
    const std::u16string_view text = fLines->StringView(after.Line - 1);
    auto inside = [&](int ch) {
      const std::size_t k = static_cast<std::size_t>(ch - 1);
      if (k == 0 || k >= text.size()) return false;
      if (IsLowSurrogate(text[k]) && IsHighSurrogate(text[k - 1])) return true;
      return IsCombiningMark(text[k]) && MarkTakesNoCell(text, k);
    };
    while (inside(after.Char)) after.Char += delta > 0 ? 1 : -1;
  }
  MoveCaretAndSelect(before, after, selecting);
  if (fWordWrapPlugin && delta > 0) {
    // A move that lands on a row boundary shows at the end of the upper row.
    const TDisplayCoord d = BufferToDisplayPos(fCaretXY);
    if (d.Column == 1 && fCaretXY.Char > 1 && d.Row > LineToRow(fCaretXY.Line)) {
      fCaretAtEOL = true;
      fLastCaretX = CaretDisplayPos().Column;
      UpdateCaret();
    }
  }
}

void TCustomTextView::MoveDisplayPosAndSelect(TDisplayCoord target, bool selecting) {
  const TBufferCoord before = fCaretXY;
  const TBufferCoord after = DisplayToBufferPos(target);
  MoveCaretAndSelect(before, after, selecting);
  // A column past a row's end lands on the next row's start: shown at the
  // end of the target row.
  if (fWordWrapPlugin && after == fCaretXY && BufferToDisplayPos(fCaretXY).Row == target.Row + 1 &&
      RowToLine(target.Row) == fCaretXY.Line) {
    fCaretAtEOL = true;
    UpdateCaret();
  }
}

void TCustomTextView::MoveCaretRows(int delta, bool selecting) {
  const TDisplayCoord d = CaretDisplayPos();
  const int rows = DisplayLineCount();
  const int row = std::clamp(d.Row + delta, 1, std::max(1, rows));
  const int column = (fOptions & eoKeepCaretX) ? fLastCaretX : d.Column;
  const int lastCaretX = fLastCaretX;
  MoveDisplayPosAndSelect({column, row}, selecting);
  fLastCaretX = lastCaretX;
}

void TCustomTextView::MoveCaretVert(int rows, bool selecting) {
  TPaintLockScope lock(*this);
  SetTopLine(fTopLine + rows);
  MoveCaretRows(rows, selecting);
}

void TCustomTextView::ScrollCommand(int delta) {
  TPaintLockScope lock(*this);
  const int row = CaretDisplayPos().Row;
  const int lastVisible = fTopLine + std::max(1, fLinesInWindow) - 1;
  if (row < fTopLine || row > lastVisible) {
    EnsureCursorPosVisible();
    return;
  }
  SetTopLine(fTopLine + delta);
  // The caret is pulled along when it would leave the window.
  const int newLast = fTopLine + std::max(1, fLinesInWindow) - 1;
  if (row > newLast) MoveCaretRows(newLast - row, false);
  if (row < fTopLine) MoveCaretRows(fTopLine - row, false);
}

void TCustomTextView::HomeKey(bool selecting) {
  TBufferCoord target{1, fCaretXY.Line};
  if (fWordWrapPlugin) {
    target = DisplayToBufferPos({1, CaretDisplayPos().Row});
  } else if ((fOptions & eoEnhanceHomeKey) && fCaretXY.Line <= fLines->Count()) {
    const std::u16string_view s = fLines->StringView(fCaretXY.Line - 1);
    int first = 1;
    while (first <= static_cast<int>(s.size()) && IsBlank(s[static_cast<std::size_t>(first - 1)]))
      ++first;
    if (first > static_cast<int>(s.size())) first = 1;
    target.Char = fCaretXY.Char > first ? first : 1;
  }
  MoveCaretAndSelect(fCaretXY, target, selecting);
}

void TCustomTextView::EndKey(bool selecting) {
  if (fCaretXY.Line > fLines->Count()) return;
  const std::u16string_view s = fLines->StringView(fCaretXY.Line - 1);
  const int length = static_cast<int>(s.size());
  const TDisplayCoord d = CaretDisplayPos();
  const int rowStart = fWordWrapPlugin ? DisplayToBufferPos({1, d.Row}).Char : 1;
  int lastNonBlank = length;
  while (lastNonBlank > 0 && IsBlank(s[static_cast<std::size_t>(lastNonBlank - 1)])) --lastNonBlank;
  if ((fOptions & eoEnhanceEndKey) && lastNonBlank > 0) {
    const int lastRow = fWordWrapPlugin ? BufferToDisplayPos({lastNonBlank, fCaretXY.Line}).Row
                                        : d.Row;
    if (d.Row == lastRow) {
      TBufferCoord target{std::max(lastNonBlank + 1, rowStart), fCaretXY.Line};
      if (target == fCaretXY && !fCaretAtEOL) target.Char = length + 1;
      MoveCaretAndSelect(fCaretXY, target, selecting);
      return;
    }
  }
  if (fWordWrapPlugin) {
    MoveDisplayPosAndSelect({std::min(RowLength(d.Row) + 1, fCharsInWindow + 1), d.Row}, selecting);
    return;
  }
  MoveCaretAndSelect(fCaretXY, {length + 1, fCaretXY.Line}, selecting);
}

// The bracket that pairs with the one at the caret, nested pairs skipped;
// the caret goes there (it stays when there is none).
void TCustomTextView::FindMatchingBracket() {
  static constexpr char16_t kOpen[] = u"([{<", kClose[] = u")]}>";
  const int count = fLines->Count();
  if (fCaretXY.Line > count) return;
  const std::u16string_view line = fLines->StringView(fCaretXY.Line - 1);
  if (fCaretXY.Char < 1 || fCaretXY.Char > static_cast<int>(line.size())) return;
  const char16_t at = line[static_cast<std::size_t>(fCaretXY.Char - 1)];
  int kind = 0;
  bool forward = true;
  for (; kind < 4; ++kind) {
    if (at == kOpen[kind]) break;
    if (at == kClose[kind]) {
      forward = false;
      break;
    }
  }
  if (kind == 4) return;
  const char16_t self = at, other = forward ? kClose[kind] : kOpen[kind];
  int depth = 0;
  int l = fCaretXY.Line, c = fCaretXY.Char;
  while (l >= 1 && l <= count) {
    const std::u16string_view s = fLines->StringView(l - 1);
    for (; c >= 1 && c <= static_cast<int>(s.size()); c += forward ? 1 : -1) {
      const char16_t ch = s[static_cast<std::size_t>(c - 1)];
      if (ch == self) ++depth;
      if (ch == other && --depth == 0) {
        MoveCaretAndSelect(fCaretXY, {c, l}, false);
        return;
      }
    }
    l += forward ? 1 : -1;
    if (l >= 1 && l <= count) c = forward ? 1 : static_cast<int>(fLines->StringView(l - 1).size());
  }
}

// ---- mouse ------------------------------------------------------------------

void TCustomTextView::MouseToCaret(int x, int y, bool selecting) {
  TDisplayCoord d = PixelsToNearestRowColumn(x, y);
  d.Row = std::clamp(d.Row, 1, std::max(1, DisplayLineCount()));
  const TDisplayCoord caret = CaretDisplayPos();
  if (fScrollDeltaX != 0) d.Column = caret.Column;
  if (fScrollDeltaY != 0) d.Row = caret.Row;
  const TBufferCoord target = DisplayToBufferPos(d);
  TPaintLockScope lock(*this);
  InternalSetCaretXY(target);
  if (fWordWrapPlugin && BufferToDisplayPos(fCaretXY).Row == d.Row + 1 &&
      RowToLine(d.Row) == fCaretXY.Line) {
    fCaretAtEOL = true;
    UpdateCaret();
  }
  if (selecting) SetBlockEnd(fCaretXY);
}

void TCustomTextView::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  const bool hadSelection = SelAvail();
  if (button == TMouseButton::mbLeft && hadSelection) {
    fMouseDownX = x;
    fMouseDownY = y;
  }
  if (button == TMouseButton::mbRight) return;  // the caret, selection and focus stay
  if (button == TMouseButton::mbMiddle) {
    if (shift & ssShift)
      SetBlockEnd(fCaretXY);
    else
      SetBlockBegin(fCaretXY);
    SetFocus();
    return;
  }
  if (shift & ssDouble) return;
  TPaintLockScope lock(*this);
  fStateFlags &= ~(sfWaitForDragging | sfPossibleGutterClick);
  TDisplayCoord d = PixelsToNearestRowColumn(x, y);
  d.Row = std::clamp(d.Row, 1, std::max(1, DisplayLineCount()));
  const TBufferCoord pressed = DisplayToBufferPos(d);
  const bool inSelection = hadSelection && IsPointInSelection(pressed);
  fScrollDeltaX = fScrollDeltaY = 0;
  MouseToCaret(x, y, false);
  SetCapture();
  if (inSelection && fActiveSelectionMode == TSelectionMode::smNormal && x >= fGutterWidth &&
      (fOptions & eoDragDropEditing)) {
    fStateFlags |= sfWaitForDragging;
  } else if (!(fStateFlags & sfDblClicked)) {
    if (shift & ssShift)
      SetBlockEnd(fCaretXY);
    else
      SetBlockBegin(fCaretXY);
  }
  if (x < fGutterWidth) fStateFlags |= sfPossibleGutterClick;
  SetFocus();
}

void TCustomTextView::MouseMove(TShiftState shift, int x, int y) {
  if (!(shift & ssLeft) || !HasCapture()) return;
  if (fStateFlags & sfWaitForDragging) {
    if (std::abs(x - fMouseDownX) >= GetSystemMetrics(SM_CXDRAG) ||
        std::abs(y - fMouseDownY) >= GetSystemMetrics(SM_CYDRAG)) {
      // A drag starts; the read-only view accepts no drop, so it ends here
      // without effect.
      fStateFlags &= ~sfWaitForDragging;
      ReleaseCapture();
    }
    return;
  }
  if (fStateFlags & sfDblClicked) return;
  ComputeScroll(x, y);
  MouseToCaret(x, y, true);
}

void TCustomTextView::ComputeScroll(int x, int y) {
  if (!HasCapture() || fCharWidth <= 0 || fTextHeight <= 0) {
    KillTimer(kScrollTimer);
    fScrollDeltaX = fScrollDeltaY = 0;
    return;
  }
  TRect r = MakeRect(fGutterWidth, 0, fCharsInWindow * fCharWidth, fLinesInWindow * fTextHeight);
  if (Border() == TBorderKind::bkNone) r = {r.Left + 2, r.Top + 2, r.Right - 2, r.Bottom - 2};
  if (x < r.Left)
    fScrollDeltaX = (x - r.Left) / fCharWidth - 1;
  else if (x >= r.Right)
    fScrollDeltaX = (x - r.Right) / fCharWidth + 1;
  else
    fScrollDeltaX = 0;
  if (y < r.Top)
    fScrollDeltaY = (y - r.Top) / fTextHeight - 1;
  else if (y >= r.Bottom)
    fScrollDeltaY = (y - r.Bottom) / fTextHeight + 1;
  else
    fScrollDeltaY = 0;
  if (fScrollDeltaX != 0 || fScrollDeltaY != 0) {
    if (!TimerActive(kScrollTimer)) SetTimer(kScrollTimer, kScrollTimerMs);
  } else {
    KillTimer(kScrollTimer);
  }
}

void TCustomTextView::TimerTick(int id) {
  if (id != kScrollTimer) return;
  const TPoint mouse = CursorPos();
  TPaintLockScope lock(*this);
  if (fScrollDeltaX != 0) SetLeftChar(fLeftChar + fScrollDeltaX);
  if (fScrollDeltaY != 0) {
    const int rows = (KeyboardState() & ssShift) ? fScrollDeltaY * fLinesInWindow : fScrollDeltaY;
    SetTopLine(fTopLine + rows);
  }
  TDisplayCoord d = PixelsToNearestRowColumn(mouse.X, mouse.Y);
  if (fScrollDeltaY < 0) d.Row = fTopLine;
  if (fScrollDeltaY > 0) d.Row = fTopLine + std::max(1, fLinesInWindow) - 1;
  if (fScrollDeltaX < 0) d.Column = fLeftChar;
  if (fScrollDeltaX > 0) d.Column = fLeftChar + fCharsInWindow;
  d.Row = std::clamp(d.Row, 1, std::max(1, DisplayLineCount()));
  InternalSetCaretXY(DisplayToBufferPos(d));
  SetBlockEnd(fCaretXY);
  ComputeScroll(mouse.X, mouse.Y);
}

void TCustomTextView::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  KillTimer(kScrollTimer);
  fScrollDeltaX = fScrollDeltaY = 0;
  ReleaseCapture();
  const bool gutterClick = (fStateFlags & sfPossibleGutterClick) && x < fGutterWidth &&
                           button != TMouseButton::mbRight;
  if (gutterClick) {
    if (fOnGutterClick)
      fOnGutterClick(*this, button, x, y, RowToLine(PixelsToRowColumn(x, y).Row));
  } else if ((fStateFlags & sfWaitForDragging) && !(fStateFlags & sfDblClicked) &&
             button == TMouseButton::mbLeft) {
    // A press inside the selection that became no drag: a plain click.
    TPaintLockScope lock(*this);
    MouseToCaret(x, y, false);
    if (shift & ssShift)
      SetBlockEnd(fCaretXY);
    else
      SetBlockBegin(fCaretXY);
  }
  fStateFlags &= ~(sfWaitForDragging | sfDblClicked | sfPossibleGutterClick | sfGutterDragging);
}

void TCustomTextView::DblClick(TMouseButton button, TShiftState shift, int x, int y) {
  (void)shift;
  (void)y;
  if (button != TMouseButton::mbLeft) return;
  if (x > fGutterWidth + 2 && !(fOptions & eoNoSelection)) {
    SetWordBlock(fCaretXY);
    fStateFlags |= sfDblClicked;
    ReleaseCapture();
  }
}

void TCustomTextView::CaptureLost() {
  KillTimer(kScrollTimer);
  fScrollDeltaX = fScrollDeltaY = 0;
}

// ---- caret shape and focus --------------------------------------------------

void TCustomTextView::SetInsertMode(bool value) {
  if (value == fInserting) return;
  fInserting = value;
  InitializeCaret();
  StatusChanged(scInsertMode);
}

void TCustomTextView::SetInsertCaret(TCaretType value) {
  if (value == fInsertCaret) return;
  fInsertCaret = value;
  InitializeCaret();
}

void TCustomTextView::SetOverwriteCaret(TCaretType value) {
  if (value == fOverwriteCaret) return;
  fOverwriteCaret = value;
  InitializeCaret();
}

void TCustomTextView::SetAlwaysShowCaret(bool value) {
  if (value == fAlwaysShowCaret) return;
  fAlwaysShowCaret = value;
  if (value) {
    InitializeCaret();
  } else if (!Focused()) {
    DestroyCaret();
    fCaretHidden = true;
  }
}

void TCustomTextView::InitializeCaret() {
  if (!Focused() && !fAlwaysShowCaret) return;
  int width = fCharWidth, height = fTextHeight - 2;
  switch (CurrentCaretType()) {
    case TCaretType::ctVerticalLine:
      width = 2;
      fCaretOffset = {-1, 0};
      break;
    case TCaretType::ctHorizontalLine:
      height = 2;
      fCaretOffset = {0, fTextHeight - 2};
      break;
    case TCaretType::ctHalfBlock:
      height = (fTextHeight - 2) / 2;
      fCaretOffset = {0, height};
      break;
    case TCaretType::ctBlock: fCaretOffset = {0, 0}; break;
  }
  CreateCaret(width, height);
  fCaretHidden = true;
  UpdateCaret();
}

void TCustomTextView::UpdateCaret() {
  if (!CaretExists()) return;
  TDisplayCoord d = CaretDisplayPos();
  if (fWordWrapPlugin) d.Column = std::min(d.Column, fCharsInWindow + 1);
  const TPoint cell = RowColumnToPixels(d);
  const TPoint at{cell.X + fCaretOffset.X, cell.Y + fCaretOffset.Y};
  const TRect client = ClientRect();
  const bool inside = d.Row >= fTopLine && d.Row < fTopLine + std::max(1, fLinesInWindow) &&
                      cell.X >= fGutterWidth && cell.X < client.Right;
  SetCaretPos(at.X, at.Y);
  if (inside && fCaretHidden) {
    ShowCaret();
    fCaretHidden = false;
  } else if (!inside && !fCaretHidden) {
    HideCaret();
    fCaretHidden = true;
  }
  SetImeCompositionWindow(at, fFont.Desc);
}

void TCustomTextView::FocusGained() {
  CommandProcessor(ecGotFocus, 0, nullptr);
  InitializeCaret();
  if (fHideSelection && SelAvail()) {
    const TBufferCoord b = BlockBegin(), e = BlockEnd();
    InvalidateLines(b.Line, e.Line);
  }
}

void TCustomTextView::FocusLost() {
  CommandProcessor(ecLostFocus, 0, nullptr);
  if (!fAlwaysShowCaret) {
    DestroyCaret();
    fCaretHidden = true;
  }
  if (fHideSelection && SelAvail()) {
    const TBufferCoord b = BlockBegin(), e = BlockEnd();
    InvalidateLines(b.Line, e.Line);
  }
}

}  // namespace tav
