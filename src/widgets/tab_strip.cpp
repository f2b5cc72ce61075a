#include "widgets/tab_strip.h"

#include <algorithm>
#include <cstdlib>
#include <cwctype>

#include "widgets/hls_color.h"
#include "widgets/tab_errors.h"

namespace tav {

namespace {

// Height of the bar drawn along the top of the current and the hot tab.
constexpr int kBarHeight = 6;

char16_t UpperChar(char16_t c) {
  if (c >= u'a' && c <= u'z') return static_cast<char16_t>(c - 32);
  if (c < 0x80) return c;
  return static_cast<char16_t>(std::towupper(static_cast<wint_t>(c)));
}

TColor Mix(TColor a, TColor b, int num, int den) {
  if (den <= 0) return a;
  auto ch = [&](int x, int y) { return x + (y - x) * num / den; };
  return RGB(ch(GetRValue(a), GetRValue(b)), ch(GetGValue(a), GetGValue(b)),
             ch(GetBValue(a), GetBValue(b)));
}

// A colour for painting: system colours resolved, "no colour" replaced.
TColor Resolve(TColor c, TColor fallback) {
  if (c == clNone || c == clDefault) c = fallback;
  return ColorToRGB(c) & 0xFFFFFF;
}

// The tab shape one pixel wider on each side, for the bars.
std::vector<TPoint> Widened(std::vector<TPoint> pts, const TRect& r) {
  int centre = (r.Left + r.Right) / 2;
  for (TPoint& p : pts) p.X += p.X < centre ? -1 : 1;
  return pts;
}

}  // namespace

char16_t AcceleratorChar(std::u16string_view caption) {
  for (size_t i = 0; i + 1 < caption.size(); ++i) {
    if (caption[i] != u'&') continue;
    if (caption[i + 1] == u'&') {
      ++i;
      continue;
    }
    return caption[i + 1];
  }
  return 0;
}

std::u16string StripAccelerator(std::u16string_view caption) {
  std::u16string out;
  out.reserve(caption.size());
  for (size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == u'&') {
      if (i + 1 < caption.size() && caption[i + 1] == u'&') {
        out.push_back(u'&');
        ++i;
      }
      continue;
    }
    out.push_back(caption[i]);
  }
  return out;
}

// ---------------------------------------------------------------- construction

TCustomTabStrip::TCustomTabStrip() {
  SetTabStop(true);
  SetColor(clBtnFace);
  FFont = TSurface::DefaultFontDesc();
  LayoutTabs();
}

TCustomTabStrip::~TCustomTabStrip() = default;

// ---------------------------------------------------------------- properties

namespace {
template <class T>
bool Assign(T& field, const T& value) {
  if (field == value) return false;
  field = value;
  return true;
}
}  // namespace

