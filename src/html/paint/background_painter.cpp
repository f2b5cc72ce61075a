#include "html/paint/background_painter.h"

#include <algorithm>
#include <climits>
#include <vector>

#include "html/css/properties.h"
#include "html/css/units.h"

namespace tav {

namespace {

// Small pictures are repeated into a block of about this many pixels a
// side before painting, so that a tiny tile over a large window still
// takes a handful of copies.
constexpr int BlockSide = 128;
// Tiles beyond this count are painted through such a block.
constexpr long long ManyTiles = 64;

long long FloorDiv(long long a, long long b) {
  long long q = a / b;
  return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

// One axis: the picture's start in the area and the run of tiles that
// meets [v0, v1).
struct TAxis {
  long long First = 0;
  long long Count = 0;
};

TAxis PlaceAxis(long long areaStart, long long areaSize, int value, bool percent, bool repeat,
                long long pic, long long v0, long long v1) {
  TAxis a;
  if (pic <= 0 || v1 <= v0) return a;
  const long long offset = percent ? (areaSize - pic) * value / 100 : value;
  const long long origin = areaStart + offset;
  if (repeat) {
    a.First = origin + FloorDiv(v0 - origin, pic) * pic;
    a.Count = (v1 - a.First + pic - 1) / pic;
  } else if (origin < v1 && origin + pic > v0) {
    a.First = origin;
    a.Count = 1;
  }
  return a;
}

int ClampInt(long long v) {
  return static_cast<int>(std::clamp<long long>(v, INT_MIN, INT_MAX));
}

// The picture repeated kx times across and ky times down.
std::unique_ptr<TBitmap> RepeatedBlock(TSurface& surface, TBitmap& picture, int kx, int ky) {
  const int w = picture.Width(), h = picture.Height();
  auto block = surface.CreateCompatibleBitmap(w * kx, h * ky);
  if (!block) return nullptr;
  const std::vector<TColor> src = picture.GetPixels();
  std::vector<TColor> out;
  out.reserve(static_cast<std::size_t>(w * kx) * static_cast<std::size_t>(h * ky));
  for (int by = 0; by < ky; ++by)
    for (int y = 0; y < h; ++y)
      for (int bx = 0; bx < kx; ++bx)
        out.insert(out.end(), src.begin() + static_cast<std::ptrdiff_t>(y) * w,
                   src.begin() + static_cast<std::ptrdiff_t>(y + 1) * w);
  block->SetPixels(out);
  return block;
}

}  // namespace

TBackgroundPRec BackgroundPRecOf(const TProperties& props) {
  TBackgroundPRec r;
  const TProperties::TBackgroundPos pos = props.GetBackgroundPos();
  r.X = pos.X;
  r.Y = pos.Y;
  r.XPercent = pos.XPercent;
  r.YPercent = pos.YPercent;
  props.GetBackgroundRepeat(r.RepeatX, r.RepeatY);
  r.Fixed = props.BackgroundFixed();
  return r;
}

std::u16string ImageUrlOf(const std::u16string& value) {
  const std::u16string lower = LowerCase(value);
  const std::size_t at = lower.find(u"url(");
  if (at == std::u16string::npos) return {};
  const std::size_t start = at + 4;
  std::size_t end = value.find(u')', start);
  if (end == std::u16string::npos) end = value.size();
  std::u16string name = Trim(value.substr(start, end - start));
  if (name.size() >= 2 && (name.front() == u'"' || name.front() == u'\'') &&
      name.back() == name.front())
    name = Trim(name.substr(1, name.size() - 2));
  return name;
}

TBackgroundTiles BackgroundTiles(const TBackgroundPRec& prec, const TRect& area, int picW,
                                 int picH, const TRect& visible) {
  TBackgroundTiles t;
  t.Width = picW;
  t.Height = picH;
  const TAxis x = PlaceAxis(area.Left, static_cast<long long>(area.Right) - area.Left, prec.X,
                            prec.XPercent, prec.RepeatX, picW, visible.Left, visible.Right);
  const TAxis y = PlaceAxis(area.Top, static_cast<long long>(area.Bottom) - area.Top, prec.Y,
                            prec.YPercent, prec.RepeatY, picH, visible.Top, visible.Bottom);
  if (x.Count <= 0 || y.Count <= 0) return t;
  t.Left = ClampInt(x.First);
  t.Top = ClampInt(y.First);
  t.Cols = ClampInt(x.Count);
  t.Rows = ClampInt(y.Count);
  return t;
}

void DrawBackgroundPicture(TSurface& surface, TBitmap& picture, const TRect& area,
                           const TRect& paint, const TBackgroundPRec& prec) {
  const int w = picture.Width(), h = picture.Height();
  if (w <= 0 || h <= 0 || paint.Right <= paint.Left || paint.Bottom <= paint.Top) return;
  const int saved = surface.SaveDC();
  surface.IntersectClipRect(paint);
  const TRect visible = surface.GetClipBox();
  TBackgroundTiles t = BackgroundTiles(prec, area, w, h, visible);
  TBitmap* tile = &picture;
  std::unique_ptr<TBitmap> block;
  if (static_cast<long long>(t.Cols) * t.Rows > ManyTiles) {
    // The block keeps the tiles' grid: it starts where a tile starts and
    // is a whole number of pictures wide and high.
    const int kx = prec.RepeatX ? std::max(1, BlockSide / w) : 1;
    const int ky = prec.RepeatY ? std::max(1, BlockSide / h) : 1;
    if (kx * ky > 1) block = RepeatedBlock(surface, picture, kx, ky);
    if (block) {
      tile = block.get();
      t = BackgroundTiles(TBackgroundPRec{0, 0, false, false, prec.RepeatX, prec.RepeatY, false},
                          TRect{t.Left, t.Top, t.Left, t.Top}, w * kx, h * ky, visible);
    }
  }
  for (int r = 0; r < t.Rows; ++r) {
    const int y = ClampInt(static_cast<long long>(t.Top) + static_cast<long long>(r) * t.Height);
    for (int c = 0; c < t.Cols; ++c) {
      const int x = ClampInt(static_cast<long long>(t.Left) + static_cast<long long>(c) * t.Width);
      surface.BitBlt(x, y, t.Width, t.Height, *tile, 0, 0);
    }
  }
  surface.RestoreDC(saved);
}

}  // namespace tav
