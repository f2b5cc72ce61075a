#include "platform/control.h"

#include <gtest/gtest.h>

#include "platform/clipboard.h"
#include "platform/system_values.h"
#include "platform/testing/fake_window_host.h"
#include "platform/testing/fixed_metrics_device.h"

namespace tav {
namespace {

// A control that notes what it is told.
class TProbe : public TControl {
public:
  std::vector<std::string> Log;
  int Resizes = 0;
  void Resize() override { ++Resizes; }
  void Paint(TSurface& canvas, const TRect&) override { canvas.FillRect(ClientRect(), clRed); }
  void HandleMessage(unsigned msg, std::intptr_t w, std::intptr_t) override {
    Log.push_back("msg " + std::to_string(msg) + " " + std::to_string(w));
    if (msg == 1) PostMessage(3, 0);  // posted from a handler: runs after the others
  }
  void FocusGained() override { Log.push_back("focus"); }
  void FocusLost() override { Log.push_back("blur"); }
};

TEST(ControlTest, ScrollBarsClampHideAndTakeClientRoom) {
  TProbe c;
  c.SetBounds({0, 0, 200, 100});
  c.SetBorder(TBorderKind::bkClientEdge);
  EXPECT_EQ(c.ClientRect(), (TRect{0, 0, 196, 96}));
  int resizes = c.Resizes;

  // Range 0..999 with a page of 100: positions up to 900.
  EXPECT_EQ(c.SetScrollInfo(TScrollBarKind::sbVertical, {0, 999, 100, 5000, 0}), 900);
  EXPECT_TRUE(c.ScrollBarVisible(TScrollBarKind::sbVertical));
  EXPECT_EQ(c.ClientWidth(), 196 - GetSystemMetrics(SM_CXVSCROLL));
  EXPECT_EQ(c.Resizes, resizes + 1);
  EXPECT_EQ(c.SetScrollInfo(TScrollBarKind::sbVertical, {0, 0, 0, -3, 0}, SIF_POS), 0);

  // Large positions survive.
  EXPECT_EQ(c.SetScrollInfo(TScrollBarKind::sbVertical, {0, 2000000000, 10, 1999999990, 0}),
            1999999990);

  // A page that covers the range hides the bar, unless asked to disable it.
  c.SetScrollInfo(TScrollBarKind::sbVertical, {0, 99, 100, 0, 0});
  EXPECT_FALSE(c.ScrollBarVisible(TScrollBarKind::sbVertical));
  EXPECT_EQ(c.ClientWidth(), 196);
  c.SetScrollInfo(TScrollBarKind::sbHorizontal, {0, 99, 100, 0, 0},
                  SIF_ALL | SIF_DISABLENOSCROLL);
  EXPECT_TRUE(c.ScrollBarVisible(TScrollBarKind::sbHorizontal));
  EXPECT_FALSE(c.ScrollBarEnabled(TScrollBarKind::sbHorizontal));
  EXPECT_EQ(c.ClientHeight(), 96 - GetSystemMetrics(SM_CYHSCROLL));

  // Thumb tracking reports and keeps the track position.
  struct TTracker : TControl {
    int Pos = -1;
    void ScrollBarEvent(TScrollBarKind, TScrollCode code, int pos) override {
      if (code == TScrollCode::scTrack) Pos = pos;
    }
  } t;
  t.SetScrollInfo(TScrollBarKind::sbVertical, {0, 100000, 10, 0, 0});
  t.HostScroll(TScrollBarKind::sbVertical, TScrollCode::scTrack, 77777);
  EXPECT_EQ(t.Pos, 77777);
  EXPECT_EQ(t.GetScrollInfo(TScrollBarKind::sbVertical).TrackPos, 77777);
}

TEST(ControlTest, CaretHideAndShowNest) {
  TProbe c;
  c.CreateCaret(2, 14);
  EXPECT_FALSE(c.CaretVisible());  // made hidden
  c.ShowCaret();
  EXPECT_TRUE(c.CaretVisible());
  c.HideCaret();
  c.HideCaret();
  c.ShowCaret();
  EXPECT_FALSE(c.CaretVisible());
  c.ShowCaret();
  c.ShowCaret();  // one more show does not bank
  EXPECT_TRUE(c.CaretVisible());
  c.HideCaret();
  EXPECT_FALSE(c.CaretVisible());
  c.SetCaretPos(10, 20);
  EXPECT_EQ(c.CaretRect(), (TRect{10, 20, 12, 34}));
  c.DestroyCaret();
  EXPECT_FALSE(c.CaretExists());
  EXPECT_EQ(c.CaretRect(), TRect{});
}

TEST(ControlTest, PostedMessagesRunLaterInOrder) {
  TProbe c;
  c.PostMessage(1, 10);
  c.PostMessage(2, 20);
  EXPECT_TRUE(c.Log.empty());
  EXPECT_EQ(c.ProcessPostedMessages(), 3);
  EXPECT_EQ(c.Log, (std::vector<std::string>{"msg 1 10", "msg 2 20", "msg 3 0"}));
  c.SetTimer(7, 60);
  EXPECT_TRUE(c.TimerActive(7));
  c.KillTimer(7);
  EXPECT_FALSE(c.TimerActive(7));
}

TEST(ControlTest, FocusTreeAndUnlinking) {
  auto parent = std::make_unique<TProbe>();
  auto child = std::make_unique<TProbe>();
  TProbe other;
  child->SetParent(parent.get());
  child->SetFocus();
  EXPECT_TRUE(child->Focused());
  EXPECT_TRUE(parent->ContainsFocus());
  EXPECT_FALSE(parent->Focused());
  other.SetFocus();
  EXPECT_EQ(child->Log, (std::vector<std::string>{"focus", "blur"}));
  EXPECT_FALSE(parent->ContainsFocus());

  child->SetVisible(true);
  parent->SetVisible(false);
  EXPECT_FALSE(child->Showing());
  parent.reset();  // the child outlives its parent, unlinked
  EXPECT_EQ(child->Parent(), nullptr);
}

TEST(ControlTest, PaintToStaysInsideTheClip) {
  TFixedMetricsDevice device;
  auto s = device.CreateSurface(50, 50);
  TProbe c;
  c.SetBounds({0, 0, 50, 50});
  c.PaintTo(*s, {10, 10, 20, 20});
  EXPECT_EQ(s->Pixel(10, 10), clRed);
  EXPECT_EQ(s->Pixel(20, 10), clWhite);
  TRegion clip;
  EXPECT_FALSE(s->GetClipRegion(clip));  // the clip is taken back afterwards
}

TEST(ControlTest, HostGetsStateOnAttachAndChildrenGetHosts) {
  TFixedMetricsDevice device;
  TProbe parent, child;
  child.SetParent(&parent);
  parent.SetTimer(3, 200);
  parent.PostMessage(9);
  parent.SetBounds({0, 0, 100, 80});
  test::TFakeWindowHost host(device, parent);  // attaches the parent
  std::vector<std::string>& log = host.Log();
  EXPECT_EQ(log, (std::vector<std::string>{"cursor", "timer 3 200", "post 9", "child host",
                                           "cursor"}));
  log.clear();

  parent.InvalidateRect({1, 2, 3, 4});
  parent.SetRedraw(false);
  parent.ScrollWindow(0, -16);
  parent.SetRedraw(true);
  EXPECT_EQ(log, (std::vector<std::string>{"invalidate 1,2,3,4", "scroll 0,-16 in 100x80"}));
  log.clear();

  // A control moving to another parent leaves its host; one linked to a
  // hosted parent gets a new one.
  TProbe late;
  late.SetParent(&parent);
  child.SetParent(nullptr);
  EXPECT_EQ(log, (std::vector<std::string>{"child host", "cursor", "control gone"}));
  log.clear();
  parent.HostDestroyed();
  parent.Invalidate();  // no host: nothing happens
  EXPECT_TRUE(log.empty());
}

// The hint is kept by the control and told to the host only when it
// changes; a host attached later gets the hint that is up.
TEST(ControlTest, HintIsToldWhenItChanges) {
  TFixedMetricsDevice device;
  TProbe control;
  control.ShowHint({5, 6}, u"early");
  test::TFakeWindowHost host(device, control);
  EXPECT_EQ(host.System().Hint, u"early");
  std::vector<std::string>& log = host.Log();
  log.clear();
  control.ShowHint({5, 6}, u"early");  // the same: nothing to tell
  control.ShowHint({7, 8}, u"moved");
  control.ShowHint({7, 8}, u"");  // an empty text hides it
  control.HideHint();             // already hidden
  EXPECT_EQ(log, (std::vector<std::string>{"hint 7,8", "hint hidden"}));
  EXPECT_FALSE(control.HintVisible());
  EXPECT_EQ(host.System().Hint, u"");
}

TEST(ClipboardTest, SeveralFormatsAtOnce) {
  TMemoryClipboard clip;
  unsigned html = clip.RegisterFormat(u"HTML Format");
  unsigned block = clip.RegisterFormat(u"TextView Control Block Type");
  EXPECT_EQ(clip.RegisterFormat(u"HTML Format"), html);
  EXPECT_NE(html, block);
  EXPECT_GE(html, 0xC000u);
  EXPECT_EQ(clip.FormatName(block), u"TextView Control Block Type");

  clip.SetData({TClipboardItem::UnicodeText(u"line 1\r\nline \x00E9"), {html, "Version:1.0"},
                {block, std::string("\x01\x00\x00\x00", 4)}});
  EXPECT_EQ(clip.GetText(), u"line 1\r\nline \x00E9");
  EXPECT_EQ(clip.GetData(html), "Version:1.0");
  EXPECT_EQ(clip.GetData(block).size(), 4u);
  // A new content replaces all formats.
  clip.SetText(u"x");
  EXPECT_FALSE(clip.HasFormat(html));
  EXPECT_EQ(clip.GetData(CF_UNICODETEXT), std::string("x\0\0\0", 4));
}

}  // namespace
}  // namespace tav
