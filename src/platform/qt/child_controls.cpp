#include "platform/qt/child_controls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QResizeEvent>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextLayout>

#include <algorithm>

#include "platform/qt/child_control_core.h"
#include "platform/qt/control_host.h"

namespace tav {
namespace {

QString ToQ(const std::u16string& s) { return QString::fromStdU16String(s); }
std::u16string FromQ(const QString& s) { return s.toStdU16String(); }

// Gives the factory the widget of a control it made.
class TQtWidgetOwner {
public:
  virtual ~TQtWidgetOwner() = default;
  virtual QWidget* OwnedWidget() const = 0;
};

// The part every kind shares, passed on to the core.
template <class Interface>
class TQtChild : public Interface, public TQtWidgetOwner {
public:
  TQtChild(TChildControlKind kind, TQtControlHost& host, QWidget* widget,
           std::initializer_list<QPalette::ColorRole> roles)
      : FCore(*this, kind, host, widget, roles) {}

  TChildControlKind Kind() const override { return FCore.Kind(); }
  void SetBounds(const TRect& r) override { FCore.SetBounds(r); }
  TRect BoundsRect() const override { return FCore.Bounds(); }
  void Show() override { FCore.SetVisible(true); }
  void Hide() override { FCore.SetVisible(false); }
  bool Visible() const override { return FCore.Visible(); }
  void SetFont(const TFontDesc& font) override { FCore.SetFont(font); }
  const TFontDesc& Font() const override { return FCore.Font(); }
  void SetColor(TColor c) override { FCore.SetColor(c); }
  TColor Color() const override { return FCore.Color(); }
  void SetFrame(bool frame) override { FCore.SetFrame(frame); }
  bool HasFrame() const override { return FCore.HasFrame(); }
  void SetEnabled(bool enabled) override { FCore.SetEnabled(enabled); }
  bool Enabled() const override { return FCore.Enabled(); }
  void SetFocus() override { FCore.SetFocus(); }
  bool Focused() const override { return FCore.Focused(); }
  void SetTabStop(bool tabStop) override { FCore.SetTabStop(tabStop); }
  bool TabStop() const override { return FCore.TabStop(); }
  int OwnHeight(const TFontDesc& font) const override { return FCore.OwnHeight(font); }
  TRect FrameInsets() const override { return FCore.FrameInsets(); }
  QWidget* OwnedWidget() const override { return FCore.Widget(); }

protected:
  template <class W>
  W* As() const {
    return static_cast<W*>(FCore.Widget());
  }
  // Connects a widget signal to the owner's OnChange (or OnClick).
  template <class W, class Signal>
  void ChangeOn(W* w, Signal signal) {
    TQtChildEvents* events = FCore.Events();
    QObject::connect(w, signal, events, [events] { events->Changed(); });
  }
  template <class W, class Signal>
  void ClickOn(W* w, Signal signal) {
    TQtChildEvents* events = FCore.Events();
    QObject::connect(w, signal, events, [events] { events->Clicked(); });
  }

  TQtChildCore FCore;
};

// ---------------------------------------------------------------- edits

class TQtEdit : public TQtChild<TChildEdit> {
public:
  explicit TQtEdit(TQtControlHost& host)
      : TQtChild(TChildControlKind::ckEdit, host, new QLineEdit(&host), {QPalette::Base}) {
    // textEdited comes from the user only.
    ChangeOn(Edit(), &QLineEdit::textEdited);
  }

  void SetText(const std::u16string& text) override {
    FText = text;
    if (QLineEdit* e = Edit()) e->setText(ToQ(text));
  }
  std::u16string Text() const override { return Edit() ? FromQ(Edit()->text()) : FText; }
  void SetPassword(bool password) override {
    FPassword = password;
    QLineEdit* e = Edit();
    if (!e) return;
    e->setEchoMode(password ? QLineEdit::Password : QLineEdit::Normal);
    // Hidden characters show as '*'.
    e->setStyleSheet(password ? QStringLiteral("QLineEdit { lineedit-password-character: 42; }")
                              : QString());
  }
  bool Password() const override { return FPassword; }
  void SetMaxLength(int length) override {
    FMaxLength = std::max(0, length);
    // Qt's own default stands for no limit.
    if (QLineEdit* e = Edit()) e->setMaxLength(FMaxLength > 0 ? FMaxLength : 32767);
    if (FMaxLength > 0 && static_cast<int>(FText.size()) > FMaxLength) FText.resize(FMaxLength);
  }
  int MaxLength() const override { return FMaxLength; }
  void SetReadOnly(bool readOnly) override {
    FReadOnly = readOnly;
    if (QLineEdit* e = Edit()) e->setReadOnly(readOnly);
  }
  bool ReadOnly() const override { return FReadOnly; }

private:
  QLineEdit* Edit() const { return As<QLineEdit>(); }

