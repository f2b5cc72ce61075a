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
    : TCellBasic(*this), Device(device), Styles(device), Pictures(device) {
  OwnersTag = u"default";
  Styles.Initialize(Defaults);
}

TSectionList::~TSectionList() {
  Looks.BackgroundImage.reset();
  // Items refer to the lists below while they go; the link list is emptied
  // first so that going runs have nothing to unregister.
  Links.LinkList.clear();
  Items.clear();
  Forms.FormControlList.clear();
  Forms.htmlFormList.clear();
}

void TSectionList::Clear() {
  Links.LinkList.clear();
  Items.clear();
  Links.IDNameList.clear();
  Links.NamedItems.clear();
  Links.UrlTargets.clear();
  Looks.InlineList.clear();
  LayoutPass.PositionList.clear();
  PaintPass.DrawList.Clear();
  Forms.FormControlList.clear();
  Forms.TabOrderList.clear();
  Windows.WindowPlacements.clear();
  Forms.htmlFormList.clear();
  Selection.CopyBuffer.clear();
  Selection.SelB = Selection.SelE = 0;
  PaintPass.YOff = 0;
  LayoutPass.SectionCount = 0;
  LayoutPass.TableNestLevel = 0;
  FIMgr.Clear();
  Pictures.MapList.clear();
  Pictures.ActiveImage = nullptr;
  Looks.BackgroundImage.reset();
  Looks.BackgroundPRec = TBackgroundPRec{};
  LayoutPass.DocWidth = LayoutPass.DocHeight = 0;
  Styles.Initialize(Defaults);
}

void TSectionList::SetBackgroundImage(const std::u16string& url, const TBackgroundPRec& prec) {
  Looks.BackgroundImage = url.empty() ? nullptr : TImageObj::SimpleCreate(*this, url);
  Looks.BackgroundPRec = prec;
}

TBitmap* TSectionList::BackgroundBitmap() const { return ShownPicture(Looks.BackgroundImage); }

void TSectionList::DrawBackground(TSurface& surface, const TRect& view, int x) {
  surface.FillRect(view, ColorToRGB(Looks.Background));
  TBitmap* picture = BackgroundBitmap();
  if (!picture) return;
  TRect area = view;
  if (!Looks.BackgroundPRec.Fixed) {
    // The whole document, scrolled: at least the window's size.
    area.Left = SatAdd(view.Left, x);
    area.Top = SatAdd(view.Top, -PaintPass.YOff);
    area.Right = SatAdd(area.Left, std::max(view.Right - view.Left, LayoutPass.DocWidth));
    area.Bottom = SatAdd(area.Top, std::max(view.Bottom - view.Top, LayoutPass.DocHeight));
  }
  DrawBackgroundPicture(surface, *picture, area, view, Looks.BackgroundPRec);
}

const TImageIcons& TSectionList::Icons() {
  if (!FIcons) FIcons = std::make_unique<TImageIcons>(MakeImageIcons(Device));
  return *FIcons;
}

std::string TSectionList::ExpandImageName(const std::u16string& source) const {
  if (Pictures.Fetcher.OnBitmapRequest || Pictures.Fetcher.OnImageRequest) return TextToUtf8(source);
  return HTMLExpandFilename(source, Base, CurrentFile);
}

const TMapItem* TSectionList::FindMap(const std::u16string& name) const {
  for (const auto& map : Pictures.MapList)
    if (map->MapName == name) return map.get();
  return nullptr;
}

unsigned TSectionList::GetURL(TSurface& surface, int x, int y, TLinkHit& hit) {
  hit = TLinkHit{};
  Pictures.ActiveImage = nullptr;
  return TCellBasic::GetURL(surface, x, y, hit);
}

void TSectionList::SetFonts(const TStyleDefaults& defaults, TColor background) {
  Defaults = defaults;
  Styles.Initialize(Defaults);
  Looks.PreFontName = defaults.PreFontName;
  Looks.HotSpotColor = defaults.LinkColor;
  Looks.LinkVisitedColor = defaults.VisitedColor;
  Looks.LinkActiveColor = defaults.HoverColor;
  Looks.Background = background;
}

void TSectionList::AddName(const std::u16string& name, TIDObject target) {
  if (Links.IDNameList.try_emplace(name, target).second && target.Item) Links.NamedItems.insert(target.Item);
}

int TSectionList::DoLogic(TSurface& surface, int width, int availableHeight, int& scrollWidth) {
  ++LayoutPass.CycleNumber;
  FIMgr.Clear();
  FIMgr.Reset(0, width);
  LayoutPass.PositionList.clear();
  FetchBackgroundPicture(surface, Looks.BackgroundImage);
  SizeFormControls(*this, surface);
  scrollWidth = 0;
  int curs = 0;
  TFirstLine noRequest;
  int h = TCellBasic::DoLogic(surface, 0, 0, width, availableHeight, 0, scrollWidth, curs,
                              noRequest);
  AddSectionsToList();
  LayoutPass.DocWidth = scrollWidth;
  LayoutPass.DocHeight = std::max(h, tcDrawBot);
  return LayoutPass.DocHeight;
}

void TSectionList::Draw(TSurface& surface, const TRect& clip, int clipWidth, int x, int y) {
  (void)clipWidth;
  (void)y;
  Windows.WindowPlacements.clear();
  TCellBasic::Draw(surface, clip, x, 0, 0);
  PaintPass.DrawList.DrawImages(surface);
  // Native windows move only now, never while the lines paint.
  ApplyWindowPlacements();
}

void TSectionList::ApplyWindowPlacements() {
  if (!Windows.ChildControls) {
    Windows.WindowPlacements.clear();
    return;
  }
  std::vector<const TWindowObject*> placed;
  placed.reserve(Windows.WindowPlacements.size());
  for (auto& [window, at] : Windows.WindowPlacements) {
    window->ShowAt(SatAdd(at.X, Windows.ControlOrigin.X), SatAdd(at.Y, Windows.ControlOrigin.Y));
    placed.push_back(window);
  }
  Windows.WindowPlacements.clear();
  if (!Windows.HideUnreachedControls) return;
  std::sort(placed.begin(), placed.end());
  auto reached = [&](const TWindowObject* w) {
    return std::binary_search(placed.begin(), placed.end(), w);
  };
  for (TFormControlObj* c : Forms.FormControlList)
    if (!reached(c)) c->HideWindow();
  for (TPanelObj* p : Windows.PanelList)
    if (!reached(p)) p->HideWindow();
}

std::size_t TSectionList::SourceIndexOf(int pos, std::size_t sourceSize) const {
  for (const TSectionBase* item : LayoutPass.PositionList) {
    const int source = item->FindSourcePos(pos);
    if (source >= 0) return std::min(static_cast<std::size_t>(source), sourceSize);
  }
  return sourceSize;
}

std::u16string TSectionList::SelectedText() {
  Selection.CopyBuffer.clear();
  if (Selection.SelE <= Selection.SelB) return {};
  CopyToClipboard();
  std::u16string r;
  r.swap(Selection.CopyBuffer);
  return r;
}

}  // namespace tav
