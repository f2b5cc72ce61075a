#include <gtest/gtest.h>

#include "html_fixture.h"

namespace tav {
namespace {

using P = PropIndices;

TEST(PropStack, PopReDerivesTheSetsAbove) {
  THtmlStyleFixture f;
  f.Open(u"b");
  f.Open(u"i");
  f.Open(u"span");
  EXPECT_EQ(TextOf(f.Stack.Last(), P::FontWeight), u"bold");
  f.Close(u"b");
  EXPECT_EQ(f.Stack.Count(), 3);
  EXPECT_EQ(TextOf(f.Stack.Last(), P::FontWeight), u"normal");
  EXPECT_EQ(TextOf(f.Stack.Last(), P::FontStyle), u"italic");
  EXPECT_FALSE(f.Stack.PopProp(u"b"));
  EXPECT_FALSE(f.Stack.PopProp(u"default"));  // the bottom set stays
}

TEST(PropStack, PopsTheNearestMatchingEntry) {
  THtmlStyleFixture f;
  f.Open(u"font", u"", u"", u"", u"color: red");
  f.Open(u"font", u"", u"", u"", u"color: blue");
  f.Open(u"span");
  f.Close(u"font");
  EXPECT_EQ(ColorOf(f.Stack.Last()), RGB(255, 0, 0));
}

TEST(PropStack, OwnValuesSurviveReDerivation) {
  THtmlStyleFixture f;
  f.Open(u"font", u"", u"", u"", u"color: red");
  f.Open(u"b", u"", u"", u"", u"color: blue");
  f.Close(u"font");
  EXPECT_EQ(ColorOf(f.Stack.Last()), clBlue);
}

// Several pops before a read, in any order, give what eager re-derivation
// after each pop gives.
TEST(PropStack, LazyReDerivationGivesTheSameResults) {
  const std::vector<std::u16string> tags = {u"b", u"i", u"u", u"big", u"small", u"s", u"tt", u"em"};
  const std::vector<std::vector<std::u16string>> popOrders = {
      {u"i", u"small"}, {u"small", u"i"}, {u"b", u"em", u"u"}, {u"tt", u"b"}, {u"big", u"big"}};
  for (const auto& pops : popOrders) {
    THtmlStyleFixture lazy, eager;
    for (const auto& t : tags) {
      lazy.Open(t);
      eager.Open(t);
    }
    for (const auto& p : pops) {
      lazy.Close(p);
      eager.Close(p);
      for (int i = 0; i < eager.Stack.Count(); ++i) eager.Stack[i];
    }
    ASSERT_EQ(lazy.Stack.Count(), eager.Stack.Count());
    for (int i = 0; i < lazy.Stack.Count(); ++i) {
      EXPECT_TRUE(lazy.Stack[i].SameValues(eager.Stack[i])) << i;
      EXPECT_EQ(lazy.Stack[i].PropTag, eager.Stack[i].PropTag);
    }
  }
}

TEST(PropStack, FiftyThousandUnclosedFontsShareTheirValues) {
  THtmlStyleFixture f;
  f.Open(u"b");
  constexpr int N = 50000;
  for (int i = 0; i < N; ++i) f.Open(u"font");
  int unshared = 0;
  for (int i = 2; i < f.Stack.Count(); ++i) unshared += f.Stack.Identity(i).UnsharedBlocks();
  EXPECT_LT(unshared, N / 10);
  // An end tag deep down costs nothing until a set above is read, and a
  // set that does not change stops the re-derivation.
  f.Stack.PopProp(u"font");
  long long before = f.Stack.Rederived();
  f.Close(u"u");  // no such entry
  EXPECT_EQ(f.Stack.Rederived(), before);
  f.Close(u"b");
  EXPECT_EQ(f.Stack.Rederived(), before);
  EXPECT_EQ(TextOf(f.Stack.Last(), P::FontWeight), u"normal");
}

TEST(PropStack, PopOfAnUnchangingParentStopsEarly) {
  THtmlStyleFixture f;
  f.Open(u"span");
  for (int i = 0; i < 1000; ++i) f.Open(u"font");
  f.Close(u"span");  // the fonts had nothing from the span
  long long before = f.Stack.Rederived();
  f.Stack.Last();
  EXPECT_LE(f.Stack.Rederived() - before, 2);
}

}  // namespace
}  // namespace tav