  std::u16string FText;
  bool FPassword = false;
  int FMaxLength = 0;
  bool FReadOnly = false;
};

class TQtMemo : public TQtChild<TChildMemo> {
public:
  explicit TQtMemo(TQtControlHost& host)
      : TQtChild(TChildControlKind::ckMemo, host, new QPlainTextEdit(&host), {QPalette::Base}) {
    QPlainTextEdit* m = Memo();
    FCore.WatchMouse(m->viewport());
    // Tab moves on to the next control, as in a form.
    m->setTabChangesFocus(true);
    ChangeOn(m, &QPlainTextEdit::textChanged);
    SetScrollBars(TMemoScrollBars::msVertical);
  }

  void SetText(const std::u16string& text) override {
    FText = text;
    QPlainTextEdit* m = Memo();
    if (!m) return;
    TQtChildCore::TQuiet quiet(FCore);
    m->setPlainText(ToQ(text));
    m->moveCursor(QTextCursor::Start);
    m->verticalScrollBar()->setValue(0);
    m->horizontalScrollBar()->setValue(0);
  }
  std::u16string Text() const override { return Memo() ? FromQ(Memo()->toPlainText()) : FText; }
  void SetWordWrap(bool wrap) override {
    FWrap = wrap;
    if (QPlainTextEdit* m = Memo())
      m->setLineWrapMode(wrap ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
  }
  bool WordWrap() const override { return FWrap; }
  void SetScrollBars(TMemoScrollBars bars) override {
    FBars = bars;
    QPlainTextEdit* m = Memo();
    if (!m) return;
    m->setVerticalScrollBarPolicy(bars == TMemoScrollBars::msNone ? Qt::ScrollBarAlwaysOff
                                                                  : Qt::ScrollBarAlwaysOn);
    m->setHorizontalScrollBarPolicy(bars == TMemoScrollBars::msBoth ? Qt::ScrollBarAlwaysOn
                                                                    : Qt::ScrollBarAlwaysOff);
  }
  TMemoScrollBars ScrollBars() const override { return FBars; }
  void SetReadOnly(bool readOnly) override {
    FReadOnly = readOnly;
    if (QPlainTextEdit* m = Memo()) m->setReadOnly(readOnly);
  }
  bool ReadOnly() const override { return FReadOnly; }

  std::vector<std::u16string> DisplayedLines() const override {
    std::vector<std::u16string> lines;
    QPlainTextEdit* m = Memo();
    if (!m) {
      std::u16string::size_type at = 0;
      for (;;) {
        const auto end = FText.find(u'\n', at);
        lines.push_back(FText.substr(at, end - at));
        if (end == std::u16string::npos) break;
        at = end + 1;
      }
      return lines;
    }
    // A hidden widget gets its size only when shown; the rows are those of
    // the width it has now.
    if (m->testAttribute(Qt::WA_PendingResizeEvent)) {
      QResizeEvent resize(m->size(), QSize());
      QCoreApplication::sendEvent(m, &resize);
      m->setAttribute(Qt::WA_PendingResizeEvent, false);
    }
    // The rows are laid out here as the widget lays out its document (whose
    // own layout is made lazily, for the rows in view): the viewport's width
    // less the document margins, the document's font and wrapping.
    QTextDocument* doc = m->document();
    const bool wrap = m->lineWrapMode() != QPlainTextEdit::NoWrap;
    const qreal width = m->viewport()->width() - 2 * doc->documentMargin();
    QTextOption option = doc->defaultTextOption();
    option.setWrapMode(wrap ? QTextOption::WrapAtWordBoundaryOrAnywhere : QTextOption::NoWrap);
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
      const QString text = block.text();
      if (!wrap || text.isEmpty()) {
        lines.push_back(FromQ(text));
        continue;
      }
      QTextLayout rows(text, doc->defaultFont());
      rows.setTextOption(option);
      rows.beginLayout();
      for (QTextLine row = rows.createLine(); row.isValid(); row = rows.createLine()) {
        row.setLineWidth(std::max<qreal>(width, 1));
        lines.push_back(FromQ(text.mid(row.textStart(), row.textLength())));
      }
      rows.endLayout();
    }
    return lines;
  }

private:
  QPlainTextEdit* Memo() const { return As<QPlainTextEdit>(); }

