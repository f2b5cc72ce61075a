#include "platform/qt/child_control_core.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QComboBox>
#include <QFocusEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QStyle>

#include "platform/qt/control_host.h"
#include "platform/qt/install.h"
#include "platform/qt/surface.h"

namespace tav {

QFont ChildControlFont(const TFontDesc& desc) {
  const TFontRef font = QtDevice().CreateFont(desc);
  if (const auto* qt = dynamic_cast<const TQtFont*>(font.get())) return qt->QtFont();
  return QFont(QString::fromStdU16String(desc.Face));
}

// ---------------------------------------------------------------- core

TQtChildCore::TQtChildCore(TChildControl& owner, TChildControlKind kind, TQtControlHost& host,
                           QWidget* widget, std::initializer_list<QPalette::ColorRole> roles)
    : FOwner(owner), FKind(kind), FWidget(widget), FHost(&host), FRoles(roles) {
  widget->hide();
  widget->setMouseTracking(true);
  widget->setFocusPolicy(kind == TChildControlKind::ckPanel ? Qt::NoFocus : Qt::StrongFocus);
  FTabStop = kind != TChildControlKind::ckPanel;
  FEvents = new TQtChildEvents(*this, widget);  // owned by the widget
  widget->installEventFilter(FEvents);
  host.RaiseScrollBars();
}

TQtChildCore::~TQtChildCore() {
  if (FEvents) FEvents->Detach();
  QWidget* w = Widget();
  if (!w) return;
  // Hiding a focused widget would hand the focus to its neighbour, firing
  // that control's events while its owner may be going too.
  QWidget* focus = QApplication::focusWidget();
  if (focus && (focus == w || w->isAncestorOf(focus))) focus->clearFocus();
  w->hide();
  w->deleteLater();
}

QWidget* TQtChildCore::Widget() const { return FEvents ? FWidget.data() : nullptr; }

void TQtChildCore::SetBounds(const TRect& r) {
  FBounds = r;
  QWidget* w = Widget();
  if (!w) return;
  const QPoint origin = FHost ? FHost->ClientOrigin() : QPoint();
  w->setGeometry(r.Left + origin.x(), r.Top + origin.y(), r.Width(), r.Height());
}

void TQtChildCore::SetVisible(bool visible) {
  FVisible = visible;
  if (QWidget* w = Widget()) w->setVisible(visible);
}

void TQtChildCore::SetFont(const TFontDesc& font) {
  FFont = font;
  if (QWidget* w = Widget()) w->setFont(ChildControlFont(font));
}

void TQtChildCore::SetColor(TColor c) {
  FColor = c;
  QWidget* w = Widget();
  if (!w) return;
  bool window = false;
  if (c == clNone) {
    // A palette that sets nothing: the widget takes its parent's again.
    w->setPalette(QPalette());
  } else {
    QPalette palette = w->palette();
    for (QPalette::ColorRole role : FRoles) {
      palette.setColor(role, ToQColor(c));
      window = window || role == QPalette::Window;
    }
    w->setPalette(palette);
  }
  // Controls coloured through their window role fill their area themselves.
  w->setAutoFillBackground(window);
}

void TQtChildCore::SetFrame(bool frame) {
  FFrame = frame;
  QWidget* w = Widget();
  if (auto* edit = qobject_cast<QLineEdit*>(w)) {
    edit->setFrame(frame);
  } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
    combo->setFrame(frame);
  } else if (auto* area = qobject_cast<QAbstractScrollArea*>(w)) {
    area->setFrameShape(frame ? QFrame::StyledPanel : QFrame::NoFrame);
  }
}

TRect TQtChildCore::FrameInsets() const {
  QWidget* w = Widget();
  if (!w || !FFrame) return {};
  int width = 0;
  if (auto* area = qobject_cast<QAbstractScrollArea*>(w)) {
    width = area->frameWidth();
  } else if (qobject_cast<QLineEdit*>(w)) {
    width = w->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, w);
  }
  return {width, width, width, width};
}

void TQtChildCore::SetEnabled(bool enabled) {
  FEnabled = enabled;
  if (QWidget* w = Widget()) w->setEnabled(enabled);
}

