#include "platform/qt/control_host.h"

#include <QApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QInputMethod>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTimer>
#include <QToolTip>
#include <QWheelEvent>

#include "platform/qt/child_controls.h"
#include "platform/qt/install.h"
#include "platform/qt/surface.h"
#include "platform/system_values.h"

namespace tav {

// ---------------------------------------------------------------- keys

int QtKeyToVirtualKey(int key, Qt::KeyboardModifiers modifiers) {
  const bool keypad = modifiers & Qt::KeypadModifier;
  if (key >= Qt::Key_0 && key <= Qt::Key_9)
    return keypad ? VK_NUMPAD0 + (key - Qt::Key_0) : 0x30 + (key - Qt::Key_0);
  if (key >= Qt::Key_A && key <= Qt::Key_Z) return 0x41 + (key - Qt::Key_A);
  if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return VK_F1 + (key - Qt::Key_F1);
  switch (key) {
    case Qt::Key_Backspace: return VK_BACK;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return VK_TAB;
    case Qt::Key_Clear: return VK_CLEAR;
    case Qt::Key_Return:
    case Qt::Key_Enter: return VK_RETURN;
    case Qt::Key_Shift: return VK_SHIFT;
    case Qt::Key_Control: return VK_CONTROL;
    case Qt::Key_Alt: return VK_MENU;
    case Qt::Key_Pause: return VK_PAUSE;
    case Qt::Key_CapsLock: return VK_CAPITAL;
    case Qt::Key_Escape: return VK_ESCAPE;
    case Qt::Key_Space: return VK_SPACE;
    case Qt::Key_PageUp: return VK_PRIOR;
    case Qt::Key_PageDown: return VK_NEXT;
    case Qt::Key_End: return VK_END;
    case Qt::Key_Home: return VK_HOME;
    case Qt::Key_Left: return VK_LEFT;
    case Qt::Key_Up: return VK_UP;
    case Qt::Key_Right: return VK_RIGHT;
    case Qt::Key_Down: return VK_DOWN;
    case Qt::Key_Insert: return VK_INSERT;
    case Qt::Key_Delete: return VK_DELETE;
    case Qt::Key_Menu: return VK_APPS;
    case Qt::Key_NumLock: return VK_NUMLOCK;
    case Qt::Key_ScrollLock: return VK_SCROLL;
    case Qt::Key_Asterisk: return keypad ? VK_MULTIPLY : '8';
    case Qt::Key_Plus: return keypad ? VK_ADD : VK_OEM_PLUS;
    case Qt::Key_Minus: return keypad ? VK_SUBTRACT : VK_OEM_MINUS;
    case Qt::Key_Period: return keypad ? VK_DECIMAL : VK_OEM_PERIOD;
    case Qt::Key_Slash: return keypad ? VK_DIVIDE : VK_OEM_2;
    case Qt::Key_Semicolon:
    case Qt::Key_Colon: return VK_OEM_1;
    case Qt::Key_Equal: return VK_OEM_PLUS;
    case Qt::Key_Comma:
    case Qt::Key_Less: return VK_OEM_COMMA;
    case Qt::Key_Underscore: return VK_OEM_MINUS;
    case Qt::Key_Greater: return VK_OEM_PERIOD;
    case Qt::Key_Question: return VK_OEM_2;
    case Qt::Key_QuoteLeft:
    case Qt::Key_AsciiTilde: return VK_OEM_3;
    case Qt::Key_BracketLeft:
    case Qt::Key_BraceLeft: return VK_OEM_4;
    case Qt::Key_Backslash:
    case Qt::Key_Bar: return VK_OEM_5;
    case Qt::Key_BracketRight:
    case Qt::Key_BraceRight: return VK_OEM_6;
    case Qt::Key_Apostrophe:
    case Qt::Key_QuoteDbl: return VK_OEM_7;
    // Shifted digits of the common layout.
    case Qt::Key_Exclam: return '1';
    case Qt::Key_At: return '2';
    case Qt::Key_NumberSign: return '3';
    case Qt::Key_Dollar: return '4';
    case Qt::Key_Percent: return '5';
    case Qt::Key_AsciiCircum: return '6';
    case Qt::Key_Ampersand: return '7';
    case Qt::Key_ParenLeft: return '9';
    case Qt::Key_ParenRight: return '0';
    default: return 0;
  }
}

// ---------------------------------------------------------------- life

TQtControlHost::TQtControlHost(TControl& control, QWidget* parent)
    : TQtControlHost(control, parent, false) {}

TQtControlHost::TQtControlHost(TControl& control, QWidget* parent, bool child)
    : QWidget(parent), FControl(&control), FChild(child) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAttribute(Qt::WA_InputMethodEnabled);
  setAutoFillBackground(false);
  setMouseTracking(true);
  setFocusPolicy(Qt::NoFocus);

