#include <gtest/gtest.h>

#include "html/css/units.h"
#include "html_fixture.h"

namespace tav {
namespace {

using P = PropIndices;

TEST(PropertyInheritance, ThreeRegimes) {
  THtmlStyleFixture f;
  f.Sheet(u"span, div, tbody { margin-left: 7px; border-style: solid; background-color: red }");
  // Ordinary parent: box values reset, non-inherited values empty.
  f.Open(u"div");
  TProperties& inDiv = f.Open(u"p");
  EXPECT_EQ(IntOf(inDiv, P::MarginLeft), IntNull);
  EXPECT_TRUE(IsEmpty(inDiv.Get(P::BorderStyle)));
  EXPECT_TRUE(IsEmpty(inDiv.Get(P::BackgroundColor)));
  f.Close(u"p");
  f.Close(u"div");
  // SPAN parent: everything but the border style passes on.
  f.Open(u"span");
  TProperties& inSpan = f.Open(u"b");
  EXPECT_EQ(TextOf(inSpan, P::MarginLeft), u"7px");
  EXPECT_TRUE(IsEmpty(inSpan.Get(P::BorderStyle)));
  EXPECT_EQ(IntOf(inSpan, P::BackgroundColor), static_cast<int>(RGB(255, 0, 0)));
  EXPECT_FALSE(inSpan.Original(P::MarginLeft));
  f.Close(u"b");
  f.Close(u"span");
  // Row-group parent: values and their Originals flags.
  f.Open(u"tbody");
  TProperties& inBody = f.Open(u"tr");
  EXPECT_EQ(TextOf(inBody, P::BorderStyle), u"solid");
  EXPECT_TRUE(inBody.Original(P::BorderStyle));
}

TEST(PropertyInheritance, WordWrapStartsAgainAtTable) {
  THtmlStyleFixture f;
  f.Open(u"div", u"", u"", u"", u"word-wrap: break-word");
  EXPECT_EQ(TextOf(f.Open(u"p"), P::WordWrap), u"break-word");
  EXPECT_EQ(TextOf(f.Open(u"table"), P::WordWrap), u"normal");
}

// Siblings share what they inherit; a value the parent changes between
// them must still reach the later sibling, and a value one sibling sets
// must not reach the other.
TEST(PropertyInheritance, SiblingsShareButSeeTheParentChange) {
  THtmlStyleFixture f;
  TProperties parent(f.Device);
  parent.PropTag = u"div";
  parent.Set(P::Color, static_cast<int>(RGB(1, 2, 3)));
  parent.Set(P::MarginLeft, 9);
  TProperties first(f.Device);
  first.Inherit(u"p", parent);
  first.Assign(static_cast<int>(RGB(7, 7, 7)), P::Color);
  parent.Set(P::FontWeight, std::u16string(u"bold"));
  TProperties second(f.Device);
  second.Inherit(u"p", parent);
  EXPECT_EQ(IntOf(second, P::Color), static_cast<int>(RGB(1, 2, 3)));
  EXPECT_EQ(TextOf(second, P::FontWeight), u"bold");
  EXPECT_EQ(IntOf(second, P::MarginLeft), IntNull);
  EXPECT_EQ(IntOf(first, P::Color), static_cast<int>(RGB(7, 7, 7)));
  EXPECT_TRUE(IsEmpty(first.Get(P::FontWeight)));
}

TEST(PropertyAssign, RefusesAnOriginalValueWhileMergeOverwrites) {
  THtmlStyleFixture f;
  TProperties& p = f.Open(u"font", u"", u"", u"", u"color: green");
  p.Assign(static_cast<int>(clRed), P::Color);
  EXPECT_EQ(ColorOf(p), RGB(0, 128, 0));
  p.Assign(std::u16string(u"center"), P::TextAlign);  // inherited, not original: taken
  EXPECT_EQ(TextOf(p, P::TextAlign), u"center");
  EXPECT_TRUE(p.Original(P::TextAlign));
  TProperties rule(f.Device);
  rule.Set(P::Color, static_cast<int>(clBlue));
  p.Merge(rule);
  EXPECT_EQ(ColorOf(p), clBlue);
}

TEST(PropertyInline, DeclarationsAsTheAttributeGivesThem) {
  THtmlStyleFixture f;
  TProperties& p = f.Open(u"div", u"", u"", u"",
                          u"COLOR: nosuch; background-color: nosuch; border-top-style: solid;"
                          u"visibility: hidden; text-transform: uppercase; font-variant: bogus;"
                          u"background-image: url(Img/Bg.PNG)");
  EXPECT_EQ(ColorOf(p), clBlack);  // unreadable colour: black
  EXPECT_EQ(IntOf(p, P::BackgroundColor), static_cast<int>(clNone));
  EXPECT_EQ(TextOf(p, P::BorderStyle), u"solid");
  EXPECT_EQ(p.GetVisibility(), VisibilityType::viHidden);
  EXPECT_EQ(p.GetTextTransform(), 1);
  EXPECT_EQ(p.GetFontVariant(), u"normal");
  // The file name keeps its case on a case-sensitive file system.
  EXPECT_EQ(TextOf(p, P::BackgroundImage), u"url(Img/Bg.PNG)");
}

TEST(PropertyFont, FamilyFallbackAndFaceCase) {
  TFixedMetricsOptions options;
  options.InstalledFonts = {u"Times New Roman", u"Arial", u"Courier New"};
  THtmlStyleFixture f(options);
  struct Case {
    std::u16string family, face;
  } cases[] = {
      {u"nosuch, 'times new roman'", u"Times New Roman"},
      {u"nosuch, sans-serif", u"Arial"},
      {u"Helvetica", u"Arial"},
      {u"monospace", u"Courier New"},
      {u"nosuch, other", u"Times New Roman"},  // DefFontname
  };
  for (const auto& c : cases) {
    f.Sheet(u"p.x { font-family: " + c.family + u" }");
    TProperties& p = f.Open(u"p", u"x");
    EXPECT_EQ(p.GetFont().Desc.Face, c.face) << std::string(c.family.begin(), c.family.end());
    f.Close(u"p");
  }
}

TEST(PropertyFont, HeightWeightStyleAndMetrics) {
  THtmlStyleFixture f;
  TProperties& p = f.Open(u"b", u"", u"", u"",
                          u"font-size: 24pt; font-style: oblique; text-decoration: underline line-through;"
                          u"letter-spacing: 0.5em");
  TMyFont font = p.GetFont();
  EXPECT_EQ(font.Desc.Height, -32);  // 24 pt at 96 ppi
  EXPECT_EQ(font.Desc.Weight, FW_BOLD);
  EXPECT_TRUE(font.Desc.Italic);
  EXPECT_TRUE(font.Desc.Underline);
  EXPECT_TRUE(font.Desc.StrikeOut);
  EXPECT_EQ(font.EmSize, 32);
  EXPECT_EQ(font.ExSize, 16);
  EXPECT_EQ(font.CharExtra, 16);
  EXPECT_EQ(p.EmSize, 32);
  TProperties& weight = f.Open(u"span", u"", u"", u"", u"font-weight: 600");
  EXPECT_EQ(weight.GetFont().Desc.Weight, FW_BOLD);
}

TEST(PropertyReadings, LineHeightIndentDisplayAndLists) {
  THtmlStyleFixture f;
  TProperties& p = f.Open(u"div", u"", u"", u"",
                          u"line-height: 1.5; text-indent: 10%; display: list-item;"
                          u"list-style-type: upper-roman; float: right; clear: both;"
                          u"position: absolute; overflow: hidden; page-break-before: always");
  p.GetFont();
  EXPECT_EQ(p.GetLineHeight(20), 30);
  bool percent;
  EXPECT_EQ(p.GetTextIndent(percent), 10);
  EXPECT_TRUE(percent);
  EXPECT_EQ(p.GetDisplay(), TPropDisplay::pdListItem);
  EXPECT_EQ(p.GetListStyleType(), ListBulletType::lbUpperRoman);
  AlignmentType a;
  EXPECT_TRUE(p.GetFloat(a));
  EXPECT_EQ(a, AlignmentType::ARight);
  EXPECT_EQ(p.GetClear(), ClearAttrType::clAll);
  EXPECT_EQ(p.GetPosition(), PositionType::posAbsolute);
  EXPECT_TRUE(p.IsOverflowHidden());
  bool before, after, inside;
  p.GetPageBreaks(before, after, inside);
  EXPECT_TRUE(before);
  EXPECT_FALSE(after);
  TProperties& q = f.Open(u"p", u"", u"", u"", u"line-height: 150%");
  q.GetFont();  // 12 pt: em 16
  EXPECT_EQ(q.GetLineHeight(20), 24);
  f.Close(u"p");
  f.Close(u"div");
  EXPECT_EQ(f.Open(u"i").GetLineHeight(20), -1);
}

TEST(PropertyBox, BorderSideStyleAloneGivesMediumWidth) {
  THtmlStyleFixture f;
  TProperties& p = f.Open(u"div", u"", u"", u"", u"border-top-style: solid; margin: 1px 2px 3px");
  EXPECT_TRUE(p.BorderStyleNotBlank());
  TMarginArray m;
  int autoCount;
  p.ConvMargArray(400, 300, m, autoCount);
  EXPECT_EQ(m[static_cast<int>(P::BorderTopWidth)], 4);
  EXPECT_EQ(m[static_cast<int>(P::BorderLeftWidth)], 0);  // its style is not set
  EXPECT_EQ(m[static_cast<int>(P::MarginTop)], 1);
  EXPECT_EQ(m[static_cast<int>(P::MarginRight)], 2);
  EXPECT_EQ(m[static_cast<int>(P::MarginBottom)], 3);
  EXPECT_EQ(m[static_cast<int>(P::MarginLeft)], 2);
  EXPECT_EQ(m[static_cast<int>(P::Width)], Auto);
  EXPECT_EQ(autoCount, 1);
}

// em and ex in box values and the text indent are the element's own font's
// (em = the font's pixel size, ex half of it), read before anything built
// that font.
TEST(PropertyBox, EmAndExAreTheElementsOwnFont) {
  const struct {
    const char16_t* fontSize;
    P property;
    const char16_t* value;
    int pixels;
  } cases[] = {
      {u"12pt", P::MarginLeft, u"4em", 64},
      {u"12pt", P::MarginTop, u"1.5em", 24},
      {u"12pt", P::PaddingLeft, u"2ex", 16},
      {u"12pt", P::BorderLeftWidth, u"0.25em", 4},
      {u"12pt", P::TextIndent, u"3em", 48},
      {u"24pt", P::MarginRight, u"1em", 32},
      {u"24pt", P::PaddingTop, u"1ex", 16},
      {u"24pt", P::BorderTopWidth, u"1ex", 16},
      {u"24pt", P::TextIndent, u"-1em", -32},
      {u"9pt", P::MarginBottom, u"2em", 24},
      {u"9pt", P::TextIndent, u"2ex", 12},
      {u"150%", P::PaddingRight, u"1em", 24},  // 18 pt under the 12 pt default
      {u"12pt", P::MarginLeft, u"10px", 10},    // other units need no font
  };
  for (const auto& c : cases) {
    THtmlStyleFixture f;
    std::u16string style = u"border-style: solid; font-size: " + std::u16string(c.fontSize) + u"; " +
                           std::u16string(PropName(c.property)) + u": " + c.value;
    TProperties& p = f.Open(u"div", u"", u"", u"", style);
    int got;
    if (c.property == P::TextIndent) {
      bool percent;
      got = p.GetTextIndent(percent);
    } else {
      TMarginArray m;
      int autoCount;
      p.ConvMargArray(400, 300, m, autoCount);
      got = m[static_cast<std::size_t>(c.property)];
    }
    EXPECT_EQ(got, c.pixels) << Narrow(style);
  }
}

TEST(PropertyBox, SpanPassesMarginsDivDoesNot) {
  THtmlStyleFixture f;
  f.Sheet(u"span, div { margin-left: 9px }");
  f.Open(u"span");
  EXPECT_EQ(TextOf(f.Open(u"i"), P::MarginLeft), u"9px");
  f.Close(u"i");
  f.Close(u"span");
  f.Open(u"div");
  EXPECT_EQ(IntOf(f.Open(u"i"), P::MarginLeft), IntNull);
}

TEST(PropertyCharSet, AssignCharSetAndUtf8) {
  THtmlStyleFixture f;
  TProperties& p = f.Open(u"font");
  p.AssignCharSet(31);
  EXPECT_EQ(p.CharSet, 238);
  EXPECT_EQ(p.CodePage, 28592);
  p.AssignUTF8();
  EXPECT_EQ(p.CodePage, 65001);
  EXPECT_EQ(p.CharSet, 0);
}

}  // namespace
}  // namespace tav
