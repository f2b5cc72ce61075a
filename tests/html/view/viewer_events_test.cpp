// The viewer's events and loaders on the fake window system: the order of
// a load's events, refresh requests, background sound, OBJECT tags, the
// other loaders, history, and the mouse events on pictures.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "html/layout/forms/form.h"
#include "html/layout/images/image_obj.h"
#include "html/layout/text/section.h"
#include "html/view/viewer.h"
#include "html_view_fixture.h"
#include "picture_bytes.h"
#include "platform/system_values.h"
#include "platform/testing/fake_window_host.h"
#include "platform/testing/fixed_metrics_device.h"
#include "temp_folder.h"
#include "util/code_page.h"

namespace tav {
namespace {

using test::TFakeWindowHost;

std::string Narrow(const std::u16string& s) { return TextToUtf8(s); }

class HtmlViewEventsTest : public test::HtmlViewFixture {
protected:
  void Paint() {
    auto surface = device.CreateSurface(300, 200);
    view.PaintTo(*surface, MakeRect(0, 0, 300, 200));
  }
  // Every image and panel of the document.
  std::vector<TFloatingObj*> Objects() {
    std::vector<TFloatingObj*> r;
    for (TSectionBase* item : view.Document().LayoutPass.PositionList)
      if (auto* section = dynamic_cast<TSection*>(item))
        for (const auto& obj : section->Images.Items) r.push_back(obj.get());
    return r;
  }
  // The page's text, without the break that ends it.
  std::u16string ShownText() {
    view.SelectAll();
    std::u16string text = view.SelText();
    while (!text.empty() && (text.back() == u' ' || text.back() == u'\r' || text.back() == u'\n'))
      text.pop_back();
    return text;
  }

};

// A load tells its steps in order: processing starts, the old sound is
// silenced, the source may be replaced before parsing, every META is passed
// on while parsing, parsing ends, processing ends, and then the refresh the
// page asked for is reported.
TEST_F(HtmlViewEventsTest, LoadRaisesItsEventsInOrder) {
  std::vector<std::string> log;
  view.OnProcessing = [&](bool on) { log.push_back(on ? "processing" : "idle"); };
  view.OnSoundRequest = [&](const std::u16string& src, int loop) {
    log.push_back("sound '" + Narrow(src) + "' " + std::to_string(loop));
  };
  view.OnParseBegin = [&](std::u16string& source) {
    log.push_back("begin " + Narrow(source));
    // While a load runs, further loads and Clear are refused.
    view.LoadFromString(u"<p>nested</p>");
    view.Clear();
    source = u"<meta http-equiv=Refresh content=\"5; url=next.html\">"
             u"<meta name=author content=me><p>replaced</p>";
  };
  view.OnMeta = [&](const std::u16string& equiv, const std::u16string& name,
                    const std::u16string& content) {
    log.push_back("meta " + Narrow(equiv) + "|" + Narrow(name) + "|" + Narrow(content));
  };
  view.OnParseEnd = [&] { log.push_back("end"); };
  view.OnMetaRefresh = [&](int delay, const std::u16string& url) {
    log.push_back("refresh " + std::to_string(delay) + " " + Narrow(url));
  };
  view.LoadFromString(u"<p>original</p>");
  const std::vector<std::string> expected{
      "processing",
      "sound '' 0",
      "begin <p>original</p>",
      "meta Refresh||5; url=next.html",
      "meta |author|me",
      "end",
      "idle",
      "refresh 5 next.html",
  };
  EXPECT_EQ(log, expected);
  EXPECT_EQ(ShownText(), u"replaced");
  EXPECT_EQ(view.RefreshDelay(), 5);
  EXPECT_EQ(view.RefreshURL(), u"next.html");
  // A layout again is processing too.
  log.clear();
  view.Reformat();
  EXPECT_EQ(log, (std::vector<std::string>{"processing", "idle"}));
}

// The refresh content is read forgivingly; what does not start with a
// number of seconds asks for nothing, a zero delay is not reported, and
// every load starts without a refresh.
TEST_F(HtmlViewEventsTest, RefreshRequestsAreReadFromTheMetaContent) {
  struct TCase {
    const char16_t* equiv;
    const char16_t* content;
    int delay;  // -1: not reported
    const char16_t* url;
  };
  const TCase cases[] = {
      {u"refresh", u"5; url=page.html", 5, u"page.html"},
      {u"REFRESH", u"5;URL='x'", 5, u"x"},
      {u"refresh", u"  7 , Url = \"q.html\" ", 7, u"q.html"},
      {u"refresh", u"10", 10, u""},
      {u"refresh", u"3.5; url=b.html", 3, u"b.html"},
      {u"refresh", u"2;url='unclosed", 2, u"unclosed"},
      {u"refresh", u"4; other.html", 4, u"other.html"},
      {u"refresh", u"99999999999999999999999; url=z", kMaxRefreshDelay, u"z"},
      {u"refresh", u"0; url=now.html", -1, u""},
      {u"refresh", u"garbage", -1, u""},
      {u"refresh", u"", -1, u""},
      {u"refresh", u"5x; url=a", -1, u""},
      {u"refresh", u"-5; url=a", -1, u""},
      {u"content-type", u"5; url=a", -1, u""},
  };
  std::vector<std::pair<int, std::u16string>> reported;
  view.OnMetaRefresh = [&](int delay, const std::u16string& url) {
    reported.push_back({delay, url});
  };
  // Each case follows a page that did ask for a refresh: nothing is left
  // over from it.
  for (const TCase& c : cases) {
    SCOPED_TRACE(Narrow(c.content));
    view.LoadFromString(u"<meta http-equiv=refresh content=\"9; url=stale\">");
    reported.clear();
    std::u16string page = u"<meta http-equiv=";
    page += c.equiv;
    page += u" content='";
    page += c.content;
    page += u"'>";
    if (std::u16string(c.content).find(u'\'') != std::u16string::npos) {
      page = u"<meta http-equiv=";
      page += c.equiv;
      page += u" content=\"";
      page += c.content;
      page += u"\">";
    }
    view.LoadFromString(page);
    if (c.delay < 0) {
      EXPECT_TRUE(reported.empty());
      EXPECT_EQ(view.RefreshDelay(), 0);
    } else {
      ASSERT_EQ(reported.size(), 1u);
      EXPECT_EQ(reported[0].first, c.delay);
      EXPECT_EQ(reported[0].second, c.url);
    }
  }
}

// Clearing the view silences the background sound a page started; a page's
// BGSOUND is requested after the load has silenced the previous one.
TEST_F(HtmlViewEventsTest, ClearSilencesTheBackgroundSound) {
  std::vector<std::pair<std::u16string, int>> sounds;
  view.OnSoundRequest = [&](const std::u16string& src, int loop) { sounds.push_back({src, loop}); };
  view.LoadFromString(u"<bgsound src=tune.wav loop=3><bgsound src=once.wav><p>x</p>");
  view.Clear();
  const std::vector<std::pair<std::u16string, int>> expected{
      {u"", 0}, {u"tune.wav", 3}, {u"once.wav", 1}, {u"", 0}};
  EXPECT_EQ(sounds, expected);
}

// With OnObjectTag an OBJECT becomes a panel offered with its attributes
// and its own PARAMs, its fallback content dropped; kept when accepted.
// Without the handler the tag is skipped and the fallback shows.
TEST_F(HtmlViewEventsTest, ObjectTagsAreOfferedAsPanels) {
  struct TCase {
    const char* name;
    std::u16string page;
    int handler;  // 0 none, 1 accepting, 2 refusing
    std::vector<std::string> offers;  // "TYPE:name=value,..." per offer
    int panels;
    std::u16string text;
  };
  const std::u16string object =
      u"a<object id=obj1 type=app/x classid=c1><param name=p1 value=v1>"
      u"<param name=P2 value=\"two words\"><param value=nameless><param name=empty>fallback"
      u"</object>b";
  std::u16string manyParams = u"<object type=many>";
  for (int i = 0; i < 20000; ++i) manyParams += u"<param name=n value=v>";
  manyParams += u"</object>end";
  const TCase cases[] = {
      {"accepted", object, 1, {"app/x:p1=v1,P2=two words,empty="}, 1, u"ab"},
      {"refused", object, 2, {"app/x:p1=v1,P2=two words,empty="}, 0, u"ab"},
      {"no handler", object, 0, {}, 0, u"afallbackb"},
      {"param outside", u"<param name=x value=y>text", 1, {}, 0, u"text"},
      {"nested",
       u"<object type=outer><param name=a value=1><object type=inner><param name=b value=2>"
       u"</object><param name=c value=3>inner text</object>after",
       1, {"outer:a=1,c=3"}, 1, u"after"},
      {"unclosed", u"x<object type=open><param name=a value=1>rest<p>more", 2, {"open:a=1"}, 0,
       u"x"},
      {"many params", manyParams, 2, {"many:20000"}, 0, u"end"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> offers;
    int destroyed = 0;
    view.OnPanelDestroy = [&](const std::u16string&, TChildPanel*) { ++destroyed; };
    view.OnObjectTag = nullptr;
    if (c.handler) {
      view.OnObjectTag = [&, accept = c.handler == 1](TPanelObj& panel,
                                                     const TAttributeList& attributes,
                                                     const THtmlObjectParams& params) {
        std::string offer = Narrow(panel.Type) + ":";
        EXPECT_NE(attributes.Find(TypeSy), nullptr);
        if (params.size() > 100) {
          offer += std::to_string(params.size());
        } else {
          for (std::size_t i = 0; i < params.size(); ++i)
            offer += (i ? "," : "") + Narrow(params[i].first) + "=" + Narrow(params[i].second);
        }
        offers.push_back(offer);
        return accept;
      };
    }
    view.LoadFromString(c.page);
    EXPECT_EQ(offers, c.offers);
    EXPECT_EQ(static_cast<int>(view.Document().Windows.PanelList.size()), c.panels);
    // A refused panel goes at once.
    EXPECT_EQ(destroyed, static_cast<int>(c.offers.size()) - c.panels);
    // The letters shown (a kept panel stands as one character).
    std::u16string letters;
    for (char16_t ch : ShownText())
      if ((ch >= u'a' && ch <= u'z') || (ch >= u'A' && ch <= u'Z')) letters += ch;
    EXPECT_EQ(letters, c.text);
    if (c.panels && c.page == object) {
      EXPECT_TRUE(view.PositionTo(u"obj1"));
    }
    view.OnPanelDestroy = nullptr;
    view.Clear();
  }
}

// Strings, buffers and bytes load like a string; bytes are decoded like a
// local file, so a UTF-8 page keeps its characters. Plain text shows its
// markup as text, and Reload reads the current file again where it was.
TEST_F(HtmlViewEventsTest, OtherLoaders) {
  struct TCase {
    const char* name;
    std::string bytes;
  };
  const TCase streams[] = {
      {"utf-8", "<p>caf\xC3\xA9 \xE2\x82\xAC</p>"},
      {"utf-8 with mark", "\xEF\xBB\xBF<p>caf\xC3\xA9 \xE2\x82\xAC</p>"},
      {"windows-1252", "<p>caf\xE9 \x80</p>"},
      {"utf-16le with mark", std::string("\xFF\xFE<\0p\0>\0c\0a\0f\0\xE9\0 \0\xAC\x20<\0/\0p\0>\0", 28)},
  };
  for (const TCase& c : streams) {
    SCOPED_TRACE(c.name);
    view.LoadFromStream(c.bytes, u"page.html");
    EXPECT_EQ(view.DocumentSource(), u"<p>caf\u00E9 \u20AC</p>");
    EXPECT_EQ(ShownText(), u"caf\u00E9 \u20AC");
  }

  view.LoadStrings({u"<p>one</p>", u"<p>two</p>"});
  EXPECT_EQ(view.DocumentSource(), u"<p>one</p>\r\n<p>two</p>\r\n");
  EXPECT_EQ(view.CurrentFileType(), ThtmlFileType::HTMLType);

  const std::u16string buffer = u"<b>bold</b>and more";
  view.LoadFromBuffer(buffer.data(), 11);
  EXPECT_EQ(view.DocumentSource(), u"<b>bold</b>");
  view.LoadFromBuffer(nullptr, 5);
  EXPECT_EQ(view.DocumentSource(), u"");

  view.LoadTextStrings({u"<b>not bold</b>"});
  EXPECT_EQ(view.CurrentFileType(), ThtmlFileType::TextType);
  EXPECT_EQ(ShownText().substr(0, 15), u"<b>not bold</b>");

  test::TempFolder folder("tav-html-events");
  const std::string text = folder.File("notes.html");
  ASSERT_TRUE(test::WriteFile(text, "<i>caf\xC3\xA9</i>"));
  view.LoadTextFile(text);
  EXPECT_EQ(view.CurrentFileType(), ThtmlFileType::TextType);
  EXPECT_EQ(view.CurrentFile(), text);
  EXPECT_EQ(ShownText().substr(0, 11), u"<i>caf\u00E9</i>");
  EXPECT_THROW(view.LoadTextFile(folder.File("absent.txt")), EHtmlViewError);

  const std::string page = folder.File("long.html");
  std::string body;
  for (int i = 0; i < 60; ++i) body += "<p>line</p>";
  ASSERT_TRUE(test::WriteFile(page, body));
  view.LoadFromFile(page);
  view.SetVScrollBarPosition(100);
  ASSERT_EQ(view.VScrollBarPosition(), 100);
  ASSERT_TRUE(test::WriteFile(page, "<p>changed</p>" + body));
  view.Reload();
  EXPECT_EQ(view.DocumentSource().substr(0, 14), u"<p>changed</p>");
  EXPECT_EQ(view.VScrollBarPosition(), 100);
  // A page that came as a string is parsed again from its source.
  view.LoadFromString(u"<p>from a string</p>");
  view.Reload();
  EXPECT_EQ(ShownText(), u"from a string");
}

// With HistoryMaxCount > 0 each navigation puts the new place in front,
// keeping the place left with its scroll position, at most the maximum;
// going back reloads the file or scrolls to the kept position. With 0
// nothing is kept.
TEST_F(HtmlViewEventsTest, HistoryKeepsThePlacesLeft) {
  test::TempFolder folder("tav-html-events");
  std::string b = "<title>B</title><p><a href=\"#end\">down</a></p>";
  for (int i = 0; i < 40; ++i) b += "<p>more</p>";
  b += "<p id=end><a href=\"c.html\">next</a></p>";
  ASSERT_TRUE(test::WriteFile(folder.File("a.html"), "<title>A</title><a href=\"b.html\">go</a>"));
  ASSERT_TRUE(test::WriteFile(folder.File("b.html"), b));
  ASSERT_TRUE(test::WriteFile(folder.File("c.html"), "<title>C</title><p>last</p>"));
  for (int max : {2, 0}) {
    SCOPED_TRACE(max);
    view.HistoryMaxCount = max;
    view.OnHistoryChange = nullptr;
    view.ClearHistory();
    int changes = 0;
    view.OnHistoryChange = [&] { ++changes; };
    view.LoadFromFile(folder.File("a.html"));
    const TPoint go = PointOf(1);
    Click(go.X, go.Y);  // to b.html
    ASSERT_EQ(view.CurrentFile(), folder.File("b.html"));
    const TPoint down = PointOf(1);
    Click(down.X, down.Y);  // to #end
    const int scrolled = view.VScrollBarPosition();
    ASSERT_GT(scrolled, 0);
    const int end = view.Document().LayoutPass.PositionList.back()->StartCurs +
                    view.Document().LayoutPass.PositionList.back()->Len;
    const TPoint next = PointOf(end - 2);
    Click(next.X, next.Y);  // to c.html
    ASSERT_EQ(view.CurrentFile(), folder.File("c.html"));
    EXPECT_TRUE(errors.empty());
    if (max == 0) {
      EXPECT_TRUE(view.History().empty());
      EXPECT_EQ(changes, 0);
      view.SetHistoryIndex(1);
      EXPECT_EQ(view.CurrentFile(), folder.File("c.html"));
      continue;
    }
    EXPECT_EQ(changes, 3);
    EXPECT_EQ(view.History(),
              (std::vector<std::string>{folder.File("c.html"), folder.File("b.html")}));
    EXPECT_EQ(view.TitleHistory(), (std::vector<std::u16string>{u"C", u"B"}));
    EXPECT_EQ(view.HistoryIndex(), 0);
    // Back: b.html again, where it was left.
    view.SetHistoryIndex(1);
    EXPECT_EQ(view.CurrentFile(), folder.File("b.html"));
    EXPECT_EQ(view.VScrollBarPosition(), scrolled);
    EXPECT_EQ(view.HistoryIndex(), 1);
    EXPECT_EQ(changes, 4);
    // Out of range: nothing happens.
    view.SetHistoryIndex(2);
    EXPECT_EQ(view.HistoryIndex(), 1);
    // Forward again.
    view.SetHistoryIndex(0);
    EXPECT_EQ(view.CurrentFile(), folder.File("c.html"));
    EXPECT_EQ(view.Title(), u"C");
    // Back, then a new navigation drops the place gone back from.
    view.SetHistoryIndex(1);
    view.SetVScrollBarPosition(0);
    const TPoint down2 = PointOf(1);
    Click(down2.X, down2.Y);
    EXPECT_EQ(view.HistoryIndex(), 0);
    ASSERT_EQ(view.History().size(), 2u);
    EXPECT_EQ(view.History()[0], folder.File("b.html"));
    EXPECT_EQ(view.History()[1], folder.File("b.html"));
  }
}

// Presses on and moves over a picture are told with the point inside it; a
// right press also with the link and image under it.
TEST_F(HtmlViewEventsTest, MouseEventsOnPictures) {
  view.LoadFromString(u"<a href=\"x.html\" target=t><img src=none.gif width=40 height=30></a>"
                      u"<p>text</p>");
  Paint();
  const auto objects = Objects();
  ASSERT_EQ(objects.size(), 1u);
  TFloatingObj& image = *objects[0];
  const int x = image.DrawXX + 1 + 5, y = image.DrawYY + 1 + 7;
  std::vector<std::string> log;
  view.OnImageClick = [&](TFloatingObj& obj, TMouseButton button, TShiftState, int ix, int iy) {
    EXPECT_EQ(&obj, &image);
    log.push_back(std::string(button == TMouseButton::mbRight ? "right" : "left") + " click " +
                  std::to_string(ix) + "," + std::to_string(iy));
  };
  view.OnImageOver = [&](TFloatingObj& obj, TShiftState, int ix, int iy) {
    EXPECT_EQ(&obj, &image);
    log.push_back("over " + std::to_string(ix) + "," + std::to_string(iy));
  };
  view.OnRightClick = [&](const THtmlRightClickParams& p) {
    log.push_back("menu " + Narrow(p.Url) + " " + Narrow(p.Target) +
                  (p.Image == &image ? " image" : " no image"));
  };
  bool followed = false;
  view.OnHotSpotClick = [&](const std::u16string&, bool& handled) {
    followed = true;
    handled = true;
  };
  view.MouseMove(0, x, y);
  view.MouseDown(TMouseButton::mbRight, 0, x, y);
  view.MouseUp(TMouseButton::mbRight, 0, x, y);
  EXPECT_FALSE(followed);
  Click(x, y);
  EXPECT_TRUE(followed);
  const TPoint text = PointOf(2);
  view.MouseMove(0, text.X, text.Y);
  view.MouseDown(TMouseButton::mbRight, 0, text.X, text.Y);
  const std::vector<std::string> expected{
      "over 5,7", "right click 5,7", "menu x.html t image", "left click 5,7", "menu   no image"};
  EXPECT_EQ(log, expected);
}

// A floating picture is found where it is painted; a picture far down the
// page that no paint has reached is not found at the top.
TEST_F(HtmlViewEventsTest, PicturesAreFoundOnlyWherePainted) {
  std::u16string page = u"<img align=right src=none.gif width=40 height=30><p>top</p>";
  for (int i = 0; i < 40; ++i) page += u"<p>more</p>";
  page += u"<p><img src=low.gif width=40 height=30></p>";
  view.LoadFromString(page);
  Paint();
  std::vector<std::string> clicked;
  view.OnImageClick = [&](TFloatingObj& obj, TMouseButton, TShiftState, int ix, int iy) {
    clicked.push_back(std::to_string(obj.HorzAlign == AlignmentType::ARight) + " " +
                      std::to_string(ix) + "," + std::to_string(iy));
  };
  const auto objects = Objects();
  ASSERT_EQ(objects.size(), 2u);
  const TFloatingObj& floating = *objects[0];
  Click(floating.DrawXX + 1 + 3, floating.DrawYY + 1 + 4);
  Click(1 + 2, 1 + 2);
  EXPECT_EQ(clicked, (std::vector<std::string>{"1 3,4"}));
}

// Handlers set on the view reach the document: picture requests at the
// next load, form events at once.
TEST_F(HtmlViewEventsTest, RequestAndFormEventsReachTheDocument) {
  std::vector<std::string> requested;
  view.OnImageRequest = [&](const std::string& name) {
    requested.push_back(name);
    TImageReply reply;
    reply.Kind = TImageReply::TKind::irData;
    reply.Bytes = test::MakeBmp(2, 2, {clRed, clRed, clRed, clRed});
    return reply;
  };
  // A sheet the stream request does not answer is read from the path
  // OnExpandName gives.
  test::TempFolder folder("tav-html-events");
  ASSERT_TRUE(test::WriteFile(folder.File("real.css"), "i { color: #00ff00 }"));
  std::vector<std::string> expanded;
  view.OnExpandName = [&](const std::string& name) {
    expanded.push_back(name);
    return folder.File("real.css");
  };
  std::vector<std::string> sheets;
  view.OnhtStreamRequest = [&](const std::u16string& href, std::string& bytes) {
    sheets.push_back(Narrow(href));
    if (href != u"s.css") return false;
    bytes = "p { color: red }";
    return true;
  };
  view.LoadFromString(u"<link rel=stylesheet href=\"s.css\"><link rel=stylesheet href=other.css>"
                      u"<img src=\"http://h/p.bmp\">"
                      u"<form action=go><input name=q value=1></form>");
  Paint();
  EXPECT_EQ(requested, (std::vector<std::string>{"http://h/p.bmp"}));
  EXPECT_EQ(sheets, (std::vector<std::string>{"s.css", "other.css"}));
  EXPECT_EQ(expanded, (std::vector<std::string>{"other.css"}));
  std::vector<std::string> submits;
  view.OnFormSubmit = [&](const std::u16string& action, const std::vector<std::u16string>& pairs,
                          const std::u16string&, const std::u16string&, const std::u16string&) {
    submits.push_back(Narrow(action) + " " + (pairs.empty() ? "" : Narrow(pairs[0])));
  };
  ASSERT_EQ(view.Document().Forms.htmlFormList.size(), 1u);
  view.Document().Forms.htmlFormList[0]->SubmitTheForm(u"");
  EXPECT_EQ(submits, (std::vector<std::string>{"go q=1"}));
}

}  // namespace
}  // namespace tav
