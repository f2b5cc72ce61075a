#include "util/text_decoding.h"

#include <gtest/gtest.h>

#include <string>

namespace tav {
namespace {

struct StrictCase {
  const char* name;
  std::string bytes;
  bool valid;
  std::u16string text;  // when valid
};

class StrictUtf8Test : public ::testing::TestWithParam<StrictCase> {};

TEST_P(StrictUtf8Test, DecodesOrRefuses) {
  const StrictCase& c = GetParam();
  EXPECT_EQ(IsStrictUtf8(c.bytes), c.valid);
  if (c.valid) {
    EXPECT_EQ(DecodeUtf8Strict(c.bytes), c.text);
    EXPECT_EQ(StrictUtf8Length(c.bytes), static_cast<std::int64_t>(c.text.size()));
  } else {
    try {
      DecodeUtf8Strict(c.bytes);
      FAIL() << "no EEncodingError";
    } catch (const EEncodingError& e) {
      EXPECT_STREQ(e.what(),
                   "No mapping for the Unicode character exists in the target multi-byte code page");
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, StrictUtf8Test,
    ::testing::Values(
        StrictCase{"Empty", "", true, u""},
        StrictCase{"Ascii", "plain text, 0123456789", true, u"plain text, 0123456789"},
        StrictCase{"TwoThreeFour", "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80", true,
                   u"\u00E9\u20AC\U0001F600"},
        StrictCase{"Boundaries", "\xC2\x80\xDF\xBF\xE0\xA0\x80\xEF\xBF\xBF\xF4\x8F\xBF\xBF", true,
                   u"\u0080\u07FF\u0800\uFFFF\U0010FFFF"},
        StrictCase{"LastBeforeSurrogates", "\xED\x9F\xBF", true, u"\uD7FF"},
        StrictCase{"OverlongTwoByte", "\xC0\xAF", false, u""},
        StrictCase{"LeadC1", "\xC1\xBF", false, u""},
        StrictCase{"OverlongThreeByte", "\xE0\x9F\xBF", false, u""},
        StrictCase{"OverlongFourByte", "\xF0\x8F\xBF\xBF", false, u""},
        StrictCase{"EncodedSurrogate", "\xED\xA0\x80", false, u""},
        StrictCase{"AboveMaximum", "\xF4\x90\x80\x80", false, u""},
        StrictCase{"LeadF5", "\xF5\x80\x80\x80", false, u""},
        StrictCase{"Truncated", "ab\xE2\x82", false, u""},
        StrictCase{"StrayContinuation", "\x80", false, u""},
        StrictCase{"BadAfterAsciiRun", std::string(40, 'a') + "\xC3(", false, u""}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(DecodeBytesTest, OtherEncodings) {
  EXPECT_EQ(DecodeBytes("\x80\x81\xE9\x41", TEncoding::teAnsi), u"\u20AC\u0081\u00E9A");
  EXPECT_EQ(DecodeBytes(std::string("A\0\x3D\xD8\x00\xDE", 6), TEncoding::teUtf16LE),
            u"A\U0001F600");
  EXPECT_EQ(DecodeBytes(std::string("\0A\xD8\x3D", 4), TEncoding::teUtf16BE), u"A\xD83D");
  // A lone final byte is shown, not dropped.
  EXPECT_EQ(DecodeBytes(std::string("A\0B", 3), TEncoding::teUtf16LE), u"A\uFFFD");
  // Large ANSI input decodes in blocks without losing or reordering bytes.
  std::string big;
  for (int i = 0; i < 200000; ++i) big += static_cast<char>(i % 251 + 1);
  const std::u16string text = DecodeBytes(big, TEncoding::teAnsi);
  ASSERT_EQ(text.size(), big.size());
  EXPECT_EQ(text[65535], DecodeBytes(big.substr(65535, 1), TEncoding::teAnsi)[0]);
  EXPECT_EQ(text[65536], DecodeBytes(big.substr(65536, 1), TEncoding::teAnsi)[0]);
}

TEST(DecodeBytesTest, PreambleDetectionOrder) {
  std::size_t length = 99;
  EXPECT_EQ(DetectPreamble("\xEF\xBB\xBFx", length), TEncoding::teUtf8);
  EXPECT_EQ(length, 3u);
  EXPECT_EQ(DetectPreamble("\xFF\xFEx", length), TEncoding::teUtf16LE);
  EXPECT_EQ(length, 2u);
  EXPECT_EQ(DetectPreamble("\xFE\xFFx", length), TEncoding::teUtf16BE);
  EXPECT_EQ(DetectPreamble("\xEF\xBB", length), std::nullopt);
  EXPECT_EQ(length, 0u);
}

// Local pages and style sheets: the mark decides, else UTF-8 when the bytes
// are UTF-8, else the ANSI code page.
TEST(DecodeTextFileTest, MarkThenUtf8ThenAnsi) {
  const struct {
    std::string bytes;
    std::u16string text;
  } cases[] = {
      {"caf\xC3\xA9", u"caf\u00E9"},                          // UTF-8 without a mark
      {"caf\xE9", u"caf\u00E9"},                              // not UTF-8: Windows-1252
      {"\x80 \x9F", u"\u20AC \u0178"},                        // Windows-1252, not Latin-1
      {"\xEF\xBB\xBF" "caf\xC3\xA9", u"caf\u00E9"},            // UTF-8 mark, dropped
      {"\xEF\xBB\xBF\xE9", u"\u00E9"},                        // a UTF-8 mark over ANSI bytes
      {std::string("\xFF\xFEh\0i\0", 6), u"hi"},              // UTF-16LE
      {std::string("\xFE\xFF\0h\0i", 6), u"hi"},              // UTF-16BE
      {"", u""},
  };
  for (const auto& c : cases) EXPECT_EQ(DecodeTextFile(c.bytes), c.text) << c.bytes;
}

}  // namespace
}  // namespace tav
