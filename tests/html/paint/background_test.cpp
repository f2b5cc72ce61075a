// Background pictures: the tiles a position and repeat setting put under a
// clip, blocks painting their picture inside the border box, pictures that
// cannot be had being dropped, the page's picture scrolling with the
// document or staying with the window, and picture markers of list items.
// Pictures are small BMP files in a temporary folder, decoded by the
// fixed-metrics device (16-pixel em, 18-pixel lines, 8-pixel characters).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "html/builder/builder.h"
#include "html/layout/block.h"
#include "html/layout/document.h"
#include "html/layout/images/background_picture.h"
#include "html/layout/images/image_obj.h"
#include "html/layout/list_markers.h"
#include "html/paint/background_painter.h"
#include "html/view/box_dump.h"
#include "picture_bytes.h"
#include "platform/testing/fixed_metrics_device.h"
#include "platform/testing/recording_surface.h"
#include "temp_folder.h"
#include "util/code_page.h"

namespace tav {
namespace {

using K = TDrawCall::TKind;

// A picture whose every pixel differs: red = 10 x, green = 10 y.
std::unique_ptr<TBitmap> Picture(TGraphicsDevice& device, int w, int h) {
  auto bmp = device.CreateBitmap(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) bmp->SetPixel(x, y, RGB(10 * x, 10 * y, 200));
  return bmp;
}

std::string BmpBytes(int w, int h) {
  std::vector<TColor> pixels;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) pixels.push_back(RGB(10 * x, 10 * y, 200));
  return test::MakeBmp(w, h, pixels);
}

std::vector<TRect> Blits(const TRecordingSurface& rec) {
  std::vector<TRect> r;
  for (const TDrawCall& c : rec.Calls())
    if (c.Kind == K::dcBitBlt) r.push_back(c.Rect);
  return r;
}

std::vector<TRect> Grid(int left, int top, int w, int h, int cols, int rows) {
  std::vector<TRect> r;
  for (int j = 0; j < rows; ++j)
    for (int i = 0; i < cols; ++i)
      r.push_back(TRect{left + i * w, top + j * h, left + (i + 1) * w, top + (j + 1) * h});
  return r;
}

// A 10 x 8 picture placed in the area (0,0)-(100,80): the tiles painted
// for a clip, for each repeat setting and position.
TEST(BackgroundTiles, RepeatAndPositionChooseTheTilesUnderTheClip) {
  struct {
    const char* name;
    TBackgroundPRec prec;
    TRect clip;
    int left, top, cols, rows;
  } cases[] = {
      {"repeat from the corner", {0, 0, true, true, true, true}, {25, 15, 55, 30}, 20, 8, 4, 3},
      {"repeat-x half way down", {0, 50, true, true, true, false}, {25, 30, 55, 40}, 20, 36, 4, 1},
      {"repeat-x, row not under the clip", {0, 50, true, true, true, false}, {25, 15, 55, 30},
       0, 0, 0, 0},
      {"repeat-y at the right", {100, 0, true, true, false, true}, {0, 0, 100, 20}, 90, 0, 1, 3},
      {"no-repeat at pixels", {7, 5, false, false, false, false}, {0, 0, 100, 80}, 7, 5, 1, 1},
      {"no-repeat outside the clip", {7, 5, false, false, false, false}, {50, 50, 100, 80},
       0, 0, 0, 0},
      {"repeat shifted by pixels starts before the area", {7, 0, false, false, true, true},
       {0, 0, 30, 10}, -3, 0, 4, 2},
      {"centred, no-repeat", {50, 50, true, true, false, false}, {0, 0, 100, 80}, 45, 36, 1, 1},
      {"clip outside the area", {0, 0, true, true, true, true}, {120, 0, 200, 80}, 0, 0, 0, 0},
  };
  TFixedMetricsDevice device;
  auto picture = Picture(device, 10, 8);
  const TRect area{0, 0, 100, 80};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto target = device.CreateSurface(200, 100);
    TRecordingSurface rec(*target);
    rec.SaveDC();
    rec.IntersectClipRect(c.clip);
    DrawBackgroundPicture(rec, *picture, area, area, c.prec);
    EXPECT_EQ(rec.GetClipBox(), c.clip) << "the clip is given back";
    EXPECT_EQ(Blits(rec), Grid(c.left, c.top, 10, 8, c.cols, c.rows));
    rec.RestoreDC(-1);
  }
}