void TCustomTabStrip::SetFont(const TFontDesc& v) {
  if (Assign(FFont, v)) Relayout();
}
void TCustomTabStrip::SetTabStyle(TTabStyle v) {
  if (Assign(FTabStyle, v)) Relayout();
}
void TCustomTabStrip::SetTabOrientation(TTabOrientation v) {
  if (Assign(FTabOrientation, v)) Relayout();
}
void TCustomTabStrip::SetTabSequence(TTabSequence v) {
  if (Assign(FTabSequence, v)) Relayout();
}
void TCustomTabStrip::SetMultiLine(bool v) {
  if (Assign(FMultiLine, v)) Relayout();
}
void TCustomTabStrip::SetAlignTabs(bool v) {
  if (Assign(FAlignTabs, v)) Relayout();
}
void TCustomTabStrip::SetBoldCurrentTab(bool v) {
  if (Assign(FBoldCurrentTab, v)) Relayout();
}
void TCustomTabStrip::SetUseColoredTabs(bool v) {
  if (Assign(FUseColoredTabs, v)) Invalidate();
}
void TCustomTabStrip::SetHotTrack(bool v) {
  if (!Assign(FHotTrack, v)) return;
  if (!v) {
    KillTimer(kHotTrackTimer);
    FHotIndex = -1;
  }
  Invalidate();
}
void TCustomTabStrip::SetHotTrackStyle(THotTrackStyle v) {
  if (Assign(FHotTrackStyle, v)) Invalidate();
}
void TCustomTabStrip::SetHotTrackColorSource(THotTrackColorSource v) {
  if (Assign(FHotTrackColorSource, v)) Invalidate();
}
void TCustomTabStrip::SetHotTrackColorType(THotTrackColorType v) {
  if (Assign(FHotTrackColorType, v)) Invalidate();
}
void TCustomTabStrip::SetHotTrackColor(TColor v) {
  if (Assign(FHotTrackColor, v)) Invalidate();
}
void TCustomTabStrip::SetTabColors(const TTabColors& v) {
  if (Assign(FTabColors, v)) Invalidate();
}
void TCustomTabStrip::SetTextColors(const TTextColors& v) {
  if (Assign(FTextColors, v)) Invalidate();
}
void TCustomTabStrip::SetUseGradients(bool v) {
  if (Assign(FUseGradients, v)) Invalidate();
}
void TCustomTabStrip::SetShowShadow(bool v) {
  if (Assign(FShowShadow, v)) Relayout();
}
void TCustomTabStrip::SetShowCardFrame(bool v) {
  if (Assign(FShowCardFrame, v)) Invalidate();
}
void TCustomTabStrip::SetShowFullFrame(bool v) {
  if (Assign(FShowFullFrame, v)) Invalidate();
}
void TCustomTabStrip::SetShowFocusRect(bool v) {
  if (Assign(FShowFocusRect, v)) Invalidate();
}
void TCustomTabStrip::SetMargin(int v) {
  if (Assign(FMargin, std::max(0, v))) Relayout();
}
void TCustomTabStrip::SetRowIndent(int v) {
  if (Assign(FRowIndent, std::max(0, v))) Relayout();
}
void TCustomTabStrip::SetRowOverlap(int v) {
  if (Assign(FRowOverlap, std::max(0, v))) Relayout();
}
void TCustomTabStrip::SetTabWidth(int v) {
  if (Assign(FTabWidth, std::max(0, v))) Relayout();
}
void TCustomTabStrip::SetTabHeight(int v) {
  if (Assign(FTabHeight, std::max(0, v))) Relayout();
}
void TCustomTabStrip::SetTextAlignment(THorizontalAlignment v) {
  if (Assign(FTextAlignment, v)) Invalidate();
}
void TCustomTabStrip::SetFlatColor(TColor v) {
  if (Assign(FFlatColor, v)) Invalidate();
}
void TCustomTabStrip::SetFlatColorAdjustment(int v) {
  if (Assign(FFlatColorAdjustment, v)) Invalidate();
}
void TCustomTabStrip::SetBackgroundColor(TColor v) {
  if (Assign(FBackgroundColor, v)) Invalidate();
}
void TCustomTabStrip::SetFixedDimension(int v) {
  FFixedDimension = v;
  Relayout();
}

// ---------------------------------------------------------------- layout

TFontDesc TCustomTabStrip::MeasureFontDesc() const {
  // Every tab is measured bold when the current one is drawn bold, so a tab
  // keeps its size when it becomes current.
  TFontDesc desc = FFont;
  if (FBoldCurrentTab) desc.Weight = std::max(desc.Weight, FW_BOLD);
  return desc;
}

void TCustomTabStrip::Relayout() {
  LayoutTabs();
  LayoutChanged();
  Invalidate();
}

