#include <gtest/gtest.h>

#include <climits>

#include "html/layout/indent_manager.h"

namespace tav {
namespace {

int BlockA = 0;  // only the addresses serve as block IDs
int BlockB = 0;

// Two nested blocks (A: 10..590 from the top, B inside it: 30..560 from
// y = 50) and two floats (left up to 200 for 100..150, right from 400 for
// 120..220).
struct NestedFixture {
  IndentManager m;
  int aLeft, aRight, bLeft, bRight;
  NestedFixture() {
    m.Reset(0, 600);
    m.CurrentID = &BlockA;
    aLeft = m.SetLeftIndent(10, 0);
    aRight = m.SetRightIndent(590, 0);
    m.CurrentID = &BlockB;
    bLeft = m.SetLeftIndent(30, 50);
    bRight = m.SetRightIndent(560, 50);
    m.UpdateBlock(100, 200, 50, AlignmentType::ALeft);
    m.UpdateBlock(120, 400, 100, AlignmentType::ARight);
    m.UpdateBlock(300, 20, 10, AlignmentType::ALeft);  // inside B's own indent
  }
};

TEST(IndentManager, BlockEntriesCountOnlyForTheirBlockFloatsAlways) {
  struct Case {
    const void* current;
    int y, left, right;
  } cases[] = {
      {&BlockB, 20, 0, 600},    // B's entries start at 50; A's are not B's
      {&BlockB, 60, 30, 560},
      {&BlockB, 100, 200, 560}, // the left float goes further than B
      {&BlockB, 130, 200, 400},
      {&BlockB, 149, 200, 400},
      {&BlockB, 150, 30, 400},  // the bottom is exclusive
      {&BlockB, 220, 30, 560},
      {&BlockB, 305, 30, 560},  // a float short of the indent changes nothing
      {&BlockA, 60, 10, 590},
      {&BlockA, 130, 200, 400},
      {nullptr, 60, 0, 600},
      {nullptr, 130, 200, 400},
  };
  NestedFixture f;
  for (const auto& c : cases) {
    f.m.CurrentID = c.current;
    EXPECT_EQ(f.m.LeftIndent(c.y), c.left) << "y=" << c.y << (c.current == &BlockA ? " A" : "");
    EXPECT_EQ(f.m.RightSide(c.y), c.right) << "y=" << c.y << (c.current == &BlockA ? " A" : "");
  }
}

TEST(IndentManager, FreedEntriesStopCountingInAnyOrder) {
  NestedFixture f;
  // The outer block's entries go first: the inner block's indexes must
  // still name its own entries.
  f.m.FreeLeftIndentRec(f.aLeft);
  f.m.FreeRightIndentRec(f.aRight);
  f.m.CurrentID = &BlockB;
  EXPECT_EQ(f.m.LeftIndent(60), 30);
  EXPECT_EQ(f.m.RightSide(60), 560);
  f.m.FreeLeftIndentRec(f.bLeft);
  f.m.FreeRightIndentRec(f.bRight);
  EXPECT_EQ(f.m.LeftIndent(60), 0);
  EXPECT_EQ(f.m.RightSide(60), 600);
  // The floats stay.
  EXPECT_EQ(f.m.LeftIndent(110), 200);
  EXPECT_EQ(f.m.RightSide(130), 400);
  f.m.Clear();
  EXPECT_EQ(f.m.LeftIndent(110), 0);
  EXPECT_TRUE(f.m.L.empty() && f.m.R.empty());
}

TEST(IndentManager, BottomsOfFloats) {
  IndentManager m;
  m.Reset(0, 600);
  int left = -1, right = -1;
  m.GetClearY(left, right);
  EXPECT_EQ(left, 0);
  EXPECT_EQ(right, 0);
  EXPECT_EQ(m.ImageBottom(), 0);

  // A block's own entries run to the end and are no floats.
  m.SetLeftIndent(10, 0);
  m.SetRightIndent(590, 0);
  m.UpdateBlock(100, 200, 50, AlignmentType::ALeft);
  m.UpdateBlock(0, 180, 20, AlignmentType::ALeft);
  m.GetClearY(left, right);
  EXPECT_EQ(left, 151);
  EXPECT_EQ(right, 0);
  EXPECT_EQ(m.ImageBottom(), 150);

  m.UpdateBlock(120, 400, 100, AlignmentType::ARight);
  m.GetClearY(left, right);
  EXPECT_EQ(left, 151);
  EXPECT_EQ(right, 221);
  EXPECT_EQ(m.ImageBottom(), 220);
}

TEST(IndentManager, NextWiderYIsTheNearestFloatBottom) {
  IndentManager m;
  m.Reset(0, 600);
  m.SetLeftIndent(10, 0);  // not a float: never a reason to move down
  m.UpdateBlock(100, 200, 50, AlignmentType::ALeft);    // 100..150
  m.UpdateBlock(120, 400, 100, AlignmentType::ARight);  // 120..220
  m.UpdateBlock(130, 250, 10, AlignmentType::ALeft);    // 130..140
  struct Case {
    int y, next;
    bool floats;
  } cases[] = {
      {50, 50, false}, {100, 150, true}, {125, 150, true}, {135, 140, true},
      {145, 150, true}, {160, 220, true}, {220, 220, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(m.GetNextWiderY(c.y), c.next) << "y=" << c.y;
    EXPECT_EQ(m.FloatsAt(c.y), c.floats) << "y=" << c.y;
  }
}

TEST(IndentManager, FloatsStackOnTheirSide) {
  IndentManager m;
  m.Reset(0, 500);
  m.CurrentID = &BlockA;
  m.SetLeftIndent(10, 0);
  m.SetRightIndent(490, 0);

  EXPECT_EQ(m.PlaceFloat(0, AlignmentType::ALeft, 100, 50), 10);
  EXPECT_EQ(m.PlaceFloat(10, AlignmentType::ALeft, 80, 30), 110);
  EXPECT_EQ(m.PlaceFloat(0, AlignmentType::ARight, 120, 40), 370);
  EXPECT_EQ(m.PlaceFloat(5, AlignmentType::ARight, 60, 10), 310);

  struct Case {
    int y, left, right;
  } cases[] = {
      {0, 110, 370}, {5, 110, 310}, {20, 190, 370}, {39, 190, 370},
      {40, 110, 490}, {49, 110, 490}, {50, 10, 490},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(m.LeftIndent(c.y), c.left) << "y=" << c.y;
    EXPECT_EQ(m.RightSide(c.y), c.right) << "y=" << c.y;
  }
}

TEST(IndentManager, LeftFloatMovesDownUntilItFits) {
  IndentManager m;
  m.Reset(0, 300);
  m.UpdateBlock(0, 200, 100, AlignmentType::ALeft);   // left up to 200 for 0..100
  m.UpdateBlock(0, 250, 50, AlignmentType::ARight);   // right from 250 for 0..50
  struct Case {
    int y, width, maxRight;
    int x, yOut;
  } cases[] = {
      {0, 40, 300, 200, 0},      // fits beside both
      {0, 80, 300, 200, 50},     // fits once the right float ends
      {60, 80, 270, 0, 100},     // the bound keeps it from fitting beside
      {0, 150, 300, 0, 100},     // only below every float
      {0, 1000, 300, 0, 100},    // never fits: stops where no float is left
      {150, 1000, 300, 0, 150},  // no float at all: stays
  };
  for (const auto& c : cases) {
    int y = c.y;
    EXPECT_EQ(m.GetNextLeftXY(y, c.width, c.maxRight), c.x) << c.y << "/" << c.width;
    EXPECT_EQ(y, c.yOut) << c.y << "/" << c.width;
  }

  // A float that never ends still lets the search finish.
  m.UpdateBlock(0, 290, INT_MAX, AlignmentType::ALeft);
  int y = 10;
  m.GetNextLeftXY(y, 100, 300);
  EXPECT_EQ(y, INT_MAX);
}

TEST(IndentManager, IndentsHoldFarDownTheDocument) {
  const int far = 20'000'000;
  IndentManager m;
  m.Reset(0, 800);
  m.CurrentID = &BlockA;
  m.SetLeftIndent(40, 0);
  m.SetRightIndent(700, 0);
  EXPECT_EQ(m.LeftIndent(far), 40);
  EXPECT_EQ(m.RightSide(far), 700);

  EXPECT_EQ(m.PlaceFloat(far, AlignmentType::ALeft, 100, 50), 40);
  EXPECT_EQ(m.LeftIndent(far + 10), 140);
  EXPECT_EQ(m.GetNextWiderY(far + 10), far + 50);
  EXPECT_EQ(m.LeftIndent(far + 50), 40);
  int left = 0, right = 0;
  m.GetClearY(left, right);
  EXPECT_EQ(left, far + 51);
}

}  // namespace
}  // namespace tav
