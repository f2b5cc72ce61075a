#pragma once
// What every native child control on Qt shares: its widget inside the
// parent's host, the state the toolkit-free side asks for, and the routing
// of Qt's focus, key, mouse and signal notifications to the control's
// events.
#include <QObject>
#include <QPalette>
#include <QPointer>
#include <QWidget>

#include <initializer_list>
#include <vector>

#include "platform/child_controls.h"

namespace tav {

class TQtControlHost;
class TQtChildEvents;

class TQtChildCore {
public:
  // Takes over `widget`, a new child of `host`, for `owner` and hides it.
  // `roles` are the palette roles SetColor paints.
  TQtChildCore(TChildControl& owner, TChildControlKind kind, TQtControlHost& host, QWidget* widget,
               std::initializer_list<QPalette::ColorRole> roles);
  // Lets the widget go: it is hidden at once (without passing the focus on
  // to a neighbour) and deleted once the current event is over, since the
  // owner may be destroyed from inside one of the widget's own signals.
  ~TQtChildCore();
  TQtChildCore(const TQtChildCore&) = delete;
  TQtChildCore& operator=(const TQtChildCore&) = delete;

  // The widget, or null once it is gone with its parent's window.
  QWidget* Widget() const;
  TChildControl& Owner() const { return FOwner; }
  TChildControlKind Kind() const { return FKind; }

  void SetBounds(const TRect& r);
  const TRect& Bounds() const { return FBounds; }
  void SetVisible(bool visible);
  bool Visible() const { return FVisible; }
  void SetFont(const TFontDesc& font);
  const TFontDesc& Font() const { return FFont; }
  void SetColor(TColor c);
  TColor Color() const { return FColor; }
  void SetFrame(bool frame);
  bool HasFrame() const { return FFrame; }
  void SetEnabled(bool enabled);
  bool Enabled() const { return FEnabled; }
  void SetFocus();
  bool Focused() const;
  void SetTabStop(bool tabStop);
  bool TabStop() const { return FTabStop; }
  int OwnHeight(const TFontDesc& font) const;
  TRect FrameInsets() const;

  // Also routes mouse input of `w` (the viewport of a scroll area).
  void WatchMouse(QWidget* w);
  // Changes made while a TQuiet lives are the owner's own: they fire no
  // OnChange.
  class TQuiet {
  public:
    explicit TQuiet(TQtChildCore& core) : FCore(core) { ++FCore.FQuiet; }
    ~TQuiet() { --FCore.FQuiet; }
    TQuiet(const TQuiet&) = delete;
    TQuiet& operator=(const TQuiet&) = delete;

  private:
    TQtChildCore& FCore;
  };
  bool Quiet() const { return FQuiet > 0; }
  // The context and receiver for the widget's signals: connections made
  // with it end when the owner or the widget goes.
  TQtChildEvents* Events() const { return FEvents; }

private:
  TChildControl& FOwner;
  TChildControlKind FKind;
  QPointer<QWidget> FWidget;
  QPointer<TQtChildEvents> FEvents;  // a child of the widget
  QPointer<TQtControlHost> FHost;
  std::vector<QPalette::ColorRole> FRoles;
  TRect FBounds;
  bool FVisible = false;
  TFontDesc FFont;
  TColor FColor = clNone;
  bool FFrame = true;
  bool FEnabled = true;
  bool FTabStop = true;
  int FQuiet = 0;
};

// Receives the widget's events (as an event filter) and signals and passes
// them to the owner's events while the owner lives.
class TQtChildEvents : public QObject {
public:
  TQtChildEvents(TQtChildCore& core, QWidget* widget);
  // The owner is going: nothing more is passed on.
  void Detach() { FCore = nullptr; }

  // From the widget's signals.
  void Clicked();
  void Changed();

protected:
  bool eventFilter(QObject* watched, QEvent* e) override;

private:
  bool KeyPress(QEvent* e);

  TQtChildCore* FCore;
  QWidget* FWidget;
};

// The Qt font for a font description, as surfaces draw it.
QFont ChildControlFont(const TFontDesc& desc);

}  // namespace tav