void TCustomTabStrip::LayoutTabs() {
  TGraphicsDevice& device = Device();
  FLayoutDevice = &device;
  TFontRef font = device.CreateFont(MeasureFontDesc());
  const int fontHeight = font->Metrics().Height;
  const int minWidth = font->TextWidth(u"A");

  // Cell sizes: the content plus the bevel, padding and the slant.
  const size_t n = FTabs.size();
  std::vector<int> cellWidth(n, 0);
  int contentHeight = FTabHeight > 0 ? FTabHeight : fontHeight;
  int fixed = contentHeight + 6;
  for (size_t i = 0; i < n; ++i) {
    TTabData& tab = FTabs[i];
    tab.RawRect = {};
    tab.Row = 0;
    if (!tab.Visible) continue;
    int w = FTabWidth > 0 ? FTabWidth
                          : std::max(font->TextWidth(StripAccelerator(tab.Caption)), minWidth);
    int h = contentHeight;
    cellWidth[i] = w + 2 + 4 + 2 * ((h + 6) / 2);
    fixed = std::max(fixed, h + 6);
  }
  FFixedDimension = fixed;
  const int overlap = fixed / 2 - 1;
  const int width = ClientWidth();
  auto rowWidth = [&](int rows) { return width - 2 * FMargin - (rows - 1) * FRowIndent; };

  // Places the tabs left to right in rows of width rw; returns the number
  // of rows used. A tab that does not fit starts a new row (with MultiLine).
  auto place = [&](int rw, bool store) {
    int row = 0;
    bool first = true;
    int prevRight = 0;
    for (size_t i = 0; i < n; ++i) {
      if (!FTabs[i].Visible) continue;
      int cw = std::min(cellWidth[i], std::max(rw, 0));
      int left = FMargin;
      if (!first) {
        left = prevRight - overlap;
        if (FMultiLine && left + cw > FMargin + rw) {
          ++row;
          left = FMargin;
        }
      }
      if (store) {
        FTabs[i].RawRect = {left, 0, left + cw, fixed};
        FTabs[i].Row = row;
      }
      first = false;
      prevRight = left + cw;
    }
    return row + 1;
  };

  int visible = 0;
  for (const TTabData& tab : FTabs) visible += tab.Visible ? 1 : 0;
  int rows = 1;
  if (FMultiLine)
    while (rows < visible && place(rowWidth(rows), false) > rows) ++rows;
  const int rw = rowWidth(rows);
  FRowCount = std::max(1, place(rw, true));

  if (FMultiLine && FAlignTabs) {
    for (int row = 0; row < FRowCount; ++row) {
      std::vector<size_t> members;
      for (size_t i = 0; i < n; ++i)
        if (FTabs[i].Visible && FTabs[i].Row == row) members.push_back(i);
      if (members.empty()) continue;
      int extent = FTabs[members.back()].RawRect.Right - FTabs[members.front()].RawRect.Left;
      int free = rw - extent;
      if (free <= 0) continue;
      int count = static_cast<int>(members.size());
      int shift = 0;
      for (int k = 0; k < count; ++k) {
        TRect& r = FTabs[members[static_cast<size_t>(k)]].RawRect;
        int grow = free / count + (k < free % count ? 1 : 0);
        r.Left += shift;
        r.Right += shift + grow;
        shift += grow;
      }
    }
  }

  // The current tab's row lies next to the card.
  if (FMultiLine && FTabIndex >= 0 && FTabIndex < TabCount() && FTabs[FTabIndex].Visible)
    RotateRows(FTabs[static_cast<size_t>(FTabIndex)].Row);
  else
    PlaceRowsVertically();
}

void TCustomTabStrip::RotateRows(int newFirstRow) {
  const int rows = FRowCount;
  for (TTabData& tab : FTabs)
    if (tab.Visible) tab.Row = (tab.Row + rows - newFirstRow) % rows;
  PlaceRowsVertically();
}

