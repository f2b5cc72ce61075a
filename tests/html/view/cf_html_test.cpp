// The "HTML Format" entry: its exact bytes, what is left out of the source,
// and the size its 8-digit offsets allow.
#include <gtest/gtest.h>

#include <string>

#include "html/view/cf_html.h"

namespace tav {
namespace {

TEST(HtmlFormat, HeaderOffsetsPointAtTheHtmlAndTheFragment) {
  THtmlFormatSource in;
  const std::u16string source = u"<p>a <b>\u00E9</b> c</p>";
  in.Source = source;
  in.FragmentStart = 5;   // "<b>"
  in.FragmentEnd = 13;    // after "</b>"
  const std::string style =
      "<style type=\"text/css\">body {font-size: 12pt; font-family: \"Times New Roman\";}</style>\r\n";
  const std::string html = "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.0 Transitional//EN\">\r\n" +
                           style + "<p>a <!--StartFragment--><b>\xC3\xA9</b><!--EndFragment-->";
  const std::string header =
      "Version:1.0\r\nStartHTML:00000132\r\nEndHTML:00000336\r\nStartFragment:00000309\r\n"
      "EndFragment:00000318\r\nSourceURL:unsaved:///HtmlView.htm\r\n";
  ASSERT_EQ(header.size(), 132u);
  ASSERT_EQ(header.size() + html.size(), 336u);
  EXPECT_EQ(BuildHtmlFormat(in).value(), header + html);

  in.SourceUrl = u"file:///tmp/page.html";
  const std::string withFile = BuildHtmlFormat(in).value();
  EXPECT_NE(withFile.find("SourceURL:file:///tmp/page.html\r\n"), std::string::npos);
}

TEST(HtmlFormat, MetaDoctypeAndPageBreaksAreLeftOut) {
  EXPECT_EQ(StripForHtmlFormat(u"<!doctype html><META charset=\"a>b\"><meta/><p "
                               u"style=\"page-break-before: always; color: red\">x</p>"
                               u"<metadata>"),
            u"<p style=\" color: red\">x</p><metadata>");
  EXPECT_EQ(StripForHtmlFormat(u"<style>h1 {PAGE-BREAK-AFTER: left}</style>"),
            u"<style>h1 {}</style>");
}

TEST(HtmlFormat, AnEntryPastTheLimitIsNotMade) {
  THtmlFormatSource in;
  const std::u16string source(1000, u'x');
  in.Source = source;
  in.FragmentStart = 10;
  in.FragmentEnd = 1000;
  const std::size_t size = BuildHtmlFormat(in).value().size();
  EXPECT_TRUE(BuildHtmlFormat(in, size).has_value());
  EXPECT_FALSE(BuildHtmlFormat(in, size - 1).has_value());
  EXPECT_EQ(kMaxHtmlFormatBytes, 99'999'999u);
}

}  // namespace
}  // namespace tav