  FHBar = new QScrollBar(Qt::Horizontal, this);
  FVBar = new QScrollBar(Qt::Vertical, this);
  FHBar->hide();
  FVBar->hide();
  FHBar->setFocusPolicy(Qt::NoFocus);
  FVBar->setFocusPolicy(Qt::NoFocus);
  connect(FHBar, &QAbstractSlider::actionTriggered, this,
          [this](int action) { ScrollAction(TScrollBarKind::sbHorizontal, action); });
  connect(FVBar, &QAbstractSlider::actionTriggered, this,
          [this](int action) { ScrollAction(TScrollBarKind::sbVertical, action); });
  auto released = [this](TScrollBarKind kind, QScrollBar* bar) {
    if (!FControl) return;
    FControl->HostScroll(kind, TScrollCode::scPosition, bar->sliderPosition());
    if (FControl) FControl->HostScroll(kind, TScrollCode::scEndScroll, 0);
  };
  connect(FHBar, &QAbstractSlider::sliderReleased, this,
          [this, released] { released(TScrollBarKind::sbHorizontal, FHBar); });
  connect(FVBar, &QAbstractSlider::sliderReleased, this,
          [this, released] { released(TScrollBarKind::sbVertical, FVBar); });

  FBlink = new QTimer(this);
  connect(FBlink, &QTimer::timeout, this, [this] {
    FBlinkOn = !FBlinkOn;
    if (!FCaretShown.IsEmpty()) update(ToWidget(FCaretShown));
  });

  if (!child) {
    // The outermost control takes the widget's size; its children get
    // their own hosts through AttachHost.
    FControl->AttachHost(this);
  }
}

TQtControlHost::~TQtControlHost() {
  HideOwnToolTip();
  if (FControl) {
    TControl* control = FControl;
    FControl = nullptr;
    control->HostDestroyed();
  }
}

TChildControlFactory* TQtControlHost::ChildControls() {
  if (!FChildControls) FChildControls = std::make_unique<TQtChildControlFactory>(*this);
  return FChildControls.get();
}

void TQtControlHost::RaiseScrollBars() {
  FHBar->raise();
  FVBar->raise();
}

TGraphicsDevice& TQtControlHost::Device() { return QtDevice(); }

TWindowHost* TQtControlHost::CreateChildHost(TControl& child) {
  auto* host = new TQtControlHost(child, this, true);  // owned by this widget
  host->show();
  return host;
}

void TQtControlHost::ControlDestroyed() {
  FControl = nullptr;
  HideOwnToolTip();
  for (auto& [id, timer] : FTimers) timer->stop();
  FBlink->stop();
  if (FChild) {
    hide();
    deleteLater();
  }
}

int TQtControlHost::Border() const { return FControl ? FControl->BorderWidth() : 0; }

QRect TQtControlHost::ToWidget(const TRect& r) const {
  int b = Border();
  return QRect(r.Left + b, r.Top + b, r.Width(), r.Height());
}

