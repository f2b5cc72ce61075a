#include "platform/system_values.h"

#include <array>
#include <cstddef>

namespace tav {

namespace {

struct TValues {
  std::array<int, SM_COUNT> Metrics{};
  int WheelLines = 3;
  int DoubleClick = 500;
  int CaretBlink = 530;
  int HintPause = 500;

  TValues() {
    Metrics[SM_CXSCREEN] = 1920;
    Metrics[SM_CYSCREEN] = 1080;
    Metrics[SM_CXVSCROLL] = 17;
    Metrics[SM_CYHSCROLL] = 17;
    Metrics[SM_CXBORDER] = 1;
    Metrics[SM_CYBORDER] = 1;
    Metrics[SM_CYVTHUMB] = 17;
    Metrics[SM_CXHTHUMB] = 17;
    Metrics[SM_CXDOUBLECLK] = 4;
    Metrics[SM_CYDOUBLECLK] = 4;
    Metrics[SM_CXEDGE] = 2;
    Metrics[SM_CYEDGE] = 2;
    Metrics[SM_CXDRAG] = 4;
    Metrics[SM_CYDRAG] = 4;
    Metrics[SM_MOUSEWHEELPRESENT] = 1;
  }
};

TValues& Values() {
  static TValues values;
  return values;
}

}  // namespace

int GetSystemMetrics(int index) {
  if (index < 0 || index >= SM_COUNT) return 0;
  return Values().Metrics[static_cast<std::size_t>(index)];
}

void SetSystemMetric(int index, int value) {
  if (index < 0 || index >= SM_COUNT) return;
  Values().Metrics[static_cast<std::size_t>(index)] = value;
}

int WheelScrollLines() { return Values().WheelLines; }
void SetWheelScrollLines(int lines) { Values().WheelLines = lines; }
int DoubleClickTime() { return Values().DoubleClick; }
void SetDoubleClickTime(int ms) { Values().DoubleClick = ms; }
int CaretBlinkTime() { return Values().CaretBlink; }
void SetCaretBlinkTime(int ms) { Values().CaretBlink = ms; }

int HintPause() { return Values().HintPause; }
void SetHintPause(int ms) { Values().HintPause = ms; }

void ResetSystemValues() { Values() = TValues(); }

}  // namespace tav
