#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/colors.h"
#include "platform/geometry.h"
#include "platform/keys.h"
#include "platform/scroll_bar.h"
#include "platform/surface.h"
#include "platform/window_host.h"

namespace tav {

enum class TBorderKind {
  bkNone,       // no frame
  bkSingle,     // a one-pixel line
  bkClientEdge  // a two-pixel sunken edge
};

// The base of every view: the platform-neutral side of a child window.
// Input and paint arrive through the virtual handlers; the services are the
// non-virtual calls. Works without a host too (nothing is shown; geometry,
// scroll bars, caret and timers are kept, and tests can call the handlers).
class TControl {
public:
  TControl();
  virtual ~TControl();
  TControl(const TControl&) = delete;
  TControl& operator=(const TControl&) = delete;

  // ---- tree and geometry
  // Links the control into a parent (null unlinks). Ownership stays with
  // whoever created the control.
  void SetParent(TControl* parent);
  TControl* Parent() const { return FParent; }
  const std::vector<TControl*>& Children() const { return FChildren; }
  // Bounds in the parent's client pixels.
  void SetBounds(const TRect& r);
  const TRect& BoundsRect() const { return FBounds; }
  int Width() const { return FBounds.Width(); }
  int Height() const { return FBounds.Height(); }
  void SetVisible(bool visible);
  bool Visible() const { return FVisible; }
  // Visible, and every parent too.
  bool Showing() const;
  void BringToFront();
  void SetBorder(TBorderKind border);
  TBorderKind Border() const { return FBorder; }
  int BorderWidth() const;
  // The area inside the border and the shown scroll bars, from (0, 0).
  TRect ClientRect() const;
  int ClientWidth() const { return ClientRect().Width(); }
  int ClientHeight() const { return ClientRect().Height(); }
  // Background the host fills before Paint when the control asks for it.
  void SetColor(TColor c) { FColor = c; }
  TColor Color() const { return FColor; }

  // ---- host
  // Called by a window system to connect (or with null to disconnect); the
  // control's children get child hosts of the new host.
  void AttachHost(TWindowHost* host);
  // The host is being destroyed: forget it (children keep theirs until
  // their own hosts go).
  void HostDestroyed();
  TWindowHost* Host() const { return FHost; }
  // The host's maker of native child controls inside this control; null
  // without a host (or when the window system has none).
  TChildControlFactory* ChildControls() const { return FHost ? FHost->ChildControls() : nullptr; }
  // The host's device, or DefaultDevice() without a host.
  TGraphicsDevice& Device() const;

  // ---- repainting
  void Invalidate();
  void InvalidateRect(const TRect& r);
  void Update();
  // Suspends (false) or resumes (true) drawing; resuming does not repaint
  // by itself.
  void SetRedraw(bool enabled);
  bool RedrawEnabled() const { return FRedraw; }
  // Moves the client pixels (or those of `area`) by dx, dy; only the strip
  // that the move uncovers is repainted.
  void ScrollWindow(int dx, int dy, const TRect* area = nullptr);
  // Paints the control onto a surface as the host would (tests, printing).
  void PaintTo(TSurface& surface, const TRect& clip);

  // ---- scroll bars
  // Takes the fields named by `mask`, clamps the position, and hides the bar
  // when the page covers the whole range (unless SIF_DISABLENOSCROLL, which
  // disables it instead). Returns the new position.
  int SetScrollInfo(TScrollBarKind bar, const TScrollInfo& info, unsigned mask = SIF_ALL,
                    bool redraw = true);
  TScrollInfo GetScrollInfo(TScrollBarKind bar) const;
  void ShowScrollBar(TScrollBarKind bar, bool show);
  bool ScrollBarVisible(TScrollBarKind bar) const;
  void EnableScrollBar(TScrollBarKind bar, bool enable);
  bool ScrollBarEnabled(TScrollBarKind bar) const;

  // ---- mouse and keyboard
  void SetCursor(TCursorShape shape);
  TCursorShape Cursor() const { return FCursor; }
  void SetCapture();
  void ReleaseCapture();
  bool HasCapture() const;
  TPoint CursorPos() const;
  bool CursorOver() const;
  void SetFocus();
  bool Focused() const;
  // This control or one of its descendants has the focus.
  bool ContainsFocus() const;
  TShiftState KeyboardState() const;
  void SetTabStop(bool tabStop);
  bool TabStop() const { return FTabStop; }

  // ---- caret (one per window system, shown while its control has focus)
  void CreateCaret(int width, int height);
  void SetCaretPos(int x, int y);
  // Hide and show nest: the caret shows when shown as often as hidden.
  void ShowCaret();
  void HideCaret();
  void DestroyCaret();
  bool CaretExists() const { return FCaretExists; }
  bool CaretVisible() const { return FCaretExists && FCaretHideCount == 0; }
  TRect CaretRect() const;

