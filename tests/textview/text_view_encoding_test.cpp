#include "textview/text_view_encoding.h"

#include <gtest/gtest.h>

#include <string>

namespace tav {
namespace {

TEST(TextViewEncodingTest, CodePageNumbers) {
  EXPECT_EQ(CodePageOf(TEncoding::teUtf8), 65001);
  EXPECT_EQ(EncodingFromCodePage(65001), TEncoding::teUtf8);
  EXPECT_EQ(EncodingFromCodePage(437), std::nullopt);
}

// Saved text reads back the same in every encoding that can hold it, and
// the UTF-16 forms put their bytes in the right order.
TEST(TextViewEncodingTest, EncodeTextReadsBack) {
  const std::u16string text = u"A\u00E9\u20AC\U0001F600";
  for (TEncoding e : {TEncoding::teUtf8, TEncoding::teUtf16LE, TEncoding::teUtf16BE}) {
    EXPECT_EQ(DecodeBytes(EncodeText(text, e), e), text) << CodePageOf(e);
  }
  EXPECT_EQ(EncodeText(u"A\u20AC", TEncoding::teUtf16LE), std::string("A\0\xAC\x20", 4));
  EXPECT_EQ(EncodeText(u"A\u20AC", TEncoding::teUtf16BE), std::string("\0A\x20\xAC", 4));
  EXPECT_EQ(EncodeText(u"\u00E9\u20AC\u4E00", TEncoding::teAnsi), "\xE9\x80?");
}

}  // namespace
}  // namespace tav