QSize TQtControlHost::sizeHint() const {
  if (!FControl || FControl->BoundsRect().IsEmpty()) return QSize(200, 150);
  return QSize(FControl->Width(), FControl->Height());
}

// ---------------------------------------------------------------- geometry

void TQtControlHost::BoundsChanged() {
  if (!FControl) return;
  const TRect& b = FControl->BoundsRect();
  if (FChild) {
    int pb = FControl->Parent() ? FControl->Parent()->BorderWidth() : 0;
    FSyncing = true;
    setGeometry(b.Left + pb, b.Top + pb, b.Width(), b.Height());
    FSyncing = false;
  } else if (!FSyncing && !b.IsEmpty() && (b.Width() != width() || b.Height() != height())) {
    FSyncing = true;
    resize(b.Width(), b.Height());
    FSyncing = false;
  }
  LayoutScrollBars();
  update();
}

void TQtControlHost::resizeEvent(QResizeEvent*) {
  if (!FControl || FSyncing || FChild) {
    LayoutScrollBars();
    return;
  }
  FSyncing = true;
  FControl->SetBounds(MakeRect(x(), y(), width(), height()));
  FSyncing = false;
  LayoutScrollBars();
}

void TQtControlHost::moveEvent(QMoveEvent*) {
  if (!FControl || FSyncing || FChild) return;
  FSyncing = true;
  FControl->SetBounds(MakeRect(x(), y(), width(), height()));
  FSyncing = false;
}

void TQtControlHost::VisibilityChanged() {
  if (!FControl) return;
  // A top-level host is shown by the app; the control may only hide it.
  if (FChild || parentWidget() || !FControl->Visible()) setVisible(FControl->Visible());
}

void TQtControlHost::BringToFront() { raise(); }

void TQtControlHost::TabStopChanged() {
  if (FControl) setFocusPolicy(FControl->TabStop() ? Qt::TabFocus : Qt::NoFocus);
}

// ---------------------------------------------------------------- painting

void TQtControlHost::Invalidate(const TRect* r) {
  if (!FControl) return;
  QRect area = r ? ToWidget(*r) : rect();
  FDirty += area;
  update(area);
}

void TQtControlHost::Update() {
  if (!FControl || FDirty.isEmpty() || !isVisible()) return;
  repaint(FDirty);
}

void TQtControlHost::RedrawChanged() {}

void TQtControlHost::PaintBorder(QPainter& painter) {
  const int w = width(), h = height();
  auto line = [&](int x1, int y1, int x2, int y2, TColor c) {
    painter.fillRect(QRect(QPoint(x1, y1), QPoint(x2, y2)), ToQColor(c));
  };
  switch (FControl->Border()) {
    case TBorderKind::bkNone: return;
    case TBorderKind::bkSingle:
      painter.setPen(ToQColor(clWindowFrame));
      painter.setBrush(Qt::NoBrush);
      painter.drawRect(0, 0, w - 1, h - 1);
      return;
    case TBorderKind::bkClientEdge:
      line(0, 0, w - 2, 0, clBtnShadow);
      line(0, 0, 0, h - 2, clBtnShadow);
      line(0, h - 1, w - 1, h - 1, clBtnHighlight);
      line(w - 1, 0, w - 1, h - 1, clBtnHighlight);
      line(1, 1, w - 3, 1, cl3DDkShadow);
      line(1, 1, 1, h - 3, cl3DDkShadow);
      line(1, h - 2, w - 2, h - 2, cl3DLight);
      line(w - 2, 1, w - 2, h - 2, cl3DLight);
      return;
  }
}

