#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <map>

#include "html/layout/document.h"
#include "html/layout/indent_manager.h"
#include "html/layout/text/section.h"
#include "html_fixture.h"
#include "platform/testing/recording_surface.h"

namespace tav {
namespace {

// The default font on the fixed-metrics device: 12 pt at 96 ppi, em 16,
// every character 8 pixels wide, cell height 18, descent 4.
constexpr int CW = 8;
constexpr int LH = 18;

std::u16string Shown(std::u16string_view s) {
  std::u16string r(s);
  for (auto& c : r)
    if (c == BrkCh) c = u'\n';
  return r;
}

class SectionTest : public ::testing::Test {
protected:
  THtmlStyleFixture F;
  TSectionList Document{F.Device};
  IndentManager Imgr;
  std::unique_ptr<TFixedMetricsSurface> Surface = F.Device.CreateSurface(800, 600);
  int NextIndex = 0;

  TProperties& Top() { return F.Stack.Last(); }

  std::unique_ptr<TSection> Make(TProperties* props = nullptr) {
    return std::make_unique<TSection>(Document, nullptr, props ? *props : Top(), nullptr, &Document, true);
  }
  // Appends text: '\n' is a BR, '|' a WBR.
  void Add(TSection& s, std::u16string_view text, bool noBreak = false) {
    TokenObj tok;
    auto flush = [&] {
      if (tok.Leng() > 0) s.AddTokenObj(tok, F.Stack, noBreak);
      tok.Clear();
    };
    for (char16_t c : text) {
      if (c == u'\n') {
        flush();
        s.AddChar(BrkCh, NextIndex++);
      } else if (c == u'|') {
        flush();
        s.AddOpBrk();
      } else {
        tok.AddUnicodeChar(c, NextIndex++);
      }
    }
    flush();
  }
  std::unique_ptr<TSection> Build(std::u16string_view text, bool noBreak = false,
                                  TProperties* props = nullptr) {
    auto s = Make(props);
    Add(*s, text, noBreak);
    s->ProcessText(NextIndex);
    return s;
  }
  // Lays out at (x, y) in `width`; float entries already in Imgr stay.
  int Lay(TSection& s, int width, int x = 0, int y = 0, int* maxWidth = nullptr, int curs = 0,
          TFirstLine* firstLine = nullptr) {
    Imgr.Reset(x, x + width);
    int mw = 0;
    TFirstLine noRequest;
    int h = s.DrawLogic(*Surface, x, y, 0, 0, width, 10000, 0, Imgr, mw, curs,
                        firstLine ? *firstLine : noRequest);
    if (maxWidth) *maxWidth = mw;
    return h;
  }
  static std::vector<std::u16string> LineTexts(const TSection& s) {
    std::vector<std::u16string> out;
    for (const LineRec& l : s.Lines)
      if (l.Ln > 0) out.push_back(Shown(std::u16string_view(s.Buff).substr(l.Start, l.Ln)));
    return out;
  }
  // Text calls of one paint of the section, on a clip of the whole surface.
  std::vector<TDrawCall> Paint(TSection& s, int x = 0, TRect clip = {0, 0, 800, 600}) {
    TRecordingSurface rec(*Surface);
    s.Draw1(rec, clip, Imgr, x, 0, 0);
    std::vector<TDrawCall> texts;
    for (const TDrawCall& c : rec.Calls())
      if (c.Kind == TDrawCall::TKind::dcText) texts.push_back(c);
    return texts;
  }
};

// ---------------------------------------------------------------- text clean-up

TEST_F(SectionTest, ProcessTextCleansSpacesHyphensAndBreaks) {
  struct Case {
    std::u16string In;
    bool NoBreak;
    std::u16string Buff;  // '\n' for BR
    std::string Brk;      // without the final 'y'
  } cases[] = {
      {u"a  b", false, u"a b ", "yyyy"},
      {u"   lead", false, u"lead ", "yyyyy"},
      {u"a\u00A0\u00A0b", false, u"a\u00A0\u00A0b ", "yyyyy"},
      {u"super\u00ADcali", false, u"supercali ", "yyyysyyyyy"},
      {u"\u00ADab", false, u"ab ", "yyy"},
      {u"a \n b", false, u"a\nb ", "yyyy"},
      {u"a  \n  \n  b", false, u"a\n\nb ", "yyyyy"},
      {u"end \n ", false, u"end ", "yyyy"},
      {u"   ", false, u"", ""},
      // Inside NOBR the first of two spaces goes, so the kept one is 'n'.
      {u"a  b", true, u"a b ", "nnny"},
      {u"x\u00ADy", true, u"xy ", "nny"},
  };
  for (const Case& c : cases) {
    auto s = Build(c.In, c.NoBreak);
    SCOPED_TRACE(std::string(c.In.begin(), c.In.end()));
    EXPECT_EQ(Shown(s->Buff), c.Buff);
    EXPECT_EQ(s->Brk, c.Brk + "y");
    EXPECT_EQ(s->Len, static_cast<int>(c.Buff.size()));
  }
}

TEST_F(SectionTest, FontRunsFollowTheRemovedCharacters) {
  auto s = Make();
  Add(*s, u"ab");
  TProperties& bold = F.Open(u"b");
  s->ChangeFont(bold);
  Add(*s, u"  ");
  F.Close(u"b");
  s->ChangeFont(Top());
  Add(*s, u"  cd");
  // A run whose only character goes gives way to the next one.
  TProperties& big = F.Open(u"big");
  s->ChangeFont(big);
  Add(*s, u"\u00AD");
  F.Close(u"big");
  s->ChangeFont(Top());
  Add(*s, u"e");
  s->ProcessText(NextIndex);
  EXPECT_EQ(s->Buff, u"ab cde ");
  std::vector<std::pair<int, int>> runs;  // position, em height (bold: negative)
  for (int i = 0; i < s->Fonts.Count(); ++i) {
    const TFontDesc& d = s->Fonts[i].TheFont.Desc;
    runs.push_back({s->Fonts[i].Pos, d.Bold() ? d.Height : -d.Height});
  }
  std::vector<std::pair<int, int>> expected = {{0, 16}, {2, -16}, {3, 16}, {5, 16}};
  EXPECT_EQ(runs, expected);
}

TEST_F(SectionTest, LinkRunsAreListedAndForgottenWhenEmptied) {
  TUrlTarget link;
  link.Url = u"http://x/";
  auto s = Make();
  Add(*s, u"go ");
  TProperties& a = F.Open(u"a", u"", u"", u"link");
  s->HRef(ASy, a, &link);
  Add(*s, u"th");
  s->ChangeFont(F.Open(u"b"));
  Add(*s, u"er");
  F.Close(u"b");
  s->ChangeFont(a);
  Add(*s, u"e");
  F.Close(u"a");
  s->HRef(AEndSy, Top(), nullptr);
  // A link that keeps no characters leaves the list again.
  TUrlTarget empty;
  empty.Url = u"http://y/";
  TProperties& a2 = F.Open(u"a", u"", u"", u"link");
  s->HRef(ASy, a2, &empty);
  Add(*s, u"\u00AD");
  F.Close(u"a");
  s->HRef(AEndSy, Top(), nullptr);
  Add(*s, u"!");
  ASSERT_EQ(Document.Links.LinkList.size(), 4u);
  s->ProcessText(NextIndex);
  ASSERT_EQ(Document.Links.LinkList.size(), 3u);
  TFontObj* run = Document.Links.LinkList[0];
  for (TFontObj* r : Document.Links.LinkList) EXPECT_EQ(r->UrlTarget, &link);
  EXPECT_EQ(run->Pos, 3);
  EXPECT_EQ(s->Fonts.GetFontCountAt(3, 100), 2);
  EXPECT_EQ(Document.Links.LinkList[1]->TheFont.Desc.Weight, FW_BOLD);
  EXPECT_EQ(s->Fonts.GetFontObjAt(8)->UrlTarget, nullptr);
  // Link states switch the run's font.
  ASSERT_TRUE(run->FIArray);
  EXPECT_EQ(run->TheFont.Color, Document.Defaults.LinkColor);
  run->SetVisited(true);
  EXPECT_EQ(run->TheFont.Color, Document.Defaults.VisitedColor);
  // Hovering one run of a link lights up its neighbours of the same link.
  Document.Links.LinkList[1]->SetHover(true);
  EXPECT_EQ(run->TheFont.Color, Document.Defaults.HoverColor);
  for (TFontObj* r : Document.Links.LinkList) EXPECT_TRUE(r->FHover);
  s.reset();
  EXPECT_TRUE(Document.Links.LinkList.empty());
}

TEST_F(SectionTest, TransformsSmallCapsAndDisplayNone) {
  auto upper = Build(u"abc", false, &F.Open(u"span", u"", u"", u"", u"text-transform: uppercase"));
  EXPECT_EQ(upper->Buff, u"ABC ");
  F.Close(u"span");

  TProperties& caps = F.Open(u"span", u"", u"", u"", u"font-variant: small-caps");
  auto s = Build(u"Hi ALL 2day");
  F.Close(u"span");
  (void)caps;
  EXPECT_EQ(s->Buff, u"HI ALL 2DAY ");
  // Letters that were lower case are in the small font; spaces and digits
  // stay in the run before them.
  std::vector<std::pair<int, int>> runs;  // position, em height
  for (int i = 0; i < s->Fonts.Count(); ++i) runs.push_back({s->Fonts[i].Pos, -s->Fonts[i].TheFont.Desc.Height});
  std::vector<std::pair<int, int>> expected = {{0, 16}, {1, 12}, {3, 16}, {8, 12}, {11, 16}};
  EXPECT_EQ(runs, expected);

  auto hidden = Build(u"gone", false, &F.Open(u"span", u"", u"", u"", u"display: none"));
  EXPECT_EQ(hidden->Len, 0);
  F.Close(u"span");
}

TEST_F(SectionTest, IdRegistersTheSection) {
  TAttributeList attrs;
  attrs.Add(TAttribute{IDSy, u"ID", u"Intro"});
  TSection s(Document, &attrs, Top(), nullptr, &Document, true);
  auto it = Document.Links.IDNameList.find(u"INTRO");
  ASSERT_NE(it, Document.Links.IDNameList.end());
  EXPECT_EQ(it->second.Item, &s);
}

TEST(FontList, RunsAtPositions) {
  TFixedMetricsDevice device;
  TMyFont plain;
  plain.tmHeight = 18;
  TMyFont italic = plain;
  italic.Desc.Italic = true;
  TFontList list;
  list.Add(std::make_unique<TFontObj>(nullptr, plain, 0));
  list.Add(std::make_unique<TFontObj>(nullptr, italic, 4));
  list.Add(std::make_unique<TFontObj>(nullptr, plain, 5));
  int overhang = -1;
  EXPECT_EQ(list.GetFontAt(4, overhang), &list[1].TheFont);
  EXPECT_EQ(overhang, 1);
  EXPECT_EQ(list.GetFontObjAt(3), &list[0]);
  EXPECT_EQ(list.GetFontCountAt(1, 100), 3);
  EXPECT_EQ(list.GetFontCountAt(1, 2), 2);
  EXPECT_EQ(list.GetFontCountAt(7, 3), 3);
  // The italic run's one character goes: the run merges away.
  list.Decrement(4);
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list[1].Pos, 4);
  EXPECT_FALSE(list[1].TheFont.Desc.Italic);
}

// ---------------------------------------------------------------- line breaking

TEST_F(SectionTest, LineBreaking) {
  struct Case {
    std::u16string Text;
    bool NoBreak;
    int Chars;  // available width in characters
    std::vector<std::u16string> Lines;
  } cases[] = {
      {u"aaa bbb ccc", false, 7, {u"aaa bbb ", u"ccc "}},
      {u"aaa bbb ccc", false, 6, {u"aaa ", u"bbb ", u"ccc "}},
      // No-break spaces are no break opportunity.
      {u"a\u00A0\u00A0b c", false, 3, {u"a\u00A0\u00A0b ", u"c "}},
      {u"word-word", false, 6, {u"word-", u"word "}},
      {u"x|y", false, 1, {u"x", u"y "}},
      // Inside NOBR only the WBR breaks.
      {u"aa bb|cc dd", true, 3, {u"aa bb", u"cc dd "}},
      {u"aa bb cc", true, 3, {u"aa bb cc "}},
      {u"\u4E00\u4E01\u4E02", false, 4, {u"\u4E00\u4E01", u"\u4E02 "}},
      {u"ab\ncd", false, 50, {u"ab\n", u"cd "}},
      {u"ab\n\ncd", false, 50, {u"ab\n", u"\n", u"cd "}},
      // A word wider than the line overflows whole.
      {u"abcdefghij kl", false, 5, {u"abcdefghij ", u"kl "}},
      {u"a? b", false, 2, {u"a? ", u"b "}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.Text.begin(), c.Text.end()));
    auto s = Build(c.Text, c.NoBreak);
    Lay(*s, c.Chars * CW);
    EXPECT_EQ(LineTexts(*s), c.Lines);
  }
}

