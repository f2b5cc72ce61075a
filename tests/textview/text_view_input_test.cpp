// Keys, caret moves, selection, mouse and copying on a view as the window
// sets it up, on the fake window system and the in-memory clipboard.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/clipboard.h"
#include "platform/system_values.h"
#include "platform/testing/fake_window_host.h"
#include "platform/testing/fixed_metrics_device.h"
#include "textview/text_view.h"
#include "textview/uri_highlighter.h"
#include "util/code_page.h"

namespace tav {
namespace {

using test::TFakeWindowHost;

struct TKey {
  int key;
  TShiftState shift;
};

class TextViewInput : public ::testing::Test {
 protected:
  TextViewInput() {
    SetClipboard(clipboard);
    TTextViewFont font;
    font.Desc.Face = u"Courier New";
    font.Desc.Height = -13;
    view.SetFont(font);
    view.Gutter().SetShowLineNumbers(true);
    view.Gutter().SetLeftOffset(2);
    view.SetHighlighter(&highlighter);
    view.SetWordWrap(true);
    view.SetRightEdge(1024);
    view.SetScrollBars(TScrollStyle::ssVertical);
    view.SetReadOnly(true);
    view.SetWantReturns(false);
    view.SetInsertMode(false);
    host = std::make_unique<TFakeWindowHost>(device, view);
    view.SetBounds(MakeRect(0, 0, 400, 200));
  }
  ~TextViewInput() override { SetClipboard(nullptr); }

  // Exactly `cells` whole cells of text per row.
  void SetCellsInWindow(int cells, int height = 200) {
    const int chrome = view.Width() - view.ClientWidth();
    view.SetBounds(
        MakeRect(0, 0, chrome + view.GutterWidth() + 2 + cells * view.CharWidth(), height));
    ASSERT_EQ(view.CharsInWindow(), cells);
  }
  void Press(std::initializer_list<TKey> keys) {
    for (TKey k : keys) {
      int key = k.key;
      view.KeyDown(key, k.shift);
    }
  }
  // Client pixels inside a cell (1-based column and row on the screen grid).
  TPoint Cell(int column, int row) const {
    const TPoint p = view.RowColumnToPixels({column, row});
    return {p.X + 1, p.Y + 1};
  }
  std::string BlockBytes() {
    return clipboard->GetData(clipboard->RegisterFormat(u"TextView Control Block Type"));
  }
  std::vector<std::string> Invalidations() {
    std::vector<std::string> result;
    for (const std::string& line : host->Log())
      if (line.rfind("invalidate", 0) == 0) result.push_back(line);
    return result;
  }

