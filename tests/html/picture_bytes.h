#pragma once
// Picture files built byte by byte for the decoding and cache tests.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/colors.h"

namespace tav::test {

inline void PutLE(std::string& s, std::uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) s.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

// A 24-bit bottom-up BMP of the given rows (top row first, 0x00BBGGRR). The
// header declares `width` x `height`; `pixels` may be shorter than that (a
// truncated file).
inline std::string MakeBmp(int width, int height, const std::vector<TColor>& pixels) {
  std::size_t stride = (static_cast<std::size_t>(width) * 3 + 3) & ~std::size_t{3};
  std::string s = "BM";
  PutLE(s, static_cast<std::uint32_t>(54 + stride * static_cast<std::size_t>(height)), 4);
  PutLE(s, 0, 4);
  PutLE(s, 54, 4);
  PutLE(s, 40, 4);
  PutLE(s, static_cast<std::uint32_t>(width), 4);
  PutLE(s, static_cast<std::uint32_t>(height), 4);
  PutLE(s, 1, 2);
  PutLE(s, 24, 2);
  for (int i = 0; i < 6; ++i) PutLE(s, 0, 4);
  if (pixels.size() < static_cast<std::size_t>(width) * static_cast<std::size_t>(height))
    return s + std::string(pixels.size() * 3, '\0');
  for (int row = height - 1; row >= 0; --row) {
    std::string line;
    for (int x = 0; x < width; ++x) {
      TColor c = pixels[static_cast<std::size_t>(row * width + x)];
      line.push_back(static_cast<char>(GetBValue(c)));
      line.push_back(static_cast<char>(GetGValue(c)));
      line.push_back(static_cast<char>(GetRValue(c)));
    }
    line.resize(stride, '\0');
    s += line;
  }
  return s;
}

// The start of a PNG file: signature and an IHDR declaring the size,
// followed by `padding` bytes of filler.
inline std::string MakePngHeader(std::uint32_t width, std::uint32_t height, std::size_t padding) {
  std::string s("\x89PNG\r\n\x1A\n", 8);
  auto be = [&](std::uint32_t v) {
    for (int i = 3; i >= 0; --i) s.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
  };
  be(13);
  s += "IHDR";
  be(width);
  be(height);
  s += std::string("\x08\x02\x00\x00\x00", 5);
  be(0);  // CRC, not checked by the size readers
  return s + std::string(padding, '\0');
}

}  // namespace tav::test