  // ---- input method: the composition window follows this point (client
  // pixels), drawn with this font
  void SetImeCompositionWindow(TPoint pos, const TFontDesc& font);
  TPoint ImePosition() const { return FImePos; }
  const TFontDesc& ImeFont() const { return FImeFont; }

  // ---- hint: a small window near the mouse with a line of help text (a
  // tool tip); the window system places it just below the point
  // Shows `text` for the mouse at `pos` (client pixels), replacing the hint
  // shown; an empty text hides it.
  void ShowHint(TPoint pos, const std::u16string& text);
  void HideHint();
  bool HintVisible() const { return FHintVisible; }
  const std::u16string& HintText() const { return FHintText; }
  TPoint HintPos() const { return FHintPos; }

  // ---- timers and deferred work
  void SetTimer(int id, unsigned ms);
  void KillTimer(int id);
  bool TimerActive(int id) const { return FTimers.count(id) != 0; }
  const std::map<int, unsigned>& Timers() const { return FTimers; }
  // HandleMessage(msg, w, l) runs after the current event. Without a host
  // the messages wait until ProcessPostedMessages.
  void PostMessage(unsigned msg, std::intptr_t w = 0, std::intptr_t l = 0);
  // Delivers the messages posted while there was no host (for tests);
  // returns how many ran.
  int ProcessPostedMessages();

  // ---- handlers, called by the host (and by tests)
  // Paints the client area part `clip` (client pixels).
  virtual void Paint(TSurface& canvas, const TRect& clip);
  // Whether the host fills the clip with Color() before Paint (false: the
  // control paints every pixel itself).
  virtual bool EraseBackground() const { return false; }
  // The client size changed (resize, or a scroll bar shown or hidden).
  virtual void Resize() {}
  virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
  virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
  virtual void MouseMove(TShiftState shift, int x, int y);
  // The second press of a double click; MouseDown is not called for it.
  virtual void DblClick(TMouseButton button, TShiftState shift, int x, int y);
  // Wheel delta in 1/120 notches; true when handled.
  virtual bool MouseWheel(TShiftState shift, int wheelDelta, TPoint pos);
  virtual void MouseEnter() {}
  virtual void MouseLeave() {}
  virtual void CaptureLost() {}
  // Key may be set to 0 to swallow it.
  virtual void KeyDown(int& key, TShiftState shift);
  virtual void KeyUp(int& key, TShiftState shift);
  // A typed character (after the key down); may be set to 0.
  virtual void KeyPress(char16_t& ch);
  virtual unsigned WantedKeys() const { return DLGC_WANTARROWS | DLGC_WANTCHARS; }
  virtual void FocusGained() {}
  virtual void FocusLost() {}
  // A scroll bar action: pos is the thumb position for scTrack and
  // scPosition (also kept as TrackPos), else the bar's current position.
  // The bar moves only when the control sets a new position.
  virtual void ScrollBarEvent(TScrollBarKind bar, TScrollCode code, int pos);
  virtual void TimerTick(int id);
  virtual void HandleMessage(unsigned msg, std::intptr_t w, std::intptr_t l);

  // Entry points for hosts: input that goes through the control's own
  // bookkeeping (focus, scroll bar tracking) before the handlers above.
  void HostFocusChanged(bool focused);
  void HostScroll(TScrollBarKind bar, TScrollCode code, int trackPos);

private:
  struct TBar {
    TScrollInfo Info;
    bool Visible = false;
    bool Enabled = true;
  };
  TBar& Bar(TScrollBarKind bar) { return bar == TScrollBarKind::sbVertical ? FVBar : FHBar; }
  const TBar& Bar(TScrollBarKind bar) const {
    return bar == TScrollBarKind::sbVertical ? FVBar : FHBar;
  }
  void ClientMayHaveChanged(const TRect& before);
  void AttachChildHosts();
  void DetachHost();

  TControl* FParent = nullptr;
  std::vector<TControl*> FChildren;
  TWindowHost* FHost = nullptr;
  TRect FBounds;
  bool FVisible = true;
  TBorderKind FBorder = TBorderKind::bkNone;
  TColor FColor = clWindow;
  bool FRedraw = true;
  TBar FHBar, FVBar;
  TCursorShape FCursor = TCursorShape::crDefault;
  bool FTabStop = false;
  bool FFocused = false;
  bool FCapture = false;
  struct TPosted {
    unsigned Msg;
    std::intptr_t W, L;
  };
  std::vector<TPosted> FPosted;
  bool FCaretExists = false;
  int FCaretHideCount = 1;
  TRect FCaret;
  TPoint FImePos;
  TFontDesc FImeFont;
  std::map<int, unsigned> FTimers;
  bool FHintVisible = false;
  std::u16string FHintText;
  TPoint FHintPos;
};

}  // namespace tav