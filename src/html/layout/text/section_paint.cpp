// Painting a text section: the lines under the clip, each font run at its
// measured X with its measured advances.
#include <algorithm>
#include <climits>

#include "html/base/sat_math.h"
#include "html/layout/document.h"
#include "html/layout/indent_manager.h"
#include "html/layout/text/section.h"

namespace tav {

namespace {

int Sat(long long v) {
  return v > INT_MAX ? INT_MAX : v < INT_MIN ? INT_MIN : static_cast<int>(v);
}

bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }
bool NotText(char16_t c) { return c == ImageChar || c == FmCtlChar || c == BrkCh; }

// Ink may reach past a character's advance (italics); characters this far
// outside the clip are still drawn.
constexpr int InkMargin = 64;

}  // namespace

namespace {

// Justification: the k-th space of a line gets Extra / Spaces, the first
// Extra mod Spaces one pixel more; this is what the first k spaces add.
long long ExtraBefore(const LineRec& line, int k) {
  if (line.Spaces == 0) return 0;
  return static_cast<long long>(k) * (line.Extra / line.Spaces) + std::min(k, line.Extra % line.Spaces);
}

}  // namespace

// What one Draw1 shares across its lines, and the line being painted.
struct TSection::TLinePaint {
  TLinePaint(TSurface& surface, const TRect& clip) : Surface(surface), Clip(clip) {}
  TSurface& Surface;
  const TRect& Clip;
  int X = 0;          // the window X of the layout X
  long long YOff = 0;
  int DocDX = 0;      // layout X minus window X
  TColor PageBg = 0;
  long long SelB = 0;  // the selection, as section positions
  long long SelE = 0;
  std::vector<int> Dx;  // the advances of the run being drawn
  // The line being painted: its window X, its baseline, the prefix sum at
  // its start, and the number of spaces before the character being drawn.
  const LineRec* Line = nullptr;
  long long LineX = 0;
  long long Baseline = 0;
  long long P0 = 0;
  int SpaceIndex = 0;

  bool Selected(int i) const { return i >= SelB && i < SelE; }
};

long long TSection::XOnLine(const TLinePaint& paint, int i, int spaces) const {
  return paint.LineX + (FPrefix[static_cast<std::size_t>(i)] - paint.P0) +
         ExtraBefore(*paint.Line, spaces);
}

std::pair<int, int> TSection::ClipSlice(const TLinePaint& paint, int vis) const {
  // All of it when justified: such a line is never wider than its block.
  const LineRec& line = *paint.Line;
  const int start = line.Start;
  int a = start, b = vis;
  if (line.Spaces == 0 && a < b) {
    long long from = paint.Clip.Left - InkMargin - paint.LineX + paint.P0;
    a = static_cast<int>(FPrefix.LowerBound(static_cast<std::size_t>(a) + 1,
                                            static_cast<std::size_t>(b) + 1, from)) - 1;
    if (a > start && IsLowSurrogate(Buff[static_cast<std::size_t>(a)])) --a;
    long long to = paint.Clip.Right + InkMargin - paint.LineX + paint.P0;
    b = std::max(a, static_cast<int>(FPrefix.UpperBound(static_cast<std::size_t>(a),
                                                        static_cast<std::size_t>(b), to)));
    if (b < vis && b > a && IsLowSurrogate(Buff[static_cast<std::size_t>(b)])) ++b;
  }
  return {a, b};
}

