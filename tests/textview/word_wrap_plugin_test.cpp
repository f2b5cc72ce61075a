#include "textview/word_wrap_plugin.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace tav {
namespace {

constexpr char16_t F = u'\uE000';  // filler before a two-cell glyph

// Hands the map each line as cells directly; spaces and '-' are breaks.
struct FakeOwner : TWordWrapOwner {
  std::vector<std::u16string> lines;
  int chars = 60;
  int WrapLineCount() override { return static_cast<int>(lines.size()); }
  int WrapCharsInWindow() override { return chars; }
  std::u16string_view WrapLineCells(int index, std::u16string&) override {
    return lines[static_cast<std::size_t>(index)];
  }
  bool WrapIsWordBreakChar(char16_t c) override { return c == u' ' || c == u'-'; }
};

std::vector<int> Rows(const TWordWrapPlugin& map) {
  std::vector<int> rows;
  for (int r = 1; r <= map.RowCount(); ++r) rows.push_back(map.GetRowLength(r));
  return rows;
}

std::vector<int> Offsets(const TWordWrapPlugin& map) {
  std::vector<int> offsets;
  for (int i = 0; i < map.LineCount(); ++i) offsets.push_back(map.LineOffset(i));
  return offsets;
}

std::u16string Repeat(const std::u16string& s, int n) {
  std::u16string r;
  for (int i = 0; i < n; ++i) r += s;
  return r;
}

struct WrapCase {
  const char* name;
  int chars;
  std::u16string line;
  std::vector<int> rows;
};

TEST(WordWrapPluginTest, WrapsOneLine) {
  const std::u16string a60(60, u'a');
  const std::vector<WrapCase> cases = {
      {"150 letters", 60, std::u16string(150, u'x'), {60, 60, 30}},
      {"exactly a row", 60, a60, {60}},
      {"empty line", 60, u"", {0}},
      // Spaces at 9, 19, ...: each row ends before the last space among its
      // cells 42..61, and the next row starts with that space.
      {"words", 60, Repeat(u"aaaaaaaaa ", 20), {59, 60, 60, 21}},
      {"space just after a full row", 60, a60 + u" bbb", {60, 4}},
      {"break only after more than the minimum", 60, u"a-" + std::u16string(100, u'b'),
       {60, 42}},
      {"two-cell glyph on cells 60 and 61", 60,
       std::u16string(59, u'a') + F + u"\u4E2Dxyz", {59, 5}},
      {"surrogate pair on cells 60 and 61", 60,
       std::u16string(59, u'a') + u"\U0001F600x", {59, 3}},
      {"width 1 splits what cannot fit", 1, std::u16string{F, u'\u4E2D'}, {1, 1}},
      {"width 2 keeps the glyph whole", 2, std::u16string{u'a', F, u'\u4E2D', u'b'}, {1, 2, 1}},
      {"over 65,535 cells", 100000, std::u16string(70000, u'x'), {65535, 4465}},
  };
  for (const WrapCase& c : cases) {
    FakeOwner owner;
    owner.chars = c.chars;
    owner.lines = {c.line};
    TWordWrapPlugin map(&owner);
    EXPECT_EQ(Rows(map), c.rows) << c.name;
  }
}

TEST(WordWrapPluginTest, RefusesToWorkWithoutOwner) {
  try {
    TWordWrapPlugin map(nullptr);
    FAIL();
  } catch (const std::invalid_argument& e) {
    EXPECT_STREQ(e.what(), "Owner of TWordWrapPlugin must be a TCustomTextView");
  }
  FakeOwner owner;
  owner.lines = {u"abc"};
  TWordWrapPlugin map(&owner);
  try {
    map.GetRowLength(2);
    FAIL();
  } catch (const std::out_of_range& e) {
    EXPECT_STREQ(e.what(), "List index out of bounds (2)");
  }
}

TEST(WordWrapPluginTest, ConvertsPositions) {
  FakeOwner owner;
  owner.lines = {u"short", std::u16string(150, u'x'), u""};
  TWordWrapPlugin map(&owner);
  ASSERT_EQ(Rows(map), (std::vector<int>{5, 60, 60, 30, 0}));
  struct {
    TBufferCoord buffer;
    TDisplayCoord display;
  } toDisplay[] = {
      {{1, 1}, {1, 1}},     {{6, 1}, {6, 1}},     {{9, 1}, {9, 1}},
      {{60, 2}, {60, 2}},   {{61, 2}, {1, 3}},    {{120, 2}, {60, 3}},
      {{121, 2}, {1, 4}},   {{151, 2}, {31, 4}},  {{200, 2}, {80, 4}},
      {{1, 3}, {1, 5}},     {{4, 3}, {4, 5}},     {{3, 5}, {3, 7}},
  };
  for (const auto& c : toDisplay)
    EXPECT_EQ(map.BufferToDisplayPos(c.buffer), c.display) << c.buffer.Char << "," << c.buffer.Line;
  struct {
    TDisplayCoord display;
    TBufferCoord buffer;
  } toBuffer[] = {
      {{1, 3}, {61, 2}},   {{60, 3}, {120, 2}},  {{70, 3}, {121, 2}},  // capped at length + 1
      {{70, 4}, {181, 2}},                                               // last row: max + 1
      {{3, 1}, {3, 1}},    {{2, 7}, {2, 5}},
  };
  for (const auto& c : toBuffer)
    EXPECT_EQ(map.DisplayToBufferPos(c.display), c.buffer)
        << c.display.Column << "," << c.display.Row;
  // Every cell of the long line makes the round trip.
  for (int cell = 1; cell <= 150; ++cell)
    EXPECT_EQ(map.DisplayToBufferPos(map.BufferToDisplayPos({cell, 2})), (TBufferCoord{cell, 2}));
}

TEST(WordWrapPluginTest, ZeroWidthWindowMapsEverythingToItself) {
  FakeOwner owner;
  owner.chars = 0;
  owner.lines = {std::u16string(150, u'x')};
  TWordWrapPlugin map(&owner);
  EXPECT_EQ(map.RowCount(), 0);
  EXPECT_EQ(map.BufferToDisplayPos({100, 1}), (TDisplayCoord{100, 1}));
  EXPECT_EQ(map.DisplayToBufferPos({7, 3}), (TBufferCoord{7, 3}));
  owner.lines.push_back(u"more");
  EXPECT_EQ(map.LinesInserted(1, 1), 0);
  EXPECT_EQ(map.RowCount(), 0);
}

TEST(WordWrapPluginTest, FollowsLineEvents) {
  FakeOwner owner;
  owner.lines = {u"one", std::u16string(150, u'x'), u"three"};
  TWordWrapPlugin map(&owner);
  const std::vector<int> rows = Rows(map), offsets = Offsets(map);

  owner.lines.insert(owner.lines.begin() + 1, std::u16string(70, u'y'));
  EXPECT_EQ(map.LinesInserted(1, 1), 2);
  EXPECT_EQ(Rows(map), (std::vector<int>{3, 60, 10, 60, 60, 30, 5}));
  EXPECT_EQ(Offsets(map), (std::vector<int>{1, 3, 6, 7}));

  owner.lines.erase(owner.lines.begin() + 1);
  EXPECT_EQ(map.LinesDeleted(1, 1), 2);
  EXPECT_EQ(Rows(map), rows);
  EXPECT_EQ(Offsets(map), offsets);

  owner.lines[0] = std::u16string(130, u'z');
  EXPECT_EQ(map.LinesPutted(0, 1), 2);
  owner.lines[0] = u"";
  EXPECT_EQ(map.LinesPutted(0, 1), -2);
  EXPECT_EQ(Rows(map), (std::vector<int>{0, 60, 60, 30, 5}));

  owner.chars = 61;
  map.DisplayChanged();
  EXPECT_EQ(map.MaxRowLength(), 61);
  EXPECT_EQ(Rows(map), (std::vector<int>{0, 61, 61, 28, 5}));
}

// Any sequence of edits leaves the same map as a fresh wrap of the result.
TEST(WordWrapPluginTest, EditsEqualAFreshReset) {
  std::mt19937 random(12345);
  auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  const std::u16string alphabet = {u'a', u'b', u' ', u'-', F, u'\u4E2D', u'\xD83D', u'\xDE00'};
  auto randomLine = [&] {
    std::u16string s;
    const int length = pick(4) == 0 ? pick(400) : pick(40);
    for (int i = 0; i < length; ++i) s += alphabet[static_cast<std::size_t>(pick(8))];
    return s;
  };
  for (int round = 0; round < 40; ++round) {
    FakeOwner owner;
    owner.chars = 1 + pick(80);
    for (int i = pick(5); i > 0; --i) owner.lines.push_back(randomLine());
    TWordWrapPlugin map(&owner);
    for (int step = 0; step < 60; ++step) {
      const int count = static_cast<int>(owner.lines.size());
      switch (pick(3)) {
        case 0: {
          const int at = pick(count + 1), n = 1 + pick(4);
          for (int i = 0; i < n; ++i) owner.lines.insert(owner.lines.begin() + at, randomLine());
          map.LinesInserted(at, n);
          break;
        }
        case 1:
          if (count > 0) {
            const int at = pick(count), n = 1 + pick(count - at);
            owner.lines.erase(owner.lines.begin() + at, owner.lines.begin() + at + n);
            map.LinesDeleted(at, n);
          }
          break;
        default:
          if (count > 0) {
            const int at = pick(count);
            owner.lines[static_cast<std::size_t>(at)] = randomLine();
            map.LinesPutted(at, 1);
          }
      }
      TWordWrapPlugin fresh(&owner);
      ASSERT_EQ(Rows(map), Rows(fresh));
      ASSERT_EQ(Offsets(map), Offsets(fresh));
    }
    const std::vector<int> offsets = Offsets(map);
    for (std::size_t i = 0; i < offsets.size(); ++i) {
      const int first = i == 0 ? 0 : offsets[i - 1];
      ASSERT_LT(first, offsets[i]);
      int sum = 0;
      for (int r = first + 1; r <= offsets[i]; ++r) {
        ASSERT_LE(map.GetRowLength(r), map.MaxRowLength());
        sum += map.GetRowLength(r);
      }
      ASSERT_EQ(sum, static_cast<int>(owner.lines[i].size()));
    }
  }
}

}  // namespace
}  // namespace tav
