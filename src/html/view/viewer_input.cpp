// The viewer's input: keys, wheel, middle-button scrolling, the link under
// the mouse, link clicks, selection, copying and text search.
#include <algorithm>
#include <cstdlib>
#include <utility>

#include "html/base/paths.h"
#include "html/layout/font_obj.h"
#include "html/layout/forms/form_controls.h"
#include "html/layout/images/image_obj.h"
#include "html/layout/text/section.h"
#include "html/view/cf_html.h"
#include "html/view/viewer.h"
#include "platform/clipboard.h"
#include "platform/system_values.h"
#include "util/code_page.h"
#include "util/text_helpers.h"

namespace tav {

// ---------------------------------------------------------------- scrolling

void THtmlView::ScrollBarEvent(TScrollBarKind bar, TScrollCode code, int pos) {
  Guarded([&] {
    const bool vertical = bar == TScrollBarKind::sbVertical;
    const int small = vertical ? kVSmallChange : kHSmallChange;
    const int large = vertical ? FPaintHeight - kVSmallChange : std::max(1, FPaintWidth - 20);
    int p = vertical ? FVPos : FHPos;
    switch (code) {
      case TScrollCode::scLineUp: p -= small; break;
      case TScrollCode::scLineDown: p += small; break;
      case TScrollCode::scPageUp: p -= large; break;
      case TScrollCode::scPageDown: p += large; break;
      case TScrollCode::scPosition:
      case TScrollCode::scTrack: p = pos; break;
      case TScrollCode::scTop: p = 0; break;
      case TScrollCode::scBottom: p = vertical ? MaxVPos() : MaxHPos(); break;
      case TScrollCode::scEndScroll: return;
    }
    if (vertical) ScrollTo(p, FHPos);
    else ScrollTo(FVPos, p);
  });
}

void THtmlView::KeyDown(int& key, TShiftState shift) {
  Guarded([&] {
    DropHint();
    if (FMiddleScroll) {
      EndMiddleScroll();
      key = 0;
      return;
    }
    const bool ctrl = (shift & ssCtrl) != 0;
    if ((ctrl && (key == 'C' || key == VK_INSERT))) {
      CopyToClipboard();
      key = 0;
      return;
    }
    if (ctrl && key == 'A') {
      if (!NoSelect) SelectAll();
      key = 0;
      return;
    }
    const int large = FPaintHeight - kVSmallChange;
    switch (key) {
      case VK_SPACE: ScrollTo(FVPos + ((shift & ssShift) ? -large : large), FHPos); break;
      case VK_NEXT: ScrollTo(FVPos + large, FHPos); break;
      case VK_PRIOR: ScrollTo(FVPos - large, FHPos); break;
      case VK_DOWN: ScrollTo(FVPos + kVSmallChange, FHPos); break;
      case VK_UP: ScrollTo(FVPos - kVSmallChange, FHPos); break;
      case VK_END: ScrollTo(MaxVPos(), FHPos); break;
      case VK_HOME: ScrollTo(0, FHPos); break;
      case VK_LEFT: ScrollTo(FVPos, FHPos - kHSmallChange); break;
      case VK_RIGHT: ScrollTo(FVPos, FHPos + kHSmallChange); break;
      default: return;
    }
    key = 0;
  });
}

bool THtmlView::MouseWheel(TShiftState shift, int wheelDelta, TPoint pos) {
  (void)shift, (void)pos;
  if (htOptions & htNoWheelMouse) return false;
  Guarded([&] {
    DropHint();
    const int lines = WheelScrollLines();
    // A notch (120) scrolls 16 pixels per wheel line, or half the delta when
    // the system gives no line count; finer wheels scroll in proportion.
    const long long perNotch = lines > 0 ? 16LL * lines : WHEEL_DELTA / 2;
    const long long move = static_cast<long long>(wheelDelta) * perNotch / WHEEL_DELTA;
    const long long target = static_cast<long long>(FVPos) - move;
    ScrollTo(static_cast<int>(std::clamp<long long>(target, 0, MaxVPos())), FHPos);
  });
  return true;
}

void THtmlView::EndMiddleScroll() {
  if (!FMiddleScroll) return;
  FMiddleScroll = false;
  FMiddleMoving = false;
  KillTimer(kMiddleScrollTimer);
  ReleaseCapture();
  SetCursor(TCursorShape::crDefault);
}

// ---------------------------------------------------------------- mouse

void THtmlView::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  Guarded([&] {
    DropHint();
    if (FMiddleScroll) {
      EndMiddleScroll();
      return;
    }
    if (button == TMouseButton::mbMiddle) {
      if (htOptions & htNoWheelMouse) return;
      FMiddleScroll = true;
      FMiddleMoving = false;
      FMiddleOrigin = FMiddleMouse = TPoint{x, y};
      SetCapture();
      SetCursor(TCursorShape::crMiddleScroll);
      return;
    }
    ReportPress(button, shift, x, y);
    if (button != TMouseButton::mbLeft) return;
    if (!FDocument) {
      SetFocus();
      return;
    }
    TLinkHit hit;
    UpdateHotSpot(x, y, &hit);
    // A press on an image button focuses its button and selects nothing;
    // the release on it presses it.
    FImagePressed = ImageButtonOf(hit);
    TChildControl* focus = FImagePressed && !FImagePressed->Disabled ? FImagePressed->GetTheControl()
                                                                     : nullptr;
    if (focus && focus->Visible()) focus->SetFocus();
    else SetFocus();
    FLeftDown = true;
    FSelectionMade = false;
    FLinkPressed = !FLinkUrl.empty();
    SetCapture();
    if (FImagePressed) return;
    const int pos = PositionAt(DocX(x), DocY(y));
    if ((shift & ssShift) && Sel1 >= 0) {
      SetSelection(Sel1, pos);
      FSelectionMade = true;
    } else {
      Sel1 = pos;
      FCaretPos = pos;
      if (FDocument->Selection.SelE > FDocument->Selection.SelB) Invalidate();
      FDocument->Selection.SelB = FDocument->Selection.SelE = pos;
    }
  });
}

