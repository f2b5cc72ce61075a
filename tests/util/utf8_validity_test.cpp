#include "util/utf8_validity.h"

#include <gtest/gtest.h>

#include <string>

namespace tav {
namespace {

struct Utf8Case {
  const char* name;
  std::string bytes;
  bool valid;
};

class IsValidUtf8BufferTest : public ::testing::TestWithParam<Utf8Case> {};

TEST_P(IsValidUtf8BufferTest, ClassifiesBuffer) {
  const Utf8Case& c = GetParam();
  EXPECT_EQ(IsValidUtf8Buffer(c.bytes.data(), static_cast<std::int64_t>(c.bytes.size())), c.valid);
}

// The test is structural: forms a strict decoder refuses still pass.
INSTANTIATE_TEST_SUITE_P(
    Table, IsValidUtf8BufferTest,
    ::testing::Values(
        Utf8Case{"Empty", "", true},
        Utf8Case{"Ascii", "Hello, world\r\n", true},
        Utf8Case{"LongAsciiThenTwoByte", std::string(37, 'a') + "\xC3\xA9" + std::string(9, 'b'),
                 true},
        Utf8Case{"ThreeAndFourByte", "\xE2\x82\xAC \xF0\x9F\x98\x80", true},
        Utf8Case{"OverlongSlash", "\xC0\xAF", true},
        Utf8Case{"OverlongThreeByte", "\xE0\x80\x80", true},
        Utf8Case{"LeadC1", "\xC1\xBF", true},
        Utf8Case{"EncodedSurrogate", "\xED\xA0\x80", true},
        Utf8Case{"LastSurrogate", "\xED\xBF\xBF", true},
        Utf8Case{"AboveMaximum", "\xF4\x90\x80\x80", true},
        Utf8Case{"F7Lead", "\xF7\xBF\xBF\xBF", true},
        Utf8Case{"NulIsOneByte", std::string("a\0b", 3), true},
        Utf8Case{"F8Lead", "\xF8\x88\x80\x80\x80", false},
        Utf8Case{"FFByte", "ab\xFF", false},
        Utf8Case{"FEByte", "\xFE", false},
        Utf8Case{"StrayContinuation", "a\x80z", false},
        Utf8Case{"TruncatedAtEnd", "abc\xE2", false},
        Utf8Case{"TruncatedFourByte", "\xF0\x9F\x98", false},
        Utf8Case{"LeadThenAscii", "\xC3(", false},
        Utf8Case{"SecondTrailMissing", "\xE2\x82x", false},
        Utf8Case{"NewLeadInTrail", "\xF0\x9F\x98\xC3\xBC", false},
        Utf8Case{"InvalidAfterLongAsciiRun", std::string(64, 'x') + "\x80", false},
        Utf8Case{"TruncatedBetweenAsciiRuns",
                 std::string(8, 'x') + "\xE2\x82" + std::string(16, 'y'), false},
        Utf8Case{"Utf16Mark", std::string("\xFF\xFE" "A\0", 4), false}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(IsValidUtf8BufferTest, LengthLimitsTheScan) {
  const std::string bytes = "ab\xE2\x82\xAC";
  // A sequence cut by the given length counts as truncated, whatever follows.
  EXPECT_FALSE(IsValidUtf8Buffer(bytes.data(), 4));
  EXPECT_TRUE(IsValidUtf8Buffer(bytes.data(), 2));
  EXPECT_TRUE(IsValidUtf8Buffer(bytes.data(), 0));
}

}  // namespace
}  // namespace tav
