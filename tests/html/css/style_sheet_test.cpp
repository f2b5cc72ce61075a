#include <gtest/gtest.h>

#include <string>

#include "html/css/media_query.h"
#include "html/css/units.h"
#include "html/parse/tokenizer.h"
#include "html_fixture.h"

namespace tav {
namespace {

using P = PropIndices;

std::string N(const std::u16string& s) { return Narrow(s); }

TEST(SheetKeys, CanonicalAndContextualForms) {
  THtmlStyleFixture f;
  struct Case {
    std::u16string selector, key;
  } cases[] = {
      {u"a#x.y", u"a.y#x"},
      {u".b.a", u".a.b"},
      {u"a:hover#x", u"a:hover#x"},
      // The sequence number has ten digits, so that keys sort in source order.
      {u"ul > li", u"li 10000000010ul>"},
      {u"div p span", u"span 20000000010p div"},
      {u"div>p", u"p 10000000010div>"},
      {u"div > p span", u"span 20000000010p div>"},
      {u"a b c d e f g h i j k l", u"l 90000000010k j i h g f e d c"},  // subject and 9 nearest
  };
  for (const auto& c : cases) {
    f.Styles.Clear();
    EXPECT_EQ(N(f.Styles.MakeKey(c.selector).Key), N(c.key));
  }
}

TEST(SheetParse, GroupsCaseAndMedia) {
  struct Case {
    std::u16string sheet;
    bool pRed;
  } cases[] = {
      {u"p, div { color: red }", true},
      {u"P { COLOR: RED }", true},
      {u"@media print { p { color: red } }", false},
      {u"@media screen { p { color: red } }", true},
      {u"@media screen, print { p { color: red } }", true},
      {u"@media all { p { color: red } }", true},
      {u"@import url(x.css); p { color: red }", true},
      {u"/* p { color: blue } */ p { color: red }", true},
      {u"<!-- p { color: red } -->", true},
      {u"p { color: red; font-weight bold; } div { color: blue }", true},
      {u"p[lang] { color: red }", false},
      {u"p { color: nosuch }", false},
      {u"@media print { @page { x: 1 } p { color: blue } } p { color: red }", true},
  };
  for (const auto& c : cases) {
    THtmlStyleFixture f;
    f.Sheet(c.sheet);
    TProperties& p = f.Open(u"p");
    EXPECT_EQ(ColorOf(p) == RGB(255, 0, 0), c.pRed) << N(c.sheet);
  }
}

TEST(MediaLists, ScreenTypesAndWidthTests) {
  struct Case {
    std::u16string list;
    int width;
    bool applies;
  } cases[] = {
      {u"", 800, true},
      {u"screen", 800, true},
      {u"all", 800, true},
      {u"SCREEN", 800, true},
      {u"print", 800, false},
      {u"handheld", 800, false},
      {u"print, screen", 800, true},
      {u"print , all", 800, true},
      {u"only screen", 800, true},
      {u"not print", 800, true},
      {u"not screen", 800, false},
      {u"not all and (max-width: 600px)", 800, true},
      {u"screen and (max-width: 600px)", 600, true},
      {u"screen and (max-width: 600px)", 601, false},
      {u"screen and (min-width:600.5px)", 600, false},
      {u"(min-width: 40em)", 640, true},  // an em is 16 pixels
      {u"(min-width: 40em)", 639, false},
      {u"only screen and (min-width: 600px) and (max-width: 900px)", 800, true},
      {u"only screen and (min-width: 600px) and (max-width: 900px)", 901, false},
      {u"print and (min-width: 1px)", 800, false},
      // Widths past a double's range: zero stays zero, the rest is infinite.
      {u"(min-width: 0e400px)", 800, true},
      {u"(max-width: 0e400em)", 800, false},
      {u"(max-width: 1e400px)", 800, true},
      {u"(min-width: 1e400px)", 800, false},
      // Any other feature, an unknown unit or a broken query is false, even
      // under "not"; the list's other queries still count.
      {u"screen and (orientation: landscape)", 800, false},
      {u"not screen and (color)", 800, false},
      {u"screen and (-webkit-min-device-pixel-ratio: 2)", 800, false},
      {u"(max-width: 50vw)", 800, false},
      {u"screen and", 800, false},
      {u"screen (max-width: 900px)", 800, false},
      {u"screen and (max-width: 900px", 800, false},
      {u"(color), screen", 800, true},
      // Without a known width no width test holds.
      {u"screen and (max-width: 600px)", 0, false},
      {u"screen and (min-width: 0)", 0, false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(MediaListApplies(c.list, TMediaView{c.width, 16}), c.applies)
        << N(c.list) << " at " << c.width;
}

// A page's desktop-only and mobile-only blocks: only the one for the width
// the document is built for applies.
TEST(SheetParse, MediaBlocksFollowTheViewWidth) {
  const std::u16string sheet =
      u"@media screen and (max-width: 600px) { p { color: red } }"
      u"@media screen and (min-width: 601px) { p { color: blue } }"
      u"@media (min-width: 30em) and (max-width: 50em) { p { text-indent: 3px } }";
  struct Case {
    int width;
    TColor color;
    std::u16string indent;
  } cases[] = {
      {400, RGB(255, 0, 0), u""},
      {600, RGB(255, 0, 0), u"3px"},
      {800, RGB(0, 0, 255), u"3px"},
      {1000, RGB(0, 0, 255), u""},
  };
  for (const auto& c : cases) {
    THtmlStyleFixture f;
    f.Styles.MediaWidth = c.width;
    f.Sheet(sheet);
    TProperties& p = f.Open(u"p");
    EXPECT_EQ(ColorOf(p), c.color) << c.width;
    EXPECT_EQ(N(TextOf(p, P::TextIndent)), N(c.indent)) << c.width;
  }
}

// A selector this renderer cannot read matches nothing, and only it is
// dropped from its group.
TEST(SheetParse, UnreadableSelectorsMatchNothing) {
  struct Case {
    std::u16string sheet;
    std::vector<std::u16string> path;  // ancestors, then the element
    bool red;
  } cases[] = {
      {u"p[title] { color: red }", {u"p"}, false},
      {u"a, p[title], b { color: red }", {u"p"}, false},
      {u"a, p[title], b { color: red }", {u"a"}, true},
      {u"a, p[title], b { color: red }", {u"b"}, true},
      {u"p[title=\"x, y\"], b { color: red }", {u"b"}, true},
      {u":is(a, p), b { color: red }", {u"p"}, false},
      {u":is(a, p), b { color: red }", {u"b"}, true},
      {u"h1 + p { color: red }", {u"p"}, false},
      {u"h1 ~ p { color: red }", {u"p"}, false},
      {u"p::before { color: red }", {u"p"}, false},
      {u"p:not(.x) { color: red }", {u"p"}, false},
      {u"div * { color: red }", {u"div"}, false},
      {u"div > * { color: red }", {u"div"}, false},
      {u"div > { color: red }", {u"div"}, false},
      {u"p.caf\u00E9 { color: red }", {u"p"}, false},
      // What the renderer reads still applies.
      {u"div > p { color: red }", {u"div", u"p"}, true},
      {u"*.x { color: red }", {u"p.x"}, true},
      {u"div * p { color: red }", {u"div", u"p"}, true},
  };
  for (const auto& c : cases) {
    THtmlStyleFixture f;
    f.Sheet(c.sheet);
    TProperties* last = nullptr;
    for (const auto& step : c.path) {
      TSelectorPart part = ParseSelectorPart(step);
      last = &f.Open(part.Tag, part.JoinedClasses());
    }
    EXPECT_EQ(ColorOf(*last) == RGB(255, 0, 0), c.red) << N(c.sheet) << " on " << N(c.path.back());
  }
}

// Contextual rules of the same depth merge in the order they were read,
// however many there are.
TEST(SheetCombine, ContextualRulesMergeInSourceOrder) {
  THtmlStyleFixture f;
  std::u16string sheet;
  for (int n = 1; n <= 150; ++n)
    sheet += u"div p { text-indent: " + Ascii(std::to_string(n)) + u"px }\n";
  sheet += u"div p { color: red }";
  f.Sheet(sheet);
  f.Sheet(u"div p { color: blue }");  // a later sheet comes later still
  f.Open(u"div");
  TProperties& p = f.Open(u"p");
  EXPECT_EQ(TextOf(p, P::TextIndent), u"150px");
  EXPECT_EQ(ColorOf(p), RGB(0, 0, 255));
}

TEST(SheetParse, StyleElementWrappedInCommentStopsAtTheEndTag) {
  THtmlStyleFixture f;
  THtmlTokenizer t;
  t.Prepare(u"<style><!--\r\n p { color: red }\r\n --></style><p>x");
  t.Next();
  ASSERT_EQ(t.Sy, StyleSy);
  TTokenizerSheetSource source(t);
  char16_t stop = ParseStyleSheet(f.Styles, source, true, u"");
  EXPECT_EQ(stop, u'<');
  EXPECT_EQ(t.Ch, u'<');
  t.RawMode = false;
  t.Next();
  EXPECT_EQ(t.Sy, StyleEndSy);
  t.Next();
  EXPECT_EQ(t.Sy, PSy);
  EXPECT_EQ(ColorOf(f.Open(u"p")), RGB(255, 0, 0));
}

TEST(SheetParse, EmptyStyleElementStopsAtOnce) {
  THtmlStyleFixture f;
  THtmlTokenizer t;
  t.Prepare(u"<style></style>x");
  t.Next();
  TTokenizerSheetSource source(t);
  EXPECT_EQ(ParseStyleSheet(f.Styles, source, true, u""), u'<');
  t.RawMode = false;
  t.Next();
  EXPECT_EQ(t.Sy, StyleEndSy);
}

TEST(SheetWords, Splitting) {
  struct Case {
    std::u16string value;
    std::vector<std::u16string> words;
  } cases[] = {
      {u"a   b", {u"a", u"b"}},
      {u"12pt/14pt arial", {u"12pt", u"/14pt", u"arial"}},
      {u"\"times new roman\", serif", {u"\"times new roman\",serif"}},
      {u"rgb(1, 2, 3) solid", {u"rgb(1,2,3)", u"solid"}},
  };
  for (const auto& c : cases) EXPECT_EQ(SplitWords(c.value), c.words) << N(c.value);
}

TEST(SheetShorthands, Expansion) {
  THtmlStyleFixture f;
  f.Sheet(u"p { font: italic bold 12pt/14pt Arial }"
          u"div { border: 2px dashed rgb(0, 0, 255) }"
          u"ul { background: #ff0000 url(Img/Dot.GIF) no-repeat fixed left top }"
          u"ol { list-style: square url(B.png) }"
          u"h1 { font: 700 10pt serif }"
          u"h2 { font: 10pt 1" + std::u16string(130, u'4') + u" serif }"
          u"em { padding: 1px 2px }");
  TProperties& p = f.Open(u"p");
  EXPECT_EQ(TextOf(p, P::FontStyle), u"italic");
  EXPECT_EQ(TextOf(p, P::FontWeight), u"bold");
  EXPECT_DOUBLE_EQ(SizeOf(p), 12);
  EXPECT_EQ(TextOf(p, P::LineHeight), u"14pt");
  EXPECT_EQ(TextOf(p, P::FontFamily), u"arial");
  f.Close(u"p");
  TProperties& div = f.Open(u"div");
  EXPECT_EQ(TextOf(div, P::BorderLeftWidth), u"2px");
  EXPECT_EQ(TextOf(div, P::BorderTopStyle), u"dashed");
  EXPECT_EQ(TextOf(div, P::BorderStyle), u"dashed");
  EXPECT_EQ(IntOf(div, P::BorderRightColor), static_cast<int>(RGB(0, 0, 255)));
  f.Close(u"div");
  TProperties& ul = f.Open(u"ul");
  EXPECT_EQ(IntOf(ul, P::BackgroundColor), static_cast<int>(RGB(255, 0, 0)));
  EXPECT_EQ(TextOf(ul, P::BackgroundImage), u"url(Img/Dot.GIF)");
  EXPECT_EQ(TextOf(ul, P::BackgroundRepeat), u"no-repeat");
  EXPECT_EQ(TextOf(ul, P::BackgroundAttachment), u"fixed");
  EXPECT_EQ(TextOf(ul, P::BackgroundPosition), u"left top");
  f.Close(u"ul");
  TProperties& ol = f.Open(u"ol");
  EXPECT_EQ(TextOf(ol, P::ListStyleType), u"square");
  EXPECT_EQ(TextOf(ol, P::ListStyleImage), u"url(B.png)");
  f.Close(u"ol");
  TProperties& h1 = f.Open(u"h1");
  EXPECT_DOUBLE_EQ(SizeOf(h1), 10);
  EXPECT_EQ(TextOf(h1, P::FontWeight), u"bold");  // '700' is no size, and no weight either
  f.Close(u"h1");
  TProperties& h2 = f.Open(u"h2");  // a weight past any integer's range is still no size
  EXPECT_DOUBLE_EQ(SizeOf(h2), 10);
  EXPECT_EQ(TextOf(h2, P::FontFamily), u"serif");
  f.Close(u"h2");
  TProperties& em = f.Open(u"em");
  EXPECT_EQ(TextOf(em, P::PaddingTop), u"1px");
  EXPECT_EQ(TextOf(em, P::PaddingLeft), u"2px");
}

TEST(SheetUrls, KeepCaseAndJoinTheBase) {
  struct Case {
    std::u16string sheet, base, image;
  } cases[] = {
      {u"p { background-image: URL(Img/Bg.PNG) }", u"", u"url(Img/Bg.PNG)"},
      {u"p { background-image: url(Img/Bg.PNG) }", u"/srv/Site/css", u"url(/srv/Site/css/Img/Bg.PNG)"},
      {u"p { background-image: url(../I.png) }", u"http://h.example/a/b/s.css", u"url(http://h.example/a/I.png)"},
      {u"p { background-image: url(/I.png) }", u"http://h.example/a/s.css", u"url(http://h.example/I.png)"},
      {u"p { background-image: url(https://x.example/I.png) }", u"/srv", u"url(https://x.example/I.png)"},
      {u"p { background-image: url(file:///tmp/A%20B.png) }", u"", u"url(/tmp/A B.png)"},
  };
  for (const auto& c : cases) {
    THtmlStyleFixture f;
    f.Sheet(c.sheet, c.base);
    EXPECT_EQ(N(TextOf(f.Open(u"p"), P::BackgroundImage)), N(c.image)) << N(c.sheet);
  }
}

// Each row adds the rule of one more lookup step; the newest must win.
TEST(SheetCombine, EachLookupStepOverridesTheOneBefore) {
  const std::u16string steps[] = {u"::link", u"a", u":link", u".c", u"a.c", u"a:link",
                                  u".c:link", u"a.c:link", u"a.c:link#i", u"div a:link"};
  for (int k = 1; k <= 11; ++k) {
    THtmlStyleFixture f;
    std::u16string sheet;
    // The built-in link rule has no selector a sheet can write.
    f.Styles.AddModifyProp(steps[0], u"text-indent", u"1px");
    for (int s = 2; s <= k && s <= 10; ++s)
      sheet += steps[s - 1] + u" { text-indent: " + Ascii(std::to_string(s)) + u"px }\n";
    f.Sheet(sheet);
    f.Open(u"div");
    std::u16string inlineStyle = k == 11 ? u"text-indent: 11px" : u"";
    TProperties& a = f.Open(u"a", u"c", u"i", u"link", inlineStyle);
    EXPECT_EQ(N(TextOf(a, P::TextIndent)), std::to_string(k) + "px") << "step " << k;
  }
}

TEST(SheetCombine, IdRulesInEveryForm) {
  const std::u16string selectors[] = {u"#i", u"a#i", u".c#i", u"#i:link", u"a#i:link",
                                      u"a.c#i", u".c:link#i", u"a.c:link#i"};
  for (const auto& s : selectors) {
    THtmlStyleFixture f;
    f.Sheet(s + u" { text-indent: 5px }");
    EXPECT_EQ(TextOf(f.Open(u"a", u"c", u"i", u"link"), P::TextIndent), u"5px") << N(s);
  }
}

TEST(SheetCombine, ContextualMatching) {
  struct Case {
    std::u16string sheet;
    std::vector<std::u16string> path;  // ancestors, then the element
    bool matches;
  } cases[] = {
      {u"ul li { color: red }", {u"ul", u"div", u"li"}, true},
      {u"ul > li { color: red }", {u"ul", u"li"}, true},
      {u"ul > li { color: red }", {u"ul", u"div", u"li"}, false},
      {u"div abbr { color: red }", {u"div", u"a"}, false},
      {u"abbr { color: red }", {u"a"}, false},
      // Greedy, no backtracking: the nearest p is taken, and its parent is
      // no div, so the further p under a div is not tried.
      {u"div > p span { color: red }", {u"div", u"p", u"p", u"span"}, false},
      {u"div > p span { color: red }", {u"div", u"p", u"b", u"span"}, true},
      {u".x li { color: red }", {u"ul.x.y", u"li"}, true},
      {u"a b c d e f g h i j k { color: red }",
       {u"a", u"b", u"c", u"d", u"e", u"f", u"g", u"h", u"i", u"j", u"k"}, true},
      {u"z b c d e f g h i j k { color: red }",
       {u"b", u"c", u"d", u"e", u"f", u"g", u"h", u"i", u"j", u"k"}, true},  // 'z' is past the nine kept
      {u".b.a { color: red }", {u"p.a.b"}, true},
  };
  for (const auto& c : cases) {
    THtmlStyleFixture f;
    f.Sheet(c.sheet);
    TProperties* last = nullptr;
    for (const auto& step : c.path) {
      TSelectorPart part = ParseSelectorPart(step);
      last = &f.Open(part.Tag, part.JoinedClasses());
    }
    EXPECT_EQ(ColorOf(*last) == RGB(255, 0, 0), c.matches) << N(c.sheet);
  }
}

TEST(SheetCombine, InlineStyleOverridesTheSheet) {
  THtmlStyleFixture f;
  f.Sheet(u"p { color: blue }");
  EXPECT_EQ(ColorOf(f.Open(u"p", u"", u"", u"", u"color:red")), RGB(255, 0, 0));
}

TEST(SheetCombine, MultipleClassesMatchEachAndAll) {
  THtmlStyleFixture f;
  f.Sheet(u".a { margin-top: 1px } .b { margin-bottom: 2px } .a.b { margin-left: 3px }");
  TProperties& p = f.Open(u"p", u"a.b");
  EXPECT_EQ(TextOf(p, P::MarginTop), u"1px");
  EXPECT_EQ(TextOf(p, P::MarginBottom), u"2px");
  EXPECT_EQ(TextOf(p, P::MarginLeft), u"3px");
  // A tag rule never comes back over a rule for one of the classes.
  EXPECT_EQ(TextOf(p, P::MarginTop), u"1px");
  f.Sheet(u"p { color: blue } .b { color: red } .a.b { text-indent: 4px } .a { text-indent: 1px }");
  f.Close(u"p");
  TProperties& q = f.Open(u"p", u"a.b");
  EXPECT_EQ(ColorOf(q), RGB(255, 0, 0));
  EXPECT_EQ(TextOf(q, P::TextIndent), u"4px");  // the full set after the single classes
}

TEST(SheetLinks, HoverTrackingAndLinkStateFonts) {
  THtmlStyleFixture f;
  EXPECT_FALSE(f.Styles.LinksActive);
  f.Sheet(u"a:link { color: green } a:hover { font-weight: bold }");
  EXPECT_TRUE(f.Styles.LinksActive);
  TProperties& a = f.Open(u"a", u"", u"", u"link");
  ASSERT_TRUE(a.InLink);
  ASSERT_TRUE(a.FIArray);
  const TFontInfoArray& fonts = *a.FIArray;
  for (int s : {lsNormal, lsVisited, lsHover, lsHoverVisited})
    EXPECT_EQ(fonts[static_cast<std::size_t>(s)].Color, RGB(0, 128, 0)) << s;
  EXPECT_EQ(fonts[lsNormal].Weight, u"normal");
  EXPECT_EQ(fonts[lsHover].Weight, u"bold");
  EXPECT_EQ(fonts[lsHoverVisited].Weight, u"bold");
  EXPECT_EQ(fonts[lsNormal].Decoration, u"underline");
  // Children of the link carry its state fonts with their own changes.
  TProperties& b = f.Open(u"b");
  EXPECT_EQ((*b.FIArray)[lsHover].Weight, u"bold");
  EXPECT_EQ((*b.FIArray)[lsNormal].Weight, u"bold");
}

TEST(SheetLinks, DefaultLinkColoursAndRulesForA) {
  THtmlStyleFixture f;
  TProperties& a = f.Open(u"a", u"", u"", u"link");
  EXPECT_EQ((*a.FIArray)[lsNormal].Color, 0x00FF0000u);
  EXPECT_EQ((*a.FIArray)[lsVisited].Color, 0x00800080u);
  f.Close(u"a");
  f.Sheet(u"a { color: teal }");
  EXPECT_EQ((*f.Open(u"a", u"", u"", u"link").FIArray)[lsNormal].Color, RGB(0, 128, 128));
}

TEST(SheetLinks, StateFontsFollowTheLinksValuesLaterRulesAndContext) {
  THtmlStyleFixture f;
  f.Sheet(u"a:hover { font-weight: bold; font-size: 150% }");
  auto hover = [&f] {
    TFontInfo font = (*f.Open(u"a", u"", u"", u"link").FIArray)[lsHover];
    f.Close(u"a");
    return font;
  };
  EXPECT_EQ(hover().Weight, u"bold");
  EXPECT_DOUBLE_EQ(hover().Size, 18);
  // The same link with other font values of its own.
  f.Open(u"big");
  EXPECT_DOUBLE_EQ(hover().Size, 22.5);
  f.Close(u"big");
  // A later sheet changes a rule that already exists.
  f.Sheet(u"a:hover { font-weight: lighter }");
  EXPECT_EQ(hover().Weight, u"lighter");
  // A contextual rule for a state reaches only the links in its context.
  f.Sheet(u"p a:hover { color: red }");
  TColor outside = hover().Color;
  f.Open(u"p");
  EXPECT_EQ(hover().Color, RGB(255, 0, 0));
  f.Close(u"p");
  EXPECT_EQ(hover().Color, outside);
  EXPECT_NE(outside, RGB(255, 0, 0));
}

TEST(SheetFontSize, RelativeSizesResolveAndClamp) {
  THtmlStyleFixture f;
  f.Sheet(u"p { font-size: 150% } i { font-size: larger } b { font-size: 12px } u { font-size: 1e9% }");
  EXPECT_DOUBLE_EQ(SizeOf(f.Open(u"p")), 18);
  f.Close(u"p");
  EXPECT_DOUBLE_EQ(SizeOf(f.Open(u"i")), 15);
  f.Close(u"i");
  EXPECT_DOUBLE_EQ(SizeOf(f.Open(u"b")), 9);
  f.Close(u"b");
  EXPECT_DOUBLE_EQ(SizeOf(f.Open(u"u")), 2000);
  f.Close(u"u");
  TProperties* big = nullptr;
  for (int i = 0; i < 60; ++i) big = &f.Open(u"big");
  EXPECT_DOUBLE_EQ(SizeOf(*big), 2000);
  EXPECT_EQ(big->GetFont().Desc.Height, -2667);
}

TEST(SheetBuiltIn, DefaultsFromTheBuiltInSheet) {
  THtmlStyleFixture f;
  ASSERT_NE(f.Styles.DefProp, nullptr);
  EXPECT_DOUBLE_EQ(SizeOf(f.Open(u"pre")), 10);
  EXPECT_EQ(TextOf(f.Open(u"p"), P::MarginTop), u"0");  // a P inside a PRE
  f.Close(u"p");
  f.Close(u"pre");
  EXPECT_EQ(IntOf(f.Open(u"p"), P::MarginTop), AutoParagraph);
  f.Close(u"p");
  EXPECT_DOUBLE_EQ(SizeOf(f.Open(u"h1")), 24);
  f.Close(u"h1");
  EXPECT_DOUBLE_EQ(SizeOf(f.Open(u"code")), 12 * 0.833);
  EXPECT_EQ(ColorOf(f.Stack[0]), clSystemColor | 18);
}

// Every document starts from a copy of one built-in sheet per set of
// defaults; what one document's sheet changes stays in that document.
TEST(SheetBuiltIn, EachDocumentChangesOnlyItsOwnCopy) {
  {
    THtmlStyleFixture changed;
    changed.Sheet(u"p { color: red } default { color: blue } pre p { margin-top: 7px }"
                  u" a:link { color: green } h1 { font-size: 40pt }");
    ASSERT_NE(changed.Styles.DefProp, nullptr);
    EXPECT_EQ(ColorOf(*changed.Styles.DefProp), 0xFF0000u);  // blue, as 0x00BBGGRR
    EXPECT_EQ(ColorOf(*changed.Styles.Find(u"::hover")), 0x008000u);
    EXPECT_DOUBLE_EQ(SizeOf(changed.Open(u"h1")), 40);
  }
  THtmlStyleFixture fresh;  // its device is new; the first one is gone
  EXPECT_EQ(ColorOf(*fresh.Styles.DefProp), clSystemColor | 18);
  EXPECT_EQ(ColorOf(*fresh.Styles.Find(u"::hover")), TStyleDefaults{}.HoverColor);
  EXPECT_EQ(ColorOf(fresh.Open(u"p")), clSystemColor | 18);
  fresh.Close(u"p");
  fresh.Open(u"pre");
  EXPECT_EQ(TextOf(fresh.Open(u"p"), P::MarginTop), u"0");
  fresh.Close(u"p");
  fresh.Close(u"pre");
  EXPECT_DOUBLE_EQ(SizeOf(fresh.Open(u"h1")), 24);

  // Other defaults give another sheet, and the first is still there after.
  TStyleDefaults larger;
  larger.DefFontSize = 16;
  larger.LinkColor = 0x0000FFu;
  fresh.Styles.Initialize(larger);
  EXPECT_DOUBLE_EQ(AsNumber(fresh.Styles.Find(u"h1")->Get(P::FontSize)), 32);
  EXPECT_EQ(ColorOf(*fresh.Styles.Find(u"::link")), 0x0000FFu);
  fresh.Styles.Initialize(TStyleDefaults{});
  EXPECT_DOUBLE_EQ(AsNumber(fresh.Styles.Find(u"h1")->Get(P::FontSize)), 24);
  EXPECT_EQ(fresh.Styles.RuleCount(), THtmlStyleFixture().Styles.RuleCount());
}

}  // namespace
}  // namespace tav
