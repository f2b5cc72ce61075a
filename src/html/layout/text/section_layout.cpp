// Measuring a text section and breaking it into lines.
#include <algorithm>
#include <climits>

#include "html/base/sat_math.h"
#include "html/layout/document.h"
#include "html/layout/indent_manager.h"
#include "html/layout/text/section.h"

namespace tav {

namespace {

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }
bool IsCJK(char16_t c) { return c >= 0x3000 && !(c >= 0xD800 && c <= 0xDFFF); }
bool IsPlaceholder(char16_t c) { return c == ImageChar || c == FmCtlChar; }

int Sat(long long v) {
  return v > INT_MAX ? INT_MAX : v < INT_MIN ? INT_MIN : static_cast<int>(v);
}

}  // namespace

// ---------------------------------------------------------------- widths

void TSection::SizeImages(TSurface& surface, int availableWidth, int availableHeight) {
  if (Images.Count() == 0) return;
  bool changed = FObjWidths.size() != Images.Items.size();
  FObjWidths.resize(Images.Items.size());
  for (std::size_t k = 0; k < Images.Items.size(); ++k) {
    TFloatingObj& obj = *Images.Items[k];
    obj.DrawLogic(surface, availableHeight, availableWidth, Fonts.GetFontObjAt(obj.Pos));
    int w = obj.Floating() ? -1 : obj.TotalWidth();
    if (FObjWidths[k] != w) {
      FObjWidths[k] = w;
      changed = true;
    }
  }
  if (changed) FWidthsValid = false;
}

void TSection::EnsureWidths() {
  bool objects = FormControls.Count() > 0;
  if (FWidthsValid && !objects && FPrefix.size() == static_cast<std::size_t>(Len) + 1) return;
  FPrefix.Reset(static_cast<std::size_t>(Len) + 1);
  long long sum = 0;
  FBreaks.clear();
  std::vector<int> adv;
  std::u16string_view text(Buff.data(), static_cast<std::size_t>(Len));
  for (int k = 0; k < Fonts.Count(); ++k) {
    int from = k == 0 ? 0 : std::clamp(Fonts[k].Pos, 0, Len);
    int to = k + 1 < Fonts.Count() ? std::clamp(Fonts[k + 1].Pos, from, Len) : Len;
    if (from >= to) continue;
    const TMyFont& font = Fonts[k].TheFont;
    std::u16string_view part = text.substr(static_cast<std::size_t>(from),
                                           static_cast<std::size_t>(to - from));
    if (font.Font) font.Font->Advances(part, adv, 0);
    else adv.assign(part.size(), 0);
    // Letter spacing is added here, in 64 bits, so that no spacing can wrap.
    long long extra = font.CharExtra;
    for (int j = 0; j < to - from; ++j) {
      int i = from + j;
      char16_t c = Buff[static_cast<std::size_t>(i)];
      long long a = 0;
      if (c == BrkCh) {
        FBreaks.push_back(i);
      } else if (c == ImageChar) {
        bool floating = false;
        int width = Images.GetWidthAt(i, floating);
        a = floating ? 0 : std::max(width, 0);
      } else if (c == FmCtlChar) {
        int hSpaceL = 0, hSpaceR = 0;
        int width = FormControls.GetWidthAt(i, hSpaceL, hSpaceR);
        a = width >= 0 ? static_cast<long long>(width) + hSpaceL + hSpaceR : 0;
      } else {
        a = adv[static_cast<std::size_t>(j)];
        bool pairTail = IsLowSurrogate(c) && i > 0 && IsHighSurrogate(Buff[static_cast<std::size_t>(i - 1)]);
        if (!pairTail) a += extra;
      }
      a = std::clamp<long long>(a, 0, INT_MAX);
      sum += a;
      FPrefix.Set(static_cast<std::size_t>(i) + 1, sum);
    }
  }
  FWidthsValid = true;
}

int TSection::Advance(int i) const {
  return static_cast<int>(FPrefix[static_cast<std::size_t>(i) + 1] - FPrefix[static_cast<std::size_t>(i)]);
}

