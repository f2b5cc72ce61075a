#include "textview/text_view_string_list.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace tav {
namespace {

std::vector<std::u16string> Lines(const TTextViewStringList& list) {
  std::vector<std::u16string> lines;
  for (int i = 0; i < list.Count(); ++i) lines.push_back(list.Get(i));
  return lines;
}

// Records the list's events as text, e.g. "Inserted 0 3".
struct EventLog {
  std::vector<std::string> events;
  explicit EventLog(TTextViewStringList& list) {
    list.SetOnChanging([this](TTextViewStringList&) { events.push_back("Changing"); });
    list.SetOnChange([this](TTextViewStringList&) { events.push_back("Change"); });
    list.SetOnCleared([this](TTextViewStringList&) { events.push_back("Cleared"); });
    auto ranged = [this](const char* name) {
      return [this, name](TTextViewStringList&, int index, int count) {
        events.push_back(std::string(name) + " " + std::to_string(index) + " " +
                         std::to_string(count));
      };
    };
    list.SetOnInserted(ranged("Inserted"));
    list.SetOnDeleted(ranged("Deleted"));
    list.SetOnPutted(ranged("Putted"));
  }
};

using Strings = std::vector<std::u16string>;

// ---- Splitting and joining ------------------------------------------------------

struct SplitCase {
  const char* name;
  std::u16string text;
  Strings lines;
  TTextViewFileFormat format;
};

class SplitTest : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitTest, SplitsIntoLinesAndDetectsFormat) {
  const SplitCase& c = GetParam();
  TTextViewStringList list;
  list.SetFileFormat(sffUnicode);  // must be overwritten
  list.SetText(c.text);
  EXPECT_EQ(Lines(list), c.lines);
  EXPECT_EQ(list.FileFormat(), c.format);
  // Joining with CR LF and splitting again gives back the same lines.
  TTextViewStringList again;
  again.SetText(list.Text());
  // (A single empty line joins to the empty text, which has no lines.)
  if (!(c.lines.size() == 1 && c.lines[0].empty())) {
    EXPECT_EQ(Lines(again), c.lines);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, SplitTest,
    ::testing::Values(
        SplitCase{"Empty", u"", {}, sffDos},
        SplitCase{"OneLine", u"abc", {u"abc"}, sffDos},
        SplitCase{"TrailingCrLf", u"abc\r\n", {u"abc", u""}, sffDos},
        SplitCase{"OnlyCrLf", u"\r\n", {u"", u""}, sffDos},
        SplitCase{"OnlyLf", u"\n", {u"", u""}, sffUnix},
        SplitCase{"LoneCr", u"a\rb", {u"a", u"b"}, sffMac},
        SplitCase{"TrailingCr", u"a\r", {u"a", u""}, sffMac},
        SplitCase{"LfLines", u"a\nb\n", {u"a", u"b", u""}, sffUnix},
        SplitCase{"MixedLfAndCrLf", u"a\nb\r\nc", {u"a", u"b", u"c"}, sffDos},
        SplitCase{"TwoCrs", u"a\r\rb", {u"a", u"", u"b"}, sffMac},
        SplitCase{"LfThenCr", u"a\n\rb", {u"a", u"", u"b"}, sffDos},
        SplitCase{"LineSeparator", u"a\u2028b", {u"a", u"b"}, sffUnicode},
        SplitCase{"SeparatorCrLf", u"a\u2028\r\nb", {u"a", u"b"}, sffUnicode},
        SplitCase{"TrailingSeparator", u"a\u2028", {u"a", u""}, sffUnicode},
        SplitCase{"CrLfCrLf", u"\r\n\r\n", {u"", u"", u""}, sffDos},
        SplitCase{"TabsAndNulKept", std::u16string(u"a\tb\0c", 5) + u"\r\nd",
                  {std::u16string(u"a\tb\0c", 5), u"d"}, sffDos}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(TextViewStringListTest, AppendNewLineAtEofDropsTheFinalEmptyLineAndWritesTheBreak) {
  TTextViewStringList list;
  list.SetAppendNewLineAtEOF(true);
  list.SetText(u"a\nb\n");
  EXPECT_EQ(Lines(list), (Strings{u"a", u"b"}));
  EXPECT_EQ(list.Text(), u"a\r\nb");  // reading Text ignores format and flag

  TMemoryStream saved;
  list.SaveToStream(saved, TEncoding::teAnsi);
  EXPECT_EQ(saved.Bytes(), "a\nb\n");
  list.SetAppendNewLineAtEOF(false);
  list.SetFileFormat(sffMac);
  TMemoryStream mac;
  list.SaveToStream(mac, TEncoding::teUtf8);
  EXPECT_EQ(mac.Bytes(), "\xEF\xBB\xBF" "a\rb");
}

TEST(TextViewStringListTest, JoinsWithCrLfWhateverTheFormat) {
  TTextViewStringList list;
  list.SetText(u"x\u2028y\u2028");
  EXPECT_EQ(list.FileFormat(), sffUnicode);
  EXPECT_EQ(list.Text(), u"x\r\ny\r\n");
  EXPECT_EQ(list.GetSeparatedText(u", "), u"x, y, ");
  TTextViewStringList empty;
  EXPECT_EQ(empty.Text(), u"");
  EXPECT_EQ(empty.GetSeparatedText(u"-"), u"");
}

// ---- Loading ----------------------------------------------------------------

struct LoadCase {
  const char* name;
  std::string bytes;
  std::optional<TEncoding> encoding;  // none: the default way
  Strings lines;
  TEncoding chosen;
};

class LoadTest : public ::testing::TestWithParam<LoadCase> {};

TEST_P(LoadTest, DecodesAndSplits) {
  const LoadCase& c = GetParam();
  TTextViewStringList list;
  TMemoryStream stream;
  stream.Write(c.bytes);
  stream.SetPosition(0);
  if (c.encoding) {
    list.LoadFromStream(stream, *c.encoding);
  } else {
    list.LoadFromStream(stream);
  }
  EXPECT_EQ(Lines(list), c.lines);
  EXPECT_EQ(list.Encoding(), c.chosen);
  EXPECT_EQ(stream.Position(), stream.Size());
}

INSTANTIATE_TEST_SUITE_P(
    Table, LoadTest,
    ::testing::Values(
        LoadCase{"Utf8MarkDetected", "\xEF\xBB\xBF" "A\nB", std::nullopt, {u"A", u"B"},
                 TEncoding::teUtf8},
        LoadCase{"Utf8Given", "A", TEncoding::teUtf8, {u"A"}, TEncoding::teUtf8},
        LoadCase{"Utf8GivenMarkSkipped", "\xEF\xBB\xBF\xC3\xA9", TEncoding::teUtf8, {u"\u00E9"},
                 TEncoding::teUtf8},
        LoadCase{"Utf16LeMark", std::string("\xFF\xFE" "A\0", 4), std::nullopt, {u"A"},
                 TEncoding::teUtf16LE},
        LoadCase{"Utf16LeLines", std::string("\xFF\xFE" "A\0\n\0\x42\0", 8), std::nullopt,
                 {u"A", u"B"}, TEncoding::teUtf16LE},
        LoadCase{"Utf16BeMark", std::string("\xFE\xFF\0A\0\r\0\n\x20\xAC", 10), std::nullopt,
                 {u"A", u"\u20AC"}, TEncoding::teUtf16BE},
        LoadCase{"NoMarkIsAnsi", "\xC3\xA9\x80", std::nullopt, {u"\u00C3\u00A9\u20AC"},
                 TEncoding::teAnsi},
        LoadCase{"BadUtf8DefaultWayIsAnsi", "\xC3(", std::nullopt, {u"\u00C3("},
                 TEncoding::teAnsi},
        LoadCase{"AnsiGivenKeepsUtf16Mark", std::string("\xFF\xFE", 2), TEncoding::teAnsi,
                 {u"\u00FF\u00FE"}, TEncoding::teAnsi},
        LoadCase{"SupplementaryCharacter", "x\xF0\x9F\x98\x80", TEncoding::teUtf8,
                 {u"x\U0001F600"}, TEncoding::teUtf8},
        LoadCase{"EmptyWithMark", "\xEF\xBB\xBF", std::nullopt, {}, TEncoding::teUtf8}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(TextViewStringListTest, LoadStartsAtTheStreamPosition) {
  TTextViewStringList list;
  TMemoryStream stream;
  stream.Write("skip\xEF\xBB\xBFok");
  stream.SetPosition(4);
  list.LoadFromStream(stream);
  EXPECT_EQ(Lines(list), (Strings{u"ok"}));
  EXPECT_EQ(list.Encoding(), TEncoding::teUtf8);
}

TEST(TextViewStringListTest, StrictDecodingFailureKeepsTheLinesAndClosesTheBracket) {
  TTextViewStringList list;
  list.SetText(u"old\r\ntext");
  EventLog log(list);
  TMemoryStream stream;
  stream.Write("\xC3(");
  stream.SetPosition(0);
  try {
    list.LoadFromStream(stream, TEncoding::teUtf8);
    FAIL() << "no EEncodingError";
  } catch (const EEncodingError& e) {
    EXPECT_STREQ(e.what(),
                 "No mapping for the Unicode character exists in the target multi-byte code page");
  }
  EXPECT_EQ(Lines(list), (Strings{u"old", u"text"}));
  EXPECT_EQ(log.events, (std::vector<std::string>{"Changing", "Change"}));
  EXPECT_EQ(list.UpdateCount(), 0);
  // The default way never fails on the same bytes.
  stream.SetPosition(0);
  list.LoadFromStream(stream);
  EXPECT_EQ(Lines(list), (Strings{u"\u00C3("}));
}

// ---- Events ------------------------------------------------------------------

TEST(TextViewStringListTest, OneLoadRaisesItsEventsInOrder) {
  TTextViewStringList list;
  list.Add(u"previous");
  EventLog log(list);
  std::vector<int> countsSeen;
  list.SetOnInserted([&](TTextViewStringList& sender, int index, int count) {
    log.events.push_back("Inserted " + std::to_string(index) + " " + std::to_string(count));
    countsSeen.push_back(sender.Count());
  });
  list.LoadFromBuffer("a\r\nb\r\nc");
  EXPECT_EQ(log.events,
            (std::vector<std::string>{"Changing", "Cleared", "Inserted 0 3", "Change"}));
  EXPECT_EQ(countsSeen, (std::vector<int>{3}));

  log.events.clear();
  list.SetText(u"");
  EXPECT_EQ(log.events, (std::vector<std::string>{"Changing", "Cleared", "Change"}));

  log.events.clear();
  list.SetText(u"x");
  EXPECT_EQ(log.events, (std::vector<std::string>{"Changing", "Inserted 0 1", "Change"}));
}

struct EventCase {
  const char* name;
  std::function<void(TTextViewStringList&)> change;
  std::vector<std::string> events;
  Strings lines;
};

class EventTest : public ::testing::TestWithParam<EventCase> {};

TEST_P(EventTest, RaisesEventsInOrder) {
  const EventCase& c = GetParam();
  TTextViewStringList list;
  list.SetText(u"a\r\nb\r\nc");
  EventLog log(list);
  c.change(list);
  EXPECT_EQ(log.events, c.events);
  EXPECT_EQ(Lines(list), c.lines);
}

using Events = std::vector<std::string>;
INSTANTIATE_TEST_SUITE_P(
    Table, EventTest,
    ::testing::Values(
        EventCase{"Put", [](auto& l) { l.Put(1, u"B"); },
                  Events{"Changing", "Putted 1 1", "Change"}, {u"a", u"B", u"c"}},
        EventCase{"PutAtCountAppends", [](auto& l) { l.Put(3, u"d"); },
                  Events{"Changing", "Inserted 3 1", "Change"}, {u"a", u"b", u"c", u"d"}},
        EventCase{"Insert", [](auto& l) { l.Insert(0, u"z"); },
                  Events{"Changing", "Inserted 0 1", "Change"}, {u"z", u"a", u"b", u"c"}},
        EventCase{"InsertLines", [](auto& l) { l.InsertLines(1, 2); },
                  Events{"Changing", "Inserted 1 2", "Change"}, {u"a", u"", u"", u"b", u"c"}},
        EventCase{"InsertStrings", [](auto& l) { l.InsertStrings(3, {u"x", u"y"}); },
                  Events{"Changing", "Inserted 3 2", "Putted 3 1", "Putted 4 1", "Change"},
                  {u"a", u"b", u"c", u"x", u"y"}},
        EventCase{"InsertText", [](auto& l) { l.InsertText(1, u"p\r\nq\n"); },
                  Events{"Changing", "Inserted 1 2", "Putted 1 1", "Putted 2 1", "Change"},
                  {u"a", u"p", u"q", u"b", u"c"}},
        EventCase{"AddStrings", [](auto& l) { l.AddStrings(Strings{u"", u"e"}); },
                  Events{"Changing", "Inserted 3 2", "Change"}, {u"a", u"b", u"c", u"", u"e"}},
        EventCase{"AddStringsOfItself", [](auto& l) { l.AddStrings(l); },
                  Events{"Changing", "Inserted 3 3", "Change"},
                  {u"a", u"b", u"c", u"a", u"b", u"c"}},
        EventCase{"Delete", [](auto& l) { l.Delete(0); },
                  Events{"Changing", "Deleted 0 1", "Change"}, {u"b", u"c"}},
        EventCase{"DeleteLinesPastTheEnd", [](auto& l) { l.DeleteLines(1, 10); },
                  Events{"Changing", "Change", "Deleted 1 2"}, {u"a"}},
        EventCase{"DeleteNoLines", [](auto& l) { l.DeleteLines(7, 0); }, Events{},
                  {u"a", u"b", u"c"}},
        EventCase{"Exchange", [](auto& l) { l.Exchange(0, 2); }, Events{"Changing", "Change"},
                  {u"c", u"b", u"a"}},
        EventCase{"Clear", [](auto& l) { l.Clear(); }, Events{"Changing", "Cleared", "Change"},
                  {}},
        EventCase{"PutRangeIsSilent", [](auto& l) { l.PutRange(1, 5); }, Events{},
                  {u"a", u"b", u"c"}}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(TextViewStringListTest, NestedBracketsRaiseOneChangingAndOneChange) {
  TTextViewStringList list;
  EventLog log(list);
  list.BeginUpdate();
  list.Add(u"a");
  list.Add(u"b");
  list.EndUpdate();
  EXPECT_EQ(log.events,
            (Events{"Changing", "Inserted 0 1", "Inserted 1 1", "Change"}));
}

// ---- Index errors -----------------------------------------------------------

struct IndexErrorCase {
  const char* name;
  std::function<void(TTextViewStringList&)> change;
  const char* message;
};

class IndexErrorTest : public ::testing::TestWithParam<IndexErrorCase> {};

TEST_P(IndexErrorTest, RaisesAndLeavesTheListUnchanged) {
  const IndexErrorCase& c = GetParam();
  TTextViewStringList list;
  list.SetText(u"a\r\nb");
  EventLog log(list);
  try {
    c.change(list);
    FAIL() << "no ETextViewStringList";
  } catch (const ETextViewStringList& e) {
    EXPECT_STREQ(e.what(), c.message);
  }
  EXPECT_EQ(Lines(list), (Strings{u"a", u"b"}));
  EXPECT_TRUE(log.events.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Table, IndexErrorTest,
    ::testing::Values(
        IndexErrorCase{"PutPastCount", [](auto& l) { l.Put(3, u"x"); },
                       "Invalid stringlist index 3"},
        IndexErrorCase{"PutNegative", [](auto& l) { l.Put(-1, u"x"); },
                       "Invalid stringlist index -1"},
        IndexErrorCase{"InsertPastCount", [](auto& l) { l.Insert(3, u"x"); },
                       "Invalid stringlist index 3"},
        IndexErrorCase{"InsertLines", [](auto& l) { l.InsertLines(5, 1); },
                       "Invalid stringlist index 5"},
        IndexErrorCase{"DeleteAtCount", [](auto& l) { l.Delete(2); },
                       "Invalid stringlist index 2"},
        IndexErrorCase{"DeleteLines", [](auto& l) { l.DeleteLines(2, 1); },
                       "Invalid stringlist index 2"},
        IndexErrorCase{"ExchangeSecond", [](auto& l) { l.Exchange(0, 2); },
                       "Invalid stringlist index 2"},
        IndexErrorCase{"ExchangeFirst", [](auto& l) { l.Exchange(-4, 1); },
                       "Invalid stringlist index -4"},
        IndexErrorCase{"PutObject", [](auto& l) { l.PutObject(2, nullptr); },
                       "Invalid stringlist index 2"},
        IndexErrorCase{"PutRange", [](auto& l) { l.PutRange(-1, 0); },
                       "Invalid stringlist index -1"}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(TextViewStringListTest, ReadsOutsideTheRangeAreQuiet) {
  TTextViewStringList list;
  list.SetText(u"ab\r\ncd");
  EXPECT_EQ(list.Get(2), u"");
  EXPECT_EQ(list.Get(-1), u"");
  EXPECT_EQ(list.Objects(2), nullptr);
  EXPECT_EQ(list.GetRange(2), 0);
  EXPECT_EQ(list.GetExpandedString(5), u"");
  EXPECT_EQ(list.GetExpandedStringLength(5), 0);
  EXPECT_EQ(list.LineCharLength(2), 0);
  EXPECT_EQ(list.LineCharIndex(2), 0);
  EXPECT_EQ(list.GetRange(0), -1);  // a new line's range
}

TEST(TextViewStringListTest, CapacityBelowCountIsRefused) {
  TTextViewStringList list;
  list.SetText(u"a\nb\nc");
  try {
    list.SetCapacity(2);
    FAIL() << "no EListError";
  } catch (const EListError& e) {
    EXPECT_STREQ(e.what(), "Stringlist capacity cannot be smaller than count");
  }
  EXPECT_EQ(list.Count(), 3);
  list.SetCapacity(100);
  EXPECT_EQ(list.Capacity(), 100);
  list.SetCapacity(3);
  EXPECT_EQ(list.Capacity(), 3);
  EXPECT_EQ(Lines(list), (Strings{u"a", u"b", u"c"}));
}

// ---- Storage ----------------------------------------------------------------

TEST(TextViewStringListTest, LinesSurviveChangesAroundTheirSharedText) {
  TTextViewStringList list;
  list.SetText(u"first line\r\nsecond line\r\nthird line");
  // Replacing a line with a piece of itself.
  list.Put(0, list.StringView(0).substr(6));
  list.Insert(1, list.StringView(2));
  list.Exchange(0, 3);
  list.Delete(1);
  list.AddStrings(list);
  EXPECT_EQ(Lines(list), (Strings{u"third line", u"second line", u"line", u"third line",
                                  u"second line", u"line"}));
  // Objects travel with their lines.
  int tag = 0;
  list.PutObject(2, &tag);
  list.Insert(0, u"new");
  list.Exchange(3, 0);
  EXPECT_EQ(list.Objects(0), &tag);
  EXPECT_EQ(list.Objects(3), nullptr);
  list.DeleteLines(0, 1);
  EXPECT_EQ(list.Objects(0), nullptr);
}

TEST(TextViewStringListTest, ReplacingEveryLineReleasesTheLoadedText) {
  TTextViewStringList list;
  std::string body;
  for (int i = 0; i < 1000; ++i) body += std::string(96, 'x') + std::to_string(1000 + i) + "\n";
  list.LoadFromBuffer(body, TEncoding::teUtf8);
  const std::size_t loaded = list.AllocatedBytes();
  EXPECT_GE(loaded, body.size() * 2);
  EXPECT_LE(loaded, body.size() * 5 / 2);  // the text once plus compact records
  for (int i = 0; i < list.Count(); ++i) list.Put(i, u"");
  EXPECT_LT(list.AllocatedBytes(), loaded - body.size() * 2 + 64);
}

TEST(TextViewStringListTest, CharacterIndexesFollowChanges) {
  TTextViewStringList list;
  list.SetText(u"ab\r\n\r\ncde\r\nf");
  EXPECT_EQ(list.LineCharIndex(0), 0);
  EXPECT_EQ(list.LineCharIndex(2), 2);
  EXPECT_EQ(list.LineCharIndex(3), 5);
  list.Put(1, u"xyz");
  EXPECT_EQ(list.LineCharIndex(3), 8);
  list.Delete(0);
  EXPECT_EQ(list.LineCharIndex(2), 6);
}

// ---- Tabs and lengths -------------------------------------------------------

struct TabCase {
  const char* name;
  int width;
  std::u16string line;
  std::u16string expanded;
};

class TabTest : public ::testing::TestWithParam<TabCase> {};

TEST_P(TabTest, ExpandsTabs) {
  const TabCase& c = GetParam();
  TTextViewStringList list;
  list.SetTabWidth(c.width);
  list.Add(c.line);
  EXPECT_EQ(list.GetExpandedString(0), c.expanded);
  EXPECT_EQ(list.GetExpandedStringLength(0), static_cast<int>(c.expanded.size()));
  bool hasTabs = true;
  EXPECT_EQ(GetBestConvertTabsProcEx(c.width)(c.line, c.width, hasTabs), c.expanded);
  EXPECT_EQ(hasTabs, c.line.find(u'\t') != std::u16string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Table, TabTest,
    ::testing::Values(TabCase{"Width8", 8, u"a\tb", u"a\t\t\t\t\t\t\tb"},
                      TabCase{"Width8AtStop", 8, u"12345678\tx", u"12345678\t\t\t\t\t\t\t\tx"},
                      TabCase{"Width1", 1, u"a\tb", u"a b"},
                      TabCase{"Width0", 0, u"\t\t", u"  "},
                      TabCase{"Width3", 3, u"\t\tx", u"\t\t\t\t\t\tx"},
                      TabCase{"Width3MidStop", 3, u"ab\tc\t", u"ab\tc\t\t"},
                      TabCase{"Width4", 4, u"a\tbcd\t", u"a\t\t\tbcd\t"},
                      TabCase{"NoTabs", 3, u"plain", u"plain"},
                      TabCase{"Empty", 8, u"", u""}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(TextViewStringListTest, LongestLineFollowsTabWidthAndChanges) {
  TTextViewStringList list;
  list.SetText(u"abcdef\r\na\tb\r\nxy");
  EXPECT_EQ(list.LengthOfLongestLine(), 9);
  list.SetTabWidth(1);
  EXPECT_EQ(list.LengthOfLongestLine(), 6);
  list.SetTabWidth(3);
  EXPECT_EQ(list.LengthOfLongestLine(), 6);
  list.Put(2, u"0123456789");
  EXPECT_EQ(list.LengthOfLongestLine(), 10);
  list.Exchange(0, 2);
  list.Put(0, u"");
  EXPECT_EQ(list.LengthOfLongestLine(), 6);
  list.InsertLines(0, 1);
  list.Put(3, u"z");
  EXPECT_EQ(list.LengthOfLongestLine(), 4);
  list.Clear();
  EXPECT_EQ(list.LengthOfLongestLine(), 0);
}

TEST(TextViewStringListTest, ExpandedLengthCountsWideGlyphsOnEveryCall) {
  // Characters from U+1100 up take two cells: one filler before them.
  TTextViewStringList list([](std::u16string_view s) {
    std::u16string out;
    for (char16_t c : s) {
      if (c >= 0x1100) out += u'\uE000';
      out += c;
    }
    return out;
  });
  list.SetText(u"\u5B57\t\u5B57\r\nabcde");
  EXPECT_EQ(list.GetExpandedString(0), u"\u5B57\t\t\t\t\t\t\t\u5B57");
  EXPECT_EQ(list.GetExpandedStringLength(0), 11);
  EXPECT_EQ(list.GetExpandedStringLength(0), 11);
  EXPECT_EQ(list.LengthOfLongestLine(), 11);
  list.FontChanged();
  EXPECT_EQ(list.GetExpandedStringLength(0), 11);
}

}  // namespace
}  // namespace tav
