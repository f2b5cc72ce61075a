#pragma once
#include <map>
#include <memory>
#include <vector>

#include "platform/window.h"

namespace tav::test {

// What every host of one fake window system shares: the focus, the mouse
// and the modifier keys.
struct TFakeWindowSystem {
  class TFakeWindowHost* Focused = nullptr;
  TPoint Cursor;            // in the root control's client pixels
  bool CursorInside = false;
  TShiftState Keys = 0;
};

// A window system without windows: it keeps what controls tell it (timers,
// invalid areas, focus) for tests to look at, and reports the mouse and
// keys the test sets.
class TFakeWindowHost : public TWindowHost {
public:
  // A root host for `control`.
  TFakeWindowHost(TGraphicsDevice& device, TControl& control);
  ~TFakeWindowHost() override;

  TFakeWindowSystem& System() { return *FSystem; }
  TControl* Control() const { return FControl; }
  int InvalidateCount() const { return FInvalidateCount; }
  void ResetInvalidateCount() { FInvalidateCount = 0; }
  const std::map<int, unsigned>& Timers() const { return FTimers; }

  TGraphicsDevice& Device() override { return FDevice; }
  TWindowHost* CreateChildHost(TControl& child) override;
  void ControlDestroyed() override;
  void BoundsChanged() override {}
  void VisibilityChanged() override {}
  void BringToFront() override {}
  void Invalidate(const TRect*) override { ++FInvalidateCount; }
  void Update() override {}
  void RedrawChanged() override {}
  void ScrollPixels(int, int, const TRect&) override {}
  void ScrollBarsChanged() override {}
  void CursorChanged() override {}
  void SetCapture(bool capture) override { FCapture = capture; }
  bool HasCapture() const override { return FCapture; }
  TPoint CursorPos() const override { return FSystem->Cursor; }
  bool CursorOver() const override { return FSystem->CursorInside; }
  void SetFocus() override;
  bool Focused() const override { return FSystem->Focused == this; }
  TShiftState KeyboardState() const override { return FSystem->Keys; }
  void CaretChanged() override {}
  void StartTimer(int id, unsigned ms) override { FTimers[id] = ms; }
  void StopTimer(int id) override { FTimers.erase(id); }
  void PostMessage(unsigned, std::intptr_t, std::intptr_t) override {}
  void ImeWindowChanged() override {}
  void TabStopChanged() override {}

  // A host sharing `system` (the child hosts).
  TFakeWindowHost(TGraphicsDevice& device, std::shared_ptr<TFakeWindowSystem> system,
                  TControl& control);

private:
  TGraphicsDevice& FDevice;
  std::shared_ptr<TFakeWindowSystem> FSystem;
  TControl* FControl;
  std::vector<std::unique_ptr<TFakeWindowHost>> FChildren;
  std::map<int, unsigned> FTimers;
  int FInvalidateCount = 0;
  bool FCapture = false;
};

}  // namespace tav::test