void TCustomTabStrip::PlaceRowsVertically() {
  const int stripHeight = StripHeight();
  const int step = FFixedDimension - FRowOverlap;
  for (TTabData& tab : FTabs) {
    if (!tab.Visible) continue;
    int top = stripHeight - FFixedDimension - tab.Row * step;
    tab.RawRect.Top = top;
    tab.RawRect.Bottom = top + FFixedDimension;
  }
}

int TCustomTabStrip::StripHeight() const {
  return FFixedDimension + (FRowCount - 1) * (FFixedDimension - FRowOverlap);
}

TRect TCustomTabStrip::TabRect(int index) const {
  if (index < 0 || index >= TabCount()) return {};
  const TTabData& tab = FTabs[static_cast<size_t>(index)];
  if (!tab.Visible) return {};
  return tab.RawRect.Offset(tab.Row * FRowIndent, 0);
}

std::vector<TPoint> TCustomTabStrip::TabShape(const TRect& r) const {
  const int L = r.Left, T = r.Top, R = r.Right, B = r.Bottom, H = r.Height();
  switch (FTabStyle) {
    case TTabStyle::tsSingleSlant:
      return {{L, B}, {L, T + 2}, {L + 2, T}, {std::max(L + 2, R - H), T}, {R, B}};
    case TTabStyle::tsDoubleSlant: {
      int s = std::min(H / 2, r.Width() / 2);
      return {{L, B}, {L + s, T}, {R - s, T}, {R, B}};
    }
    case TTabStyle::tsCutCorner:
      return {{L, B}, {L, T + 3}, {L + 3, T}, {R - 3, T}, {R, T + 3}, {R, B}};
    case TTabStyle::tsRoundCorners:
      return {{L, B}, {L, T + 2}, {L + 1, T + 1}, {L + 2, T}, {R - 2, T}, {R - 1, T + 1},
              {R, T + 2}, {R, B}};
    case TTabStyle::tsBackSlant:
      return {{L, B}, {std::min(R - 2, L + H), T}, {R - 2, T}, {R, T + 2}, {R, B}};
    case TTabStyle::tsSquareCorners:
      return {{L, B}, {L, T}, {R, T}, {R, B}};
  }
  return {};
}

TRect TCustomTabStrip::TabTextRect(const TRect& r) const {
  TRect t{r.Left + 3, r.Top + 3, r.Right - 3 - r.Height() / 2, r.Bottom - 3};
  t.Right = std::max(t.Right, t.Left);
  t.Bottom = std::max(t.Bottom, t.Top);
  return t;
}

TRect TCustomTabStrip::CardRect(int row) const {
  const int rows = FRowCount;
  const int step = FFixedDimension - FRowOverlap;
  const int top = StripHeight();
  return {row * FRowIndent, top - row * step, ClientWidth() - (rows - 1 - row) * FRowIndent,
          ClientHeight() - row * step};
}

TRect TCustomTabStrip::PageRect() const {
  TRect card = CardRect(0);
  int inset = FShowShadow ? 2 : 1;
  TRect r{card.Left + 1, card.Top + 1, card.Right - inset, card.Bottom - inset};
  r.Right = std::max(r.Right, r.Left);
  r.Bottom = std::max(r.Bottom, r.Top);
  return r;
}

TRegion TCustomTabStrip::TabRegion(const TRect& rect) const {
  TRegion rgn = TRegion::Polygon(TabShape(rect), TFillMode::fmWinding);
  // Every shape of at least 3 x 3 pixels covers pixels; an empty region
  // then means the platform could not build it.
  if (rgn.IsEmpty() && rect.Width() >= 3 && rect.Height() >= 3)
    throw ETabControlError("Error creating region");
  return rgn;
}

