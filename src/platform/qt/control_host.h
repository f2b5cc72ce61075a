#pragma once
// The window of a platform-neutral control on Qt 6 (for src/app and tests).
#include <QRegion>
#include <QWidget>

#include <map>
#include <memory>

#include "platform/control.h"
#include "platform/window_host.h"

class QScrollBar;
class QTimer;

namespace tav {

class TQtChildControlFactory;

// A QWidget that hosts one TControl: it forwards paint, size, mouse, wheel,
// keyboard, focus, timer and scroll bar events to the control and carries
// out the control's requests (repaint, pixel scrolling, scroll bars, cursor,
// capture, caret, timers, posted messages, input method position).
//
// The app makes one for the outermost control and places it like any
// widget; the hosts of child controls are made by this one, as child
// widgets, when the child controls are linked in (TControl::SetParent).
class TQtControlHost : public QWidget, public TWindowHost {
  Q_OBJECT
public:
  explicit TQtControlHost(TControl& control, QWidget* parent = nullptr);
  ~TQtControlHost() override;

  TControl* Control() const { return FControl; }
  // Where the control's client area starts in the widget (inside its border).
  QPoint ClientOrigin() const { return {Border(), Border()}; }
  // Keeps the scroll bars above native child controls, which would
  // otherwise cover them.
  void RaiseScrollBars();

  // TWindowHost
  TGraphicsDevice& Device() override;
  TWindowHost* CreateChildHost(TControl& child) override;
  void ControlDestroyed() override;
  void BoundsChanged() override;
  void VisibilityChanged() override;
  void BringToFront() override;
  void Invalidate(const TRect* r) override;
  void Update() override;
  void RedrawChanged() override;
  void ScrollPixels(int dx, int dy, const TRect& area) override;
  void ScrollBarsChanged() override;
  void CursorChanged() override;
  void SetCapture(bool capture) override;
  bool HasCapture() const override;
  TPoint CursorPos() const override;
  bool CursorOver() const override;
  void SetFocus() override;
  bool Focused() const override;
  TShiftState KeyboardState() const override;
  void CaretChanged() override;
  void HintChanged() override;
  void StartTimer(int id, unsigned ms) override;
  void StopTimer(int id) override;
  void PostMessage(unsigned msg, std::intptr_t w, std::intptr_t l) override;
  void ImeWindowChanged() override;
  void TabStopChanged() override;
  TChildControlFactory* ChildControls() override;

  QSize sizeHint() const override;
  QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;

protected:
  bool event(QEvent* e) override;
  void paintEvent(QPaintEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void moveEvent(QMoveEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void mouseDoubleClickEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void wheelEvent(QWheelEvent* e) override;
  void enterEvent(QEnterEvent* e) override;
  void leaveEvent(QEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void keyReleaseEvent(QKeyEvent* e) override;
  void focusInEvent(QFocusEvent* e) override;
  void focusOutEvent(QFocusEvent* e) override;
  void inputMethodEvent(QInputMethodEvent* e) override;

private:
  TQtControlHost(TControl& control, QWidget* parent, bool child);
  int Border() const;
  QRect ToWidget(const TRect& client) const;
  void LayoutScrollBars();
  void HideOwnToolTip();
  void ScrollAction(TScrollBarKind bar, int action);
  void PaintBorder(QPainter& painter);
  static TShiftState Shift(Qt::KeyboardModifiers mods, Qt::MouseButtons buttons);

  TControl* FControl;
  bool FChild;
  bool FSyncing = false;  // applying the control's bounds to the widget
  QScrollBar* FHBar = nullptr;
  QScrollBar* FVBar = nullptr;
  std::map<int, QTimer*> FTimers;
  QTimer* FBlink = nullptr;
  bool FBlinkOn = true;
  TRect FCaretShown;  // client pixels where the caret was last drawn
  QRegion FDirty;     // widget pixels invalidated and not yet painted
  bool FCaptured = false;
  QString FHintShown;  // the text of the tool tip this host put up
  std::unique_ptr<TQtChildControlFactory> FChildControls;  // made on first use
};

// The virtual key code of a Qt key (0 when there is none).
int QtKeyToVirtualKey(int qtKey, Qt::KeyboardModifiers modifiers);
// The shift state of Qt's modifier keys and mouse buttons.
TShiftState QtShiftState(Qt::KeyboardModifiers mods, Qt::MouseButtons buttons);

}  // namespace tav
