#pragma once

namespace tav {

// System metrics by number.
enum TSystemMetric : int {
  SM_CXSCREEN = 0,
  SM_CYSCREEN = 1,
  SM_CXVSCROLL = 2,   // width of a vertical scroll bar
  SM_CYHSCROLL = 3,   // height of a horizontal scroll bar
  SM_CXBORDER = 5,
  SM_CYBORDER = 6,
  SM_CYVTHUMB = 9,
  SM_CXHTHUMB = 10,
  SM_CXDOUBLECLK = 36,
  SM_CYDOUBLECLK = 37,
  SM_CXEDGE = 45,
  SM_CYEDGE = 46,
  SM_CXDRAG = 68,
  SM_CYDRAG = 69,
  SM_MOUSEWHEELPRESENT = 75,
  SM_COUNT = 100
};

// The value of a system metric; 0 for an unknown number.
int GetSystemMetrics(int index);
void SetSystemMetric(int index, int value);

// Lines scrolled by one wheel notch (one notch is a delta of 120).
int WheelScrollLines();
void SetWheelScrollLines(int lines);

// Milliseconds between two clicks that make a double click, and the caret's
// blink period (0 = no blinking).
int DoubleClickTime();
void SetDoubleClickTime(int ms);
int CaretBlinkTime();
void SetCaretBlinkTime(int ms);

// Milliseconds the mouse rests on something before its hint shows.
int HintPause();
void SetHintPause(int ms);

// Back to the built-in values (for tests that changed them).
void ResetSystemValues();

constexpr int WHEEL_DELTA = 120;

}  // namespace tav
