#include "html/media/image_cache.h"

#include <algorithm>
#include <cmath>

#include "html/base/paths.h"
#include "html/base/safe_file.h"
#include "html/media/decode_picture.h"
#include "util/code_page.h"

namespace tav {

// ---------------------------------------------------------------- cache

void TStringBitmapList::AddObject(const std::string& key, TBitmapItem item) {
  FItems.insert_or_assign(key, std::move(item));
}

TBitmapItem* TStringBitmapList::Find(const std::string& key) {
  auto it = FItems.find(key);
  return it == FItems.end() ? nullptr : &it->second;
}

const TBitmapItem* TStringBitmapList::Find(const std::string& key) const {
  auto it = FItems.find(key);
  return it == FItems.end() ? nullptr : &it->second;
}

void TStringBitmapList::IncUsage(const std::string& key) {
  if (TBitmapItem* item = Find(key)) ++item->UsageCount;
}

void TStringBitmapList::DecUsage(const std::string& key) {
  if (TBitmapItem* item = Find(key)) --item->UsageCount;
}

void TStringBitmapList::BumpAndCheck() {
  for (auto it = FItems.begin(); it != FItems.end();) {
    TBitmapItem& item = it->second;
    ++item.AccessCount;
    if (item.AccessCount > FMaxCache && item.UsageCount < 1)
      it = FItems.erase(it);
    else
      ++it;
  }
}

void TStringBitmapList::SetCacheCount(int n) {
  n = std::clamp(n, 0, MaxCacheLimit);
  std::erase_if(FItems, [&](const auto& entry) {
    return entry.second.AccessCount > n && entry.second.UsageCount <= 0;
  });
  FMaxCache = n;
}

void TStringBitmapList::PurgeCache() {
  std::erase_if(FItems, [](const auto& entry) { return entry.second.UsageCount < 1; });
}

// ---------------------------------------------------------------- masks and icons

std::unique_ptr<TBitmap> MakeCornerMask(TGraphicsDevice& device, const TBitmap& bitmap,
                                        std::optional<TColor> color) {
  int w = bitmap.Width(), h = bitmap.Height();
  auto mask = device.CreateMask(w, h);
  if (w < 1 || h < 1) return mask;
  TColor transparent = color ? *color : bitmap.GetPixel(0, h - 1);
  std::vector<TColor> pixels = bitmap.GetPixels();
  for (TColor& p : pixels) p = p == transparent ? clWhite : clBlack;
  mask->SetPixels(pixels);
  return mask;
}

namespace {

constexpr int N = ImageIconSize;

// The rounded corners: 3, 2 and 1 pixels cut from the rows nearest each
// corner.
bool InCorner(int x, int y) {
  int row = std::min(y, N - 1 - y);
  int col = std::min(x, N - 1 - x);
  return row < 3 && col < 3 - row;
}

std::vector<TColor> BrokenIconPixels() {
  std::vector<TColor> px(static_cast<std::size_t>(N * N), clWhite);
  auto at = [&](int x, int y) -> TColor& { return px[static_cast<std::size_t>(y * N + x)]; };
  for (int y = 0; y < N; ++y)
    for (int x = 0; x < N; ++x) {
      if (InCorner(x, y)) continue;
      bool edge = x == 0 || y == 0 || x == N - 1 || y == N - 1 || InCorner(x - 1, y) ||
                  InCorner(x + 1, y) || InCorner(x, y - 1) || InCorner(x, y + 1);
      at(x, y) = edge ? clGray : clYellow;
    }
  // The exclamation mark: a bar from row 3 to row 9 and a dot on rows 11-12.
  for (int x = 7; x <= 8; ++x) {
    for (int y = 3; y <= 9; ++y) at(x, y) = clBlack;
    for (int y = 11; y <= 12; ++y) at(x, y) = clBlack;
  }
  return px;
}

std::vector<TColor> GlobePixels() {
  constexpr TColor kSea = RGB(64, 128, 224), kLand = RGB(32, 160, 64), kRim = clNavy,
                   kGrid = RGB(160, 200, 255);
  std::vector<TColor> px(static_cast<std::size_t>(N * N), clWhite);
  for (int y = 0; y < N; ++y)
    for (int x = 0; x < N; ++x) {
      double dx = x + 0.5 - N / 2.0, dy = y + 0.5 - N / 2.0;
      double r = std::sqrt(dx * dx + dy * dy);
      TColor c = clWhite;
      if (r <= 7.5) {
        c = kSea;
        // Two land masses.
        if ((dx + 2.5) * (dx + 2.5) + (dy + 2.0) * (dy + 2.0) < 6.0 ||
            (dx - 2.5) * (dx - 2.5) / 4.0 + (dy - 2.5) * (dy - 2.5) < 3.0)
          c = kLand;
        // The equator and one meridian.
        double m = dx * dx / (3.5 * 3.5) + dy * dy / (7.5 * 7.5);
        if (y == N / 2 - 1 || std::abs(m - 1.0) < 0.2) c = kGrid;
        if (r > 6.5) c = kRim;
      }
      px[static_cast<std::size_t>(y * N + x)] = c;
    }
  return px;
}

}  // namespace

TImageIcons MakeImageIcons(TGraphicsDevice& device) {
  TImageIcons icons;
  std::shared_ptr<TBitmap> broken = device.CreateBitmap(N, N);
  broken->SetPixels(BrokenIconPixels());
  std::shared_ptr<TBitmap> mask = device.CreateMask(N, N);
  std::vector<TColor> bits(static_cast<std::size_t>(N * N), clBlack);
  for (int y = 0; y < N; ++y)
    for (int x = 0; x < N; ++x)
      if (InCorner(x, y)) bits[static_cast<std::size_t>(y * N + x)] = clWhite;
  mask->SetPixels(bits);
  std::shared_ptr<TBitmap> globe = device.CreateBitmap(N, N);
  globe->SetPixels(GlobePixels());
  icons.BrokenImageIcon = std::move(broken);
  icons.BrokenImageMask = std::move(mask);
  icons.PendingImageIcon = std::move(globe);
  return icons;
}

// ---------------------------------------------------------------- fetching

std::shared_ptr<TBitmap> TPictureFetcher::ReadFile(const std::string& path) {
  std::string bytes;
  if (path.empty() || !ReadLocalFile(path, bytes)) return nullptr;
  return DecodePicture(FDevice, bytes);
}

TFetchedPicture TPictureFetcher::GetTheBitmap(const std::string& name,
                                              TTransparency& transparent) {
  TFetchedPicture result;
  if (TBitmapItem* item = FCache.Find(name)) {
    item->AccessCount = 0;
    ++item->UsageCount;
    result.FromCache = true;
    if (item->Transp == TTransparency::TrGif || item->Transp == TTransparency::TrPng) {
      transparent = item->Transp;
    } else if (transparent == TTransparency::LLCorner && !item->Mask && item->MImage) {
      item->Mask = MakeCornerMask(FDevice, *item->MImage);
      item->Transp = TTransparency::LLCorner;
    }
    result.Bitmap = item->MImage;
    result.Mask = item->Mask;
    return result;
  }

  std::shared_ptr<TBitmap> bitmap;
  std::optional<TColor> color;
  if (!OnBitmapRequest && !OnImageRequest) {
    bitmap = ReadFile(name);
  } else {
    if (OnBitmapRequest) bitmap = OnBitmapRequest(name, color);
    if (!bitmap) color.reset();
    if (!bitmap && OnImageRequest) {
      TImageReply reply = OnImageRequest(name);
      switch (reply.Kind) {
        case TImageReply::TKind::irPending: result.Delayed = true; return result;
        case TImageReply::TKind::irData: bitmap = DecodePicture(FDevice, reply.Bytes); break;
        case TImageReply::TKind::irNone:
          bitmap = ReadFile(ExpandName ? ExpandName(name) : HTMLExpandFilename(Utf8ToText(name)));
          break;
      }
    }
  }
  if (!bitmap) return result;

  std::shared_ptr<TBitmap> mask;
  if (color) {
    mask = MakeCornerMask(FDevice, *bitmap, color);
    transparent = TTransparency::TrGif;
  } else if (transparent == TTransparency::LLCorner) {
    mask = MakeCornerMask(FDevice, *bitmap);
  }
  TBitmapItem item;
  item.MImage = bitmap;
  item.Mask = mask;
  item.UsageCount = 1;
  if (mask) item.Transp = transparent;
  FCache.AddObject(name, std::move(item));
  result.Bitmap = std::move(bitmap);
  result.Mask = std::move(mask);
  return result;
}

// ---------------------------------------------------------------- missing images

bool TMissingImages::Contains(const std::string& name) const {
  return std::any_of(FItems.begin(), FItems.end(),
                     [&](const TEntry& e) { return e.Name == name; });
}

std::vector<void*> TMissingImages::Take(const std::string& name) {
  std::vector<void*> waiters;
  std::erase_if(FItems, [&](const TEntry& e) {
    if (e.Name != name) return false;
    waiters.push_back(e.Waiter);
    return true;
  });
  return waiters;
}

void TMissingImages::Remove(const void* waiter) {
  std::erase_if(FItems, [&](const TEntry& e) { return e.Waiter == waiter; });
}

}  // namespace tav