int TSection::HyphenWidth(int pos) const {
  const TFontObj* run = Fonts.GetFontObjAt(pos);
  if (!run || !run->TheFont.Font) return 0;
  long long w = static_cast<long long>(run->TheFont.Font->CharAdvance(u'-')) + run->TheFont.CharExtra;
  return Sat(std::max<long long>(w, 0));
}

bool TSection::CanBreakAfter(int j) const {
  char code = Brk[static_cast<std::size_t>(j)];
  if (code == 'n') return false;
  if (code == 'a' || code == 's') return true;
  char16_t c = Buff[static_cast<std::size_t>(j)];
  if (c == u' ' || IsPlaceholder(c) || c == BrkCh || c == u'-' || c == u'?' || IsCJK(c)) return true;
  return j + 1 < Len && IsCJK(Buff[static_cast<std::size_t>(j) + 1]);
}

int TSection::VisibleEnd(int start, int end) const {
  while (end > start) {
    char16_t c = Buff[static_cast<std::size_t>(end) - 1];
    if (c != u' ' && c != BrkCh) break;
    --end;
  }
  return end;
}

// ---------------------------------------------------------------- min and max

void TSection::MinMaxWidth(TSurface& surface, int& min, int& max) {
  bool objects = Images.Count() > 0;
  if (!objects && StoredCycle == ParentSectionList.LayoutPass.CycleNumber && StoredMin >= 0) {
    min = StoredMin;
    max = StoredMax;
    return;
  }
  // Images are sized first, without room: percentages count as nothing.
  SizeImages(surface, 0, 0);
  EnsureWidths();
  // Maximum: the widest stretch between line breaks; the first one carries
  // the text indent.
  long long mx = 0;
  int segStart = 0;
  bool firstSeg = true;
  auto segment = [&](int end) {
    long long w = Width(segStart, VisibleEnd(segStart, end));
    if (firstSeg) {
      if (FLPercent) w = w * 100 / (100 - std::clamp(FirstLineIndent, 0, 90));
      else w += FirstLineIndent;
    }
    mx = std::max(mx, w);
    firstSeg = false;
  };
  for (int b : FBreaks) {
    segment(b);
    segStart = b + 1;
  }
  segment(Len);

  // Floating images add their width to the maximum and need it at least.
  long long mn = 0;
  for (const auto& obj : Images.Items) {
    if (!obj->Floating()) continue;
    mx += obj->TotalWidth();
    mn = std::max<long long>(mn, obj->TotalWidth());
  }

  // Minimum: the widest piece that cannot be broken.
  if (BreakWord) {
    for (int i = 0; i < Len; ++i) mn = std::max<long long>(mn, Advance(i));
  } else {
    int ps = 0;
    for (int j = 0; j < Len; ++j) {
      char16_t c = Buff[static_cast<std::size_t>(j)];
      bool separator = (c == u' ' || IsPlaceholder(c) || c == BrkCh) && Brk[static_cast<std::size_t>(j)] != 'n';
      if (separator) {
        mn = std::max(mn, Width(ps, j));
        if (IsPlaceholder(c)) mn = std::max<long long>(mn, Advance(j));
        ps = j + 1;
      } else if (CanBreakAfter(j)) {
        long long w = Width(ps, j + 1);
        if (Brk[static_cast<std::size_t>(j)] == 's') w += HyphenWidth(j);
        mn = std::max(mn, w);
        ps = j + 1;
      }
    }
    mn = std::max(mn, Width(ps, VisibleEnd(ps, Len)));
  }
  StoredMin = Sat(mn);
  StoredMax = Sat(std::max(mx, mn));
  StoredCycle = ParentSectionList.LayoutPass.CycleNumber;
  min = StoredMin;
  max = StoredMax;
}

void TPreFormated::MinMaxWidth(TSurface& surface, int& min, int& max) {
  if (WrapsLines) {
    TSection::MinMaxWidth(surface, min, max);
    return;
  }
  SizeImages(surface, 0, 0);
  EnsureWidths();
  long long w = 0;
  int segStart = 0;
  for (int b : FBreaks) {
    w = std::max(w, Width(segStart, VisibleEnd(segStart, b)));
    segStart = b + 1;
  }
  w = std::max(w, Width(segStart, VisibleEnd(segStart, Len)));
  max = Sat(w);
  min = std::min(max, 6000);
  StoredMin = min;
  StoredMax = max;
  StoredCycle = ParentSectionList.LayoutPass.CycleNumber;
}

