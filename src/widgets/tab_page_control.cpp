#include "widgets/tab_page_control.h"

#include <algorithm>

#include "widgets/tab_errors.h"

namespace tav {

namespace {

// The first control inside `parent` that takes the focus by the Tab key.
TControl* FirstTabStop(TControl& parent) {
  for (TControl* child : parent.Children()) {
    if (!child->Visible()) continue;
    if (child->TabStop()) return child;
    if (TControl* inner = FirstTabStop(*child)) return inner;
  }
  return nullptr;
}

}  // namespace

// ---------------------------------------------------------------- page

TTabPageSheet::TTabPageSheet(TKey, TTabPageControl& owner, std::u16string caption)
    : FPageControl(&owner), FCaption(std::move(caption)) {
  TControl::SetColor(clBtnFace);
}

TTabPageSheet::~TTabPageSheet() = default;

void TTabPageSheet::Changed() {
  if (FPageControl) FPageControl->PagesChanged();
}

void TTabPageSheet::SetCaption(const std::u16string& caption) {
  if (caption == FCaption) return;
  FCaption = caption;
  Changed();
}

void TTabPageSheet::SetColor(TColor color) {
  if (color == TControl::Color()) return;
  TControl::SetColor(color);
  Invalidate();
  Changed();
}

void TTabPageSheet::SetTabVisible(bool visible) {
  if (visible == FTabVisible) return;
  FTabVisible = visible;
  Changed();
}

void TTabPageSheet::SetTabEnabled(bool enabled) {
  if (enabled == FTabEnabled) return;
  FTabEnabled = enabled;
  Changed();
}

void TTabPageSheet::SetImageIndex(int index) {
  if (index == FImageIndex) return;
  FImageIndex = index;
  Changed();
}

void TTabPageSheet::SetDisabledIndex(int index) {
  if (index == FDisabledIndex) return;
  FDisabledIndex = index;
  Changed();
}

int TTabPageSheet::PageIndex() const { return FPageControl ? FPageControl->IndexOfPage(*this) : -1; }

void TTabPageSheet::SetPageIndex(int index) {
  const int count = FPageControl ? FPageControl->PageCount() : 0;
  if (index < 0 || index >= count)
    throw ETabControlError(std::to_string(index) +
                           " is an invalid PageIndex value. PageIndex must be between 0 and " +
                           std::to_string(count - 1));
  FPageControl->MovePage(*this, index);
}

void TTabPageSheet::Resize() {
  if (FOnResize) FOnResize(*this);
}

void TTabPageSheet::SetVisible(bool) {
  throw ETabControlError("You cannot change the Visible property of a page");
}

// ---------------------------------------------------------------- page control

TTabPageControl::TTabPageControl() { SetUseColoredTabs(false); }

TTabPageControl::~TTabPageControl() {
  FActivePage = nullptr;
  FPages.clear();
}

TTabPageSheet& TTabPageControl::AddPage(const std::u16string& caption) {
  auto page = std::make_unique<TTabPageSheet>(TTabPageSheet::TKey{}, *this, caption);
  page->ShowPage(false);
  page->SetBounds(PageRect());
  page->SetParent(this);
  FPages.push_back(std::move(page));
  PagesChanged();
  return *FPages.back();
}

std::unique_ptr<TTabPageSheet> TTabPageControl::RemovePage(TTabPageSheet& page) {
  const int index = IndexOfPage(page);
  if (index < 0) return nullptr;
  TTabPageSheet* next = nullptr;
  if (FActivePage == &page) {
    // The next page after it (wrapping) whose tab can be selected.
    const int n = PageCount();
    for (int k = 1; k < n && !next; ++k) {
      TTabPageSheet& candidate = *FPages[static_cast<size_t>((index + k) % n)];
      if (candidate.TabVisible() && candidate.TabEnabled()) next = &candidate;
    }
    page.ShowPage(false);
    FActivePage = nullptr;
  }
  std::unique_ptr<TTabPageSheet> out = std::move(FPages[static_cast<size_t>(index)]);
  FPages.erase(FPages.begin() + index);
  out->SetParent(nullptr);
  out->FPageControl = nullptr;
  PagesChanged();
  if (next) SetActivePage(next);
  return out;
}

int TTabPageControl::IndexOfPage(const TTabPageSheet& page) const {
  for (size_t i = 0; i < FPages.size(); ++i)
    if (FPages[i].get() == &page) return static_cast<int>(i);
  return -1;
}

void TTabPageControl::MovePage(TTabPageSheet& page, int index) {
  const int from = IndexOfPage(page);
  if (from < 0 || from == index) return;
  std::unique_ptr<TTabPageSheet> moving = std::move(FPages[static_cast<size_t>(from)]);
  FPages.erase(FPages.begin() + from);
  FPages.insert(FPages.begin() + index, std::move(moving));
  PagesChanged();
}

TTabPageSheet* TTabPageControl::PageOfTab(int tabIndex) const {
  if (tabIndex < 0) return nullptr;
  int tab = 0;
  for (const auto& page : FPages) {
    if (!page->TabVisible()) continue;
    if (tab == tabIndex) return page.get();
    ++tab;
  }
  return nullptr;
}

int TTabPageControl::TabIndexOfPage(const TTabPageSheet& page) const {
  int tab = 0;
  for (const auto& p : FPages) {
    if (!p->TabVisible()) continue;
    if (p.get() == &page) return tab;
    ++tab;
  }
  return -1;
}

void TTabPageControl::PagesChanged() {
  std::vector<TTabData> tabs;
  int current = -1;
  for (const auto& page : FPages) {
    if (!page->TabVisible()) continue;
    TTabData tab;
    tab.Caption = page->Caption();
    tab.Color = page->Color();
    tab.Enabled = page->TabEnabled();
    tab.ImageIndex = page->ImageIndex();
    tab.DisabledIndex = page->DisabledIndex();
    if (page.get() == FActivePage) current = static_cast<int>(tabs.size());
    tabs.push_back(std::move(tab));
  }
  SetTabs(std::move(tabs), current);
}

void TTabPageControl::SetActivePage(TTabPageSheet* page) {
  if (page == FActivePage) return;
  if (!page) {
    SetTabIndex(-1);
    return;
  }
  if (page->PageControl() != this) return;
  const int tab = TabIndexOfPage(*page);
  if (tab >= 0) SetTabIndex(tab);
}

void TTabPageControl::SetActivePageIndex(int index) {
  if (index < 0 || index >= PageCount()) {
    SetActivePage(nullptr);
    return;
  }
  SetActivePage(FPages[static_cast<size_t>(index)].get());
}

void TTabPageControl::SelectNextPage(bool goForward) {
  const int n = PageCount();
  if (n == 0) return;
  const int dir = goForward ? 1 : -1;
  const int active = ActivePageIndex();
  const int start = active >= 0 ? active : (goForward ? -1 : n);
  for (int k = 1; k <= n; ++k) {
    const int i = ((start + dir * k) % n + n) % n;
    TTabPageSheet& page = *FPages[static_cast<size_t>(i)];
    if (&page == FActivePage) return;
    if (page.TabVisible() && page.TabEnabled()) {
      SetActivePage(&page);
      return;
    }
  }
}

bool TTabPageControl::DialogKey(int key, TShiftState shift) {
  if (key != VK_TAB || !(shift & ssCtrl) || (shift & ssAlt) || !ContainsFocus()) return false;
  SelectNextPage((shift & ssShift) == 0);
  return true;
}

void TTabPageControl::TabActivating(int, int newIndex) {
  TTabPageSheet* oldPage = FActivePage;
  TTabPageSheet* newPage = PageOfTab(newIndex);
  const bool focusInside = oldPage && oldPage->ContainsFocus();
  if (oldPage && oldPage != newPage) oldPage->ShowPage(false);
  FActivePage = newPage;
  if (newPage) {
    newPage->SetBounds(PageRect());
    newPage->BringToFront();
    newPage->ShowPage(true);
  }
  if (focusInside) {
    TControl* target = newPage ? FirstTabStop(*newPage) : nullptr;
    if (target)
      target->SetFocus();
    else
      SetFocus();
  }
}

void TTabPageControl::Change() {
  TCustomTabStrip::Change();
  if (FOnPageChange) FOnPageChange(*this);
}

void TTabPageControl::LayoutChanged() {
  const TRect r = PageRect();
  for (const auto& page : FPages) page->SetBounds(r);
}

}  // namespace tav
