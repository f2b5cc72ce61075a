#include "fake_window_host.h"

namespace tav::test {

TFakeWindowHost::TFakeWindowHost(TGraphicsDevice& device, TControl& control)
    : TFakeWindowHost(device, std::make_shared<TFakeWindowSystem>(), control) {
  control.AttachHost(this);
}

TFakeWindowHost::TFakeWindowHost(TGraphicsDevice& device,
                                 std::shared_ptr<TFakeWindowSystem> system, TControl& control)
    : FDevice(device), FSystem(std::move(system)), FControl(&control) {}

TFakeWindowHost::~TFakeWindowHost() {
  FChildren.clear();
  if (FSystem->Focused == this) FSystem->Focused = nullptr;
  if (FControl) FControl->HostDestroyed();
}

TWindowHost* TFakeWindowHost::CreateChildHost(TControl& child) {
  FChildren.push_back(std::make_unique<TFakeWindowHost>(FDevice, FSystem, child));
  return FChildren.back().get();
}

void TFakeWindowHost::ControlDestroyed() {
  if (FSystem->Focused == this) FSystem->Focused = nullptr;
  FControl = nullptr;
}

void TFakeWindowHost::SetFocus() {
  TFakeWindowHost* old = FSystem->Focused;
  if (old == this) return;
  FSystem->Focused = this;
  if (old && old->FControl) old->FControl->HostFocusChanged(false);
  if (FControl) FControl->HostFocusChanged(true);
}

}  // namespace tav::test
