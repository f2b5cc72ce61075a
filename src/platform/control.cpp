#include "platform/control.h"

#include <algorithm>

#include "platform/system_values.h"

namespace tav {

namespace {

// Focus bookkeeping for controls without a window system.
TControl* gHostlessFocus = nullptr;
}  // namespace

// ---------------------------------------------------------------- tree and geometry

TControl::TControl() = default;

TControl::~TControl() {
  if (gHostlessFocus == this) gHostlessFocus = nullptr;
  DetachHost();
  for (TControl* child : FChildren) child->FParent = nullptr;
  FChildren.clear();
  if (FParent) {
    auto& siblings = FParent->FChildren;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
    FParent = nullptr;
  }
}

void TControl::DetachHost() {
  if (!FHost) return;
  TWindowHost* host = FHost;
  FHost = nullptr;
  host->ControlDestroyed();
}

void TControl::SetParent(TControl* parent) {
  if (parent == FParent) return;
  DetachHost();
  if (FParent) {
    auto& siblings = FParent->FChildren;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
  }
  FParent = parent;
  if (parent) {
    parent->FChildren.push_back(this);
    if (parent->FHost) AttachHost(parent->FHost->CreateChildHost(*this));
  }
}

void TControl::AttachHost(TWindowHost* host) {
  if (host == FHost) return;
  FHost = host;
  if (!host) return;
  host->BoundsChanged();
  host->VisibilityChanged();
  host->ScrollBarsChanged();
  host->CursorChanged();
  host->TabStopChanged();
  host->RedrawChanged();
  if (FCaretExists) host->CaretChanged();
  if (FHintVisible) host->HintChanged();
  for (auto& [id, ms] : FTimers) host->StartTimer(id, ms);
  for (auto& m : FPosted) host->PostMessage(m.Msg, m.W, m.L);
  FPosted.clear();
  AttachChildHosts();
}

void TControl::AttachChildHosts() {
  for (TControl* child : FChildren)
    if (!child->FHost) child->AttachHost(FHost->CreateChildHost(*child));
}

void TControl::HostDestroyed() { FHost = nullptr; }

TGraphicsDevice& TControl::Device() const { return FHost ? FHost->Device() : DefaultDevice(); }

void TControl::SetBounds(const TRect& r) {
  if (r == FBounds) return;
  TRect before = ClientRect();
  FBounds = r;
  if (FHost) FHost->BoundsChanged();
  ClientMayHaveChanged(before);
}

void TControl::ClientMayHaveChanged(const TRect& before) {
  if (ClientRect() != before) Resize();
}

void TControl::SetVisible(bool visible) {
  if (visible == FVisible) return;
  FVisible = visible;
  if (FHost) FHost->VisibilityChanged();
}

bool TControl::Showing() const { return FVisible && (!FParent || FParent->Showing()); }

void TControl::BringToFront() {
  if (FParent) {
    auto& siblings = FParent->FChildren;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
    siblings.push_back(this);
  }
  if (FHost) FHost->BringToFront();
}

void TControl::SetBorder(TBorderKind border) {
  if (border == FBorder) return;
  TRect before = ClientRect();
  FBorder = border;
  if (FHost) FHost->BoundsChanged();
  ClientMayHaveChanged(before);
}

int TControl::BorderWidth() const {
  switch (FBorder) {
    case TBorderKind::bkNone: return 0;
    case TBorderKind::bkSingle: return 1;
    case TBorderKind::bkClientEdge: return 2;
  }
  return 0;
}

TRect TControl::ClientRect() const {
  int b = BorderWidth();
  int w = FBounds.Width() - 2 * b - (FVBar.Visible ? GetSystemMetrics(SM_CXVSCROLL) : 0);
  int h = FBounds.Height() - 2 * b - (FHBar.Visible ? GetSystemMetrics(SM_CYHSCROLL) : 0);
  return {0, 0, std::max(0, w), std::max(0, h)};
}

// ---------------------------------------------------------------- repainting

void TControl::Invalidate() {
  if (FHost) FHost->Invalidate(nullptr);
}

void TControl::InvalidateRect(const TRect& r) {
  if (FHost && !r.IsEmpty()) FHost->Invalidate(&r);
}

void TControl::Update() {
  if (FHost) FHost->Update();
}

void TControl::SetRedraw(bool enabled) {
  if (enabled == FRedraw) return;
  FRedraw = enabled;
  if (FHost) FHost->RedrawChanged();
}

void TControl::ScrollWindow(int dx, int dy, const TRect* area) {
  if (!FHost || (dx == 0 && dy == 0)) return;
  FHost->ScrollPixels(dx, dy, area ? *area : ClientRect());
}

void TControl::PaintTo(TSurface& surface, const TRect& clip) {
  int level = surface.SaveDC();
  surface.IntersectClipRect(clip);
  if (EraseBackground()) surface.FillRect(clip, FColor);
  Paint(surface, clip);
  surface.RestoreDC(level);
}

// ---------------------------------------------------------------- scroll bars

int TControl::SetScrollInfo(TScrollBarKind bar, const TScrollInfo& info, unsigned mask,
                            bool redraw) {
  TBar& b = Bar(bar);
  TRect before = ClientRect();
  if (mask & SIF_RANGE) {
    b.Info.Min = info.Min;
    b.Info.Max = std::max(info.Min, info.Max);
  }
  if (mask & SIF_PAGE) b.Info.Page = info.Page;
  if (mask & SIF_POS) b.Info.Pos = info.Pos;
  long long range = static_cast<long long>(b.Info.Max) - b.Info.Min + 1;
  b.Info.Page = static_cast<int>(std::clamp<long long>(b.Info.Page, 0, range));
  int maxPos = static_cast<int>(
      std::max<long long>(b.Info.Min, b.Info.Max - std::max(b.Info.Page - 1, 0)));
  b.Info.Pos = std::clamp(b.Info.Pos, b.Info.Min, maxPos);
  if (mask & (SIF_RANGE | SIF_PAGE)) {
    bool noScroll = b.Info.Max <= b.Info.Min || b.Info.Page > b.Info.Max - b.Info.Min;
    if (!noScroll) {
      b.Visible = true;
      b.Enabled = true;
    } else if (mask & SIF_DISABLENOSCROLL) {
      b.Visible = true;
      b.Enabled = false;
    } else {
      b.Visible = false;
    }
  }
  if (FHost && redraw) FHost->ScrollBarsChanged();
  ClientMayHaveChanged(before);
  return b.Info.Pos;
}

TScrollInfo TControl::GetScrollInfo(TScrollBarKind bar) const { return Bar(bar).Info; }

void TControl::ShowScrollBar(TScrollBarKind bar, bool show) {
  TBar& b = Bar(bar);
  if (b.Visible == show) return;
  TRect before = ClientRect();
  b.Visible = show;
  if (FHost) FHost->ScrollBarsChanged();
  ClientMayHaveChanged(before);
}

bool TControl::ScrollBarVisible(TScrollBarKind bar) const { return Bar(bar).Visible; }

void TControl::EnableScrollBar(TScrollBarKind bar, bool enable) {
  TBar& b = Bar(bar);
  if (b.Enabled == enable) return;
  b.Enabled = enable;
  if (FHost) FHost->ScrollBarsChanged();
}

bool TControl::ScrollBarEnabled(TScrollBarKind bar) const { return Bar(bar).Enabled; }

void TControl::HostScroll(TScrollBarKind bar, TScrollCode code, int trackPos) {
  TBar& b = Bar(bar);
  int pos = b.Info.Pos;
  if (code == TScrollCode::scTrack || code == TScrollCode::scPosition) {
    b.Info.TrackPos = trackPos;
    pos = trackPos;
  }
  ScrollBarEvent(bar, code, pos);
}

// ---------------------------------------------------------------- mouse and keyboard

void TControl::SetCursor(TCursorShape shape) {
  if (shape == FCursor) return;
  FCursor = shape;
  if (FHost) FHost->CursorChanged();
}

void TControl::SetCapture() {
  FCapture = true;
  if (FHost) FHost->SetCapture(true);
}

void TControl::ReleaseCapture() {
  FCapture = false;
  if (FHost) FHost->SetCapture(false);
}

bool TControl::HasCapture() const { return FHost ? FHost->HasCapture() : FCapture; }

TPoint TControl::CursorPos() const { return FHost ? FHost->CursorPos() : TPoint{}; }

bool TControl::CursorOver() const { return FHost && FHost->CursorOver(); }

void TControl::SetFocus() {
  if (FHost) {
    FHost->SetFocus();
    return;
  }
  if (gHostlessFocus == this) return;
  TControl* old = gHostlessFocus;
  gHostlessFocus = this;
  if (old) old->HostFocusChanged(false);
  HostFocusChanged(true);
}

bool TControl::Focused() const { return FFocused; }

bool TControl::ContainsFocus() const {
  if (FFocused) return true;
  for (TControl* child : FChildren)
    if (child->ContainsFocus()) return true;
  return false;
}

TShiftState TControl::KeyboardState() const { return FHost ? FHost->KeyboardState() : 0; }

void TControl::SetTabStop(bool tabStop) {
  if (tabStop == FTabStop) return;
  FTabStop = tabStop;
  if (FHost) FHost->TabStopChanged();
}

void TControl::HostFocusChanged(bool focused) {
  if (focused == FFocused) return;
  FFocused = focused;
  if (!focused && gHostlessFocus == this) gHostlessFocus = nullptr;
  if (focused)
    FocusGained();
  else
    FocusLost();
}

// ---------------------------------------------------------------- caret and IME

void TControl::CreateCaret(int width, int height) {
  FCaretExists = true;
  FCaret = MakeRect(FCaret.Left, FCaret.Top, std::max(1, width), std::max(1, height));
  FCaretHideCount = 1;
  if (FHost) FHost->CaretChanged();
}

void TControl::SetCaretPos(int x, int y) {
  FCaret = MakeRect(x, y, FCaret.Width(), FCaret.Height());
  if (FHost && FCaretExists) FHost->CaretChanged();
}

void TControl::ShowCaret() {
  if (!FCaretExists || FCaretHideCount == 0) return;
  --FCaretHideCount;
  if (FHost) FHost->CaretChanged();
}

void TControl::HideCaret() {
  if (!FCaretExists) return;
  ++FCaretHideCount;
  if (FHost) FHost->CaretChanged();
}

void TControl::DestroyCaret() {
  if (!FCaretExists) return;
  FCaretExists = false;
  FCaretHideCount = 1;
  if (FHost) FHost->CaretChanged();
}

TRect TControl::CaretRect() const { return FCaretExists ? FCaret : TRect{}; }

void TControl::SetImeCompositionWindow(TPoint pos, const TFontDesc& font) {
  FImePos = pos;
  FImeFont = font;
  if (FHost) FHost->ImeWindowChanged();
}

// ---------------------------------------------------------------- hint

void TControl::ShowHint(TPoint pos, const std::u16string& text) {
  if (text.empty()) {
    HideHint();
    return;
  }
  if (FHintVisible && FHintText == text && FHintPos == pos) return;
  FHintVisible = true;
  FHintText = text;
  FHintPos = pos;
  if (FHost) FHost->HintChanged();
}

void TControl::HideHint() {
  if (!FHintVisible) return;
  FHintVisible = false;
  FHintText.clear();
  if (FHost) FHost->HintChanged();
}

// ---------------------------------------------------------------- timers and messages

void TControl::SetTimer(int id, unsigned ms) {
  FTimers[id] = ms;
  if (FHost) FHost->StartTimer(id, ms);
}

void TControl::KillTimer(int id) {
  if (FTimers.erase(id) == 0) return;
  if (FHost) FHost->StopTimer(id);
}

void TControl::PostMessage(unsigned msg, std::intptr_t w, std::intptr_t l) {
  if (FHost)
    FHost->PostMessage(msg, w, l);
  else
    FPosted.push_back({msg, w, l});
}

int TControl::ProcessPostedMessages() {
  int count = 0;
  while (!FPosted.empty()) {
    TPosted m = FPosted.front();
    FPosted.erase(FPosted.begin());
    HandleMessage(m.Msg, m.W, m.L);
    ++count;
  }
  return count;
}

// ---------------------------------------------------------------- default handlers

void TControl::Paint(TSurface&, const TRect&) {}
void TControl::MouseDown(TMouseButton, TShiftState, int, int) {}
void TControl::MouseUp(TMouseButton, TShiftState, int, int) {}
void TControl::MouseMove(TShiftState, int, int) {}
void TControl::DblClick(TMouseButton, TShiftState, int, int) {}
bool TControl::MouseWheel(TShiftState, int, TPoint) { return false; }
void TControl::KeyDown(int&, TShiftState) {}
void TControl::KeyUp(int&, TShiftState) {}
void TControl::KeyPress(char16_t&) {}
void TControl::ScrollBarEvent(TScrollBarKind, TScrollCode, int) {}
void TControl::TimerTick(int) {}
void TControl::HandleMessage(unsigned, std::intptr_t, std::intptr_t) {}

}  // namespace tav
