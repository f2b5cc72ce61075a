#pragma once
// An object of the page that is a native window of the view (a form
// control, a panel): a paint that reaches it records where it goes, and it
// is moved and shown after the paint, never inside it.
namespace tav {

class TWindowObject {
public:
  virtual ~TWindowObject() = default;
  // Moves the window to (x, y) of the view's window and shows it.
  virtual void ShowAt(int x, int y) = 0;
  virtual void HideWindow() = 0;
};

}  // namespace tav
