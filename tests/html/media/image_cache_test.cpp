// The image cache, picture fetching through it, the corner mask and the
// built-in icons.
#include "html/media/image_cache.h"

#include <gtest/gtest.h>

#include "picture_bytes.h"
#include "platform/testing/fixed_metrics_device.h"
#include "temp_folder.h"

namespace tav {
namespace {

std::shared_ptr<TBitmap> Picture(TGraphicsDevice& device, int w, int h) {
  return device.CreateBitmap(w, h);
}

TEST(ImageCacheTest, UnusedPicturesSurviveMaxCacheLoads) {
  TFixedMetricsDevice device;
  TStringBitmapList cache;
  EXPECT_EQ(cache.MaxCache(), 4);
  cache.AddObject("unused", {Picture(device, 1, 1), nullptr, 0, 0});
  cache.AddObject("used", {Picture(device, 1, 1), nullptr, 0, 1});
  for (int load = 1; load <= 4; ++load) cache.BumpAndCheck();
  EXPECT_EQ(cache.Count(), 2);
  EXPECT_EQ(cache.Find("unused")->AccessCount, 4);
  cache.BumpAndCheck();
  EXPECT_FALSE(cache.Find("unused"));
  ASSERT_TRUE(cache.Find("used"));
  cache.DecUsage("used");
  cache.BumpAndCheck();
  EXPECT_EQ(cache.Count(), 0);
}

TEST(ImageCacheTest, CacheCountIsClampedAndFreesOldUnusedItems) {
  TFixedMetricsDevice device;
  TStringBitmapList cache;
  struct TCase {
    int Asked, MaxCache;
  };
  for (const TCase& c : {TCase{-3, 0}, TCase{0, 0}, TCase{5, 5}, TCase{20, 20}, TCase{99, 20}}) {
    cache.SetCacheCount(c.Asked);
    EXPECT_EQ(cache.MaxCache(), c.MaxCache) << c.Asked;
  }
  cache.AddObject("old", {Picture(device, 1, 1), nullptr, 3, 0});
  cache.AddObject("recent", {Picture(device, 1, 1), nullptr, 2, 0});
  cache.AddObject("old but used", {Picture(device, 1, 1), nullptr, 3, 1});
  cache.SetCacheCount(2);
  EXPECT_FALSE(cache.Find("old"));
  EXPECT_TRUE(cache.Find("recent"));
  EXPECT_TRUE(cache.Find("old but used"));
  cache.PurgeCache();
  EXPECT_FALSE(cache.Find("recent"));
  EXPECT_TRUE(cache.Find("old but used"));
  cache.Clear();
  EXPECT_EQ(cache.Count(), 0);
}

TEST(ImageCacheTest, CornerMask) {
  TFixedMetricsDevice device;
  auto bitmap = device.CreateBitmap(2, 2);
  bitmap->SetPixels({clRed, clBlue, clBlue, clRed});  // lower-left is blue
  auto mask = MakeCornerMask(device, *bitmap);
  EXPECT_TRUE(mask->Monochrome());
  EXPECT_EQ(mask->GetPixels(), (std::vector<TColor>{clBlack, clWhite, clWhite, clBlack}));
  mask = MakeCornerMask(device, *bitmap, clRed);
  EXPECT_EQ(mask->GetPixels(), (std::vector<TColor>{clWhite, clBlack, clBlack, clWhite}));
}

TEST(ImageCacheTest, IconsAreDrawnAsDescribed) {
  TFixedMetricsDevice device;
  TImageIcons icons = MakeImageIcons(device);
  for (auto* b : {icons.BrokenImageIcon.get(), icons.BrokenImageMask.get(),
                  icons.PendingImageIcon.get()}) {
    ASSERT_TRUE(b);
    EXPECT_EQ(b->Width(), 16);
    EXPECT_EQ(b->Height(), 16);
  }
  EXPECT_TRUE(icons.BrokenImageMask->Monochrome());
  // The mask cuts 3, 2 and 1 pixels from the rows nearest each corner.
  const TBitmap& mask = *icons.BrokenImageMask;
  int transparent = 0;
  for (TColor c : mask.GetPixels()) transparent += c == clWhite;
  EXPECT_EQ(transparent, 4 * 6);
  for (auto [x, y] : {std::pair{0, 0}, {2, 0}, {1, 1}, {0, 2}, {15, 0}, {13, 0}, {0, 15},
                      {15, 15}, {14, 14}, {15, 13}})
    EXPECT_EQ(mask.GetPixel(x, y), clWhite) << x << "," << y;
  for (auto [x, y] : {std::pair{3, 0}, {2, 1}, {1, 2}, {0, 3}, {8, 8}})
    EXPECT_EQ(mask.GetPixel(x, y), clBlack) << x << "," << y;
  // Yellow inside a grey edge, a black exclamation mark.
  const TBitmap& icon = *icons.BrokenImageIcon;
  EXPECT_EQ(icon.GetPixel(3, 0), clGray);
  EXPECT_EQ(icon.GetPixel(2, 1), clGray);
  EXPECT_EQ(icon.GetPixel(0, 8), clGray);
  EXPECT_EQ(icon.GetPixel(3, 3), clYellow);
  EXPECT_EQ(icon.GetPixel(7, 5), clBlack);
  EXPECT_EQ(icon.GetPixel(8, 12), clBlack);
  EXPECT_EQ(icon.GetPixel(7, 10), clYellow);
  // Drawn through its mask, the corners show what is underneath.
  auto surface = device.CreateSurface(20, 20);
  surface->FillRect({0, 0, 20, 20}, clRed);
  surface->MaskedBlt(2, 2, 16, 16, *icons.BrokenImageIcon, *icons.BrokenImageMask, 0, 0);
  EXPECT_EQ(surface->Pixel(2, 2), clRed);
  EXPECT_EQ(surface->Pixel(5, 2), clGray);
  EXPECT_EQ(surface->Pixel(5, 7), clYellow);
  // The globe: blue sea, green land, a rim, white outside the disc.
  std::vector<TColor> globe = icons.PendingImageIcon->GetPixels();
  EXPECT_EQ(icons.PendingImageIcon->GetPixel(0, 0), clWhite);
  EXPECT_EQ(icons.PendingImageIcon->GetPixel(8, 1), clNavy);
  EXPECT_GT(std::count(globe.begin(), globe.end(), RGB(64, 128, 224)), 20);
  EXPECT_GT(std::count(globe.begin(), globe.end(), RGB(32, 160, 64)), 5);
}

class FetchTest : public ::testing::Test {
protected:
  FetchTest() : Fetcher(Device, Cache) {}