// ---------------------------------------------------------------- lines

void TSection::SetLineMetrics(LineRec& line) const {
  int end = line.Start + line.Ln;
  int k = 0;
  if (Fonts.Count() > 0) {
    auto it = std::upper_bound(Fonts.Items.begin(), Fonts.Items.end(), line.Start,
                               [](int p, const std::unique_ptr<TFontObj>& run) { return p < run->Pos; });
    k = std::max(0, static_cast<int>(it - Fonts.Items.begin()) - 1);
  }
  line.LineHt = 0;
  line.Descent = 0;
  for (int first = k; k < Fonts.Count() && (k == first || Fonts[k].Pos < end); ++k) {
    line.LineHt = std::max(line.LineHt, Fonts[k].FontHeight);
    line.Descent = std::max(line.Descent, Fonts[k].Descent);
  }
  line.SpaceBefore = line.SpaceAfter = 0;
  if (LineHeight >= 0) {
    // The difference to the line height: half above (toward zero), the rest
    // below.
    int diff = LineHeight - line.LineHt;
    line.SpaceBefore = diff / 2;
    line.SpaceAfter = diff - diff / 2;
  }
  if (Images.Count() == 0 && FormControls.Count() == 0) return;
  for (int i = line.Start; i < end; ++i) {
    char16_t c = Buff[static_cast<std::size_t>(i)];
    int h = -1;
    AlignmentType align = AlignmentType::ABottom;
    if (c == ImageChar) {
      bool floating = false;
      h = Images.GetHeightAt(i, align, floating);
      if (floating) continue;
    } else if (c == FmCtlChar) {
      h = FormControls.GetHeightAt(i, align);
    }
    if (h < 0) continue;
    switch (align) {
      case AlignmentType::ATop:
        line.SpaceAfter = std::max(line.SpaceAfter, h - line.LineHt);
        break;
      case AlignmentType::AMiddle: {
        int excess = h - line.LineHt;
        line.SpaceAfter = std::max(line.SpaceAfter, excess / 2);
        line.SpaceBefore = std::max(line.SpaceBefore, excess - excess / 2);
        break;
      }
      default:
        line.SpaceBefore = std::max(line.SpaceBefore, h + line.Descent - line.LineHt);
        break;
    }
  }
}

// One pass of LayoutLines: where the next line goes, the floating images
// met so far, and the widest extent.
struct TSection::TLinePass {
  TLinePass(IndentManager& imgr, TFirstLine& firstLine) : Imgr(imgr), FirstLine(firstLine) {}
  IndentManager& Imgr;
  TFirstLine& FirstLine;
  int X = 0;             // the left the lines are laid out from
  int Y = 0;             // the top of the next line
  bool NoWrap = false;
  long long LocalMax = 0;  // the widest extent, relative to X
  std::vector<TFloatingObj*> Floats;  // the floating images in order
  std::size_t NextFloat = 0;          // the first one no line has met yet
  std::vector<TFloatingObj*> Waiting; // met, placed below the current line
  long long FloatBottom = 0;          // the lowest float bottom
};

// Where a line ends: its character count, the character it breaks after
// (-1 when it takes all that is left of its stretch) and whether it is a
// word too long for the width.
struct TSection::TLineBreak {
  int Ln = 0;
  int BreakAt = -1;
  bool Overflow = false;
};

void TSection::PlaceFloat(TLinePass& pass, TFloatingObj& f, int at) {
  int boxX = pass.Imgr.PlaceFloat(at, f.HorzAlign, f.TotalWidth(), f.TotalHeight());
  f.FloatX = SatAdd(boxX, f.HSpaceL);
  f.FloatY = at;
  pass.FloatBottom = std::max(pass.FloatBottom, static_cast<long long>(at) + f.TotalHeight());
}

