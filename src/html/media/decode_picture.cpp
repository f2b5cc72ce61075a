#include "html/media/decode_picture.h"

#include <exception>

namespace tav {

TImageFormat SniffPicture(std::string_view data) {
  if (data.starts_with("GIF8")) return TImageFormat::ifGif;
  if (data.starts_with("BM")) return TImageFormat::ifBmp;
  if (data.starts_with("\x89PNG")) return TImageFormat::ifPng;
  if (data.starts_with("\xFF\xD8")) return TImageFormat::ifJpeg;
  return TImageFormat::ifUnknown;
}

bool PictureSizeAllowed(int width, int height) {
  return width >= 1 && height >= 1 && width <= MaxPictureSide && height <= MaxPictureSide &&
         static_cast<long long>(width) * height <= MaxPicturePixels;
}

std::unique_ptr<TBitmap> DecodePicture(TGraphicsDevice& device, std::string_view data) {
  if (data.size() < MinPictureBytes) return nullptr;
  TImageFormat format = SniffPicture(data);
  if (format == TImageFormat::ifUnknown) return nullptr;
  int declaredWidth = 0, declaredHeight = 0;
  std::unique_ptr<TBitmap> bitmap;
  try {
    bitmap = device.DecodeOpaqueImage(data, format, [&](int width, int height) {
      declaredWidth = width;
      declaredHeight = height;
      return PictureSizeAllowed(width, height);
    });
  } catch (const std::exception&) {
    return nullptr;  // a decoder that throws (out of memory, say) leaves no picture
  }
  // A device that skipped the check, or gave more than the header declared,
  // does not get its picture through.
  if (!bitmap || bitmap->Width() < 1 || bitmap->Height() < 1 ||
      !PictureSizeAllowed(bitmap->Width(), bitmap->Height()) ||
      bitmap->Width() > declaredWidth || bitmap->Height() > declaredHeight)
    return nullptr;
  return bitmap;
}

}  // namespace tav
