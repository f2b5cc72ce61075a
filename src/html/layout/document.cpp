#include "html/layout/document.h"

#include <algorithm>

#include "html/base/paths.h"
#include "html/base/sat_math.h"
#include "html/layout/font_obj.h"
#include "html/layout/images/background_picture.h"
#include "html/layout/images/image_obj.h"
#include "html/layout/text/section.h"
#include "util/code_page.h"

namespace tav {

void TDrawList::DrawImages(TSurface& surface) {
  for (auto& draw : FItems) draw(surface);
  FItems.clear();
}

TSectionList::TSectionList(TGraphicsDevice& device)
    : TCellBasic(*this), Device(device), Styles(device) {
  OwnersTag = u"default";
  Styles.Initialize(Defaults);
}

TSectionList::~TSectionList() {
  BackgroundImage.reset();
  // Items refer to the lists below while they go; the link list is emptied
  // first so that going runs have nothing to unregister.
  LinkList.clear();
  Items.clear();
  FormControlList.clear();
  htmlFormList.clear();
}

void TSectionList::Clear() {
  LinkList.clear();
  Items.clear();
  IDNameList.clear();
  NamedItems.clear();
  UrlTargets.clear();
  InlineList.clear();
  PositionList.clear();
  DrawList.Clear();
  FormControlList.clear();
  TabOrderList.clear();
  WindowPlacements.clear();
  htmlFormList.clear();
  CopyBuffer.clear();
  SelB = SelE = 0;
  YOff = 0;
  SectionCount = 0;
  TableNestLevel = 0;
  FIMgr.Clear();
  MapList.clear();
  ActiveImage = nullptr;
  BackgroundImage.reset();
  BackgroundPRec = TBackgroundPRec{};
  DocWidth = DocHeight = 0;
  Styles.Initialize(Defaults);
}

void TSectionList::SetBackgroundImage(const std::u16string& url, const TBackgroundPRec& prec) {
  BackgroundImage = url.empty() ? nullptr : TImageObj::SimpleCreate(*this, url);
  BackgroundPRec = prec;
}

TBitmap* TSectionList::BackgroundBitmap() const { return ShownPicture(BackgroundImage); }

void TSectionList::DrawBackground(TSurface& surface, const TRect& view, int x) {
  surface.FillRect(view, ColorToRGB(Background));
  TBitmap* picture = BackgroundBitmap();
  if (!picture) return;
  TRect area = view;
  if (!BackgroundPRec.Fixed) {
    // The whole document, scrolled: at least the window's size.
    area.Left = SatAdd(view.Left, x);
    area.Top = SatAdd(view.Top, -YOff);
    area.Right = SatAdd(area.Left, std::max(view.Right - view.Left, DocWidth));
    area.Bottom = SatAdd(area.Top, std::max(view.Bottom - view.Top, DocHeight));
  }
  DrawBackgroundPicture(surface, *picture, area, view, BackgroundPRec);
}

const TImageIcons& TSectionList::Icons() {
  if (!FIcons) FIcons = std::make_unique<TImageIcons>(MakeImageIcons(Device));
  return *FIcons;
}

std::string TSectionList::ExpandImageName(const std::u16string& source) const {
  if (Fetcher.OnBitmapRequest || Fetcher.OnImageRequest) return TextToUtf8(source);
  return HTMLExpandFilename(source, Base, CurrentFile);
}

const TMapItem* TSectionList::FindMap(const std::u16string& name) const {
  for (const auto& map : MapList)
    if (map->MapName == name) return map.get();
  return nullptr;
}

unsigned TSectionList::GetURL(TSurface& surface, int x, int y, TLinkHit& hit) {
  hit = TLinkHit{};
  ActiveImage = nullptr;
  return TCellBasic::GetURL(surface, x, y, hit);
}

void TSectionList::SetFonts(const TStyleDefaults& defaults, TColor background) {
  Defaults = defaults;
  Styles.Initialize(Defaults);
  PreFontName = defaults.PreFontName;
  HotSpotColor = defaults.LinkColor;
  LinkVisitedColor = defaults.VisitedColor;
  LinkActiveColor = defaults.HoverColor;
  Background = background;
}

void TSectionList::AddName(const std::u16string& name, TIDObject target) {
  if (IDNameList.try_emplace(name, target).second && target.Item) NamedItems.insert(target.Item);
}

int TSectionList::DoLogic(TSurface& surface, int width, int availableHeight, int& scrollWidth) {
  ++CycleNumber;
  FIMgr.Clear();
  FIMgr.Reset(0, width);
  PositionList.clear();
  FetchBackgroundPicture(surface, BackgroundImage);
  SizeFormControls(*this, surface);
  scrollWidth = 0;
  int curs = 0;
  TFirstLine noRequest;
  int h = TCellBasic::DoLogic(surface, 0, 0, width, availableHeight, 0, scrollWidth, curs,
                              noRequest);
  AddSectionsToList();
  DocWidth = scrollWidth;
  DocHeight = std::max(h, tcDrawBot);
  return DocHeight;
}

void TSectionList::Draw(TSurface& surface, const TRect& clip, int clipWidth, int x, int y) {
  (void)clipWidth;
  (void)y;
  WindowPlacements.clear();
  TCellBasic::Draw(surface, clip, x, 0, 0);
  DrawList.DrawImages(surface);
  // Native windows move only now, never while the lines paint.
  ApplyWindowPlacements();
}

void TSectionList::ApplyWindowPlacements() {
  if (!ChildControls) {
    WindowPlacements.clear();
    return;
  }
  std::vector<const TWindowObject*> placed;
  placed.reserve(WindowPlacements.size());
  for (auto& [window, at] : WindowPlacements) {
    window->ShowAt(SatAdd(at.X, ControlOrigin.X), SatAdd(at.Y, ControlOrigin.Y));
    placed.push_back(window);
  }
  WindowPlacements.clear();
  if (!HideUnreachedControls) return;
  std::sort(placed.begin(), placed.end());
  auto reached = [&](const TWindowObject* w) {
    return std::binary_search(placed.begin(), placed.end(), w);
  };
  for (TFormControlObj* c : FormControlList)
    if (!reached(c)) c->HideWindow();
  for (TPanelObj* p : PanelList)
    if (!reached(p)) p->HideWindow();
}

std::size_t TSectionList::SourceIndexOf(int pos, std::size_t sourceSize) const {
  for (const TSectionBase* item : PositionList) {
    const int source = item->FindSourcePos(pos);
    if (source >= 0) return std::min(static_cast<std::size_t>(source), sourceSize);
  }
  return sourceSize;
}

std::u16string TSectionList::SelectedText() {
  CopyBuffer.clear();
  if (SelE <= SelB) return {};
  CopyToClipboard();
  std::u16string r;
  r.swap(CopyBuffer);
  return r;
}

}  // namespace tav