// Percentages count from the free room, which is negative when the
// picture is larger than its area: 100% lines up the far edges.
TEST(BackgroundTiles, PercentagesOfALargerPictureAlignTheFarEdges) {
  TBackgroundPRec prec{100, 100, true, true, false, false};
  TBackgroundTiles t = BackgroundTiles(prec, TRect{10, 20, 40, 50}, 50, 60, TRect{0, 0, 100, 100});
  EXPECT_EQ(t.Left, 10 + 30 - 50);
  EXPECT_EQ(t.Top, 20 + 30 - 60);
  EXPECT_EQ(t.Cols, 1);
  EXPECT_EQ(t.Rows, 1);
}

// A one-pixel picture over a page of 5000 x 100000 paints the window's
// pixels with a few copies, not a copy per pixel of the page.
TEST(BackgroundTiles, ATinyPictureOverAHugePageCostsOnlyTheWindow) {
  TFixedMetricsDevice device;
  auto picture = device.CreateBitmap(1, 1);
  picture->SetPixel(0, 0, RGB(1, 2, 3));
  auto target = device.CreateSurface(400, 300);
  target->FillRect(TRect{0, 0, 400, 300}, clWhite);
  TRecordingSurface rec(*target);
  rec.IntersectClipRect(TRect{0, 0, 400, 300});
  DrawBackgroundPicture(rec, *picture, TRect{0, -50000, 5000, 50000}, TRect{0, -50000, 5000, 50000},
                        TBackgroundPRec{});
  EXPECT_LE(Blits(rec).size(), 20u);
  for (TColor c : target->Pixels()) ASSERT_EQ(c, RGB(1, 2, 3));

  // The same through a two-colour picture: each pixel still lands where
  // its tile puts it.
  auto stripes = device.CreateBitmap(2, 1);
  stripes->SetPixel(0, 0, clBlack);
  stripes->SetPixel(1, 0, clWhite);
  rec.ClearCalls();
  DrawBackgroundPicture(rec, *stripes, TRect{1, 0, 5001, 100000}, TRect{0, 0, 5000, 100000},
                        TBackgroundPRec{0, 0, false, false, true, true});
  EXPECT_LE(Blits(rec).size(), 20u);
  for (int x : {0, 1, 2, 201, 398, 399}) EXPECT_EQ(target->Pixel(x, 150), x % 2 ? clBlack : clWhite) << x;
}

TEST(BackgroundTiles, ImageUrlsAreReadFromTheValue) {
  const struct {
    std::u16string value, url;
  } cases[] = {
      {u"url(a.png)", u"a.png"},
      {u"URL( 'b c.png' )", u"b c.png"},
      {u"url(\"d.bmp\")", u"d.bmp"},
      {u"none", u""},
      {u"url()", u""},
      {u"", u""},
  };
  for (const auto& c : cases) EXPECT_EQ(ImageUrlOf(c.value), c.url) << TextToUtf8(c.value);
}

class BackgroundPage : public testing::Test {
protected:
  static constexpr int Width = 400;

  BackgroundPage() {
    EXPECT_TRUE(test::WriteFile(Folder.File("p.bmp"), BmpBytes(4, 4)));
    EXPECT_TRUE(test::WriteFile(Folder.File("tall.bmp"), BmpBytes(10, 10)));
    EXPECT_TRUE(test::WriteFile(Folder.File("mark.bmp"), BmpBytes(6, 5)));
    EXPECT_TRUE(test::WriteFile(Folder.File("text.bmp"), "this is not a picture at all"));
  }
  // `$` in the page stands for the temporary folder.
  void Layout(std::u16string html) {
    const std::u16string dir = Utf8ToText(Folder.Path());
    for (std::size_t at; (at = html.find(u'$')) != std::u16string::npos;)
      html.replace(at, 1, dir);
    Document.Clear();
    THtmlBuilder builder(Document);
    builder.Parse(html);
    int scrollWidth = 0;
    Document.DoLogic(*Surface, Width, 300, scrollWidth);
  }
  TBlock& Body() { return dynamic_cast<TBlock&>(*Document.Items.at(0)); }
  TBlock& Child(int i) {
    return dynamic_cast<TBlock&>(*Body().MyCell->Items.at(static_cast<std::size_t>(i)));
  }
  // Paints the document (not its background) and records it.
  TRecordingSurface& Paint() {
    Surface->FillRect(TRect{0, 0, Width, 300}, clWhite);
    Rec.ClearCalls();
    Document.Draw(Rec, TRect{0, 0, Width, 300}, 6000, 0, 0);
    return Rec;
  }

