#include "textview/uri_highlighter.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

namespace tav {
namespace {

struct Token {
  std::u16string text;
  int kind;
  bool operator==(const Token&) const = default;
};

void PrintTo(const Token& t, std::ostream* os) {
  *os << "{" << ::testing::PrintToString(t.text) << ", " << t.kind << "}";
}

// Tokenizes one line the way the painter does, checking on the way that the
// tokens cover the line without gaps.
std::vector<Token> Tokenize(TURIHighlighter& hl, const std::u16string& line) {
  std::vector<Token> tokens;
  hl.ResetRange();
  hl.SetLine(line, 0);
  int expectedPos = 0;
  while (!hl.GetEol()) {
    EXPECT_EQ(hl.GetTokenPos(), expectedPos);
    const std::u16string text = hl.GetToken();
    EXPECT_FALSE(text.empty());
    expectedPos += static_cast<int>(text.size());
    tokens.push_back({text, hl.GetTokenKind()});
    hl.Next();
    if (tokens.size() > line.size() + 1) break;
  }
  EXPECT_EQ(expectedPos, static_cast<int>(line.size()));
  EXPECT_EQ(hl.GetRange(), 0);
  return tokens;
}

struct HighlightCase {
  const char* name;
  std::u16string line;
  std::vector<Token> tokens;
};

class UriTokenTest : public ::testing::TestWithParam<HighlightCase> {};

TEST_P(UriTokenTest, Tokenizes) {
  TURIHighlighter hl;
  EXPECT_EQ(Tokenize(hl, GetParam().line), GetParam().tokens);
}

using T = std::vector<Token>;
constexpr int U = tkUnknown;
constexpr int S = tkSpace;

INSTANTIATE_TEST_SUITE_P(
    Links, UriTokenTest,
    ::testing::Values(
        HighlightCase{"EndsBeforeComma", u"http://ab.cd/ef.gh, word",
                      T{{u"http://ab.cd/ef.gh", tkHttpLink}, {u",", U}, {u" ", S}, {u"word", U}}},
        HighlightCase{"InsideParentheses", u"(http://a1.b2/c)",
                      T{{u"(", U}, {u"http://a1.b2/c", tkHttpLink}, {u")", U}}},
        HighlightCase{"UpperCaseScheme", u"HTTPS://AB.CD",
                      T{{u"HTTPS://AB.CD", tkHttpsLink}}},
        HighlightCase{"SchemeThenSpace", u"http:// x",
                      T{{u"http://", U}, {u" ", S}, {u"x", U}}},
        HighlightCase{"DoubleDotEndsLink", u"http://ab..cd",
                      T{{u"http://ab", tkHttpLink}, {u".", U}, {u".", U}, {u"cd", U}}},
        HighlightCase{"DotDotBetweenSlashes", u"http://ab/../cd",
                      T{{u"http://ab/../cd", tkHttpLink}}},
        HighlightCase{"TrailingMarksGivenBack", u"http://a.b/c?x=1&y=2&.",
                      T{{u"http://a.b/c?x=1&y=2", tkHttpLink}, {u"&", U}, {u".", U}}},
        HighlightCase{"DollarSlashAndQuoteMayEnd", u"ftp://h/$ news:x' gopher://g/",
                      T{{u"ftp://h/$", tkFtpLink}, {u" ", S}, {u"news:x'", tkNewsLink},
                        {u" ", S}, {u"gopher://g/", tkGopherLink}}},
        HighlightCase{"OtherSchemes",
                      u"news://n nntp://n prospero://p telnet://t wais://w mailto:m",
                      T{{u"news://n", tkNewsLink}, {u" ", S}, {u"nntp://n", tkNntpLink},
                        {u" ", S}, {u"prospero://p", tkProsperoLink}, {u" ", S},
                        {u"telnet://t", tkTelnetLink}, {u" ", S}, {u"wais://w", tkWaisLink},
                        {u" ", S}, {u"mailto:m", tkMailtoLink}}},
        HighlightCase{"SchemeNeedsItsSlashes", u"http:x", T{{u"http:", U}, {u"x", U}}},
        HighlightCase{"NonAsciiBody", u"http://b\u00FCcher.de/\u5B57",
                      T{{u"http://b\u00FCcher.de/\u5B57", tkHttpLink}}},
        HighlightCase{"LinkAfterWord", u"see:http://x.y",
                      T{{u"see:", U}, {u"http://x.y", tkHttpLink}}}),
    [](const auto& p) { return std::string(p.param.name); });

INSTANTIATE_TEST_SUITE_P(
    WebHosts, UriTokenTest,
    ::testing::Values(
        HighlightCase{"TwoLabels", u"www.ab.cd", T{{u"www.ab.cd", tkWebLink}}},
        HighlightCase{"UpperCase", u"WWW.Ab.Cd/x", T{{u"WWW.Ab.Cd/x", tkWebLink}}},
        HighlightCase{"OneLabelIsOneUnknown", u"www.ab", T{{u"www.ab", U}}},
        HighlightCase{"TrailingDotGivenBack", u"www.ab.", T{{u"www.ab", U}, {u".", U}}},
        HighlightCase{"LabelGluedToWww", u"wwwab.cd.ef",
                      T{{u"wwwab", U}, {u".", U}, {u"cd", U}, {u".", U}, {u"ef", U}}},
        HighlightCase{"EmptyFirstLabel", u"www..ab.cd",
                      T{{u"www", U}, {u".", U}, {u".", U}, {u"ab", U}, {u".", U}, {u"cd", U}}},
        HighlightCase{"EndsBeforeParenthesis", u"(www.a.b)",
                      T{{u"(", U}, {u"www.a.b", tkWebLink}, {u")", U}}}),
    [](const auto& p) { return std::string(p.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Mail, UriTokenTest,
    ::testing::Values(
        HighlightCase{"Address", u"ab@cd.ef", T{{u"ab@cd.ef", tkMailtoLink}}},
        HighlightCase{"NoDotAfterAt", u"ab@cd", T{{u"ab", U}, {u"@", U}, {u"cd", U}}},
        HighlightCase{"StartsWithAt", u"@ab.cd", T{{u"@", U}, {u"ab", U}, {u".", U}, {u"cd", U}}},
        HighlightCase{"DotBeforeAt", u"ab.@cd.ef", T{{u"ab.@cd.ef", tkMailtoLink}}},
        HighlightCase{"DoubleDotAfterAt", u"ab@cd..ef",
                      T{{u"ab", U}, {u"@", U}, {u"cd", U}, {u".", U}, {u".", U}, {u"ef", U}}},
        HighlightCase{"MailtoKeyword", u"mailto:ab@cd.ef", T{{u"mailto:ab@cd.ef", tkMailtoLink}}},
        HighlightCase{"DigitBefore", u"1ab@cd.ef", T{{u"1", U}, {u"ab@cd.ef", tkMailtoLink}}},
        HighlightCase{"TrailingDotGivenBack", u"x_y-z@a-b.c.", 
                      T{{u"x_y-z@a-b.c", tkMailtoLink}, {u".", U}}},
        HighlightCase{"NonAsciiLetters", u"j\u00FCrgen@m\u00FCller.de",
                      T{{u"j\u00FCrgen@m\u00FCller.de", tkMailtoLink}}},
        HighlightCase{"LaterStartInFailedRun", u"a1b@c",
                      T{{u"a", U}, {u"1", U}, {u"b", U}, {u"@", U}, {u"c", U}}},
        HighlightCase{"AddressAfterFailedRun", u"ab-cd ef@gh.ij",
                      T{{u"ab", U}, {u"-", U}, {u"cd", U}, {u" ", S},
                        {u"ef@gh.ij", tkMailtoLink}}}),
    [](const auto& p) { return std::string(p.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Spaces, UriTokenTest,
    ::testing::Values(
        HighlightCase{"Empty", u"", T{}},
        HighlightCase{"CrInsideLine", u"a\rb", T{{u"a", U}, {u"\r", S}, {u"b", U}}},
        HighlightCase{"LfInsideLine", u"a\nb", T{{u"a", U}, {u"\n", S}, {u"b", U}}},
        HighlightCase{"CrLfIsOneToken", u"a\r\nb", T{{u"a", U}, {u"\r\n", S}, {u"b", U}}},
        HighlightCase{"LfCrAreTwo", u"\n\r", T{{u"\n", S}, {u"\r", S}}},
        HighlightCase{"BlanksStopAtCr", u" \t \r\n", T{{u" \t ", S}, {u"\r\n", S}}},
        HighlightCase{"TabInSpaceToken", u"a\t b", T{{u"a", U}, {u"\t ", S}, {u"b", U}}},
        HighlightCase{"NulInsideLine", std::u16string(u"a\0b", 3),
                      T{{u"a", U}, {std::u16string(1, u'\0'), tkNullChar}, {u"b", U}}},
        HighlightCase{"NulAfterBlank", std::u16string(u" \0x", 3),
                      T{{std::u16string(u" \0", 2), S}, {u"x", U}}},
        HighlightCase{"PunctuationAndDigits", u"(1)\u20AC",
                      T{{u"(", U}, {u"1", U}, {u")", U}, {u"\u20AC", U}}}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(UriHighlighterTest, AttributesOfTokens) {
  TURIHighlighter hl;
  ASSERT_EQ(hl.GetAttrCount(), 2);
  EXPECT_EQ(hl.GetAttribute(0)->Name(), u"URI");
  EXPECT_EQ(hl.GetAttribute(1)->Name(), u"VisitedURI");
  EXPECT_EQ(hl.GetAttribute(1)->FriendlyName(), u"Visited URI");
  EXPECT_EQ(hl.URIAttri()->Foreground(), clBlue);
  EXPECT_EQ(hl.URIAttri()->Background(), clNone);
  EXPECT_EQ(hl.URIAttri()->Style(), hfsUnderline);
  EXPECT_EQ(hl.URIAttri()->ForegroundDefault(), clBlue);
  EXPECT_EQ(hl.VisitedURIAttri()->Foreground(), clPurple);
  EXPECT_EQ(hl.GetDefaultAttribute(HIGHLIGHTER_ATTR_IDENTIFIER), hl.IdentifierAttri());
  EXPECT_EQ(hl.GetDefaultAttribute(HIGHLIGHTER_ATTR_WHITESPACE), hl.SpaceAttri());
  EXPECT_EQ(hl.GetDefaultAttribute(HIGHLIGHTER_ATTR_URI), hl.URIAttri());
  EXPECT_EQ(hl.GetDefaultAttribute(HIGHLIGHTER_ATTR_VISITEDURI), hl.VisitedURIAttri());
  EXPECT_EQ(hl.GetDefaultAttribute(HIGHLIGHTER_ATTR_KEYWORD), nullptr);
  EXPECT_EQ(hl.GetLanguageName(), u"URI");
  EXPECT_FALSE(hl.IsFilterStored());

  std::vector<std::u16string> asked;
  hl.SetAlreadyVisitedURIFunc([&](const std::u16string& uri) {
    asked.push_back(uri);
    return uri == u"www.Seen.org";
  });
  hl.SetLine(u"x www.Seen.org http://new.org", 0);
  std::vector<THighlighterAttributes*> attrs;
  while (!hl.GetEol()) {
    attrs.push_back(hl.GetTokenAttribute());
    hl.Next();
  }
  EXPECT_EQ(attrs, (std::vector<THighlighterAttributes*>{
                       hl.IdentifierAttri(), hl.SpaceAttri(), hl.VisitedURIAttri(),
                       hl.SpaceAttri(), hl.URIAttri()}));
  EXPECT_EQ(asked, (std::vector<std::u16string>{u"www.Seen.org", u"http://new.org"}));
}

TEST(UriHighlighterTest, EolAndNullTokens) {
  TURIHighlighter hl;
  hl.SetLine(u"", 3);
  EXPECT_TRUE(hl.GetEol());
  EXPECT_EQ(hl.GetTokenKind(), tkNullChar);
  EXPECT_EQ(hl.GetTokenAttribute(), nullptr);
  hl.Next();  // past the end: an empty null token, nothing read
  EXPECT_EQ(hl.GetTokenKind(), tkNull);
  EXPECT_TRUE(hl.GetEol());
  hl.SetLine(u"ab", 4);
  hl.NextToEol();
  EXPECT_TRUE(hl.GetEol());
}

TEST(UriHighlighterTest, ExpandedPositionsSkipWideGlyphFillers) {
  TURIHighlighter hl;
  hl.SetLineExpandedAtWideGlyphs(u"a\u5B57 www.x.y", u"a\uE000\u5B57 www.x.y", 0);
  struct Pos {
    int pos, expandedPos;
    std::u16string expandedToken;
    bool operator==(const Pos&) const = default;
  };
  std::vector<Pos> seen;
  while (!hl.GetEol()) {
    seen.push_back({hl.GetTokenPos(), hl.GetExpandedTokenPos(), hl.GetExpandedToken()});
    hl.Next();
  }
  ASSERT_EQ(seen.size(), 4u);
  EXPECT_EQ(seen[0], (Pos{0, 0, u"a"}));
  EXPECT_EQ(seen[1], (Pos{1, 1, u"\uE000\u5B57"}));
  EXPECT_EQ(seen[2], (Pos{2, 3, u" "}));
  EXPECT_EQ(seen[3], (Pos{3, 4, u"www.x.y"}));
  EXPECT_EQ(hl.PosToExpandedPos(2), 3);
  // A U+E000 of the line's own is one narrow character, not filler.
  hl.SetLineExpandedAtWideGlyphs(u"\uE000\u5B57x", u"\uE000\uE000\u5B57x", 0);
  seen.clear();
  while (!hl.GetEol()) {
    seen.push_back({hl.GetTokenPos(), hl.GetExpandedTokenPos(), hl.GetExpandedToken()});
    hl.Next();
  }
  EXPECT_EQ(seen, (std::vector<Pos>{{0, 0, u"\uE000"}, {1, 1, u"\uE000\u5B57"}, {2, 3, u"x"}}));
  // Without expanded text the positions are the line's own.
  hl.SetLine(u"a\u5B57 b", 0);
  hl.Next();
  EXPECT_EQ(hl.GetExpandedTokenPos(), 1);
  EXPECT_EQ(hl.GetExpandedToken(), u"\u5B57");
}

TEST(UriHighlighterTest, CharacterTests) {
  TURIHighlighter hl;
  EXPECT_TRUE(hl.IsIdentChar(u'\u00E9'));
  EXPECT_FALSE(hl.IsIdentChar(u'_'));
  EXPECT_TRUE(hl.IsWordBreakChar(u'/'));
  EXPECT_TRUE(hl.IsWordBreakChar(u'\u00A7'));
  EXPECT_FALSE(hl.IsWordBreakChar(u'_'));
  EXPECT_TRUE(hl.IsWhiteChar(u'\t'));
  EXPECT_TRUE(hl.IsWhiteChar(u'\u20AC'));  // neither identifier nor word break
  EXPECT_FALSE(hl.IsWhiteChar(u'\u00E9'));
}

TEST(UriHighlighterTest, LongLinesTokenizeInLinearTime) {
  // Runs of letters, digits and dots without an '@' used to be rescanned
  // from every letter.
  std::u16string hex, dotted;
  for (int i = 0; i < 200000; ++i) {
    hex += (i % 2) ? u'a' : u'0';
    dotted += (i % 2) ? u'.' : u'b';
  }
  TURIHighlighter hl;
  const auto start = std::chrono::steady_clock::now();
  for (const std::u16string* line : {&hex, &dotted}) {
    hl.SetLine(*line, 0);
    int tokens = 0;
    while (!hl.GetEol()) {
      ++tokens;
      hl.Next();
    }
    EXPECT_EQ(tokens, 200000);
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
}

// ---- Change notification ------------------------------------------------------

TEST(HighlighterChangeTest, AttributeChangesReachTheHooksInOrder) {
  TURIHighlighter hl;
  std::vector<std::string> calls;
  int viewA = 0, viewB = 0;
  hl.HookAttrChangeEvent(&viewA, [&](TCustomHighlighter& sender) {
    EXPECT_EQ(&sender, &hl);
    calls.push_back("A");
  });
  hl.HookAttrChangeEvent(&viewB, [&](TCustomHighlighter&) { calls.push_back("B"); });
  hl.URIAttri()->SetForeground(clRed);
  hl.URIAttri()->SetForeground(clRed);  // unchanged: nothing fired
  EXPECT_EQ(calls, (std::vector<std::string>{"A", "B"}));

  calls.clear();
  hl.BeginUpdate();
  hl.URIAttri()->SetColors(clGreen, clWhite);
  hl.VisitedURIAttri()->SetStyle(hfsBold);
  EXPECT_TRUE(calls.empty());
  hl.EndUpdate();
  EXPECT_EQ(calls, (std::vector<std::string>{"A", "B"}));

  calls.clear();
  hl.UnhookAttrChangeEvent(&viewA);
  hl.SetEnabled(false);
  hl.SpaceAttri()->SetForeground(clRed);  // not registered: no notification
  EXPECT_EQ(calls, (std::vector<std::string>{"B"}));
}

TEST(HighlighterChangeTest, AssignNotifiesOnceWhenSomethingDiffers) {
  THighlighterAttributes a(u"A", u"A"), b(u"B", u"B");
  int changes = 0;
  a.SetOnChange([&](THighlighterAttributes&) { ++changes; });
  b.SetColors(clRed, clBlue);
  b.SetStyle(hfsItalic | hfsBold);
  a.Assign(b);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(a.Name(), u"B");
  EXPECT_EQ(a.Background(), clBlue);
  a.Assign(b);
  EXPECT_EQ(changes, 1);
}

TEST(HighlighterChangeTest, FailingHandlerStopsTheChainUnlessHandled) {
  TURIHighlighter hl;
  std::vector<std::string> calls;
  int first = 0, second = 0;
  hl.HookAttrChangeEvent(&first, [&](TCustomHighlighter&) {
    calls.push_back("first");
    throw std::runtime_error("boom");
  });
  hl.HookAttrChangeEvent(&second, [&](TCustomHighlighter&) { calls.push_back("second"); });
  EXPECT_THROW(hl.URIAttri()->SetForeground(clRed), std::runtime_error);
  EXPECT_EQ(calls, (std::vector<std::string>{"first"}));

  calls.clear();
  hl.AttrChangeHooks().SetOnException(
      [&](TCustomHighlighter&, std::exception_ptr, bool& doContinue) {
        calls.push_back("handled");
        doContinue = true;
      });
  hl.URIAttri()->SetForeground(clGreen);
  EXPECT_EQ(calls, (std::vector<std::string>{"first", "handled", "second"}));

  hl.AttrChangeHooks().SetOnException([](TCustomHighlighter&, std::exception_ptr, bool&) {
    throw std::runtime_error("again");
  });
  try {
    hl.URIAttri()->SetForeground(clBlue);
    FAIL() << "no exception";
  } catch (const std::logic_error& e) {
    EXPECT_STREQ(e.what(),
                 "TNotifyEventChain.DoHandleException : MUST NOT occur any kind of exception in "
                 "ExceptionHandler");
  }
}

}  // namespace
}  // namespace tav