void THtmlView::MouseMove(TShiftState shift, int x, int y) {
  Guarded([&] {
    if (FMiddleScroll) {
      FMiddleMouse = TPoint{x, y};
      if (!FMiddleMoving && (std::abs(x - FMiddleOrigin.X) > kMiddleScrollDeadZone ||
                             std::abs(y - FMiddleOrigin.Y) > kMiddleScrollDeadZone)) {
        FMiddleMoving = true;
        SetTimer(kMiddleScrollTimer, kMiddleScrollTimerMs);
      }
      return;
    }
    if (!FDocument) return;
    UpdateHotSpot(x, y);
    ReportImageOver(shift, x, y);
    if (FLeftDown && !FImagePressed && Sel1 >= 0 && !NoSelect) {
      FDragPoint = TPoint{x, y};
      DragSelect();
      // Held still past the top or bottom, the timer goes on scrolling.
      const TRect paint = PaintRect();
      if (y < paint.Top || y >= paint.Bottom) {
        if (!TimerActive(kSelectScrollTimer)) SetTimer(kSelectScrollTimer, kSelectScrollTimerMs);
      } else {
        StopDragScroll();
      }
    }
  });
}

void THtmlView::DragSelect() {
  const TRect paint = PaintRect();
  const int y = FDragPoint.Y;
  if (y < paint.Top) ScrollTo(FVPos - kVSmallChange, FHPos);
  else if (y >= paint.Bottom) ScrollTo(FVPos + kVSmallChange, FHPos);
  const int pos = PositionAt(DocX(FDragPoint.X), DocY(y));
  if (pos != FCaretPos) {
    SetSelection(Sel1, pos);
    FSelectionMade = FDocument->Selection.SelE > FDocument->Selection.SelB;
  }
}

