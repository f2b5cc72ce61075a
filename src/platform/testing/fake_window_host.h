#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/control.h"
#include "platform/window_host.h"

namespace tav::test {

class TFakeChild;
class TFakeChildControlFactory;

// What every host of one fake window system shares: the focus, the mouse,
// the modifier keys, and the log of what the controls asked for.
struct TFakeWindowSystem {
  class TFakeWindowHost* Focused = nullptr;
  // A native child control holds the focus instead (then Focused is null).
  TFakeChild* FocusedChild = nullptr;
  TPoint Cursor;            // in the root control's client pixels
  bool CursorInside = false;
  TShiftState Keys = 0;
  // The hint shown (any control's; empty when none) and the mouse point it
  // was shown for, in that control's client pixels.
  std::u16string Hint;
  TPoint HintPos;
  // One line per request with a visible effect, in order: "child host",
  // "control gone", "invalidate L,T,R,B" or "invalidate all", "update",
  // "scroll DX,DY in WxH", "cursor", "timer ID MS", "stop ID", "post MSG",
  // "hint X,Y" and "hint hidden".
  std::vector<std::string> Log;
};

// A window system without windows: it keeps what controls tell it (timers,
// invalid areas, focus, the log above) for tests to look at, and reports
// the mouse and keys the test sets. Posted messages are logged, not
// delivered.
class TFakeWindowHost : public TWindowHost {
public:
  // A root host for `control`, attached at once.
  TFakeWindowHost(TGraphicsDevice& device, TControl& control);
  // A host sharing `system` (the child hosts).
  TFakeWindowHost(TGraphicsDevice& device, std::shared_ptr<TFakeWindowSystem> system,
                  TControl& control);
  ~TFakeWindowHost() override;

  TFakeWindowSystem& System() { return *FSystem; }
  std::vector<std::string>& Log() { return FSystem->Log; }
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
  void Invalidate(const TRect* r) override;
  void Update() override { Log().push_back("update"); }
  void RedrawChanged() override {}
  void ScrollPixels(int dx, int dy, const TRect& area) override;
  void ScrollBarsChanged() override {}
  void CursorChanged() override { Log().push_back("cursor"); }
  void SetCapture(bool capture) override { FCapture = capture; }
  bool HasCapture() const override { return FCapture; }
  TPoint CursorPos() const override { return FSystem->Cursor; }
  bool CursorOver() const override { return FSystem->CursorInside; }
  void SetFocus() override;
  bool Focused() const override { return FSystem->Focused == this; }
  TShiftState KeyboardState() const override { return FSystem->Keys; }
  void CaretChanged() override {}
  void HintChanged() override;
  void StartTimer(int id, unsigned ms) override;
  void StopTimer(int id) override;
  void PostMessage(unsigned msg, std::intptr_t w, std::intptr_t l) override;
  void ImeWindowChanged() override {}
  void TabStopChanged() override {}
  // Fake child controls (see fake_child_controls.h), made on first use.
  TChildControlFactory* ChildControls() override;
  TFakeChildControlFactory& FakeChildControls();

private:
  TGraphicsDevice& FDevice;
  std::shared_ptr<TFakeWindowSystem> FSystem;
  TControl* FControl;
  std::vector<std::unique_ptr<TFakeWindowHost>> FChildren;
  std::map<int, unsigned> FTimers;
  int FInvalidateCount = 0;
  bool FCapture = false;
  std::unique_ptr<TFakeChildControlFactory> FChildControls;
};

}  // namespace tav::test
