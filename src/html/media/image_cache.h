#pragma once
// The document's image cache and the picture fetching that goes through it,
// the pictures shown for broken and pending images, and the corner mask.
#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/surface.h"

namespace tav {

// How a picture's transparent pixels are found: none, the colour of its
// lower-left pixel, or a colour (or alpha) the picture itself named.
enum class TTransparency { NotTransp, LLCorner, TrGif, TrPng };

// One cached picture.
struct TBitmapItem {
  std::shared_ptr<TBitmap> MImage;
  std::shared_ptr<TBitmap> Mask;  // 1-bit, white = transparent; may be null
  int AccessCount = 0;            // document loads since it was last used
  int UsageCount = 0;             // image objects that use it now
  TTransparency Transp = TTransparency::NotTransp;
};

// The cache, keyed by the exact name a picture was fetched under (for local
// files the expanded path: "A.png" and "a.png" are two pictures). An unused
// picture survives MaxCache() further document loads.
class TStringBitmapList {
public:
  static constexpr int InitialMaxCache = 4;
  static constexpr int MaxCacheLimit = 20;

  int Count() const { return static_cast<int>(FItems.size()); }
  int MaxCache() const { return FMaxCache; }
  // Stores an item under `key`, replacing one that is there.
  void AddObject(const std::string& key, TBitmapItem item);
  // The item under `key`, or null.
  TBitmapItem* Find(const std::string& key);
  const TBitmapItem* Find(const std::string& key) const;
  // Raise / lower the usage count of the item under `key` (if any).
  void IncUsage(const std::string& key);
  void DecUsage(const std::string& key);
  // A document load: every item's AccessCount goes up by one, and an item
  // used by no object whose AccessCount exceeds MaxCache() is freed.
  void BumpAndCheck();
  // MaxCache() becomes n clamped to 0..MaxCacheLimit; items with an
  // AccessCount above it and no user are freed.
  void SetCacheCount(int n);
  // Frees every item no object uses.
  void PurgeCache();
  void Clear() { FItems.clear(); }

private:
  std::map<std::string, TBitmapItem> FItems;
  int FMaxCache = InitialMaxCache;
};

// A 1-bit mask of `bitmap`'s size: white (transparent) where a pixel has
// the colour of the lower-left pixel, or `color` when given; black elsewhere.
std::unique_ptr<TBitmap> MakeCornerMask(TGraphicsDevice& device, const TBitmap& bitmap,
                                        std::optional<TColor> color = std::nullopt);

// The built-in pictures, 16 x 16, drawn in code: BrokenImageIcon is a yellow
// rounded square with a grey edge and a black exclamation mark, its mask
// making the three-pixel rounded corners transparent; PendingImageIcon is
// a small globe (opaque, no mask). Never cached and never freed by a
// document.
struct TImageIcons {
  std::shared_ptr<TBitmap> BrokenImageIcon;
  std::shared_ptr<TBitmap> BrokenImageMask;
  std::shared_ptr<TBitmap> PendingImageIcon;
};
constexpr int ImageIconSize = 16;
TImageIcons MakeImageIcons(TGraphicsDevice& device);

// What an image request handler answers: the picture's bytes, a promise
// that the picture comes later, or nothing (the name is then read as a
// local file).
struct TImageReply {
  enum class TKind { irNone, irPending, irData } Kind = TKind::irNone;
  std::string Bytes;
};

// A bitmap for a name, and the colour that is transparent in it (none:
// nullopt).
using TBitmapRequestEvent = std::function<std::shared_ptr<TBitmap>(
    const std::string& name, std::optional<TColor>& transparentColor)>;
using TImageRequestEvent = std::function<TImageReply(const std::string& name)>;

struct TFetchedPicture {
  std::shared_ptr<TBitmap> Bitmap;  // null: none (broken, or delayed)
  std::shared_ptr<TBitmap> Mask;
  bool Delayed = false;    // the request handler promised it for later
  bool FromCache = false;  // found in the cache (its usage was raised)
};

// Fetches pictures by name through a cache. Without request handlers a
// name is the expanded path of a local file (HTMLExpandFilename); with
// them, the name as the page gives it.
class TPictureFetcher {
public:
  TPictureFetcher(TGraphicsDevice& device, TStringBitmapList& cache)
      : FDevice(device), FCache(cache) {}

  // Empty: not assigned. OnBitmapRequest is asked first, OnImageRequest when
  // it gave no bitmap.
  TBitmapRequestEvent OnBitmapRequest;
  TImageRequestEvent OnImageRequest;
  // What an unanswered image request reads: the name expanded into a local
  // path. Empty: HTMLExpandFilename against the working directory.
  std::function<std::string(const std::string& name)> ExpandName;

  // The picture for `name`. From the cache: the item's AccessCount drops to
  // 0, its UsageCount rises; a gif/png transparency of the item replaces
  // `transparent`; else an LLCorner request gives the item a corner mask.
  // Otherwise read and decoded (local file, or the handlers) and, when a
  // picture came, cached with UsageCount 1; an LLCorner request makes a
  // corner mask, a transparent colour from OnBitmapRequest a mask of that
  // colour (and `transparent` becomes TrGif). Failures are not cached.
  TFetchedPicture GetTheBitmap(const std::string& name, TTransparency& transparent);

private:
  std::shared_ptr<TBitmap> ReadFile(const std::string& path);

  TGraphicsDevice& FDevice;
  TStringBitmapList& FCache;
};

// Names of pictures waiting for a delayed delivery, each with what waits
// for it (an image object, or the document for its background), keyed like
// the cache.
class TMissingImages {
public:
  void Add(const std::string& name, void* waiter) { FItems.push_back({name, waiter}); }
  bool Contains(const std::string& name) const;
  // Removes and returns the waiters for `name`, in the order they were added.
  std::vector<void*> Take(const std::string& name);
  // Forgets a waiter that goes away.
  void Remove(const void* waiter);
  int Count() const { return static_cast<int>(FItems.size()); }
  void Clear() { FItems.clear(); }

private:
  struct TEntry {
    std::string Name;
    void* Waiter;
  };
  std::vector<TEntry> FItems;
};

}  // namespace tav
