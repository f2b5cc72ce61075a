// Images in documents on the fixed-metrics device: sizes from attributes,
// style and picture, placeholders, painting, floats, hit tests and the
// delayed-picture states. The ALT font (Arial 8 pt at 96 ppi) has 12-pixel
// lines and 5-pixel characters; body text 8-pixel characters, 18-pixel lines.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <climits>
#include <string>

#include "html/builder/builder.h"
#include "html/layout/block.h"
#include "html/layout/document.h"
#include "html/layout/images/image_obj.h"
#include "html/layout/text/section.h"
#include "picture_bytes.h"
#include "platform/testing/fixed_metrics_device.h"
#include "temp_folder.h"
#include "util/code_page.h"

namespace tav {
namespace {

constexpr TColor Red = 0x0000FF;
constexpr TColor Blue = 0xFF0000;

// A picture w x h in one colour, its lower-left pixel in `corner`.
std::string SolidBmp(int w, int h, TColor color, TColor corner) {
  std::vector<TColor> pixels(static_cast<std::size_t>(w * h), color);
  pixels[static_cast<std::size_t>((h - 1) * w)] = corner;
  return test::MakeBmp(w, h, pixels);
}

// Runs a test in a temporary working directory holding the pictures.
class WorkingFolder {
public:
  WorkingFolder() {
    char buf[4096];
    Saved = getcwd(buf, sizeof buf) ? buf : "/";
    EXPECT_EQ(chdir(Folder.Path().c_str()), 0);
  }
  ~WorkingFolder() { (void)!chdir(Saved.c_str()); }
  test::TempFolder Folder;
  std::string Saved;
};

class ImageDoc : public testing::Test {
protected:
  static constexpr int Width = 400;

  // Lays the page out `Width` pixels wide with no body margins (so the
  // column is the whole width), then paints it when asked.
  void Layout(const std::u16string& html, bool paint = true) {
    Document.Clear();
    {
      THtmlBuilder builder(Document);
      builder.Parse(u"<body marginwidth=0 marginheight=0>" + html);
    }
    int scrollWidth = 0;
    Height = Document.DoLogic(*Surface, Width, 300, scrollWidth);
    if (paint) Paint();
  }
  void Paint() {
    Surface->FillRect({0, 0, Width, 600}, clWhite);
    Document.Draw(*Surface, {0, 0, Width, 600}, 6000, 0, 0);
  }
  // The images of the document in order.
  std::vector<TImageObj*> Images() {
    std::vector<TImageObj*> out;
    Collect(Document, out);
    return out;
  }
  TImageObj& First() {
    auto all = Images();
    EXPECT_FALSE(all.empty());
    return *all.at(0);
  }
  static void Collect(TCellBasic& cell, std::vector<TImageObj*>& out) {
    for (auto& item : cell.Items) {
      if (auto* b = dynamic_cast<TBlock*>(item.get())) Collect(*b->MyCell, out);
      if (auto* s = dynamic_cast<TSection*>(item.get()))
        for (auto& o : s->Images.Items) out.push_back(dynamic_cast<TImageObj*>(o.get()));
    }
  }
  TSection& FirstSection() {
    auto& body = dynamic_cast<TBlock&>(*Document.Items.at(0));
    for (auto& item : body.MyCell->Items)
      if (auto* s = dynamic_cast<TSection*>(item.get())) return *s;
    for (auto& item : body.MyCell->Items)
      if (auto* b = dynamic_cast<TBlock*>(item.get()))
        for (auto& inner : b->MyCell->Items)
          if (auto* s = dynamic_cast<TSection*>(inner.get())) return *s;
    throw std::runtime_error("no section");
  }

