#pragma once
// Picture bytes to an opaque bitmap. The front end decides what reaches the
// device's decoder: only data that starts like a GIF, BMP, PNG or JPEG file
// or an SVG drawing and is at least MinPictureBytes long, and only a picture whose header
// declares a size within the pixel budget, so that a small file declaring a
// huge picture is refused before anything is allocated for it.
#include <cstddef>
#include <memory>
#include <string_view>

#include "platform/surface.h"

namespace tav {

constexpr std::size_t MinPictureBytes = 20;
// The budget: large enough for any picture a page shows, small enough that
// one decoded picture (4 bytes a pixel) stays within 256 MiB.
constexpr int MaxPictureSide = 16384;
constexpr long long MaxPicturePixels = 64LL * 1024 * 1024;

// The format the first bytes announce: "GIF8", "BM", 0x89 "PNG", 0xFF 0xD8,
// or an SVG drawing (IsSvgDocument); ifUnknown for anything else.
TImageFormat SniffPicture(std::string_view data);

// Whether the text is an SVG drawing: after white space, an optional UTF-8
// byte-order mark, an XML declaration, comments and a DOCTYPE, its first
// element is <svg> (with or without a prefix such as svg:svg). Only the
// first few kilobytes are looked at.
bool IsSvgDocument(std::string_view data);
bool IsSvgDocument(std::u16string_view text);

// Whether a declared width and height fit the budget (both sides 1 ..
// MaxPictureSide, their product at most MaxPicturePixels).
bool PictureSizeAllowed(int width, int height);

// The first frame of the picture as an opaque bitmap of `device`; null for
// data under MinPictureBytes, an unknown format, a size outside the budget,
// or data the decoder rejects.
std::unique_ptr<TBitmap> DecodePicture(TGraphicsDevice& device, std::string_view data);

}  // namespace tav