  std::u16string FText;
  bool FWrap = true;
  TMemoScrollBars FBars = TMemoScrollBars::msVertical;
  bool FReadOnly = false;
};

// ---------------------------------------------------------------- buttons

class TQtButton : public TQtChild<TChildButton> {
public:
  explicit TQtButton(TQtControlHost& host)
      : TQtChild(TChildControlKind::ckButton, host, new QPushButton(&host), {QPalette::Button}) {
    As<QPushButton>()->setAutoDefault(false);
    ClickOn(As<QPushButton>(), &QPushButton::clicked);
  }
  void SetCaption(const std::u16string& caption) override {
    FCaption = caption;
    // '&' is shown as itself, not as a mnemonic marker.
    if (auto* b = As<QPushButton>()) b->setText(ToQ(caption).replace(u'&', QStringLiteral("&&")));
  }
  std::u16string Caption() const override { return FCaption; }

private:
  std::u16string FCaption;
};

// A radio button that a click checks but never unchecks; grouping is left
// to its owner.
class TQtRadioWidget : public QRadioButton {
public:
  explicit TQtRadioWidget(QWidget* parent) : QRadioButton(parent) { setAutoExclusive(false); }

protected:
  void nextCheckState() override { setChecked(true); }
};

class TQtToggle : public TQtChild<TChildToggle> {
public:
  TQtToggle(TChildControlKind kind, TQtControlHost& host, QAbstractButton* button)
      : TQtChild(kind, host, button, {QPalette::Window}) {
    ChangeOn(button, &QAbstractButton::toggled);
    ClickOn(button, &QAbstractButton::clicked);
  }
  void SetChecked(bool checked) override {
    FChecked = checked;
    if (auto* b = As<QAbstractButton>()) {
      TQtChildCore::TQuiet quiet(FCore);
      b->setChecked(checked);
    }
  }
  bool Checked() const override {
    auto* b = As<QAbstractButton>();
    return b ? b->isChecked() : FChecked;
  }

private:
  bool FChecked = false;
};

// ---------------------------------------------------------------- lists

class TQtListBox : public TQtChild<TChildListBox> {
public:
  TQtListBox(TQtControlHost& host, TListSelectMode mode)
      : TQtChild(TChildControlKind::ckListBox, host, new QListWidget(&host), {QPalette::Base}),
        FMode(mode) {
    QListWidget* l = List();
    FCore.WatchMouse(l->viewport());
    switch (mode) {
      case TListSelectMode::lsSingle: l->setSelectionMode(QAbstractItemView::SingleSelection); break;
      case TListSelectMode::lsMultiple: l->setSelectionMode(QAbstractItemView::MultiSelection); break;
      case TListSelectMode::lsExtended:
        l->setSelectionMode(QAbstractItemView::ExtendedSelection);
        break;
    }
    // The scroll position counts whole items, so that it names the top one.
    l->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    l->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ChangeOn(l, &QListWidget::itemSelectionChanged);
  }

  void SetItems(const std::vector<std::u16string>& items) override {
    FItems = items;
    QListWidget* l = List();
    if (!l) return;
    TQtChildCore::TQuiet quiet(FCore);
    l->clear();
    for (const auto& item : items) l->addItem(ToQ(item));
    l->setCurrentRow(-1, QItemSelectionModel::Clear);
  }
  std::vector<std::u16string> Items() const override { return FItems; }
  int ItemCount() const override { return static_cast<int>(FItems.size()); }
  void SetItemIndex(int index) override {
    QListWidget* l = List();
    if (!l) return;
    TQtChildCore::TQuiet quiet(FCore);
    if (index < 0 || index >= l->count()) {
      l->clearSelection();
      return;
    }
    l->selectionModel()->setCurrentIndex(l->model()->index(index, 0),
                                         QItemSelectionModel::ClearAndSelect);
  }
  int ItemIndex() const override {
    QListWidget* l = List();
    if (!l) return -1;
    const int current = l->currentRow();
    if (current >= 0 && l->item(current)->isSelected()) return current;
    const std::vector<int> selected = SelectedIndices();
    return selected.empty() ? -1 : selected.front();
  }
  TListSelectMode SelectMode() const override { return FMode; }
  void SetSelected(int index, bool selected) override {
    QListWidget* l = List();
    if (!l || index < 0 || index >= l->count()) return;
    if (FMode == TListSelectMode::lsSingle && selected) {
      SetItemIndex(index);
      return;
    }
    TQtChildCore::TQuiet quiet(FCore);
    l->item(index)->setSelected(selected);
  }
  bool Selected(int index) const override {
    QListWidget* l = List();
    return l && index >= 0 && index < l->count() && l->item(index)->isSelected();
  }
  std::vector<int> SelectedIndices() const override {
    std::vector<int> selected;
    if (QListWidget* l = List())
      for (int i = 0; i < l->count(); ++i)
        if (l->item(i)->isSelected()) selected.push_back(i);
    return selected;
  }
  void ClearSelection() override {
    if (QListWidget* l = List()) {
      TQtChildCore::TQuiet quiet(FCore);
      l->clearSelection();
    }
  }
  void SetTopIndex(int index) override {
    QListWidget* l = List();
    if (!l || index < 0 || index >= l->count()) return;
    l->scrollToItem(l->item(index), QAbstractItemView::PositionAtTop);
  }
  int TopIndex() const override {
    QListWidget* l = List();
    return l ? l->verticalScrollBar()->value() : 0;
  }

private:
  QListWidget* List() const { return As<QListWidget>(); }

