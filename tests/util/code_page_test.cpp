#include "util/code_page.h"

#include <gtest/gtest.h>

#include <string>

namespace tav {
namespace {

TEST(AnsiCodePage, HighControlRangeFollowsWindows1252) {
  struct Case {
    unsigned char byte;
    char16_t ch;
  };
  const Case cases[] = {
      {0x41, u'A'},       {0x80, u'\u20AC'}, {0x81, u'\u0081'}, {0x85, u'\u2026'},
      {0x8D, u'\u008D'},  {0x8F, u'\u008F'}, {0x90, u'\u0090'}, {0x92, u'\u2019'},
      {0x9D, u'\u009D'},  {0x9F, u'\u0178'}, {0xA0, u'\u00A0'}, {0xE9, u'\u00E9'},
      {0xFF, u'\u00FF'},  {0x00, u'\0'},
  };
  for (const Case& c : cases) {
    const std::string byte(1, static_cast<char>(c.byte));
    EXPECT_EQ(AnsiToText(byte), std::u16string(1, c.ch)) << int(c.byte);
    EXPECT_EQ(TextToAnsi(std::u16string(1, c.ch)), byte) << int(c.byte);
  }
}

TEST(AnsiCodePage, EveryByteRoundTrips) {
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  const std::u16string text = AnsiToText(all);
  ASSERT_EQ(text.size(), 256u);
  EXPECT_EQ(TextToAnsi(text), all);
}

TEST(AnsiCodePage, UnmappableCharactersBecomeQuestionMarks) {
  // U+0080 and U+0099 are C1 controls whose bytes stand for other characters.
  EXPECT_EQ(TextToAnsi(u"a\u0080\u0099\u0100\u4E2D\uFFFDz"), "a?????z");
  EXPECT_EQ(TextToAnsi(u"\U0001F600"), "?");          // one character, one '?'
  EXPECT_EQ(TextToAnsi(std::u16string(u"x\xD800y")), "x?y");  // unpaired surrogate
}

TEST(Utf8, WellFormedRoundTrip) {
  const std::u16string text = u"A\u00E9\u20AC\uFFFF\U00010000\U0010FFFF";
  const std::string utf8 = TextToUtf8(text);
  EXPECT_EQ(utf8, std::string("A\xC3\xA9\xE2\x82\xAC\xEF\xBF\xBF\xF0\x90\x80\x80\xF4\x8F\xBF\xBF"));
  const std::u16string withNul(u"a\0b", 3);
  EXPECT_EQ(Utf8ToText(TextToUtf8(withNul)), withNul);
  EXPECT_EQ(Utf8ToText(utf8), u"A\u00E9\u20AC\uFFFF\U00010000\U0010FFFF");
}

TEST(Utf8, MalformedInputBecomesReplacementCharacters) {
  struct Case {
    std::string bytes;
    std::u16string text;
  };
  const Case cases[] = {
      {"a\x80z", u"a\uFFFDz"},                   // stray continuation byte
      {"\xC3", u"\uFFFD"},                       // truncated at the end
      {"\xC3z", u"\uFFFDz"},                     // truncated before ASCII
      {"\xC0\xAF", u"\uFFFD\uFFFD"},             // overlong '/'
      {"\xE0\x80\xAF", u"\uFFFD\uFFFD\uFFFD"},   // overlong three-byte form
      {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},   // encoded surrogate
      {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // above U+10FFFF
      {"\xE2\x82z", u"\uFFFDz"},                 // one U+FFFD per broken sequence
      {"\xF0\x9F\x98", u"\uFFFD"},
      {"\xFE\xFF", u"\uFFFD\uFFFD"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Utf8ToText(c.bytes), c.text) << testing::PrintToString(c.bytes);
}

TEST(Utf8, UnpairedSurrogatesAreWrittenAsReplacement) {
  EXPECT_EQ(TextToUtf8(std::u16string(u"a\xD800")), "a\xEF\xBF\xBD");
  EXPECT_EQ(TextToUtf8(std::u16string(u"\xDC00" u"b")), "\xEF\xBF\xBD" "b");
  EXPECT_EQ(TextToUtf8(std::u16string(u"\xDC00\xD800")), "\xEF\xBF\xBD\xEF\xBF\xBD");
}

}  // namespace
}  // namespace tav
