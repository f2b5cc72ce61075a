// Painting of the text view: the gutter with line numbers and wrap markers,
// the rows token by token in the highlighter's colours with the selection,
// the background past the line ends and the right margin.
#include <algorithm>
#include <climits>

#include "textview/char_class.h"
#include "textview/text_view.h"

namespace tav {

namespace {

bool IsSpaceCell(char16_t c) { return c == u' ' || c == u'\t'; }

}  // namespace

TColor TCustomTextView::EditorBackground(bool currentLine) const {
  if (currentLine && fActiveLineColor != clNone) return fActiveLineColor;
  if (fHighlighter) {
    THighlighterAttributes* space = fHighlighter->GetDefaultAttribute(HIGHLIGHTER_ATTR_WHITESPACE);
    if (space && space->Background() != clNone) return space->Background();
  }
  return Color();
}

void TCustomTextView::Paint(TSurface& canvas, const TRect& clip) {
  if (&fTextDrawer->Device() != &canvas.Device()) FontChanged();
  if (fCharWidth <= 0 || fTextHeight <= 0) {
    canvas.FillRect(clip, ColorToRGB(Color()));
    return;
  }
  const int cw = fCharWidth, h = fTextHeight;
  const int firstCol =
      clip.Left > fGutterWidth + 2 ? fLeftChar + (clip.Left - fGutterWidth - 2) / cw : fLeftChar;
  const int lastCol = fLeftChar + (clip.Right + cw - fGutterWidth - 3) / cw;
  const int firstRow = std::max(fTopLine, fTopLine + clip.Top / h);
  const int lastRow =
      std::clamp(fTopLine + (clip.Bottom + h - 1) / h, 1, std::max(1, DisplayLineCount()));
  HideCaret();
  if (clip.Left < fGutterWidth)
    PaintGutterArea(canvas, {clip.Left, clip.Top, std::min(clip.Right, fGutterWidth), clip.Bottom},
                    firstRow, lastRow);
  if (clip.Right > fGutterWidth)
    PaintTextArea(canvas, {std::max(clip.Left, fGutterWidth), clip.Top, clip.Right, clip.Bottom},
                  firstRow, lastRow, firstCol, lastCol);
  if (fOnPaint) {
    canvas.SaveDC();
    canvas.SelectFont(fTextDrawer->StyleVariant(0).Font);
    canvas.SetBrush({TBrushStyle::bsSolid, ColorToRGB(Color())});
    fOnPaint(*this, canvas);
    canvas.RestoreDC();
  }
  if (!fScrollHintText.empty()) PaintScrollHint(canvas);
  ShowCaret();
}

void TCustomTextView::PaintScrollHint(TSurface& canvas) {
  const TRect r = ScrollHintRect();
  canvas.SaveDC();
  canvas.FillRect(r, ColorToRGB(fScrollHintColor));
  canvas.FrameRect(r, ColorToRGB(clInfoText));
  canvas.SelectFont(fTextDrawer->StyleVariant(0).Font);
  canvas.SetTextColor(ColorToRGB(clInfoText));
  canvas.SetBkMode(TBkMode::bkTransparent);
  canvas.TextOut(r.Left + 4, r.Top + 2, fScrollHintText);
  canvas.RestoreDC();
}

void TCustomTextView::PaintWrapGlyph(TSurface& canvas, int top) {
  // Two lines of text and an arrow back to the start of the next line, in a
  // 15 x 14 box right-aligned like the numbers.
  constexpr int kWidth = 15, kHeight = 14;
  const int x = fGutterWidth - fGutter->RightOffset() - kWidth - 2;
  const int y = top + (fTextHeight - kHeight) / 2;
  canvas.SaveDC();
  canvas.IntersectClipRect({x, top, x + kWidth, top + fTextHeight});
  canvas.SetPen({TPenStyle::psSolid, 1, ColorToRGB(fGutter->FontColor())});
  canvas.MoveTo(x + 1, y + 3);
  canvas.LineTo(x + 12, y + 3);
  canvas.MoveTo(x + 12, y + 3);
  canvas.LineTo(x + 12, y + 10);
  canvas.LineTo(x + 3, y + 10);
  canvas.MoveTo(x + 5, y + 8);
  canvas.LineTo(x + 3, y + 10);
  canvas.LineTo(x + 6, y + 13);
  canvas.RestoreDC();
}

void TCustomTextView::PaintGutterArea(TSurface& canvas, const TRect& clip, int firstRow,
                                      int lastRow) {
  const int h = fTextHeight;
  const bool gradient = fGutter->Gradient();
  if (gradient) {
    const int steps = std::clamp(fGutter->GradientSteps(), 2, 256);
    const TColor start = ColorToRGB(fGutter->GradientStartColor());
    const TColor end = ColorToRGB(fGutter->GradientEndColor());
    auto channel = [&](int s, int e, int i) { return s + MulDiv(i, e - s, steps - 1); };
    for (int i = 0; i < steps; ++i) {
      const TColor c = RGB(channel(GetRValue(start), GetRValue(end), i),
                           channel(GetGValue(start), GetGValue(end), i),
                           channel(GetBValue(start), GetBValue(end), i));
      canvas.FillRect({MulDiv(i, fGutterWidth, steps), 0, MulDiv(i + 1, fGutterWidth, steps),
                       ClientHeight()},
                      c);
    }
  }
  const TColor gutterColor = ColorToRGB(fGutter->Color());
  if (fGutter->ShowLineNumbers()) {
    canvas.SaveDC();
    TFontDesc font = fGutter->UseFontStyle() ? fGutter->Font() : fFont.Desc;
    if (!fGutter->UseFontStyle()) font.Weight = FW_NORMAL;
    canvas.SelectFont(canvas.Device().CreateFont(font));
    canvas.SetTextColor(
        ColorToRGB(fGutter->UseFontStyle() ? fGutter->FontColor() : fFont.Color));
    canvas.SetBkColor(gutterColor);
    if (gradient) canvas.SetBkMode(TBkMode::bkTransparent);
    const int rectRight = std::max(clip.Right, fGutterWidth - 2);
    const int firstLine = RowToLine(firstRow), lastLine = RowToLine(lastRow);
    int previousBottom = clip.Top;
    for (int line = firstLine; line <= lastLine; ++line) {
      const int top = (LineToRow(line) - fTopLine) * h;
      if (!gradient && top > previousBottom)
        canvas.FillRect({clip.Left, previousBottom, rectRight, top}, gutterColor);
      std::u16string text = fGutter->FormatLineNumber(line);
      if (fOnGutterGetText) fOnGutterGetText(*this, line, text);
      const TSize size = canvas.GetTextExtentPoint(text);
      const int x = fGutterWidth - fGutter->RightOffset() - size.cx - 2;
      const int y = top + (h - size.cy) / 2;
      const TRect lineRect{clip.Left, top, rectRight, top + h};
      canvas.ExtTextOut(x, y, gradient ? 0u : ETO_OPAQUE | ETO_CLIPPED, &lineRect, text, nullptr);
      previousBottom = std::max(previousBottom, top + h);
    }
    if (!gradient && previousBottom < clip.Bottom)
      canvas.FillRect({clip.Left, previousBottom, rectRight, clip.Bottom}, gutterColor);
    canvas.RestoreDC();
  } else if (!gradient) {
    canvas.FillRect(clip, gutterColor);
  }
  if (fWordWrapPlugin && fWordWrapGlyphVisible) {
    for (int row = firstRow; row <= lastRow && row <= fWordWrapPlugin->RowCount(); ++row) {
      if (row != LineToRow(RowToLine(row))) PaintWrapGlyph(canvas, (row - fTopLine) * h);
    }
  }
  const int borderX = fGutterWidth - 2;
  if (fGutter->BorderStyle() != TGutterBorderStyle::gbsNone && clip.Right > borderX) {
    canvas.SaveDC();
    auto line = [&](int x, TColor c) {
      canvas.SetPen({TPenStyle::psSolid, 1, ColorToRGB(c)});
      canvas.MoveTo(x, clip.Top);
      canvas.LineTo(x, clip.Bottom);
    };
    if (fGutter->BorderStyle() == TGutterBorderStyle::gbsMiddle) {
      line(borderX, fGutter->BorderColor());
      line(borderX + 1, fGutter->Color());
    } else {
      line(borderX + 1, fGutter->BorderColor());
    }
    canvas.RestoreDC();
  }
}

// The state of the text pass for one row: the selected columns and the
// token accumulator.
struct TCustomTextView::TRowPainter {
  TRowPainter(TCustomTextView& v, TSurface& c, TheTextDrawer& d) : view(v), canvas(c), drawer(d) {}
  TCustomTextView& view;
  TSurface& canvas;
  TheTextDrawer& drawer;
  int firstCol = 1, lastCol = 1;  // visible display columns, inclusive
  TRect rowRect;
  TColor fg = 0, bg = 0, selFg = 0, selBg = 0, editorBg = 0;
  bool special = false, currentLine = false;
  bool lineSelected = false, complex = false;
  int selStart = 0, selEnd = 0;  // selected display columns [selStart, selEnd) of a complex row
  // Accumulator: cells from display column accCol.
  std::u16string accText;
  int accCol = 0;
  THighlighterFontStyles accStyle = 0;
  TColor accFg = 0, accBg = 0;
  bool accSpacesOnly = true;
  int lastOverhang = 0;
  int nextCol = 0;  // the column after what has been painted
  // The row's first cell within its line, and the line's cell-less marks.
  int rowStart = 0;
  const std::vector<TCellMark>* marks = nullptr;

