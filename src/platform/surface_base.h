#pragma once
#include <optional>
#include <string_view>
#include <vector>

#include "platform/surface.h"

namespace tav {

// The drawing state and the geometry shared by every surface
// implementation: text placement, lines, shapes, clipping and the state
// stack. An implementation supplies a handful of device operations, each in
// device pixels and each limited by the current clip (DeviceClip()). Default
// arguments repeat those of TSurface.
class TSurfaceBase : public TSurface {
public:
  TSurfaceBase();
  ~TSurfaceBase() override;

  void SelectFont(TFontRef font) override;
  const TFontRef& Font() const override { return FState.Font; }
  void SetTextColor(TColor c) override { FState.TextColor = c; }
  TColor TextColor() const override { return FState.TextColor; }
  void SetBkColor(TColor c) override { FState.BkColor = c; }
  TColor BkColor() const override { return FState.BkColor; }
  void SetBkMode(TBkMode mode) override { FState.BkMode = mode; }
  TBkMode BkMode() const override { return FState.BkMode; }
  void SetTextAlign(unsigned flags) override { FState.TextAlign = flags; }
  unsigned TextAlign() const override { return FState.TextAlign; }
  void SetTextCharacterExtra(int extra) override { FState.CharExtra = extra; }
  int TextCharacterExtra() const override { return FState.CharExtra; }
  void SetTextJustification(int extra, int breakCount) override;
  void GetTextJustification(int& extra, int& breakCount) const override;

  void ExtTextOut(int x, int y, unsigned options, const TRect* rect, std::u16string_view text,
                  const int* dx) override;

  void SetPen(const TPen& pen) override { FState.Pen = pen; }
  const TPen& Pen() const override { return FState.Pen; }
  void SetBrush(const TBrush& brush) override { FState.Brush = brush; }
  const TBrush& Brush() const override { return FState.Brush; }
  void MoveTo(int x, int y) override { FState.Pos = {x, y}; }
  TPoint CurrentPosition() const override { return FState.Pos; }
  void LineTo(int x, int y) override;
  void FillRect(const TRect& r, TColor c) override;
  using TSurface::FillRect;
  void PatBlt(const TRect& r, TPatOp op) override;
  void BlendRect(const TRect& r, TColor c, int alpha) override;
  void Rectangle(const TRect& r) override;
  void Ellipse(const TRect& r) override;
  void Polygon(const std::vector<TPoint>& points,
               TFillMode mode = TFillMode::fmAlternate) override;
  void Polyline(const std::vector<TPoint>& points) override;
  void DrawFocusRect(const TRect& r) override;
  void FillRegion(const TRegion& rgn, TColor c) override;

  void IntersectClipRect(const TRect& r) override;
  void ExcludeClipRect(const TRect& r) override;
  void SelectClipRegion(const TRegion* rgn) override;
  bool GetClipRegion(TRegion& rgn) const override;
  TRect GetClipBox() const override;
  int SaveDC() override;
  bool RestoreDC(int level = -1) override;
  void SetViewportOrigin(TPoint origin) override { FState.Origin = origin; }
  TPoint ViewportOrigin() const override { return FState.Origin; }

  void BitBlt(int x, int y, int width, int height, TBitmap& src, int sx, int sy,
              TRop rop = TRop::ropSrcCopy) override;
  void StretchBlt(int x, int y, int width, int height, TBitmap& src, int sx, int sy, int sw,
                  int sh, TRop rop = TRop::ropSrcCopy) override;

protected:
  // Glyphs to draw: unit i of Text has its left edge at X[i] (device
  // pixels); the units of a surrogate pair share one glyph. Clip, when set,
  // limits the drawing further (ETO_CLIPPED).
  struct TGlyphRun {
    const TFontHandle* Font = nullptr;
    std::u16string_view Text;
    const int* X = nullptr;
    int Left = 0;       // where the run starts
    int Width = 0;      // sum of the advances (for underline and strike-out)
    int Baseline = 0;
    TColor Color = clBlack;  // RGB
    const TRect* Clip = nullptr;
  };

  // The clip in device pixels (already cut to the surface), or nothing for
  // the whole surface.
  const std::optional<TRegion>& DeviceClip() const { return FDeviceClip; }
  // Called whenever the clip changes.
  virtual void ClipChanged() {}
  // The device pixels a drawing call can change: the surface within its clip.
  TRect ReachableArea() const;

  // Device operations; colours are RGB (already resolved).
  virtual void DevFillRect(const TRect& r, TColor c) = 0;
  virtual void DevInvertRect(const TRect& r) = 0;
  virtual void DevBlendRect(const TRect& r, TColor c, int alpha) = 0;
  virtual void DevFillRegion(const TRegion& rgn, TColor c) = 0;
  virtual void DevDrawGlyphs(const TGlyphRun& run) = 0;
  // Copies srcRect of src onto dst (stretching when the sizes differ;
  // negative sizes are not passed).
  virtual void DevCopy(const TRect& dst, TBitmap& src, const TRect& srcRect, TRop rop) = 0;

  TRect ToDevice(const TRect& r) const { return r.Offset(FState.Origin.X, FState.Origin.Y); }
  TPoint ToDevice(TPoint p) const { return {p.X + FState.Origin.X, p.Y + FState.Origin.Y}; }

  // Draws the pixels of a pen stroke from a to b (b left out).
  void StrokeLine(TPoint a, TPoint b, const TPen& pen);

private:
  struct TState {
    TFontRef Font;
    TColor TextColor = clBlack;
    TColor BkColor = clWhite;
    TBkMode BkMode = TBkMode::bkOpaque;
    unsigned TextAlign = TA_LEFT | TA_TOP;
    int CharExtra = 0;
    int JustExtra = 0;
    int JustCount = 0;
    TPen Pen;
    TBrush Brush;
    TPoint Pos;
    std::optional<TRegion> Clip;  // device pixels, as selected
    TPoint Origin;
  };
  void SetClip(std::optional<TRegion> clip);
  void UpdateDeviceClip();

  TState FState;
  std::vector<TState> FSaved;
  std::optional<TRegion> FDeviceClip;
  std::vector<int> FAdvances;  // scratch
  std::vector<int> FPositions;  // scratch
};

}  // namespace tav
