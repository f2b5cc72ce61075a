#include "platform/testing/recording_surface.h"

#include <cstdio>
#include <fstream>
#include <stdexcept>

namespace tav {

namespace {

using K = TDrawCall::TKind;

std::string Utf8(std::u16string_view s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    char32_t c = s[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 &&
        s[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00);
      ++i;
    }
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (c >> 6)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (c >> 12)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (c >> 18)));
      out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return out;
}

// A text in double quotes: quotes, backslashes and control characters are
// escaped so that a record stays on one line.
std::string Quoted(std::u16string_view s) {
  std::string out = "\"";
  for (char c : Utf8(s)) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\x%02X", static_cast<unsigned>(c));
          out += buf;
        } else {
          out.push_back(c);
        }
    }
  }
  return out + "\"";
}

std::string ColorText(TColor c) {
  if (c == clNone) return "none";
  char buf[16];
  if (IsSystemColor(c))
    std::snprintf(buf, sizeof buf, "sys%u", static_cast<unsigned>(c & 0xFF));
  else
    std::snprintf(buf, sizeof buf, "%06X", static_cast<unsigned>(c) & 0xFFFFFFu);
  return buf;
}

std::string RectText(const TRect& r) {
  return std::to_string(r.Left) + "," + std::to_string(r.Top) + "," + std::to_string(r.Right) +
         "," + std::to_string(r.Bottom);
}

std::string PointText(TPoint p) { return std::to_string(p.X) + "," + std::to_string(p.Y); }

std::string PointsText(const std::vector<TPoint>& points) {
  std::string s;
  for (size_t i = 0; i < points.size(); ++i) s += (i ? ";" : "") + PointText(points[i]);
  return s;
}

std::string RopText(int rop) {
  switch (static_cast<TRop>(rop)) {
    case TRop::ropSrcCopy: return "copy";
    case TRop::ropSrcAnd: return "and";
    case TRop::ropSrcPaint: return "paint";
    case TRop::ropSrcInvert: return "invert";
  }
  return std::to_string(rop);
}

std::string PenText(const TPen& pen) {
  std::string s = " pen=" + ColorText(pen.Color);
  switch (pen.Style) {
    case TPenStyle::psSolid: break;
    case TPenStyle::psDash: s += " pen-style=dash"; break;
    case TPenStyle::psDot: s += " pen-style=dot"; break;
    case TPenStyle::psDashDot: s += " pen-style=dashdot"; break;
    case TPenStyle::psClear: s += " pen-style=clear"; break;
  }
  if (pen.Width != 1) s += " pen-width=" + std::to_string(pen.Width);
  return s;
}

std::string BrushText(const TBrush& brush) {
  return " brush=" + (brush.Style == TBrushStyle::bsClear ? std::string("clear")
                                                            : ColorText(brush.Color));
}

std::string AlignText(unsigned align) {
  std::string h, v;
  if ((align & TA_CENTER) == TA_CENTER)
    h = "center";
  else if (align & TA_RIGHT)
    h = "right";
  if ((align & TA_BASELINE) == TA_BASELINE)
    v = "baseline";
  else if (align & TA_BOTTOM)
    v = "bottom";
  if (h.empty() && v.empty()) return "";
  return " align=" + h + (h.empty() || v.empty() ? "" : "+") + v;
}

std::string TextCallText(const TDrawCall& c) {
  std::string s = "text x=" + std::to_string(c.Points.empty() ? 0 : c.Points[0].X) +
                  " y=" + std::to_string(c.Points.empty() ? 0 : c.Points[0].Y) +
                  " text=" + Quoted(c.Text) + " adv=";
  for (size_t i = 0; i < c.Advances.size(); ++i) s += (i ? "," : "") + std::to_string(c.Advances[i]);
  s += " color=" + ColorText(c.Color);
  const bool opaque = c.Options & ETO_OPAQUE, clipped = c.Options & ETO_CLIPPED;
  if (opaque || clipped) {
    s += std::string(" options=") + (opaque ? "opaque" : "") + (opaque && clipped ? "+" : "") +
         (clipped ? "clipped" : "");
    s += " rect=" + RectText(c.Rect);
  }
  if (opaque || c.BkMode == TBkMode::bkOpaque) s += " bk=" + ColorText(c.BkColor);
  if (c.BkMode == TBkMode::bkTransparent) s += " mode=transparent";
  s += AlignText(c.TextAlign);
  s += " font=" + Quoted(c.Font.Face) + " height=" + std::to_string(c.Font.Height);
  std::string style;
  auto add = [&](bool on, const char* name) {
    if (on) style += (style.empty() ? "" : "+") + std::string(name);
  };
  add(c.Font.Bold(), "bold");
  add(c.Font.Italic, "italic");
  add(c.Font.Underline, "underline");
  add(c.Font.StrikeOut, "strikeout");
  if (!style.empty()) s += " style=" + style;
  return s;
}

}  // namespace