  TFixedMetricsDevice Device;
  std::unique_ptr<TFixedMetricsSurface> Surface = Device.CreateSurface(Width, 600);
  TSectionList Document{Device};
  int Height = 0;
};

// Sizes and spaces after layout, for pictures that cannot be fetched (every
// http SRC) and for attribute and style combinations.
TEST_F(ImageDoc, PlaceholderSizesSpacesAndBorders) {
  const struct {
    const char16_t* html;
    int imageW, imageH;
    int hSpaceL, hSpaceR, vSpace;
    int border;
    bool floating;
  } cases[] = {
      // ALT "Hello": 5 x 5 + 26 wide; the text and the line break after it
      // measure 2 x 12 = 24.
      {u"<img src='http://example.com/a.png' alt='Hello'>", 51, 24, 0, 0, 0, 0, false},
      // An '&' in the ALT is text, not an accelerator mark: 3 characters.
      {u"<img src='http://example.com/a.png' alt='R&amp;D'>", 41, 24, 0, 0, 0, 0, false},
      {u"<img src='http://example.com/a.png'>", 24, 24, 0, 0, 0, 0, false},
      {u"<img src='http://example.com/a.png' width=100>", 100, 100, 0, 0, 0, 0, false},
      {u"<img src='http://example.com/a.png' height=30 alt='x'>", 30, 30, 0, 0, 0, 0, false},
      {u"<img src='http://example.com/a.png' hspace=-60 vspace=7>", 24, 24, 40, 40, 7, 0, false},
      {u"<img src='http://example.com/a.png' align=left>", 24, 24, 3, 3, 0, 0, true},
      {u"<img src='http://example.com/a.png' align=right hspace=1>", 24, 24, 1, 1, 0, 0, true},
      {u"<img src='http://example.com/a.png' style='float:left'>", 24, 24, 3, 3, 0, 0, true},
      {u"<img src='x' border=99 width=10 height=10>", 30, 30, 0, 0, 0, 10, false},
      // Inside a link: a one-pixel frame, none with BORDER=0 or a CSS border
      // (which widens the spaces instead).
      {u"<a href=x><img src='x' width=20 height=20></a>", 22, 22, 0, 0, 0, 1, false},
      {u"<a href=x><img src='x' width=20 height=20 border=0></a>", 20, 20, 0, 0, 0, 0, false},
      {u"<a href=x><img src='x' width=20 height=20 style='border:2px solid red'></a>", 20, 20, 2, 2,
       2, 0, false},
      {u"<img src='x' width=20 height=20 style='margin:5px 6px'>", 20, 20, 6, 6, 5, 0, false},
      {u"<img src='x' width=20 height=20 style='border:3px solid red;margin:1px'>", 20, 20, 4, 4, 4, 0,
       false},
      {u"<img src='x' width=20 height=20 style='border-left:4px solid red'>", 20, 20, 4, 0, 0, 0, false},
      {u"<img src='x' width=20 height=20 border=5 style='border:1px dotted red'>", 20, 20, 1, 1, 1, 0,
       false},
      {u"<img src='x' width=20 height=20 style='width:auto'>", 20, 20, 0, 0, 0, 0, false},
      // Negative sizes count as not given; huge ones are clamped, and the
      // border added to them cannot wrap.
      {u"<img src='x' width=-50 height=-1>", 24, 24, 0, 0, 0, 0, false},
      {u"<img src='x' width=2000000000 height=3>", MaxObjectExtent, 3, 0, 0, 0, 0, false},
      {u"<img src='x' width=2000000000 border=10>", MaxObjectExtent + 20, MaxObjectExtent + 20, 0, 0,
       0, 10, false},
      {u"<img src='x' width=50% height=2000000000>", 200, MaxObjectExtent, 0, 0, 0, 0, false},
      {u"<img src='x' width=150% alt=abc>", 41, 24, 0, 0, 0, 0, false},  // not 0..100: ignored
  };
  for (const auto& c : cases) {
    Layout(c.html, false);
    const std::string what = TextToUtf8(c.html);
    TImageObj& img = First();
    EXPECT_EQ(img.ImageWidth, c.imageW) << what;
    EXPECT_EQ(img.ImageHeight, c.imageH) << what;
    EXPECT_EQ(img.HSpaceL, c.hSpaceL) << what;
    EXPECT_EQ(img.HSpaceR, c.hSpaceR) << what;
    EXPECT_EQ(img.VSpaceT, c.vSpace) << what;
    EXPECT_EQ(img.VSpaceB, c.vSpace) << what;
    EXPECT_EQ(img.BorderSize, c.border) << what;
    EXPECT_EQ(img.Floating(), c.floating) << what;
    EXPECT_EQ(img.State, TImageState::isBroken) << what;
  }
}

// The ALT text is measured with a line break after it, so the box holds an
// empty line below the text: at 120 ppi the ALT font's lines are 14 pixels,
// and one word makes a 28-pixel box rather than the 24-pixel minimum.
TEST(ImageAlt, TheLineBreakAfterTheTextAddsALine) {
  TFixedMetricsOptions options;
  options.PixelsPerInch = 120;
  TFixedMetricsDevice device(options);
  auto surface = device.CreateSurface(400, 300);
  TSectionList document(device);
  {
    THtmlBuilder builder(document);
    builder.Parse(u"<img src='http://example.com/a.png' alt='Hi'>");
  }
  int scrollWidth = 0;
  document.DoLogic(*surface, 400, 300, scrollWidth);
  auto& body = dynamic_cast<TBlock&>(*document.Items.at(0));
  auto& section = dynamic_cast<TSection&>(*body.MyCell->Items.at(0));
  auto& img = dynamic_cast<TImageObj&>(*section.Images.Items.at(0));
  EXPECT_EQ(img.ImageHeight, 28);
  EXPECT_EQ(img.ImageWidth, 2 * 6 + 26);
}

TEST_F(ImageDoc, LocalPicturesResolveAgainstTheWorkingDirectoryAndScale) {
  WorkingFolder wd;
  ASSERT_TRUE(test::WriteFile(wd.Folder.File("tall.bmp"), SolidBmp(10, 20, Red, Red)));
  ASSERT_EQ(mkdir(wd.Folder.File("sub dir").c_str(), 0700), 0);
  ASSERT_TRUE(test::WriteFile(wd.Folder.File("sub dir/p.bmp"), SolidBmp(10, 20, Red, Red)));
  const struct {
    const char16_t* html;
    int objW, objH, imageW;
  } cases[] = {
      {u"<img src='tall.bmp'>", 10, 20, 10},
      {u"<img src='tall.bmp' width=50>", 50, 100, 50},
      {u"<img src='tall.bmp' height=10>", 5, 10, 5},
      {u"<img src='sub%20dir/p.bmp' width=5 height=7>", 5, 7, 5},
      {u"<img src='file:tall.bmp'>", 10, 20, 10},
      // (400 - 2 x 2) x 50 / 100 = 198; the height follows the picture.
      {u"<img src='tall.bmp' width=50% border=2>", 198, 396, 202},
      {u"<img src='tall.bmp' width=10% height=50%>", 40, 150, 40},
      // max-width scales the picture down, keeping its shape unless both
      // sides were given.
      {u"<img src='tall.bmp' width=50 style='max-width:20px'>", 20, 40, 20},
      {u"<img src='tall.bmp' height=100 style='max-width:20px'>", 20, 40, 20},
      {u"<img src='tall.bmp' style='width:100px;max-width:5%'>", 20, 40, 20},
      {u"<img src='tall.bmp' style='width:100px;max-width:2em'>", 32, 64, 32},
      {u"<img src='tall.bmp' style='max-width:20px'>", 10, 20, 10},
      {u"<img src='tall.bmp' width=50 style='max-width:none'>", 50, 100, 50},
      {u"<img src='tall.bmp' width=50 height=30 style='max-width:20px'>", 20, 30, 20},
      {u"<img src='tall.bmp' width=50 border=2 style='max-width:20px'>", 20, 40, 24},
  };
  for (const auto& c : cases) {
    Layout(c.html, false);
    const std::string what = TextToUtf8(c.html);
    TImageObj& img = First();
    EXPECT_EQ(img.State, TImageState::isShown) << what;
    EXPECT_EQ(img.ObjWidth, c.objW) << what;
    EXPECT_EQ(img.ObjHeight, c.objH) << what;
    EXPECT_EQ(img.ImageWidth, c.imageW) << what;
  }
}

// Names that must not hang, read gigabytes or open another file: each is
// broken at once.
TEST_F(ImageDoc, UnsafeSourcesAreBrokenAtOnce) {
  WorkingFolder wd;
  ASSERT_EQ(mkfifo(wd.Folder.File("fifo").c_str(), 0600), 0);
  ASSERT_TRUE(test::WriteFile(wd.Folder.File("x.png"), SolidBmp(4, 4, Red, Red)));
  // A picture header declaring 60,000 x 60,000 pixels.
  ASSERT_TRUE(test::WriteFile(wd.Folder.File("huge.png"), test::MakePngHeader(60000, 60000, 1024)));
  for (const char16_t* src : {u"/dev/zero", u"/dev/urandom", u"fifo", u"x.png%00.txt", u"huge.png",
                              u".", u"x.png%2500"}) {
    auto start = std::chrono::steady_clock::now();
    Layout(u"<img src='" + std::u16string(src) + u"'>", false);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1)) << TextToUtf8(src);
    EXPECT_EQ(First().State, TImageState::isBroken) << TextToUtf8(src);
  }
}

