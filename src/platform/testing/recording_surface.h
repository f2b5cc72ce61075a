#pragma once
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/surface.h"

namespace tav {

// One drawing call as a TRecordingSurface saw it, in logical coordinates as
// the caller passed them.
struct TDrawCall {
  enum class TKind {
    dcText,         // ExtTextOut / TextOut / DrawText lines
    dcFillRect,
    dcPatBlt,
    dcBlendRect,
    dcLine,         // one LineTo: from CurrentPosition to the point
    dcRectangle,
    dcEllipse,
    dcPolygon,
    dcPolyline,
    dcFocusRect,
    dcFillRegion,
    dcBitBlt,
    dcStretchBlt
  };
  TKind Kind = TKind::dcText;
  TRect Rect;                 // the rectangle, or the destination of a copy
  std::vector<TPoint> Points; // line ends, polygon points, text origin (1 point)
  std::u16string Text;
  std::vector<int> Advances;  // the advance of every unit of a text call
  unsigned Options = 0;       // ExtTextOut options (text calls)
  unsigned TextAlign = 0;     // the text alignment in force (text calls)
  TColor Color = clBlack;     // text colour, fill colour, pen colour
  TColor BkColor = clWhite;
  TBkMode BkMode = TBkMode::bkOpaque;
  TFontDesc Font;             // text calls only
  TPen Pen;
  TBrush Brush;
  int Extra = 0;              // TRop/TPatOp/TFillMode as int, or the blend alpha

  // The call as one line: its kind, then named fields, for example
  //   text x=3 y=20 text="Hi" adv=8,8 color=0000FF mode=transparent align=baseline font="Arial" height=-16
  //   fill rect=1,2,3,4 color=sys15
  //   line from=0,0 to=5,5 pen=000000
  // Colours are 0x00BBGGRR in hex, sysN for system colour N, or none; fields
  // that hold their default value are left out, so a line only changes when
  // the call does.
  std::string Describe() const;
};

// A surface that notes every drawing call and passes it on to the surface
// it wraps, which draws it. State calls (colours, pens, clipping, ...) are
// passed on without a record; the drawing records carry the state they used.
class TRecordingSurface : public TSurface {
public:
  explicit TRecordingSurface(TSurface& target);
  explicit TRecordingSurface(std::unique_ptr<TSurface> target);
  ~TRecordingSurface() override;

  TSurface& Target() { return *FTarget; }
  const std::vector<TDrawCall>& Calls() const { return FCalls; }
  void ClearCalls() { FCalls.clear(); }
  // Describe() of every call, in order.
  std::vector<std::string> Lines() const;

  TGraphicsDevice& Device() override { return FTarget->Device(); }
  TSize Size() const override { return FTarget->Size(); }
  void SelectFont(TFontRef font) override { FTarget->SelectFont(std::move(font)); }
  const TFontRef& Font() const override { return FTarget->Font(); }
  void SetTextColor(TColor c) override { FTarget->SetTextColor(c); }
  TColor TextColor() const override { return FTarget->TextColor(); }
  void SetBkColor(TColor c) override { FTarget->SetBkColor(c); }
  TColor BkColor() const override { return FTarget->BkColor(); }
  void SetBkMode(TBkMode mode) override { FTarget->SetBkMode(mode); }
  TBkMode BkMode() const override { return FTarget->BkMode(); }
  void SetTextAlign(unsigned flags) override { FTarget->SetTextAlign(flags); }
  unsigned TextAlign() const override { return FTarget->TextAlign(); }
  void SetTextCharacterExtra(int extra) override { FTarget->SetTextCharacterExtra(extra); }
  int TextCharacterExtra() const override { return FTarget->TextCharacterExtra(); }
  void SetTextJustification(int extra, int breakCount) override {
    FTarget->SetTextJustification(extra, breakCount);
  }
  void GetTextJustification(int& extra, int& breakCount) const override {
    FTarget->GetTextJustification(extra, breakCount);
  }

  void ExtTextOut(int x, int y, unsigned options, const TRect* rect, std::u16string_view text,
                  const int* dx) override;

  void SetPen(const TPen& pen) override { FTarget->SetPen(pen); }
  const TPen& Pen() const override { return FTarget->Pen(); }
  void SetBrush(const TBrush& brush) override { FTarget->SetBrush(brush); }
  const TBrush& Brush() const override { return FTarget->Brush(); }
  void MoveTo(int x, int y) override { FTarget->MoveTo(x, y); }
  TPoint CurrentPosition() const override { return FTarget->CurrentPosition(); }
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

  void IntersectClipRect(const TRect& r) override { FTarget->IntersectClipRect(r); }
  void ExcludeClipRect(const TRect& r) override { FTarget->ExcludeClipRect(r); }
  void SelectClipRegion(const TRegion* rgn) override { FTarget->SelectClipRegion(rgn); }
  bool GetClipRegion(TRegion& rgn) const override { return FTarget->GetClipRegion(rgn); }
  TRect GetClipBox() const override { return FTarget->GetClipBox(); }
  int SaveDC() override { return FTarget->SaveDC(); }
  bool RestoreDC(int level = -1) override { return FTarget->RestoreDC(level); }
  void SetViewportOrigin(TPoint origin) override { FTarget->SetViewportOrigin(origin); }
  TPoint ViewportOrigin() const override { return FTarget->ViewportOrigin(); }

  void BitBlt(int x, int y, int width, int height, TBitmap& src, int sx, int sy,
              TRop rop = TRop::ropSrcCopy) override;
  void StretchBlt(int x, int y, int width, int height, TBitmap& src, int sx, int sy, int sw,
                  int sh, TRop rop = TRop::ropSrcCopy) override;

private:
  // A record of a shape outlined with the current pen and filled with the
  // current brush.
  TDrawCall ShapeCall(TDrawCall::TKind kind) const;

  std::unique_ptr<TSurface> FOwned;
  TSurface* FTarget;
  std::vector<TDrawCall> FCalls;
};

// The lines of an expected-drawing file: one Describe() line per call;
// blank lines and lines starting with '#' are left out. Throws
// std::runtime_error when the file cannot be read.
std::vector<std::string> ReadDrawingFile(const std::string& path);

}  // namespace tav