  test::TempFolder Folder{"tav-backgrounds"};
  TFixedMetricsDevice Device;
  std::unique_ptr<TFixedMetricsSurface> Surface = Device.CreateSurface(Width, 300);
  TRecordingSurface Rec{*Surface};
  TSectionList Document{Device};
};

// A padded DIV: its colour first, then the picture tiled from the border
// box's corner over the whole box and nowhere else.
TEST_F(BackgroundPage, ABlockTilesItsPictureOverItsBorderBox) {
  Layout(u"<div style='width:18px;height:6px;padding:2px;background:#00FF00 url($/p.bmp)'>"
         u"</div><p>after");
  TBlock& div = Child(0);
  ASSERT_TRUE(div.BGImage);
  ASSERT_NE(ShownPicture(div.BGImage), nullptr);
  const TRect box{div.X - 2, div.ContentTop - 2, div.X + 20, div.ContentTop + 8};
  Paint();
  std::size_t fill = Rec.Calls().size(), blit = fill;
  for (std::size_t i = 0; i < Rec.Calls().size(); ++i) {
    const TDrawCall& c = Rec.Calls()[i];
    if (c.Kind == K::dcFillRect && c.Rect == box && fill == Rec.Calls().size()) fill = i;
    if (c.Kind == K::dcBitBlt && blit == Rec.Calls().size()) blit = i;
  }
  EXPECT_LT(fill, blit) << "colour, then picture";
  // 22 x 10 pixels take 6 x 3 tiles, the last ones cut by the box.
  EXPECT_EQ(Blits(Rec), Grid(box.Left, box.Top, 4, 4, 6, 3));
  EXPECT_EQ(Surface->Pixel(box.Left, box.Top), RGB(0, 0, 200));
  EXPECT_EQ(Surface->Pixel(box.Left + 5, box.Top + 6), RGB(10, 20, 200));
  EXPECT_EQ(Surface->Pixel(box.Right - 1, box.Bottom - 1), RGB(10, 10, 200));
  EXPECT_EQ(Surface->Pixel(box.Right, box.Bottom - 1), clWhite);
  EXPECT_EQ(Surface->Pixel(box.Left, box.Bottom), clWhite);
  EXPECT_NE(DumpBoxes(Document).find("\n    background 4x4 at 0% 0% repeat\n"), std::string::npos)
      << DumpBoxes(Document);
}

// Pictures that cannot be had are dropped without a broken-picture icon;
// the colour stays.
TEST_F(BackgroundPage, PicturesThatCannotBeHadAreDropped) {
  for (const char16_t* url : {u"$/missing.bmp", u"$/text.bmp", u"http://example.com/x.png"}) {
    SCOPED_TRACE(TextToUtf8(url));
    Layout(u"<div style='height:10px;background-color:#0000FF;background-image:url(" +
           std::u16string(url) + u")'></div>");
    EXPECT_FALSE(Child(0).BGImage);
    Paint();
    EXPECT_TRUE(Blits(Rec).empty());
    EXPECT_EQ(Surface->Pixel(Child(0).X + 1, Child(0).ContentTop + 1), RGB(0, 0, 255));
  }
}