void TSection::AddGapLine(TLinePass& pass, int height) {
  LineRec gap;
  gap.Start = 0;
  gap.Ln = 0;
  gap.Y = pass.Y;
  gap.LineHt = gap.LineImgHt = height;
  Lines.push_back(gap);
  pass.Y = SatAdd(pass.Y, height);
}

void TSection::AddClearance(TLinePass& pass) {
  if (ClearAttr == ClearAttrType::clrNone) return;
  int clearLeft = 0, clearRight = 0;
  pass.Imgr.GetClearY(clearLeft, clearRight);
  int cy = ClearAttr == ClearAttrType::clLeft    ? clearLeft
           : ClearAttr == ClearAttrType::clRight ? clearRight
                                                 : std::max(clearLeft, clearRight);
  long long gap = static_cast<long long>(cy) - pass.Y - 1;
  if (gap > 0) AddGapLine(pass, Sat(gap));
}

int TSection::FitCount(int pos, int limit, long long width) const {
  // Binary search over the prefix sums.
  int n = 0;
  if (width >= 0) {
    long long base = FPrefix[static_cast<std::size_t>(pos)];
    std::size_t past = FPrefix.UpperBound(static_cast<std::size_t>(pos) + 1,
                                          static_cast<std::size_t>(limit) + 1, base + width);
    n = static_cast<int>(past) - (pos + 1);
  }
  if (n > 0 && pos + n < limit && IsLowSurrogate(Buff[static_cast<std::size_t>(pos + n)]) &&
      IsHighSurrogate(Buff[static_cast<std::size_t>(pos + n - 1)]))
    --n;
  // Spaces at the cut are not measured: they end the line.
  while (pos + n < limit && Buff[static_cast<std::size_t>(pos + n)] == u' ') ++n;
  return n;
}

int TSection::LastBreakIn(int pos, int n, long long width) const {
  for (int j = pos + n - 1; j >= pos; --j) {
    if (!CanBreakAfter(j)) continue;
    // A soft hyphen's break needs room for its '-'.
    if (Brk[static_cast<std::size_t>(j)] == 's' && Width(pos, j + 1) + HyphenWidth(j) > width) continue;
    return j;
  }
  return -1;
}

bool TSection::ChooseBreak(TLinePass& pass, int pos, int n, int limit, long long width,
                           TLineBreak& brk) {
  if (pos + n >= limit) {
    brk.Ln = limit - pos;
    return true;
  }
  brk.BreakAt = LastBreakIn(pos, n, width);
  if (brk.BreakAt < 0) {
    // No break fits: below narrowing floats there may be room.
    if (!pass.NoWrap && (n == 0 || !BreakWord)) {
      int next = pass.Imgr.GetNextWiderY(pass.Y);
      if (next > pass.Y) {
        AddGapLine(pass, next - pass.Y);
        return false;
      }
    }
    if (BreakWord) {
      // Cut where the width ends (never inside a surrogate pair).
      brk.Ln = std::max(n, 1);
      if (pos + brk.Ln < limit && IsLowSurrogate(Buff[static_cast<std::size_t>(pos + brk.Ln)])) ++brk.Ln;
    } else {
      // The word overflows: the line runs on to the next break.
      int k = pos + n;
      while (k < limit - 1 && !CanBreakAfter(k)) ++k;
      brk.BreakAt = k;
      brk.Ln = k + 1 - pos;
      brk.Overflow = true;
    }
  } else {
    brk.Ln = brk.BreakAt + 1 - pos;
  }
  while (pos + brk.Ln < limit && Buff[static_cast<std::size_t>(pos + brk.Ln)] == u' ') ++brk.Ln;
  return true;
}

bool TSection::PlaceFloatsMet(TLinePass& pass, int end) {
  bool placed = false;
  while (pass.NextFloat < pass.Floats.size() && pass.Floats[pass.NextFloat]->Pos < end) {
    TFloatingObj* f = pass.Floats[pass.NextFloat++];
    long long room = static_cast<long long>(pass.Imgr.RightSide(pass.Y)) - pass.Imgr.LeftIndent(pass.Y);
    if (f->TotalWidth() <= room) {
      PlaceFloat(pass, *f, pass.Y);
      placed = true;
    } else {
      pass.Waiting.push_back(f);
    }
  }
  return placed;
}

