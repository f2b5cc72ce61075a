// The structural UTF-8 test that picks how a response body is shown.
#include <gtest/gtest.h>

#include <string>

#include "util/utf8_validity.h"

namespace tav {
namespace {

bool Valid(const std::string& bytes) {
  return IsValidUtf8Buffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
}

TEST(BodyUtf8Check, AcceptsWellFormedAndStructurallyValidForms) {
  const std::string cases[] = {
      "",                                  // empty body
      "plain ASCII\r\n",                   //
      "gr\xC3\xBC\xC3\x9F" "e \xE2\x82\xAC", // two- and three-byte sequences
      "\xF0\x9F\x98\x80",                  // four bytes
      "\xC0\xAF",                          // overlong "/"
      "\xE0\x80\x80",                      // overlong NUL
      "\xED\xA0\x80",                      // encoded surrogate
      "\xF4\x90\x80\x80",                  // above U+10FFFF
      "\xF7\xBF\xBF\xBF",                  // largest four-byte form
      "\xC1\xBF",                          // lead byte C1
      std::string("a\0b", 3),              // NUL is a one-byte sequence
      "0123456789abcdef\xC3\xA9" "0123456789", // long ASCII runs around a sequence
  };
  for (const std::string& c : cases) EXPECT_TRUE(Valid(c)) << testing::PrintToString(c);
}

TEST(BodyUtf8Check, RejectsBrokenStructure) {
  const std::string cases[] = {
      "\x80",                  // continuation byte as lead
      "ab\xBF",                //
      "\xF8\x88\x80\x80\x80",  // five-byte lead
      "\xFF",                  //
      "\xFE",                  //
      "abc\xE2",               // truncated final sequence
      "\xE2\x82",              //
      "\xF0\x9F\x98",          //
      "\xC3" "a",              // lead followed by a non-continuation byte
      "\xE2\x82" "a",          //
      "\xF0\x9F\x98\xC3\xBC",  // trail position holds a new lead
      "0123456789abcdef\x80",              // fault right after a long ASCII run
      "01234567\xE2\x82" "0123456789abcdef", // fault between long ASCII runs
  };
  for (const std::string& c : cases) EXPECT_FALSE(Valid(c)) << testing::PrintToString(c);
}

TEST(BodyUtf8Check, LooksOnlyAtTheGivenCount) {
  const std::string bytes = "ok\xE2\x82\xAC";
  EXPECT_TRUE(IsValidUtf8Buffer(bytes.data(), 2));
  EXPECT_FALSE(IsValidUtf8Buffer(bytes.data(), 4));  // sequence cut by the count
  EXPECT_TRUE(IsValidUtf8Buffer(bytes.data(), 0));
}

}  // namespace
}  // namespace tav