  int XOfColumn(int column) const { return view.fTextOffset + (column - 1) * view.fCharWidth; }

  void AddToken(std::u16string_view cells, int column, THighlighterFontStyles style,
                TColor tokenFg, TColor tokenBg) {
    if (tokenBg == clNone || (currentLine && view.fActiveLineColor != clNone)) tokenBg = editorBg;
    if (tokenFg == clNone) tokenFg = view.fFont.Color;
    const bool spaces = std::all_of(cells.begin(), cells.end(), IsSpaceCell);
    if (!accText.empty()) {
      const bool styleFits =
          style == accStyle ||
          (!(style & hfsUnderline) && !(accStyle & hfsUnderline) && spaces);
      const bool colourFits = (special && !(view.fOptions & eoSpecialLineDefaultFg)) ||
                              lineSelected ||
                              (tokenBg == accBg && (tokenFg == accFg || spaces));
      if (styleFits && colourFits) {
        accText += cells;
        accSpacesOnly = accSpacesOnly && spaces;
        return;
      }
      Flush();
    }
    accText.assign(cells);
    accCol = column;
    accStyle = style;
    accFg = tokenFg;
    accBg = tokenBg;
    accSpacesOnly = spaces;
  }

  void Flush() {
    if (accText.empty()) return;
    const int c1 = std::max(firstCol, accCol);
    const int c2 = std::min(lastCol + 1, accCol + static_cast<int>(accText.size()));
    TColor partFg = accFg, partBg = accBg;
    if (special) {
      partFg = (view.fOptions & eoSpecialLineDefaultFg) ? accFg : fg;
      partBg = bg;
    }
    drawer.SetStyle(accStyle);
    if (complex) {
      if (c1 < selStart) PaintPart(c1, std::min(c2, selStart), partFg, partBg);
      if (c1 < selEnd && c2 > selStart)
        PaintPart(std::max(c1, selStart), std::min(c2, selEnd), selFg, selBg);
      if (c2 > selEnd) PaintPart(std::max(c1, selEnd), c2, partFg, partBg);
    } else if (lineSelected) {
      PaintPart(c1, c2, selFg, selBg);
    } else {
      PaintPart(c1, c2, partFg, partBg);
    }
    nextCol = std::max(nextCol, c2);
    accText.clear();
  }

