// The caret position, the selection's ends, word positions and the text of
// the selection.
#include <algorithm>
#include <climits>

#include "textview/text_view.h"

namespace tav {

namespace {

bool Before(const TBufferCoord& a, const TBufferCoord& b) {
  return a.Line < b.Line || (a.Line == b.Line && a.Char < b.Char);
}

}  // namespace

// ---- caret ------------------------------------------------------------------

void TCustomTextView::SetCaretXY(TBufferCoord value) {
  BeginPaintLock();
  InternalSetCaretXY(value);
  SetBlockBegin(fCaretXY);
  EndPaintLock();
}

void TCustomTextView::InternalSetCaretXY(TBufferCoord value) {
  fCaretAtEOL = false;
  value.Line = std::clamp(value.Line, 1, std::max(1, fLines->Count()));
  value.Char = std::max(1, value.Char);
  if (!(fOptions & eoScrollPastEol)) {
    const int length = value.Line <= fLines->Count()
                           ? static_cast<int>(fLines->StringView(value.Line - 1).size())
                           : 0;
    value.Char = std::min(value.Char, length + 1);
  } else if (!fWordWrapPlugin && !(fOptions & eoAutoSizeMaxScrollWidth)) {
    value.Char = std::min(value.Char, fMaxScrollWidth + 1);
  }
  TTextViewStatusChanges changes = 0;
  if (value.Char != fCaretXY.Char) changes |= scCaretX;
  if (value.Line != fCaretXY.Line) {
    changes |= scCaretY;
    if (fActiveLineColor != clNone) {
      InvalidateLines(fCaretXY.Line, fCaretXY.Line);
      InvalidateLines(value.Line, value.Line);
    }
  }
  fCaretXY = value;
  fLastCaretX = CaretDisplayPos().Column;
  EnsureCursorPosVisible();
  StatusChanged(changes);
  UpdateCaret();
}

TDisplayCoord TCustomTextView::CaretDisplayPos() {
  TDisplayCoord d = BufferToDisplayPos(fCaretXY);
  if (fCaretAtEOL && fWordWrapPlugin && d.Column == 1 && d.Row > 1 &&
      d.Row - 1 <= fWordWrapPlugin->RowCount() && RowToLine(d.Row - 1) == fCaretXY.Line)
    d = {RowLength(d.Row - 1) + 1, d.Row - 1};
  return d;
}

int TCustomTextView::RowLength(int row) {
  if (fWordWrapPlugin && row >= 1 && row <= fWordWrapPlugin->RowCount())
    return fWordWrapPlugin->GetRowLength(row);
  const int line = RowToLine(row);
  return line >= 1 && line <= fLines->Count() ? LineLayout(line - 1).CellCount() : 0;
}

// ---- selection ends ---------------------------------------------------------

bool TCustomTextView::SelAvail() const {
  return fBlockBegin.Char != fBlockEnd.Char ||
         (fBlockBegin.Line != fBlockEnd.Line &&
          fActiveSelectionMode != TSelectionMode::smColumn);
}

TBufferCoord TCustomTextView::BlockBegin() const {
  return Before(fBlockEnd, fBlockBegin) ? fBlockEnd : fBlockBegin;
}

TBufferCoord TCustomTextView::BlockEnd() const {
  return Before(fBlockEnd, fBlockBegin) ? fBlockBegin : fBlockEnd;
}

TBufferCoord TCustomTextView::ClampBlockPos(TBufferCoord value) const {
  value.Char = std::max(1, value.Char);
  if (!fWordWrapPlugin && (fOptions & eoScrollPastEol))
    value.Char = std::min(value.Char, fMaxScrollWidth + 1);
  value.Line = std::clamp(value.Line, 1, std::max(1, fLines->Count()));
  if (fSelectionMode == TSelectionMode::smNormal) {
    const int length = value.Line <= fLines->Count()
                           ? static_cast<int>(fLines->StringView(value.Line - 1).size())
                           : 0;
    value.Char = std::min(value.Char, length + 1);
  }
  return value;
}

void TCustomTextView::InvalidateSelectionLines(TBufferCoord a, TBufferCoord b) {
  const int first = std::min(a.Line, b.Line), last = std::max(a.Line, b.Line);
  InvalidateLines(first, last);
}

void TCustomTextView::SetBlockBegin(TBufferCoord value) {
  const bool had = SelAvail();
  const TBufferCoord oldBegin = BlockBegin(), oldEnd = BlockEnd();
  fActiveSelectionMode = fSelectionMode;
  value = ClampBlockPos(value);
  if (value == fBlockBegin && value == fBlockEnd) return;
  fBlockBegin = fBlockEnd = value;
  // Only the lines the old selection covered change their look.
  if (had)
    InvalidateLines(std::min(oldBegin.Line, value.Line), std::max(oldEnd.Line, value.Line));
  StatusChanged(scSelection);
}

void TCustomTextView::SetBlockEnd(TBufferCoord value) {
  fActiveSelectionMode = fSelectionMode;
  value = ClampBlockPos(value);
  if (value == fBlockEnd) return;
  const TBufferCoord oldEnd = fBlockEnd;
  fBlockEnd = value;
  if (fActiveSelectionMode == TSelectionMode::smColumn) {
    // Every row of the block changes its width.
    InvalidateLines(std::min({fBlockBegin.Line, oldEnd.Line, value.Line}),
                    std::max({fBlockBegin.Line, oldEnd.Line, value.Line}));
  } else {
    InvalidateSelectionLines(oldEnd, value);
  }
  StatusChanged(scSelection);
}

void TCustomTextView::SetSelectionMode(TSelectionMode value) {
  if (value == fSelectionMode && value == fActiveSelectionMode) return;
  fSelectionMode = value;
  SetActiveSelectionMode(value);
}

void TCustomTextView::SetActiveSelectionMode(TSelectionMode value) {
  if (value == fActiveSelectionMode) return;
  fActiveSelectionMode = value;
  if (SelAvail() || fBlockBegin.Line != fBlockEnd.Line) {
    const TBufferCoord b = BlockBegin(), e = BlockEnd();
    InvalidateLines(b.Line, e.Line);
  }
  StatusChanged(scSelection);
}

void TCustomTextView::SetCaretAndSelection(TBufferCoord caret, TBufferCoord before,
                                           TBufferCoord after) {
  BeginPaintLock();
  InternalSetCaretXY(caret);
  SetBlockBegin(before);
  SetBlockEnd(after);
  EndPaintLock();
}

bool TCustomTextView::IsPointInSelection(TBufferCoord value) const {
  if (!SelAvail()) return false;
  const TBufferCoord b = BlockBegin(), e = BlockEnd();
  if (value.Line < b.Line || value.Line > e.Line) return false;
  switch (fActiveSelectionMode) {
    case TSelectionMode::smLine: return true;
    case TSelectionMode::smColumn:
      return value.Char >= std::min(b.Char, e.Char) && value.Char < std::max(b.Char, e.Char);
    case TSelectionMode::smNormal: break;
  }
  return (value.Line > b.Line || value.Char >= b.Char) &&
         (value.Line < e.Line || value.Char < e.Char);
}

void TCustomTextView::SelectAll() {
  const int count = fLines->Count();
  const TBufferCoord last =
      count == 0 ? TBufferCoord{1, 1}
                 : TBufferCoord{static_cast<int>(fLines->StringView(count - 1).size()) + 1, count};
  SetCaretAndSelection(last, {1, 1}, last);
}

// ---- words ------------------------------------------------------------------

bool TCustomTextView::IsIdentChar(char16_t c) const {
  if (IsWordBreakChar(c)) return false;
  if (fHighlighter) {
    if (fHighlighter->IsIdentChar(c)) return true;
    return c < 256 && fHighlighter->AdditionalIdentChars()[c];
  }
  return c > 0x20 || (c < 256 && fAdditionalIdentChars[c]);
}

void TCustomTextView::SetWordBlock(TBufferCoord value) {
  value.Char = std::max(1, value.Char);
  if (!fWordWrapPlugin && (fOptions & eoScrollPastEol))
    value.Char = std::min(value.Char, fMaxScrollWidth + 1);
  value.Line = std::clamp(value.Line, 1, std::max(1, fLines->Count()));
  std::u16string text(value.Line <= fLines->Count() ? fLines->StringView(value.Line - 1)
                                                     : std::u16string_view());
  text.push_back(u'\0');
  const int length = static_cast<int>(text.size());
  if (value.Char > length) {
    InternalSetCaretXY({length, value.Line});
    return;
  }
  int end = value.Char;
  while (end <= length && IsIdentChar(text[static_cast<std::size_t>(end - 1)])) ++end;
  int start = value.Char;
  while (start > 1 && IsIdentChar(text[static_cast<std::size_t>(start - 2)])) --start;
  SetCaretAndSelection({end, value.Line}, {start, value.Line}, {end, value.Line});
}

TBufferCoord TCustomTextView::NextWordPosEx(TBufferCoord xy) {
  int cx = xy.Char, cy = xy.Line;
  if (cy < 1 || cy > fLines->Count()) return xy;
  const std::u16string_view line = fLines->StringView(cy - 1);
  const int length = static_cast<int>(line.size());
  auto scan = [&](std::u16string_view s, int from, auto pred) {
    for (int i = std::max(from, 1); i <= static_cast<int>(s.size()); ++i)
      if (pred(s[static_cast<std::size_t>(i - 1)])) return i;
    return 0;
  };
  auto ident = [this](char16_t c) { return IsIdentChar(c); };
  auto wordBreak = [this](char16_t c) { return IsWordBreakChar(c); };
  if (cx >= length) {
    // To the first word of the next line.
    if (cy < fLines->Count()) {
      const std::u16string_view next = fLines->StringView(cy);
      cx = std::max(1, scan(next, 1, ident));
      ++cy;
    }
    return {cx, cy};
  }
  if (IsIdentChar(line[static_cast<std::size_t>(cx - 1)])) cx = scan(line, cx, wordBreak);
  if (cx > 0) cx = scan(line, cx, ident);
  if (cx == 0) cx = length + 1;
  return {cx, cy};
}

TBufferCoord TCustomTextView::PrevWordPosEx(TBufferCoord xy) {
  int cx = xy.Char, cy = xy.Line;
  if (cy < 1 || cy > fLines->Count()) return xy;
  const std::u16string_view line = fLines->StringView(cy - 1);
  cx = std::min(cx, static_cast<int>(line.size()) + 1);
  auto scanBack = [&](int from, auto pred) {
    for (int i = from; i >= 1; --i)
      if (pred(line[static_cast<std::size_t>(i - 1)])) return i;
    return 0;
  };
  auto toPreviousLineEnd = [&]() -> TBufferCoord {
    if (cy == 1) return {1, 1};
    return {static_cast<int>(fLines->StringView(cy - 2).size()) + 1, cy - 1};
  };
  if (cx <= 1) return toPreviousLineEnd();
  if (IsWordBreakChar(line[static_cast<std::size_t>(cx - 2)]))
    cx = scanBack(cx - 1, [this](char16_t c) { return IsIdentChar(c); });
  if (cx == 0) return toPreviousLineEnd();
  cx = scanBack(cx - 1, [this](char16_t c) { return IsWordBreakChar(c); }) + 1;
  return {cx, cy};
}

TBufferCoord TCustomTextView::WordStartEx(TBufferCoord xy) {
  if (xy.Line < 1 || xy.Line > fLines->Count()) return xy;
  const std::u16string_view line = fLines->StringView(xy.Line - 1);
  int cx = std::min(xy.Char, static_cast<int>(line.size()) + 1);
  while (cx > 1 && IsIdentChar(line[static_cast<std::size_t>(cx - 2)])) --cx;
  return {cx, xy.Line};
}

TBufferCoord TCustomTextView::WordEndEx(TBufferCoord xy) {
  if (xy.Line < 1 || xy.Line > fLines->Count()) return xy;
  const std::u16string_view line = fLines->StringView(xy.Line - 1);
  int cx = std::max(1, xy.Char);
  while (cx <= static_cast<int>(line.size()) && IsIdentChar(line[static_cast<std::size_t>(cx - 1)]))
    ++cx;
  return {cx, xy.Line};
}

std::u16string TCustomTextView::WordAtCursor() {
  const TBufferCoord start = WordStartEx(fCaretXY), end = WordEndEx(fCaretXY);
  if (start.Line < 1 || start.Line > fLines->Count() || end.Char <= start.Char) return {};
  return std::u16string(fLines->StringView(start.Line - 1)
                            .substr(static_cast<std::size_t>(start.Char - 1),
                                    static_cast<std::size_t>(end.Char - start.Char)));
}

// ---- the selected text ------------------------------------------------------

std::u16string TCustomTextView::GetSelText() {
  std::u16string text;
  BuildSelText(text);
  return text;
}

bool TCustomTextView::BuildSelText(std::u16string& out) {
  out.clear();
  if (!SelAvail()) return true;
  const TBufferCoord b = BlockBegin(), e = BlockEnd();
  const int count = fLines->Count();
  if (count == 0) return true;
  const int firstLine = std::clamp(b.Line, 1, count), lastLine = std::clamp(e.Line, 1, count);
  auto lineAt = [&](int line) { return fLines->StringView(line - 1); };
  auto clampChar = [](int character, std::u16string_view s) {
    return static_cast<std::size_t>(std::clamp(character - 1, 0, static_cast<int>(s.size())));
  };
  std::int64_t total = 0;

  if (fActiveSelectionMode == TSelectionMode::smColumn) {
    TDisplayCoord from = BufferToDisplayPos(b), to = BufferToDisplayPos(e);
    const int left = std::min(from.Column, to.Column), right = std::max(from.Column, to.Column);
    const std::int64_t width = right - left;
    const bool pad = !(fOptions & eoTrimTrailingSpaces);
    struct TPiece {
      int line;
      std::size_t from, to;
      std::int64_t padding;
    };
    // First the pieces and their total length (in 64 bits, against the cap),
    // then the text in one allocation.
    std::vector<TPiece> pieces;
    for (int row = from.Row; row <= to.Row; ++row) {
      const TBufferCoord p1 = DisplayToBufferPos({left, row});
      const TBufferCoord p2 = DisplayToBufferPos({right, row});
      TPiece piece{p1.Line, 0, 0, pad ? width : 0};
      if (p1.Line >= 1 && p1.Line <= count) {
        const std::u16string_view s = lineAt(p1.Line);
        piece.from = clampChar(p1.Char, s);
        piece.to = std::max(piece.from, clampChar(p2.Line == p1.Line ? p2.Char : INT_MAX, s));
        if (pad) {
          const TLineLayout& layout = LineLayout(p1.Line - 1);
          const std::int64_t cells = layout.CellOfChar(static_cast<int>(piece.to)) -
                                     layout.CellOfChar(static_cast<int>(piece.from));
          piece.padding = std::max<std::int64_t>(0, width - cells);
        }
      }
      total += static_cast<std::int64_t>(piece.to - piece.from) + piece.padding +
               (row < to.Row ? 2 : 0);
      if (total > fMaxSelTextLength) return false;
      pieces.push_back(piece);
    }
    out.reserve(static_cast<std::size_t>(total));
    for (std::size_t i = 0; i < pieces.size(); ++i) {
      const TPiece& piece = pieces[i];
      if (piece.to > piece.from) out.append(lineAt(piece.line).substr(piece.from, piece.to - piece.from));
      out.append(static_cast<std::size_t>(piece.padding), u' ');
      if (i + 1 < pieces.size()) out.append(u"\r\n");
    }
    return true;
  }

  // Line and normal mode: one piece of each selected line, each followed by
  // CR LF while its line is below `breaksBefore`. First the total length
  // against the cap, then the text in one allocation.
  const auto joinPieces = [&](const auto& piece, int breaksBefore) {
    for (int line = firstLine; line <= lastLine; ++line) {
      total += static_cast<std::int64_t>(piece(line).size()) + (line < breaksBefore ? 2 : 0);
      if (total > fMaxSelTextLength) return false;
    }
    out.reserve(static_cast<std::size_t>(total));
    for (int line = firstLine; line <= lastLine; ++line) {
      out.append(piece(line));
      if (line < breaksBefore) out.append(u"\r\n");
    }
    return true;
  };

  // Line mode: whole lines, each with its line end but the buffer's last.
  if (fActiveSelectionMode == TSelectionMode::smLine) return joinPieces(lineAt, count);

  // Normal mode: from the begin column to the end column.
  auto piece = [&](int line) -> std::u16string_view {
    const std::u16string_view s = lineAt(line);
    const std::size_t from = line == b.Line ? clampChar(b.Char, s) : 0;
    const std::size_t to = line == e.Line ? std::max(from, clampChar(e.Char, s)) : s.size();
    return s.substr(from, to - from);
  };
  return joinPieces(piece, lastLine);
}

std::u16string TCustomTextView::GetTextBuf(std::size_t maxChars) {
  std::u16string out;
  const int count = fLines->Count();
  std::size_t total = 0;
  for (int i = 0; i < count && total < maxChars; ++i)
    total += fLines->StringView(i).size() + (i + 1 < count ? 2 : 0);
  out.reserve(std::min(total, maxChars));
  for (int i = 0; i < count && out.size() < maxChars; ++i) {
    const std::u16string_view s = fLines->StringView(i);
    out.append(s.substr(0, maxChars - out.size()));
    if (i + 1 < count && out.size() < maxChars)
      out.append(std::u16string_view(u"\r\n").substr(0, maxChars - out.size()));
  }
  return out;
}

}  // namespace tav
