#include "textview/char_class.h"

#include <gtest/gtest.h>

namespace tav {
namespace {

TEST(CharClassTest, AlphaNumericAgreesWithAsciiAndKnowsOtherScripts) {
  for (char16_t c = 0; c < 0x80; ++c) {
    const bool ascii = (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') ||
                       (c >= u'a' && c <= u'z');
    EXPECT_EQ(IsCharAlphaNumeric(c), ascii) << static_cast<int>(c);
  }
  for (char16_t c : {u'\u00E9', u'\u00C9', u'\u03A9', u'\u0416', u'\u0663', u'\u5B57', u'\uAC00',
                     u'\u00B2'}) {
    EXPECT_TRUE(IsCharAlphaNumeric(c)) << static_cast<int>(c);
  }
  for (char16_t c : {u'\u00A0', u'\u00A7', u'\u20AC', u'\u2028', u'\u3000', u'\uE000', u'\uFFFD',
                     static_cast<char16_t>(0xD83D), static_cast<char16_t>(0xDE00)}) {
    EXPECT_FALSE(IsCharAlphaNumeric(c)) << static_cast<int>(c);
  }
}

TEST(CharClassTest, LowerCaseMapsOneUnitToOne) {
  for (char16_t c = 0; c < 0x80; ++c) {
    const char16_t expected = (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c;
    EXPECT_EQ(CharLower(c), expected) << static_cast<int>(c);
  }
  struct Pair {
    char16_t in, out;
  };
  for (Pair p : {Pair{u'\u00C9', u'\u00E9'}, Pair{u'\u0100', u'\u0101'}, Pair{u'\u0101', u'\u0101'},
                 Pair{u'\u0130', u'i'}, Pair{u'\u0391', u'\u03B1'}, Pair{u'\u0416', u'\u0436'},
                 Pair{u'\u212A', u'k'}, Pair{u'\uFF21', u'\uFF41'}, Pair{u'\u00DF', u'\u00DF'},
                 Pair{u'\u5B57', u'\u5B57'}}) {
    EXPECT_EQ(CharLower(p.in), p.out) << static_cast<int>(p.in);
  }
}

}  // namespace
}  // namespace tav