TEST_F(SectionTest, SoftHyphenBreaksWithAHyphenOnlyWhenBroken) {
  auto s = Build(u"super\u00ADcali");
  Lay(*s, 7 * CW);
  EXPECT_EQ(LineTexts(*s), (std::vector<std::u16string>{u"super", u"cali "}));
  EXPECT_TRUE(s->Lines[0].Shy);
  EXPECT_EQ(s->Lines[0].DrawWidth, 6 * CW);
  auto calls = Paint(*s);
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(calls[1].Text, u"-");
  EXPECT_EQ(calls[1].Points[0].X, 5 * CW);

  // No room for the hyphen: the word overflows whole.
  Lay(*s, 5 * CW);
  EXPECT_EQ(LineTexts(*s), (std::vector<std::u16string>{u"supercali "}));

  Lay(*s, 400);
  EXPECT_EQ(LineTexts(*s), (std::vector<std::u16string>{u"supercali "}));
  EXPECT_FALSE(s->Lines[0].Shy);
  for (const TDrawCall& c : Paint(*s)) EXPECT_EQ(c.Text.find(u'-'), std::u16string::npos);
}

TEST_F(SectionTest, BreakWordCutsLongWords) {
  TProperties& p = F.Open(u"div", u"", u"", u"", u"word-wrap: break-word");
  auto s = Build(u"abcdefghij", false, &p);
  Lay(*s, 4 * CW);
  EXPECT_EQ(LineTexts(*s), (std::vector<std::u16string>{u"abcd", u"efgh", u"ij "}));
  int mn = 0, mx = 0;
  s->MinMaxWidth(*Surface, mn, mx);
  EXPECT_EQ(mn, CW);
}