TEST_F(ImageDoc, PlaceholderPainting) {
  Layout(u"<img src='http://example.com/a.png' alt='Hi'>");
  TImageObj& img = First();
  ASSERT_EQ(img.ImageWidth, 36);  // 2 x 5 + 26
  ASSERT_EQ(img.ImageHeight, 24);
  // The box stands on the baseline of the first line: a 24-pixel box on an
  // 18-pixel line raises the line by 24 + 4 (descent) - 18.
  const int top = 0;
  EXPECT_EQ(img.DrawXX, 0);
  EXPECT_EQ(img.DrawYY, top);
  const TColor shadow = ColorToRGB(clBtnShadow);
  // The sunken frame: shadow on the left and top, silver on a white page.
  Document.Looks.Background = clWhite;
  Paint();
  EXPECT_EQ(Surface->Pixel(0, top + 10), shadow);
  EXPECT_EQ(Surface->Pixel(10, top), shadow);
  EXPECT_EQ(Surface->Pixel(35, top + 10), 0xC0C0C0u);
  EXPECT_EQ(Surface->Pixel(10, top + 23), 0xC0C0C0u);
  // The broken icon at +4, +4 (its corner is transparent, its middle not).
  EXPECT_EQ(Surface->Pixel(4, top + 4), clWhite);
  EXPECT_NE(Surface->Pixel(12, top + 12), clWhite);
  // The word right of the icon: ink from X + 24, 4 down.
  bool ink = false;
  for (int y = top + 4; y < top + 16; ++y) ink = ink || Surface->Pixel(25, y) != clWhite;
  EXPECT_TRUE(ink);
  // The hint is the ALT text.
  TLinkHit hit;
  EXPECT_EQ(Document.GetURL(*Surface, 10, top + 10, hit), guTitle);
  EXPECT_EQ(hit.Title, u"Hi");
  EXPECT_EQ(hit.Image, &img);
}

