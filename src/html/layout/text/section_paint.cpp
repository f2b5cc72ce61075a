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
  const int docDX = Sat(static_cast<long long>(FLayoutX) - x);
  // Line bottoms never decrease: the first line reaching the clip is found
  // by halving.
  auto first = std::partition_point(Lines.begin(), Lines.end(), [&](const LineRec& l) {
    return static_cast<long long>(l.Y) + l.LineImgHt < top;
  });
  surface.SetTextAlign(TA_BASELINE);
  const TColor pageBg = ColorToRGB(document.Looks.Background);
  const long long selB = static_cast<long long>(document.Selection.SelB) - StartCurs;
  const long long selE = static_cast<long long>(document.Selection.SelE) - StartCurs;
  int bottom = 0;
  std::vector<int> dx;
  for (auto it = first; it != Lines.end() && it->Y <= bot; ++it) {
    if (it->FirstDraw) {
      AttachBorders(*it);
      it->FirstDraw = false;
    }
    const LineRec& line = *it;
    bottom = std::max(bottom, Sat(static_cast<long long>(line.Y) + line.LineImgHt - yOff));
    if (line.Ln == 0) continue;
    if (!line.BorderList.empty()) DrawBorders(surface, line, x, yOff);
    const int start = line.Start;
    const int vis = VisibleEnd(start, start + line.Ln);
    const long long lineX = static_cast<long long>(x) + line.DrawXX;
    const long long baseline =
        static_cast<long long>(line.Y) - yOff + line.SpaceBefore + line.LineHt - line.Descent;
    const long long p0 = FPrefix[static_cast<std::size_t>(start)];

    // The slice of the line under the clip (all of it when justified: such
    // a line is never wider than its block).
    int a = start, b = vis;
    if (line.Spaces == 0 && a < b) {
      long long from = clip.Left - InkMargin - lineX + p0;
      a = static_cast<int>(FPrefix.LowerBound(static_cast<std::size_t>(a) + 1,
                                              static_cast<std::size_t>(b) + 1, from)) - 1;
      if (a > start && IsLowSurrogate(Buff[static_cast<std::size_t>(a)])) --a;
      long long to = clip.Right + InkMargin - lineX + p0;
      b = std::max(a, static_cast<int>(FPrefix.UpperBound(static_cast<std::size_t>(a),
                                                          static_cast<std::size_t>(b), to)));
      if (b < vis && b > a && IsLowSurrogate(Buff[static_cast<std::size_t>(b)])) ++b;
    }
    // Justification: the k-th space of the line gets Extra / Spaces, the
    // first Extra mod Spaces one pixel more.
    int spaceIndex = 0;
    if (line.Spaces > 0)
      spaceIndex = static_cast<int>(std::count(Buff.begin() + start, Buff.begin() + a, u' '));
    auto extraBefore = [&](int k) -> long long {
      if (line.Spaces == 0) return 0;
      return static_cast<long long>(k) * (line.Extra / line.Spaces) + std::min(k, line.Extra % line.Spaces);
    };
    auto selected = [&](int i) { return i >= selB && i < selE; };

    int i = a;
    while (i < b) {
      char16_t c = Buff[static_cast<std::size_t>(i)];
      if (NotText(c)) {
        if (c == ImageChar && Images.Count() > 0) {
          TFloatingObj* obj = Images.FindImage(i);
          if (obj && !obj->Floating()) {
            // Pictures are painted after the document, above the text.
            long long ix = lineX + (FPrefix[static_cast<std::size_t>(i)] - p0) +
                           extraBefore(spaceIndex) + obj->HSpaceL;
            const TFontObj* run = Fonts.GetFontObjAt(i);
            int lineTop = Sat(static_cast<long long>(line.Y) - yOff + line.SpaceBefore);
            document.PaintPass.DrawList.AddImage([obj, px = Sat(ix), run, bl = Sat(baseline), lineTop,
                                   docDX](TSurface& s) { obj->Draw(s, px, run, bl, lineTop, docDX); });
          }
        }
        if (c == FmCtlChar && FormControls.Count() > 0) {
          if (TFormControlObj* control = FormControls.FindControl(i)) {
            long long cx = lineX + (FPrefix[static_cast<std::size_t>(i)] - p0) +
                           extraBefore(spaceIndex) + control->HSpaceL;
            int lineTop = Sat(static_cast<long long>(line.Y) - yOff + line.SpaceBefore);
            PaintFormControl(document, *control, Sat(cx),
                             control->BoxTop(Fonts.GetFontObjAt(i), Sat(baseline), lineTop));
          }
        }
        ++i;
        continue;
      }
      TFontObj* run = Fonts.GetFontObjAt(i);
      int runEnd = std::min(b, Fonts.GetFontCountAt(i, Len - i) + i);
      bool sel = selected(i);
      int e = i;
      while (e < runEnd && !NotText(Buff[static_cast<std::size_t>(e)]) && selected(e) == sel) ++e;
      long long segX = lineX + (FPrefix[static_cast<std::size_t>(i)] - p0) + extraBefore(spaceIndex);
      dx.assign(static_cast<std::size_t>(e - i), 0);
      for (int j = i; j < e; ++j) {
        long long adv = Advance(j);
        if (line.Spaces > 0 && Buff[static_cast<std::size_t>(j)] == u' ') {
          adv += line.Extra / line.Spaces + (spaceIndex < line.Extra % line.Spaces ? 1 : 0);
          ++spaceIndex;
        }
        dx[static_cast<std::size_t>(j - i)] = Sat(adv);
      }
      DrawRun(surface, *run, sel, pageBg, segX, baseline,
              std::u16string_view(Buff).substr(static_cast<std::size_t>(i), static_cast<std::size_t>(e - i)),
              dx.data());
      i = e;
    }
    // A line broken at a soft hyphen shows the hyphen.
    if (line.Shy && vis > start && b == vis) {
      int last = vis - 1;
      TFontObj* run = Fonts.GetFontObjAt(last);
      long long hx = lineX + (FPrefix[static_cast<std::size_t>(vis)] - p0) + extraBefore(line.Spaces);
      int w = HyphenWidth(last);
      DrawRun(surface, *run, selected(last), pageBg, hx, baseline, u"-", &w);
    }
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