TEST_F(SectionTest, TextIndent) {
  struct Case {
    std::u16string Style;
    int Width;
    int FirstX;
  } cases[] = {{u"text-indent: 10%", 400, 40}, {u"text-indent: 24px", 400, 24}, {u"text-indent: 95%", 400, 360}};
  for (const Case& c : cases) {
    TProperties& p = F.Open(u"p", u"", u"", u"", c.Style);
    std::u16string text(60, u'a');
    for (std::size_t i = 4; i < text.size(); i += 5) text[i] = u' ';
    auto s = Build(text, false, &p);
    F.Close(u"p");
    Lay(*s, c.Width, 30);
    ASSERT_GE(s->Lines.size(), 2u);
    EXPECT_EQ(s->Lines[0].DrawXX, c.FirstX);
    EXPECT_EQ(s->Lines[1].DrawXX, 0);
    EXPECT_LE(s->Lines[0].DrawWidth, c.Width - c.FirstX);
  }
}

TEST_F(SectionTest, AlignmentPlacesLines) {
  struct Case {
    std::u16string Align;
    int X;
  } cases[] = {{u"left", 0}, {u"center", (100 - 24) / 2}, {u"right", 100 - 24}};
  for (const Case& c : cases) {
    TProperties& p = F.Open(u"p", u"", u"", u"", u"text-align: " + c.Align);
    auto s = Build(u"abc", false, &p);
    F.Close(u"p");
    Lay(*s, 100, 10);
    EXPECT_EQ(s->Lines[0].DrawXX, c.X);
    EXPECT_EQ(Paint(*s, 10)[0].Points[0].X, 10 + c.X);
  }
}