int TCustomTabStrip::TabAtPos(int x, int y) const {
  auto hit = [&](int i) {
    TRect r = TabRect(i);
    return !r.IsEmpty() && r.Inflate(1, 1).Contains(x, y) && TabRegion(r).Contains(x, y);
  };
  if (FTabIndex >= 0 && FTabIndex < TabCount() && hit(FTabIndex)) return FTabIndex;
  // Nearer rows and earlier tabs lie on top of the others.
  for (int row = 0; row < FRowCount; ++row)
    for (int i = 0; i < TabCount(); ++i)
      if (i != FTabIndex && FTabs[static_cast<size_t>(i)].Visible &&
          FTabs[static_cast<size_t>(i)].Row == row && hit(i))
        return i;
  return -1;
}

void TCustomTabStrip::Resize() { Relayout(); }

// ---------------------------------------------------------------- tabs and selection

void TCustomTabStrip::SetTabs(std::vector<TTabData> tabs, int tabIndex) {
  FTabs = std::move(tabs);
  FTabIndex = tabIndex >= 0 && tabIndex < TabCount() ? tabIndex : -1;
  FHotIndex = -1;
  Relayout();
}

bool TCustomTabStrip::CanSelect(int index) const {
  if (index < 0 || index >= TabCount()) return false;
  const TTabData& tab = FTabs[static_cast<size_t>(index)];
  return tab.Visible && tab.Enabled;
}

bool TCustomTabStrip::ChangeTabIndex(int index) {
  if (index == FTabIndex) return true;
  if (index != -1 && !CanSelect(index)) return false;
  if (!CanChange(index)) return false;
  TabActivating(FTabIndex, index);
  FTabIndex = index;
  if (FMultiLine && index >= 0) RotateRows(FTabs[static_cast<size_t>(index)].Row);
  Invalidate();
  Change();
  return true;
}

bool TCustomTabStrip::CanChange(int newIndex) {
  bool allow = true;
  if (FOnChanging) FOnChanging(*this, newIndex, allow);
  return allow;
}

void TCustomTabStrip::TabActivating(int, int) {}

void TCustomTabStrip::Change() {
  if (FOnChange) FOnChange(*this);
}

void TCustomTabStrip::TabClick() {
  if (FOnTabClick) FOnTabClick(*this);
}

void TCustomTabStrip::SelectNextTab(bool goForward) {
  const int n = TabCount();
  if (n == 0) return;
  const int dir = goForward ? 1 : -1;
  int start = FTabIndex >= 0 ? FTabIndex : (goForward ? -1 : n);
  for (int k = 1; k <= n; ++k) {
    int i = ((start + dir * k) % n + n) % n;
    if (i == FTabIndex) return;
    if (CanSelect(i)) {
      ChangeTabIndex(i);
      return;
    }
  }
}

bool TCustomTabStrip::DialogChar(char16_t ch) {
  if (ch == 0) return false;
  const char16_t wanted = UpperChar(ch);
  for (int i = 0; i < TabCount(); ++i) {
    char16_t accel = AcceleratorChar(FTabs[static_cast<size_t>(i)].Caption);
    if (accel != 0 && UpperChar(accel) == wanted && CanSelect(i)) {
      ChangeTabIndex(i);
      return true;
    }
  }
  return false;
}

// ---------------------------------------------------------------- input

void TCustomTabStrip::MouseDown(TMouseButton button, TShiftState, int x, int y) {
  if (button != TMouseButton::mbLeft) return;
  int index = TabAtPos(x, y);
  if (index < 0 || !FTabs[static_cast<size_t>(index)].Enabled) return;
  if (index == FTabIndex)
    SetFocus();
  else
    ChangeTabIndex(index);
  if (FTabIndex == index) TabClick();
}

void TCustomTabStrip::MouseMove(TShiftState, int x, int y) {
  if (!FHotTrack) return;
  int index = TabAtPos(x, y);
  if (index < 0 || index == FHotIndex || !FTabs[static_cast<size_t>(index)].Enabled) return;
  SetHot(index);
  SetTimer(kHotTrackTimer, kHotTrackPeriod);
}