// A style border is painted around the picture's box in the spaces its
// widths took: per side, in its style and colour, the text colour where it
// names none; inline, floating and placeholder boxes alike.
TEST_F(ImageDoc, StyleBordersArePaintedAroundThePicture) {
  WorkingFolder wd;
  ASSERT_TRUE(test::WriteFile(wd.Folder.File("p.bmp"), SolidBmp(20, 10, Red, Red)));
  constexpr TColor Green = 0x00FF00;
  const struct {
    std::u16string html;
    TColor top, right, bottom, left;  // one pixel in the middle of each side's border
    int width;                         // of the left border (the others: 3)
  } cases[] = {
      {u"x<img src=p.bmp style='border:3px solid blue'>", Blue, Blue, Blue, Blue, 3},
      {u"x<img src=p.bmp style='border-left:3px solid #00ff00;margin-left:2px'>", clWhite, clWhite,
       clWhite, Green, 3},
      {u"x<img src=p.bmp style='border:3px solid blue;border-right-color:red'>", Blue, Red, Blue, Blue,
       3},
      {u"<div style='color:blue'>x<img src=p.bmp style='border:3px solid'></div>", Blue, Blue, Blue,
       Blue, 3},
      {u"<img src=p.bmp align=left style='border:3px solid blue'>beside", Blue, Blue, Blue, Blue, 3},
      {u"x<img src=none.png width=20 height=10 style='border:3px solid blue'>", Blue, Blue, Blue, Blue,
       3},
      {u"<a href=u>x<img src=p.bmp style='border:5px solid #00ff00'></a>", Green, Green, Green, Green,
       5},
  };
  for (const auto& c : cases) {
    Layout(c.html);
    const std::string what = TextToUtf8(c.html);
    TImageObj& img = First();
    ASSERT_EQ(img.ImageWidth, 20) << what;  // no frame of its own
    ASSERT_EQ(img.ImageHeight, 10) << what;
    const int x = img.DrawXX, y = img.DrawYY;
    EXPECT_EQ(Surface->Pixel(x + 10, y - 2), c.top) << what;
    EXPECT_EQ(Surface->Pixel(x + 21, y + 5), c.right) << what;
    EXPECT_EQ(Surface->Pixel(x + 10, y + 11), c.bottom) << what;
    EXPECT_EQ(Surface->Pixel(x - c.width, y + 5), c.left) << what;
    EXPECT_EQ(Surface->Pixel(x - 1, y + 5), c.left) << what;
    EXPECT_NE(Surface->Pixel(x - c.width - 1, y + 5), c.left) << what;
    if (img.State == TImageState::isShown) {
      EXPECT_EQ(Surface->Pixel(x + 10, y + 5), Red) << what;
    }
  }
}