TEST_F(SectionTest, JustifyStretchesSpacesButNotTheLastLine) {
  TProperties& p = F.Open(u"p", u"", u"", u"", u"text-align: justify");
  auto s = Build(u"aa bb cc dd ee", false, &p);
  Lay(*s, 100);
  ASSERT_EQ(LineTexts(*s), (std::vector<std::u16string>{u"aa bb cc dd ", u"ee "}));
  EXPECT_EQ(s->Lines[0].Spaces, 3);
  EXPECT_EQ(s->Lines[0].Extra, 100 - 11 * CW);
  EXPECT_EQ(s->Lines[0].DrawWidth, 100);
  EXPECT_EQ(s->Lines[1].Extra, 0);
  auto calls = Paint(*s);
  ASSERT_EQ(calls.size(), 2u);
  std::vector<int> adv = calls[0].Advances;
  ASSERT_EQ(adv.size(), 11u);
  EXPECT_EQ(adv[2], CW + 4);
  EXPECT_EQ(adv[5], CW + 4);
  EXPECT_EQ(adv[8], CW + 4);
  EXPECT_EQ(adv[3], CW);

  // Lines without spaces, or wider than the block, are not stretched.
  for (std::u16string text : {u"abc-defghijk", u"abcdefghijklmnop qr"}) {
    auto t = Build(text, false, &p);
    Lay(*t, 5 * CW + 3);
    ASSERT_GE(t->Lines.size(), 2u);
    EXPECT_EQ(t->Lines[0].Extra, 0);
    EXPECT_EQ(t->Lines[0].Spaces, 0);
    for (const TDrawCall& c : Paint(*t))
      for (int a : c.Advances) EXPECT_EQ(a, CW);
  }
}

TEST_F(SectionTest, LineHeight) {
  struct Case {
    std::u16string Style;
    int Before, After;
  } cases[] = {
      {u"line-height: normal", 0, 0},
      {u"line-height: -40px", 0, 0},  // ignored
      {u"line-height: 30px", 6, 6},
      {u"line-height: 25px", 3, 4},
      {u"line-height: 10px", -4, -4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.Style.begin(), c.Style.end()));
    TProperties& p = F.Open(u"p", u"", u"", u"", c.Style);
    auto s = Build(u"aaa bbb", false, &p);
    F.Close(u"p");
    int h = Lay(*s, 4 * CW);
    ASSERT_EQ(s->Lines.size(), 2u);
    EXPECT_EQ(s->Lines[0].LineHt, LH);
    EXPECT_EQ(s->Lines[0].SpaceBefore, c.Before);
    EXPECT_EQ(s->Lines[0].SpaceAfter, c.After);
    EXPECT_EQ(h, 2 * (LH + c.Before + c.After));
    EXPECT_EQ(s->Lines[1].Y, LH + c.Before + c.After);
  }
}

TEST_F(SectionTest, ExtentsCursorAndFirstBaseline) {
  auto s = Build(u"aaa bbb");
  int baseline = -1;
  TFirstLine firstLine{&baseline};
  int mw = 0;
  int h = Lay(*s, 4 * CW, 5, 100, &mw, 7, &firstLine);
  EXPECT_EQ(h, 2 * LH);
  EXPECT_EQ(baseline, 100 + LH - 4);
  EXPECT_EQ(firstLine.Baseline, nullptr);
  EXPECT_EQ(s->StartCurs, 7);
  EXPECT_EQ(s->YDraw, 100);
  EXPECT_EQ(s->ContentBot, 100 + 2 * LH);
  EXPECT_EQ(s->DrawBot, 100 + 2 * LH);
  EXPECT_EQ(mw, 4 * CW);
  EXPECT_EQ(s->Lines[1].Y, 100 + LH);
}

TEST_F(SectionTest, PreformattedNeverWraps) {
  TProperties& pre = F.Open(u"pre");
  TPreFormated s(Document, nullptr, pre, nullptr, &Document, false);
  std::u16string text(1200, u'x');
  for (std::size_t i = 3; i < text.size(); i += 4) text[i] = u' ';
  TokenObj tok;
  for (std::size_t i = 0; i < text.size(); ++i) tok.AddUnicodeChar(text[i], static_cast<int>(i));
  s.AddTokenObj(tok, F.Stack, false);
  s.ProcessText(1200);
  EXPECT_EQ(s.Len, 1201);  // one space appended, nothing removed
  int cw = -s.Fonts[0].TheFont.Desc.Height / 2;
  int mw = 0;
  Lay(s, 300, 0, 0, &mw);
  ASSERT_EQ(s.Lines.size(), 1u);
  EXPECT_EQ(s.Lines[0].Ln, 1201);
  EXPECT_EQ(mw, 1199 * cw);  // the trailing space is not measured
  int mn = 0, mx = 0;
  s.MinMaxWidth(*Surface, mn, mx);
  EXPECT_EQ(mx, 1199 * cw);
  EXPECT_EQ(mn, 6000);

  TPreFormated empty(Document, nullptr, pre, nullptr, &Document, false);
  empty.ProcessText(0);
  EXPECT_EQ(Lay(empty, 300), s.Lines[0].LineHt);
}

