#pragma once
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/colors.h"
#include "platform/control.h"
#include "platform/geometry.h"
#include "platform/region.h"
#include "platform/surface.h"

namespace tav {

enum class TTabStyle {
  tsSingleSlant,
  tsDoubleSlant,
  tsCutCorner,
  tsRoundCorners,
  tsBackSlant,
  tsSquareCorners
};
enum class TTabOrientation { toTop, toLeft, toBottom, toRight };
enum class TTabSequence { tsStandard, tsReverse };
enum class THotTrackStyle { htsTab, htsText, htsTabBar };
enum class THotTrackColorSource { htcsTabColor, htcsHotTrackColorProp };
enum class THotTrackColorType { htctActual, htctComplement };
enum class THorizontalAlignment { haLeft, haCenter, haRight };

// Fill colours of the strip.
struct TTabColors {
  TColor HighlightBar = clHighlight;  // bar on the current tab
  TColor Shadow = clBtnFace;          // far end of gradients that would be too light
  TColor Unselected = clWindow;       // other tabs when the tabs are not coloured
  friend bool operator==(const TTabColors&, const TTabColors&) = default;
};

// Caption colours.
struct TTextColors {
  TColor Selected = clBtnText;
  TColor Unselected = clBtnText;
  TColor Disabled = clGrayText;
  friend bool operator==(const TTextColors&, const TTextColors&) = default;
};

// One tab as the strip lays it out and draws it.
struct TTabData {
  std::u16string Caption;  // '&' marks the accelerator character
  TColor Color = clBtnFace;
  int DisabledIndex = -1;
  bool Enabled = true;
  std::u16string Hint;
  int ImageIndex = -1;
  // The tab's rectangle in strip coordinates: its horizontal place within
  // the row as laid out (before the row's indent) and the vertical place of
  // its row.
  TRect RawRect;
  int Row = 0;  // 0 = the row next to the card
  bool Visible = true;
};

class TCustomTabStrip;

using TTabChangingEvent =
    std::function<void(TCustomTabStrip& sender, int newIndex, bool& allowChange)>;
using TTabNotifyEvent = std::function<void(TCustomTabStrip& sender)>;

// A strip of tabs above a card. Lays the tabs out in rows, paints them and
// the card, tracks the tab under the mouse and selects tabs by mouse and
// keyboard. Only tabs on top, left to right, are laid out; the other
// orientations and sequences are kept as settings and drawn the same way.
class TCustomTabStrip : public TControl {
public:
  // The timer that watches the cursor while a tab is hot.
  static constexpr int kHotTrackTimer = 1;
  static constexpr unsigned kHotTrackPeriod = 60;

  TCustomTabStrip();
  ~TCustomTabStrip() override;

  // ---- tabs
  const std::vector<TTabData>& Tabs() const { return FTabs; }
  int TabCount() const { return static_cast<int>(FTabs.size()); }
  int TabIndex() const { return FTabIndex; }
  // Makes a tab current through the change step (-1: none). Ignored for a
  // tab that cannot be selected or when OnChanging refuses.
  void SetTabIndex(int index) { ChangeTabIndex(index); }
  // The tab whose shape holds the point (client pixels), the current tab
  // tested first; -1 for none.
  int TabAtPos(int x, int y) const;
  // The tab drawn as hot (under the mouse), or -1.
  int HotIndex() const { return FHotIndex; }
  // The tab's rectangle as drawn (its row's indent included).
  TRect TabRect(int index) const;
  // The shape of a tab drawn in `rect`.
  std::vector<TPoint> TabShape(const TRect& rect) const;
  // The caption's box inside a tab drawn in `rect`.
  TRect TabTextRect(const TRect& rect) const;
  // The card of a row: row 0's card is the page area, the others show as
  // steps behind it.
  TRect CardRect(int row) const;
  // Where the pages go: row 0's card inside its frame.
  TRect PageRect() const;
  int RowCount() const { return FRowCount; }
  int StripHeight() const;

