// Points and document positions in a laid-out text section: the caret
// point of a position, the position under a point, the link under a point.
#include <algorithm>
#include <climits>
#include <string>

#include "html/layout/document.h"
#include "html/layout/text/section.h"

namespace tav {

namespace {
int Sat(long long v) { return static_cast<int>(std::clamp<long long>(v, INT_MIN, INT_MAX)); }
}  // namespace

long long TSection::XInLine(const LineRec& line, int i) const {
  long long extra = 0;
  if (line.Spaces > 0) {
    int k = static_cast<int>(std::count(Buff.begin() + line.Start, Buff.begin() + i, u' '));
    k = std::min(k, line.Spaces);
    extra = static_cast<long long>(k) * (line.Extra / line.Spaces) + std::min(k, line.Extra % line.Spaces);
  }
  return static_cast<long long>(line.DrawXX) +
         (FPrefix[static_cast<std::size_t>(i)] - FPrefix[static_cast<std::size_t>(line.Start)]) + extra;
}

const LineRec* TSection::LineAtY(int y) const {
  auto it = std::partition_point(Lines.begin(), Lines.end(), [&](const LineRec& l) {
    return static_cast<long long>(l.Y) + l.LineImgHt <= y;
  });
  if (it == Lines.end() || y < it->Y) return nullptr;
  return &*it;
}

bool TSection::CursorToXY(TSurface& surface, int cursor, int& x, int& y) {
  (void)surface;
  long long i = static_cast<long long>(cursor) - StartCurs;
  if (i < 0 || i > Len || Len == 0) return false;
  EnsureWidths();
  // The line that holds the position (the end of the section: the last one).
  auto it = std::partition_point(Lines.begin(), Lines.end(), [&](const LineRec& l) {
    return l.Ln == 0 || static_cast<long long>(l.Start) + l.Ln <= i;
  });
  if (it == Lines.end()) {
    auto last = std::find_if(Lines.rbegin(), Lines.rend(), [](const LineRec& l) { return l.Ln > 0; });
    if (last == Lines.rend()) return false;
    it = std::prev(last.base());
  }
  int pos = static_cast<int>(std::clamp<long long>(i, it->Start, static_cast<long long>(it->Start) + it->Ln));
  x = Sat(FLayoutX + XInLine(*it, pos));
  y = it->Y;
  return true;
}

int TSection::FindCursor(TSurface& surface, int x, int y, int& xr, int& yr, bool& inText) {
  (void)surface;
  inText = false;
  const LineRec* line = LineAtY(y);
  if (!line || line->Ln == 0) return -1;
  EnsureWidths();
  // The position before the first character whose middle lies right of x.
  const int start = line->Start;
  const int end = VisibleEnd(start, start + line->Ln);
  int lo = start, hi = end;
  while (lo < hi) {
    int mid = lo + (hi - lo) / 2;
    long long middle = FLayoutX + (XInLine(*line, mid) + XInLine(*line, mid + 1)) / 2;
    if (middle <= x) lo = mid + 1;
    else hi = mid;
  }
  long long left = FLayoutX + line->DrawXX;
  inText = x >= left && x < left + line->DrawWidth;
  xr = Sat(FLayoutX + XInLine(*line, lo));
  yr = line->Y;
  return StartCurs + lo;
}

unsigned TSection::GetURL(TSurface& surface, int x, int y, TLinkHit& hit) {
  (void)surface;
  TSectionList& document = ParentSectionList;
  // Pictures first: their painted place decides.
  int ix = 0, iy = 0;
  if (Images.Count() > 0) {
    if (auto* image = dynamic_cast<TImageObj*>(Images.PtInImage(x, y, ix, iy))) {
      unsigned result = 0;
      hit.Image = image;
      document.Pictures.ActiveImage = image;
      hit.ImageX = ix;
      hit.ImageY = iy;
      hit.Title = !image->ImageTitle.empty() ? image->ImageTitle : image->FAlt;
      // An image button is a control: it takes the click itself.
      if (image->MyFormControl) {
        hit.Control = image->MyFormControl;
        return guControl | (hit.Title.empty() ? 0u : guTitle);
      }
      if (image->UseMap) {
        if (const TMapItem* map = document.FindMap(image->MapName)) {
          TAreaLink link;
          if (map->GetURL(ix, iy, link)) {
            hit.Url = link.Href;
            hit.TargetName = link.Target;
            if (!link.Title.empty()) hit.Title = link.Title;
            result |= guUrl;
          }
          return result | (hit.Title.empty() ? 0u : guTitle);
        }
      }
      const TFontObj* run = Fonts.GetFontObjAt(image->Pos);
      if (run && run->UrlTarget && run->UrlTarget->HasUrl()) {
        hit.Target = run->UrlTarget;
        hit.Url = run->UrlTarget->Url;
        hit.TargetName = run->UrlTarget->Target;
        if (image->IsMap) {
          std::string at = "?" + std::to_string(ix) + "," + std::to_string(iy);
          hit.Url.append(at.begin(), at.end());
        }
        result |= guUrl;
      }
      return result | (hit.Title.empty() ? 0u : guTitle);
    }
  }
  const LineRec* line = LineAtY(y);
  if (!line || line->Ln == 0) return 0;
  EnsureWidths();
  const int start = line->Start;
  const int end = VisibleEnd(start, start + line->Ln);
  // The character whose cell holds x.
  int lo = start, hi = end;
  while (lo < hi) {
    int mid = lo + (hi - lo) / 2;
    if (FLayoutX + XInLine(*line, mid + 1) <= x) lo = mid + 1;
    else hi = mid;
  }
  if (lo >= end || FLayoutX + XInLine(*line, lo) > x) return 0;
  if (Buff[static_cast<std::size_t>(lo)] == ImageChar) return 0;
  if (Buff[static_cast<std::size_t>(lo)] == FmCtlChar) {
    TFormControlObj* control = FormControls.FindControl(lo);
    if (!control) return 0;
    hit.Control = control;
    hit.Title = control->FTitle;
    return guControl | (hit.Title.empty() ? 0u : guTitle);
  }
  const TFontObj* run = Fonts.GetFontObjAt(lo);
  if (!run || !run->UrlTarget) return 0;
  hit.Target = run->UrlTarget;
  hit.Url = run->UrlTarget->Url;
  hit.TargetName = run->UrlTarget->Target;
  hit.Title = run->Title;
  return guUrl | (hit.Title.empty() ? 0u : guTitle);
}

}  // namespace tav
