#include "util/ip_text.h"

#include <gtest/gtest.h>

#include <string>

namespace tav {
namespace {

std::string Bytes(std::initializer_list<int> values) {
  std::string s;
  for (int v : values) s += static_cast<char>(v);
  return s;
}

std::string Words(std::initializer_list<int> words) {
  std::string s;
  for (int w : words) {
    s += static_cast<char>(w >> 8);
    s += static_cast<char>(w & 0xFF);
  }
  return s;
}

TEST(IsByteText, DigitsZeroTo255) {
  for (const char16_t* yes : {u"0", u"255", u"007", u"00000000000000000001"})
    EXPECT_TRUE(IsByteText(yes)) << testing::PrintToString(std::u16string(yes));
  for (const char16_t* no : {u"", u"256", u"-0", u"+1", u" 1", u"1 ", u"0x1", u"1a",
                             u"99999999999999999999"})
    EXPECT_FALSE(IsByteText(no)) << testing::PrintToString(std::u16string(no));
}

TEST(IsIPv4Text, AcceptRejectTable) {
  for (const char16_t* yes : {u"127.0.0.1", u"192.168.001.010", u"192. 168. 1. 1", u" 10.0.0.1 ",
                              u"0.0.0.0", u"255.255.255.255"})
    EXPECT_TRUE(IsIPv4Text(yes)) << testing::PrintToString(std::u16string(yes));
  for (const char16_t* no : {u"", u"1.2.3", u"1.2.3.4.5", u"256.1.1.1", u"1.2.3.256", u"1..2.3",
                             u"1.2.3.4.", u".1.2.3", u"a.b.c.d", u"1.2.3.-4", u"::1",
                             u"example.com", u"1.2.3.4:80"})
    EXPECT_FALSE(IsIPv4Text(no)) << testing::PrintToString(std::u16string(no));
}

TEST(IsIPv6Text, AcceptRejectTable) {
  for (const char16_t* yes : {
           u"::", u"::1", u"1::", u"fe80::", u"fe80::1%3", u"fe80::1%ffff", u"1:2:3:4:5:6:7:8",
           u"2001:db8::1", u"2001:DB8:0:0:0:0:0:1", u"::1:2:3:4:5:6:7", u"1:2:3:4:5:6:7::",
           u"1::3:4:5:6:7:8", u"0000:0:0:0:0:0:0:00ffff", u"1: 2:3:4:5:6:7:8", u"::%1"})
    EXPECT_TRUE(IsIPv6Text(yes)) << testing::PrintToString(std::u16string(yes));
  for (const char16_t* no : {
           u"", u":", u":::", u"1", u"abcd", u"1:2", u"1:2:3:4:5:6:7", u"1:2:3:4:5:6:7:8:9",
           u"::1:2:3:4:5:6:7:8", u"1:2:3:4:5:6:7:8::", u"1::2::3", u"::1::", u"12345::1",
           u"::ffff:1.2.3.4", u"1.2.3.4", u":1:2:3:4:5:6:7", u"1:2:3:4:5:6:7:",
           u"fe80::1%eth0", u"fe80::1%", u"fe80::1%10000", u"g::1", u"1:-2::3", u"0x1::1",
           u"example.com", u"[::1]", u"::\u0661"})
    EXPECT_FALSE(IsIPv6Text(no)) << testing::PrintToString(std::u16string(no));
}

TEST(IPv4TextToBytes, FourBytesLowEightBits) {
  EXPECT_EQ(IPv4TextToBytes(u"127.0.0.1"), Bytes({127, 0, 0, 1}));
  EXPECT_EQ(IPv4TextToBytes(u"10.0.0.300"), Bytes({0x0A, 0x00, 0x00, 0x2C}));
  EXPECT_EQ(IPv4TextToBytes(u" 1 . 2 . 3 . 4 "), Bytes({1, 2, 3, 4}));
  EXPECT_EQ(IPv4TextToBytes(u"1.x.3"), Bytes({1, 0, 3, 0}));  // not a number, missing: 0
  EXPECT_EQ(IPv4TextToBytes(u""), Bytes({0, 0, 0, 0}));
}

TEST(ExpandIPv6Text, SpellsOutTheGap) {
  struct Case {
    std::string value, expected;
  };
  const Case cases[] = {
      {"", ""},
      {"1::2", "1:0:0:0:0:0:0:2"},
      {"::1", "0:0:0:0:0:0:0:1"},
      {"1::", "1:0:0:0:0:0:0:0"},
      {"::", "0:0:0:0:0:0:0:0"},
      {"::0", "0:0:0:0:0:0:0:0"},
      {"1:2:3:4:5:6:7:8", "1:2:3:4:5:6:7:8"},
      {"1:2:3::5:6:7:8", "1:2:3:0:5:6:7:8"},
      // A gap at either end that stands for one word has eight colons.
      {"::2:3:4:5:6:7:8", "0:2:3:4:5:6:7:8"},
      {"1:2:3:4:5:6:7::", "1:2:3:4:5:6:7:0"},
      {"1:2:3:4:5:6:7:8:9", ""},
      {"1:2:3:4:5:6:7::8:9", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(ExpandIPv6Text(c.value), c.expected) << c.value;
}

TEST(IPv6TextToBytes, WordsInNetworkOrder) {
  const std::string zero(16, '\0');
  struct Case {
    const char16_t* text;
    std::string bytes;
  };
  const Case cases[] = {
      {u"::1", Words({0, 0, 0, 0, 0, 0, 0, 1})},
      {u"2001:db8::ff00:42", Words({0x2001, 0xdb8, 0, 0, 0, 0, 0xff00, 0x42})},
      {u"1:2:3:4:5:6:7:8", Words({1, 2, 3, 4, 5, 6, 7, 8})},
      {u"FFFF::", Words({0xFFFF, 0, 0, 0, 0, 0, 0, 0})},
      {u"::2:3:4:5:6:7:8", Words({0, 2, 3, 4, 5, 6, 7, 8})},
      {u"fe80::1%3", Words({0xfe80, 0, 0, 0, 0, 0, 0, 1})},  // the zone is not address bytes
      {u" 1 : : 2 ", Words({1, 0, 0, 0, 0, 0, 0, 2})},       // blanks around groups ignored
      {u"1:2:3:4:5:6:7:8:9", zero},
      {u"12345::1", zero},
      {u"::ffff:1.2.3.4", zero},
      {u"", zero},
      {u"x::1", zero},
  };
  for (const Case& c : cases)
    EXPECT_EQ(IPv6TextToBytes(c.text), c.bytes) << testing::PrintToString(std::u16string(c.text));
}

TEST(IPv6BytesToText, LongestZeroRunCompressed) {
  struct Case {
    std::string bytes;
    const char16_t* text;
  };
  const Case cases[] = {
      {Words({0, 0, 0, 0, 0, 0, 0, 1}), u"::1"},
      {Words({0x2001, 0xdb8, 0, 0, 0, 0, 0, 1}), u"2001:db8::1"},
      {Words({0, 0, 0, 0, 0, 0, 0, 0}), u"::0"},
      {Words({1, 0, 0, 0, 0, 0, 0, 0}), u"1::"},
      {Words({0, 0, 1, 0, 1, 0, 0, 0}), u"0:0:1:0:1::"},     // the longer last run wins
      {Words({1, 0, 0, 2, 0, 0, 3, 4}), u"1::2:0:0:3:4"},    // equal runs: the first wins
      {Words({1, 0, 2, 3, 4, 5, 6, 7}), u"1::2:3:4:5:6:7"},  // a single zero word counts
      {Words({0, 1, 2, 3, 4, 5, 6, 7}), u"::1:2:3:4:5:6:7"},
      {Words({1, 2, 3, 4, 5, 6, 7, 8}), u"1:2:3:4:5:6:7:8"},
      {Words({0xFE80, 0xABCD, 0x0F, 0x100, 0xFFFF, 9, 0xA, 0xB}), u"fe80:abcd:f:100:ffff:9:a:b"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IPv6BytesToText(c.bytes), c.text);
    // What is written reads back to the same bytes.
    EXPECT_EQ(IPv6TextToBytes(IPv6BytesToText(c.bytes)), c.bytes)
        << testing::PrintToString(IPv6BytesToText(c.bytes));
  }
}

TEST(IPv6BytesToText, EveryZeroPatternReadsBack) {
  // All 256 patterns of zero and non-zero words: the written text is a valid
  // address and reads back to the same bytes.
  for (int mask = 0; mask < 256; ++mask) {
    std::string bytes;
    for (int i = 0; i < 8; ++i) {
      const int word = (mask >> i & 1) != 0 ? 0x1000 * i + 0xA : 0;
      bytes += static_cast<char>(word >> 8);
      bytes += static_cast<char>(word & 0xFF);
    }
    const std::u16string text = IPv6BytesToText(bytes);
    EXPECT_TRUE(IsIPv6Text(text)) << testing::PrintToString(text);
    EXPECT_EQ(IPv6TextToBytes(text), bytes) << testing::PrintToString(text);
  }
}

}  // namespace
}  // namespace tav
