#pragma once
// The pictures of backgrounds and list markers: fetched through the
// document's picture cache on their first layout, and painted by
// paint/background_painter.h once decoded.
#include <memory>

#include "platform/surface.h"

namespace tav {

class TImageObj;

// Fetches a background or list picture on its first layout. A picture
// that cannot be had now (missing, undecodable, or delayed) is dropped:
// the element goes on without it. Nothing is fetched while pictures are
// switched off.
void FetchBackgroundPicture(TSurface& surface, std::unique_ptr<TImageObj>& picture);

// The decoded picture of a fetched background object, or null while it
// has none to show.
TBitmap* ShownPicture(const std::unique_ptr<TImageObj>& picture);

}  // namespace tav
