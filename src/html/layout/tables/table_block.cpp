#include "html/layout/tables/table_block.h"

#include <algorithm>
#include <cstdlib>

#include "html/base/sat_math.h"
#include "html/css/units.h"
#include "html/layout/block_geometry.h"
#include "html/layout/document.h"

namespace tav {

using P = PropIndices;

namespace {

constexpr std::size_t Idx(P p) { return static_cast<std::size_t>(p); }

}  // namespace

TTableBlock::TTableBlock(TSectionList& document, TCellBasic& owner, const TProperties& props,
                         const TAttributeList& attrs, std::unique_ptr<ThtmlTable> table)
    : TBlock(document, owner, props, &attrs), Table(table.get()) {
  MyCell->Items.push_back(std::move(table));
  for (const TAttribute& a : attrs) {
    switch (a.Which) {
      case WidthSy:
        if (auto w = ReadSizeAttribute(a, AtLeastCutTo(1, 100), AtLeast(1))) {
          // Percentages are kept in tenths.
          WidthAttr = w->Percent ? w->Value * 10 : w->Value;
          AsPercent = w->Percent;
        }
        break;
      case HeightSy:
        if (auto h = ReadSizeAttribute(a, Refused(), AtLeast(1))) Table->tblHeightAttr = h->Value;
        break;
      case HSpaceSy: HSpace = static_cast<int>(std::min<long long>(std::llabs(a.Value), 40)); break;
      case VSpaceSy: VSpace = static_cast<int>(std::min<long long>(std::llabs(a.Value), 200)); break;
      case AlignSy: {
        std::u16string v = LowerCase(Trim(a.Name));
        if (v == u"center" || v == u"middle") Justify798 = AlignmentType::ACenter;
        break;
      }
      default: break;
    }
  }
  // A style width or height overrides the attributes.
  TMarginArray m{};
  int autoCount = 0;
  Props->ConvMargArray(0, 0, m, autoCount);
  const TPropValue& width = Props->Get(P::Width);
  if (IsPercentValue(width)) {
    double n = 0;
    ReadLeadingNumber(Trim(std::get<std::u16string>(width)), n);
    WidthAttr = std::clamp(SatRound(n), 0, 100) * 10;
    AsPercent = WidthAttr > 0;
  } else if (m[Idx(P::Width)] > 0 && m[Idx(P::Width)] != Auto && m[Idx(P::Width)] != IntNull) {
    WidthAttr = m[Idx(P::Width)];
    AsPercent = false;
  }
  if (m[Idx(P::Height)] > 0 && m[Idx(P::Height)] != Auto && m[Idx(P::Height)] != IntNull &&
      !IsPercentValue(Props->Get(P::Height)))
    Table->tblHeightAttr = m[Idx(P::Height)];
  // The block's own width and height are the table's business.
  Props->Set(P::Width, TPropValue{});
  Props->Set(P::Height, TPropValue{});
  if (Justify798 == AlignmentType::ANone && !Floating() &&
      (Justify == AlignmentType::ACenter || Justify == AlignmentType::ARight))
    Justify798 = Justify;
  Table->Float = Floating();
  Table->BkColor = BGColor;
  // The table's picture reaches the cells that have none of their own.
  Table->BkImageName = ImageUrlOf(AsText(Props->Get(P::BackgroundImage)));
  if (!Table->BkImageName.empty()) Table->PRec = BackgroundPRecOf(*Props);
  // BORDER: an outset frame of that width on every side without a style of
  // its own, in BORDERCOLOR where no colour is given.
  TableBorder = Table->BorderWidth > 0;
  if (TableBorder) {
    for (std::size_t k = 0; k < 4; ++k) {
      P style = static_cast<P>(Idx(P::BorderTopStyle) + k);
      if (BorderStyleOf(AsText(Props->Get(style))) != BorderStyleType::bssNone) continue;
      Props->Set(style, TPropValue{std::u16string(u"outset")});
      Props->Set(static_cast<P>(Idx(P::BorderTopWidth) + k), TPropValue{Table->BorderWidth});
      P color = static_cast<P>(Idx(P::BorderTopColor) + k);
      const TPropValue& c = Props->Get(color);
      if (!IsInt(c) || std::get<int>(c) == IntNull || static_cast<TColor>(std::get<int>(c)) == clNone)
        Props->Set(color, TPropValue{static_cast<int>(Table->BorderColor)});
    }
    Props->Set(P::BorderStyle, TPropValue{std::u16string(u"outset")});
    BorderStyle = BorderStyleType::bssOutset;
  }
  Props->ConvMargArray(0, 0, MargArray, autoCount);
}

void TTableBlock::TakeSurroundingAlign(const std::u16string& textAlign) {
  if (Justify798 != AlignmentType::ANone || Floating()) return;
  if (textAlign == u"center") Justify798 = AlignmentType::ACenter;
  else if (textAlign == u"right") Justify798 = AlignmentType::ARight;
}

int TTableBlock::Sides() const {
  return SatAdd(SatAdd(BoxPx(MargArray, P::BorderLeftWidth), BoxPx(MargArray, P::PaddingLeft)),
                SatAdd(BoxPx(MargArray, P::PaddingRight), BoxPx(MargArray, P::BorderRightWidth)));
}

int TTableBlock::FindWidth(TSurface& surface, int availableWidth, int autoCount) {
  (void)autoCount;
  int ml = BoxPx(MargArray, P::MarginLeft);
  int mr = BoxPx(MargArray, P::MarginRight);
  if (Floating() && ml == 0 && mr == 0 && !HasCaption) {
    ml = mr = HSpace;
    MarginTop = std::max(MarginTop, VSpace);
    MarginBottom = std::max(MarginBottom, VSpace);
  }
  const int hz = Sides();
  const int space = std::max(0, SatAdd(availableWidth, -SatAdd(SatAdd(ml, mr), hz)));
  int min = 0, max = 0;
  int w;
  if (PairBoxWidth >= 0) {
    Table->tblWidthAttr = WidthAttr > 0 ? std::max(0, SatAdd(PairBoxWidth, -hz)) : 0;
    Table->MinMaxWidth(surface, min, max);
    w = std::max(SatAdd(PairBoxWidth, -hz), min);
    if (WidthAttr > 0) Table->tblWidthAttr = w;
  } else if (WidthAttr > 0) {
    w = AsPercent ? SatMulDiv(space, WidthAttr, 1000) : std::max(0, SatAdd(WidthAttr, -hz));
    Table->tblWidthAttr = w;
    Table->MinMaxWidth(surface, min, max);
    w = std::max(w, min);
    Table->tblWidthAttr = w;
  } else {
    Table->tblWidthAttr = 0;
    Table->MinMaxWidth(surface, min, max);
    w = max <= space ? max : std::max(min, space);
  }
  // A table narrower than the room and without side margins is centred or
  // pushed right.
  if (w < space && BoxPx(MargArray, P::MarginLeft) == 0 && BoxPx(MargArray, P::MarginRight) == 0 &&
      !Floating()) {
    if (Justify798 == AlignmentType::ACenter) ml = (space - w) / 2;
    else if (Justify798 == AlignmentType::ARight) ml = space - w;
  }
  MargArray[Idx(P::MarginLeft)] = ml;
  MargArray[Idx(P::MarginRight)] = mr;
  MargArray[Idx(P::Width)] = w;
  return w;
}

int TTableBlock::BoxWidthFor(TSurface& surface, int available) {
  return SatAdd(FindWidth(surface, available, 0), Sides());
}

void TTableBlock::MinMaxWidth(TSurface& surface, int& min, int& max) {
  if (DisplayNone()) {
    min = max = 0;
    return;
  }
  TMarginArray m{};
  int autoCount = 0;
  Props->ConvMargArray(0, 0, m, autoCount);
  const int hz = SatAdd(SatAdd(BoxPx(m, P::BorderLeftWidth), BoxPx(m, P::PaddingLeft)),
                        SatAdd(BoxPx(m, P::PaddingRight), BoxPx(m, P::BorderRightWidth)));
  const int margins = SatAdd(BoxPx(m, P::MarginLeft), BoxPx(m, P::MarginRight));
  Table->tblWidthAttr = WidthAttr > 0 && !AsPercent ? std::max(0, SatAdd(WidthAttr, -hz)) : 0;
  Table->MinMaxWidth(surface, min, max);
  if (WidthAttr > 0 && !AsPercent) min = max = std::max(min, Table->tblWidthAttr);
  min = SatAdd(SatAdd(min, hz), margins);
  max = SatAdd(SatAdd(max, hz), margins);
}

// ---------------------------------------------------------------- caption pair

TTableAndCaptionBlock::TTableAndCaptionBlock(TSectionList& document, TCellBasic& owner,
                                             const TProperties& props,
                                             std::unique_ptr<TTableBlock> table,
                                             std::unique_ptr<TBlock> caption, bool topCaption)
    : TBlock(document, owner, props, nullptr),
      TableBlock(table.get()),
      FCaptionBlock(caption.get()),
      TopCaption(topCaption) {
  TagClass = u"TableAndCaption.";
  Justify780 = TableBlock->Justify798;
  // The table inside is centred in the pair and never floats: the pair
  // floats instead.
  TableBlock->Justify798 = AlignmentType::ACenter;
  TableBlock->FloatLR = AlignmentType::ANone;
  TableBlock->Table->Float = false;
  TableBlock->HasCaption = true;
  Props->Set(P::Width, TPropValue{});
  Props->Set(P::Height, TPropValue{});
  TableBlock->OwnerCell = MyCell.get();
  FCaptionBlock->OwnerCell = MyCell.get();
  if (topCaption) {
    MyCell->Items.push_back(std::move(caption));
    MyCell->Items.push_back(std::move(table));
  } else {
    MyCell->Items.push_back(std::move(table));
    MyCell->Items.push_back(std::move(caption));
  }
}

int TTableAndCaptionBlock::FindWidth(TSurface& surface, int availableWidth, int autoCount) {
  (void)autoCount;
  const int ml = BoxPx(MargArray, P::MarginLeft);
  const int mr = BoxPx(MargArray, P::MarginRight);
  const int space = std::max(0, SatAdd(availableWidth, -SatAdd(ml, mr)));
  int cmin = 0, cmax = 0;
  FCaptionBlock->MinMaxWidth(surface, cmin, cmax);
  TableBlock->PairBoxWidth = -1;
  const int tableBox = TableBlock->BoxWidthFor(surface, space);
  TableBlock->PairBoxWidth = tableBox;
  int w = std::max(cmin, tableBox);
  int left = ml;
  if (w < space && ml == 0 && mr == 0 && !Floating()) {
    if (Justify780 == AlignmentType::ACenter) left = (space - w) / 2;
    else if (Justify780 == AlignmentType::ARight) left = space - w;
  }
  MargArray[Idx(P::MarginLeft)] = left;
  MargArray[Idx(P::Width)] = w;
  return w;
}

void TTableAndCaptionBlock::MinMaxWidth(TSurface& surface, int& min, int& max) {
  if (DisplayNone()) {
    min = max = 0;
    return;
  }
  int cmin = 0, cmax = 0, tmin = 0, tmax = 0;
  FCaptionBlock->MinMaxWidth(surface, cmin, cmax);
  TableBlock->MinMaxWidth(surface, tmin, tmax);
  min = std::max(cmin, tmin);
  max = std::max(cmax, tmax);
}

}  // namespace tav
