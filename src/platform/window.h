#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/colors.h"
#include "platform/geometry.h"
#include "platform/surface.h"
#include "platform/system_values.h"

namespace tav {

// ---------------------------------------------------------------- input values

// Modifier keys and mouse buttons held during an input event.
using TShiftState = unsigned;
constexpr TShiftState ssShift = 0x01;
constexpr TShiftState ssAlt = 0x02;
constexpr TShiftState ssCtrl = 0x04;
constexpr TShiftState ssLeft = 0x08;
constexpr TShiftState ssRight = 0x10;
constexpr TShiftState ssMiddle = 0x20;
constexpr TShiftState ssDouble = 0x40;

enum class TMouseButton { mbLeft, mbRight, mbMiddle };

// Virtual key codes of KeyDown/KeyUp. Letters and digits are their upper-case
// ASCII codes ('A' = 0x41, '0' = 0x30).
constexpr int VK_BACK = 0x08;
constexpr int VK_TAB = 0x09;
constexpr int VK_CLEAR = 0x0C;
constexpr int VK_RETURN = 0x0D;
constexpr int VK_SHIFT = 0x10;
constexpr int VK_CONTROL = 0x11;
constexpr int VK_MENU = 0x12;  // Alt
constexpr int VK_PAUSE = 0x13;
constexpr int VK_CAPITAL = 0x14;
constexpr int VK_ESCAPE = 0x1B;
constexpr int VK_SPACE = 0x20;
constexpr int VK_PRIOR = 0x21;  // Page Up
constexpr int VK_NEXT = 0x22;   // Page Down
constexpr int VK_END = 0x23;
constexpr int VK_HOME = 0x24;
constexpr int VK_LEFT = 0x25;
constexpr int VK_UP = 0x26;
constexpr int VK_RIGHT = 0x27;
constexpr int VK_DOWN = 0x28;
constexpr int VK_INSERT = 0x2D;
constexpr int VK_DELETE = 0x2E;
constexpr int VK_APPS = 0x5D;
constexpr int VK_NUMPAD0 = 0x60;
constexpr int VK_MULTIPLY = 0x6A;
constexpr int VK_ADD = 0x6B;
constexpr int VK_SUBTRACT = 0x6D;
constexpr int VK_DECIMAL = 0x6E;
constexpr int VK_DIVIDE = 0x6F;
constexpr int VK_F1 = 0x70;  // F1..F24 are consecutive
constexpr int VK_NUMLOCK = 0x90;
constexpr int VK_SCROLL = 0x91;
constexpr int VK_OEM_1 = 0xBA;       // ;:
constexpr int VK_OEM_PLUS = 0xBB;    // =+
constexpr int VK_OEM_COMMA = 0xBC;   // ,<
constexpr int VK_OEM_MINUS = 0xBD;   // -_
constexpr int VK_OEM_PERIOD = 0xBE;  // .>
constexpr int VK_OEM_2 = 0xBF;       // /?
constexpr int VK_OEM_3 = 0xC0;       // `~
constexpr int VK_OEM_4 = 0xDB;       // [{
constexpr int VK_OEM_5 = 0xDC;       // backslash |
constexpr int VK_OEM_6 = 0xDD;       // ]}
constexpr int VK_OEM_7 = 0xDE;       // '"

// Keys a control asks to receive instead of the window's navigation
// (answer of WantedKeys()).
constexpr unsigned DLGC_WANTARROWS = 0x01;
constexpr unsigned DLGC_WANTTAB = 0x02;
constexpr unsigned DLGC_WANTALLKEYS = 0x04;  // Enter and Escape too
constexpr unsigned DLGC_WANTCHARS = 0x80;

enum class TCursorShape { crDefault, crArrow, crIBeam, crHandPoint, crMiddleScroll, crNone };

enum class TScrollBarKind { sbHorizontal, sbVertical };
// Scroll bar notifications: a line or page up/down, the thumb dropped at a
// position (scPosition) or dragged (scTrack), the ends, the end of scrolling.
enum class TScrollCode {
  scLineUp,
  scLineDown,
  scPageUp,
  scPageDown,
  scPosition,
  scTrack,
  scTop,
  scBottom,
  scEndScroll
};

// Which fields of TScrollInfo SetScrollInfo takes.
constexpr unsigned SIF_RANGE = 0x01;
constexpr unsigned SIF_PAGE = 0x02;
constexpr unsigned SIF_POS = 0x04;
constexpr unsigned SIF_DISABLENOSCROLL = 0x08;
constexpr unsigned SIF_TRACKPOS = 0x10;
constexpr unsigned SIF_ALL = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_TRACKPOS;

// A scroll bar's state: positions Min..Max, Page units visible at a time,
// Pos within Min..Max - max(Page - 1, 0); TrackPos while the thumb is dragged.
struct TScrollInfo {
  int Min = 0;
  int Max = 0;
  int Page = 0;
  int Pos = 0;
  int TrackPos = 0;
  friend bool operator==(const TScrollInfo&, const TScrollInfo&) = default;
};

enum class TBorderKind {
  bkNone,       // no frame
  bkSingle,     // a one-pixel line
  bkClientEdge  // a two-pixel sunken edge
};

// ---------------------------------------------------------------- clipboard

// Clipboard format numbers: the standard ones and those registered by name
// (from 0xC000 up; the same name gives the same number).
constexpr unsigned CF_TEXT = 1;
constexpr unsigned CF_UNICODETEXT = 13;

struct TClipboardItem {
  unsigned Format = 0;
  // The bytes as offered. CF_UNICODETEXT holds UTF-16LE with a terminating
  // zero unit (see UnicodeText()).
  std::string Data;