  std::shared_ptr<TMemoryClipboard> clipboard = std::make_shared<TMemoryClipboard>();
  TFixedMetricsDevice device;
  TURIHighlighter highlighter;
  TTextView view;
  std::unique_ptr<TFakeWindowHost> host;
};

// ---- the key table ----------------------------------------------------------

TEST_F(TextViewInput, DefaultKeysGiveTheirCommands) {
  constexpr TShiftState S = ssShift, C = ssCtrl, A = ssAlt, CS = ssCtrl | ssShift;
  struct Case {
    int key;
    TShiftState shift;
    TTextViewCommand command;
  } cases[] = {
      {VK_UP, 0, ecUp}, {VK_UP, S, ecSelUp}, {VK_UP, C, ecScrollUp},
      {VK_DOWN, 0, ecDown}, {VK_DOWN, S, ecSelDown}, {VK_DOWN, C, ecScrollDown},
      {VK_LEFT, 0, ecLeft}, {VK_LEFT, S, ecSelLeft}, {VK_LEFT, C, ecWordLeft},
      {VK_LEFT, CS, ecSelWordLeft}, {VK_RIGHT, 0, ecRight}, {VK_RIGHT, S, ecSelRight},
      {VK_RIGHT, C, ecWordRight}, {VK_RIGHT, CS, ecSelWordRight},
      {VK_NEXT, 0, ecPageDown}, {VK_NEXT, S, ecSelPageDown}, {VK_NEXT, C, ecPageBottom},
      {VK_NEXT, CS, ecSelPageBottom}, {VK_PRIOR, 0, ecPageUp}, {VK_PRIOR, S, ecSelPageUp},
      {VK_PRIOR, C, ecPageTop}, {VK_PRIOR, CS, ecSelPageTop},
      {VK_HOME, 0, ecLineStart}, {VK_HOME, S, ecSelLineStart}, {VK_HOME, C, ecEditorTop},
      {VK_HOME, CS, ecSelEditorTop}, {VK_END, 0, ecLineEnd}, {VK_END, S, ecSelLineEnd},
      {VK_END, C, ecEditorBottom}, {VK_END, CS, ecSelEditorBottom},
      {VK_INSERT, 0, ecToggleMode}, {VK_INSERT, S, ecPaste}, {VK_INSERT, C, ecCopy},
      {VK_DELETE, 0, ecDeleteChar}, {VK_DELETE, S, ecCut},
      {VK_BACK, 0, ecDeleteLastChar}, {VK_BACK, S, ecDeleteLastChar},
      {VK_BACK, C, ecDeleteLastWord}, {VK_BACK, A, ecUndo}, {VK_BACK, A | S, ecRedo},
      {VK_RETURN, 0, ecLineBreak}, {VK_RETURN, S, ecLineBreak},
      {VK_TAB, 0, ecTab}, {VK_TAB, S, ecShiftTab}, {VK_F1, 0, ecContextHelp},
      {'A', C, ecSelectAll}, {'B', CS, ecMatchBracket}, {'C', C, ecCopy},
      {'C', CS, ecColumnSelect}, {'I', CS, ecBlockIndent}, {'L', CS, ecLineSelect},
      {'M', C, ecLineBreak}, {'N', C, ecInsertLine}, {'N', CS, ecNormalSelect},
      {'T', C, ecDeleteWord}, {'U', CS, ecBlockUnindent}, {'V', C, ecPaste},
      {'X', C, ecCut}, {'Y', C, ecDeleteLine}, {'Y', CS, ecDeleteEOL},
      {'Z', C, ecUndo}, {'Z', CS, ecRedo},
      {'0', C, ecGotoMarker0}, {'9', C, 310}, {'0', CS, ecSetMarker0}, {'9', CS, 360},
      // Keys the table leaves to the window.
      {VK_TAB, C, ecNone}, {VK_ESCAPE, 0, ecNone}, {'A', 0, ecNone}, {'B', C, ecNone},
  };
  TTextViewCommand seen = ecNone;
  view.SetOnProcessCommand([&](TCustomTextView&, TTextViewCommand& command, char16_t&, void*) {
    seen = command;
    command = ecNone;  // only looking
  });
  for (const Case& c : cases) {
    seen = ecNone;
    int key = c.key;
    view.KeyDown(key, c.shift);
    EXPECT_EQ(seen, c.command) << "key " << c.key << " shift " << c.shift;
    // A key that gave a command is consumed; others go on to the window.
    EXPECT_EQ(key, c.command == ecNone ? c.key : 0) << "key " << c.key;
  }
}

TEST_F(TextViewInput, TwoKeySequenceFiresOnlyAfterItsFirstKey) {
  constexpr TTextViewCommand kUser = ecUserFirst + 7;
  view.Keystrokes().Add({'K', ssCtrl, 'B', ssCtrl, kUser});
  std::vector<TTextViewCommand> seen;
  view.SetOnProcessUserCommand(
      [&](TCustomTextView&, TTextViewCommand& command, char16_t&, void*) { seen.push_back(command); });
  struct Case {
    const char* what;
    std::vector<TKey> keys;
    bool fires;
  } cases[] = {
      {"first then second", {{'K', ssCtrl}, {'B', ssCtrl}}, true},
      {"second alone", {{'B', ssCtrl}}, false},
      {"second with other modifiers", {{'K', ssCtrl}, {'B', ssCtrl | ssShift}}, false},
      {"first twice, then second", {{'K', ssCtrl}, {'K', ssCtrl}, {'B', ssCtrl}}, true},
      // A key outside 30..145 (Ctrl itself) clears the remembered key.
      {"modifier key between", {{'K', ssCtrl}, {VK_CONTROL, ssCtrl}, {'B', ssCtrl}}, false},
      // So does a key that gave a command.
      {"command between", {{'K', ssCtrl}, {VK_RIGHT, 0}, {'B', ssCtrl}}, false},
      {"other plain key between", {{'K', ssCtrl}, {'Q', 0}, {'B', ssCtrl}}, false},
  };
  for (const Case& c : cases) {
    seen.clear();
    int escape = VK_SHIFT;  // forget what the previous case left
    view.KeyDown(escape, 0);
    for (TKey k : c.keys) {
      int key = k.key;
      view.KeyDown(key, k.shift);
    }
    EXPECT_EQ(seen, c.fires ? std::vector<TTextViewCommand>{kUser} : std::vector<TTextViewCommand>{})
        << c.what;
  }
}

TEST_F(TextViewInput, CharacterAfterACommandKeyIsSwallowed) {
  std::vector<TTextViewCommand> seen;
  view.SetOnProcessCommand([&](TCustomTextView&, TTextViewCommand& command, char16_t& ch, void*) {
    if (command == ecChar) seen.push_back(ch);
  });
  int key = 'A';
  view.KeyDown(key, ssCtrl);  // select all: its character (Ctrl+A = 1) is swallowed
  char16_t ch = 1;
  view.KeyPress(ch);
  EXPECT_EQ(ch, 0);
  EXPECT_TRUE(seen.empty());
  // A key without a command lets its character through as ecChar.
  key = 'Q';
  view.KeyDown(key, 0);
  ch = u'q';
  view.KeyPress(ch);
  EXPECT_EQ(seen, std::vector<TTextViewCommand>{u'q'});
  // A command key whose character never came does not swallow a later one.
  key = VK_RIGHT;
  view.KeyDown(key, 0);
  key = 'W';
  view.KeyDown(key, 0);
  ch = u'w';
  view.KeyPress(ch);
  EXPECT_EQ(seen.back(), u'w');
}

TEST_F(TextViewInput, CommandPathRunsHandlersAroundTheViewAndCanBeStopped) {
  view.Lines().SetText(u"abc");
  std::vector<std::string> log;
  view.RegisterCommandHandler(
      [&](TCustomTextView& v, bool after, bool&, TTextViewCommand& command, char16_t&, void*,
          void* data) {
        log.push_back(std::string(after ? "after " : "before ") + static_cast<const char*>(data) +
                      " caret " + std::to_string(v.CaretX()));
        if (command == ecLeft) command = ecNone;
      },
      const_cast<char*>("h"));
  view.SetOnCommandProcessed([&](TCustomTextView&, TTextViewCommand& command, char16_t&, void*) {
    log.push_back("processed " + std::to_string(command));
  });
  Press({{VK_RIGHT, 0}});
  EXPECT_EQ(log, (std::vector<std::string>{"before h caret 1", "after h caret 2", "processed 2"}));
  log.clear();
  Press({{VK_LEFT, 0}});  // the handler clears it: the view does not move
  EXPECT_EQ(log, (std::vector<std::string>{"before h caret 2", "processed 0"}));
  EXPECT_EQ(view.CaretX(), 2);
}

// ---- read-only --------------------------------------------------------------

TEST_F(TextViewInput, EditingKeysAndTypingChangeNothing) {
  view.Lines().SetText(u"first line\nsecond\nthird");
  Press({{VK_RIGHT, 0}, {VK_RIGHT, ssShift}, {VK_DOWN, ssShift}});
  const TBufferCoord begin = view.BlockBegin(), end = view.BlockEnd(), caret = view.CaretXY();
  ASSERT_TRUE(view.SelAvail());
  clipboard->SetText(u"pasted?");
  const TKey keys[] = {{VK_RETURN, 0}, {VK_RETURN, ssShift}, {VK_BACK, 0}, {VK_BACK, ssCtrl},
                       {VK_BACK, ssAlt}, {VK_DELETE, 0}, {VK_DELETE, ssShift},
                       {VK_INSERT, ssShift}, {'V', ssCtrl}, {'X', ssCtrl}, {'Z', ssCtrl},
                       {'Z', ssCtrl | ssShift}, {'Y', ssCtrl}, {'Y', ssCtrl | ssShift},
                       {'T', ssCtrl}, {'N', ssCtrl}, {'M', ssCtrl}, {'I', ssCtrl | ssShift},
                       {'U', ssCtrl | ssShift}, {VK_TAB, 0}, {VK_TAB, ssShift}};
  for (TKey k : keys) {
    int key = k.key;
    view.KeyDown(key, k.shift);
    char16_t ch = u'x';
    view.KeyPress(ch);
  }
  for (char16_t c : std::u16string(u"typed \r\t\x08")) {
    int key = 'Q';
    view.KeyDown(key, 0);
    view.KeyPress(c);
  }
  view.CutRequest();
  view.PasteRequest();
  view.ClearRequest();
  view.UndoRequest();
  EXPECT_EQ(view.Lines().Text(), u"first line\r\nsecond\r\nthird");
  // A buffer change would have collapsed the selection.
  EXPECT_EQ(view.BlockBegin(), begin);
  EXPECT_EQ(view.BlockEnd(), end);
  EXPECT_EQ(view.CaretXY(), caret);
  EXPECT_EQ(clipboard->GetText(), u"pasted?");  // cut copied nothing
}

TEST_F(TextViewInput, ArrowsAndCharactersAreAllTheViewAsksFor) {
  EXPECT_EQ(view.WantedKeys(), DLGC_WANTARROWS | DLGC_WANTCHARS);
  view.SetWantTabs(true);
  view.SetWantReturns(true);
  EXPECT_EQ(view.WantedKeys(), DLGC_WANTARROWS | DLGC_WANTCHARS | DLGC_WANTTAB | DLGC_WANTALLKEYS);
}

// ---- caret moves ------------------------------------------------------------

TEST_F(TextViewInput, LeftAndRightAtAWrappedRowBoundary) {
  SetCellsInWindow(10);
  view.Lines().SetText(u"aaaaaaaaaabbbbbbbbbbcc");  // rows of 10, 10 and 2 cells
  struct Step {
    TKey key;
    TBufferCoord caret;
    bool atEol;
    TDisplayCoord shown;
  } steps[] = {
      // Right onto the boundary: shown at the end of the upper row.
      {{VK_RIGHT, 0}, {11, 1}, true, {11, 1}},
      // Right again: the same character, now at the start of the lower row.
      {{VK_RIGHT, 0}, {11, 1}, false, {1, 2}},
      {{VK_RIGHT, 0}, {12, 1}, false, {2, 2}},
      {{VK_LEFT, 0}, {11, 1}, false, {1, 2}},
      // Left at a continuation row's start: the end of the row above.
      {{VK_LEFT, 0}, {11, 1}, true, {11, 1}},
      {{VK_LEFT, 0}, {10, 1}, false, {10, 1}},
  };
  view.SetCaretXY({10, 1});
  for (const Step& s : steps) {
    Press({s.key});
    EXPECT_EQ(view.CaretXY(), s.caret) << "step " << (&s - steps);
    EXPECT_EQ(view.CaretAtEOL(), s.atEol) << "step " << (&s - steps);
    EXPECT_EQ(view.CaretDisplayPos(), s.shown) << "step " << (&s - steps);
  }
  // Past the line's end the caret goes on into virtual space.
  view.SetCaretXY({23, 1});
  Press({{VK_RIGHT, 0}});
  EXPECT_EQ(view.CaretXY(), (TBufferCoord{24, 1}));
}

// Left and Right step over whole characters: a surrogate pair, and a base
// character with the combining marks drawn over it.
TEST_F(TextViewInput, ArrowsStepOverWholeCharacters) {
  view.Lines().SetText(u"e\u0301\u0308x\U0001F600y\n\u0301z");
  view.SetCaretXY({1, 1});
  for (int expected : {4, 5, 7, 8}) {
    Press({{VK_RIGHT, 0}});
    EXPECT_EQ(view.CaretX(), expected);
  }
  for (int expected : {7, 5, 4, 1}) {
    Press({{VK_LEFT, 0}});
    EXPECT_EQ(view.CaretX(), expected);
  }
  // A mark that starts a line is a character of its own.
  view.SetCaretXY({1, 2});
  Press({{VK_RIGHT, 0}});
  EXPECT_EQ(view.CaretXY(), (TBufferCoord{2, 2}));
}

TEST_F(TextViewInput, VerticalMovesGoByDisplayRows) {
  SetCellsInWindow(10);
  view.Lines().SetText(u"aaaaaaaaaabbbbbbbbbbcc\nshort");
  view.SetCaretXY({5, 1});
  // Shift+Down inside the wrapped line: the same column a row lower, the
  // same buffer line.
  Press({{VK_DOWN, ssShift}});
  EXPECT_EQ(view.CaretXY(), (TBufferCoord{15, 1}));
  EXPECT_EQ(view.BlockBegin(), (TBufferCoord{5, 1}));
  EXPECT_EQ(view.BlockEnd(), (TBufferCoord{15, 1}));
  Press({{VK_DOWN, 0}});
  EXPECT_EQ(view.CaretXY(), (TBufferCoord{25, 1}));  // the last row, past its end
  EXPECT_FALSE(view.SelAvail());
  Press({{VK_DOWN, 0}, {VK_DOWN, 0}});  // the last row of the buffer holds the caret
  EXPECT_EQ(view.CaretXY(), (TBufferCoord{5, 2}));
  // From the end of an upper row down: the end of the next row.
  view.SetCaretXY({10, 1});
  Press({{VK_RIGHT, 0}, {VK_DOWN, 0}});
  EXPECT_EQ(view.CaretXY(), (TBufferCoord{21, 1}));
  EXPECT_TRUE(view.CaretAtEOL());
  EXPECT_EQ(view.CaretDisplayPos(), (TDisplayCoord{11, 2}));
  Press({{VK_UP, 0}, {VK_UP, 0}, {VK_UP, 0}});
  EXPECT_EQ(view.CaretXY(), (TBufferCoord{11, 1}));
  EXPECT_EQ(view.CaretDisplayPos(), (TDisplayCoord{11, 1}));
}

TEST_F(TextViewInput, HomeAndEndOnRowsAndLines) {
  SetCellsInWindow(10);
  view.Lines().SetText(u"aaaaaaaaaabbbbbbbbbbcc  \nx");  // rows of 10, 10 and 4 cells
  struct Case {
    TBufferCoord from;
    TKey key;
    TBufferCoord to;
    bool atEol;
  } cases[] = {
      {{13, 1}, {VK_HOME, 0}, {11, 1}, false},  // the row's start
      {{3, 1}, {VK_HOME, 0}, {1, 1}, false},
      // Not on the last non-blank row: the row's end, shown on that row.
      {{3, 1}, {VK_END, 0}, {11, 1}, true},
      // On it: after the last non-blank character, then the real line end.
      {{21, 1}, {VK_END, 0}, {23, 1}, false},
      {{23, 1}, {VK_END, 0}, {25, 1}, false},
      {{13, 1}, {VK_HOME, ssCtrl}, {1, 1}, false},
      {{3, 1}, {VK_END, ssCtrl}, {2, 2}, false},
  };
  for (const Case& c : cases) {
    view.SetCaretXY(c.from);
    Press({c.key});
    EXPECT_EQ(view.CaretXY(), c.to) << "from " << c.from.Char << "," << c.from.Line;
    EXPECT_EQ(view.CaretAtEOL(), c.atEol) << "from " << c.from.Char << "," << c.from.Line;
  }
  // Shift+End selects to the row's end.
  view.SetCaretXY({3, 1});
  Press({{VK_END, ssShift}});
  EXPECT_EQ(view.GetSelText(), u"aaaaaaaa");
}

TEST_F(TextViewInput, WordMovesAcrossLineEndsAndALink) {
  view.Lines().SetText(u"see http://ex.com/a_b now\n  next");
  // Identifier characters are letters and digits; ':' '/' '.' and ' ' break
  // words, '_' does neither.
  const int right[] = {5, 12, 15, 19, 23, 26};
  view.SetCaretXY({1, 1});
  for (int expected : right) {
    Press({{VK_RIGHT, ssCtrl}});
    EXPECT_EQ(view.CaretXY(), (TBufferCoord{expected, 1}));
  }
  Press({{VK_RIGHT, ssCtrl}});  // at the line end: the next line's first word
  EXPECT_EQ(view.CaretXY(), (TBufferCoord{3, 2}));
  Press({{VK_RIGHT, ssCtrl}, {VK_RIGHT, ssCtrl}});  // the last line keeps it
  EXPECT_EQ(view.CaretXY(), (TBufferCoord{7, 2}));
  Press({{VK_LEFT, ssCtrl}});
  EXPECT_EQ(view.CaretXY(), (TBufferCoord{3, 2}));
  Press({{VK_LEFT, ssCtrl}});  // no word before: the previous line's end
  EXPECT_EQ(view.CaretXY(), (TBufferCoord{26, 1}));
  const int left[] = {23, 19, 15, 12, 5, 1};
  for (int expected : left) {
    Press({{VK_LEFT, ssCtrl}});
    EXPECT_EQ(view.CaretXY(), (TBufferCoord{expected, 1}));
  }
  Press({{VK_LEFT, ssCtrl}});
  EXPECT_EQ(view.CaretXY(), (TBufferCoord{1, 1}));
  // Ctrl+Shift selects the words passed.
  Press({{VK_RIGHT, ssCtrl | ssShift}, {VK_RIGHT, ssCtrl | ssShift}});
  EXPECT_EQ(view.GetSelText(), u"see http://");
}

TEST_F(TextViewInput, PagesAndScrollingMoveTheCaretWithTheWindow) {
  std::u16string text;
  for (int i = 1; i <= 40; ++i) text += u"line " + std::u16string(1, u'a' + i % 26) + u"\n";
  view.Lines().SetText(text);
  const int page = view.LinesInWindow();
  ASSERT_GT(page, 3);
  Press({{VK_NEXT, 0}});
  EXPECT_EQ(view.TopLine(), 1 + page);
  EXPECT_EQ(view.CaretY(), 1 + page);
  Press({{VK_NEXT, ssShift}});
  EXPECT_EQ(view.CaretY(), 1 + 2 * page);
  EXPECT_EQ(view.BlockBegin(), (TBufferCoord{1, 1 + page}));
  Press({{VK_PRIOR, 0}});
  EXPECT_EQ(view.CaretY(), 1 + page);
  EXPECT_FALSE(view.SelAvail());
  Press({{VK_NEXT, ssCtrl}});  // the window's last whole row
  EXPECT_EQ(view.CaretY(), view.TopLine() + page - 1);
  Press({{VK_PRIOR, ssCtrl}});
  EXPECT_EQ(view.CaretY(), view.TopLine());
  // Ctrl+Down scrolls; the caret on the top row is pulled along.
  const int top = view.TopLine();
  Press({{VK_DOWN, ssCtrl}});
  EXPECT_EQ(view.TopLine(), top + 1);
  EXPECT_EQ(view.CaretY(), top + 1);
  Press({{VK_UP, ssCtrl}});
  EXPECT_EQ(view.TopLine(), top);
  EXPECT_EQ(view.CaretY(), top + 1);  // still inside the window: stays
}

TEST_F(TextViewInput, EmptyBufferKeepsTheCaretAtTheStart) {
  view.Lines().Clear();
  for (TKey k : {TKey{VK_DOWN, 0}, {VK_UP, 0}, {VK_END, 0}, {VK_NEXT, 0}, {VK_END, ssCtrl},
                 {VK_RIGHT, ssCtrl}, {VK_LEFT, ssCtrl}, {'A', ssCtrl}}) {
    Press({k});
    EXPECT_EQ(view.CaretY(), 1);
  }
  EXPECT_FALSE(view.SelAvail());
}

// ---- selection ends ---------------------------------------------------------

TEST_F(TextViewInput, BlockEndsAreOrderedAndClamped) {
  view.Lines().SetText(u"abc\nde");
  view.SetBlockBegin({3, 2});
  view.SetBlockEnd({2, 1});
  EXPECT_EQ(view.BlockBegin(), (TBufferCoord{2, 1}));
  EXPECT_EQ(view.BlockEnd(), (TBufferCoord{3, 2}));
  EXPECT_EQ(view.GetSelText(), u"bc\r\nde");
  // Normal mode: within the line; the line within the buffer.
  view.SetBlockBegin({0, 0});
  EXPECT_EQ(view.BlockBegin(), (TBufferCoord{1, 1}));
  view.SetBlockEnd({40, 9});
  EXPECT_EQ(view.BlockEnd(), (TBufferCoord{3, 2}));
  // Column mode lets the column run past the line end.
  view.SetSelectionMode(TSelectionMode::smColumn);
  view.SetBlockEnd({40, 1});
  EXPECT_EQ(view.BlockEnd(), (TBufferCoord{40, 1}));
  // Column mode needs different columns; other modes a different line will do.
  view.SetBlockBegin({2, 1});
  view.SetBlockEnd({2, 2});
  EXPECT_FALSE(view.SelAvail());
  view.SetSelectionMode(TSelectionMode::smLine);
  EXPECT_TRUE(view.SelAvail());
}

TEST_F(TextViewInput, SelectionModeKeysChooseTheMode) {
  view.Lines().SetText(u"one\ntwo\nthree");
  struct Case {
    TKey key;
    TSelectionMode mode;
  } cases[] = {{{'L', ssCtrl | ssShift}, TSelectionMode::smLine},
               {{'C', ssCtrl | ssShift}, TSelectionMode::smColumn},
               {{'N', ssCtrl | ssShift}, TSelectionMode::smNormal}};
  for (const Case& c : cases) {
    Press({c.key});
    EXPECT_EQ(view.SelectionMode(), c.mode);
    EXPECT_EQ(view.ActiveSelectionMode(), c.mode);
  }
}

TEST_F(TextViewInput, ASelectionChangeRepaintsOnlyTheLinesBetweenTheEnds) {
  std::u16string text;
  for (int i = 0; i < 30; ++i) text += u"abcdefgh\n";
  view.Lines().SetText(text);
  view.SetCaretXY({3, 4});
  Press({{VK_DOWN, ssShift}});
  const int h = view.LineHeight();
  auto rows = [&](int firstLine, int lastLine) {
    return "invalidate " + std::to_string(view.GutterWidth()) + "," +
           std::to_string((firstLine - 1) * h) + "," + std::to_string(view.ClientWidth()) + "," +
           std::to_string(lastLine * h);
  };
  host->Log().clear();
  Press({{VK_DOWN, ssShift}});  // the end goes from line 5 to 6
  EXPECT_EQ(Invalidations(), std::vector<std::string>{rows(5, 6)});
  host->Log().clear();
  Press({{VK_LEFT, 0}});  // collapsing repaints what was selected
  EXPECT_EQ(Invalidations(), std::vector<std::string>{rows(4, 6)});
  // Column mode: the whole spanned block, its width changes on every row.
  Press({{'C', ssCtrl | ssShift}, {VK_RIGHT, ssShift}, {VK_DOWN, ssShift}, {VK_DOWN, ssShift}});
  host->Log().clear();
  Press({{VK_RIGHT, ssShift}});
  EXPECT_EQ(Invalidations(), std::vector<std::string>{rows(6, 8)});
}

// ---- selected text and copy -------------------------------------------------

TEST_F(TextViewInput, SelectAllAndCopy) {
  view.Lines().SetText(u"a\nb\n");
  ASSERT_EQ(view.Lines().Count(), 3);
  Press({{'A', ssCtrl}, {'C', ssCtrl}});
  EXPECT_EQ(view.CaretXY(), (TBufferCoord{1, 3}));
  EXPECT_EQ(clipboard->GetText(), u"a\r\nb\r\n");
  EXPECT_EQ(BlockBytes(), std::string("\0a\r\nb\r\n\0", 8));
  // Ctrl+Insert copies too.
  Press({{VK_UP, 0}, {VK_END, 0}, {VK_LEFT, ssShift}, {VK_INSERT, ssCtrl}});
  EXPECT_EQ(clipboard->GetText(), u"b");
  // Without a selection nothing is copied.
  Press({{VK_HOME, 0}, {'C', ssCtrl}});
  EXPECT_EQ(clipboard->GetText(), u"b");
}

TEST_F(TextViewInput, LineModeCopiesWholeLines) {
  view.Lines().SetText(u"one\ntwo\nthree");
  Press({{VK_RIGHT, 0}, {'L', ssCtrl | ssShift}, {VK_DOWN, ssShift}, {'C', ssCtrl}});
  EXPECT_EQ(clipboard->GetText(), u"one\r\ntwo\r\n");
  EXPECT_EQ(BlockBytes(), std::string("\1one\r\ntwo\r\n\0", 12));
  // The buffer's last line gets no line break.
  Press({{VK_DOWN, ssShift}, {'C', ssCtrl}});
  EXPECT_EQ(clipboard->GetText(), u"one\r\ntwo\r\nthree");
}

TEST_F(TextViewInput, ColumnModeCopiesARectanglePaddedWithSpaces) {
  SetCellsInWindow(20);
  // A short line, a tab inside the block, a wide glyph across its edge.
  view.Lines().SetText(u"abcdef\nab\na\tbcdef\n\u4E2D\u6587abc\nabcdef");
  ASSERT_EQ(view.TextDrawer().CellsOf(U'\u4E2D'), 2);
  view.SetSelectionMode(TSelectionMode::smColumn);
  view.SetBlockBegin({2, 1});   // column 2
  view.SetBlockEnd({5, 5});     // column 5: three cells wide
  view.CopyToClipboard();
  EXPECT_EQ(clipboard->GetText(), u"bcd\r\n"
                                  u"b  \r\n"
                                  u"   \r\n"         // columns 2..4 are inside the tab
                                  u"\u4E2D\u6587\r\n"  // the glyphs the columns fall on
                                  u"bcd");
  EXPECT_EQ(BlockBytes()[0], '\2');
  // Trimming trailing spaces is switched off while a block is copied.
  view.SetOptions(view.Options() | eoTrimTrailingSpaces);
  view.CopyToClipboard();
  EXPECT_EQ(clipboard->GetText().substr(5, 5), u"b  \r\n");
  EXPECT_NE(view.Options() & eoTrimTrailingSpaces, 0u);
}

TEST_F(TextViewInput, PrivateFormatIsTheConvertersOutputBetweenModeAndZero) {
  view.Lines().SetText(u"\u20AC \u4E2D \U0001F600 \u00E9");
  Press({{'A', ssCtrl}, {'C', ssCtrl}});
  const std::u16string text = u"\u20AC \u4E2D \U0001F600 \u00E9";
  EXPECT_EQ(clipboard->GetText(), text);
  EXPECT_EQ(BlockBytes(), std::string(1, '\0') + TextToAnsi(text) + std::string(1, '\0'));
  // The euro sign is 0x80 in Windows-1252; the others fall outside it.
  EXPECT_EQ(BlockBytes().substr(0, 5), std::string("\0\x80 ? ", 5));
}

TEST_F(TextViewInput, SelectionHoldingAZeroCharacterCopies) {
  view.Lines().SetText(std::u16string(u"ab\0cd", 5));
  Press({{'A', ssCtrl}, {'C', ssCtrl}});
  // Programs reading the text stop at the zero.
  EXPECT_EQ(clipboard->GetText(), u"ab");
  EXPECT_EQ(BlockBytes(), std::string("\0ab\0cd\0", 7));
}

TEST_F(TextViewInput, CopyThatCannotBeBuiltKeepsTheOldContent) {
  view.Lines().SetText(u"abcdef\nab\nabcdef");
  clipboard->SetText(u"old");
  view.SetMaxSelTextLength(10);
  struct Case {
    const char* what;
    TSelectionMode mode;
    TBufferCoord begin, end;
    bool copies;
  } cases[] = {
      {"normal within the cap", TSelectionMode::smNormal, {1, 1}, {3, 2}, true},  // 10 chars
      {"normal beyond the cap", TSelectionMode::smNormal, {1, 1}, {2, 3}, false},
      {"line beyond the cap", TSelectionMode::smLine, {1, 1}, {1, 2}, false},
      // Three rows of three with breaks: 13 characters, partly padding.
      {"column beyond the cap", TSelectionMode::smColumn, {2, 1}, {5, 3}, false},
      {"column within the cap", TSelectionMode::smColumn, {2, 1}, {4, 2}, true},
  };
  for (const Case& c : cases) {
    clipboard->SetText(u"old");
    view.SetSelectionMode(c.mode);
    view.SetBlockBegin(c.begin);
    view.SetBlockEnd(c.end);
    view.CopyToClipboard();
    EXPECT_EQ(clipboard->GetText() != u"old", c.copies) << c.what;
    EXPECT_EQ(clipboard->HasFormat(clipboard->RegisterFormat(u"TextView Control Block Type")),
              c.copies)
        << c.what;
  }
}

TEST_F(TextViewInput, MemoryClipboardReplacesItsContentWhole) {
  clipboard->SetData({TClipboardItem::UnicodeText(u"one"), {CF_TEXT, std::string("one\0", 4)}});
  clipboard->SetText(u"two");
  EXPECT_EQ(clipboard->GetText(), u"two");
  EXPECT_FALSE(clipboard->HasFormat(CF_TEXT));
}

TEST_F(TextViewInput, TextRequestsBuildOnlyWhatTheCallerTakes) {
  view.Lines().SetText(u"abc\nde");
  struct Case {
    std::size_t max;
    std::u16string text;
  } cases[] = {{100, u"abc\r\nde"}, {7, u"abc\r\nde"}, {4, u"abc\r"}, {3, u"abc"}, {0, u""}};
  for (const Case& c : cases) EXPECT_EQ(view.GetTextBuf(c.max), c.text) << c.max;
  std::u16string big;
  for (int i = 0; i < 2000; ++i) big += std::u16string(500, u'x') + u"\n";
  view.Lines().SetText(big);
  const std::u16string head = view.GetTextBuf(10);
  EXPECT_EQ(head, std::u16string(10, u'x'));
  EXPECT_LT(head.capacity(), 1000u);
  // Setting the text is not blocked by ReadOnly; copy answers 1.
  view.SetTextBuf(u"new\ntext");
  EXPECT_EQ(view.Lines().Count(), 2);
  Press({{'A', ssCtrl}});
  EXPECT_EQ(view.CopyRequest(), 1);
  EXPECT_EQ(clipboard->GetText(), u"new\r\ntext");
}

// ---- mouse ------------------------------------------------------------------

TEST_F(TextViewInput, PressInsideTheSelectionAndReleaseCollapsesAtTheRelease) {
  view.Lines().SetText(u"abcdefgh\nijkl");
  view.SetBlockBegin({2, 1});
  view.SetBlockEnd({7, 1});
  const TPoint in = Cell(3, 1), release = Cell(5, 1);
  view.MouseDown(TMouseButton::mbLeft, ssLeft, in.X, in.Y);
  EXPECT_TRUE(view.SelAvail());  // waiting for a drag
  EXPECT_TRUE(view.HasCapture());
  view.MouseUp(TMouseButton::mbLeft, 0, release.X, release.Y);
  EXPECT_FALSE(view.SelAvail());
  EXPECT_EQ(view.CaretXY(), (TBufferCoord{5, 1}));
  EXPECT_FALSE(view.HasCapture());

  // Pressing inside and dragging past the drag distance does nothing.
  view.SetBlockBegin({2, 1});
  view.SetBlockEnd({7, 1});
  view.MouseDown(TMouseButton::mbLeft, ssLeft, in.X, in.Y);
  view.MouseMove(ssLeft, in.X + GetSystemMetrics(SM_CXDRAG) + 20, in.Y + 20);
  view.MouseUp(TMouseButton::mbLeft, 0, in.X + GetSystemMetrics(SM_CXDRAG) + 20, in.Y + 20);
  EXPECT_EQ(view.BlockBegin(), (TBufferCoord{2, 1}));
  EXPECT_EQ(view.BlockEnd(), (TBufferCoord{7, 1}));
}

TEST_F(TextViewInput, PressDragAndShiftClickSelect) {
  view.Lines().SetText(u"abcdefgh\nijklmnop\nqrst");
  const TPoint a = Cell(2, 1), b = Cell(4, 2), c = Cell(3, 3);
  view.MouseDown(TMouseButton::mbLeft, ssLeft, a.X, a.Y);
  EXPECT_TRUE(view.Focused());
  view.MouseMove(ssLeft, b.X, b.Y);
  EXPECT_EQ(view.GetSelText(), u"bcdefgh\r\nijk");
  view.MouseUp(TMouseButton::mbLeft, 0, b.X, b.Y);
  view.MouseDown(TMouseButton::mbLeft, ssLeft | ssShift, c.X, c.Y);
  view.MouseUp(TMouseButton::mbLeft, ssShift, c.X, c.Y);
  EXPECT_EQ(view.BlockBegin(), (TBufferCoord{2, 1}));
  EXPECT_EQ(view.BlockEnd(), (TBufferCoord{3, 3}));
  // Right press: caret and selection stay. Middle press: collapses at the caret.
  view.MouseDown(TMouseButton::mbRight, ssRight, a.X, a.Y);
  view.MouseUp(TMouseButton::mbRight, 0, a.X, a.Y);
  EXPECT_TRUE(view.SelAvail());
  EXPECT_EQ(view.CaretXY(), (TBufferCoord{3, 3}));
  view.MouseDown(TMouseButton::mbMiddle, ssMiddle, a.X, a.Y);
  view.MouseUp(TMouseButton::mbMiddle, 0, a.X, a.Y);
  EXPECT_FALSE(view.SelAvail());
  EXPECT_EQ(view.CaretXY(), (TBufferCoord{3, 3}));
}

TEST_F(TextViewInput, DoubleClickSelectsTheWordOfLettersAndDigits) {
  view.Lines().SetText(u"see http://ex.com/a_b now");
  struct Case {
    int column;
    std::u16string word;
  } cases[] = {{2, u"see"}, {13, u"ex"}, {17, u"com"}, {21, u"b"}, {24, u"now"},
               // On a break: the word that ends there.
               {4, u"see"}};
  for (const Case& c : cases) {
    const TPoint p = Cell(c.column, 1);
    view.MouseDown(TMouseButton::mbLeft, ssLeft, p.X, p.Y);
    view.MouseUp(TMouseButton::mbLeft, 0, p.X, p.Y);
    view.DblClick(TMouseButton::mbLeft, ssLeft | ssDouble, p.X, p.Y);
    EXPECT_EQ(view.GetSelText(), c.word) << c.column;
    // The release after the double click keeps the word.
    view.MouseUp(TMouseButton::mbLeft, 0, p.X, p.Y);
    EXPECT_EQ(view.GetSelText(), c.word) << c.column;
  }
  // Past the line end the caret goes just after the last character.
  view.SetWordBlock({40, 1});
  EXPECT_EQ(view.CaretXY(), (TBufferCoord{26, 1}));
}

TEST_F(TextViewInput, DraggingBelowTheTextScrollsOneOrTenRowsATick) {
  std::u16string text;
  for (int i = 0; i < 200; ++i) text += u"row\n";
  view.Lines().SetText(text);
  const int h = view.LineHeight(), page = view.LinesInWindow();
  const int bottom = page * h;
  const TPoint start = Cell(1, 1);
  view.MouseDown(TMouseButton::mbLeft, ssLeft, start.X, start.Y);
  struct Case {
    int y;
    int rowsPerTick;
  } cases[] = {{bottom, 1}, {bottom + h - 1, 1}, {bottom + 9 * h, 10}, {bottom + 9 * h + h - 1, 10}};
  for (const Case& c : cases) {
    host->System().Cursor = {start.X, c.y};
    view.MouseMove(ssLeft, start.X, c.y);
    EXPECT_EQ(host->Timers().count(TCustomTextView::kScrollTimer), 1u) << c.y;
    EXPECT_EQ(host->Timers().at(TCustomTextView::kScrollTimer), 100u);
    const int top = view.TopLine();
    view.TimerTick(TCustomTextView::kScrollTimer);
    EXPECT_EQ(view.TopLine(), top + c.rowsPerTick) << c.y;
    // The caret is on the newly exposed last row, the selection follows it.
    EXPECT_EQ(view.CaretY(), view.TopLine() + page - 1) << c.y;
    EXPECT_EQ(view.BlockEnd(), view.CaretXY());
    EXPECT_EQ(view.BlockBegin(), (TBufferCoord{1, 1}));
  }
  // With Shift held a tick scrolls whole windows.
  host->System().Keys = ssShift;
  host->System().Cursor = {start.X, bottom};
  view.MouseMove(ssLeft | ssShift, start.X, bottom);
  int top = view.TopLine();
  view.TimerTick(TCustomTextView::kScrollTimer);
  EXPECT_EQ(view.TopLine(), top + page);
  host->System().Keys = 0;
  // Above the text it scrolls up; back inside the timer stops.
  host->System().Cursor = {start.X, -1};
  view.MouseMove(ssLeft, start.X, -1);
  top = view.TopLine();
  view.TimerTick(TCustomTextView::kScrollTimer);
  EXPECT_EQ(view.TopLine(), top - 1);
  EXPECT_EQ(view.CaretY(), view.TopLine());
  view.MouseMove(ssLeft, start.X, h + 1);
  EXPECT_EQ(host->Timers().count(TCustomTextView::kScrollTimer), 0u);
  // Losing the capture stops it as well.
  view.MouseMove(ssLeft, start.X, bottom + 2 * h);
  ASSERT_EQ(host->Timers().count(TCustomTextView::kScrollTimer), 1u);
  view.CaptureLost();
  EXPECT_EQ(host->Timers().count(TCustomTextView::kScrollTimer), 0u);
}

// ---- caret shape ------------------------------------------------------------

TEST_F(TextViewInput, BlockCaretWhileFocusedAndInsertSwitchesItsShape) {
  view.Lines().SetText(u"abc");
  EXPECT_FALSE(view.CaretExists());
  view.SetFocus();
  ASSERT_TRUE(view.CaretExists());
  const int w = view.CharWidth(), h = view.LineHeight();
  const TPoint origin = view.RowColumnToPixels({1, 1});
  EXPECT_EQ(view.CaretRect(), MakeRect(origin.X, origin.Y, w, h - 2));
  EXPECT_TRUE(view.CaretVisible());
  Press({{VK_INSERT, 0}});
  EXPECT_TRUE(view.InsertMode());
  EXPECT_EQ(view.CaretRect(), MakeRect(origin.X - 1, origin.Y, 2, h - 2));
  Press({{VK_RIGHT, 0}, {VK_INSERT, 0}});
  EXPECT_FALSE(view.InsertMode());
  EXPECT_EQ(view.CaretRect(), MakeRect(origin.X + w, origin.Y, w, h - 2));
  EXPECT_EQ(view.ImePosition(), (TPoint{origin.X + w, origin.Y}));
  // Scrolled out of the window the caret is hidden.
  std::u16string text;
  for (int i = 0; i < 100; ++i) text += u"x\n";
  view.Lines().SetText(text);
  view.SetTopLine(50);
  EXPECT_FALSE(view.CaretVisible());
  view.SetTopLine(1);
  EXPECT_TRUE(view.CaretVisible());
  // Losing the focus destroys it.
  view.HostFocusChanged(false);
  EXPECT_FALSE(view.CaretExists());
}

TEST_F(TextViewInput, WrappedCaretIsCappedOneCellRightOfTheWindow) {
  SetCellsInWindow(10);
  view.Lines().SetText(u"abcdefghij");
  view.SetFocus();
  view.SetCaretXY({10, 1});
  Press({{VK_RIGHT, 0}, {VK_RIGHT, 0}, {VK_RIGHT, 0}});
  EXPECT_EQ(view.CaretXY(), (TBufferCoord{13, 1}));
  EXPECT_EQ(view.CaretRect().Left, view.RowColumnToPixels({11, 1}).X);
}

TEST_F(TextViewInput, MatchBracketJumpsOverNestedPairsAcrossLines) {
  view.Lines().SetText(u"f(a[1], (b)\n  ) x(");
  struct Case {
    TBufferCoord from, to;
  } cases[] = {
      {{2, 1}, {3, 2}},  // '(' to its ')' on the next line, "(b)" skipped
      {{3, 2}, {2, 1}},  // and back
      {{4, 1}, {6, 1}},
      {{9, 1}, {11, 1}},
      {{6, 2}, {6, 2}},  // an unpaired one: the caret stays
      {{5, 2}, {5, 2}},  // not a bracket
  };
  for (const Case& c : cases) {
    view.SetCaretXY(c.from);
    Press({{'B', ssCtrl | ssShift}});
    EXPECT_EQ(view.CaretXY(), c.to) << c.from.Char << "," << c.from.Line;
  }
}

TEST_F(TextViewInput, GutterClickReportsTheLine) {
  view.Lines().SetText(u"one\ntwo\nthree");
  int clicked = 0;
  view.SetOnGutterClick([&](TCustomTextView&, TMouseButton, int, int, int line) { clicked = line; });
  const int y = view.LineHeight() + 2;
  view.MouseDown(TMouseButton::mbLeft, ssLeft, 3, y);
  view.MouseUp(TMouseButton::mbLeft, 0, 3, y);
  EXPECT_EQ(clicked, 2);
  // A press in the gutter released over the text is no click.
  clicked = 0;
  view.MouseDown(TMouseButton::mbLeft, ssLeft, 3, y);
  view.MouseUp(TMouseButton::mbLeft, 0, view.GutterWidth() + 20, y);
  EXPECT_EQ(clicked, 0);
}

TEST_F(TextViewInput, ContextHelpGetsTheWordAtTheCaret) {
  view.Lines().SetText(u"look here");
  std::u16string word;
  view.SetOnContextHelp([&](TCustomTextView&, const std::u16string& w) { word = w; });
  view.SetCaretXY({8, 1});
  Press({{VK_F1, 0}});
  EXPECT_EQ(word, u"here");
}

}  // namespace
}  // namespace tav