void THtmlView::StopDragScroll() { KillTimer(kSelectScrollTimer); }

TImageFormControlObj* THtmlView::ImageButtonOf(const TLinkHit& hit) {
  return hit.Image && hit.Image->MyFormControl ? hit.Image->MyFormControl : nullptr;
}

void THtmlView::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  (void)shift;
  Guarded([&] {
    if (button != TMouseButton::mbLeft || !FLeftDown) return;
    FLeftDown = false;
    StopDragScroll();
    ReleaseCapture();
    if (!FDocument) return;
    TLinkHit hit;
    UpdateHotSpot(x, y, &hit);
    if (TImageFormControlObj* pressed = std::exchange(FImagePressed, nullptr)) {
      FLinkPressed = false;
      // Released on the button it went down on: a click at that point of
      // the picture. The submission may load another page; nothing of the
      // document is used after it.
      if (ImageButtonOf(hit) == pressed) pressed->ImageClicked(hit.ImageX, hit.ImageY);
      return;
    }
    const bool click = FLinkPressed && !FSelectionMade && !FLinkUrl.empty();
    FLinkPressed = false;
    // A copy: loading another page clears the link under the mouse.
    const std::u16string url = FLinkUrl;
    if (click) FollowLink(url);
  });
}

void THtmlView::DblClick(TMouseButton button, TShiftState shift, int x, int y) {
  MouseDown(button, shift, x, y);
}

void THtmlView::MouseLeave() {
  // The hover timer notices that the mouse has gone; the hint goes at once.
  ResetHint();
}

void THtmlView::CaptureLost() {
  FLeftDown = false;
  FLinkPressed = false;
  FImagePressed = nullptr;
  StopDragScroll();
  EndMiddleScroll();
}

void THtmlView::TimerTick(int id) {
  Guarded([&] {
    if (id == kHoverTimer) {
      const TPoint p = CursorPos();
      if (!CursorOver() || !PaintRect().Contains(p)) EndHover();
      return;
    }
    if (id == kHintTimer) {
      KillTimer(kHintTimer);
      // Still resting on the object (a move elsewhere would have stopped
      // the timer) unless the mouse has left the page meanwhile.
      if (!FHintKey.Text.empty() && !FLeftDown && PaintRect().Contains(CursorPos()))
        ShowHint(FHintMouse, FHintKey.Text);
      return;
    }
    if (id == kSelectScrollTimer) {
      if (!FLeftDown || FImagePressed || !FDocument || Sel1 < 0 || NoSelect) StopDragScroll();
      else DragSelect();
      return;
    }
    if (id == kMiddleScrollTimer && FMiddleScroll && FMiddleMoving) {
      auto step = [](int d) {
        if (std::abs(d) <= kMiddleScrollDeadZone) return 0;
        return (d > 0 ? d - kMiddleScrollDeadZone : d + kMiddleScrollDeadZone) / 2;
      };
      ScrollTo(FVPos + step(FMiddleMouse.Y - FMiddleOrigin.Y),
               FHPos + step(FMiddleMouse.X - FMiddleOrigin.X));
    }
  });
}

// ---------------------------------------------------------------- hot spots

