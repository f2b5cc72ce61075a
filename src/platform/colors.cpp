#include "platform/colors.h"

#include <array>
#include <cstddef>

namespace tav {

namespace {

// The classic desktop colours (0x00BBGGRR).
constexpr std::array<TColor, COLOR_COUNT> kDefaultSysColors = {
    0xC8C8C8,  // scroll bar
    0x000000,  // desktop
    0xD1B499,  // active caption
    0xDBCDBF,  // inactive caption
    0xF0F0F0,  // menu
    0xFFFFFF,  // window
    0x646464,  // window frame
    0x000000,  // menu text
    0x000000,  // window text
    0x000000,  // caption text
    0xB4B4B4,  // active border
    0xFCF7F4,  // inactive border
    0xABABAB,  // application workspace
    0xFF9933,  // highlight
    0xFFFFFF,  // highlight text
    0xF0F0F0,  // button face
    0xA0A0A0,  // button shadow
    0x6D6D6D,  // grey text
    0x000000,  // button text
    0x544E43,  // inactive caption text
    0xFFFFFF,  // button highlight
    0x696969,  // 3D dark shadow
    0xE3E3E3,  // 3D light
    0x000000,  // tooltip text
    0xE1FFFF,  // tooltip background
    0x000000,  // (unused)
    0xCC6600,  // hot-tracked item
    0xEAD1B9,  // active caption gradient
    0xF2E4D7,  // inactive caption gradient
    0xFF9933,  // menu highlight
    0xF0F0F0,  // menu bar
};

std::array<TColor, COLOR_COUNT>& Table() {
  static std::array<TColor, COLOR_COUNT> table = kDefaultSysColors;
  return table;
}

}  // namespace

TColor GetSysColor(int index) {
  if (index < 0 || index >= COLOR_COUNT) return 0;
  return Table()[static_cast<std::size_t>(index)];
}

void SetSysColor(int index, TColor rgb) {
  if (index < 0 || index >= COLOR_COUNT) return;
  Table()[static_cast<std::size_t>(index)] = rgb & 0xFFFFFF;
}

TColor ClassicSysColor(int index) {
  if (index < 0 || index >= COLOR_COUNT) return 0;
  return kDefaultSysColors[static_cast<std::size_t>(index)];
}

void ResetSysColors() { Table() = kDefaultSysColors; }

TColor ColorToRGB(TColor c) {
  if (IsSystemColor(c)) return GetSysColor(static_cast<int>(c & 0xFF));
  return c;
}

}  // namespace tav