void TSection::AlignLine(TLinePass& pass, LineRec& line, const TLineBreak& brk, int left,
                         int right) {
  const int pos = line.Start;
  int vis = VisibleEnd(pos, pos + line.Ln);
  long long w = Width(pos, vis) + (line.Shy ? HyphenWidth(brk.BreakAt) : 0);
  long long lineX = left;
  if (Justify == JustifyType::Centered) lineX = (static_cast<long long>(left) + right - w) / 2;
  else if (Justify == JustifyType::Right) lineX = static_cast<long long>(right) - w;
  line.DrawXX = Sat(lineX - pass.X);
  // Justified lines but the last spread what is left over their spaces.
  if (Justify == JustifyType::FullJustify && !pass.NoWrap && pos + line.Ln < Len) {
    long long extra = static_cast<long long>(right) - left - w;
    int spaces = static_cast<int>(std::count(Buff.begin() + pos, Buff.begin() + vis, u' '));
    if (spaces > 0 && extra > 0) {
      line.Extra = Sat(extra);
      line.Spaces = spaces;
    }
  }
  line.DrawWidth = Sat(w + line.Extra);
  if (brk.Overflow || pass.NoWrap) pass.LocalMax = std::max(pass.LocalMax, lineX - pass.X + w);
}

void TSection::AddLine(TLinePass& pass, int pos, const TLineBreak& brk, int left, int right) {
  LineRec line;
  line.Start = pos;
  line.Ln = brk.Ln;
  line.Y = pass.Y;
  line.Shy = brk.BreakAt >= 0 && pos + brk.Ln < Len && Brk[static_cast<std::size_t>(brk.BreakAt)] == 's';
  SetLineMetrics(line);
  AlignLine(pass, line, brk, left, right);
  int h = SatAdd(SatAdd(line.SpaceBefore, line.LineHt), line.SpaceAfter);
  line.LineImgHt = h;
  if (int* baseline = pass.FirstLine.Baseline) {
    *baseline = SatAdd(SatAdd(pass.Y, line.SpaceBefore), line.LineHt - line.Descent);
    pass.FirstLine.Baseline = nullptr;
  }
  Lines.push_back(std::move(line));
  pass.Y = SatAdd(pass.Y, h);
  // The floats that did not fit beside the line go below it.
  for (TFloatingObj* f : pass.Waiting) PlaceFloat(pass, *f, pass.Y);
  pass.Waiting.clear();
}

void TSection::BreakIntoLines(TLinePass& pass, int availableWidth) {
  EnsureWidths();
  int indent = FLPercent ? SatMulDiv(availableWidth, FirstLineIndent, 100) : FirstLineIndent;
  int pos = 0;
  bool first = true;
  while (pos < Len) {
    int left = SatAdd(pass.Imgr.LeftIndent(pass.Y), first ? indent : 0);
    int right = pass.Imgr.RightSide(pass.Y);
    long long width = pass.NoWrap ? LLONG_MAX / 4 : static_cast<long long>(right) - left;
    // A line never runs past a BR.
    auto br = std::lower_bound(FBreaks.begin(), FBreaks.end(), pos);
    int limit = br != FBreaks.end() ? *br + 1 : Len;
    int n = FitCount(pos, limit, width);
    TLineBreak brk;
    // Moved down past narrowing floats: the line is tried again there.
    if (!ChooseBreak(pass, pos, n, limit, width, brk)) continue;
    // Floating images met on this line are placed at once where they fit
    // (the line is then fitted again, narrower), else below the line.
    if (PlaceFloatsMet(pass, pos + brk.Ln)) continue;
    AddLine(pass, pos, brk, left, right);
    pos += brk.Ln;
    first = false;
  }
}