void TSection::DrawPlaceholder(TLinePaint& paint, int i) {
  TSectionList& document = ParentSectionList;
  const LineRec& line = *paint.Line;
  const char16_t c = Buff[static_cast<std::size_t>(i)];
  if (c == ImageChar && Images.Count() > 0) {
    TFloatingObj* obj = Images.FindImage(i);
    if (obj && !obj->Floating()) {
      // Pictures are painted after the document, above the text.
      long long ix = XOnLine(paint, i, paint.SpaceIndex) + obj->HSpaceL;
      const TFontObj* run = Fonts.GetFontObjAt(i);
      int lineTop = Sat(static_cast<long long>(line.Y) - paint.YOff + line.SpaceBefore);
      document.PaintPass.DrawList.AddImage(
          [obj, px = Sat(ix), run, bl = Sat(paint.Baseline), lineTop, docDX = paint.DocDX](
              TSurface& s) { obj->Draw(s, px, run, bl, lineTop, docDX); });
    }
  }
  if (c == FmCtlChar && FormControls.Count() > 0) {
    if (TFormControlObj* control = FormControls.FindControl(i)) {
      long long cx = XOnLine(paint, i, paint.SpaceIndex) + control->HSpaceL;
      int lineTop = Sat(static_cast<long long>(line.Y) - paint.YOff + line.SpaceBefore);
      PaintFormControl(document, *control, Sat(cx),
                       control->BoxTop(Fonts.GetFontObjAt(i), Sat(paint.Baseline), lineTop));
    }
  }
}

int TSection::DrawTextRun(TLinePaint& paint, int i, int b) {
  const LineRec& line = *paint.Line;
  TFontObj* run = Fonts.GetFontObjAt(i);
  // The run ends at a font change, a placeholder or a selection edge.
  int runEnd = std::min(b, Fonts.GetFontCountAt(i, Len - i) + i);
  bool sel = paint.Selected(i);
  int e = i;
  while (e < runEnd && !NotText(Buff[static_cast<std::size_t>(e)]) && paint.Selected(e) == sel) ++e;
  long long segX = XOnLine(paint, i, paint.SpaceIndex);
  paint.Dx.assign(static_cast<std::size_t>(e - i), 0);
  for (int j = i; j < e; ++j) {
    long long adv = Advance(j);
    if (line.Spaces > 0 && Buff[static_cast<std::size_t>(j)] == u' ') {
      adv += line.Extra / line.Spaces + (paint.SpaceIndex < line.Extra % line.Spaces ? 1 : 0);
      ++paint.SpaceIndex;
    }
    paint.Dx[static_cast<std::size_t>(j - i)] = Sat(adv);
  }
  DrawRun(paint.Surface, *run, sel, paint.PageBg, segX, paint.Baseline,
          std::u16string_view(Buff).substr(static_cast<std::size_t>(i), static_cast<std::size_t>(e - i)),
          paint.Dx.data());
  return e;
}

void TSection::DrawLine(TLinePaint& paint, const LineRec& line) {
  if (!line.BorderList.empty()) DrawBorders(paint.Surface, line, paint.X, paint.YOff);
  const int start = line.Start;
  const int vis = VisibleEnd(start, start + line.Ln);
  paint.Line = &line;
  paint.LineX = static_cast<long long>(paint.X) + line.DrawXX;
  paint.Baseline =
      static_cast<long long>(line.Y) - paint.YOff + line.SpaceBefore + line.LineHt - line.Descent;
  paint.P0 = FPrefix[static_cast<std::size_t>(start)];

  // The slice of the line under the clip.
  const auto [a, b] = ClipSlice(paint, vis);
  paint.SpaceIndex = 0;
  if (line.Spaces > 0)
    paint.SpaceIndex = static_cast<int>(std::count(Buff.begin() + start, Buff.begin() + a, u' '));
  int i = a;
  while (i < b) {
    if (NotText(Buff[static_cast<std::size_t>(i)])) {
      DrawPlaceholder(paint, i);
      ++i;
    } else {
      i = DrawTextRun(paint, i, b);
    }
  }
  // A line broken at a soft hyphen shows the hyphen.
  if (line.Shy && vis > start && b == vis) {
    int last = vis - 1;
    TFontObj* run = Fonts.GetFontObjAt(last);
    long long hx = XOnLine(paint, vis, line.Spaces);
    int w = HyphenWidth(last);
    DrawRun(paint.Surface, *run, paint.Selected(last), paint.PageBg, hx, paint.Baseline, u"-", &w);
  }
}

