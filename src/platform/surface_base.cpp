#include "platform/surface_base.h"

#include <algorithm>
#include <cstdlib>

namespace tav {

TSurfaceBase::TSurfaceBase() = default;
TSurfaceBase::~TSurfaceBase() = default;

void TSurfaceBase::SelectFont(TFontRef font) {
  if (font) FState.Font = std::move(font);
}

void TSurfaceBase::SetTextJustification(int extra, int breakCount) {
  if (breakCount <= 0) extra = breakCount = 0;
  FState.JustExtra = extra;
  FState.JustCount = breakCount;
}

void TSurfaceBase::GetTextJustification(int& extra, int& breakCount) const {
  extra = FState.JustExtra;
  breakCount = FState.JustCount;
}

// ---------------------------------------------------------------- text

void TSurfaceBase::ExtTextOut(int x, int y, unsigned options, const TRect* rect,
                              std::u16string_view text, const int* dx) {
  const TFontHandle& font = *FState.Font;
  if (dx)
    FAdvances.assign(dx, dx + text.size());
  else
    TextAdvances(text, FAdvances);
  int width = 0;
  for (int a : FAdvances) width += a;


  const TTextMetric& tm = font.Metrics();
  const unsigned align = FState.TextAlign;
  int left = x;
  if ((align & TA_CENTER) == TA_CENTER)
    left = x - width / 2;
  else if (align & TA_RIGHT)
    left = x - width;
  int baseline = y + tm.Ascent;
  if ((align & TA_BASELINE) == TA_BASELINE)
    baseline = y;
  else if (align & TA_BOTTOM)
    baseline = y - tm.Descent;

  const TPoint o = FState.Origin;
  TRect devClip;
  if (rect) devClip = ToDevice(*rect);
  const bool clipped = rect && (options & ETO_CLIPPED);
  const TColor bk = ColorToRGB(FState.BkColor);
  if ((options & ETO_OPAQUE) && rect) {
    if (!devClip.IsEmpty()) DevFillRect(devClip, bk);
  } else if (FState.BkMode == TBkMode::bkOpaque && width > 0) {
    TRect cell{left + o.X, baseline - tm.Ascent + o.Y, left + width + o.X,
               baseline + tm.Descent + o.Y};
    if (clipped) cell = IntersectRect(cell, devClip);
    if (!cell.IsEmpty()) DevFillRect(cell, bk);
  }
  if (text.empty()) return;

  FPositions.resize(text.size());
  int px = left + o.X;
  for (size_t i = 0; i < text.size(); ++i) {
    FPositions[i] = px;
    px += FAdvances[i];
  }
  TGlyphRun run;
  run.Font = &font;
  run.Text = text;
  run.X = FPositions.data();
  run.Left = left + o.X;
  run.Width = width;
  run.Baseline = baseline + o.Y;
  run.Color = ColorToRGB(FState.TextColor);
  run.Clip = clipped ? &devClip : nullptr;
  DevDrawGlyphs(run);
}

// ---------------------------------------------------------------- lines

namespace {

// On/off lengths of the pen patterns, in pixels.
const std::vector<int>& Pattern(TPenStyle style) {
  static const std::vector<int> solid;
  static const std::vector<int> dash{6, 2};
  static const std::vector<int> dot{1, 1};
  static const std::vector<int> dashDot{6, 2, 1, 2};
  switch (style) {
    case TPenStyle::psDash: return dash;
    case TPenStyle::psDot: return dot;
    case TPenStyle::psDashDot: return dashDot;
    default: return solid;
  }
}

}  // namespace

TRect TSurfaceBase::ReachableArea() const {
  const TSize s = Size();
  TRect area{0, 0, s.cx, s.cy};
  if (FDeviceClip) area = IntersectRect(area, FDeviceClip->Bounds());
  return area;
}

void TSurfaceBase::StrokeLine(TPoint a, TPoint b, const TPen& pen) {
  if (pen.Style == TPenStyle::psClear) return;
  if (a == b) return;
  const TColor c = ColorToRGB(pen.Color);
  const int w = std::max(1, pen.Width);
  const int lo = w / 2;  // a wide pen's square reaches lo pixels up/left
  a = ToDevice(a);
  b = ToDevice(b);
  const std::vector<int>& pattern = Pattern(pen.Style);

  // Solid axis-aligned lines are one rectangle.
  if (pattern.empty() && (a.X == b.X || a.Y == b.Y)) {
    TRect r;
    if (a.Y == b.Y)
      r = a.X < b.X ? TRect{a.X, a.Y, b.X, a.Y + 1} : TRect{b.X + 1, a.Y, a.X + 1, a.Y + 1};
    else
      r = a.Y < b.Y ? TRect{a.X, a.Y, a.X + 1, b.Y} : TRect{a.X, b.Y + 1, a.X + 1, a.Y + 1};
    if (w > 1) r = TRect{r.Left - lo, r.Top - lo, r.Right - lo + w - 1, r.Bottom - lo + w - 1};
    DevFillRect(r, c);
    return;
  }

  // Only the pixels that can reach the surface inside its clip are walked;
  // a pixel square at (x, y) covers x - lo .. x - lo + w.
  const TRect area = ReachableArea();
  if (area.IsEmpty()) return;
  const long long minX = static_cast<long long>(area.Left) + lo - w + 1;
  const long long maxX = static_cast<long long>(area.Right) + lo - 1;
  const long long minY = static_cast<long long>(area.Top) + lo - w + 1;
  const long long maxY = static_cast<long long>(area.Bottom) + lo - 1;

  // Bresenham, end point left out; runs of pixels on a row become one fill.
  // In 64 bits: two ends far apart on either side overflow an int.
  const long long dx = std::llabs(static_cast<long long>(b.X) - a.X);
  const long long dy = -std::llabs(static_cast<long long>(b.Y) - a.Y);
  const int sx = a.X < b.X ? 1 : -1, sy = a.Y < b.Y ? 1 : -1;
  long long err = dx + dy;
  int x = a.X, y = a.Y;
  long long step = 0;
  long long lastStep = -1;  // -1: until the end point
  // An axis-aligned line starts at its first step that can be seen, with the
  // pattern's phase of that step, and ends after its last.
  if (dx == 0 || dy == 0) {
    const bool horizontal = dy == 0;
    const long long from = horizontal ? a.X : a.Y, dir = horizontal ? sx : sy;
    const long long steps = horizontal ? dx : -dy;
    const long long across = horizontal ? a.Y : a.X;
    const long long lo2 = horizontal ? minY : minX, hi2 = horizontal ? maxY : maxX;
    const long long lo1 = horizontal ? minX : minY, hi1 = horizontal ? maxX : maxY;
    if (across < lo2 || across > hi2) return;
    long long first = dir > 0 ? lo1 - from : from - hi1;
    long long last = dir > 0 ? hi1 - from : from - lo1;
    first = std::max(first, 0LL);
    last = std::min(last, steps - 1);
    if (first > last) return;
    step = first;
    lastStep = last;
    if (horizontal) x = static_cast<int>(from + dir * first);
    else y = static_cast<int>(from + dir * first);
  }
  bool haveRun = false;
  TRect run;
  auto flush = [&] {
    if (haveRun) DevFillRect(run, c);
    haveRun = false;
  };
  int period = 0;
  for (int p : pattern) period += p;
  while (!(x == b.X && y == b.Y)) {
    if (lastStep >= 0 && step > lastStep) break;
    // A sloped line stops once it has left the area in its direction.
    if ((sx > 0 ? x > maxX : x < minX) || (sy > 0 ? y > maxY : y < minY)) {
      if (dx != 0 && dy != 0) break;
    }
    bool on = true;
    if (period > 0) {
      int phase = static_cast<int>(step % period);
      for (size_t i = 0; i < pattern.size(); ++i) {
        if (phase < pattern[i]) {
          on = (i % 2) == 0;
          break;
        }
        phase -= pattern[i];
      }
    }
    if (on) {
      TRect px{x - lo, y - lo, x - lo + w, y - lo + w};
      if (haveRun && run.Top == px.Top && px.Left <= run.Right && px.Right >= run.Left) {
        run = UnionRect(run, px);
      } else {
        flush();
        run = px;
        haveRun = true;
      }
    } else {
      flush();
    }
    ++step;
    const long long e2 = 2 * err;
    if (e2 >= dy) { err += dy; x += sx; }
    if (e2 <= dx) { err += dx; y += sy; }
  }
  flush();
}

void TSurfaceBase::LineTo(int x, int y) {
  StrokeLine(FState.Pos, {x, y}, FState.Pen);
  FState.Pos = {x, y};
}

void TSurfaceBase::Polyline(const std::vector<TPoint>& points) {
  for (size_t i = 1; i < points.size(); ++i) StrokeLine(points[i - 1], points[i], FState.Pen);
}

// ---------------------------------------------------------------- fills and shapes

void TSurfaceBase::FillRect(const TRect& r, TColor c) {
  if (r.IsEmpty() || c == clNone) return;
  DevFillRect(ToDevice(r), ColorToRGB(c));
}

void TSurfaceBase::PatBlt(const TRect& r, TPatOp op) {
  if (r.IsEmpty()) return;
  if (op == TPatOp::dstInvert)
    DevInvertRect(ToDevice(r));
  else if (FState.Brush.Style != TBrushStyle::bsClear)
    DevFillRect(ToDevice(r), ColorToRGB(FState.Brush.Color));
}

void TSurfaceBase::BlendRect(const TRect& r, TColor c, int alpha) {
  if (r.IsEmpty() || alpha <= 0) return;
  DevBlendRect(ToDevice(r), ColorToRGB(c), std::min(alpha, 255));
}

void TSurfaceBase::Rectangle(const TRect& r) {
  if (r.IsEmpty()) return;
  const bool brush = FState.Brush.Style != TBrushStyle::bsClear;
  const TColor fill = ColorToRGB(FState.Brush.Color);
  const TPen& pen = FState.Pen;
  if (pen.Style == TPenStyle::psClear) {
    // Without an outline the right and bottom edges stay out.
    TRect in{r.Left, r.Top, r.Right - 1, r.Bottom - 1};
    if (brush && !in.IsEmpty()) DevFillRect(ToDevice(in), fill);
    return;
  }
  const int w = std::max(1, pen.Width);
  TRect in = r.Inflate(-w, -w);
  if (brush && !in.IsEmpty()) DevFillRect(ToDevice(in), fill);
  if (pen.Style == TPenStyle::psSolid) {
    const TColor pc = ColorToRGB(pen.Color);
    TRect d = ToDevice(r);
    int bw = std::min(w, d.Height()), bh = std::min(w, d.Width());
    DevFillRect({d.Left, d.Top, d.Right, d.Top + bw}, pc);
    DevFillRect({d.Left, std::max(d.Top + bw, d.Bottom - bw), d.Right, d.Bottom}, pc);
    DevFillRect({d.Left, d.Top + bw, d.Left + bh, d.Bottom - bw}, pc);
    DevFillRect({std::max(d.Left + bh, d.Right - bh), d.Top + bw, d.Right, d.Bottom - bw}, pc);
  } else {
    TPen thin = pen;
    thin.Width = 1;
    StrokeLine({r.Left, r.Top}, {r.Right - 1, r.Top}, thin);
    StrokeLine({r.Right - 1, r.Top}, {r.Right - 1, r.Bottom - 1}, thin);
    StrokeLine({r.Right - 1, r.Bottom - 1}, {r.Left, r.Bottom - 1}, thin);
    StrokeLine({r.Left, r.Bottom - 1}, {r.Left, r.Top}, thin);
  }
}

void TSurfaceBase::Ellipse(const TRect& r) {
  if (r.IsEmpty()) return;
  const TRect dr = ToDevice(r);
  TRegion shape = TRegion::Ellipse(dr);
  if (FState.Brush.Style != TBrushStyle::bsClear)
    DevFillRegion(shape, ColorToRGB(FState.Brush.Color));
  if (FState.Pen.Style == TPenStyle::psClear) return;
  // The outline: the shape's pixels that have a 4-neighbour outside it.
  const TColor pc = ColorToRGB(FState.Pen.Color);
  TRegion inner = TRegion::Ellipse(dr.Inflate(-std::max(1, FState.Pen.Width), -std::max(1, FState.Pen.Width)));
  // Rows and columns outside the surface's clip are not walked.
  const TRect area = ReachableArea();
  const int left = std::max(dr.Left, area.Left), right = std::min(dr.Right, area.Right);
  for (int y = std::max(dr.Top, area.Top); y < std::min(dr.Bottom, area.Bottom); ++y) {
    int runStart = 0;
    bool inRun = false;
    for (int x = left; x <= right; ++x) {
      if (x == right && right < dr.Right) {
        // The row goes on past the area: close a run at its edge.
        if (inRun) DevFillRect({runStart, y, x, y + 1}, pc);
        break;
      }
      bool edge = false;
      if (x < dr.Right && shape.Contains(x, y)) {
        edge = FState.Pen.Width > 1
                   ? !inner.Contains(x, y)
                   : (!shape.Contains(x - 1, y) || !shape.Contains(x + 1, y) ||
                      !shape.Contains(x, y - 1) || !shape.Contains(x, y + 1));
      }
      if (edge && !inRun) {
        runStart = x;
        inRun = true;
      } else if (!edge && inRun) {
        DevFillRect({runStart, y, x, y + 1}, pc);
        inRun = false;
      }
    }
  }
}

void TSurfaceBase::Polygon(const std::vector<TPoint>& points, TFillMode mode) {
  if (points.size() < 2) return;
  if (FState.Brush.Style != TBrushStyle::bsClear && points.size() >= 3) {
    std::vector<TPoint> dev(points);
    for (auto& p : dev) p = ToDevice(p);
    DevFillRegion(TRegion::Polygon(dev, mode), ColorToRGB(FState.Brush.Color));
  }
  for (size_t i = 0; i < points.size(); ++i)
    StrokeLine(points[i], points[(i + 1) % points.size()], FState.Pen);
}

void TSurfaceBase::DrawFocusRect(const TRect& r) {
  if (r.IsEmpty()) return;
  const TRect d = ToDevice(r);
  // Every other pixel of the frame, inverted.
  auto dot = [&](int x, int y) {
    if (((x + y) & 1) == 0) DevInvertRect({x, y, x + 1, y + 1});
  };
  // Only the part of the frame inside the surface's clip is walked.
  const TRect area = ReachableArea();
  for (int x = std::max(d.Left, area.Left); x < std::min(d.Right, area.Right); ++x) {
    dot(x, d.Top);
    if (d.Bottom - 1 > d.Top) dot(x, d.Bottom - 1);
  }
  for (int y = std::max(d.Top + 1, area.Top); y < std::min(d.Bottom - 1, area.Bottom); ++y) {
    dot(d.Left, y);
    if (d.Right - 1 > d.Left) dot(d.Right - 1, y);
  }
}

void TSurfaceBase::FillRegion(const TRegion& rgn, TColor c) {
  if (c == clNone) return;
  DevFillRegion(rgn.Offset(FState.Origin.X, FState.Origin.Y), ColorToRGB(c));
}

// ---------------------------------------------------------------- clipping and state

void TSurfaceBase::SetClip(std::optional<TRegion> clip) {
  FState.Clip = std::move(clip);
  UpdateDeviceClip();
}

void TSurfaceBase::UpdateDeviceClip() {
  if (FState.Clip) {
    TSize s = Size();
    FDeviceClip = TRegion::Combine(*FState.Clip, TRegion::Rect({0, 0, s.cx, s.cy}),
                                   TRegionOp::roAnd);
  } else {
    FDeviceClip.reset();
  }
  ClipChanged();
}

void TSurfaceBase::IntersectClipRect(const TRect& r) {
  TRegion rect = TRegion::Rect(ToDevice(r));
  if (FState.Clip)
    SetClip(TRegion::Combine(*FState.Clip, rect, TRegionOp::roAnd));
  else
    SetClip(rect);
}

void TSurfaceBase::ExcludeClipRect(const TRect& r) {
  TSize s = Size();
  TRegion base = FState.Clip ? *FState.Clip : TRegion::Rect({0, 0, s.cx, s.cy});
  SetClip(TRegion::Combine(base, TRegion::Rect(ToDevice(r)), TRegionOp::roDiff));
}

void TSurfaceBase::SelectClipRegion(const TRegion* rgn) {
  if (rgn)
    SetClip(*rgn);
  else
    SetClip(std::nullopt);
}

bool TSurfaceBase::GetClipRegion(TRegion& rgn) const {
  if (!FState.Clip) return false;
  rgn = *FState.Clip;
  return true;
}

TRect TSurfaceBase::GetClipBox() const {
  TSize s = Size();
  TRect box{0, 0, s.cx, s.cy};
  if (FDeviceClip) box = FDeviceClip->Bounds();
  return box.Offset(-FState.Origin.X, -FState.Origin.Y);
}

int TSurfaceBase::SaveDC() {
  FSaved.push_back(FState);
  return static_cast<int>(FSaved.size());
}

bool TSurfaceBase::RestoreDC(int level) {
  int size = static_cast<int>(FSaved.size());
  int index = level > 0 ? level : size + 1 + level;
  if (index < 1 || index > size) return false;
  FState = FSaved[static_cast<size_t>(index) - 1];
  FSaved.resize(static_cast<size_t>(index) - 1);
  UpdateDeviceClip();
  return true;
}

// ---------------------------------------------------------------- copies

void TSurfaceBase::BitBlt(int x, int y, int width, int height, TBitmap& src, int sx, int sy,
                          TRop rop) {
  if (width <= 0 || height <= 0) return;
  // Only the part that the source has is copied.
  TRect s = IntersectRect(MakeRect(sx, sy, width, height), {0, 0, src.Width(), src.Height()});
  if (s.IsEmpty()) return;
  TRect dst = MakeRect(x + (s.Left - sx), y + (s.Top - sy), s.Width(), s.Height());
  DevCopy(ToDevice(dst), src, s, rop);
}

void TSurfaceBase::StretchBlt(int x, int y, int width, int height, TBitmap& src, int sx, int sy,
                              int sw, int sh, TRop rop) {
  if (width <= 0 || height <= 0 || sw <= 0 || sh <= 0) return;
  if (width == sw && height == sh) {
    TRect s = IntersectRect(MakeRect(sx, sy, sw, sh), {0, 0, src.Width(), src.Height()});
    if (s.IsEmpty()) return;
    DevCopy(ToDevice(MakeRect(x + (s.Left - sx), y + (s.Top - sy), s.Width(), s.Height())), src,
            s, rop);
    return;
  }
  DevCopy(ToDevice(MakeRect(x, y, width, height)), src, MakeRect(sx, sy, sw, sh), rop);
}

}  // namespace tav
