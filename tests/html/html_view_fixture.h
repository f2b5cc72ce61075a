#pragma once
// A viewer on the fake window system and the fixed-metrics device, 300 x
// 200 pixels, with its errors recorded, and the mouse and position helpers
// the viewer tests share.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "html/layout/section_base.h"
#include "html/view/viewer.h"
#include "platform/system_values.h"
#include "platform/testing/fake_window_host.h"
#include "platform/testing/fixed_metrics_device.h"
#include "util/code_page.h"

namespace tav::test {

// A device whose off-screen bitmaps can be refused.
class TRefusingDevice : public TFixedMetricsDevice {
public:
  bool Refuse = false;
  std::unique_ptr<TBitmap> CreateBitmap(int width, int height) override {
    if (Refuse && width * height > 1) return nullptr;
    return TFixedMetricsDevice::CreateBitmap(width, height);
  }
};

// n paragraphs "line 0", "line 1", ...
inline std::u16string Paragraphs(int n) {
  std::u16string s;
  for (int i = 0; i < n; ++i) s += u"<p>line " + Utf8ToText(std::to_string(i)) + u"</p>";
  return s;
}

class HtmlViewFixture : public ::testing::Test {
protected:
  HtmlViewFixture() {
    host = std::make_unique<TFakeWindowHost>(device, view);
    view.SetBounds(MakeRect(0, 0, 300, 200));
    view.OnError = [this](const std::u16string& m) { errors.push_back(TextToUtf8(m)); };
  }
  ~HtmlViewFixture() override { ResetSystemValues(); }

  void Click(int x, int y, TMouseButton button = TMouseButton::mbLeft) {
    view.MouseDown(button, 0, x, y);
    view.MouseUp(button, 0, x, y);
  }
  // The client point of a document position's first line (inside the text).
  TPoint PointOf(int pos) {
    for (TSectionBase* item : view.Document().LayoutPass.PositionList) {
      int x = 0, y = 0;
      auto bitmap = device.CreateBitmap(1, 1);
      if (item->CursorToXY(bitmap->Canvas(), pos, x, y))
        return {x + 1 + 2 - view.HScrollBarPosition(), y + 1 + 4 - view.VScrollBarPosition()};
    }
    ADD_FAILURE() << "no point for " << pos;
    return {};
  }

  TRefusingDevice device;
  THtmlView view;
  std::unique_ptr<TFakeWindowHost> host;
  std::vector<std::string> errors;
};

}  // namespace tav::test