// The body's picture is the page's: the body block keeps none, drawing
// the document leaves it out, and DrawBackground puts it under the
// document scrolled with it, or fixed in the window.
TEST_F(BackgroundPage, ThePagePictureScrollsWithTheDocumentUnlessFixed) {
  struct {
    const char* name;
    std::u16string body;
    int yOff, x;
    int left, top, cols, rows;
  } cases[] = {
      {"at the top", u"<body background='$/tall.bmp'>", 0, 0, 0, 0, 10, 5},
      {"scrolled", u"<body background='$/tall.bmp'>", 25, 0, 0, -5, 10, 6},
      {"scrolled sideways", u"<body background='$/tall.bmp'>", 0, -3, -3, 0, 11, 5},
      {"fixed", u"<body background='$/tall.bmp' bgproperties=fixed>", 25, -3, 0, 0, 10, 5},
      {"style, no-repeat at the document's bottom right",
       u"<body style='background:url($/tall.bmp) no-repeat right bottom'>", 0, 0, 390, 290, 1, 1},
  };
  std::u16string text;
  for (int i = 0; i < 40; ++i) text += u"<p>line";
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Layout(c.body + text);
    EXPECT_FALSE(Body().BGImage);
    ASSERT_NE(Document.BackgroundBitmap(), nullptr);
    Document.PaintPass.YOff = c.yOff;
    Paint();
    EXPECT_TRUE(Blits(Rec).empty()) << "Draw leaves the page picture to DrawBackground";
    Rec.ClearCalls();
    const TRect view{0, 0, 100, 50};
    Document.DrawBackground(Rec, view, c.x);
    ASSERT_FALSE(Rec.Calls().empty());
    EXPECT_EQ(Rec.Calls()[0].Kind, K::dcFillRect);
    if (c.top >= 50) {
      EXPECT_TRUE(Blits(Rec).empty());
      continue;
    }
    EXPECT_EQ(Blits(Rec), Grid(c.left, c.top, 10, 10, c.cols, c.rows));
  }
  // Placed at the bottom of the whole document: seen only when scrolled
  // there.
  Document.PaintPass.YOff = Document.LayoutPass.DocHeight - 50;
  Rec.ClearCalls();
  Document.DrawBackground(Rec, TRect{0, 0, 400, 50}, 0);
  EXPECT_EQ(Blits(Rec), Grid(390, 40, 10, 10, 1, 1));
  EXPECT_NE(DumpBoxes(Document).find("\npage background 10x10 at 100% 100% no-repeat\n"),
            std::string::npos)
      << DumpBoxes(Document);
}

TEST_F(BackgroundPage, APageWithoutAPictureIsItsColour) {
  Layout(u"<body bgcolor=#FF0000 background='$/missing.bmp'>x");
  EXPECT_EQ(Document.BackgroundBitmap(), nullptr);
  Rec.ClearCalls();
  Document.DrawBackground(Rec, TRect{0, 0, 50, 40}, 0);
  ASSERT_EQ(Rec.Calls().size(), 1u);
  EXPECT_EQ(Rec.Calls()[0].Rect, (TRect{0, 0, 50, 40}));
  EXPECT_EQ(Surface->Pixel(10, 10), RGB(255, 0, 0));
}

// list-style-image: the picture's left edge 16 pixels before the content
// and its bottom on the first line's baseline, instead of the bullet; a
// picture that cannot be loaded leaves the bullet.
TEST_F(BackgroundPage, ListItemsShowTheirPictureMarker) {
  Layout(u"<ul style='list-style-image:url($/mark.bmp)'><li>one<li>two</ul>"
         u"<ul style='list-style-image:url($/missing.bmp)'><li>three</ul>");
  auto& first = dynamic_cast<TBlockLI&>(*Child(0).MyCell->Items.at(0));
  auto& second = dynamic_cast<TBlockLI&>(*Child(0).MyCell->Items.at(1));
  auto& plain = dynamic_cast<TBlockLI&>(*Child(1).MyCell->Items.at(0));
  EXPECT_FALSE(plain.Image);
  Paint();
  EXPECT_EQ(Blits(Rec),
            (std::vector<TRect>{
                TRect{first.X - 16, first.FirstLineHt - 5, first.X - 10, first.FirstLineHt},
                TRect{second.X - 16, second.FirstLineHt - 5, second.X - 10, second.FirstLineHt}}));
  std::vector<TRect> ellipses;
  for (const TDrawCall& c : Rec.Calls())
    if (c.Kind == K::dcEllipse) ellipses.push_back(c.Rect);
  ASSERT_EQ(ellipses.size(), 1u);
  EXPECT_EQ(ellipses[0], BulletRect(ListBulletType::lbDisc, plain.X, plain.FirstLineHt));
  EXPECT_EQ(Surface->Pixel(first.X - 16, first.FirstLineHt - 1), RGB(0, 40, 200));
  EXPECT_NE(DumpBoxes(Document).find(" picture=6x5\n"), std::string::npos) << DumpBoxes(Document);
}

}  // namespace
}  // namespace tav