std::string TDrawCall::Describe() const {
  switch (Kind) {
    case K::dcText: return TextCallText(*this);
    case K::dcFillRect: return "fill rect=" + RectText(Rect) + " color=" + ColorText(Color);
    case K::dcPatBlt:
      if (static_cast<TPatOp>(Extra) == TPatOp::dstInvert) return "invert rect=" + RectText(Rect);
      return "patblt rect=" + RectText(Rect) + BrushText(Brush);
    case K::dcBlendRect:
      return "blend rect=" + RectText(Rect) + " color=" + ColorText(Color) +
             " alpha=" + std::to_string(Extra);
    case K::dcLine:
      return "line from=" + PointText(Points[0]) + " to=" + PointText(Points[1]) + PenText(Pen);
    case K::dcRectangle: return "rectangle rect=" + RectText(Rect) + PenText(Pen) + BrushText(Brush);
    case K::dcEllipse: return "ellipse rect=" + RectText(Rect) + PenText(Pen) + BrushText(Brush);
    case K::dcPolygon:
      return "polygon points=" + PointsText(Points) + PenText(Pen) + BrushText(Brush) +
             (static_cast<TFillMode>(Extra) == TFillMode::fmWinding ? " fill=winding" : "");
    case K::dcPolyline: return "polyline points=" + PointsText(Points) + PenText(Pen);
    case K::dcFocusRect: return "focus rect=" + RectText(Rect);
    case K::dcFillRegion:
      return "fillregion bounds=" + RectText(Rect) + " color=" + ColorText(Color);
    case K::dcBitBlt:
      return "bitblt rect=" + RectText(Rect) + " from=" + PointText(Points[0]) +
             " rop=" + RopText(Extra);
    case K::dcStretchBlt:
      return "stretchblt rect=" + RectText(Rect) + " from=" +
             RectText({Points[0].X, Points[0].Y, Points[1].X, Points[1].Y}) +
             " rop=" + RopText(Extra);
  }
  return {};
}

// ---------------------------------------------------------------- surface

TRecordingSurface::TRecordingSurface(TSurface& target) : FTarget(&target) {}

TRecordingSurface::TRecordingSurface(std::unique_ptr<TSurface> target)
    : FOwned(std::move(target)), FTarget(FOwned.get()) {}

TRecordingSurface::~TRecordingSurface() = default;

std::vector<std::string> TRecordingSurface::Lines() const {
  std::vector<std::string> out;
  out.reserve(FCalls.size());
  for (const TDrawCall& c : FCalls) out.push_back(c.Describe());
  return out;
}

TDrawCall TRecordingSurface::ShapeCall(K kind) const {
  TDrawCall d;
  d.Kind = kind;
  d.Pen = Pen();
  d.Brush = Brush();
  d.Color = Pen().Color;
  return d;
}

void TRecordingSurface::ExtTextOut(int x, int y, unsigned options, const TRect* rect,
                                   std::u16string_view text, const int* dx) {
  TDrawCall c;
  c.Kind = K::dcText;
  c.Points = {{x, y}};
  if (rect) c.Rect = *rect;
  c.Text.assign(text);
  if (dx)
    c.Advances.assign(dx, dx + text.size());
  else
    TextAdvances(text, c.Advances);
  c.Options = options;
  c.TextAlign = TextAlign();
  c.Color = TextColor();
  c.BkColor = BkColor();
  c.BkMode = BkMode();
  c.Font = Font()->Desc();
  FCalls.push_back(std::move(c));
  FTarget->ExtTextOut(x, y, options, rect, text, dx);
}