  std::string Write(const std::string& name, int w, int h, TColor fill, TColor lowerLeft) {
    std::vector<TColor> pixels(static_cast<std::size_t>(w * h), fill);
    pixels[static_cast<std::size_t>((h - 1) * w)] = lowerLeft;
    std::string path = Folder.File(name);
    EXPECT_TRUE(test::WriteFile(path, test::MakeBmp(w, h, pixels)));
    return path;
  }

  test::TempFolder Folder;
  TFixedMetricsDevice Device;
  TStringBitmapList Cache;
  TPictureFetcher Fetcher;
};

TEST_F(FetchTest, LocalFilesAreDecodedOnceAndSharedByExactName) {
  std::string upper = Write("A.bmp", 2, 1, clRed, clRed);
  std::string lower = Write("a.bmp", 3, 1, clBlue, clBlue);
  TTransparency t = TTransparency::NotTransp;
  TFetchedPicture first = Fetcher.GetTheBitmap(upper, t);
  ASSERT_TRUE(first.Bitmap);
  EXPECT_FALSE(first.FromCache);
  EXPECT_FALSE(first.Mask);
  EXPECT_EQ(Cache.Find(upper)->UsageCount, 1);
  Cache.BumpAndCheck();
  TFetchedPicture again = Fetcher.GetTheBitmap(upper, t);
  EXPECT_TRUE(again.FromCache);
  EXPECT_EQ(again.Bitmap, first.Bitmap);
  EXPECT_EQ(Cache.Find(upper)->UsageCount, 2);
  EXPECT_EQ(Cache.Find(upper)->AccessCount, 0);
  TFetchedPicture other = Fetcher.GetTheBitmap(lower, t);
  ASSERT_TRUE(other.Bitmap);
  EXPECT_FALSE(other.FromCache);
  EXPECT_EQ(other.Bitmap->Width(), 3);
  EXPECT_EQ(Cache.Count(), 2);
}

TEST_F(FetchTest, FailuresAreNotCached) {
  std::string shortFile = Folder.File("short.gif");
  ASSERT_TRUE(test::WriteFile(shortFile, std::string("GIF89a") + std::string(13, '\0')));
  for (const std::string& name :
       {Folder.File("missing.bmp"), shortFile, Folder.Path(), std::string("/dev/zero"),
        std::string("http://host/a.bmp")}) {
    TTransparency t = TTransparency::NotTransp;
    TFetchedPicture p = Fetcher.GetTheBitmap(name, t);
    EXPECT_FALSE(p.Bitmap) << name;
    EXPECT_FALSE(p.Delayed);
  }
  EXPECT_EQ(Cache.Count(), 0);
}

// A corner mask asked for once is kept with the picture for every later
// use; a use that does not ask for it still gets the picture.
TEST_F(FetchTest, LowerLeftTransparencySticksToTheCachedPicture) {
  std::string path = Write("t.bmp", 2, 2, clRed, clBlue);
  TTransparency none = TTransparency::NotTransp;
  EXPECT_FALSE(Fetcher.GetTheBitmap(path, none).Mask);
  TTransparency corner = TTransparency::LLCorner;
  TFetchedPicture p = Fetcher.GetTheBitmap(path, corner);
  ASSERT_TRUE(p.Mask);
  EXPECT_EQ(p.Mask->GetPixels(), (std::vector<TColor>{clBlack, clBlack, clWhite, clBlack}));
  EXPECT_EQ(Cache.Find(path)->Transp, TTransparency::LLCorner);
  EXPECT_EQ(Fetcher.GetTheBitmap(path, corner).Mask, p.Mask);

  std::string fresh = Write("u.bmp", 1, 1, clRed, clRed);
  TFetchedPicture q = Fetcher.GetTheBitmap(fresh, corner);
  ASSERT_TRUE(q.Mask);
  EXPECT_EQ(q.Mask->GetPixel(0, 0), clWhite);
}

TEST_F(FetchTest, RequestEvents) {
  std::string file = Write("f.bmp", 4, 1, clLime, clLime);
  std::vector<std::string> asked;
  Fetcher.OnBitmapRequest = [&](const std::string& name, std::optional<TColor>& color) {
    asked.push_back("bitmap " + name);
    if (name != "gif") return std::shared_ptr<TBitmap>();
    auto b = Picture(Device, 2, 1);
    b->SetPixels({clRed, clBlue});
    color = clBlue;
    return b;
  };
  Fetcher.OnImageRequest = [&](const std::string& name) {
    asked.push_back("image " + name);
    TImageReply reply;
    if (name == "later") reply.Kind = TImageReply::TKind::irPending;
    if (name == "bytes") {
      reply.Kind = TImageReply::TKind::irData;
      reply.Bytes = test::MakeBmp(5, 1, std::vector<TColor>(5, clRed));
    }
    return reply;
  };
  Fetcher.ExpandName = [&](const std::string& name) { return Folder.File(name); };

  // A bitmap with a transparent colour: a mask of that colour, gif
  // transparency, and the same for the next caller from the cache.
  TTransparency t = TTransparency::NotTransp;
  TFetchedPicture gif = Fetcher.GetTheBitmap("gif", t);
  ASSERT_TRUE(gif.Mask);
  EXPECT_EQ(t, TTransparency::TrGif);
  EXPECT_EQ(gif.Mask->GetPixels(), (std::vector<TColor>{clBlack, clWhite}));
  TTransparency t2 = TTransparency::NotTransp;
  EXPECT_EQ(Fetcher.GetTheBitmap("gif", t2).Mask, gif.Mask);
  EXPECT_EQ(t2, TTransparency::TrGif);

  TTransparency n = TTransparency::NotTransp;
  TFetchedPicture later = Fetcher.GetTheBitmap("later", n);
  EXPECT_TRUE(later.Delayed);
  EXPECT_FALSE(later.Bitmap);
  TFetchedPicture bytes = Fetcher.GetTheBitmap("bytes", n);
  ASSERT_TRUE(bytes.Bitmap);
  EXPECT_EQ(bytes.Bitmap->Width(), 5);
  // No answer: the name is expanded and read as a local file.
  TFetchedPicture local = Fetcher.GetTheBitmap("f.bmp", n);
  ASSERT_TRUE(local.Bitmap);
  EXPECT_EQ(local.Bitmap->Width(), 4);

  EXPECT_EQ(asked, (std::vector<std::string>{"bitmap gif", "bitmap later", "image later",
                                             "bitmap bytes", "image bytes", "bitmap f.bmp",
                                             "image f.bmp"}));
  EXPECT_FALSE(Cache.Find("later"));
  EXPECT_TRUE(Cache.Find("bytes"));
  EXPECT_TRUE(Cache.Find("f.bmp"));
}

TEST(MissingImagesTest, WaitersByExactName) {
  TMissingImages missing;
  int a = 0, b = 0, c = 0;
  missing.Add("/p/A.png", &a);
  missing.Add("/p/a.png", &b);
  missing.Add("/p/A.png", &c);
  EXPECT_TRUE(missing.Contains("/p/a.png"));
  EXPECT_FALSE(missing.Contains("/P/A.PNG"));
  missing.Remove(&c);
  EXPECT_EQ(missing.Take("/p/A.png"), (std::vector<void*>{&a}));
  EXPECT_FALSE(missing.Contains("/p/A.png"));
  EXPECT_EQ(missing.Count(), 1);
}

}  // namespace
}  // namespace tav