void TQtControlHost::paintEvent(QPaintEvent* e) {
  FDirty -= e->region();
  if (!FControl) return;
  QPainter painter(this);
  if (!FControl->RedrawEnabled()) return;
  PaintBorder(painter);
  const int b = Border();
  const TRect client = FControl->ClientRect();
  // The corner between two shown scroll bars.
  if (FHBar->isVisible() && FVBar->isVisible())
    painter.fillRect(QRect(FVBar->x(), FHBar->y(), FVBar->width(), FHBar->height()),
                     ToQColor(clBtnFace));

  QRect area = e->rect();
  TRect clip = IntersectRect(
      {area.left() - b, area.top() - b, area.right() + 1 - b, area.bottom() + 1 - b}, client);
  if (!clip.IsEmpty()) {
    TQtSurface surface(QtDevice(), painter, {width(), height()});
    surface.SetViewportOrigin({b, b});
    surface.IntersectClipRect(client);
    FControl->PaintTo(surface, clip);
  }
  if (!FControl) return;
  // The caret, inverted over what was painted.
  FCaretShown = TRect{};
  if (FControl->CaretVisible() && FControl->Focused()) {
    FCaretShown = IntersectRect(FControl->CaretRect(), client);
    if (FBlinkOn && !FCaretShown.IsEmpty()) {
      painter.setClipping(false);
      painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
      painter.fillRect(ToWidget(FCaretShown), QColor(255, 255, 255));
      painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    }
  }
}

void TQtControlHost::ScrollPixels(int dx, int dy, const TRect& area) {
  if (!FControl || !isVisible()) return;
  QRect r = ToWidget(IntersectRect(area, FControl->ClientRect()));
  if (r.isEmpty()) return;
  // Pending invalid parts move with the pixels.
  QRegion moved = FDirty.intersected(r).translated(dx, dy).intersected(r);
  FDirty = FDirty.subtracted(QRegion(r)) + moved;
  scroll(dx, dy, r);
  // The caret's inverted pixels moved too; repaint where they went.
  if (!FCaretShown.IsEmpty()) update(ToWidget(FCaretShown).translated(dx, dy));
}

// ---------------------------------------------------------------- caret

// Hints are Qt's tool tips: shown just below the mouse point, gone on a
// press, a wheel turn or when the mouse leaves a widget.
void TQtControlHost::HintChanged() {
  if (FControl && FControl->HintVisible()) {
    const TPoint p = FControl->HintPos();
    const QPoint at = mapToGlobal(ClientOrigin() + QPoint(p.X, p.Y));
    FHintShown = QString::fromStdU16String(FControl->HintText());
    QToolTip::showText(at, FHintShown, this);
  } else {
    HideOwnToolTip();
  }
}

void TQtControlHost::HideOwnToolTip() {
  // Qt may have taken the tip down itself, and another widget's tip may be
  // up by now: only this host's own is hidden.
  if (!FHintShown.isEmpty() && QToolTip::isVisible() && QToolTip::text() == FHintShown)
    QToolTip::hideText();
  FHintShown.clear();
}

void TQtControlHost::CaretChanged() {
  if (!FControl) return;
  if (!FCaretShown.IsEmpty()) update(ToWidget(FCaretShown));
  const bool visible = FControl->CaretVisible();
  if (visible) {
    update(ToWidget(FControl->CaretRect()));
    FBlinkOn = true;
    int period = CaretBlinkTime();
    if (period > 0)
      FBlink->start(period);
    else
      FBlink->stop();
    if (QGuiApplication::inputMethod())
      QGuiApplication::inputMethod()->update(Qt::ImCursorRectangle);
  } else {
    FBlink->stop();
  }
}

// ---------------------------------------------------------------- scroll bars

void TQtControlHost::LayoutScrollBars() {
  if (!FControl) return;
  const int b = Border();
  const TRect c = FControl->ClientRect();
  const int vw = GetSystemMetrics(SM_CXVSCROLL), hh = GetSystemMetrics(SM_CYHSCROLL);
  FVBar->setGeometry(b + c.Width(), b, vw, c.Height());
  FHBar->setGeometry(b, b + c.Height(), c.Width(), hh);
}

