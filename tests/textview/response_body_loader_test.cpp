#include "textview/response_body_loader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tav {
namespace {

struct BodyCase {
  const char* name;
  std::string body;
  std::int64_t position;
  TEncoding encoding;
  std::vector<std::u16string> lines;
};

class LoadResponseBodyTest : public ::testing::TestWithParam<BodyCase> {};

TEST_P(LoadResponseBodyTest, LoadsEveryBodyOnce) {
  const BodyCase& c = GetParam();
  TTextViewStringList list;
  list.Add(u"old");
  std::vector<std::string> events;
  list.SetOnChanging([&](TTextViewStringList&) { events.push_back("Changing"); });
  list.SetOnChange([&](TTextViewStringList&) { events.push_back("Change"); });
  list.SetOnCleared([&](TTextViewStringList&) { events.push_back("Cleared"); });
  list.SetOnInserted([&](TTextViewStringList&, int index, int count) {
    events.push_back("Inserted " + std::to_string(index) + " " + std::to_string(count));
  });
  TMemoryStream stream;
  stream.Write(c.body);
  stream.SetPosition(c.position);

  EXPECT_EQ(LoadResponseBody(list, stream), c.encoding);
  EXPECT_EQ(list.Encoding(), c.encoding);
  std::vector<std::u16string> lines;
  for (int i = 0; i < list.Count(); ++i) lines.push_back(list.Get(i));
  EXPECT_EQ(lines, c.lines);
  // Exactly one load reaches the view, also when a first attempt was refused.
  std::vector<std::string> expected{"Changing", "Cleared"};
  if (!c.lines.empty()) expected.push_back("Inserted 0 " + std::to_string(c.lines.size()));
  expected.push_back("Change");
  EXPECT_EQ(events, expected);
  EXPECT_EQ(stream.Position(), stream.Size());
}

using L = std::vector<std::u16string>;
INSTANTIATE_TEST_SUITE_P(
    Table, LoadResponseBodyTest,
    ::testing::Values(
        BodyCase{"Empty", "", 0, TEncoding::teUtf8, L{}},
        BodyCase{"Utf8", "h\xC3\xA9llo\r\nx", 0, TEncoding::teUtf8, L{u"h\u00E9llo", u"x"}},
        BodyCase{"Utf8WithMark", "\xEF\xBB\xBF" "abc", 0, TEncoding::teUtf8, L{u"abc"}},
        BodyCase{"InvalidIsAnsi", "abc\xE2", 0, TEncoding::teAnsi, L{u"abc\u00E2"}},
        BodyCase{"Utf16Mark", std::string("\xFF\xFE" "A\0", 4), 0, TEncoding::teUtf16LE, L{u"A"}},
        // Bodies the strict decoder refuses are shown byte for byte instead of
        // failing the load.
        BodyCase{"Overlong", "\xC0\xAF", 0, TEncoding::teAnsi, L{u"\u00C0\u00AF"}},
        BodyCase{"Surrogate", "x\xED\xA0\x80", 0, TEncoding::teAnsi,
                 L{u"x\u00ED\u00A0\u20AC"}},
        BodyCase{"AboveMaximum", "\xF4\x90\x80\x80\n", 0, TEncoding::teAnsi,
                 L{u"\u00F4\u0090\u20AC\u20AC", u""}},
        BodyCase{"MarkThenOverlong", "\xEF\xBB\xBF\xC1\x81", 0, TEncoding::teAnsi,
                 L{u"\u00EF\u00BB\u00BF\u00C1\u0081"}},
        BodyCase{"MarkThenInvalid", "\xEF\xBB\xBF" "a\xE2", 0, TEncoding::teAnsi,
                 L{u"\u00EF\u00BB\u00BF" u"a\u00E2"}},
        // The test covers the whole body; the load starts at the position.
        BodyCase{"ValidWholeLoadFromPosition", "\xC3\xA9xy", 2, TEncoding::teUtf8, L{u"xy"}},
        BodyCase{"InvalidBeforePositionMarkAfter", "\xFF\xFF\xEF\xBB\xBFok", 2,
                 TEncoding::teUtf8, L{u"ok"}}),
    [](const auto& p) { return std::string(p.param.name); });

}  // namespace
}  // namespace tav