void THtmlView::UpdateHotSpot(int x, int y, TLinkHit* out) {
  const TRect paint = PaintRect();
  if (!FDocument || !paint.Contains(x, y)) {
    SetCursor(TCursorShape::crDefault);
    EndHover();
    ResetHint();
    return;
  }
  TLinkHit local;
  TLinkHit& hit = out ? *out : local;
  const unsigned found = FDocument->GetURL(MeasureSurface(), DocX(x), DocY(y), hit);
  TrackHint(hit, x, y);
  if ((found & guUrl) && !hit.Url.empty()) {
    SetCursor(TCursorShape::crHandPoint);
    const bool changed = hit.Url != FLinkUrl || hit.Target != FHoverTarget;
    FLinkUrl = hit.Url;
    FLinkTarget = hit.TargetName;
    FLinkTitle = hit.Title;
    FLinkText = hit.Target ? hit.Target->Attr : std::u16string();
    if (changed) {
      SetHoverLink(hit.Target);
      if (OnHotSpotCovered) OnHotSpotCovered(FLinkUrl);
    }
    if (!TimerActive(kHoverTimer)) SetTimer(kHoverTimer, kHoverTimerMs);
    return;
  }
  EndHover();
  bool inText = false;
  PositionAt(DocX(x), DocY(y), &inText);
  SetCursor(inText ? TCursorShape::crIBeam : TCursorShape::crDefault);
}

void THtmlView::SetHoverLink(const TUrlTarget* target) {
  if (target == FHoverTarget) return;
  const bool active = FDocument && (FDocument->Links.LinksActive || (htOptions & htOverLinksActive));
  if (active) {
    for (TFontObj* run : FDocument->Links.LinkList) {
      if (FHoverTarget && run->UrlTarget == FHoverTarget) run->SetHover(false);
      if (target && run->UrlTarget == target) run->SetHover(true);
    }
    InvalidateRect(PaintRect());
  }
  FHoverTarget = target;
}

void THtmlView::EndHover() {
  KillTimer(kHoverTimer);
  if (FLinkUrl.empty() && !FHoverTarget) return;
  SetHoverLink(nullptr);
  FLinkUrl.clear();
  FLinkTarget.clear();
  FLinkText.clear();
  FLinkTitle.clear();
  if (OnHotSpotCovered) OnHotSpotCovered(u"");
}

// ---------------------------------------------------------------- hints

void THtmlView::TrackHint(const TLinkHit& hit, int x, int y) {
  // What the hint belongs to: a form control, a picture (with the map area
  // told apart by its link), a link, or a table cell's link.
  THintKey key;
  if (hit.Control) key.Object = hit.Control;
  else if (hit.Image) key.Object = hit.Image;
  else key.Object = hit.Target;
  key.Url = hit.Url;
  key.Text = hit.Title;
  if (key == FHintKey) {
    // Still waiting: the hint will show where the mouse then is.
    if (TimerActive(kHintTimer)) FHintMouse = TPoint{x, y};
    return;
  }
  KillTimer(kHintTimer);
  HideHint();
  FHintKey = std::move(key);
  // No hints while a selection is dragged.
  if (FHintKey.Text.empty() || FLeftDown) return;
  FHintMouse = TPoint{x, y};
  SetTimer(kHintTimer, static_cast<unsigned>(std::max(0, HintPause())));
}

void THtmlView::DropHint() {
  KillTimer(kHintTimer);
  HideHint();
}

void THtmlView::ResetHint() {
  DropHint();
  FHintKey = THintKey{};
}

// ---------------------------------------------------------------- links

void THtmlView::FollowLink(const std::u16string& url) {
  if (OnHotSpotClick) {
    bool handled = false;
    OnHotSpotClick(url, handled);
    if (handled) return;
  }
  const THistoryPlace leaving = CurrentPlace();
  if (!url.empty() && url[0] == u'#') {
    if (PositionTo(url.substr(1))) AddToHistory(leaving);
    return;
  }
  const std::size_t hash = url.find(u'#');
  const std::u16string filePart = url.substr(0, hash);
  const std::u16string anchor = hash == std::u16string::npos ? u"" : url.substr(hash + 1);
  const std::string path = HTMLExpandFilename(filePart, FBase, FCurrentFile);
  std::string ext;
  if (const std::size_t dot = path.rfind('.'); dot != std::string::npos &&
                                               path.find('/', dot) == std::string::npos) {
    ext = UpperCase(path.substr(dot));
  }
  if (ext == ".HTM" || ext == ".HTML") {
    AddVisited(url);
    if (!path.empty() && path == FCurrentFile) {
      if (!anchor.empty() && PositionTo(anchor)) AddToHistory(leaving);
      return;
    }
    LoadLocalFile(path, anchor);
    AddToHistory(leaving);
  } else if (ext == ".BMP" || ext == ".GIF" || ext == ".JPG" || ext == ".JPEG" || ext == ".PNG" ||
             ext == ".SVG") {
    AddVisited(url);
    LoadImageFile(path);
    AddToHistory(leaving);
  }
}