  // Columns [first, last) of the accumulator.
  void PaintPart(int first, int last, TColor partFg, TColor partBg) {
    if (first >= last) return;
    std::size_t a = static_cast<std::size_t>(first - accCol);
    std::size_t b = static_cast<std::size_t>(last - accCol);
    int x = XOfColumn(first);
    // A wide glyph cut by the part is drawn whole; the rectangle clips it.
    while (a > 0 && accText[a - 1] == kWideGlyphFiller) {
      --a;
      x -= view.fCharWidth;
    }
    while (b < accText.size() && accText[b - 1] == kWideGlyphFiller) ++b;
    if (b < accText.size() && IsHighSurrogate(accText[b - 1])) ++b;
    std::u16string text;
    text.reserve(b - a);
    const int clientRight = view.ClientWidth();
    // Marks follow the unit they are drawn over, with no advance of their own.
    const int lineCell = rowStart + accCol - 1;
    const bool withMarks = marks && !marks->empty();
    auto mark = withMarks ? std::lower_bound(marks->begin(), marks->end(),
                                             lineCell + static_cast<int>(a),
                                             [](const TCellMark& m, int cell) { return m.Cell < cell; })
                          : std::vector<TCellMark>::const_iterator{};
    int cellX = x;
    for (std::size_t i = a; i < b; ++i) {
      if (view.fWordWrapPlugin && cellX >= clientRight) break;
      cellX += view.fCharWidth;
      const char16_t c = accText[i];
      if (c == kWideGlyphFiller) continue;
      if (c == u'\t') {
        text += (view.fOptions & eoShowSpecialChars) ? u'\u2192' : u' ';
      } else if (c == u' ' && (view.fOptions & eoShowSpecialChars)) {
        text += u'\u2219';
      } else if (IsCombiningMark(c)) {
        // A mark on a cell of its own stands on a no-break space.
        text += u'\u00A0';
        text += c;
      } else {
        text += c;
      }
      for (; withMarks && mark != marks->end() && mark->Cell == lineCell + static_cast<int>(i); ++mark)
        text += mark->Mark;
    }
    const TRect rect{XOfColumn(first), rowRect.Top, XOfColumn(last), rowRect.Bottom};
    drawer.SetForeColor(partFg);
    drawer.SetBackColor(partBg);
    canvas.SetBrush({TBrushStyle::bsSolid, ColorToRGB(partBg)});
    lastOverhang = drawer.ExtTextOut(x, rowRect.Top, ETO_OPAQUE | ETO_CLIPPED, rect, text);
  }