void TQtControlHost::ScrollBarsChanged() {
  if (!FControl) return;
  auto apply = [&](QScrollBar* bar, TScrollBarKind kind) {
    TScrollInfo info = FControl->GetScrollInfo(kind);
    QSignalBlocker block(bar);
    int top = info.Max - std::max(info.Page - 1, 0);
    bar->setRange(info.Min, std::max(info.Min, top));
    bar->setPageStep(std::max(1, info.Page));
    if (!bar->isSliderDown()) bar->setValue(info.Pos);
    bar->setEnabled(FControl->ScrollBarEnabled(kind));
    bar->setVisible(FControl->ScrollBarVisible(kind));
  };
  apply(FHBar, TScrollBarKind::sbHorizontal);
  apply(FVBar, TScrollBarKind::sbVertical);
  LayoutScrollBars();
}

void TQtControlHost::ScrollAction(TScrollBarKind kind, int action) {
  if (!FControl) return;
  QScrollBar* bar = kind == TScrollBarKind::sbVertical ? FVBar : FHBar;
  TScrollCode code;
  switch (action) {
    case QAbstractSlider::SliderSingleStepAdd: code = TScrollCode::scLineDown; break;
    case QAbstractSlider::SliderSingleStepSub: code = TScrollCode::scLineUp; break;
    case QAbstractSlider::SliderPageStepAdd: code = TScrollCode::scPageDown; break;
    case QAbstractSlider::SliderPageStepSub: code = TScrollCode::scPageUp; break;
    case QAbstractSlider::SliderToMinimum: code = TScrollCode::scTop; break;
    case QAbstractSlider::SliderToMaximum: code = TScrollCode::scBottom; break;
    case QAbstractSlider::SliderMove: code = TScrollCode::scTrack; break;
    default: return;
  }
  if (code == TScrollCode::scTrack) {
    FControl->HostScroll(kind, code, bar->sliderPosition());
    return;
  }
  FControl->HostScroll(kind, code, 0);
  if (FControl) FControl->HostScroll(kind, TScrollCode::scEndScroll, 0);
  // The control decides where the bar goes, as with native scroll bars.
  if (FControl) bar->setSliderPosition(FControl->GetScrollInfo(kind).Pos);
}

// ---------------------------------------------------------------- mouse

TShiftState TQtControlHost::Shift(Qt::KeyboardModifiers mods, Qt::MouseButtons buttons) {
  return QtShiftState(mods, buttons);
}

TShiftState QtShiftState(Qt::KeyboardModifiers mods, Qt::MouseButtons buttons) {
  TShiftState s = 0;
  if (mods & Qt::ShiftModifier) s |= ssShift;
  if (mods & Qt::ControlModifier) s |= ssCtrl;
  if (mods & Qt::AltModifier) s |= ssAlt;
  if (buttons & Qt::LeftButton) s |= ssLeft;
  if (buttons & Qt::RightButton) s |= ssRight;
  if (buttons & Qt::MiddleButton) s |= ssMiddle;
  return s;
}

namespace {
bool ToButton(Qt::MouseButton b, TMouseButton& out) {
  switch (b) {
    case Qt::LeftButton: out = TMouseButton::mbLeft; return true;
    case Qt::RightButton: out = TMouseButton::mbRight; return true;
    case Qt::MiddleButton: out = TMouseButton::mbMiddle; return true;
    default: return false;
  }
}
}  // namespace

void TQtControlHost::mousePressEvent(QMouseEvent* e) {
  TMouseButton button;
  if (!FControl || !ToButton(e->button(), button)) return;
  QPoint p = e->position().toPoint();
  FControl->MouseDown(button, Shift(e->modifiers(), e->buttons()), p.x() - Border(),
                      p.y() - Border());
}

void TQtControlHost::mouseReleaseEvent(QMouseEvent* e) {
  TMouseButton button;
  if (!FControl || !ToButton(e->button(), button)) return;
  QPoint p = e->position().toPoint();
  FControl->MouseUp(button, Shift(e->modifiers(), e->buttons()), p.x() - Border(),
                    p.y() - Border());
}

