#include "util/codecs.h"

#include <gtest/gtest.h>

#include <string>

namespace tav {
namespace {

TEST(PercentDecode, EscapeRules) {
  struct Case {
    std::string value, expected;
  };
  const Case cases[] = {
      {"p%40ss", "p@ss"},
      {"%41%62%7e%7E", "Ab~~"},         // either case of hex digit
      {"%00x", std::string("\0x", 2)},
      {"%FF", "\xFF"},
      {"a%2", "a"},                     // escape second to last: it and the rest dropped
      {"100%", "100"},                  // escape last
      {"%", ""},
      {"a%zz", "a%zz"},                 // not hex: escape kept, decoding goes on
      {"a%4zb", "a%4zb"},
      {"%%41", "%A"},                   // the kept escape does not swallow the next one
      {"a%\r\nb", "ab"},                // soft line breaks
      {"a%\n\rb", "ab"},
      {"a%\rb", "ab"},
      {"a%\nb", "ab"},
      {"a%\r\rb", "a\rb"},              // only a CR/LF partner is skipped
      {"a%\n\nb", "a\nb"},
      {"a%\r", "a"},                    // too short: the length rule comes first
      {"no escapes", "no escapes"},
      {"", ""},
  };
  for (const Case& c : cases)
    EXPECT_EQ(PercentDecode(c.value), c.expected) << testing::PrintToString(c.value);
}

TEST(DecodeEscapes, OtherEscapeByte) {
  EXPECT_EQ(DecodeEscapes("a=3Db=\r\nc", '='), "a=bc");
  EXPECT_EQ(DecodeEscapes("50%25", '='), "50%25");
}

TEST(PercentEncodeUnsafe, EscapesExactlyTheUnsafeSet) {
  EXPECT_EQ(PercentEncodeUnsafe("/a b?x=1&y=2#top"), "/a%20b?x=1&y=2#top");
  EXPECT_EQ(PercentEncodeUnsafe("caf\xE9"), "caf%E9");
  EXPECT_EQ(PercentEncodeUnsafe("100%"), "100%25");
  EXPECT_EQ(PercentEncodeUnsafe(std::string("\0\x1F\x7F", 3)), "%00%1F%7F");

  const std::string unsafe = "\"%<>[\\]^`{|}";
  int escaped = 0;
  for (int b = 0; b < 256; ++b) {
    const std::string one(1, static_cast<char>(b));
    const std::string encoded = PercentEncodeUnsafe(one);
    const bool expectEscaped = b <= 0x20 || b >= 0x7F || unsafe.find(one) != std::string::npos;
    EXPECT_EQ(encoded.size(), expectEscaped ? 3u : 1u) << "byte " << b;
    escaped += encoded.size() == 3 ? 1 : 0;
  }
  EXPECT_EQ(escaped, 174);
}

TEST(EncodeEscapes, CustomSetAndRoundTrip) {
  ByteSet set;
  set.contains[static_cast<unsigned char>('=')] = true;
  set.contains[0xAB] = true;
  EXPECT_EQ(EncodeEscapes("a=b\xAB", '=', set), "a=3Db=AB");

  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  EXPECT_EQ(PercentDecode(PercentEncodeUnsafe(all)), all);
}

TEST(Base64Encode, PaddingAndAlphabet) {
  struct Case {
    std::string value, expected;
  };
  const Case cases[] = {
      {"", ""},
      {"a", "YQ=="},
      {"ab", "YWI="},
      {"abc", "YWJj"},
      {"abcd", "YWJjZA=="},
      {"user:pass", "dXNlcjpwYXNz"},
      {"\xFB\xEF\xFF", "++//"},
      {std::string("\0\0\0", 3), "AAAA"},
      {"Aladdin:open sesame", "QWxhZGRpbjpvcGVuIHNlc2FtZQ=="},
  };
  for (const Case& c : cases) EXPECT_EQ(Base64Encode(c.value), c.expected) << c.value;
  EXPECT_EQ(Base64Encode(std::string(100, 'x')).size(), 4u * 34u);  // no line breaks
}

}  // namespace
}  // namespace tav