TEST_F(ImageDoc, PicturesAreStretchedAndLowerLeftTransparencyShowsThePage) {
  WorkingFolder wd;
  ASSERT_TRUE(test::WriteFile(wd.Folder.File("p.bmp"), SolidBmp(2, 2, Red, Blue)));
  Layout(u"<img src='p.bmp' width=20 height=20><img src='p.bmp' width=20 height=20 transp>");
  auto images = Images();
  ASSERT_EQ(images.size(), 2u);
  const int x0 = images[0]->DrawXX, y0 = images[0]->DrawYY;
  const int x1 = images[1]->DrawXX;
  EXPECT_EQ(x1 - x0, 20);
  // The lower-left quarter is blue in the plain copy and the page's white
  // in the transparent one; the rest is red in both.
  EXPECT_EQ(Surface->Pixel(x0 + 5, y0 + 15), Blue);
  EXPECT_EQ(Surface->Pixel(x0 + 15, y0 + 5), Red);
  EXPECT_EQ(Surface->Pixel(x1 + 5, y0 + 15), clWhite);
  EXPECT_EQ(Surface->Pixel(x1 + 15, y0 + 5), Red);
}

TEST_F(ImageDoc, VerticalAlignmentInTheLine) {
  // Body text: 18-pixel lines, descent 4, so the baseline is 14 below the
  // line's top when nothing raises it.
  const struct {
    const char16_t* html;
    int drawYY;
  } cases[] = {
      {u"ab<img src=x width=10 height=40>", 0},            // bottom: raises the line to 40 + 4
      {u"ab<img src=x width=10 height=40 align=top>", 0},  // top of the line
      {u"ab<img src=x width=10 height=40 vspace=3 align=top>", 3},
      // Middle: baseline + descent - height / 2 - (40 + 0 - 0) / 2, with the
      // line's space above grown by half the excess (22 - 11 = 11).
      {u"ab<img src=x width=10 height=40 align=middle>", 11 + 14 + 4 - 9 - 20},
      // The halves round toward zero: (5 + 0 - 10) / 2 is -2, not -3.
      {u"ab<img src=x width=10 height=5 align=middle style='margin-top:10px;margin-bottom:0'>",
       14 + 4 - 9 + 2},
  };
  for (const auto& c : cases) {
    Layout(c.html);
    EXPECT_EQ(First().DrawYY, c.drawYY) << TextToUtf8(c.html);
  }
}

