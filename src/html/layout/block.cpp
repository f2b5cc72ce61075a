#include "html/layout/block.h"

#include <algorithm>
#include <climits>

#include "html/base/sat_math.h"
#include "html/css/units.h"
#include "html/layout/block_geometry.h"
#include "html/layout/document.h"
#include "html/layout/images/background_picture.h"
#include "html/layout/images/image_obj.h"
#include "html/layout/list_markers.h"
#include "html/layout/text/section.h"
#include "html/paint/border_painter.h"

namespace tav {

namespace {

using P = PropIndices;
constexpr std::size_t Idx(P p) { return static_cast<std::size_t>(p); }

int Value(const TMarginArray& m, P p) { return m[Idx(p)]; }


int RawInt(const TProperties& props, P p) {
  const TPropValue& v = props.Get(p);
  return IsInt(v) ? std::get<int>(v) : IntNull;
}

}  // namespace

TBlock::TBlock(TSectionList& document, TCellBasic& owner, const TProperties& props,
               const TAttributeList* attrs)
    : TSectionBase(document), OwnerCell(&owner), Props(std::make_unique<TProperties>(props)) {
  MyCell = std::make_unique<TBlockCell>(document, nullptr);
  MyCell->OwnerBlock = this;
  MyCell->OwnersTag = props.PropTag;
  TagClass = props.PropTag + u"." + props.PropClass;
  BlockTitle = props.PropTitle;
  FDisplay = props.GetDisplay();
  Positioning = props.GetPosition();
  AlignmentType floatSide;
  if (Positioning != PositionType::posAbsolute && props.GetFloat(floatSide) &&
      (floatSide == AlignmentType::ALeft || floatSide == AlignmentType::ARight))
    FloatLR = floatSide;
  ClearAttr = props.GetClear();
  Visibility = props.GetVisibility();
  HideOverflow = props.IsOverflowHidden();
  BorderStyle = props.GetBorderStyle();
  BGColor = props.GetBackgroundColor();
  const TPropValue& color = props.Get(P::Color);
  if (IsInt(color)) FGColor = static_cast<TColor>(std::get<int>(color));
  EmSize = props.EmSize;
  ExSize = props.ExSize;
  std::u16string align = AsText(props.Get(P::TextAlign));
  Justify = align == u"center" ? AlignmentType::ACenter
            : align == u"right" ? AlignmentType::ARight
                                : AlignmentType::ALeft;
  if (Positioning != PositionType::posStatic || Floating()) {
    // z-index is kept times ten so that floats (1) sit between the flow and
    // the first explicit level; saturated against hostile values.
    const TPropValue& z = props.Get(P::ZIndex);
    int zi = 0;
    double n = 0;
    if (IsInt(z)) zi = std::get<int>(z);
    else if (IsText(z) && ReadLeadingNumber(Trim(AsText(z)), n) > 0) zi = SatRound(n);
    ZIndex = SatMul(zi, 10);
    if (ZIndex == 0) ZIndex = 1;
  }
  if (Positioning == PositionType::posAbsolute) {
    FOwnIMgr = std::make_unique<IndentManager>();
  }
  (void)attrs;
  const std::u16string picture = ImageUrlOf(AsText(props.Get(P::BackgroundImage)));
  if (!picture.empty()) {
    BGImage = TImageObj::SimpleCreate(document, picture);
    PRec = BackgroundPRecOf(props);
  }
  if (!props.PropID.empty()) document.AddName(UpperCase(props.PropID), TIDObject{this, -1});
  int autoCount = 0;
  Props->ConvMargArray(0, 0, MargArray, autoCount);
  TopAuto = RawInt(props, P::MarginTop) == AutoParagraph;
  BottomAuto = RawInt(props, P::MarginBottom) == AutoParagraph;
  MarginTop = BoxPx(MargArray, P::MarginTop);
  MarginBottom = BoxPx(MargArray, P::MarginBottom);
  CollapseMargins();
}

TBlock::~TBlock() = default;

void TBlock::CollapseMargins() {
  if (Positioning == PositionType::posAbsolute) {
    if (TopAuto) MarginTop = 0;
    return;
  }
  if (Floating()) return;
  TSectionBase* prev = nullptr;
  for (auto it = OwnerCell->Items.rbegin(); it != OwnerCell->Items.rend(); ++it) {
    auto* b = dynamic_cast<TBlock*>(it->get());
    if (b && b->Positioning == PositionType::posAbsolute) continue;
    prev = it->get();
    break;
  }
  if (auto* b = dynamic_cast<TBlock*>(prev)) {
    MarginTop = CollapsedMargin(b->MarginBottom, MarginTop);
    b->MarginBottom = 0;
    b->BottomAuto = false;
  } else if (prev) {
    // A list right after an item's text sits close under it.
    if (OwnerCell->OwnersTag == u"li" && TopAuto &&
        (Props->PropTag == u"ul" || Props->PropTag == u"ol"))
      MarginTop = 0;
  } else if (TopAuto) {
    MarginTop = 0;
  } else if (OwnerCell->OwnersTag == u"default" || OwnerCell->OwnersTag == u"body") {
    auto* cell = dynamic_cast<TBlockCell*>(OwnerCell);
    int ownerTop = cell && cell->OwnerBlock ? cell->OwnerBlock->MarginTop : 0;
    MarginTop = std::max(0, MarginTop - ownerTop);
  }
}

void TBlock::MinMaxWidth(TSurface& surface, int& min, int& max) {
  if (DisplayNone() || Positioning == PositionType::posAbsolute) {
    min = max = 0;
    return;
  }
  if (FMinMaxCycle == ParentSectionList.LayoutPass.CycleNumber) {
    min = FMin;
    max = FMax;
    return;
  }
  TMarginArray m;
  int autoCount = 0;
  Props->ConvMargArray(0, 0, m, autoCount);
  auto isPercent = [&](P p) { return IsPercentValue(Props->Get(p)); };
  int width = isPercent(P::Width) ? 0 : BoxPx(m, P::Width);
  // A limit in pixels caps the given width and the widest the block wants.
  const int maxWidth = isPercent(P::MaxWidth) ? Auto : Value(m, P::MaxWidth);
  const bool limited = maxWidth != Auto && maxWidth >= 0;
  if (limited && width > maxWidth) width = maxWidth;
  int cmin = 0, cmax = 0;
  if (HideOverflow && width > 20) {
    cmin = cmax = width;
  } else {
    MyCell->MinMaxWidth(surface, cmin, cmax);
  }
  auto px = [&](P p) { return isPercent(p) ? 0 : BoxPx(m, p); };
  int sides = SatSum({px(P::MarginLeft), px(P::BorderLeftWidth), px(P::PaddingLeft),
                      px(P::PaddingRight), px(P::BorderRightWidth), px(P::MarginRight)});
  if (limited) cmax = std::min(cmax, maxWidth);
  min = SatAdd(sides, std::max(width, cmin));
  max = width > 0 ? min : SatAdd(sides, std::max({width, cmax, cmin}));
  FMin = min;
  FMax = max;
  FMinMaxCycle = ParentSectionList.LayoutPass.CycleNumber;
}

int TBlock::FindWidth(TSurface& surface, int availableWidth, int autoCount) {
  (void)autoCount;
  int cmin = 0, cmax = 0;
  MyCell->MinMaxWidth(surface, cmin, cmax);
  TWidthInput in;
  in.Available = availableWidth;
  in.Horizontal =
      SatSum({BoxPx(MargArray, P::BorderLeftWidth), BoxPx(MargArray, P::PaddingLeft),
              BoxPx(MargArray, P::PaddingRight), BoxPx(MargArray, P::BorderRightWidth)});
  in.MarginLeft = Value(MargArray, P::MarginLeft);
  in.MarginRight = Value(MargArray, P::MarginRight);
  in.Width = Value(MargArray, P::Width);
  in.MaxWidth = Value(MargArray, P::MaxWidth);
  in.ContentMin = cmin;
  in.ContentMax = cmax;
  in.LeftPos = BoxPx(MargArray, P::LeftPos);
  in.Floating = Floating();
  in.Absolute = Positioning == PositionType::posAbsolute;
  in.Positioned = Positioning != PositionType::posStatic;
  in.OverflowHidden = HideOverflow;
  in.CenterText = Justify == AlignmentType::ACenter;
  in.RightText = Justify == AlignmentType::ARight;
  TWidthResult r = FindBlockWidth(in);
  MargArray[Idx(P::MarginLeft)] = r.MarginLeft;
  MargArray[Idx(P::MarginRight)] = r.MarginRight;
  MargArray[Idx(P::Width)] = r.Width;
  return r.Width;
}

void TBlock::FindClearance(IndentManager& imgr, int y) {
  ClearAddon = 0;
  if (ClearAttr == ClearAttrType::clrNone) return;
  int cl = 0, cr = 0;
  imgr.GetClearY(cl, cr);
  int target = ClearAttr == ClearAttrType::clLeft    ? cl
               : ClearAttr == ClearAttrType::clRight ? cr
                                                     : std::max(cl, cr);
  ClearAddon = std::max(0, target - y - 1);
}

TPoint TBlock::ResolveBox(TSurface& surface, int x, int y, int xRef, int yRef, int availableWidth,
                          int availableHeight) {
  int autoCount = 0;
  Props->ConvMargArray(availableWidth, availableHeight, MargArray, autoCount);
  MargArray[Idx(P::MarginTop)] = MarginTop;
  MargArray[Idx(P::MarginBottom)] = MarginBottom;
  auto m = [&](P p) { return BoxPx(MargArray, p); };
  TopP = LeftP = 0;
  TPoint origin{x, y};
  if (Positioning == PositionType::posRelative) {
    TopP = m(P::TopPos);
    LeftP = m(P::LeftPos);
  } else if (Positioning == PositionType::posAbsolute) {
    origin = TPoint{xRef, yRef};
    TopP = m(P::TopPos);
    LeftP = m(P::LeftPos);
  }
  int hz = SatSum(
      {m(P::BorderLeftWidth), m(P::PaddingLeft), m(P::PaddingRight), m(P::BorderRightWidth)});
  NewWidth = FindWidth(surface, availableWidth, autoCount);
  // Only "right" given: the left position follows from it.
  if (Positioning == PositionType::posAbsolute && Value(MargArray, P::LeftPos) == Auto &&
      Value(MargArray, P::RightPos) != Auto)
    LeftP =
        SatAdd(availableWidth, -SatAdd(SatAdd(m(P::RightPos), NewWidth),
                                       SatAdd(hz, SatSum({m(P::MarginLeft), m(P::MarginRight)}))));
  return origin;
}

void TBlock::PlaceHorizontally(IndentManager& imgr, int x, int originX, int& top,
                               int availableWidth) {
  auto m = [&](P p) { return BoxPx(MargArray, p); };
  int hz = SatSum(
      {m(P::BorderLeftWidth), m(P::PaddingLeft), m(P::PaddingRight), m(P::BorderRightWidth)});
  int left = SatSum({m(P::MarginLeft), m(P::BorderLeftWidth), m(P::PaddingLeft)});
  if (FloatLR == AlignmentType::ALeft) {
    // Where the whole box fits beside earlier floats, moved down if need be.
    int fy = top;
    int full = SatAdd(SatAdd(NewWidth, hz), SatSum({m(P::MarginLeft), m(P::MarginRight)}));
    int lx = imgr.GetNextLeftXY(fy, full, SatAdd(x, availableWidth));
    top = fy;
    X = SatAdd(lx, left);
  } else if (FloatLR == AlignmentType::ARight) {
    int right = std::min(SatAdd(x, availableWidth), imgr.RightSide(top));
    X = SatAdd(right, -SatAdd(SatAdd(m(P::MarginRight), m(P::BorderRightWidth)),
                              SatAdd(m(P::PaddingRight), NewWidth)));
  } else {
    X = SatAdd(SatAdd(originX, LeftP), left);
  }
}

int TBlock::LayOutContent(TSurface& surface, IndentManager& imgr, int availableHeight,
                          int blockHeight, int& curs, TFirstLine& firstLine) {
  IndentManager& cellIMgr = FOwnIMgr ? *FOwnIMgr : imgr;
  if (FOwnIMgr) {
    FOwnIMgr->Clear();
    FOwnIMgr->Reset(X, SatAdd(X, NewWidth));
  }
  MyCell->IMgr = &cellIMgr;
  // The content's edges narrow the lines while the content is laid out.
  const void* savedID = cellIMgr.CurrentID;
  cellIMgr.CurrentID = this;
  int li = cellIMgr.SetLeftIndent(X, ContentTop);
  int ri = cellIMgr.SetRightIndent(SatAdd(X, NewWidth), ContentTop);
  int height = Value(MargArray, P::Height);
  int childHeight = height != Auto && height > 0 ? height : availableHeight;
  int sw = 0;
  MyCell->DoLogic(surface, X, ContentTop, NewWidth, childHeight, blockHeight, sw, curs, firstLine);
  cellIMgr.FreeLeftIndentRec(li);
  cellIMgr.FreeRightIndentRec(ri);
  cellIMgr.CurrentID = savedID;
  return sw;
}

void TBlock::FindBottoms() {
  auto m = [&](P p) { return BoxPx(MargArray, p); };
  int height = Value(MargArray, P::Height);
  ClientContentBot = std::max(ContentTop, MyCell->tcContentBot);
  if (height != Auto && height > 0 && (!HideOverflow || height > 3))
    ClientContentBot = std::max(ClientContentBot, SatAdd(ContentTop, height));
  if (FOwnIMgr) ClientContentBot = std::max(ClientContentBot, FOwnIMgr->ImageBottom());
  int below = SatSum({m(P::PaddingBottom), m(P::BorderBottomWidth)});
  ContentBot = SatAdd(ClientContentBot, SatAdd(below, MarginBottom));
  DrawBot = SatAdd(std::max(MyCell->tcDrawBot, ClientContentBot), below);
}

void TBlock::RegisterFloat(IndentManager& imgr, int left) {
  auto m = [&](P p) { return BoxPx(MargArray, p); };
  int boxLeft = SatAdd(X, -left);
  int boxRight =
      SatAdd(SatAdd(X, NewWidth),
             SatAdd(SatSum({m(P::PaddingRight), m(P::BorderRightWidth)}), m(P::MarginRight)));
  int floatHeight = SatAdd(ContentBot, -DrawTop);
  if (FloatLR == AlignmentType::ALeft) imgr.UpdateBlock(DrawTop, boxRight, floatHeight, FloatLR);
  else imgr.UpdateBlock(DrawTop, boxLeft, floatHeight, FloatLR);
}

int TBlock::DrawLogic(TSurface& surface, int x, int y, int xRef, int yRef, int availableWidth,
                      int availableHeight, int blockHeight, IndentManager& imgr, int& maxWidth,
                      int& curs, TFirstLine& firstLine) {
  StartCurs = curs;
  YDraw = y;
  FLayoutX = x;
  if (DisplayNone()) {
    DrawTop = ContentTop = ContentBot = DrawBot = ClientContentBot = y;
    SectionHeight = DrawHeight = 0;
    return 0;
  }
  FindClearance(imgr, y);
  const TPoint origin = ResolveBox(surface, x, y, xRef, yRef, availableWidth, availableHeight);
  auto m = [&](P p) { return BoxPx(MargArray, p); };
  int left = SatSum({m(P::MarginLeft), m(P::BorderLeftWidth), m(P::PaddingLeft)});
  int top = SatAdd(origin.Y, ClearAddon);
  PlaceHorizontally(imgr, x, origin.X, top, availableWidth);
  top = SatAdd(top, TopP);
  Indent = left;
  ContentLeft = X;
  DrawTop = SatAdd(top, std::min(0, MarginTop));
  ContentTop = SatAdd(top, SatAdd(MarginTop, SatSum({m(P::BorderTopWidth), m(P::PaddingTop)})));

  const int sw = LayOutContent(surface, imgr, availableHeight, blockHeight, curs, firstLine);
  FetchBackgroundPicture(surface, BGImage);
  FindBottoms();
  // The widest extent, relative to the x the block was given.
  int right =
      SatAdd(SatAdd(X, std::max(NewWidth, sw)),
             SatAdd(SatSum({m(P::PaddingRight), m(P::BorderRightWidth)}), m(P::MarginRight)));
  maxWidth = std::max(maxWidth, SatAdd(right, -x));

  SectionHeight = SatAdd(ContentBot, -y);
  DrawHeight = SatAdd(DrawBot, -y);
  // Floating and absolutely positioned blocks take no room in the flow.
  if (Floating()) {
    RegisterFloat(imgr, left);
    SectionHeight = 0;
    return 0;
  }
  if (Positioning == PositionType::posAbsolute) {
    SectionHeight = 0;
    return 0;
  }
  DrawHeight = std::max(DrawHeight, SatAdd(imgr.ImageBottom(), -y));
  return SectionHeight;
}

void TBlock::BuildDrawList() {
  DrawList.clear();
  std::vector<std::pair<int, TSectionBase*>> positive;
  std::vector<TSectionBase*> flow;
  for (auto& item : MyCell->Items) {
    auto* b = dynamic_cast<TBlock*>(item.get());
    int z = b ? b->ZIndex : 0;
    if (z < 0) DrawList.push_back(item.get());
    else if (z == 0) flow.push_back(item.get());
    else positive.emplace_back(z, item.get());
  }
  FFlowBegin = DrawList.size();
  DrawList.insert(DrawList.end(), flow.begin(), flow.end());
  FFlowEnd = DrawList.size();
  FFlowCycle = -1;
  std::stable_sort(positive.begin(), positive.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  for (auto& p : positive) DrawList.push_back(p.second);
  FDrawListBuilt = true;
}

void TBlock::DrawBlockBackground(TSurface& surface, const TRect& borderBox) {
  if (BGColor != clNone) surface.FillRect(borderBox, ColorToRGB(BGColor));
  if (TBitmap* picture = ShownPicture(BGImage))
    DrawBackgroundPicture(surface, *picture, borderBox, borderBox, PRec);
}

int TBlock::Draw1(TSurface& surface, const TRect& clip, IndentManager& imgr, int x, int xRef,
                  int yRef) {
  (void)imgr, (void)xRef, (void)yRef;
  if (DisplayNone()) return 0;
  int dx = SatAdd(x, -FLayoutX);
  int yOff = ParentSectionList.PaintPass.YOff;
  if (Visibility != VisibilityType::viHidden) {
    auto m = [&](P p) { return BoxPx(MargArray, p); };
    int boxTop = SatAdd(ContentTop, -SatSum({m(P::BorderTopWidth), m(P::PaddingTop)}));
    int boxBot = SatAdd(ClientContentBot, SatSum({m(P::PaddingBottom), m(P::BorderBottomWidth)}));
    int boxLeft = SatAdd(X, -SatSum({m(P::BorderLeftWidth), m(P::PaddingLeft)}));
    int boxRight =
        SatAdd(SatAdd(X, NewWidth), SatSum({m(P::PaddingRight), m(P::BorderRightWidth)}));
    TRect box{SatAdd(boxLeft, dx), SatAdd(boxTop, -yOff), SatAdd(boxRight, dx),
              SatAdd(boxBot, -yOff)};
    if (box.Bottom >= clip.Top && box.Top <= clip.Bottom) {
      DrawBlockBackground(surface, box);
      TBorderSides sides;
      bool any = false;
      for (int k = 0; k < 4; ++k) {
        sides.Width[static_cast<std::size_t>(k)] = m(static_cast<P>(Idx(P::BorderTopWidth) + k));
        int c = Value(MargArray, static_cast<P>(Idx(P::BorderTopColor) + k));
        sides.Color[static_cast<std::size_t>(k)] =
            static_cast<TColor>(c) == clNone ? FGColor : static_cast<TColor>(c);
        sides.Style[static_cast<std::size_t>(k)] =
            BorderStyleOf(AsText(Props->Get(static_cast<P>(Idx(P::BorderTopStyle) + k))));
        any = any || sides.Width[static_cast<std::size_t>(k)] > 0;
      }
      if (any) DrawBorder(surface, box, sides);
    }
  }
  DrawContent(surface, clip, dx);
  return SatAdd(DrawBot, -yOff);
}

namespace {
int ItemTop(const TSectionBase& item) { return std::min(item.DrawTop, item.YDraw); }
int ItemBot(const TSectionBase& item) { return std::max(item.DrawBot, item.ContentBot); }
}  // namespace

void TBlock::IndexFlow() {
  const std::size_t n = FFlowEnd - FFlowBegin;
  FFlowMaxBot.resize(n);
  FFlowMinTop.resize(n);
  int bot = INT_MIN;
  for (std::size_t i = 0; i < n; ++i) {
    bot = std::max(bot, ItemBot(*DrawList[FFlowBegin + i]));
    FFlowMaxBot[i] = bot;
  }
  int top = INT_MAX;
  for (std::size_t i = n; i > 0; --i) {
    top = std::min(top, ItemTop(*DrawList[FFlowBegin + i - 1]));
    FFlowMinTop[i - 1] = top;
  }
  FFlowCycle = ParentSectionList.LayoutPass.CycleNumber;
}

void TBlock::DrawRange(TSurface& surface, const TRect& clip, int dx, std::size_t from,
                       std::size_t to) {
  IndentManager& imgr = *MyCell->IMgr;
  const long long yOff = ParentSectionList.PaintPass.YOff;
  for (std::size_t i = from; i < to; ++i) {
    TSectionBase* item = DrawList[i];
    if (Visibility == VisibilityType::viHidden && !dynamic_cast<TBlock*>(item)) continue;
    if (ItemBot(*item) - yOff < clip.Top - 40LL || ItemTop(*item) - yOff > clip.Bottom + 40LL)
      continue;
    item->Draw1(surface, clip, imgr, SatAdd(X, dx), 0, 0);
  }
}

void TBlock::DrawContent(TSurface& surface, const TRect& clip, int dx) {
  if (!FDrawListBuilt) BuildDrawList();
  if (FFlowCycle != ParentSectionList.LayoutPass.CycleNumber) IndexFlow();
  const long long yOff = ParentSectionList.PaintPass.YOff;
  DrawRange(surface, clip, dx, 0, FFlowBegin);
  // The flow: from the first child whose bottom (or an earlier one's)
  // reaches the clip, up to where every later child starts below it.
  const long long top = clip.Top - 40LL + yOff, bottom = clip.Bottom + 40LL + yOff;
  auto first = std::lower_bound(FFlowMaxBot.begin(), FFlowMaxBot.end(), top,
                                [](int b, long long v) { return b < v; });
  std::size_t from = static_cast<std::size_t>(first - FFlowMaxBot.begin());
  std::size_t to = from;
  while (to < FFlowMinTop.size() && FFlowMinTop[to] <= bottom) ++to;
  DrawRange(surface, clip, dx, FFlowBegin + from, FFlowBegin + to);
  DrawRange(surface, clip, dx, FFlowEnd, DrawList.size());
}

void TBlock::MoveY(int dy) {
  if (dy == 0) return;
  TSectionBase::MoveY(dy);
  ClientContentBot = ShiftY(ClientContentBot, dy);
  MyCell->MoveY(dy);
  // The flow's running bottoms are found again at the next paint.
  FFlowCycle = -1;
}

int TBlock::FindDocPos(int sourcePos, bool prev) const {
  for (auto& item : MyCell->Items) {
    int r = item->FindDocPos(sourcePos, prev);
    if (r >= 0) return r;
  }
  return -1;
}

// ------------------------------------------------------------ list items

TBlockLI::TBlockLI(TSectionList& document, TCellBasic& owner, const TProperties& props,
                   const TAttributeList* attrs, ListTypeType listType,
                   std::optional<ListBulletType> marker, int number, int level)
    : TBlock(document, owner, props, attrs), ListType(listType), ListNumb(number) {
  switch (listType) {
    case ListTypeType::Ordered:
      ListStyleType = marker.value_or(ListBulletType::lbDecimal);
      break;
    case ListTypeType::Unordered:
      if (marker) ListStyleType = *marker;
      else ListStyleType = level % 3 == 1   ? ListBulletType::lbDisc
                           : level % 3 == 2 ? ListBulletType::lbCircle
                                            : ListBulletType::lbSquare;
      break;
    case ListTypeType::liAlone:
      ListStyleType = marker.value_or(ListBulletType::lbDisc);
      if (BoxPx(MargArray, PropIndices::MarginLeft) == 0 &&
          RawInt(props, PropIndices::MarginLeft) == IntNull) {
        Props->Set(PropIndices::MarginLeft, 16);
      }
      break;
    default:
      ListStyleType = ListBulletType::lbBlank;
      break;
  }
  ListBulletType fromStyle = props.GetListStyleType();
  if (fromStyle != ListBulletType::lbBlank) ListStyleType = fromStyle;
  const std::u16string picture = ImageUrlOf(AsText(props.Get(P::ListStyleImage)));
  if (!picture.empty()) Image = TImageObj::SimpleCreate(document, picture);
}

TBlockLI::~TBlockLI() = default;

int TBlockLI::DrawLogic(TSurface& surface, int x, int y, int xRef, int yRef, int availableWidth,
                        int availableHeight, int blockHeight, IndentManager& imgr, int& maxWidth,
                        int& curs, TFirstLine& firstLine) {
  // The item's own request replaces the enclosing one while its content is
  // laid out: lines inside it answer this item, not an enclosing item.
  (void)firstLine;
  FirstLineHt = 0;
  TFirstLine ownFirstLine{&FirstLineHt};
  int h = TBlock::DrawLogic(surface, x, y, xRef, yRef, availableWidth, availableHeight, blockHeight,
                            imgr, maxWidth, curs, ownFirstLine);
  if (!DisplayNone()) FetchBackgroundPicture(surface, Image);
  return h;
}

void TBlockLI::DrawContent(TSurface& surface, const TRect& clip, int dx) {
  TBlock::DrawContent(surface, clip, dx);
  if (ListType == ListTypeType::None || ListType == ListTypeType::Definition) return;
  int baseline = SatAdd(FirstLineHt, -ParentSectionList.PaintPass.YOff);
  if (baseline < clip.Top - 50 || baseline > clip.Bottom + 50) return;
  if (TBitmap* picture = ShownPicture(Image)) {
    // Its left edge 16 pixels before the content, its bottom on the
    // baseline.
    surface.BitBlt(SatAdd(SatAdd(X, dx), -16), SatAdd(baseline, -picture->Height()),
                   picture->Width(), picture->Height(), *picture, 0, 0);
    return;
  }
  // The marker's font is only wanted when one is drawn.
  const TMyFont font = Props->GetFont();
  DrawListMarker(surface, ListStyleType, ListNumb, font, font.Color, SatAdd(X, dx), baseline);
}

// ------------------------------------------------------------ body

TBodyBlock::TBodyBlock(TSectionList& document, TCellBasic& owner, const TProperties& props,
                       const TAttributeList* attrs)
    : TBlock(document, owner, props, attrs) {
  BGImage.reset();
}

// ------------------------------------------------------------ rules

THorzLine::THorzLine(TSectionList& document, const TProperties& props, const TAttributeList* attrs)
    : TSectionBase(document) {
  const TPropValue& c = props.Get(P::Color);
  if (IsInt(c)) Color = static_cast<TColor>(std::get<int>(c));
  // A colour given to the rule itself (COLOR or a style) paints it solid.
  Coloured = props.Original(P::Color) && IsInt(c);
  if (!attrs) return;
  for (const TAttribute& a : *attrs) {
    switch (a.Which) {
      case SizeSy:
        VSize = std::clamp(a.Value, 1, 20);
        break;
      case WidthSy:
        if (auto w = ReadSizeAttribute(a, ClampedTo(0, 100), AtLeast(1), TPercentMark::AtEnd)) {
          if (w->Percent) {
            HWidth = -1;
            HPercent = w->Value;
          } else {
            HWidth = w->Value;
          }
        }
        break;
      case AlignSy: {
        const std::u16string v = LowerCase(Trim(a.Name));
        if (v == u"left") Align = AlignmentType::ALeft;
        else if (v == u"right") Align = AlignmentType::ARight;
        break;
      }
      case NoShadeSy:
        NoShade = true;
        break;
      case ColorSy:
        break;
      default:
        break;
    }
  }
  std::u16string align = AsText(props.Get(P::TextAlign));
  if (props.Original(P::TextAlign)) {
    if (align == u"left") Align = AlignmentType::ALeft;
    else if (align == u"right") Align = AlignmentType::ARight;
    else if (align == u"center") Align = AlignmentType::ACenter;
  }
}

void THorzLine::MinMaxWidth(TSurface&, int& min, int& max) {
  min = HWidth > 0 ? HWidth : 0;
  max = min;
}

int THorzLine::DrawLogic(TSurface&, int x, int y, int, int, int availableWidth, int, int,
                         IndentManager& imgr, int& maxWidth, int& curs, TFirstLine&) {
  StartCurs = curs;
  YDraw = DrawTop = ContentTop = y;
  int left = std::max(x, imgr.LeftIndent(y));
  int right = std::min(SatAdd(x, availableWidth), imgr.RightSide(y));
  int room = std::max(0, right - left);
  Width = HWidth > 0 ? HWidth : SatMulDiv(room, HPercent, 100);
  int start = left;
  if (Align == AlignmentType::ACenter) start = left + std::max(0, (room - Width) / 2);
  else if (Align == AlignmentType::ARight) start = left + std::max(0, room - Width);
  XLeft = start - x;
  maxWidth = std::max(maxWidth, SatAdd(XLeft, Width));
  SectionHeight = DrawHeight = VSize;
  ContentBot = DrawBot = SatAdd(y, VSize);
  return VSize;
}

int THorzLine::Draw1(TSurface& surface, const TRect& clip, IndentManager&, int x, int, int) {
  int top = SatAdd(YDraw, -ParentSectionList.PaintPass.YOff);
  if (top > clip.Bottom || SatAdd(top, VSize) < clip.Top) return 0;
  TRect r{SatAdd(x, XLeft), top, SatAdd(SatAdd(x, XLeft), Width), SatAdd(top, VSize)};
  if (NoShade || Coloured) {
    TColor c = Color == clNone ? clGray : Color;
    surface.FillRect(r, ColorToRGB(c));
  } else {
    // Sunken: shadow along the top and left, highlight along the bottom
    // and right.
    TColor dark = ColorToRGB(clBtnShadow), light = ColorToRGB(clBtnHighlight);
    surface.FillRect(TRect{r.Left, r.Top, r.Right, SatAdd(r.Top, 1)}, dark);
    surface.FillRect(TRect{r.Left, r.Top, SatAdd(r.Left, 1), r.Bottom}, dark);
    surface.FillRect(TRect{r.Left, SatAdd(r.Bottom, -1), r.Right, r.Bottom}, light);
    surface.FillRect(TRect{SatAdd(r.Right, -1), r.Top, r.Right, r.Bottom}, light);
  }
  return r.Bottom;
}

}  // namespace tav