  // The rest of the row after the last token.
  void FillToEnd() {
    const TColor fill = special ? bg : editorBg;
    int left = XOfColumn(nextCol) + (accStyle != 0 ? lastOverhang : 0);
    left = std::max(left, rowRect.Left);
    auto part = [&](int from, int to, TColor c) {
      if (to > from) canvas.FillRect({from, rowRect.Top, to, rowRect.Bottom}, ColorToRGB(c));
    };
    if (complex) {
      const int s = std::clamp(XOfColumn(selStart), left, rowRect.Right);
      const int e = std::clamp(XOfColumn(selEnd), left, rowRect.Right);
      part(left, s, fill);
      part(s, e, selBg);
      part(e, rowRect.Right, fill);
    } else {
      part(left, rowRect.Right, lineSelected ? selBg : fill);
    }
  }
};

void TCustomTextView::PaintTextArea(TSurface& canvas, const TRect& clip, int firstRow, int lastRow,
                                    int firstCol, int lastCol) {
  const int h = fTextHeight;
  const int edgeX = fRightEdge > 0 ? fTextOffset + fRightEdge * fCharWidth : INT_MIN;
  const bool drawEdge = edgeX >= clip.Left && edgeX < clip.Right;
  auto edgeSegment = [&](int top, int bottom) {
    if (!drawEdge || bottom <= top) return;
    canvas.SetPen({TPenStyle::psSolid, 1, ColorToRGB(fRightEdgeColor)});
    canvas.MoveTo(edgeX, top);
    canvas.LineTo(edgeX, bottom);
  };
  if (clip.Left < fGutterWidth + 2)
    canvas.FillRect(IntersectRect(clip, {fGutterWidth, clip.Top, fGutterWidth + 2, clip.Bottom}),
                    ColorToRGB(EditorBackground(false)));

  // The selection in display coordinates.
  bool selection = SelAvail() && !(fHideSelection && !Focused());
  TDisplayCoord selFrom, selTo;
  if (selection) {
    TBufferCoord b = fBlockBegin, e = fBlockEnd;
    if (e.Line < b.Line || (e.Line == b.Line && e.Char < b.Char)) std::swap(b, e);
    selFrom = BufferToDisplayPos(b);
    selTo = BufferToDisplayPos(e);
    if (fActiveSelectionMode == TSelectionMode::smColumn && selTo.Column < selFrom.Column)
      std::swap(selFrom.Column, selTo.Column);
  }

  TRowPainter p(*this, canvas, *fTextDrawer);
  p.firstCol = firstCol;
  p.lastCol = lastCol;
  fTextDrawer->BeginDrawing(canvas);
  int paintedBottom = (firstRow - fTopLine) * h;
  const int firstLine = RowToLine(firstRow), lastLine = std::min(RowToLine(lastRow), fLines->Count());
  for (int line = firstLine; line <= lastLine; ++line) {
    TLineLayout& layout = MutableLineLayout(line - 1);
    if (!layout.TokensValid) MakeLayoutTokens(layout);
    p.currentLine = line == fCaretXY.Line;
    p.fg = fFont.Color;
    p.bg = EditorBackground(p.currentLine);
    p.editorBg = p.bg;
    p.special = false;
    if (fOnSpecialLineColors) fOnSpecialLineColors(*this, line, p.special, p.fg, p.bg);
    if (p.special) {
      p.selFg = p.bg;
      p.selBg = p.fg;
    } else {
      p.selFg = fSelectedColor.Foreground;
      p.selBg = fSelectedColor.Background;
    }
    const int lineFirstRow = LineToRow(line);
    const int lineLastRow = fWordWrapPlugin && line <= fWordWrapPlugin->LineCount()
                                ? fWordWrapPlugin->LineOffset(line - 1)
                                : lineFirstRow;
    for (int row = std::max(firstRow, lineFirstRow); row <= std::min(lastRow, lineLastRow); ++row) {
      // The row's cells within the line: [rowStart, rowStart + rowLength).
      int rowStart = 0, rowLength = layout.CellCount();
      if (fWordWrapPlugin && row <= fWordWrapPlugin->RowCount()) {
        rowStart = fWordWrapPlugin->DisplayToBufferPos({1, row}).Char - 1;
        rowLength = fWordWrapPlugin->GetRowLength(row);
      }
      const int paintFrom = rowStart + firstCol - 1;
      const int paintTo = std::min(rowStart + rowLength, rowStart + lastCol);

      // Selected columns of the row.
      p.lineSelected = p.complex = false;
      bool rowSelected = selection && row >= selFrom.Row && row <= selTo.Row;
      p.selStart = firstCol;
      p.selEnd = lastCol + 1;
      if (rowSelected && fActiveSelectionMode != TSelectionMode::smLine) {
        const bool column = fActiveSelectionMode == TSelectionMode::smColumn;
        if (column || row == selFrom.Row) {
          if (selFrom.Column > lastCol) rowSelected = false;
          else if (selFrom.Column > firstCol) { p.selStart = selFrom.Column; p.complex = true; }
        }
        if (rowSelected && (column || row == selTo.Row)) {
          if (selTo.Column < firstCol) rowSelected = false;
          else if (selTo.Column < lastCol + 1) { p.selEnd = selTo.Column; p.complex = true; }
        }
      }
      if (!rowSelected) p.complex = false;
      p.lineSelected = rowSelected && !p.complex;

      const int top = (row - fTopLine) * h;
      p.rowRect = {fGutterWidth + 2, top, clip.Right, top + h};
      p.nextCol = firstCol;
      p.lastOverhang = 0;
      p.accStyle = 0;
      p.rowStart = rowStart;
      p.marks = &layout.Marks;
      const std::u16string_view cells = layout.Cells;
      auto add = [&](int from, int to, THighlighterAttributes* attr) {
        if (to <= from) return;
        const THighlighterFontStyles style =
            attr ? attr->Style() : static_cast<THighlighterFontStyles>(fFont.Desc.Bold() ? hfsBold : 0);
        p.AddToken(cells.substr(static_cast<std::size_t>(from), static_cast<std::size_t>(to - from)),
                   from - rowStart + 1, style, attr ? attr->Foreground() : p.fg,
                   attr ? attr->Background() : p.bg);
      };
      if (fHighlighter && fHighlighter->Enabled() && !layout.Tokens.empty()) {
        auto it = std::upper_bound(layout.Tokens.begin(), layout.Tokens.end(), paintFrom,
                                   [](int cell, const TLayoutToken& t) { return cell < t.Cell + t.Length; });
        for (; it != layout.Tokens.end() && it->Cell < paintTo; ++it)
          add(std::max(it->Cell, paintFrom), std::min(it->Cell + it->Length, paintTo), it->Attribute);
      } else {
        add(paintFrom, paintTo, nullptr);
      }
      p.Flush();
      p.FillToEnd();
      edgeSegment(top, top + h);
      paintedBottom = top + h;
    }
  }
  fTextDrawer->EndDrawing();
  if (paintedBottom < clip.Bottom) {
    canvas.FillRect({clip.Left, std::max(paintedBottom, clip.Top), clip.Right, clip.Bottom},
                    ColorToRGB(EditorBackground(false)));
    edgeSegment(std::max(paintedBottom, clip.Top), clip.Bottom);
  }
}

}  // namespace tav