  static TClipboardItem UnicodeText(std::u16string_view text);
};

class TClipboard {
public:
  virtual ~TClipboard() = default;
  // The number of a private format, by name.
  virtual unsigned RegisterFormat(const std::u16string& name) = 0;
  // The name of a registered format (empty for unknown numbers).
  virtual std::u16string FormatName(unsigned format) const = 0;
  // Replaces the clipboard's content with all the items at once; the
  // clipboard keeps its own copy.
  virtual void SetData(const std::vector<TClipboardItem>& items) = 0;
  virtual bool HasFormat(unsigned format) const = 0;
  // The bytes of a format, empty when absent.
  virtual std::string GetData(unsigned format) const = 0;

  void SetText(std::u16string_view text) { SetData({TClipboardItem::UnicodeText(text)}); }
  std::u16string GetText() const;  // CF_UNICODETEXT up to its terminating zero
};

// The process's clipboard: the one installed by the platform, else an
// in-memory one (which is what tests see).
TClipboard& Clipboard();
void SetClipboard(std::shared_ptr<TClipboard> clipboard);

// A clipboard that only keeps its content in memory.
class TMemoryClipboard : public TClipboard {
public:
  unsigned RegisterFormat(const std::u16string& name) override;
  std::u16string FormatName(unsigned format) const override;
  void SetData(const std::vector<TClipboardItem>& items) override;
  bool HasFormat(unsigned format) const override;
  std::string GetData(unsigned format) const override;

private:
  std::vector<std::u16string> FNames;  // index i = format 0xC000 + i
  std::map<unsigned, std::string> FData;
};

// ---------------------------------------------------------------- control

class TControl;

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
  virtual void StartTimer(int id, unsigned ms) = 0;
  virtual void StopTimer(int id) = 0;
  // Delivers TControl::HandleMessage(msg, w, l) after the current event.
  virtual void PostMessage(unsigned msg, std::intptr_t w, std::intptr_t l) = 0;
  virtual void ImeWindowChanged() = 0;
  virtual void TabStopChanged() = 0;
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
};

}  // namespace tav