  // ---- appearance
  void SetFont(const TFontDesc& font);
  const TFontDesc& Font() const { return FFont; }
  TTabStyle TabStyle() const { return FTabStyle; }
  void SetTabStyle(TTabStyle v);
  TTabOrientation TabOrientation() const { return FTabOrientation; }
  void SetTabOrientation(TTabOrientation v);
  TTabSequence TabSequence() const { return FTabSequence; }
  void SetTabSequence(TTabSequence v);
  bool MultiLine() const { return FMultiLine; }
  void SetMultiLine(bool v);
  bool AlignTabs() const { return FAlignTabs; }
  void SetAlignTabs(bool v);
  bool BoldCurrentTab() const { return FBoldCurrentTab; }
  void SetBoldCurrentTab(bool v);
  bool UseColoredTabs() const { return FUseColoredTabs; }
  void SetUseColoredTabs(bool v);
  bool HotTrack() const { return FHotTrack; }
  void SetHotTrack(bool v);
  THotTrackStyle HotTrackStyle() const { return FHotTrackStyle; }
  void SetHotTrackStyle(THotTrackStyle v);
  THotTrackColorSource HotTrackColorSource() const { return FHotTrackColorSource; }
  void SetHotTrackColorSource(THotTrackColorSource v);
  THotTrackColorType HotTrackColorType() const { return FHotTrackColorType; }
  void SetHotTrackColorType(THotTrackColorType v);
  TColor HotTrackColor() const { return FHotTrackColor; }
  void SetHotTrackColor(TColor v);
  const TTabColors& TabColors() const { return FTabColors; }
  void SetTabColors(const TTabColors& v);
  const TTextColors& TextColors() const { return FTextColors; }
  void SetTextColors(const TTextColors& v);
  bool UseGradients() const { return FUseGradients; }
  void SetUseGradients(bool v);
  bool ShowShadow() const { return FShowShadow; }
  void SetShowShadow(bool v);
  bool ShowCardFrame() const { return FShowCardFrame; }
  void SetShowCardFrame(bool v);
  bool ShowFullFrame() const { return FShowFullFrame; }
  void SetShowFullFrame(bool v);
  bool ShowFocusRect() const { return FShowFocusRect; }
  void SetShowFocusRect(bool v);
  int Margin() const { return FMargin; }
  void SetMargin(int v);
  int RowIndent() const { return FRowIndent; }
  void SetRowIndent(int v);
  int RowOverlap() const { return FRowOverlap; }
  void SetRowOverlap(int v);
  int TabWidth() const { return FTabWidth; }
  void SetTabWidth(int v);
  int TabHeight() const { return FTabHeight; }
  void SetTabHeight(int v);
  THorizontalAlignment TextAlignment() const { return FTextAlignment; }
  void SetTextAlignment(THorizontalAlignment v);
  TColor FlatColor() const { return FFlatColor; }
  void SetFlatColor(TColor v);
  int FlatColorAdjustment() const { return FFlatColorAdjustment; }
  void SetFlatColorAdjustment(int v);
  // clDefault: the parent's colour.
  TColor BackgroundColor() const { return FBackgroundColor; }
  void SetBackgroundColor(TColor v);
  // The height of one row of tabs; every layout computes it again from the
  // font and the captions.
  int FixedDimension() const { return FFixedDimension; }
  void SetFixedDimension(int v);

  // ---- events
  void SetOnChanging(TTabChangingEvent handler) { FOnChanging = std::move(handler); }
  void SetOnChange(TTabNotifyEvent handler) { FOnChange = std::move(handler); }
  void SetOnTabClick(TTabNotifyEvent handler) { FOnTabClick = std::move(handler); }

  // ---- actions
  // Lays the tabs out again (sizes, rows, stretching, row order).
  void LayoutTabs();
  // Next or previous selectable tab, wrapping around.
  void SelectNextTab(bool goForward);
  // The window's accelerator handling offers a character here (for
  // example after Alt+letter); true when a tab has it as its accelerator and
  // was made current.
  virtual bool DialogChar(char16_t ch);
  // Draws the whole control onto `canvas` at (0, 0), without the
  // off-screen step.
  void DrawStrip(TSurface& canvas);

