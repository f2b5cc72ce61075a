#include "platform/font_cache.h"

#include <algorithm>

namespace tav {

std::u16string TFontCache::Key(const TFontDesc& desc) {
  std::u16string key = desc.Face;
  key.push_back(u'\0');
  for (int v : {desc.Height, desc.Weight, desc.Italic ? 1 : 0, desc.Underline ? 1 : 0,
                desc.StrikeOut ? 1 : 0, static_cast<int>(desc.CharSet),
                static_cast<int>(desc.Pitch), static_cast<int>(desc.Quality)}) {
    key.push_back(static_cast<char16_t>(v & 0xFFFF));
    key.push_back(static_cast<char16_t>((v >> 16) & 0xFFFF));
  }
  return key;
}

void TFontCache::Sweep() {
  std::erase_if(FFonts, [](const auto& entry) { return entry.second.expired(); });
  FSweepAt = std::max<std::size_t>(64, 2 * FFonts.size());
}

}  // namespace tav