void TCustomTabStrip::TimerTick(int id) {
  if (id != kHotTrackTimer) return;
  int index = -1;
  if (FHotTrack && CursorOver()) {
    TPoint p = CursorPos();
    index = TabAtPos(p.X, p.Y);
    if (index >= 0 && !FTabs[static_cast<size_t>(index)].Enabled) index = -1;
  }
  if (index < 0) KillTimer(kHotTrackTimer);
  SetHot(index);
}

void TCustomTabStrip::SetHot(int index) {
  if (index == FHotIndex) return;
  FHotIndex = index;
  // The tabs and the top line of the card.
  InvalidateRect({0, 0, ClientWidth(), StripHeight() + 1});
}

void TCustomTabStrip::KeyDown(int& key, TShiftState shift) {
  if (key == VK_TAB && (shift & ssCtrl)) {
    CtrlTab((shift & ssShift) == 0);
    key = 0;
    return;
  }
  if (shift & (ssCtrl | ssAlt)) return;
  switch (key) {
    case VK_RIGHT:
    case VK_DOWN:
      SelectNextTab(true);
      break;
    case VK_LEFT:
    case VK_UP:
      SelectNextTab(false);
      break;
    case VK_HOME:
      for (int i = 0; i < TabCount(); ++i)
        if (CanSelect(i)) {
          ChangeTabIndex(i);
          break;
        }
      break;
    case VK_END:
      for (int i = TabCount() - 1; i >= 0; --i)
        if (CanSelect(i)) {
          ChangeTabIndex(i);
          break;
        }
      break;
    default:
      return;
  }
  key = 0;
  TabClick();
}

void TCustomTabStrip::FocusGained() { Invalidate(); }
void TCustomTabStrip::FocusLost() { Invalidate(); }

// ---------------------------------------------------------------- colours

TColor TCustomTabStrip::ResolvedBackground() const {
  if (FBackgroundColor != clDefault && FBackgroundColor != clNone)
    return Resolve(FBackgroundColor, clBtnFace);
  return Resolve(Parent() ? Parent()->Color() : clBtnFace, clBtnFace);
}

TColor TCustomTabStrip::TabBaseColor(int index) const {
  if (FUseColoredTabs && index >= 0 && index < TabCount())
    return Resolve(FTabs[static_cast<size_t>(index)].Color, Color());
  return Resolve(Color(), clBtnFace);
}

TColor TCustomTabStrip::CurrentFill() const { return TabBaseColor(FTabIndex); }

TColor TCustomTabStrip::UnselectedFill(int index) const {
  if (!FUseColoredTabs) return Resolve(FTabColors.Unselected, clWindow);
  return LighterColor(TabBaseColor(index), 20);
}

TColor TCustomTabStrip::GradientEnd(int index) const {
  if (!FUseColoredTabs) return Resolve(FTabColors.Shadow, clBtnFace);
  // Near white the darker end would stand out; the button face is used.
  THlsColor light = ColorRGBToHLS(UnselectedFill(index));
  THlsColor white = ColorRGBToHLS(clWhite);
  if (std::abs(light.H - white.H) <= 20 && std::abs(light.L - white.L) <= 60)
    return Resolve(FTabColors.Shadow, clBtnFace);
  return DarkerColor(TabBaseColor(index), 40);
}

TColor TCustomTabStrip::HotColor(int index) const {
  if (FHotTrackColorSource == THotTrackColorSource::htcsTabColor)
    return DarkerColor(TabBaseColor(index), 40);
  TColor c = Resolve(FHotTrackColor, clHighlight);
  if (FHotTrackColorType == THotTrackColorType::htctComplement) c = ~c & 0xFFFFFF;
  return c;
}

TColor TCustomTabStrip::OutlineColor() const {
  TColor c = Resolve(FFlatColor, clBtnShadow);
  return FFlatColorAdjustment == 0 ? c : ColorAdjustLuma(c, FFlatColorAdjustment);
}

// ---------------------------------------------------------------- painting