int TSection::Draw1(TSurface& surface, const TRect& clip, IndentManager& imgr, int x, int xRef,
                    int yRef) {
  (void)imgr, (void)xRef, (void)yRef;
  TSectionList& document = ParentSectionList;
  const long long yOff = document.PaintPass.YOff;
  if (Lines.empty() || Len == 0) return Sat(ContentBot - yOff);
  EnsureWidths();
  const long long top = clip.Top - 40 + yOff;
  const long long bot = clip.Bottom + 40 + yOff;
  if (Images.Count() > 0) QueueFloats(x, top, bot);
  // Line bottoms never decrease: the first line reaching the clip is found
  // by halving.
  auto first = std::partition_point(Lines.begin(), Lines.end(), [&](const LineRec& l) {
    return static_cast<long long>(l.Y) + l.LineImgHt < top;
  });
  surface.SetTextAlign(TA_BASELINE);
  TLinePaint paint{surface, clip};
  paint.X = x;
  paint.YOff = yOff;
  paint.DocDX = Sat(static_cast<long long>(FLayoutX) - x);
  paint.PageBg = ColorToRGB(document.Looks.Background);
  paint.SelB = static_cast<long long>(document.Selection.SelB) - StartCurs;
  paint.SelE = static_cast<long long>(document.Selection.SelE) - StartCurs;
  int bottom = 0;
  for (auto it = first; it != Lines.end() && it->Y <= bot; ++it) {
    if (it->FirstDraw) {
      AttachBorders(*it);
      it->FirstDraw = false;
    }
    const LineRec& line = *it;
    bottom = std::max(bottom, Sat(static_cast<long long>(line.Y) + line.LineImgHt - yOff));
    if (line.Ln != 0) DrawLine(paint, line);
  }
  return bottom;
}

void TSection::QueueFloats(int x, long long top, long long bot) {
  TSectionList& document = ParentSectionList;
  const int docDX = Sat(static_cast<long long>(FLayoutX) - x);
  for (const auto& item : Images.Items) {
    TFloatingObj* obj = item.get();
    if (!obj->Floating()) continue;
    if (static_cast<long long>(obj->FloatY) + obj->TotalHeight() < top || obj->FloatY > bot) continue;
    const int px = Sat(static_cast<long long>(obj->FloatX) - docDX);
    const int py = Sat(static_cast<long long>(obj->FloatY) - document.PaintPass.YOff);
    const TFontObj* run = Fonts.GetFontObjAt(obj->Pos);
    document.PaintPass.DrawList.AddImage([obj, px, py, run, docDX](TSurface& s) { obj->Draw(s, px, run, py, py, docDX); });
  }
}

void TSection::DrawRun(TSurface& surface, const TFontObj& run, bool selected, TColor pageBg,
                       long long x, long long baseline, std::u16string_view text, const int* dx) {
  const TMyFont& font = run.TheFont;
  font.AssignToCanvas(surface);
  long long y = baseline;
  if (run.SScript == AlignmentType::ASuper) y -= run.FontHeight / 3;
  else if (run.SScript == AlignmentType::ASub) y += run.Descent / 2 + 1;
  if (selected) {
    // Inverted: the text colour behind, the background's inverse on top.
    TColor bg = font.bgColor != clNone ? ColorToRGB(font.bgColor) : pageBg;
    surface.SetBkMode(TBkMode::bkOpaque);
    surface.SetBkColor(ColorToRGB(font.Color));
    surface.SetTextColor((bg ^ 0xFFFFFFu) & 0xFFFFFFu);
  } else {
    surface.SetTextColor(font.Color);
    if (font.bgColor != clNone) {
      surface.SetBkMode(TBkMode::bkOpaque);
      surface.SetBkColor(font.bgColor);
    } else {
      surface.SetBkMode(TBkMode::bkTransparent);
    }
  }
  surface.ExtTextOut(Sat(x), Sat(y), 0, nullptr, text, dx);
}

}  // namespace tav