TEST_F(ImageDoc, FloatingImageShortensTheLinesBesideIt) {
  // 40 x 40 with spaces 3: lines beside it start at 46 and are 354 wide.
  std::u16string words;
  for (int i = 0; i < 150; ++i) words += u"abcd ";
  Layout(u"<img src=x width=40 height=40 align=left>" + words);
  TSection& s = FirstSection();
  TImageObj& img = First();
  EXPECT_EQ(img.FloatX, 3);
  EXPECT_EQ(img.FloatY, 0);
  ASSERT_GE(s.Lines.size(), 4u);
  // Lines at Y 0 and 18 end before 40 + spaces: beside the picture.
  for (const LineRec& l : s.Lines) {
    if (l.Ln == 0) continue;
    if (l.Y < 40) {
      EXPECT_EQ(l.DrawXX, 46) << "line at " << l.Y;
      EXPECT_LE(l.DrawWidth, Width - 46);
    } else {
      EXPECT_EQ(l.DrawXX, 0) << "line at " << l.Y;
    }
  }
  EXPECT_GE(s.DrawBot, 40);
  // Painted at its place, and hit there.
  EXPECT_EQ(img.DrawXX, 3);
  TLinkHit hit;
  Document.GetURL(*Surface, 10, 10, hit);
  EXPECT_EQ(hit.Image, &img);
}

TEST_F(ImageDoc, LinksFromPicturesMapsAndIsMap) {
  const char16_t* page =
      u"<map name=m><area shape=rect coords='0,0,9,9' href=r.html title='Rect'>"
      u"<area shape=circle coords='30,5,5' href=c.html target=_top>"
      u"<area shape=rect coords='0,0,99,99' nohref></map>"
      u"<a href=map><img src=x width=50 height=50 ismap></a>"
      u"<a href=outer><img src=x width=50 height=50 usemap='#M' alt=pic></a>"
      u"<a href=fallback><img src=x width=50 height=50 usemap='#nomap'></a>";
  Layout(page);
  auto images = Images();
  ASSERT_EQ(images.size(), 3u);
  const int x0 = images[0]->DrawXX, y0 = images[0]->DrawYY;
  const int x1 = images[1]->DrawXX, y1 = images[1]->DrawYY;
  const int x2 = images[2]->DrawXX, y2 = images[2]->DrawYY;
  const struct {
    int x, y;
    const char16_t* url;
    const char16_t* target;
    const char16_t* title;
  } cases[] = {
      {x0 + 12, y0 + 34, u"map?12,34", u"", u""},
      {x0, y0, u"map?0,0", u"", u""},
      {x1 + 9, y1 + 9, u"r.html", u"", u"Rect"},
      {x1 + 10, y1 + 10, u"", u"", u"pic"},  // the NOHREF area: no link at all
      {x1 + 30, y1 + 5, u"c.html", u"_top", u"pic"},
      {x2 + 1, y2 + 1, u"fallback", u"", u""},  // no such map: the link around it
  };
  for (const auto& c : cases) {
    TLinkHit hit;
    Document.GetURL(*Surface, c.x, c.y, hit);
    EXPECT_EQ(hit.Url, c.url) << c.x << "," << c.y;
    EXPECT_EQ(hit.TargetName, c.target) << c.x << "," << c.y;
    EXPECT_EQ(hit.Title, c.title) << c.x << "," << c.y;
  }
  // The frame of a linked picture is not the picture.
  TLinkHit hit;
  EXPECT_EQ(Document.GetURL(*Surface, x0 - 1, y0 + 5, hit) & guUrl, 0u);
}

