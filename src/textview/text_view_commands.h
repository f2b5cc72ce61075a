#pragma once
// Editor commands and the key table that turns key presses into them.
#include <cstdint>
#include <vector>

#include "platform/keys.h"

namespace tav {

using TTextViewCommand = std::uint16_t;

constexpr TTextViewCommand ecNone = 0;
constexpr TTextViewCommand ecLeft = 1;
constexpr TTextViewCommand ecRight = 2;
constexpr TTextViewCommand ecUp = 3;
constexpr TTextViewCommand ecDown = 4;
constexpr TTextViewCommand ecWordLeft = 5;
constexpr TTextViewCommand ecWordRight = 6;
constexpr TTextViewCommand ecLineStart = 7;
constexpr TTextViewCommand ecLineEnd = 8;
constexpr TTextViewCommand ecPageUp = 9;
constexpr TTextViewCommand ecPageDown = 10;
constexpr TTextViewCommand ecPageLeft = 11;
constexpr TTextViewCommand ecPageRight = 12;
constexpr TTextViewCommand ecPageTop = 13;
constexpr TTextViewCommand ecPageBottom = 14;
constexpr TTextViewCommand ecEditorTop = 15;
constexpr TTextViewCommand ecEditorBottom = 16;
constexpr TTextViewCommand ecGotoXY = 17;
// The selecting variant of a move is its code plus ecSelection.
constexpr TTextViewCommand ecSelection = 100;
constexpr TTextViewCommand ecSelLeft = ecLeft + ecSelection;
constexpr TTextViewCommand ecSelRight = ecRight + ecSelection;
constexpr TTextViewCommand ecSelUp = ecUp + ecSelection;
constexpr TTextViewCommand ecSelDown = ecDown + ecSelection;
constexpr TTextViewCommand ecSelWordLeft = ecWordLeft + ecSelection;
constexpr TTextViewCommand ecSelWordRight = ecWordRight + ecSelection;
constexpr TTextViewCommand ecSelLineStart = ecLineStart + ecSelection;
constexpr TTextViewCommand ecSelLineEnd = ecLineEnd + ecSelection;
constexpr TTextViewCommand ecSelPageUp = ecPageUp + ecSelection;
constexpr TTextViewCommand ecSelPageDown = ecPageDown + ecSelection;
constexpr TTextViewCommand ecSelPageLeft = ecPageLeft + ecSelection;
constexpr TTextViewCommand ecSelPageRight = ecPageRight + ecSelection;
constexpr TTextViewCommand ecSelPageTop = ecPageTop + ecSelection;
constexpr TTextViewCommand ecSelPageBottom = ecPageBottom + ecSelection;
constexpr TTextViewCommand ecSelEditorTop = ecEditorTop + ecSelection;
constexpr TTextViewCommand ecSelEditorBottom = ecEditorBottom + ecSelection;
constexpr TTextViewCommand ecSelGotoXY = ecGotoXY + ecSelection;
constexpr TTextViewCommand ecSelWord = 198;
constexpr TTextViewCommand ecSelectAll = 199;
constexpr TTextViewCommand ecCopy = 201;
constexpr TTextViewCommand ecScrollUp = 211;
constexpr TTextViewCommand ecScrollDown = 212;
constexpr TTextViewCommand ecScrollLeft = 213;
constexpr TTextViewCommand ecScrollRight = 214;
constexpr TTextViewCommand ecInsertMode = 221;
constexpr TTextViewCommand ecOverwriteMode = 222;
constexpr TTextViewCommand ecToggleMode = 223;
constexpr TTextViewCommand ecNormalSelect = 231;
constexpr TTextViewCommand ecColumnSelect = 232;
constexpr TTextViewCommand ecLineSelect = 233;
constexpr TTextViewCommand ecMatchBracket = 250;
constexpr TTextViewCommand ecCommentBlock = 251;
constexpr TTextViewCommand ecGotoMarker0 = 301;  // .. ecGotoMarker9 = 310
constexpr TTextViewCommand ecSetMarker0 = 351;   // .. ecSetMarker9 = 360
// Focus gain and loss travel the command path too; the view ignores them.
constexpr TTextViewCommand ecGotFocus = 480;
constexpr TTextViewCommand ecLostFocus = 481;
constexpr TTextViewCommand ecContextHelp = 490;
constexpr TTextViewCommand ecDeleteLastChar = 501;
constexpr TTextViewCommand ecDeleteChar = 502;
constexpr TTextViewCommand ecDeleteWord = 503;
constexpr TTextViewCommand ecDeleteLastWord = 504;
constexpr TTextViewCommand ecDeleteBOL = 505;
constexpr TTextViewCommand ecDeleteEOL = 506;
constexpr TTextViewCommand ecDeleteLine = 507;
constexpr TTextViewCommand ecClearAll = 508;
constexpr TTextViewCommand ecLineBreak = 509;
constexpr TTextViewCommand ecInsertLine = 510;
constexpr TTextViewCommand ecChar = 511;
constexpr TTextViewCommand ecImeStr = 550;
constexpr TTextViewCommand ecUndo = 601;
constexpr TTextViewCommand ecRedo = 602;
constexpr TTextViewCommand ecCut = 603;
constexpr TTextViewCommand ecPaste = 604;
constexpr TTextViewCommand ecBlockIndent = 610;
constexpr TTextViewCommand ecBlockUnindent = 611;
constexpr TTextViewCommand ecTab = 612;
constexpr TTextViewCommand ecShiftTab = 613;
constexpr TTextViewCommand ecUpperCase = 620;
constexpr TTextViewCommand ecLowerCase = 621;
constexpr TTextViewCommand ecToggleCase = 622;
constexpr TTextViewCommand ecTitleCase = 623;
constexpr TTextViewCommand ecUpperCaseBlock = 625;
constexpr TTextViewCommand ecLowerCaseBlock = 626;
constexpr TTextViewCommand ecToggleCaseBlock = 627;
constexpr TTextViewCommand ecString = 630;
constexpr TTextViewCommand ecAutoCompletion = 650;
constexpr TTextViewCommand ecUserFirst = 1001;

// One entry of the key table: a key with its modifiers, optionally followed
// by a second key (a two-key sequence), and the command it gives.
struct TTextViewKeyStroke {
  int Key = 0;
  TShiftState Shift = 0;
  int Key2 = 0;  // 0: a one-key entry
  TShiftState Shift2 = 0;
  TTextViewCommand Command = ecNone;
};

class TTextViewKeyStrokes {
 public:
  // The view's default table.
  TTextViewKeyStrokes() { ResetDefaults(); }
  void ResetDefaults();
  void Clear() { FItems.clear(); }
  void Add(const TTextViewKeyStroke& stroke) { FItems.push_back(stroke); }
  const std::vector<TTextViewKeyStroke>& Items() const { return FItems; }
  // The first one-key entry for key and shift; -1 when there is none.
  int FindKeycode(int key, TShiftState shift) const;
  // The first two-key entry for the two keys; -1 when there is none.
  int FindKeycode2(int key1, TShiftState shift1, int key2, TShiftState shift2) const;

 private:
  std::vector<TTextViewKeyStroke> FItems;
};

}  // namespace tav