void TCustomTabStrip::Paint(TSurface& canvas, const TRect& clip) {
  if (FLayoutDevice != &Device()) {
    LayoutTabs();
    LayoutChanged();
  }
  const int w = ClientWidth(), h = ClientHeight();
  TRect area = IntersectRect(clip, {0, 0, w, h});
  if (area.IsEmpty()) return;
  // Everything is drawn off screen first and copied in one step, so the
  // overlapping shapes never flicker.
  std::unique_ptr<TBitmap> buffer = canvas.CreateCompatibleBitmap(w, h);
  DrawStrip(buffer->Canvas());
  canvas.BitBlt(area.Left, area.Top, area.Width(), area.Height(), *buffer, area.Left, area.Top,
                TRop::ropSrcCopy);
}

void TCustomTabStrip::DrawStrip(TSurface& canvas) {
  const int level = canvas.SaveDC();
  if (level <= 0) throw ETabControlError("Error saving device context");
  canvas.FillRect({0, 0, ClientWidth(), ClientHeight()}, ResolvedBackground());
  canvas.SetBkMode(TBkMode::bkTransparent);
  // Farthest row first, each row from its last tab to its first, so that
  // nearer rows and earlier tabs cover the others' slants; a row's card
  // step goes in when the loop moves on to the nearer row.
  for (int row = FRowCount - 1; row >= 0; --row) {
    for (int i = TabCount() - 1; i >= 0; --i) {
      const TTabData& tab = FTabs[static_cast<size_t>(i)];
      if (i != FTabIndex && tab.Visible && tab.Row == row) DrawTab(canvas, i);
    }
    if (row > 0) DrawCard(canvas, row);
  }
  if (FTabIndex >= 0 && FTabIndex < TabCount() && FTabs[static_cast<size_t>(FTabIndex)].Visible)
    DrawTab(canvas, FTabIndex);
  DrawCard(canvas, 0);
  canvas.RestoreDC(level);
}

void TCustomTabStrip::DrawTab(TSurface& canvas, int index) {
  const TRect r = TabRect(index);
  if (r.IsEmpty()) return;
  const TTabData& tab = FTabs[static_cast<size_t>(index)];
  const bool current = index == FTabIndex;
  const bool hot = FHotTrack && index == FHotIndex;
  const std::vector<TPoint> shape = TabShape(r);
  const TColor outline = OutlineColor();

  TColor fill = current ? CurrentFill() : UnselectedFill(index);
  const bool hotFill = hot && FHotTrackStyle == THotTrackStyle::htsTab;
  if (hotFill) fill = HotColor(index);

  if (!current && !hotFill && FUseGradients) {
    TRegion rgn = TabRegion(r);
    const int level = canvas.SaveDC();
    if (level <= 0) throw ETabControlError("Error saving device context");
    TPoint origin = canvas.ViewportOrigin();
    TRegion clip = rgn.Offset(origin.X, origin.Y);
    TRegion old;
    if (canvas.GetClipRegion(old)) clip = TRegion::Combine(clip, old, TRegionOp::roAnd);
    canvas.SelectClipRegion(&clip);
    const TColor end = GradientEnd(index);
    for (int y = r.Top; y < r.Bottom; ++y)
      canvas.FillRect({r.Left, y, r.Right + 1, y + 1},
                      Mix(fill, end, y - r.Top, std::max(1, r.Height() - 1)));
    canvas.RestoreDC(level);
    canvas.SetBrush({TBrushStyle::bsClear, fill});
  } else {
    canvas.SetBrush({TBrushStyle::bsSolid, fill});
  }
  canvas.SetPen({TPenStyle::psSolid, 1, outline});
  canvas.Polygon(shape, TFillMode::fmWinding);

  // The bar along the top edge, following the tab's outline.
  if (FHotTrack && FHotTrackStyle == THotTrackStyle::htsTabBar && (hot || current)) {
    TColor bar = hot ? HotColor(index) : Resolve(FTabColors.HighlightBar, clHighlight);
    TRegion band = TRegion::Rect({r.Left - 1, r.Top, r.Right + 1, r.Top + kBarHeight});
    TRegion widened = TRegion::Polygon(Widened(shape, r), TFillMode::fmWinding);
    canvas.FillRegion(TRegion::Combine(band, widened, TRegionOp::roAnd), bar);
  }

  TFontDesc desc = FFont;
  if (current && FBoldCurrentTab) desc.Weight = std::max(desc.Weight, FW_BOLD);
  canvas.SelectFont(canvas.Device().CreateFont(desc));
  TColor text;
  if (!tab.Enabled)
    text = Resolve(FTextColors.Disabled, clGrayText);
  else if (hot && FHotTrackStyle == THotTrackStyle::htsText)
    text = HotColor(index);
  else if (current || hot)
    text = Resolve(FTextColors.Selected, clBtnText);
  else
    text = Resolve(FTextColors.Unselected, clBtnText);
  canvas.SetTextColor(text);
  canvas.SetBkMode(TBkMode::bkTransparent);
  TRect textRect = TabTextRect(r);
  unsigned align = FTextAlignment == THorizontalAlignment::haLeft    ? DT_LEFT
                   : FTextAlignment == THorizontalAlignment::haRight ? DT_RIGHT
                                                                     : DT_CENTER;
  canvas.DrawText(tab.Caption, textRect, align | DT_VCENTER | DT_SINGLELINE);
  if (current && FShowFocusRect && Focused()) canvas.DrawFocusRect(TabTextRect(r));
}

