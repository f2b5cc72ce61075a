#include "platform/surface.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <stdexcept>

namespace tav {

namespace {

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

}  // namespace

// ---------------------------------------------------------------- fonts

void TFontHandle::Advances(std::u16string_view text, std::vector<int>& out, int extra) const {
  out.resize(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    char16_t c = text[i];
    if (IsHighSurrogate(c) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
      char32_t cp = 0x10000 + ((static_cast<char32_t>(c) - 0xD800) << 10) +
                    (static_cast<char32_t>(text[i + 1]) - 0xDC00);
      out[i] = CharAdvance(cp) + extra;
      out[i + 1] = 0;
      ++i;
    } else {
      out[i] = CharAdvance(c) + extra;
    }
  }
}

int TFontHandle::TextWidth(std::u16string_view text, int extra) const {
  std::vector<int> adv;
  Advances(text, adv, extra);
  int w = 0;
  for (int a : adv) w += a;
  return w;
}

// ---------------------------------------------------------------- bitmaps

std::vector<TColor> TBitmap::GetPixels() const {
  std::vector<TColor> out;
  out.reserve(static_cast<size_t>(Width()) * static_cast<size_t>(Height()));
  for (int y = 0; y < Height(); ++y)
    for (int x = 0; x < Width(); ++x) out.push_back(GetPixel(x, y));
  return out;
}

void TBitmap::SetPixels(const std::vector<TColor>& pixels) {
  size_t i = 0;
  for (int y = 0; y < Height(); ++y)
    for (int x = 0; x < Width() && i < pixels.size(); ++x) SetPixel(x, y, pixels[i++]);
}

// ---------------------------------------------------------------- default device

namespace {
std::shared_ptr<TGraphicsDevice>& InstalledDevice() {
  static std::shared_ptr<TGraphicsDevice> device;
  return device;
}
}  // namespace

TGraphicsDevice& DefaultDevice() {
  if (auto& d = InstalledDevice()) return *d;
  // Views measure through the installed device only; the platform start-up
  // (or a test's setup) installs it before any view exists.
  throw std::logic_error("no graphics device installed");
}

void SetDefaultDevice(std::shared_ptr<TGraphicsDevice> device) {
  InstalledDevice() = std::move(device);
}

// ---------------------------------------------------------------- measuring

void TSurface::TextAdvances(std::u16string_view text, std::vector<int>& out) {
  Font()->Advances(text, out, TextCharacterExtra());
  int extra = 0, count = 0;
  GetTextJustification(extra, count);
  if (count <= 0 || extra == 0) return;
  int each = extra / count, rest = extra % count, k = 0;
  for (size_t i = 0; i < text.size() && k < count; ++i) {
    if (text[i] != u' ') continue;
    out[i] += each + (k < rest ? 1 : 0);
    ++k;
  }
}

TSize TSurface::GetTextExtentPoint(std::u16string_view text) {
  std::vector<int> adv;
  TextAdvances(text, adv);
  int w = 0;
  for (int a : adv) w += a;
  return {w, Font()->Metrics().Height};
}

int TSurface::GetTextExtentExPoint(std::u16string_view text, int maxWidth,
                                   std::vector<int>* partialExtents) {
  std::vector<int> adv;
  TextAdvances(text, adv);
  if (partialExtents) partialExtents->clear();
  int w = 0, fit = 0;
  bool fitting = true;
  for (size_t i = 0; i < adv.size(); ++i) {
    w += adv[i];
    if (partialExtents) partialExtents->push_back(w);
    // The second unit of a pair fits together with the first.
    bool pairTail = i > 0 && IsLowSurrogate(text[i]) && IsHighSurrogate(text[i - 1]);
    if (fitting) {
      if (w <= maxWidth)
        fit = static_cast<int>(i) + 1;
      else {
        fitting = false;
        if (pairTail) fit = static_cast<int>(i) - 1;
      }
    }
  }
  if (fit > 0 && IsHighSurrogate(text[static_cast<size_t>(fit) - 1]) &&
      static_cast<size_t>(fit) < text.size() && IsLowSurrogate(text[static_cast<size_t>(fit)]))
    --fit;
  return fit;
}

// ---------------------------------------------------------------- DrawText

namespace {

struct TTextLine {
  size_t Start = 0;  // into the displayed text
  size_t Length = 0;
  int Width = 0;
};

}  // namespace

int TSurface::DrawText(std::u16string_view source, TRect& rect, unsigned flags) {
  // Accelerator prefixes: "&x" underlines x, "&&" is one '&'.
  std::u16string text;
  size_t accel = std::u16string::npos;
  if (flags & DT_NOPREFIX) {
    text.assign(source);
  } else {
    text.reserve(source.size());
    for (size_t i = 0; i < source.size(); ++i) {
      if (source[i] == u'&' && i + 1 < source.size()) {
        ++i;
        if (source[i] != u'&' && accel == std::u16string::npos) accel = text.size();
      } else if (source[i] == u'&') {
        continue;
      }
      text.push_back(source[i]);
    }
  }

  const TTextMetric tm = Font()->Metrics();
  std::vector<int> adv;
  TextAdvances(text, adv);
  if (flags & DT_EXPANDTABS) {
    int stop = std::max(1, 8 * tm.AveCharWidth);
    int x = 0;
    for (size_t i = 0; i < text.size(); ++i) {
      if (text[i] == u'\n' || text[i] == u'\r') x = 0;
      if (text[i] == u'\t') adv[i] = stop - x % stop;
      x += adv[i];
    }
  }
  auto width = [&](size_t from, size_t to) {
    int w = 0;
    for (size_t i = from; i < to; ++i) w += adv[i];
    return w;
  };

  // Break into lines.
  std::vector<TTextLine> lines;
  const int maxWidth = rect.Width();
  auto addParagraph = [&](size_t from, size_t to) {
    if (!(flags & DT_WORDBREAK)) {
      lines.push_back({from, to - from, width(from, to)});
      return;
    }
    size_t start = from;
    while (true) {
      size_t pos = start, lastBreak = std::u16string::npos;
      int w = 0;
      while (pos < to) {
        if (text[pos] == u' ') lastBreak = pos;
        if (w + adv[pos] > maxWidth && text[pos] != u' ') break;
        w += adv[pos];
        ++pos;
      }
      if (pos >= to) {
        lines.push_back({start, to - start, width(start, to)});
        return;
      }
      size_t end;
      if (lastBreak != std::u16string::npos && lastBreak > start) {
        end = lastBreak;
      } else {
        // A word wider than the rectangle stays whole.
        end = pos;
        while (end < to && text[end] != u' ') ++end;
      }
      size_t next = end;
      while (next < to && text[next] == u' ') ++next;
      size_t trimmed = end;
      while (trimmed > start && text[trimmed - 1] == u' ') --trimmed;
      lines.push_back({start, trimmed - start, width(start, trimmed)});
      if (next >= to) return;
      start = next;
    }
  };
  if (flags & DT_SINGLELINE) {
    addParagraph(0, text.size());
  } else {
    size_t from = 0;
    for (size_t i = 0; i <= text.size(); ++i) {
      if (i == text.size() || text[i] == u'\r' || text[i] == u'\n') {
        addParagraph(from, i);
        if (i < text.size() && text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
          ++i;
        from = i + 1;
      }
    }
  }

  const int lineHeight = tm.Height;
  const int total = lineHeight * static_cast<int>(lines.size());
  int maxLine = 0;
  for (auto& l : lines) maxLine = std::max(maxLine, l.Width);

  if (flags & DT_CALCRECT) {
    rect.Right = rect.Left + maxLine;
    rect.Bottom = rect.Top + total;
    return total;
  }

  int y = rect.Top;
  if (flags & DT_SINGLELINE) {
    if (flags & DT_VCENTER)
      y = rect.Top + (rect.Height() - lineHeight) / 2;
    else if (flags & DT_BOTTOM)
      y = rect.Bottom - lineHeight;
  }
  const unsigned oldAlign = TextAlign();
  SetTextAlign(TA_LEFT | TA_TOP);
  const unsigned options = (flags & DT_NOCLIP) ? 0 : ETO_CLIPPED;
  for (auto& l : lines) {
    int x = rect.Left;
    if (flags & DT_CENTER)
      x = rect.Left + (rect.Width() - l.Width) / 2;
    else if (flags & DT_RIGHT)
      x = rect.Right - l.Width;
    std::u16string_view part(text.data() + l.Start, l.Length);
    ExtTextOut(x, y, options, &rect, part, adv.data() + l.Start);
    if (accel != std::u16string::npos && !(flags & DT_HIDEPREFIX) && accel >= l.Start &&
        accel < l.Start + l.Length) {
      int ux = x + width(l.Start, accel);
      int uy = y + tm.Ascent + 1;
      TRect u{ux, uy, ux + adv[accel], uy + 1};
      if (options & ETO_CLIPPED) u = IntersectRect(u, rect);
      if (!u.IsEmpty()) FillRect(u, TextColor());
    }
    y += lineHeight;
  }
  SetTextAlign(oldAlign);
  return total;
}

// ---------------------------------------------------------------- shapes

void TSurface::FillRect(const TRect& r) {
  if (Brush().Style == TBrushStyle::bsClear) return;
  FillRect(r, Brush().Color);
}

void TSurface::FrameRect(const TRect& r, TColor c) {
  if (r.IsEmpty()) return;
  FillRect({r.Left, r.Top, r.Right, r.Top + 1}, c);
  FillRect({r.Left, r.Bottom - 1, r.Right, r.Bottom}, c);
  FillRect({r.Left, r.Top + 1, r.Left + 1, r.Bottom - 1}, c);
  FillRect({r.Right - 1, r.Top + 1, r.Right, r.Bottom - 1}, c);
}

void TSurface::MaskedStretchBlt(int x, int y, int width, int height, TBitmap& src,
                                TBitmap& mask, int sx, int sy, int sw, int sh) {
  if (sw <= 0 || sh <= 0 || width <= 0 || height <= 0) return;
  TGraphicsDevice& dev = Device();
  // The source with its transparent pixels made black: source AND NOT mask.
  auto picture = dev.CreateBitmap(sw, sh);
  picture->Canvas().BitBlt(0, 0, sw, sh, src, sx, sy, TRop::ropSrcCopy);
  auto inverse = dev.CreateBitmap(sw, sh);
  inverse->Canvas().BitBlt(0, 0, sw, sh, mask, sx, sy, TRop::ropSrcCopy);
  inverse->Canvas().InvertRect({0, 0, sw, sh});
  picture->Canvas().BitBlt(0, 0, sw, sh, *inverse, 0, 0, TRop::ropSrcAnd);
  // Mask AND keeps the destination under white and blacks the rest; the
  // picture OR fills the black.
  StretchBlt(x, y, width, height, mask, sx, sy, sw, sh, TRop::ropSrcAnd);
  StretchBlt(x, y, width, height, *picture, 0, 0, sw, sh, TRop::ropSrcPaint);
}

TFontDesc TSurface::DefaultFontDesc() {
  TFontDesc s;
  s.Face = u"Arial";
  s.Height = -11;  // 8 points at 96 pixels per inch
  return s;
}

int MulDiv(int a, int b, int c) {
  if (c == 0) return -1;
  long long p = static_cast<long long>(a) * b;
  long long q = c;
  bool negative = (p < 0) != (q < 0);
  long long ap = std::llabs(p), aq = std::llabs(q);
  long long r = (ap + aq / 2) / aq;
  if (negative) r = -r;
  // A result outside the int range fails as a zero divisor does.
  if (r < INT_MIN || r > INT_MAX) return -1;
  return static_cast<int>(r);
}

int PointsToHeight(int points, int pixelsPerInch) { return -MulDiv(points, pixelsPerInch, 72); }

}  // namespace tav
