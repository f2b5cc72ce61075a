#include "html/media/decode_picture.h"

#include <exception>

namespace tav {

namespace {

// How far into a text the first element is looked for.
constexpr std::size_t SvgProbeLength = 4096;

template <class TView>
bool FirstElementIsSvg(TView text) {
  using TChar = typename TView::value_type;
  text = text.substr(0, SvgProbeLength);
  if (!text.empty() && static_cast<char32_t>(text[0]) == 0xFEFF) text.remove_prefix(1);
  if (text.size() >= 3 && static_cast<unsigned char>(text[0]) == 0xEF &&
      static_cast<unsigned char>(text[1]) == 0xBB && static_cast<unsigned char>(text[2]) == 0xBF)
    text.remove_prefix(3);
  auto startsWith = [&](const char* s) {
    std::size_t i = 0;
    for (; s[i]; ++i)
      if (i >= text.size() || text[i] != static_cast<TChar>(s[i])) return false;
    return true;
  };
  auto skipPast = [&](const char* end) {
    for (std::size_t i = 0; i < text.size(); ++i) {
      std::size_t k = 0;
      while (end[k] && i + k < text.size() && text[i + k] == static_cast<TChar>(end[k])) ++k;
      if (!end[k]) {
        text.remove_prefix(i + k);
        return true;
      }
    }
    return false;
  };
  for (;;) {
    while (!text.empty() && (text[0] == ' ' || text[0] == '\t' || text[0] == '\r' || text[0] == '\n'))
      text.remove_prefix(1);
    if (startsWith("<?")) {
      if (!skipPast("?>")) return false;
    } else if (startsWith("<!--")) {
      if (!skipPast("-->")) return false;
    } else if (startsWith("<!")) {
      if (!skipPast(">")) return false;
    } else {
      break;
    }
  }
  if (text.empty() || text[0] != '<') return false;
  // The element name, a prefix ("svg:") allowed.
  std::size_t end = 1;
  while (end < text.size() && text[end] != ' ' && text[end] != '>' && text[end] != '/' &&
         text[end] != '\t' && text[end] != '\r' && text[end] != '\n')
    ++end;
  TView name = text.substr(1, end - 1);
  for (std::size_t i = 0; i < name.size(); ++i)
    if (name[i] == ':') name = name.substr(i + 1);
  return name.size() == 3 && (name[0] | 0x20) == 's' && (name[1] | 0x20) == 'v' &&
         (name[2] | 0x20) == 'g' && end < text.size();
}

}  // namespace

bool IsSvgDocument(std::string_view data) { return FirstElementIsSvg(data); }
bool IsSvgDocument(std::u16string_view text) { return FirstElementIsSvg(text); }

TImageFormat SniffPicture(std::string_view data) {
  if (data.starts_with("GIF8")) return TImageFormat::ifGif;
  if (data.starts_with("BM")) return TImageFormat::ifBmp;
  if (data.starts_with("\x89PNG")) return TImageFormat::ifPng;
  if (data.starts_with("\xFF\xD8")) return TImageFormat::ifJpeg;
  if (IsSvgDocument(data)) return TImageFormat::ifSvg;
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
