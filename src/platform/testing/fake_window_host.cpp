#include "platform/testing/fake_window_host.h"

#include "platform/testing/fake_child_controls.h"

namespace tav::test {

TFakeWindowHost::TFakeWindowHost(TGraphicsDevice& device, TControl& control)
    : TFakeWindowHost(device, std::make_shared<TFakeWindowSystem>(), control) {
  control.AttachHost(this);
}

TFakeWindowHost::TFakeWindowHost(TGraphicsDevice& device,
                                 std::shared_ptr<TFakeWindowSystem> system, TControl& control)
    : FDevice(device), FSystem(std::move(system)), FControl(&control) {}

TFakeWindowHost::~TFakeWindowHost() {
  FChildControls.reset();
  FChildren.clear();
  if (FSystem->Focused == this) FSystem->Focused = nullptr;
  if (FControl) FControl->HostDestroyed();
}

TWindowHost* TFakeWindowHost::CreateChildHost(TControl& child) {
  FChildren.push_back(std::make_unique<TFakeWindowHost>(FDevice, FSystem, child));
  Log().push_back("child host");
  return FChildren.back().get();
}

void TFakeWindowHost::ControlDestroyed() {
  if (FSystem->Focused == this) FSystem->Focused = nullptr;
  FControl = nullptr;
  Log().push_back("control gone");
}

void TFakeWindowHost::Invalidate(const TRect* r) {
  ++FInvalidateCount;
  Log().push_back(r ? "invalidate " + std::to_string(r->Left) + "," + std::to_string(r->Top) +
                          "," + std::to_string(r->Right) + "," + std::to_string(r->Bottom)
                    : "invalidate all");
}

void TFakeWindowHost::ScrollPixels(int dx, int dy, const TRect& area) {
  Log().push_back("scroll " + std::to_string(dx) + "," + std::to_string(dy) + " in " +
                  std::to_string(area.Width()) + "x" + std::to_string(area.Height()));
}

TChildControlFactory* TFakeWindowHost::ChildControls() { return &FakeChildControls(); }

TFakeChildControlFactory& TFakeWindowHost::FakeChildControls() {
  if (!FChildControls) FChildControls = std::make_unique<TFakeChildControlFactory>(FDevice, FSystem);
  return *FChildControls;
}

void TFakeWindowHost::SetFocus() {
  TFakeWindowHost* old = FSystem->Focused;
  if (old == this) return;
  if (FSystem->FocusedChild) FSystem->FocusedChild->DropFocus();
  FSystem->Focused = this;
  if (old && old->FControl) old->FControl->HostFocusChanged(false);
  if (FControl) FControl->HostFocusChanged(true);
}

void TFakeWindowHost::HintChanged() {
  if (!FControl) return;
  if (FControl->HintVisible()) {
    FSystem->Hint = FControl->HintText();
    FSystem->HintPos = FControl->HintPos();
    Log().push_back("hint " + std::to_string(FSystem->HintPos.X) + "," +
                    std::to_string(FSystem->HintPos.Y));
  } else {
    FSystem->Hint.clear();
    Log().push_back("hint hidden");
  }
}

void TFakeWindowHost::StartTimer(int id, unsigned ms) {
  FTimers[id] = ms;
  Log().push_back("timer " + std::to_string(id) + " " + std::to_string(ms));
}

void TFakeWindowHost::StopTimer(int id) {
  FTimers.erase(id);
  Log().push_back("stop " + std::to_string(id));
}

void TFakeWindowHost::PostMessage(unsigned msg, std::intptr_t, std::intptr_t) {
  Log().push_back("post " + std::to_string(msg));
}

}  // namespace tav::test