void TSection::ReportLayoutProgress() {
  TSectionList& document = ParentSectionList;
  TDocumentLayoutPass& layout = document.LayoutPass;
  if (layout.OnProgress && SectionNumber > 0 && SectionNumber % 50 == 0 && layout.SectionCount > 0) {
    long long span = 100 - layout.ProgressStart;
    layout.OnProgress(Sat(layout.ProgressStart + span * SectionNumber / layout.SectionCount));
  }
}

int TSection::LayoutLines(TSurface& surface, int x, int y, int availableWidth,
                          int availableHeight, IndentManager& imgr, int& maxWidth, int& curs,
                          TFirstLine& firstLine, bool noWrap) {
  Lines.clear();
  StartCurs = curs;
  YDraw = ContentTop = DrawTop = y;
  FLayoutX = x;
  TLinePass pass{imgr, firstLine};
  pass.X = x;
  pass.Y = y;
  pass.NoWrap = noWrap;
  pass.FloatBottom = y;
  pass.LocalMax =
      std::max<long long>(0, std::min<long long>(static_cast<long long>(imgr.RightSide(y)) - imgr.LeftIndent(y),
                                                 availableWidth));
  // Every image is sized for this pass; floating ones widen the maximum.
  SizeImages(surface, availableWidth, availableHeight);
  if (FormControls.Count() > 0) FormControls.SetPercentWidths(availableWidth);
  for (const auto& obj : Images.Items) {
    if (!obj->Floating()) continue;
    pass.Floats.push_back(obj.get());
    pass.LocalMax = std::max<long long>(pass.LocalMax, obj->TotalWidth());
  }

  // Clearance: an empty line down past the floats on the cleared side.
  AddClearance(pass);
  if (Len > 0) BreakIntoLines(pass, availableWidth);
  while (pass.NextFloat < pass.Floats.size()) PlaceFloat(pass, *pass.Floats[pass.NextFloat++], pass.Y);

  SectionHeight = Sat(static_cast<long long>(pass.Y) - y);
  DrawHeight = Sat(std::max<long long>(SectionHeight, pass.FloatBottom - y));
  ContentBot = SatAdd(y, SectionHeight);
  DrawBot = SatAdd(y, DrawHeight);
  curs = SatAdd(curs, Len);
  maxWidth = std::max(maxWidth, Sat(pass.LocalMax));
  ReportLayoutProgress();
  return SectionHeight;
}

int TSection::DrawLogic(TSurface& surface, int x, int y, int xRef, int yRef, int availableWidth,
                        int availableHeight, int blockHeight, IndentManager& imgr, int& maxWidth,
                        int& curs, TFirstLine& firstLine) {
  (void)xRef, (void)yRef, (void)blockHeight;
  return LayoutLines(surface, x, y, availableWidth, availableHeight, imgr, maxWidth, curs,
                     firstLine, false);
}

int TPreFormated::DrawLogic(TSurface& surface, int x, int y, int xRef, int yRef, int availableWidth,
                            int availableHeight, int blockHeight, IndentManager& imgr, int& maxWidth,
                            int& curs, TFirstLine& firstLine) {
  (void)xRef, (void)yRef, (void)blockHeight;
  if (Len > 0)
    return LayoutLines(surface, x, y, availableWidth, availableHeight, imgr, maxWidth, curs,
                       firstLine, !BreakWord && !WrapsLines);
  // An empty line still takes its font's height.
  int h = LayoutLines(surface, x, y, availableWidth, availableHeight, imgr, maxWidth, curs,
                      firstLine, true);
  LineRec line;
  line.Y = SatAdd(y, h);
  SetLineMetrics(line);
  line.LineImgHt = line.LineHt;
  Lines.push_back(line);
  SectionHeight = DrawHeight = SatAdd(h, line.LineHt);
  ContentBot = DrawBot = SatAdd(y, SectionHeight);
  return SectionHeight;
}

void TSection::MoveY(int dy) {
  TSectionBase::MoveY(dy);
  for (LineRec& line : Lines) {
    line.Y = ShiftY(line.Y, dy);
    // Inline boxes are measured again where the line now stands.
    line.FirstDraw = true;
    line.BorderList.clear();
  }
  for (auto& obj : Images.Items) obj->FloatY = ShiftY(obj->FloatY, dy);
}

}  // namespace tav