void THtmlView::AddVisited(const std::u16string& url) {
  FVisited.erase(std::remove(FVisited.begin(), FVisited.end(), url), FVisited.end());
  FVisited.insert(FVisited.begin(), url);
  if (static_cast<int>(FVisited.size()) > std::max(0, VisitedMaxCount))
    FVisited.resize(static_cast<std::size_t>(std::max(0, VisitedMaxCount)));
  MarkVisited();
}

void THtmlView::MarkVisited() {
  if (!FDocument) return;
  bool changed = false;
  for (TFontObj* run : FDocument->Links.LinkList) {
    if (!run->UrlTarget || run->FVisited) continue;
    if (std::find(FVisited.begin(), FVisited.end(), run->UrlTarget->Url) != FVisited.end()) {
      run->SetVisited(true);
      changed = true;
    }
  }
  if (changed) InvalidateRect(PaintRect());
}

// ---------------------------------------------------------------- selection

int THtmlView::PositionAt(int docX, int docY, bool* inText) {
  if (inText) *inText = false;
  if (!FDocument) return 0;
  TSurface& surface = MeasureSurface();
  int best = -1;
  long long bestDistance = 0;
  for (TSectionBase* item : FDocument->LayoutPass.PositionList) {
    int xr = 0, yr = 0;
    bool in = false;
    const int pos = item->FindCursor(surface, docX, docY, xr, yr, in);
    if (pos < 0) continue;
    if (in) {
      if (inText) *inText = true;
      return pos;
    }
    // Side by side (table cells): the line nearest to the point.
    const long long distance = std::llabs(static_cast<long long>(docX) - xr);
    if (best < 0 || distance < bestDistance) {
      best = pos;
      bestDistance = distance;
    }
  }
  if (best >= 0) return best;
  // Between lines: the first section below the point, else the end.
  for (TSectionBase* item : FDocument->LayoutPass.PositionList)
    if (docY < item->YDraw) return item->StartCurs;
  return DocumentEnd();
}

int THtmlView::DocumentEnd() const {
  int end = 0;
  if (!FDocument) return 0;
  for (const TSectionBase* item : FDocument->LayoutPass.PositionList)
    end = std::max(end, item->StartCurs + item->Len);
  return end;
}

void THtmlView::SetSelection(int anchor, int caret) {
  FCaretPos = caret;
  const int b = std::min(anchor, caret), e = std::max(anchor, caret);
  if (b == FDocument->Selection.SelB && e == FDocument->Selection.SelE) return;
  FDocument->Selection.SelB = b;
  FDocument->Selection.SelE = e;
  InvalidateRect(PaintRect());
}

void THtmlView::SelectAll() {
  if (!FDocument) return;
  Sel1 = 0;
  SetSelection(0, DocumentEnd());
}

std::u16string THtmlView::SelText() { return FDocument ? FDocument->SelectedText() : std::u16string(); }

int THtmlView::SelStart() const { return FDocument ? FDocument->Selection.SelB : 0; }

int THtmlView::SelLength() const { return FDocument ? FDocument->Selection.SelE - FDocument->Selection.SelB : 0; }

void THtmlView::SetSelStart(int pos) {
  if (!FDocument) return;
  Sel1 = pos;
  SetSelection(pos, pos);
}

void THtmlView::SetSelLength(int length) {
  if (!FDocument) return;
  SetSelection(FDocument->Selection.SelB, FDocument->Selection.SelB + std::max(0, length));
}