void TQtControlHost::mouseDoubleClickEvent(QMouseEvent* e) {
  TMouseButton button;
  if (!FControl || !ToButton(e->button(), button)) return;
  QPoint p = e->position().toPoint();
  FControl->DblClick(button, Shift(e->modifiers(), e->buttons()) | ssDouble, p.x() - Border(),
                     p.y() - Border());
}

void TQtControlHost::mouseMoveEvent(QMouseEvent* e) {
  if (!FControl) return;
  QPoint p = e->position().toPoint();
  FControl->MouseMove(Shift(e->modifiers(), e->buttons()), p.x() - Border(), p.y() - Border());
}

void TQtControlHost::wheelEvent(QWheelEvent* e) {
  if (!FControl) return;
  int delta = e->angleDelta().y();
  if (delta == 0) {
    e->ignore();
    return;
  }
  QPoint p = e->position().toPoint();
  if (!FControl->MouseWheel(Shift(e->modifiers(), e->buttons()), delta,
                            {p.x() - Border(), p.y() - Border()}))
    e->ignore();
}

void TQtControlHost::enterEvent(QEnterEvent*) {
  if (FControl) FControl->MouseEnter();
}

void TQtControlHost::leaveEvent(QEvent*) {
  if (FControl) FControl->MouseLeave();
}

void TQtControlHost::SetCapture(bool capture) {
  if (capture && !FCaptured) {
    grabMouse();
    FCaptured = true;
  } else if (!capture && FCaptured) {
    releaseMouse();
    FCaptured = false;
  }
}

bool TQtControlHost::HasCapture() const { return FCaptured || QWidget::mouseGrabber() == this; }

TPoint TQtControlHost::CursorPos() const {
  QPoint p = mapFromGlobal(QCursor::pos());
  return {p.x() - Border(), p.y() - Border()};
}

bool TQtControlHost::CursorOver() const {
  QWidget* w = QApplication::widgetAt(QCursor::pos());
  return w == this;
}

void TQtControlHost::CursorChanged() {
  if (!FControl) return;
  switch (FControl->Cursor()) {
    case TCursorShape::crDefault: unsetCursor(); break;
    case TCursorShape::crArrow: setCursor(Qt::ArrowCursor); break;
    case TCursorShape::crIBeam: setCursor(Qt::IBeamCursor); break;
    case TCursorShape::crHandPoint: setCursor(Qt::PointingHandCursor); break;
    case TCursorShape::crMiddleScroll: setCursor(Qt::SizeAllCursor); break;
    case TCursorShape::crNone: setCursor(Qt::BlankCursor); break;
  }
}

// ---------------------------------------------------------------- keyboard and focus