TEST_F(SectionTest, FloatsNarrowLinesUntilTheirBottom) {
  auto s = Build(u"aaa bbb ccc ddd eee fff ggg hhh");
  Imgr.L.push_back(IndentRec{100, 0, 36, nullptr, true});
  Imgr.R.push_back(IndentRec{180, 0, 18, nullptr, true});
  Lay(*s, 200);
  ASSERT_EQ(s->Lines.size(), 3u);
  EXPECT_EQ(s->Lines[0].DrawXX, 100);  // 80 pixels between the floats
  EXPECT_EQ(LineTexts(*s)[0], u"aaa bbb ");
  EXPECT_EQ(s->Lines[1].DrawXX, 100);  // right float ended
  EXPECT_EQ(LineTexts(*s)[1], u"ccc ddd eee ");
  EXPECT_EQ(s->Lines[2].Y, 36);
  EXPECT_EQ(s->Lines[2].DrawXX, 0);  // the full width again
  EXPECT_EQ(LineTexts(*s)[2], u"fff ggg hhh ");

  // Where not even one word fits beside a float, the line moves below it.
  Imgr.Clear();
  Imgr.L.push_back(IndentRec{195, 0, 50, nullptr, true});
  auto t = Build(u"abc def");
  Lay(*t, 200);
  ASSERT_EQ(t->Lines.size(), 2u);
  EXPECT_EQ(t->Lines[0].Ln, 0);
  EXPECT_EQ(t->Lines[0].LineHt, 50);
  EXPECT_EQ(t->Lines[1].Y, 50);
  EXPECT_EQ(t->Lines[1].DrawXX, 0);
  Imgr.Clear();
}

TEST_F(SectionTest, ClearMovesBelowFloats) {
  TProperties& p = F.Open(u"p", u"", u"", u"", u"clear: left");
  auto s = Build(u"abc", false, &p);
  Imgr.L.push_back(IndentRec{50, 0, 40, nullptr, true});
  int h = Lay(*s, 200);
  EXPECT_EQ(h, 40 + LH);
  EXPECT_EQ(s->Lines.back().Y, 40);
  EXPECT_EQ(s->Lines.back().DrawXX, 0);
  Imgr.Clear();
}

// ---------------------------------------------------------------- painting

TEST_F(SectionTest, MeasuredWidthIsTheDrawnExtent) {
  for (std::u16string align : {u"left", u"center", u"right", u"justify"}) {
    SCOPED_TRACE(std::string(align.begin(), align.end()));
    TProperties& p = F.Open(u"p", u"", u"", u"", u"letter-spacing: 2px; text-align: " + align);
    auto s = Make(&p);
    Add(*s, u"Some text in ");
    TProperties& b = F.Open(u"b", u"", u"", u"", u"letter-spacing: 3px");
    s->ChangeFont(b);
    Add(*s, u"bold words");
    F.Close(u"b");
    s->ChangeFont(Top());
    Add(*s, u" and more text, with spacing, super\u00ADcalifragilistic");
    s->ProcessText(NextIndex);
    F.Close(u"p");
    Lay(*s, 150, 20);
    ASSERT_GE(s->Lines.size(), 3u);
    auto calls = Paint(*s, 20);
    std::map<int, std::pair<int, int>> extents;  // baseline -> left, right
    for (const TDrawCall& c : calls) {
      int w = 0;
      for (int a : c.Advances) w += a;
      auto [it, fresh] = extents.try_emplace(c.Points[0].Y, c.Points[0].X, c.Points[0].X + w);
      if (!fresh) {
        it->second.first = std::min(it->second.first, c.Points[0].X);
        it->second.second = std::max(it->second.second, c.Points[0].X + w);
      }
    }
    ASSERT_EQ(extents.size(), s->Lines.size());
    for (const LineRec& l : s->Lines) {
      auto& e = extents.at(l.Y + l.SpaceBefore + l.LineHt - l.Descent);
      EXPECT_EQ(e.first, 20 + l.DrawXX);
      EXPECT_EQ(e.second - e.first, l.DrawWidth);
    }
  }
}