  // ---- handlers
  void Paint(TSurface& canvas, const TRect& clip) override;
  void Resize() override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void KeyDown(int& key, TShiftState shift) override;
  unsigned WantedKeys() const override { return DLGC_WANTARROWS; }
  void FocusGained() override;
  void FocusLost() override;
  void TimerTick(int id) override;

protected:
  // Replaces the tabs; `tabIndex` becomes current without the change step.
  void SetTabs(std::vector<TTabData> tabs, int tabIndex);
  // The change step; true when `index` is current afterwards.
  bool ChangeTabIndex(int index);
  bool CanSelect(int index) const;
  // Asks OnChanging.
  virtual bool CanChange(int newIndex);
  // Called inside the change step before the new tab becomes current.
  virtual void TabActivating(int oldIndex, int newIndex);
  // Raises OnChange.
  virtual void Change();
  // Raises OnTabClick.
  virtual void TabClick();
  // The layout changed: rows, card or strip height.
  virtual void LayoutChanged() {}
  // Ctrl+Tab and Ctrl+Shift+Tab.
  virtual void CtrlTab(bool goForward) { SelectNextTab(goForward); }

  void Relayout();

private:
  void RotateRows(int newFirstRow);
  void PlaceRowsVertically();
  TFontDesc MeasureFontDesc() const;
  TRegion TabRegion(const TRect& rect) const;
  TColor ResolvedBackground() const;
  TColor CurrentFill() const;
  TColor TabBaseColor(int index) const;
  TColor UnselectedFill(int index) const;
  TColor GradientEnd(int index) const;
  TColor HotColor(int index) const;
  TColor OutlineColor() const;
  void DrawTab(TSurface& canvas, int index);
  void DrawCard(TSurface& canvas, int row);
  void SetHot(int index);

  std::vector<TTabData> FTabs;
  int FTabIndex = -1;
  int FHotIndex = -1;
  int FRowCount = 1;
  const TGraphicsDevice* FLayoutDevice = nullptr;

  TFontDesc FFont;
  TTabStyle FTabStyle = TTabStyle::tsSingleSlant;
  TTabOrientation FTabOrientation = TTabOrientation::toTop;
  TTabSequence FTabSequence = TTabSequence::tsStandard;
  bool FMultiLine = false;
  bool FAlignTabs = false;
  bool FBoldCurrentTab = false;
  bool FUseColoredTabs = false;
  bool FHotTrack = true;
  THotTrackStyle FHotTrackStyle = THotTrackStyle::htsTab;
  THotTrackColorSource FHotTrackColorSource = THotTrackColorSource::htcsTabColor;
  THotTrackColorType FHotTrackColorType = THotTrackColorType::htctActual;
  TColor FHotTrackColor = RGB(240, 155, 20);
  TTabColors FTabColors;
  TTextColors FTextColors;
  bool FUseGradients = true;
  bool FShowShadow = true;
  bool FShowCardFrame = true;
  bool FShowFullFrame = true;
  bool FShowFocusRect = true;
  int FMargin = 0;
  int FRowIndent = 5;
  int FRowOverlap = 5;
  int FTabWidth = 0;
  int FTabHeight = 0;
  THorizontalAlignment FTextAlignment = THorizontalAlignment::haCenter;
  TColor FFlatColor = clBtnShadow;
  int FFlatColorAdjustment = 0;
  TColor FBackgroundColor = clDefault;
  int FFixedDimension = 0;

  TTabChangingEvent FOnChanging;
  TTabNotifyEvent FOnChange;
  TTabNotifyEvent FOnTabClick;
};

// The character after the single '&' of a caption ("&&" is a literal '&'),
// or 0 when there is none.
char16_t AcceleratorChar(std::u16string_view caption);
// The caption as shown: accelerator marks removed, "&&" as '&'.
std::u16string StripAccelerator(std::u16string_view caption);

}  // namespace tav