void THtmlView::CopyToClipboard() {
  if (!FDocument || FDocument->Selection.SelE <= FDocument->Selection.SelB) return;
  std::u16string text = FDocument->SelectedText();
  if (text.empty()) return;
  THtmlFormatSource source;
  source.Source = FDocumentSource;
  source.FragmentStart = FDocument->SourceIndexOf(FDocument->Selection.SelB, FDocumentSource.size());
  source.FragmentEnd = FDocument->SourceIndexOf(FDocument->Selection.SelE, FDocumentSource.size());
  source.FontName = DefFontName;
  source.FontSize = DefFontSize;
  source.SourceUrl = FCurrentFile.empty() ? u"" : u"file://" + Utf8ToText(FCurrentFile);
  TClipboard& clipboard = Clipboard();
  std::vector<TClipboardItem> items;
  items.push_back(TClipboardItem::TakeUnicodeText(std::move(text)));
  // Past the header's eight digits the entry could not say where its parts
  // are: such a selection goes as text only.
  if (std::optional<std::string> html = BuildHtmlFormat(source)) {
    TClipboardItem item;
    item.Format = clipboard.RegisterFormat(kHtmlFormatName);
    item.Data = std::move(*html);
    items.push_back(std::move(item));
  }
  clipboard.SetData(std::move(items));
}

void THtmlView::ScrollPositionIntoView(int pos) {
  for (TSectionBase* item : FDocument->LayoutPass.PositionList) {
    int x = 0, y = 0;
    if (!item->CursorToXY(MeasureSurface(), pos, x, y)) continue;
    int v = FVPos, h = FHPos;
    if (y < FVPos || y + kVSmallChange > FVPos + FPaintHeight) v = y - FPaintHeight / 2;
    if (x < FHPos || x > FHPos + FPaintWidth) h = x - FPaintWidth / 2;
    ScrollTo(v, h);
    return;
  }
}

bool THtmlView::FindEx(const std::u16string& text, bool matchCase, bool reverse) {
  if (!FDocument || text.empty()) return false;
  // The document's characters with their positions, in document order.
  std::u16string chars;
  std::vector<int> positions;
  for (const TSectionBase* item : FDocument->LayoutPass.PositionList) {
    for (int p = item->StartCurs; p < item->StartCurs + item->Len; ++p) {
      char16_t ch = 0;
      if (!item->GetChAtPos(p, ch)) continue;
      if (ch == u'\u00A0') ch = u' ';
      chars.push_back(ch);
      positions.push_back(p);
    }
  }
  auto fold = [&](char16_t c) -> char16_t {
    if (matchCase) return c;
    return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c;
  };
  std::u16string hay(chars.size(), u'\0'), needle(text.size(), u'\0');
  std::transform(chars.begin(), chars.end(), hay.begin(), fold);
  std::transform(text.begin(), text.end(), needle.begin(), fold);
  // The search starts after the selection's start (before it, reversed).
  const auto firstIndexAtOrAfter = [&](int pos) {
    return static_cast<std::size_t>(std::lower_bound(positions.begin(), positions.end(), pos) -
                                    positions.begin());
  };
  std::size_t found = std::u16string::npos;
  if (!reverse) {
    const std::size_t from =
        FDocument->Selection.SelE > FDocument->Selection.SelB ? firstIndexAtOrAfter(FDocument->Selection.SelB + 1) : firstIndexAtOrAfter(FDocument->Selection.SelB);
    found = hay.find(needle, from);
  } else {
    const std::size_t before = firstIndexAtOrAfter(FDocument->Selection.SelB);
    if (before > 0) found = hay.rfind(needle, before - 1);
  }
  if (found == std::u16string::npos) return false;
  const int start = positions[found];
  const int end = positions[found + needle.size() - 1] + 1;
  Sel1 = start;
  SetSelection(start, end);
  ScrollPositionIntoView(start);
  return true;
}

}  // namespace tav
