#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "html/css/units.h"
#include "html/parse/tokenizer.h"

namespace tav {
namespace {

std::string Utf8(const std::u16string& s) {
  std::string r;
  for (char16_t c : s) {
    if (c < 128) r += static_cast<char>(c);
    else {
      char buf[12];
      snprintf(buf, sizeof buf, "\\u%04X", static_cast<unsigned>(c));
      r += buf;
    }
  }
  return r;
}

// Every symbol as "Name" or "TextSy 'text'".
std::vector<std::string> Symbols(const std::u16string& html) {
  THtmlTokenizer t;
  t.Prepare(html);
  std::vector<std::string> out;
  for (;;) {
    t.Next();
    if (t.Sy == EofSy) break;
    std::string s(SymbName(t.Sy));
    if (t.Sy == TextSy) s += " '" + Utf8(t.LCToken.S()) + "'";
    out.push_back(s);
  }
  return out;
}

std::u16string TextOf(const std::u16string& html) {
  THtmlTokenizer t;
  t.Prepare(html);
  std::u16string all;
  for (t.Next(); t.Sy != EofSy; t.Next())
    if (t.Sy == TextSy) all += t.LCToken.S();
  return all;
}

TEST(TokenizerReferences, DecodeLikeTheTable) {
  struct Case {
    std::u16string in, text;
  } cases[] = {
      {u"&amp;", u"&"},
      {u"&AMP;", u"&AMP;"},  // names are case-sensitive
      {u"&copy x", u"\u00A9 x"},
      {u"&#169;", u"\u00A9"},
      {u"&#xA9;", u"\u00A9"},
      {u"&#XA9", u"\u00A9"},
      {u"&#x;", u"&#x;"},
      {u"&#;", u"&#;"},
      {u"&nosuch;", u"&nosuch;"},
      {u"&apos;", u"\u2019"},
      {u"&#9;a", u" a"},
      {u"&#1;", u"?"},
      // Hostile numbers: saturated, and no invalid UTF-16.
      {u"&#99999999999;", u"\uFFFD"},
      {u"&#xD800;", u"\uFFFD"},
      {u"&#x110000;", u"\uFFFD"},
      {u"&#x1F600;", u"\U0001F600"},
  };
  for (const auto& c : cases) EXPECT_EQ(Utf8(TextOf(c.in)), Utf8(c.text)) << Utf8(c.in);
}

TEST(TokenizerReferences, AboveFFFFBothUnitsCarryTheAmpersandIndex) {
  THtmlTokenizer t;
  t.Prepare(u"ab&#x1F600;c");
  t.Next();
  ASSERT_EQ(t.LCToken.Leng(), 5);
  EXPECT_EQ(t.LCToken.Indices(), (std::vector<int>{0, 1, 2, 2, 11}));
}

TEST(TokenizerSymbols, TagsTextAndEdges) {
  struct Case {
    std::u16string in;
    std::vector<std::string> symbols;
  } cases[] = {
      {u"<br/>x", {"BRSy", "TextSy 'x'"}},
      {u"a < b", {"TextSy 'a '", "TextSy '< b'"}},
      {u"<p>one</P>", {"PSy", "TextSy 'one'", "PEndSy"}},
      {u"<h3>t</h3>", {"HeadingSy", "TextSy 't'", "HeadingEndSy"}},
      {u"</br><nosuch>", {"CommandSy", "CommandSy"}},
      {u"a<!-- c -- >b", {"TextSy 'ab'"}},
      {u"a<!-- c --!>b", {"TextSy 'ab'"}},
      {u"a<!DOCTYPE html>b", {"TextSy 'ab'"}},
      {u"a<% code %>b", {"TextSy 'ab'"}},
      {u"a \t\r\n b", {"TextSy 'a b'"}},
      {u"\x01x", {"TextSy '?x'"}},
      {u"<?xml version=1?>a", {"CommandSy", "TextSy 'a'"}},
  };
  for (const auto& c : cases) EXPECT_EQ(Symbols(c.in), c.symbols) << Utf8(c.in);
}

TEST(TokenizerSymbols, HeadingLevelAndEndOnlyTags) {
  THtmlTokenizer t;
  t.Prepare(u"<H2></img>");
  t.Next();
  EXPECT_EQ(t.Sy, HeadingSy);
  EXPECT_EQ(t.HeadingLevel, 2);
  t.Next();
  EXPECT_EQ(t.Sy, CommandSy);  // IMG has no end symbol
}

TEST(TokenizerComments, OpenCommentAtEndGivesTheTextThenTheError) {
  THtmlTokenizer t;
  t.Prepare(u"<b>abc<!-- never closed");
  t.Next();
  EXPECT_EQ(t.Sy, BSy);
  t.Next();
  EXPECT_EQ(t.Sy, TextSy);
  EXPECT_EQ(t.LCToken.S(), u"abc");
  EXPECT_THROW(t.Next(), EHtmlParseError);
}

TEST(TokenizerComments, RemovedInsideAttributeValues) {
  THtmlTokenizer t;
  t.Prepare(u"<a href=\"x<!-- y -->z\">");
  t.Next();
  ASSERT_NE(t.Attributes.Find(HrefSy), nullptr);
  EXPECT_EQ(t.Attributes.Find(HrefSy)->Name, u"xz");
}

TEST(TokenizerComments, IncludeCallbackTextIsReadInPlace) {
  THtmlTokenizer t;
  std::u16string seenCommand;
  std::vector<std::u16string> seenParams;
  t.OnInclude = [&](const std::u16string& command, const std::vector<std::u16string>& params) {
    seenCommand = command;
    seenParams = params;
    return std::u16string(u"<b>in</b>");
  };
  t.Prepare(u"a<!--#include file=\"x.html\" -->c");
  std::vector<std::string> syms;
  for (t.Next(); t.Sy != EofSy; t.Next())
    syms.push_back(std::string(SymbName(t.Sy)) + (t.Sy == TextSy ? " " + Utf8(t.LCToken.S()) : ""));
  EXPECT_EQ(seenCommand, u"include");
  EXPECT_EQ(seenParams, std::vector<std::u16string>{u"file=x.html"});
  EXPECT_EQ(syms, (std::vector<std::string>{"TextSy a", "BSy", "TextSy in", "BEndSy", "TextSy c"}));
}

TEST(TokenizerPreparation, NulsByteOrderMarkAndJis) {
  std::u16string nuls(101, u'\0');
  std::u16string doc = u"a" + nuls + u"b";
  EXPECT_EQ(TextOf(doc), u"a ");  // 100 spaces collapse; cut before the 101st

  THtmlTokenizer t;
  t.Prepare(std::u16string(u"\u00EF\u00BB\u00BFab"));
  EXPECT_TRUE(t.UTF8Doc);
  EXPECT_EQ(t.CodePage, 65001);
  t.Next();
  EXPECT_EQ(t.LCToken.S(), u"ab");
  EXPECT_EQ(t.LCToken.Index(0), 3);  // indices still count the mark's three characters

  // "日本" in ISO-2022-JP: ESC $ B 46 7C 4B 5C ESC ( B
  std::u16string jis = u"x\x1B$BF|K\\\x1B(By";
  t.Prepare(jis);
  EXPECT_EQ(t.CharSet, 128);
  EXPECT_EQ(t.CodePage, 932);
  t.Next();
  EXPECT_EQ(t.LCToken.S(), u"x\u65E5\u672Cy");
}

TEST(TokenizerIndices, KeptThroughLineEndsTabsReferencesAndPairs) {
  THtmlTokenizer t;
  t.Prepare(u"a\r\nb\tc&lt;d\U0001F600e");
  t.Next();
  EXPECT_EQ(t.LCToken.S(), u"a b c<d\U0001F600e");
  EXPECT_EQ(t.LCToken.Indices(), (std::vector<int>{0, 1, 3, 4, 5, 6, 10, 11, 12, 13}));
}

struct AttrCase {
  std::u16string tag;
  Symb which;
  std::u16string name;
  int value;
};

TEST(TokenizerAttributes, EveryValueForm) {
  AttrCase cases[] = {
      {u"<img alt=\"a\nb\">", AltSy, u"a\r\nb", 0},
      {u"<a title='x\ny'>", TitleSy, u"x\r\ny", 0},
      {u"<a href=\"x\ny\">", HrefSy, u"xy", 0},
      {u"<td width=\" 50% \">", WidthSy, u" 50% ", 50},
      {u"<td width=\"2.5\">", WidthSy, u"2.5", 2},   // ties to even
      {u"<td width=\"3.5\">", WidthSy, u"3.5", 4},
      {u"<td width=\"-.5\">", WidthSy, u"-.5", 0},
      {u"<td width=50%>", WidthSy, u"50%", 50},
      {u"<td width=+7>", WidthSy, u"+7", 7},
      {u"<table border>", BorderSy, u"", 1},
      {u"<font face=Arial>", FaceSy, u"Arial", 0},
      {u"<a href=x&amp;y>", HrefSy, u"x&y", 0},
      {u"<a href=\"&hellip\">", HrefSy, u"&hellip", 0},  // above 255 needs ';'
      {u"<a href=\"&hellip;\">", HrefSy, u"\u2026", 0},
      {u"<a href=\"&copy\">", HrefSy, u"\u00A9", 0},
      {u"<a data-x=1>", OtherAttribute, u"1", 1},
      // Hostile numbers saturate instead of wrapping.
      {u"<img width=1e12>", WidthSy, u"1e12", 2147483647},
      {u"<font size=99999999999>", SizeSy, u"99999999999", 2147483647},
      {u"<font size=\"-99999999999\">", SizeSy, u"-99999999999", -2147483647 - 1},
  };
  for (const auto& c : cases) {
    THtmlTokenizer t;
    t.Prepare(c.tag);
    t.Next();
    const TAttribute* a = t.Attributes.Find(c.which);
    ASSERT_NE(a, nullptr) << Utf8(c.tag);
    EXPECT_EQ(Utf8(a->Name), Utf8(c.name)) << Utf8(c.tag);
    EXPECT_EQ(a->Value, c.value) << Utf8(c.tag);
  }
}

// WIDTH and HEIGHT as read tags give them: each form kept, cut to the
// caller's range or ignored; a rule looks for '%' at the end only.
TEST(SizeAttributes, EachFormWithinTheCallersRange) {
  struct Case {
    const char16_t* tag;
    TSizeRange percent, pixels;
    TPercentMark mark;
    bool read;
    int value;
    bool isPercent;
  };
  const auto any = TPercentMark::Anywhere;
  const Case cases[] = {
      {u"<td width=50%>", Within(1, 100), AtLeast(1), any, true, 50, true},
      {u"<td width=150%>", Within(1, 100), AtLeast(1), any, false, 0, false},
      {u"<td width=150%>", AtLeastCutTo(1, 100), AtLeast(1), any, true, 100, true},
      {u"<td width=0%>", AtLeastCutTo(1, 100), AtLeast(1), any, false, 0, false},
      {u"<td width=-5%>", ClampedTo(1, 100), AtLeast(1), any, true, 1, true},
      {u"<td width=0>", Within(0, 100), AtLeast(1), any, false, 0, false},
      {u"<td width=0>", Within(0, 100), AtLeast(0), any, true, 0, false},
      {u"<img width=99999>", Within(0, 100), AtLeastCutTo(0, 32767), any, true, 32767, false},
      {u"<img width=-3>", Within(0, 100), AtLeastCutTo(0, 32767), any, false, 0, false},
      {u"<table height=50%>", Refused(), AtLeast(1), any, false, 0, false},
      {u"<table height=50>", Refused(), AtLeast(1), any, true, 50, false},
      {u"<hr width=\"50% \">", ClampedTo(0, 100), AtLeast(1), any, true, 50, true},
      {u"<hr width=\"50% \">", ClampedTo(0, 100), AtLeast(1), TPercentMark::AtEnd, true, 50, false},
  };
  for (const Case& c : cases) {
    THtmlTokenizer t;
    t.Prepare(c.tag);
    t.Next();
    const TAttribute* a = t.Attributes.Find(WidthSy);
    if (!a) a = t.Attributes.Find(HeightSy);
    ASSERT_NE(a, nullptr) << Utf8(c.tag);
    const auto size = ReadSizeAttribute(*a, c.percent, c.pixels, c.mark);
    ASSERT_EQ(size.has_value(), c.read) << Utf8(c.tag);
    if (!size) continue;
    EXPECT_EQ(size->Value, c.value) << Utf8(c.tag);
    EXPECT_EQ(size->Percent, c.isPercent) << Utf8(c.tag);
  }
}

TEST(TokenizerAttributes, ClassIdStyleAndIdNameList) {
  THtmlTokenizer t;
  std::vector<std::pair<std::u16string, int>> ids;
  t.OnID = [&](const std::u16string& id, int index) { ids.emplace_back(id, index); };
  t.Prepare(u"xy<p id=Top class=' B  a ' title=T>");
  t.Next();
  t.Next();
  EXPECT_EQ(t.Sy, PSy);
  EXPECT_EQ(t.Attributes.TheClass(), u"a.b");
  EXPECT_EQ(t.Attributes.TheID(), u"top");
  EXPECT_EQ(t.Attributes.SaveID, u"top");
  EXPECT_EQ(t.Attributes.TheTitle(), u"T");
  EXPECT_EQ(ids, (std::vector<std::pair<std::u16string, int>>{{u"top", 2}}));
}

// Names with ':', '_' or '.' are read whole, so the attributes after them
// are kept.
TEST(TokenizerAttributes, PrefixedNamesKeepTheAttributesAfterThem) {
  struct Case {
    const char16_t* tag;
    const char* firstName;
  };
  const Case cases[] = {
      {u"<html xml:lang=en class=x>", "XML:LANG"},
      {u"<svg xmlns:xlink='http://www.w3.org/1999/xlink' class=x>", "XMLNS:XLINK"},
      {u"<div data_x=1 class=x>", "DATA_X"},
      {u"<div v.model=\"a\" class=x>", "V.MODEL"},
  };
  for (const Case& c : cases) {
    THtmlTokenizer t;
    t.Prepare(c.tag);
    t.Next();
    ASSERT_EQ(t.Attributes.Count(), 2) << Utf8(c.tag);
    EXPECT_EQ(Utf8(t.Attributes[0].WhichName), c.firstName);
    EXPECT_EQ(t.Attributes[0].Which, OtherAttribute) << Utf8(c.tag);
    EXPECT_EQ(t.Attributes.TheClass(), u"x") << Utf8(c.tag);
  }
}

TEST(TokenizerRaw, ScriptAndStyleAreReadRawWithoutCommentSkipping) {
  THtmlTokenizer t;
  t.Prepare(u"<script>if (a<b) x='<!--';</script>after");
  t.Next();
  EXPECT_EQ(t.Sy, ScriptSy);
  EXPECT_TRUE(t.RawMode);
  EXPECT_EQ(t.ReadRawUntil(u"SCRIPT"), u"if (a<b) x='<!--';");
  EXPECT_FALSE(t.RawMode);
  t.Next();
  EXPECT_EQ(t.Sy, ScriptEndSy);
  t.Next();
  EXPECT_EQ(t.LCToken.S(), u"after");
}

// The token keeps its indices as runs of consecutive source positions;
// every way of adding or removing characters must answer as a plain list of
// indices would.
TEST(TokenObjIndices, EditsAnswerAsAListWould) {
  struct Case {
    const char* name;
    void (*build)(TokenObj&);
    std::u16string text;
    std::vector<int> indices;
  };
  const Case cases[] = {
      {"run then a repeated index (CR LF, surrogate pair)",
       [](TokenObj& t) {
         t.AddRun(u"abc", 3, 10);
         t.AddUnicodeChar(u'\r', 13);
         t.AddUnicodeChar(u'\n', 13);
         t.AddUnicodeChar(u'd', 14);
       },
       u"abc\r\nd", {10, 11, 12, 13, 13, 14}},
      {"a character that continues a run, one that jumps back",
       [](TokenObj& t) {
         t.AddUnicodeChar(u'a', 5);
         t.AddUnicodeChar(u'b', 6);
         t.AddUnicodeChar(u'c', 2);
       },
       u"abc", {5, 6, 2}},
      {"concatenation keeps both tokens' runs",
       [](TokenObj& t) {
         t.AddRun(u"ab", 2, 0);
         TokenObj other;
         other.AddRun(u"cd", 2, 2);
         other.AddUnicodeChar(u'e', 2);
         other.AddString(u"fg", {9, 10});
         t.Concat(other);
       },
       u"abcdefg", {0, 1, 2, 3, 2, 9, 10}},
      {"removing inside a run splits it",
       [](TokenObj& t) {
         t.AddRun(u"abcde", 5, 20);
         t.Remove(3);
       },
       u"abde", {20, 21, 23, 24}},
      {"removing the first and the last character",
       [](TokenObj& t) {
         t.AddRun(u"abc", 3, 7);
         t.AddUnicodeChar(u'd', 7);
         t.Remove(1);
         t.Remove(3);
       },
       u"bc", {8, 9}},
      {"cleared, then filled again",
       [](TokenObj& t) {
         t.AddRun(u"xyz", 3, 100);
         t.Clear();
         t.AddRun(u"ab", 2, 1);
       },
       u"ab", {1, 2}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TokenObj t;
    c.build(t);
    EXPECT_EQ(t.S(), c.text);
    EXPECT_EQ(t.Indices(), c.indices);
    ASSERT_EQ(t.Leng(), static_cast<int>(c.indices.size()));
    for (int i = 0; i < t.Leng(); ++i) EXPECT_EQ(t.Index(i), c.indices[static_cast<std::size_t>(i)]) << i;
  }
}

TEST(TokenObjGrowth, AppendingIsGeometric) {
  TokenObj token;
  int growths = 0;
  int capacity = token.MaxIndex();
  for (int i = 0; i < 1'000'000; ++i) {
    token.AddUnicodeChar(u'x', i);
    if (token.MaxIndex() != capacity) {
      ++growths;
      capacity = token.MaxIndex();
    }
  }
  EXPECT_LT(growths, 40);
}

TEST(TokenObjGrowth, FiveMegabytesOfTaglessTextIsOneQuickToken) {
  std::u16string body(5 * 1024 * 1024, u'x');
  for (std::size_t i = 0; i < body.size(); i += 80) body[i] = u' ';
  THtmlTokenizer t;
  auto start = std::chrono::steady_clock::now();
  t.Prepare(body);
  t.Next();
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_EQ(t.LCToken.Leng(), static_cast<int>(body.size()));
  EXPECT_LT(seconds, 30.0);
}

}  // namespace
}  // namespace tav