void TQtChildCore::SetFocus() {
  if (QWidget* w = Widget()) w->setFocus(Qt::OtherFocusReason);
}

bool TQtChildCore::Focused() const {
  QWidget* w = Widget();
  return w && w->hasFocus();
}

void TQtChildCore::SetTabStop(bool tabStop) {
  if (FKind == TChildControlKind::ckPanel) return;
  FTabStop = tabStop;
  if (QWidget* w = Widget()) w->setFocusPolicy(tabStop ? Qt::StrongFocus : Qt::ClickFocus);
}

int TQtChildCore::OwnHeight(const TFontDesc& font) const {
  QWidget* w = Widget();
  switch (FKind) {
    case TChildControlKind::ckEdit:
    case TChildControlKind::ckButton:
    case TChildControlKind::ckComboBox: break;
    default: return FBounds.Height();
  }
  if (!w) return FBounds.Height();
  const QFont wanted = ChildControlFont(font);
  if (w->font() == wanted) return w->sizeHint().height();
  // Asked for another font: measure with it and put the widget's back.
  const bool ownFont = w->testAttribute(Qt::WA_SetFont);
  const QFont before = w->font();
  w->setFont(wanted);
  const int height = w->sizeHint().height();
  w->setFont(ownFont ? before : QFont());
  return height;
}

void TQtChildCore::WatchMouse(QWidget* w) {
  w->setMouseTracking(true);
  if (FEvents) w->installEventFilter(FEvents);
}

// ---------------------------------------------------------------- events

TQtChildEvents::TQtChildEvents(TQtChildCore& core, QWidget* widget)
    : QObject(widget), FCore(&core), FWidget(widget) {}

void TQtChildEvents::Clicked() {
  if (FCore) FCore->Owner().DoClick();
}

void TQtChildEvents::Changed() {
  if (FCore && !FCore->Quiet()) FCore->Owner().DoChange();
}

bool TQtChildEvents::KeyPress(QEvent* e) {
  auto* k = static_cast<QKeyEvent*>(e);
  const QPointer<TQtChildEvents> self(this);
  int key = QtKeyToVirtualKey(k->key(), k->modifiers());
  if (key != 0) {
    FCore->Owner().DoKeyDown(key, QtShiftState(k->modifiers(), Qt::NoButton));
    if (!self || !FCore || key == 0) return true;
  }
  for (QChar qc : k->text()) {
    char16_t ch = qc.unicode();
    FCore->Owner().DoKeyPress(ch);
    if (!self || !FCore || ch == 0) return true;
  }
  return false;
}

bool TQtChildEvents::eventFilter(QObject* watched, QEvent* e) {
  if (!FCore) return false;
  const bool own = watched == FWidget;
  switch (e->type()) {
    case QEvent::FocusIn:
    case QEvent::FocusOut: {
      // A drop-down list opening its popup keeps the focus as far as its
      // owner is concerned.
      if (!own || static_cast<QFocusEvent*>(e)->reason() == Qt::PopupFocusReason) break;
      if (e->type() == QEvent::FocusIn)
        FCore->Owner().DoFocus();
      else
        FCore->Owner().DoBlur();
      break;
    }
    case QEvent::KeyPress:
      if (own) return KeyPress(e);
      break;
    case QEvent::MouseMove: {
      auto* m = static_cast<QMouseEvent*>(e);
      const QPoint p = static_cast<QWidget*>(watched)->mapTo(FWidget, m->position().toPoint());
      FCore->Owner().DoMouseMove(QtShiftState(m->modifiers(), m->buttons()), p.x(), p.y());
      break;
    }
    case QEvent::MouseButtonRelease: {
      // Buttons report clicks through their own signal (keyboard presses
      // included); the other kinds report a left click released over them.
      auto* m = static_cast<QMouseEvent*>(e);
      const TChildControlKind kind = FCore->Kind();
      const bool button = kind == TChildControlKind::ckButton ||
                          kind == TChildControlKind::ckCheckBox ||
                          kind == TChildControlKind::ckRadioButton;
      if (!button && m->button() == Qt::LeftButton &&
          static_cast<QWidget*>(watched)->rect().contains(m->position().toPoint()))
        FCore->Owner().DoClick();
      break;
    }
    default: break;
  }
  return false;
}

}  // namespace tav