TEST_F(ImageDoc, MapsNeedTheirEndTag) {
  Layout(u"<map name=a><area coords='0,0,5,5' href=x></map>"
         u"<map name=b><area coords='0,0,5,5' href=y><p>x<b>y</b></map>"
         u"<map name=c><area coords='0,0,5,5' href=z>text only</map>");
  std::vector<std::u16string> names;
  for (const auto& m : Document.Pictures.MapList) names.push_back(m->MapName);
  EXPECT_EQ(names, (std::vector<std::u16string>{u"A", u"C"}));
}

TEST_F(ImageDoc, DelayedPicturesThroughTheRequestEvents) {
  const std::string bmp = SolidBmp(8, 6, Red, Red);
  int asked = 0;
  bool deliver = false;
  Document.Pictures.Fetcher.OnImageRequest = [&](const std::string& name) {
    ++asked;
    TImageReply reply;
    if (name != "slow.bmp") return reply;
    if (!deliver) {
      reply.Kind = TImageReply::TKind::irPending;
    } else {
      reply.Kind = TImageReply::TKind::irData;
      reply.Bytes = bmp;
    }
    return reply;
  };
  Layout(u"<img src='slow.bmp'><img src='slow.bmp'>", false);
  auto images = Images();
  ASSERT_EQ(images.size(), 2u);
  // One request; both wait for the same name.
  EXPECT_EQ(asked, 1);
  for (TImageObj* img : images) {
    EXPECT_EQ(img->State, TImageState::isPending);
    EXPECT_TRUE(img->Missing);
    EXPECT_EQ(img->ImageWidth, 24);
  }
  EXPECT_EQ(Document.Pictures.MissingImages.Count(), 2);

  // The first is delivered, the second fails.
  deliver = true;
  std::vector<void*> waiters = Document.Pictures.MissingImages.Take("slow.bmp");
  ASSERT_EQ(waiters.size(), 2u);
  bool reformat = false;
  static_cast<TImageObj*>(waiters[0])->InsertImage("slow.bmp", false, reformat);
  EXPECT_TRUE(reformat);
  EXPECT_EQ(images[0]->State, TImageState::isShown);
  static_cast<TImageObj*>(waiters[1])->InsertImage("slow.bmp", true, reformat);
  EXPECT_TRUE(reformat);
  EXPECT_EQ(images[1]->State, TImageState::isBroken);
  int scrollWidth = 0;
  Document.DoLogic(*Surface, Width, 300, scrollWidth);
  EXPECT_EQ(images[0]->ImageWidth, 8);
  EXPECT_FALSE(images[0]->Missing);

  // ReplaceImage: bad data changes nothing; a picture is owned and shown.
  EXPECT_FALSE(images[1]->ReplaceImage("not a picture at all, long enough"));
  EXPECT_EQ(images[1]->State, TImageState::isBroken);
  EXPECT_TRUE(images[1]->ReplaceImage(SolidBmp(3, 3, Blue, Blue)));
  EXPECT_EQ(images[1]->State, TImageState::isShown);
  EXPECT_TRUE(images[1]->Swapped);
  ASSERT_NE(images[1]->GetBitmap(), nullptr);
  EXPECT_EQ(images[1]->GetBitmap()->GetPixel(1, 1), Blue);
}