void TRecordingSurface::LineTo(int x, int y) {
  TDrawCall c;
  c.Kind = K::dcLine;
  c.Points = {CurrentPosition(), {x, y}};
  c.Pen = Pen();
  c.Color = Pen().Color;
  FCalls.push_back(std::move(c));
  FTarget->LineTo(x, y);
}

void TRecordingSurface::FillRect(const TRect& r, TColor color) {
  TDrawCall c;
  c.Kind = K::dcFillRect;
  c.Rect = r;
  c.Color = color;
  FCalls.push_back(std::move(c));
  FTarget->FillRect(r, color);
}

void TRecordingSurface::PatBlt(const TRect& r, TPatOp op) {
  TDrawCall c;
  c.Kind = K::dcPatBlt;
  c.Rect = r;
  c.Brush = Brush();
  c.Color = Brush().Color;
  c.Extra = static_cast<int>(op);
  FCalls.push_back(std::move(c));
  FTarget->PatBlt(r, op);
}

void TRecordingSurface::BlendRect(const TRect& r, TColor color, int alpha) {
  TDrawCall c;
  c.Kind = K::dcBlendRect;
  c.Rect = r;
  c.Color = color;
  c.Extra = alpha;
  FCalls.push_back(std::move(c));
  FTarget->BlendRect(r, color, alpha);
}

void TRecordingSurface::Rectangle(const TRect& r) {
  TDrawCall c = ShapeCall(K::dcRectangle);
  c.Rect = r;
  FCalls.push_back(std::move(c));
  FTarget->Rectangle(r);
}

void TRecordingSurface::Ellipse(const TRect& r) {
  TDrawCall c = ShapeCall(K::dcEllipse);
  c.Rect = r;
  FCalls.push_back(std::move(c));
  FTarget->Ellipse(r);
}

void TRecordingSurface::Polygon(const std::vector<TPoint>& points, TFillMode mode) {
  TDrawCall c = ShapeCall(K::dcPolygon);
  c.Points = points;
  c.Extra = static_cast<int>(mode);
  FCalls.push_back(std::move(c));
  FTarget->Polygon(points, mode);
}

void TRecordingSurface::Polyline(const std::vector<TPoint>& points) {
  TDrawCall c;
  c.Kind = K::dcPolyline;
  c.Points = points;
  c.Pen = Pen();
  c.Color = Pen().Color;
  FCalls.push_back(std::move(c));
  FTarget->Polyline(points);
}

void TRecordingSurface::DrawFocusRect(const TRect& r) {
  TDrawCall c;
  c.Kind = K::dcFocusRect;
  c.Rect = r;
  FCalls.push_back(std::move(c));
  FTarget->DrawFocusRect(r);
}

void TRecordingSurface::FillRegion(const TRegion& rgn, TColor color) {
  TDrawCall c;
  c.Kind = K::dcFillRegion;
  c.Rect = rgn.Bounds();
  c.Color = color;
  FCalls.push_back(std::move(c));
  FTarget->FillRegion(rgn, color);
}

void TRecordingSurface::BitBlt(int x, int y, int width, int height, TBitmap& src, int sx, int sy,
                               TRop rop) {
  TDrawCall c;
  c.Kind = K::dcBitBlt;
  c.Rect = MakeRect(x, y, width, height);
  c.Points = {{sx, sy}};
  c.Extra = static_cast<int>(rop);
  FCalls.push_back(std::move(c));
  FTarget->BitBlt(x, y, width, height, src, sx, sy, rop);
}

void TRecordingSurface::StretchBlt(int x, int y, int width, int height, TBitmap& src, int sx,
                                   int sy, int sw, int sh, TRop rop) {
  TDrawCall c;
  c.Kind = K::dcStretchBlt;
  c.Rect = MakeRect(x, y, width, height);
  c.Points = {{sx, sy}, {sx + sw, sy + sh}};
  c.Extra = static_cast<int>(rop);
  FCalls.push_back(std::move(c));
  FTarget->StretchBlt(x, y, width, height, src, sx, sy, sw, sh, rop);
}

std::vector<std::string> ReadDrawingFile(const std::string& path) {
  std::ifstream in(path);
  if (!in) throw std::runtime_error("cannot read drawing file " + path);
  std::vector<std::string> lines;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    lines.push_back(line);
  }
  return lines;
}

}  // namespace tav
