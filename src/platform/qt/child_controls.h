#pragma once
// Native child controls on Qt 6: each kind is a Qt widget inside the widget
// of the host of the control they belong to.
#include <QPointer>

#include "platform/child_controls.h"

namespace tav {

class TQtControlHost;

// Makes QLineEdit, QPlainTextEdit, QPushButton, QCheckBox, QRadioButton
// (not exclusive: the owner groups radio buttons), QListWidget, a
// non-editable QComboBox and a plain QWidget inside one host. The controls
// may outlive the host; they then show nothing and keep their last state.
class TQtChildControlFactory : public TChildControlFactory {
public:
  explicit TQtChildControlFactory(TQtControlHost& host);

  std::unique_ptr<TChildEdit> CreateEdit() override;
  std::unique_ptr<TChildMemo> CreateMemo() override;
  std::unique_ptr<TChildButton> CreateButton() override;
  std::unique_ptr<TChildToggle> CreateCheckBox() override;
  std::unique_ptr<TChildToggle> CreateRadioButton() override;
  std::unique_ptr<TChildListBox> CreateListBox(TListSelectMode mode) override;
  std::unique_ptr<TChildComboBox> CreateComboBox() override;
  std::unique_ptr<TChildPanel> CreatePanel() override;
  void SetTabOrder(const std::vector<TChildControl*>& order) override;

private:
  TQtControlHost& FHost;
};

}  // namespace tav