TEST_F(ImageDoc, CachedPicturesAreSharedAndReleasedWithTheDocument) {
  WorkingFolder wd;
  ASSERT_TRUE(test::WriteFile(wd.Folder.File("a.bmp"), SolidBmp(4, 4, Red, Red)));
  ASSERT_TRUE(test::WriteFile(wd.Folder.File("A.bmp"), SolidBmp(4, 4, Blue, Blue)));
  Layout(u"<img src='a.bmp'><img src='a.bmp'><img src='A.bmp'>");
  auto images = Images();
  ASSERT_EQ(images.size(), 3u);
  // Names differing in case are two pictures.
  EXPECT_EQ(images[0]->Image, images[1]->Image);
  EXPECT_NE(images[0]->Image, images[2]->Image);
  const std::string key = images[0]->FetchName;
  ASSERT_NE(Document.Pictures.BitmapList.Find(key), nullptr);
  EXPECT_EQ(Document.Pictures.BitmapList.Find(key)->UsageCount, 2);
  Document.Clear();
  EXPECT_EQ(Document.Pictures.BitmapList.Find(key)->UsageCount, 0);
  Document.Pictures.BitmapList.PurgeCache();
  EXPECT_EQ(Document.Pictures.BitmapList.Count(), 0);
}

TEST_F(ImageDoc, ImagesSwitchedOffShowThePendingIconWithoutFetching) {
  WorkingFolder wd;
  ASSERT_TRUE(test::WriteFile(wd.Folder.File("a.bmp"), SolidBmp(40, 40, Red, Red)));
  Document.Pictures.ShowImages = false;
  Layout(u"<img src='a.bmp'>", false);
  EXPECT_EQ(First().State, TImageState::isNone);
  EXPECT_EQ(First().ImageWidth, 24);
  EXPECT_EQ(Document.Pictures.BitmapList.Count(), 0);
}

// Panels are placed and sized like images from a natural 30 x 20; without a
// window they are drawn as a framed white box.
TEST_F(ImageDoc, PanelsSizeLikeImagesAndDrawAnImitation) {
  const struct {
    const char16_t* html;
    int width, height, hSpace;
    bool floating;
  } cases[] = {
      {u"<panel>", 30, 20, 0, false},
      {u"<panel width=50% height=0>", 200, 1, 0, false},     // a height of at least 1
      {u"<panel width=150%>", 400, 267, 0, false},           // the percentage clamped to 100
      {u"<panel height=10%>", 45, 30, 0, false},             // of the available height, 300
      {u"<panel width=60 height=0%>", 60, 40, 0, false},     // 0 % is no height
      {u"<panel align=left width=10 height=10>", 10, 10, 3, true},
  };
  for (const auto& c : cases) {
    Layout(c.html, false);
    auto& section = FirstSection();
    ASSERT_EQ(section.Images.Count(), 1) << TextToUtf8(c.html);
    auto* panel = dynamic_cast<TPanelObj*>(section.Images.Items[0].get());
    ASSERT_NE(panel, nullptr) << TextToUtf8(c.html);
    EXPECT_EQ(panel->ImageWidth, c.width) << TextToUtf8(c.html);
    EXPECT_EQ(panel->ImageHeight, c.height) << TextToUtf8(c.html);
    EXPECT_EQ(panel->HSpaceL, c.hSpace) << TextToUtf8(c.html);
    EXPECT_EQ(panel->Floating(), c.floating) << TextToUtf8(c.html);
  }
  Document.Looks.Background = 0x808080;
  Layout(u"<panel width=40 height=30 alt=Hi>");
  TPanelObj& panel = *dynamic_cast<TPanelObj*>(FirstSection().Images.Items[0].get());
  const int x = panel.DrawXX, y = panel.DrawYY;
  EXPECT_EQ(Surface->Pixel(x, y + 10), clBlack);          // the frame
  EXPECT_EQ(Surface->Pixel(x + 2, y + 25), clWhite);      // the panel's colour
  bool ink = false;  // the ALT text, inset by 5
  for (int yy = y + 5; yy < y + 17; ++yy) ink = ink || Surface->Pixel(x + 6, yy) == clBlack;
  EXPECT_TRUE(ink);
}

}  // namespace
}  // namespace tav