TEST_F(SectionTest, SelectionIsDrawnInverted) {
  auto s = Make();
  Add(*s, u"aa bb ");
  TProperties& green = F.Open(u"span", u"", u"", u"", u"background-color: #00ff00");
  green.SetFontBG();
  s->ChangeFont(green);
  Add(*s, u"cc");
  F.Close(u"span");
  s->ChangeFont(Top());
  Add(*s, u" dd");
  s->ProcessText(NextIndex);
  Lay(*s, 400, 0, 0, nullptr, 10);
  Document.Selection.SelB = 13;  // "bb cc" (section positions 3..7)
  Document.Selection.SelE = 18;
  auto calls = Paint(*s);
  const TColor text = ColorToRGB(s->Fonts[0].TheFont.Color);
  std::map<std::u16string, TDrawCall> byText;
  for (const TDrawCall& c : calls) byText[c.Text] = c;
  ASSERT_EQ(byText.count(u"aa "), 1u);
  EXPECT_EQ(byText[u"aa "].BkMode, TBkMode::bkTransparent);
  ASSERT_EQ(byText.count(u"bb "), 1u);
  const TDrawCall& sel = byText[u"bb "];
  EXPECT_EQ(sel.BkMode, TBkMode::bkOpaque);
  EXPECT_EQ(sel.BkColor, text);
  // The default page background is a system colour: resolved first.
  EXPECT_EQ(sel.Color, ColorToRGB(clBtnFace) ^ 0xFFFFFFu);
  ASSERT_EQ(byText.count(u"cc"), 1u);
  EXPECT_EQ(byText[u"cc"].Color, RGB(0, 255, 0) ^ 0xFFFFFFu);
  EXPECT_EQ(byText[u"cc"].BkColor, text);
  ASSERT_EQ(byText.count(u" dd"), 1u);
  EXPECT_EQ(byText[u" dd"].BkMode, TBkMode::bkTransparent);

  Document.Selection.SelB = Document.Selection.SelE = 0;
  for (const TDrawCall& c : Paint(*s))
    if (c.Text == u"cc") {
      EXPECT_EQ(c.BkMode, TBkMode::bkOpaque);
      EXPECT_EQ(c.BkColor, RGB(0, 255, 0));
    }
}

TEST_F(SectionTest, ScriptsAreRaisedAndLowered) {
  auto s = Make();
  Add(*s, u"x");
  TProperties& sup = F.Open(u"sup");
  s->ChangeFont(sup);
  Add(*s, u"2");
  F.Close(u"sup");
  TProperties& sub = F.Open(u"sub");
  s->ChangeFont(sub);
  Add(*s, u"i");
  F.Close(u"sub");
  s->ProcessText(NextIndex);
  Lay(*s, 400);
  auto calls = Paint(*s);
  ASSERT_EQ(calls.size(), 3u);
  int baseline = calls[0].Points[0].Y;
  EXPECT_EQ(calls[1].Points[0].Y, baseline - s->Fonts[1].FontHeight / 3);
  EXPECT_EQ(calls[2].Points[0].Y, baseline + s->Fonts[2].Descent / 2 + 1);
}

TEST_F(SectionTest, PaintingVisitsOnlyLinesNearTheClip) {
  std::u16string text;
  for (int i = 0; i < 100000; ++i) text += u"ab\n";
  auto s = Build(text);
  Lay(*s, 400);
  ASSERT_EQ(s->Lines.size(), 100000u);
  Document.PaintPass.YOff = 50000 * LH;
  auto calls = Paint(*s, 0, TRect{0, 0, 800, 180});
  // 10 lines in the clip and up to 40 pixels either side.
  EXPECT_GE(calls.size(), 10u);
  EXPECT_LE(calls.size(), 16u);
  for (const TDrawCall& c : calls) {
    EXPECT_GE(c.Points[0].Y, -40);
    EXPECT_LE(c.Points[0].Y, 180 + 40 + LH);
  }
  Document.PaintPass.YOff = 0;
}

TEST_F(SectionTest, InlineBoxesAreAttachedToTheLinesTheyCross) {
  auto s = Build(u"aa bb cc dd");  // source indices 0..10
  TInlineRec rec;
  rec.StartBDoc = 3;  // "bb cc"
  rec.EndBDoc = 8;
  rec.MargArray.fill(0);
  rec.MargArray[static_cast<std::size_t>(PropIndices::BackgroundColor)] = static_cast<int>(RGB(255, 0, 0));
  Document.Looks.InlineList.push_back(rec);
  Lay(*s, 5 * CW, 0, 0);
  ASSERT_EQ(LineTexts(*s), (std::vector<std::u16string>{u"aa bb ", u"cc dd "}));
  TRecordingSurface rec1(*Surface);
  s->Draw1(rec1, TRect{0, 0, 800, 600}, Imgr, 10, 0, 0);
  ASSERT_EQ(s->Lines[0].BorderList.size(), 1u);
  const BorderRec& first = s->Lines[0].BorderList[0];
  EXPECT_EQ(first.BStart, 3);
  EXPECT_EQ(first.BEnd, 6);
  EXPECT_FALSE(first.OpenStart);
  EXPECT_TRUE(first.OpenEnd);
  EXPECT_EQ(first.Box, (TRect{3 * CW, 0, 6 * CW, LH}));
  ASSERT_EQ(s->Lines[1].BorderList.size(), 1u);
  const BorderRec& second = s->Lines[1].BorderList[0];
  EXPECT_TRUE(second.OpenStart);
  EXPECT_FALSE(second.OpenEnd);
  EXPECT_EQ(second.Box, (TRect{0, LH, 2 * CW, 2 * LH}));
  std::vector<TRect> fills;
  for (const TDrawCall& c : rec1.Calls())
    if (c.Kind == TDrawCall::TKind::dcFillRect && c.Color == RGB(255, 0, 0)) fills.push_back(c.Rect);
  EXPECT_EQ(fills, (std::vector<TRect>{{10 + 3 * CW, 0, 10 + 6 * CW, LH}, {10, LH, 10 + 2 * CW, 2 * LH}}));
  Document.Looks.InlineList.clear();
}

// ---------------------------------------------------------------- widths

