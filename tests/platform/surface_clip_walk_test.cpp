// Lines, ellipses and focus frames walk only the pixels inside the
// surface's clip: what they draw there is what an unclipped walk draws, and
// a shape millions of pixels long costs no more than its visible part.
#include <gtest/gtest.h>

#include <set>
#include <utility>
#include <vector>

#include "platform/surface_base.h"
#include "platform/testing/fixed_metrics_device.h"

namespace tav {
namespace {

// Keeps the rectangles the shared geometry fills and inverts, unclipped.
class TFillLog : public TSurfaceBase {
public:
  TFillLog(TGraphicsDevice& device, int width, int height) : FDevice(device), FSize{width, height} {}
  TGraphicsDevice& Device() override { return FDevice; }
  TSize Size() const override { return FSize; }
  std::vector<TRect> Fills;

protected:
  void DevFillRect(const TRect& r, TColor) override { Fills.push_back(r); }
  void DevInvertRect(const TRect& r) override { Fills.push_back(r); }
  void DevBlendRect(const TRect&, TColor, int) override {}
  void DevFillRegion(const TRegion&, TColor) override {}
  void DevDrawGlyphs(const TGlyphRun&) override {}
  void DevCopy(const TRect&, TBitmap&, const TRect&, TRop) override {}

private:
  TGraphicsDevice& FDevice;
  TSize FSize;
};

using TPixels = std::set<std::pair<int, int>>;

TPixels PixelsIn(const std::vector<TRect>& fills, const TRect& window) {
  TPixels r;
  for (const TRect& f : fills) {
    const TRect part = IntersectRect(f, window);
    for (int y = part.Top; y < part.Bottom; ++y)
      for (int x = part.Left; x < part.Right; ++x) r.insert({x, y});
  }
  return r;
}

struct TShape {
  const char* name;
  TPenStyle style;
  int width;
  TPoint from, to;  // a line; an ellipse or a focus frame uses them as corners
  enum { Line, Ellipse, Focus } kind = Line;
};

void Draw(TSurface& s, const TShape& shape) {
  s.SetPen(TPen{shape.style, shape.width, clBlack});
  s.SetBrush(TBrush{TBrushStyle::bsClear, clBlack});
  const TRect box{shape.from.X, shape.from.Y, shape.to.X, shape.to.Y};
  switch (shape.kind) {
    case TShape::Line:
      s.MoveTo(shape.from.X, shape.from.Y);
      s.LineTo(shape.to.X, shape.to.Y);
      break;
    case TShape::Ellipse: s.Ellipse(box); break;
    case TShape::Focus: s.DrawFocusRect(box); break;
  }
}

TEST(SurfaceClipWalk, ClippedShapesMatchTheUnclippedWalk) {
  TFixedMetricsDevice device;
  const TShape shapes[] = {
      {"dashes right", TPenStyle::psDash, 1, {3, 50}, {190, 50}},
      {"dashes left", TPenStyle::psDash, 1, {190, 50}, {3, 50}},
      {"dots down", TPenStyle::psDot, 1, {50, 7}, {50, 180}},
      {"dots up", TPenStyle::psDot, 1, {50, 180}, {50, 7}},
      {"wide dash-dots", TPenStyle::psDashDot, 3, {1, 49}, {170, 49}},
      {"sloped dashes", TPenStyle::psDash, 1, {0, 0}, {150, 100}},
      {"sloped back", TPenStyle::psDash, 2, {150, 100}, {0, 0}},
      {"ellipse", TPenStyle::psSolid, 1, {10, 10}, {120, 90}, TShape::Ellipse},
      {"thick ellipse", TPenStyle::psSolid, 3, {10, 10}, {120, 90}, TShape::Ellipse},
      {"focus frame", TPenStyle::psSolid, 1, {12, 11}, {131, 97}, TShape::Focus},
  };
  const TRect clip{37, 30, 61, 66};
  for (const TShape& shape : shapes) {
    TFillLog whole(device, 200, 200);
    Draw(whole, shape);
    TFillLog clipped(device, 200, 200);
    clipped.IntersectClipRect(clip);
    Draw(clipped, shape);
    EXPECT_EQ(PixelsIn(clipped.Fills, clip), PixelsIn(whole.Fills, clip)) << shape.name;
    // A surface smaller than the shape cuts it the same way as a clip.
    TFillLog small(device, 61, 66);
    Draw(small, shape);
    EXPECT_EQ(PixelsIn(small.Fills, {0, 0, 61, 66}), PixelsIn(whole.Fills, {0, 0, 61, 66}))
        << shape.name;
  }
}

TEST(SurfaceClipWalk, HugeShapesCostOnlyTheirVisiblePart) {
  TFixedMetricsDevice device;
  const int far = 2000000000;
  const TShape shapes[] = {
      {"dashed row", TPenStyle::psDash, 1, {-far, 5}, {far, 5}},
      {"dotted column", TPenStyle::psDot, 2, {5, far}, {5, -far}},
      {"sloped dashes leaving", TPenStyle::psDash, 1, {0, 0}, {far, far / 2}},
      {"ellipse", TPenStyle::psSolid, 1, {-far, -far}, {far, far}, TShape::Ellipse},
      {"focus frame", TPenStyle::psSolid, 1, {-far, 3}, {far, far}, TShape::Focus},
  };
  for (const TShape& shape : shapes) {
    TFillLog s(device, 100, 20);
    Draw(s, shape);
    EXPECT_LE(s.Fills.size(), 2000u) << shape.name;
  }
}

}  // namespace
}  // namespace tav