void TCustomTabStrip::DrawCard(TSurface& canvas, int row) {
  const TRect card = CardRect(row);
  if (card.IsEmpty()) return;
  const bool hasCurrent =
      FTabIndex >= 0 && FTabIndex < TabCount() && FTabs[static_cast<size_t>(FTabIndex)].Visible;
  // Row 0's card shows the current tab's colour; the steps behind it the
  // lighter colour of the tabs that are not current.
  const TColor fill = row == 0 ? CurrentFill()
                               : (hasCurrent ? UnselectedFill(FTabIndex) : UnselectedFill(-1));
  const TColor outline = OutlineColor();
  const TRect frame =
      FShowShadow ? TRect{card.Left, card.Top, card.Right - 1, card.Bottom - 1} : card;
  canvas.FillRect(frame, fill);
  if (FShowCardFrame) {
    if (FShowFullFrame)
      canvas.FrameRect(frame, outline);
    else
      canvas.FillRect({frame.Left, frame.Top, frame.Right, frame.Top + 1}, outline);
  }
  if (FShowShadow) {
    // One pixel right of and below the frame, softer at the ends.
    canvas.BlendRect({card.Right - 1, card.Top + 1, card.Right, card.Top + 2}, clBlack, 15);
    canvas.BlendRect({card.Right - 1, card.Top + 2, card.Right, card.Bottom - 1}, clBlack, 30);
    canvas.BlendRect({card.Left + 1, card.Bottom - 1, card.Left + 2, card.Bottom}, clBlack, 15);
    canvas.BlendRect({card.Left + 2, card.Bottom - 1, card.Right - 1, card.Bottom}, clBlack, 30);
    canvas.BlendRect({card.Right - 1, card.Bottom - 1, card.Right, card.Bottom}, clBlack, 15);
  }
  // The current tab opens into the card: no frame line under it.
  if (row == 0 && hasCurrent && FShowCardFrame) {
    TRect tab = TabRect(FTabIndex);
    int left = std::max(tab.Left + 1, frame.Left + 1);
    int right = std::min(tab.Right, frame.Right - 1);
    if (left < right) canvas.FillRect({left, frame.Top, right, frame.Top + 1}, fill);
  }
}

}  // namespace tav
