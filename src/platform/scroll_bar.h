#pragma once
// Scroll bars: which bar, its notifications and its state.

namespace tav {

enum class TScrollBarKind { sbHorizontal, sbVertical };
// Scroll bar notifications: a line or page up/down, the thumb dropped at a
// position (scPosition) or dragged (scTrack), the ends, the end of scrolling.
enum class TScrollCode {
  scLineUp,
  scLineDown,
  scPageUp,
  scPageDown,
  scPosition,
  scTrack,
  scTop,
  scBottom,
  scEndScroll
};

// Which fields of TScrollInfo SetScrollInfo takes.
constexpr unsigned SIF_RANGE = 0x01;
constexpr unsigned SIF_PAGE = 0x02;
constexpr unsigned SIF_POS = 0x04;
constexpr unsigned SIF_DISABLENOSCROLL = 0x08;
constexpr unsigned SIF_TRACKPOS = 0x10;
constexpr unsigned SIF_ALL = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_TRACKPOS;

// A scroll bar's state: positions Min..Max, Page units visible at a time,
// Pos within Min..Max - max(Page - 1, 0); TrackPos while the thumb is dragged.
struct TScrollInfo {
  int Min = 0;
  int Max = 0;
  int Page = 0;
  int Pos = 0;
  int TrackPos = 0;
  friend bool operator==(const TScrollInfo&, const TScrollInfo&) = default;
};

}  // namespace tav
