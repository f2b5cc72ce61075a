#include "widgets/hls_color.h"

#include <algorithm>

namespace tav {

namespace {

constexpr int RGBMAX = 255;
constexpr int kUndefinedHue = HLSMAX * 2 / 3;

// One channel from the two magic values and a hue, all on the 0..240 scale.
int HueToChannel(int n1, int n2, int hue) {
  if (hue < 0) hue += HLSMAX;
  if (hue > HLSMAX) hue -= HLSMAX;
  if (hue < HLSMAX / 6) return n1 + (((n2 - n1) * hue + HLSMAX / 12) / (HLSMAX / 6));
  if (hue < HLSMAX / 2) return n2;
  if (hue < HLSMAX * 2 / 3)
    return n1 + (((n2 - n1) * (HLSMAX * 2 / 3 - hue) + HLSMAX / 12) / (HLSMAX / 6));
  return n1;
}

int ToByte(int channel) {
  return std::clamp((channel * RGBMAX + HLSMAX / 2) / HLSMAX, 0, RGBMAX);
}

}  // namespace

THlsColor ColorRGBToHLS(TColor rgb) {
  int r = GetRValue(rgb), g = GetGValue(rgb), b = GetBValue(rgb);
  int cMax = std::max({r, g, b});
  int cMin = std::min({r, g, b});
  THlsColor out;
  out.L = ((cMax + cMin) * HLSMAX + RGBMAX) / (2 * RGBMAX);
  if (cMax == cMin) {
    out.S = 0;
    out.H = kUndefinedHue;
    return out;
  }
  int delta = cMax - cMin;
  int sum = cMax + cMin;
  if (out.L <= HLSMAX / 2)
    out.S = (delta * HLSMAX + sum / 2) / sum;
  else
    out.S = (delta * HLSMAX + (2 * RGBMAX - sum) / 2) / (2 * RGBMAX - sum);
  int rDelta = ((cMax - r) * (HLSMAX / 6) + delta / 2) / delta;
  int gDelta = ((cMax - g) * (HLSMAX / 6) + delta / 2) / delta;
  int bDelta = ((cMax - b) * (HLSMAX / 6) + delta / 2) / delta;
  if (r == cMax)
    out.H = bDelta - gDelta;
  else if (g == cMax)
    out.H = HLSMAX / 3 + rDelta - bDelta;
  else
    out.H = 2 * HLSMAX / 3 + gDelta - rDelta;
  if (out.H < 0) out.H += HLSMAX;
  if (out.H > HLSMAX) out.H -= HLSMAX;
  return out;
}

TColor ColorHLSToRGB(const THlsColor& hls) {
  int l = std::clamp(hls.L, 0, HLSMAX);
  int s = std::clamp(hls.S, 0, HLSMAX);
  if (s == 0) {
    int v = ToByte(l);
    return RGB(v, v, v);
  }
  int magic2 = l <= HLSMAX / 2 ? (l * (HLSMAX + s) + HLSMAX / 2) / HLSMAX
                               : l + s - (l * s + HLSMAX / 2) / HLSMAX;
  int magic1 = 2 * l - magic2;
  int r = ToByte(HueToChannel(magic1, magic2, hls.H + HLSMAX / 3));
  int g = ToByte(HueToChannel(magic1, magic2, hls.H));
  int b = ToByte(HueToChannel(magic1, magic2, hls.H - HLSMAX / 3));
  return RGB(r, g, b);
}

TColor ColorAdjustLuma(TColor color, int steps) {
  THlsColor hls = ColorRGBToHLS(ColorToRGB(color));
  hls.L = std::clamp(hls.L + steps, 0, HLSMAX);
  return ColorHLSToRGB(hls);
}

}  // namespace tav