bool TQtControlHost::event(QEvent* e) {
  if (e->type() == QEvent::KeyPress && FControl) {
    auto* k = static_cast<QKeyEvent*>(e);
    bool tab = (k->key() == Qt::Key_Tab || k->key() == Qt::Key_Backtab) &&
               !(k->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
    // Tab moves the focus unless the control asks for it.
    if (tab && (FControl->WantedKeys() & (DLGC_WANTTAB | DLGC_WANTALLKEYS))) {
      keyPressEvent(k);
      return true;
    }
  }
  if (e->type() == QEvent::ShortcutOverride && FControl) {
    // Keys the control takes are not shortcuts of the window.
    e->ignore();
  }
  return QWidget::event(e);
}

void TQtControlHost::keyPressEvent(QKeyEvent* e) {
  if (!FControl) {
    e->ignore();
    return;
  }
  // Enter and Escape belong to the window (its default and cancel buttons)
  // unless the control asks for every key.
  const bool windowKey =
      e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter || e->key() == Qt::Key_Escape;
  if (windowKey && !(FControl->WantedKeys() & DLGC_WANTALLKEYS)) {
    e->ignore();
    return;
  }
  const int mapped = QtKeyToVirtualKey(e->key(), e->modifiers());
  const TShiftState shift = Shift(e->modifiers(), Qt::NoButton);
  int key = mapped;
  if (key != 0) FControl->KeyDown(key, shift);
  const bool swallowed = mapped != 0 && key == 0;
  if (!swallowed && FControl) {
    const QString text = e->text();
    for (QChar qc : text) {
      char16_t ch = qc.unicode();
      FControl->KeyPress(ch);
      if (!FControl) break;
    }
  }
  // Ctrl+Tab that the control leaves goes on to the controls around it.
  if (!swallowed && mapped == VK_TAB && (shift & ssCtrl))
    e->ignore();
  else
    e->accept();
}

void TQtControlHost::keyReleaseEvent(QKeyEvent* e) {
  if (!FControl) return;
  int key = QtKeyToVirtualKey(e->key(), e->modifiers());
  if (key != 0) FControl->KeyUp(key, Shift(e->modifiers(), Qt::NoButton));
  if (key != 0) e->ignore();
}

void TQtControlHost::focusInEvent(QFocusEvent*) {
  if (!FControl) return;
  FControl->HostFocusChanged(true);
  if (FControl && FControl->CaretExists()) CaretChanged();
}

void TQtControlHost::focusOutEvent(QFocusEvent*) {
  if (!FControl) return;
  FControl->HostFocusChanged(false);
  if (!FCaretShown.IsEmpty()) update(ToWidget(FCaretShown));
}

void TQtControlHost::SetFocus() { setFocus(Qt::OtherFocusReason); }

bool TQtControlHost::Focused() const { return hasFocus(); }

TShiftState TQtControlHost::KeyboardState() const {
  return Shift(QGuiApplication::queryKeyboardModifiers(), QGuiApplication::mouseButtons());
}

// ---------------------------------------------------------------- timers and messages

void TQtControlHost::StartTimer(int id, unsigned ms) {
  QTimer*& timer = FTimers[id];
  if (!timer) {
    timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, [this, id] {
      if (FControl && FControl->TimerActive(id)) FControl->TimerTick(id);
    });
  }
  timer->start(static_cast<int>(ms));
}

void TQtControlHost::StopTimer(int id) {
  auto it = FTimers.find(id);
  if (it != FTimers.end()) it->second->stop();
}

void TQtControlHost::PostMessage(unsigned msg, std::intptr_t w, std::intptr_t l) {
  QMetaObject::invokeMethod(
      this,
      [this, msg, w, l] {
        if (FControl) FControl->HandleMessage(msg, w, l);
      },
      Qt::QueuedConnection);
}

// ---------------------------------------------------------------- input method

void TQtControlHost::ImeWindowChanged() {
  if (QGuiApplication::inputMethod())
    QGuiApplication::inputMethod()->update(Qt::ImCursorRectangle | Qt::ImFont);
}

QVariant TQtControlHost::inputMethodQuery(Qt::InputMethodQuery query) const {
  if (!FControl) return QWidget::inputMethodQuery(query);
  switch (query) {
    case Qt::ImCursorRectangle: {
      TPoint p = FControl->ImePosition();
      TRect caret = FControl->CaretRect();
      int h = caret.IsEmpty() ? 16 : caret.Height();
      return QRect(p.X + Border(), p.Y + Border(), 1, h);
    }
    case Qt::ImFont: {
      const TFontDesc& desc = FControl->ImeFont();
      QFont f(QString::fromStdU16String(desc.Face));
      f.setPixelSize(desc.Height < 0 ? -desc.Height : std::max(1, desc.Height));
      return f;
    }
    case Qt::ImEnabled: return true;
    default: return QWidget::inputMethodQuery(query);
  }
}

void TQtControlHost::inputMethodEvent(QInputMethodEvent* e) {
  if (!FControl) return;
  const QString text = e->commitString();
  for (QChar qc : text) {
    char16_t ch = qc.unicode();
    FControl->KeyPress(ch);
    if (!FControl) break;
  }
  e->accept();
}

}  // namespace tav
