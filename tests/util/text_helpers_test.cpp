#include "util/text_helpers.h"
#include "util/tick.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <limits>
#include <string>
#include <thread>

namespace tav {
namespace {

TEST(TickSpan, MeasuresForwardBackwardAndAcrossTheWrap) {
  struct Case {
    std::uint32_t oldTick, newTick, span;
  };
  const Case cases[] = {
      {1000, 1000, 0},
      {1000, 1500, 500},
      {0xFFFFFF00u, 0x00000100u, 512},  // new tick wrapped past zero
      {0xFFFFFFFFu, 0, 1},
      {4096, 1280, 2816},               // new tick behind: the distance, not ~4e9
      {0x7FFFFFFFu, 0x80000001u, 2},
      {0, 0xFFFFFFFFu, 0xFFFFFFFFu},
  };
  for (const Case& c : cases)
    EXPECT_EQ(TickSpan(c.oldTick, c.newTick), c.span) << c.oldTick << " -> " << c.newTick;
}

TEST(TickMilliseconds, AdvancesWithTime) {
  const std::uint32_t start = TickMilliseconds();
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  const std::uint32_t span = TickSpan(start, TickMilliseconds());
  EXPECT_GE(span, 19u);
  EXPECT_LT(span, 2000u);
}

TEST(BigEndian, PacksAndUnpacks) {
  EXPECT_EQ(PackWordBE(0x1234), std::string("\x12\x34", 2));
  EXPECT_EQ(PackLongBE(0x01020304u), std::string("\x01\x02\x03\x04", 4));
  EXPECT_EQ(PackLongBE(0xFF000000u), std::string("\xFF\x00\x00\x00", 4));
  EXPECT_EQ(SwapLongBytes(0x11223344u), 0x44332211u);

  const std::string three("\x01\xAB\xCD", 3);
  EXPECT_EQ(UnpackWordBE(three, 1), 0x01AB);
  EXPECT_EQ(UnpackWordBE(three, 2), 0xABCD);  // bytes are unsigned
  EXPECT_EQ(UnpackWordBE(three, 3), 0);       // second byte missing
  EXPECT_EQ(UnpackWordBE(three, 0), 0);
  EXPECT_EQ(UnpackWordBE(std::string(), 1), 0);
}

TEST(Trim, BlanksOnlyVersusAllControls) {
  const std::u16string text = u" \t a b \r\n ";
  EXPECT_EQ(TrimBlanks(text), u"\t a b \r\n");
  EXPECT_EQ(TrimLeadingBlanks(text), u"\t a b \r\n ");
  EXPECT_EQ(TrimTrailingBlanks(text), u" \t a b \r\n");
  EXPECT_EQ(Trim(text), u"a b");
  EXPECT_EQ(TrimLeft(text), u"a b \r\n ");
  EXPECT_EQ(TrimRight(text), u" \t a b");
  EXPECT_EQ(TrimBlanks(std::u16string(u"   ")), u"");
  EXPECT_EQ(Trim(std::u16string(u"\x01\x1F\x20")), u"");
  // U+00A0 and U+2000 are above U+0020 and stay.
  EXPECT_EQ(Trim(std::u16string(u"\u00A0x\u2000")), u"\u00A0x\u2000");

  // Byte strings: bytes above 0x7F are not controls.
  EXPECT_EQ(Trim(std::string("\x00 \xE9x\t", 5)), "\xE9x");
  EXPECT_EQ(TrimBlanks(std::string(" \tx ")), "\tx");
  EXPECT_EQ(TrimLeft(std::string("\r\nGET")), "GET");
  EXPECT_EQ(TrimRight(std::string("GET\r\n")), "GET");
}

// The view form trims the same characters as the copy, inside the text itself.
TEST(Trim, ViewIsTheCopyWithoutCopying) {
  for (const std::u16string text : {u" \t a b \r\n ", u"\x01\x1F\x20", u"\u00A0x\u2000", u""}) {
    const std::u16string_view view = TrimView(text);
    EXPECT_EQ(std::u16string(view), Trim(text));
    EXPECT_TRUE(view.empty() || (view.data() >= text.data() && view.data() + view.size() <= text.data() + text.size()));
  }
}

TEST(CaseMapping, AsciiOnly) {
  EXPECT_EQ(UpperCase(std::u16string(u"Content-Type: \u00e9z")), u"CONTENT-TYPE: \u00e9Z");
  EXPECT_EQ(LowerCase(std::u16string(u"GZIP \u00C9")), u"gzip \u00C9");
  EXPECT_EQ(UpperCase(std::string("chunked\xE9")), "CHUNKED\xE9");
  EXPECT_EQ(LowerCase(std::string("@[`{AZ")), "@[`{az");
}

TEST(Delimiters, BeforeAfterAndTokens) {
  EXPECT_EQ(TextBefore(std::u16string(u"key: value"), u":"), u"key");
  EXPECT_EQ(TextAfter(std::u16string(u"key: value"), u":"), u" value");
  EXPECT_EQ(TextBefore(std::u16string(u"key value"), u":"), u"key value");
  EXPECT_EQ(TextAfter(std::u16string(u"key value"), u":"), u"key value");
  EXPECT_EQ(TextAfter(std::string("a::b"), "::"), "b");
  EXPECT_EQ(TextBefore(std::string(":x"), ":"), "");

  std::u16string text = u"a:b:c";
  EXPECT_EQ(TakeToken(text, u":"), u"a");
  EXPECT_EQ(text, u"b:c");
  text = u"abc";
  EXPECT_EQ(TakeToken(text, u":"), u"abc");
  EXPECT_EQ(text, u"");
  text = u"a:";
  EXPECT_EQ(TakeToken(text, u":"), u"a");
  EXPECT_EQ(text, u"");

  // An empty delimiter never matches, so a token loop always ends.
  std::string bytes = "abc";
  EXPECT_EQ(TakeToken(bytes, ""), "abc");
  EXPECT_EQ(bytes, "");

  std::u16string fields = u"  one , two\t,  three  ";
  EXPECT_EQ(TakeTrimmedToken(fields, u","), u"one");
  EXPECT_EQ(fields, u"two\t,  three");
  EXPECT_EQ(TakeTrimmedToken(fields, u","), u"two\t");
  EXPECT_EQ(TakeTrimmedToken(fields, u","), u"three");
  EXPECT_EQ(fields, u"");
}

TEST(ReplaceAll, ScansLeftToRightWithoutRescanning) {
  struct Case {
    std::string value, search, replacement, expected;
  };
  const Case cases[] = {
      {"a\nb\r\nc\n", "\n", "\r\n", "a\r\nb\r\r\nc\r\n"},
      {"aaaa", "aa", "a", "aa"},    // replaced text is not scanned again
      {"abab", "ab", "abab", "abababab"},
      {"xyz", "", "Q", "xyz"},      // empty search: unchanged
      {"", "a", "b", ""},
      {"1::2", "::", ":0:0:", "1:0:0:2"},
      {"tail", "il", "", "ta"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ReplaceAll(c.value, c.search, c.replacement), c.expected) << c.value;
  EXPECT_EQ(ReplaceAll(std::u16string(u"a\u00e9a"), u"a", u"bb"), u"bb\u00e9bb");
}

TEST(Search, CountPosStartsWith) {
  EXPECT_EQ(CountChar(std::u16string(u"1:2::3"), u':'), 3);
  EXPECT_EQ(CountChar(std::string("\xFFx\xFF"), '\xFF'), 2);
  EXPECT_EQ(CountChar(std::string(), 'a'), 0);
  EXPECT_EQ(Pos(std::u16string(u"lo"), std::u16string(u"hello")), 4);
  EXPECT_EQ(Pos(std::string("h"), std::string("hello")), 1);
  EXPECT_EQ(Pos(std::string("x"), std::string("hello")), 0);
  EXPECT_EQ(Pos(std::string(), std::string("hello")), 0);
  EXPECT_TRUE(StartsWith(std::u16string(u"HTTP/1.1 200"), u"HTTP/"));
  EXPECT_FALSE(StartsWith(std::string("HTT"), "HTTP"));
  EXPECT_TRUE(StartsWith(std::string("x"), ""));
}

TEST(FindLineBreak, FirstBreakAndItsTerminator) {
  struct Case {
    std::string bytes;
    int position;
    std::string terminator;
  };
  const Case cases[] = {
      {"", -1, ""},
      {"no break", -1, ""},
      {"ab\r\ncd", 3, "\r\n"},
      {"ab\n\rcd", 3, "\n\r"},
      {"ab\ncd\r\n", 3, "\n"},
      {"ab\rcd", 3, "\r"},
      {"abc\r", 4, "\r"},          // lone CR at the end
      {"\n", 1, "\n"},
      {"\r\r\n", 1, "\r"},         // CR CR: the first CR alone
      {"\n\n", 1, "\n"},
      {std::string("a\0\n", 3), 3, "\n"},
  };
  for (const Case& c : cases) {
    const LineBreak lb = FindLineBreak(c.bytes);
    EXPECT_EQ(lb.position, c.position) << testing::PrintToString(c.bytes);
    EXPECT_EQ(lb.terminator, c.terminator) << testing::PrintToString(c.bytes);
  }
}

TEST(StrToIntDef, DecimalWithDefault) {
  struct Case {
    std::string text;
    int expected;
  };
  const Case cases[] = {
      {"0", 0},           {"42", 42},           {"  42", 42},      {"+7", 7},
      {"-7", -7},         {"007", 7},           {"2147483647", 2147483647},
      {"-2147483648", std::numeric_limits<int>::min()},
      {"2147483648", -1}, {"-2147483649", -1},  {"", -1},          {" ", -1},
      {"-", -1},          {"+", -1},            {"42 ", -1},       {"4 2", -1},
      {"0x10", -1},       {"\t1", -1},          {"- 1", -1},       {"1e3", -1},
      {"99999999999999999999999", -1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(StrToIntDef(c.text, -1), c.expected) << '"' << c.text << '"';
    EXPECT_EQ(StrToIntDef(std::u16string(c.text.begin(), c.text.end()), -1), c.expected)
        << '"' << c.text << '"';
  }
  EXPECT_EQ(StrToIntDef(std::u16string(u"\uFF11"), 5), 5);  // full-width digit
}

TEST(StrToInt64Def, FullRangeAndOverflow) {
  EXPECT_EQ(StrToInt64Def(std::string("9223372036854775807"), 0),
            std::numeric_limits<std::int64_t>::max());
  EXPECT_EQ(StrToInt64Def(std::string("-9223372036854775808"), 0),
            std::numeric_limits<std::int64_t>::min());
  EXPECT_EQ(StrToInt64Def(std::string("9223372036854775808"), 3), 3);
  EXPECT_EQ(StrToInt64Def(std::string("-9223372036854775809"), 3), 3);
  EXPECT_EQ(StrToInt64Def(std::u16string(u" 4294967296"), 3), 4294967296LL);
  EXPECT_EQ(StrToInt64Def(std::u16string(u"12x"), 3), 3);
}

TEST(IntToText, Decimal) {
  EXPECT_EQ(IntToText(0), u"0");
  EXPECT_EQ(IntToText(-15), u"-15");
  EXPECT_EQ(IntToText(std::numeric_limits<std::int64_t>::min()), u"-9223372036854775808");
}

}  // namespace
}  // namespace tav