  TListSelectMode FMode;
  std::vector<std::u16string> FItems;
};

class TQtComboBox : public TQtChild<TChildComboBox> {
public:
  explicit TQtComboBox(TQtControlHost& host)
      : TQtChild(TChildControlKind::ckComboBox, host, new QComboBox(&host),
                 {QPalette::Base, QPalette::Button}) {
    As<QComboBox>()->setEditable(false);
    ChangeOn(As<QComboBox>(), &QComboBox::currentIndexChanged);
  }

  void SetItems(const std::vector<std::u16string>& items) override {
    FItems = items;
    QComboBox* c = As<QComboBox>();
    if (!c) return;
    TQtChildCore::TQuiet quiet(FCore);
    c->clear();
    for (const auto& item : items) c->addItem(ToQ(item));
    // Qt selects the first item added; nothing is selected yet.
    c->setCurrentIndex(-1);
  }
  std::vector<std::u16string> Items() const override { return FItems; }
  int ItemCount() const override { return static_cast<int>(FItems.size()); }
  void SetItemIndex(int index) override {
    QComboBox* c = As<QComboBox>();
    if (!c) return;
    TQtChildCore::TQuiet quiet(FCore);
    c->setCurrentIndex(index >= 0 && index < c->count() ? index : -1);
  }
  int ItemIndex() const override {
    QComboBox* c = As<QComboBox>();
    return c ? c->currentIndex() : -1;
  }

private:
  std::vector<std::u16string> FItems;
};

class TQtPanel : public TQtChild<TChildPanel> {
public:
  explicit TQtPanel(TQtControlHost& host)
      : TQtChild(TChildControlKind::ckPanel, host, new QWidget(&host), {QPalette::Window}) {}
};

}  // namespace

// ---------------------------------------------------------------- factory

TQtChildControlFactory::TQtChildControlFactory(TQtControlHost& host) : FHost(host) {}

std::unique_ptr<TChildEdit> TQtChildControlFactory::CreateEdit() {
  return std::make_unique<TQtEdit>(FHost);
}

std::unique_ptr<TChildMemo> TQtChildControlFactory::CreateMemo() {
  return std::make_unique<TQtMemo>(FHost);
}

std::unique_ptr<TChildButton> TQtChildControlFactory::CreateButton() {
  return std::make_unique<TQtButton>(FHost);
}

std::unique_ptr<TChildToggle> TQtChildControlFactory::CreateCheckBox() {
  return std::make_unique<TQtToggle>(TChildControlKind::ckCheckBox, FHost, new QCheckBox(&FHost));
}

std::unique_ptr<TChildToggle> TQtChildControlFactory::CreateRadioButton() {
  return std::make_unique<TQtToggle>(TChildControlKind::ckRadioButton, FHost,
                                     new TQtRadioWidget(&FHost));
}

std::unique_ptr<TChildListBox> TQtChildControlFactory::CreateListBox(TListSelectMode mode) {
  return std::make_unique<TQtListBox>(FHost, mode);
}

std::unique_ptr<TChildComboBox> TQtChildControlFactory::CreateComboBox() {
  return std::make_unique<TQtComboBox>(FHost);
}

void TQtChildControlFactory::SetTabOrder(const std::vector<TChildControl*>& order) {
  QWidget* previous = nullptr;
  for (TChildControl* control : order) {
    auto* owner = dynamic_cast<TQtWidgetOwner*>(control);
    QWidget* w = owner ? owner->OwnedWidget() : nullptr;
    if (!w || w->parentWidget() != &FHost) continue;
    if (previous) QWidget::setTabOrder(previous, w);
    previous = w;
  }
}

std::unique_ptr<TChildPanel> TQtChildControlFactory::CreatePanel() {
  return std::make_unique<TQtPanel>(FHost);
}

}  // namespace tav
