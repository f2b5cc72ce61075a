#include "textview/text_view_commands.h"

namespace tav {

namespace {

struct TDefaultStroke {
  int Key;
  TShiftState Shift;
  TTextViewCommand Command;
};

constexpr TShiftState kCtrlShift = ssCtrl | ssShift;

// The default key table, in the order it is searched.
constexpr TDefaultStroke kDefaultStrokes[] = {
    {VK_UP, 0, ecUp},
    {VK_UP, ssShift, ecSelUp},
    {VK_UP, ssCtrl, ecScrollUp},
    {VK_DOWN, 0, ecDown},
    {VK_DOWN, ssShift, ecSelDown},
    {VK_DOWN, ssCtrl, ecScrollDown},
    {VK_LEFT, 0, ecLeft},
    {VK_LEFT, ssShift, ecSelLeft},
    {VK_LEFT, ssCtrl, ecWordLeft},
    {VK_LEFT, kCtrlShift, ecSelWordLeft},
    {VK_RIGHT, 0, ecRight},
    {VK_RIGHT, ssShift, ecSelRight},
    {VK_RIGHT, ssCtrl, ecWordRight},
    {VK_RIGHT, kCtrlShift, ecSelWordRight},
    {VK_NEXT, 0, ecPageDown},
    {VK_NEXT, ssShift, ecSelPageDown},
    {VK_NEXT, ssCtrl, ecPageBottom},
    {VK_NEXT, kCtrlShift, ecSelPageBottom},
    {VK_PRIOR, 0, ecPageUp},
    {VK_PRIOR, ssShift, ecSelPageUp},
    {VK_PRIOR, ssCtrl, ecPageTop},
    {VK_PRIOR, kCtrlShift, ecSelPageTop},
    {VK_HOME, 0, ecLineStart},
    {VK_HOME, ssShift, ecSelLineStart},
    {VK_HOME, ssCtrl, ecEditorTop},
    {VK_HOME, kCtrlShift, ecSelEditorTop},
    {VK_END, 0, ecLineEnd},
    {VK_END, ssShift, ecSelLineEnd},
    {VK_END, ssCtrl, ecEditorBottom},
    {VK_END, kCtrlShift, ecSelEditorBottom},
    {VK_INSERT, 0, ecToggleMode},
    {VK_INSERT, ssShift, ecPaste},
    {VK_INSERT, ssCtrl, ecCopy},
    {VK_DELETE, 0, ecDeleteChar},
    {VK_DELETE, ssShift, ecCut},
    {VK_BACK, 0, ecDeleteLastChar},
    {VK_BACK, ssShift, ecDeleteLastChar},
    {VK_BACK, ssCtrl, ecDeleteLastWord},
    {VK_BACK, ssAlt, ecUndo},
    {VK_BACK, ssAlt | ssShift, ecRedo},
    {VK_RETURN, 0, ecLineBreak},
    {VK_RETURN, ssShift, ecLineBreak},
    {VK_TAB, 0, ecTab},
    {VK_TAB, ssShift, ecShiftTab},
    {VK_F1, 0, ecContextHelp},
    {'A', ssCtrl, ecSelectAll},
    {'B', kCtrlShift, ecMatchBracket},
    {'C', ssCtrl, ecCopy},
    {'C', kCtrlShift, ecColumnSelect},
    {'I', kCtrlShift, ecBlockIndent},
    {'L', kCtrlShift, ecLineSelect},
    {'M', ssCtrl, ecLineBreak},
    {'N', ssCtrl, ecInsertLine},
    {'N', kCtrlShift, ecNormalSelect},
    {'T', ssCtrl, ecDeleteWord},
    {'U', kCtrlShift, ecBlockUnindent},
    {'V', ssCtrl, ecPaste},
    {'X', ssCtrl, ecCut},
    {'Y', ssCtrl, ecDeleteLine},
    {'Y', kCtrlShift, ecDeleteEOL},
    {'Z', ssCtrl, ecUndo},
    {'Z', kCtrlShift, ecRedo},
};

}  // namespace

void TTextViewKeyStrokes::ResetDefaults() {
  FItems.clear();
  for (const TDefaultStroke& s : kDefaultStrokes) FItems.push_back({s.Key, s.Shift, 0, 0, s.Command});
  for (int digit = 0; digit <= 9; ++digit) {
    const auto offset = static_cast<TTextViewCommand>(digit);
    FItems.push_back({'0' + digit, ssCtrl, 0, 0, static_cast<TTextViewCommand>(ecGotoMarker0 + offset)});
    FItems.push_back(
        {'0' + digit, kCtrlShift, 0, 0, static_cast<TTextViewCommand>(ecSetMarker0 + offset)});
  }
}

int TTextViewKeyStrokes::FindKeycode(int key, TShiftState shift) const {
  for (std::size_t i = 0; i < FItems.size(); ++i)
    if (FItems[i].Key2 == 0 && FItems[i].Key == key && FItems[i].Shift == shift)
      return static_cast<int>(i);
  return -1;
}

int TTextViewKeyStrokes::FindKeycode2(int key1, TShiftState shift1, int key2,
                                      TShiftState shift2) const {
  for (std::size_t i = 0; i < FItems.size(); ++i) {
    const TTextViewKeyStroke& s = FItems[i];
    if (s.Key2 != 0 && s.Key == key1 && s.Shift == shift1 && s.Key2 == key2 && s.Shift2 == shift2)
      return static_cast<int>(i);
  }
  return -1;
}

}  // namespace tav
