#pragma once
#include "platform/colors.h"

namespace tav {

// Hue, luminance and saturation on a scale of 0..240 each. Colours without
// saturation (greys, black, white) get the hue 160.
struct THlsColor {
  int H = 0;
  int L = 0;
  int S = 0;
};

constexpr int HLSMAX = 240;

// RGB (0x00BBGGRR) to HLS and back; system colours must be resolved first.
THlsColor ColorRGBToHLS(TColor rgb);
TColor ColorHLSToRGB(const THlsColor& hls);
// The colour with its luminance moved by `steps` (of 240), clamped to
// black and white; hue and saturation stay. System colours are resolved.
TColor ColorAdjustLuma(TColor color, int steps);
// Lighter or darker by a number of luminance steps.
inline TColor LighterColor(TColor color, int steps) { return ColorAdjustLuma(color, steps); }
inline TColor DarkerColor(TColor color, int steps) { return ColorAdjustLuma(color, -steps); }

}  // namespace tav