TEST_F(SectionTest, MinMaxWidth) {
  struct Case {
    std::u16string Text;
    bool NoBreak;
    int Min, Max;  // in characters
  } cases[] = {
      {u"abc defgh", false, 5, 9},
      {u"super\u00ADcali", false, 6, 9},  // "super-"
      {u"aa bb", true, 5, 5},
      {u"ab\ncdef g", false, 4, 6},
      {u"well-known x", false, 5, 12},
      {u"x|yz", true, 2, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.Text.begin(), c.Text.end()));
    auto s = Build(c.Text, c.NoBreak);
    int mn = -1, mx = -1;
    s->MinMaxWidth(*Surface, mn, mx);
    EXPECT_EQ(mn, c.Min * CW);
    EXPECT_EQ(mx, c.Max * CW);
  }
  TProperties& p = F.Open(u"p", u"", u"", u"", u"text-indent: 50%");
  auto s = Build(u"abcd efgh", false, &p);
  int mn = 0, mx = 0;
  s->MinMaxWidth(*Surface, mn, mx);
  EXPECT_EQ(mx, 9 * CW * 2);
}

// ---------------------------------------------------------------- positions and copying

TEST_F(SectionTest, SourceAndDocumentPositions) {
  auto s = Make();
  TokenObj a;
  a.AddRun(u"ab  c", 5, 10);  // source 10..14; the second space goes
  s->AddTokenObj(a, F.Stack, false);
  TokenObj b;
  b.AddRun(u"de", 2, 20);
  s->AddTokenObj(b, F.Stack, false);
  s->ProcessText(30);
  ASSERT_EQ(s->Buff, u"ab cde ");
  Lay(*s, 400, 0, 0, nullptr, 100);
  struct {
    int Document, Source;
  } map[] = {{100, 10}, {102, 12}, {103, 14}, {104, 20}, {105, 21}, {106, 30}, {107, -1}, {99, -1}};
  for (auto m : map) EXPECT_EQ(s->FindSourcePos(m.Document), m.Source) << m.Document;
  EXPECT_EQ(s->FindDocPos(12, false), 102);
  EXPECT_EQ(s->FindDocPos(13, false), 103);  // the removed space: the next character
  EXPECT_EQ(s->FindDocPos(13, true), 102);
  EXPECT_EQ(s->FindDocPos(17, false), 104);
  EXPECT_EQ(s->FindDocPos(5, false), 100);
  EXPECT_EQ(s->FindDocPos(5, true), -1);
  EXPECT_EQ(s->FindDocPos(99, true), 106);
  EXPECT_EQ(s->FindDocPos(99, false), -1);
  char16_t ch = 0;
  EXPECT_TRUE(s->GetChAtPos(103, ch));
  EXPECT_EQ(ch, u'c');
  EXPECT_FALSE(s->GetChAtPos(107, ch));
  s->AddSectionsToList();
  ASSERT_EQ(Document.LayoutPass.PositionList.size(), 1u);
  EXPECT_EQ(Document.LayoutPass.PositionList[0], s.get());
}

TEST_F(SectionTest, PointsAndPositions) {
  auto s = Make();
  Add(*s, u"aaa ");
  TUrlTarget link;
  link.Url = u"http://x/";
  s->HRef(ASy, F.Open(u"a", u"", u"", u"link"), &link);
  Add(*s, u"bbb");
  F.Close(u"a");
  s->HRef(AEndSy, Top(), nullptr);
  s->ProcessText(NextIndex);
  Lay(*s, 4 * CW, 5, 100, nullptr, 7);  // "aaa " / "bbb "
  int x = 0, y = 0;
  ASSERT_TRUE(s->CursorToXY(*Surface, 7 + 5, x, y));
  EXPECT_EQ(x, 5 + CW);
  EXPECT_EQ(y, 100 + LH);
  ASSERT_TRUE(s->CursorToXY(*Surface, 7 + 8, x, y));  // the end
  EXPECT_EQ(x, 5 + 4 * CW);
  EXPECT_FALSE(s->CursorToXY(*Surface, 6, x, y));

  struct Case {
    int X, Y;
    int Pos;
    bool InText;
    bool Link;
  } cases[] = {
      {5 + 11, 100 + LH + 1, 7 + 5, true, true},   // right of the middle of the first 'b'
      {5 + 12, 100 + LH + 1, 7 + 6, true, true},
      {5 + 3, 105, 7, true, false},
      {300, 100 + LH + 1, 7 + 7, false, false},  // past the end of the line
      {5, 99, -1, false, false},                  // above the section
  };
  for (const Case& c : cases) {
    int xr = 0, yr = 0;
    bool inText = false;
    EXPECT_EQ(s->FindCursor(*Surface, c.X, c.Y, xr, yr, inText), c.Pos) << c.X << "," << c.Y;
    EXPECT_EQ(inText, c.InText) << c.X << "," << c.Y;
    TLinkHit hit;
    EXPECT_EQ((s->GetURL(*Surface, c.X, c.Y, hit) & guUrl) != 0, c.Link) << c.X << "," << c.Y;
    EXPECT_EQ(hit.Target, c.Link ? &link : nullptr);
  }
}

