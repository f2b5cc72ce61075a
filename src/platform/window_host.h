#pragma once
#include <cstdint>

#include "platform/geometry.h"
#include "platform/keys.h"

namespace tav {

class TChildControlFactory;
class TControl;
class TGraphicsDevice;

// What a window system does for one control. The control keeps its own
// state (bounds, visibility, scroll bars, caret, timers, cursor) and tells
// its host about changes; the host shows them and delivers input, paint
// requests and timer ticks back to the control on the one UI thread.
class TWindowHost {
public:
  virtual ~TWindowHost() = default;

  virtual TGraphicsDevice& Device() = 0;
  // A host for a child control, placed inside this host. The new host
  // belongs to the window system; it lets go of the control when either is
  // destroyed (ControlDestroyed / TControl::HostDestroyed).
  virtual TWindowHost* CreateChildHost(TControl& child) = 0;
  // The control is going away (or moving to another parent): drop every
  // reference to it. A child host destroys itself afterwards.
  virtual void ControlDestroyed() = 0;

  virtual void BoundsChanged() = 0;
  virtual void VisibilityChanged() = 0;
  virtual void BringToFront() = 0;
  // Marks a part of the client area (client pixels) for repainting; null
  // marks everything. Nothing is painted while redraw is suspended.
  virtual void Invalidate(const TRect* r) = 0;
  // Paints the invalid parts now.
  virtual void Update() = 0;
  virtual void RedrawChanged() = 0;
  // Moves the pixels of `area` (client pixels) by (dx, dy) and invalidates
  // only the strip uncovered by the move.
  virtual void ScrollPixels(int dx, int dy, const TRect& area) = 0;
  virtual void ScrollBarsChanged() = 0;
  virtual void CursorChanged() = 0;
  virtual void SetCapture(bool capture) = 0;
  virtual bool HasCapture() const = 0;
  // The mouse position in client pixels, and whether the mouse is over this
  // control (not covered by another window).
  virtual TPoint CursorPos() const = 0;
  virtual bool CursorOver() const = 0;
  virtual void SetFocus() = 0;
  virtual bool Focused() const = 0;
  // Modifier keys held now.
  virtual TShiftState KeyboardState() const = 0;
  virtual void CaretChanged() = 0;
  // The control's hint was shown, moved or hidden (TControl::HintVisible,
  // HintText, HintPos). A window system without hints ignores it.
  virtual void HintChanged() {}
  virtual void StartTimer(int id, unsigned ms) = 0;
  virtual void StopTimer(int id) = 0;
  // Delivers TControl::HandleMessage(msg, w, l) after the current event.
  virtual void PostMessage(unsigned msg, std::intptr_t w, std::intptr_t l) = 0;
  virtual void ImeWindowChanged() = 0;
  virtual void TabStopChanged() = 0;
  // Makes native child controls inside this host's control (they go with
  // its window); null when the window system has none.
  virtual TChildControlFactory* ChildControls() { return nullptr; }
};

}  // namespace tav
