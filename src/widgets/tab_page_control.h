#pragma once
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "widgets/tab_strip.h"

namespace tav {

class TTabPageControl;

// One page of a page control: a container shown in the card while its tab
// is current. Created, owned and placed by its page control; other
// controls go on it as its children.
class TTabPageSheet : public TControl {
  struct TKey {
    explicit TKey() = default;
  };
  friend class TTabPageControl;

public:
  TTabPageSheet(TKey, TTabPageControl& owner, std::u16string caption);
  ~TTabPageSheet() override;

  const std::u16string& Caption() const { return FCaption; }
  void SetCaption(const std::u16string& caption);
  // The page's colour: its background and, with coloured tabs, its tab.
  TColor Color() const { return TControl::Color(); }
  void SetColor(TColor color);
  bool TabVisible() const { return FTabVisible; }
  void SetTabVisible(bool visible);
  bool TabEnabled() const { return FTabEnabled; }
  void SetTabEnabled(bool enabled);
  int ImageIndex() const { return FImageIndex; }
  void SetImageIndex(int index);
  int DisabledIndex() const { return FDisabledIndex; }
  void SetDisabledIndex(int index);
  // Position among the pages.
  int PageIndex() const;
  void SetPageIndex(int index);
  TTabPageControl* PageControl() const { return FPageControl; }
  // Pages are shown and hidden only by their page control; setting this
  // throws.
  void SetVisible(bool visible);

  // Raised when the page's size changes (the control was resized or its
  // rows changed), for placing what lies on the page.
  void SetOnResize(std::function<void(TTabPageSheet& sender)> handler) {
    FOnResize = std::move(handler);
  }

  bool EraseBackground() const override { return true; }
  void Resize() override;

private:
  void ShowPage(bool visible) { TControl::SetVisible(visible); }
  void Changed();

  TTabPageControl* FPageControl;
  std::u16string FCaption;
  bool FTabVisible = true;
  bool FTabEnabled = true;
  int FImageIndex = -1;
  int FDisabledIndex = -1;
  std::function<void(TTabPageSheet& sender)> FOnResize;
};

// Pages with a strip of tabs: the page of the current tab fills the card,
// the others are hidden. Each page whose tab is visible has one tab; a
// page's tab index is its position among the visible tabs.
class TTabPageControl : public TCustomTabStrip {
public:
  TTabPageControl();
  ~TTabPageControl() override;

  // A new page at the end, hidden until it is selected.
  TTabPageSheet& AddPage(const std::u16string& caption = {});
  // Takes a page out (its children stay on it); when it was active, the
  // next page with a selectable tab becomes active.
  std::unique_ptr<TTabPageSheet> RemovePage(TTabPageSheet& page);
  int PageCount() const { return static_cast<int>(FPages.size()); }
  TTabPageSheet& Pages(int index) const { return *FPages.at(static_cast<size_t>(index)); }
  int IndexOfPage(const TTabPageSheet& page) const;

  TTabPageSheet* ActivePage() const { return FActivePage; }
  // Both go through the change step; a page without a selectable tab is
  // not selected.
  void SetActivePage(TTabPageSheet* page);
  int ActivePageIndex() const { return FActivePage ? IndexOfPage(*FActivePage) : -1; }
  void SetActivePageIndex(int index);

  // The page of a tab and the tab of a page (-1 when its tab is hidden).
  TTabPageSheet* PageOfTab(int tabIndex) const;
  int TabIndexOfPage(const TTabPageSheet& page) const;

  // The next (or previous) page whose tab is visible and enabled, wrapping
  // around.
  void SelectNextPage(bool goForward);
  // Keys the focused control inside this one did not use, offered by the
  // window: Ctrl+Tab and Ctrl+Shift+Tab switch pages. True when used.
  bool DialogKey(int key, TShiftState shift);

  void SetOnPageChange(TTabNotifyEvent handler) { FOnPageChange = std::move(handler); }

protected:
  void TabActivating(int oldIndex, int newIndex) override;
  void Change() override;
  void LayoutChanged() override;
  void CtrlTab(bool goForward) override { SelectNextPage(goForward); }

private:
  friend class TTabPageSheet;
  // A page's tab changed, or the pages were reordered: the tabs are built
  // again.
  void PagesChanged();
  void MovePage(TTabPageSheet& page, int index);

  std::vector<std::unique_ptr<TTabPageSheet>> FPages;
  TTabPageSheet* FActivePage = nullptr;
  TTabNotifyEvent FOnPageChange;
};

}  // namespace tav