TEST_F(SectionTest, CopiesTheSelectedPartOfEachLine) {
  auto s = Build(u"aaa bbb c\u00A0c");
  Lay(*s, 4 * CW);
  ASSERT_EQ(LineTexts(*s).size(), 3u);
  struct Case {
    int SelB, SelE;
    std::u16string Text;
  } cases[] = {
      {1, 6, u"aa\r\nbb"},
      {4, 7, u"bbb"},
      {8, 11, u"c c"},
      {2, 50, u"a\r\nbbb\r\nc c\r\n"},  // runs past the section
      {20, 30, u""},
  };
  for (const Case& c : cases) {
    Document.Selection.CopyBuffer.clear();
    Document.Selection.SelB = c.SelB;
    Document.Selection.SelE = c.SelE;
    s->CopyToClipboard();
    EXPECT_EQ(Document.Selection.CopyBuffer, c.Text) << c.SelB << ".." << c.SelE;
  }
  Document.Selection.SelB = Document.Selection.SelE = 0;
}

TEST_F(SectionTest, DocumentLaysOutPaintsAndCopiesItsSections) {
  auto first = Make();
  Add(*first, u"one two");
  Document.Add(std::move(first), NextIndex);
  Document.Add(Make(), NextIndex);  // stays empty: dropped
  auto second = Make();
  Add(*second, u"three");
  Document.Add(std::move(second), NextIndex);
  ASSERT_EQ(Document.Count(), 2);
  int scrollWidth = 0;
  int h = Document.DoLogic(*Surface, 4 * CW, 600, scrollWidth);
  EXPECT_EQ(h, 3 * LH);
  ASSERT_EQ(Document.LayoutPass.PositionList.size(), 2u);
  EXPECT_EQ(Document.LayoutPass.PositionList[1]->StartCurs, 8);  // "one two " comes first
  EXPECT_EQ(Document.LayoutPass.PositionList[1]->YDraw, 2 * LH);
  Document.Selection.SelB = 4;
  Document.Selection.SelE = 11;
  EXPECT_EQ(Document.SelectedText(), u"two\r\nthr");
  TRecordingSurface rec(*Surface);
  Document.SetYOffset(LH);
  Document.Draw(rec, TRect{0, 0, 100, 2 * LH}, 100, 0, 0);
  std::vector<std::pair<std::u16string, int>> texts;  // text, baseline
  for (const TDrawCall& c : rec.Calls())
    if (c.Kind == TDrawCall::TKind::dcText) texts.push_back({c.Text, c.Points[0].Y});
  // The selected "thr" and the rest, drawn one line higher (YOff).
  using T = std::pair<std::u16string, int>;
  ASSERT_GE(texts.size(), 2u);
  EXPECT_EQ(texts[texts.size() - 2], (T{u"thr", 2 * LH - 4}));
  EXPECT_EQ(texts.back(), (T{u"ee", 2 * LH - 4}));
}

// ---------------------------------------------------------------- size

TEST_F(SectionTest, MegabyteOfSoftHyphensAndBreaksIsLinear) {
  std::u16string shy;
  for (int i = 0; i < 500000; ++i) shy += u"a\u00AD";
  std::u16string brs;
  for (int i = 0; i < 250000; ++i) brs += u"x \n ";
  for (const std::u16string* text : {&shy, &brs}) {
    auto s = Make();
    TokenObj tok;
    for (char16_t c : *text) {
      if (c == u'\n') {
        s->AddTokenObj(tok, F.Stack, false);
        tok.Clear();
        s->AddChar(BrkCh, 0);
      } else {
        tok.AddUnicodeChar(c, 0);
      }
    }
    s->AddTokenObj(tok, F.Stack, false);
    auto t0 = std::chrono::steady_clock::now();
    s->ProcessText(0);
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    EXPECT_LT(seconds, 10.0);  // a quadratic pass takes minutes
    if (text == &shy) {
      EXPECT_EQ(s->Len, 500001);
      EXPECT_EQ(s->Brk[0], 's');
    } else {
      EXPECT_EQ(s->Len, 500000);  // "x" BR ... "x" and the final space
    }
  }
}

TEST_F(SectionTest, HugeLineWithLetterSpacingSaturates) {
  TProperties& p = F.Open(u"p", u"", u"", u"", u"letter-spacing: 1000px");
  auto s = Make(&p);
  TokenObj tok;
  std::u16string text(5'000'000, u'w');
  tok.AddRun(text.data(), text.size(), 0);
  s->AddTokenObj(tok, F.Stack, false);
  s->ProcessText(static_cast<int>(text.size()));
  int mw = 0;
  int h = Lay(*s, 400, 0, 0, &mw);
  ASSERT_EQ(s->Lines.size(), 1u);
  EXPECT_EQ(h, LH);
  EXPECT_EQ(s->Lines[0].DrawWidth, INT_MAX);
  EXPECT_EQ(mw, INT_MAX);
  int mn = 0, mx = 0;
  s->MinMaxWidth(*Surface, mn, mx);
  EXPECT_EQ(mn, INT_MAX);
  EXPECT_EQ(mx, INT_MAX);
  // Only the slice under the clip is drawn.
  auto calls = Paint(*s, -2'000'000'000, TRect{0, 0, 800, 100});
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_LE(calls[0].Text.size(), 3u);
  EXPECT_GE(calls[0].Points[0].X, -1100);
  EXPECT_LE(calls[0].Points[0].X, 0);
}

}  // namespace
}  // namespace tav
