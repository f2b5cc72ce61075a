#include "html/layout/tables/table.h"

#include <algorithm>
#include <climits>

#include "html/base/sat_math.h"
#include "html/css/color.h"
#include "html/css/units.h"
#include "html/layout/document.h"
#include "html/layout/images/background_picture.h"
#include "html/layout/images/image_obj.h"
#include "html/layout/tables/table_rows.h"
#include "platform/colors.h"

namespace tav {

using P = PropIndices;

namespace {

constexpr std::size_t Idx(P p) { return static_cast<std::size_t>(p); }

int Sat(long long v) {
  return v > INT_MAX ? INT_MAX : v < INT_MIN ? INT_MIN : static_cast<int>(v);
}

int PercentOf(const TPropValue& v) {
  double n = 0;
  ReadLeadingNumber(Trim(std::get<std::u16string>(v)), n);
  return SatRound(n);
}

bool ReadVAlign(std::u16string value, AlignmentType& align) {
  value = LowerCase(Trim(value));
  if (value == u"top" || value == u"baseline") align = AlignmentType::ATop;
  else if (value == u"middle" || value == u"center") align = AlignmentType::AMiddle;
  else if (value == u"bottom") align = AlignmentType::ABottom;
  else return false;
  return true;
}

}  // namespace

// ---------------------------------------------------------------- cells

TCellObj::TCellObj(TSectionList& document, const TAttributeList& attributes,
                   const TProperties& props)
    : Cell(std::make_unique<TCellObjCell>(document)) {
  Cell->OwnersTag = props.PropTag;
  for (const TAttribute& a : attributes) {
    switch (a.Which) {
      case ColSpanSy: ColSpan = std::clamp(a.Value, 1, MaxColSpan); break;
      case RowSpanSy: RowSpan = std::clamp(a.Value, 1, MaxRowSpan); break;
      case WidthSy:
        if (auto w = ReadSizeAttribute(a, Within(1, 100), AtLeast(1))) {
          // Percentages are kept in tenths.
          WidthAttr = w->Percent ? w->Value * 10 : w->Value;
          AsPercent = w->Percent;
        }
        break;
      case HeightSy:
        if (auto h = ReadSizeAttribute(a, Within(0, 100), AtLeast(0)))
          (h->Percent ? SpecHtPercent : SpecHt) = h->Value;
        break;
      case VAlignSy:
        if (ReadVAlign(a.Name, VAlign)) VAlignSet = true;
        break;
      case HrefSy: Cell->Url = a.Name; break;
      case TargetSy: Cell->Target = a.Name; break;
      default: break;
    }
  }
  // A style width or height overrides the attribute.
  TMarginArray m{};
  int autoCount = 0;
  props.ConvMargArray(0, 0, m, autoCount);
  const TPropValue& width = props.Get(P::Width);
  if (IsValueSet(width)) {
    if (IsPercentValue(width)) {
      int p = PercentOf(width);
      if (p >= 1) {
        WidthAttr = std::min(p, 100) * 10;
        AsPercent = true;
      }
    } else if (m[Idx(P::Width)] > 0) {
      WidthAttr = m[Idx(P::Width)];
      AsPercent = false;
    }
  }
  const TPropValue& height = props.Get(P::Height);
  if (IsValueSet(height)) {
    if (IsPercentValue(height)) {
      SpecHtPercent = std::clamp(PercentOf(height), 0, 100);
      SpecHt = -1;
    } else if (m[Idx(P::Height)] >= 0) {
      SpecHt = m[Idx(P::Height)];
      SpecHtPercent = -1;
    }
  }
  AlignmentType va;
  if (props.GetVertAlign(va)) {
    if (va == AlignmentType::ATop || va == AlignmentType::ABaseline) VAlign = AlignmentType::ATop;
    else if (va == AlignmentType::AMiddle) VAlign = AlignmentType::AMiddle;
    else if (va == AlignmentType::ABottom) VAlign = AlignmentType::ABottom;
    VAlignSet = true;
  }
  const P pads[4] = {P::PaddingTop, P::PaddingRight, P::PaddingBottom, P::PaddingLeft};
  int* padValues[4] = {&PadTop, &PadRight, &PadBottom, &PadLeft};
  for (int k = 0; k < 4; ++k) {
    PadSet[k] = IsValueSet(props.Get(pads[k]));
    if (PadSet[k]) *padValues[k] = std::clamp(m[Idx(pads[k])], 0, 10000);
  }
  OwnBorder = props.GetBorderStyle() != BorderStyleType::bssNone;
  if (OwnBorder) {
    TColor text = clBlack;
    if (IsInt(props.Get(P::Color))) text = static_cast<TColor>(std::get<int>(props.Get(P::Color)));
    int* borders[4] = {&BrdTop, &BrdRight, &BrdBottom, &BrdLeft};
    for (std::size_t k = 0; k < 4; ++k) {
      int w = std::clamp(m[Idx(P::BorderTopWidth) + k], 0, 10000);
      *borders[k] = w;
      Sides.Width[k] = w;
      TColor c = static_cast<TColor>(m[Idx(P::BorderTopColor) + k]);
      Sides.Color[k] = c == clNone ? text : c;
      Sides.Style[k] = BorderStyleOf(AsText(props.Get(static_cast<P>(Idx(P::BorderTopStyle) + k))));
    }
  }
  ShowEmptyCells = props.ShowEmptyCells();
  BkColor = props.GetBackgroundColor();
  BkImageName = ImageUrlOf(AsText(props.Get(P::BackgroundImage)));
  if (!BkImageName.empty()) PRec = BackgroundPRecOf(props);
}

void TCellObj::MinMax(TSurface& surface, int& min, int& max) {
  const int cycle = Cell->Document.LayoutPass.CycleNumber;
  if (FCycle != cycle) {
    Cell->MinMaxWidth(surface, FMin, FMax);
    FCycle = cycle;
  }
  min = FMin;
  max = FMax;
}

// ---------------------------------------------------------------- table

ThtmlTable::ThtmlTable(TSectionList& document, const TAttributeList& attributes,
                       const TProperties& props)
    : TSectionBase(document) {
  for (const TAttribute& a : attributes) {
    switch (a.Which) {
      case BorderSy:
        BorderWidth = Trim(a.Name).empty() ? 1 : std::clamp(a.Value, 0, 100);
        break;
      case CellPaddingSy:
        if (a.Value >= 0) CellPadding = std::min(a.Value, 50);
        break;
      case CellSpacingSy:
        if (a.Value >= -1) CellSpacing = std::min(a.Value, 40);
        break;
      case BorderColorSy:
      case BorderColorLightSy:
      case BorderColorDarkSy: {
        TColor c;
        if (!ColorFromString(a.Name, c)) break;
        if (a.Which == BorderColorSy) BorderColor = c;
        else if (a.Which == BorderColorLightSy) BorderColorLight = c;
        else BorderColorDark = c;
        break;
      }
      default: break;
    }
  }
  if (props.Collapse()) CellSpacing = -1;
}

ThtmlTable::~ThtmlTable() = default;

void ThtmlTable::AddDummyCells() {
  if (ListsProcessed) return;
  ListsProcessed = true;
  for (auto& row : Rows) {
    for (auto& cell : row->Cells) {
      TCellObj& c = *cell;
      int* pads[4] = {&c.PadTop, &c.PadRight, &c.PadBottom, &c.PadLeft};
      for (int k = 0; k < 4; ++k)
        if (!c.PadSet[k]) *pads[k] = CellPadding;
      if (BorderWidth > 0 && !c.OwnBorder)
        for (int* b : {&c.BrdTop, &c.BrdRight, &c.BrdBottom, &c.BrdLeft}) *b = std::max(*b, 1);
      c.HzSpace = Sat(static_cast<long long>(c.PadLeft) + c.BrdLeft + c.BrdRight + c.PadRight);
      c.VrSpace = Sat(static_cast<long long>(c.PadTop) + c.BrdTop + c.BrdBottom + c.PadBottom);
      if (c.BkColor == clNone) c.BkColor = row->BkColor;
      if (c.BkColor == clNone) c.BkColor = BkColor;
      if (c.BkImageName.empty() && !row->BkImageName.empty()) {
        c.BkImageName = row->BkImageName;
        c.PRec = row->PRec;
      }
      if (c.BkImageName.empty() && !BkImageName.empty()) {
        c.BkImageName = BkImageName;
        c.PRec = PRec;
      }
      if (!c.BkImageName.empty()) c.BkImage = TImageObj::SimpleCreate(ParentSectionList, c.BkImageName);
      if (!c.VAlignSet) c.VAlign = row->VAlign;
    }
  }
  // The grid: spans, dummy cells, and no trailing columns of dummies.
  Grid.assign(Rows.size(), {});
  AllCells.clear();
  for (std::size_t r = 0; r < Rows.size(); ++r) {
    for (auto& cell : Rows[r]->Cells) {
      TGridCell g;
      g.Id = static_cast<int>(AllCells.size());
      g.ColSpan = cell->ColSpan;
      g.RowSpan = cell->RowSpan;
      Grid[r].push_back(g);
      AllCells.push_back(cell.get());
    }
  }
  NumCols = CompleteGrid(Grid);
  FRowCells.assign(Grid.size(), {});
  FMaxRowSpan = 1;
  for (std::size_t r = 0; r < Grid.size(); ++r) {
    for (std::size_t c = 0; c < Grid[r].size(); ++c) {
      const TGridCell& g = Grid[r][c];
      if (g.Id < 0) continue;
      TCellObj& cell = *AllCells[static_cast<std::size_t>(g.Id)];
      cell.Row = static_cast<int>(r);
      cell.Col = static_cast<int>(c);
      cell.ColSpan = std::max(1, g.ColSpan);
      cell.RowSpan = std::max(1, g.RowSpan);
      FMaxRowSpan = std::max(FMaxRowSpan, cell.RowSpan);
      FRowCells[r].push_back(g.Id);
      // A column's description gives a cell without a width of its own its
      // width.
      if (c < ColInfo.size() && ColInfo[c].colWidth > 0 && cell.WidthAttr == 0) {
        cell.WidthAttr = ColInfo[c].colWidth;
        cell.AsPercent = ColInfo[c].colAsPercent;
      }
      if (c < ColInfo.size() && !cell.VAlignSet && ColInfo[c].colVAlign != AlignmentType::ANone)
        cell.VAlign = ColInfo[c].colVAlign;
    }
  }
  UseAbsolute = std::any_of(AllCells.begin(), AllCells.end(),
                            [](const TCellObj* c) { return !c->AsPercent; });
  ColInfo.clear();
  const std::size_t n = static_cast<std::size_t>(NumCols);
  Widths.assign(n, 0);
  MinWidths.assign(n, 0);
  MaxWidths.assign(n, 0);
  Percents.assign(n, 0);
}

std::vector<TWidthCell> ThtmlTable::WidthCells(TSurface& surface) {
  std::vector<TWidthCell> cells;
  cells.reserve(AllCells.size());
  for (TCellObj* c : AllCells) {
    TWidthCell w;
    w.Col = c->Col;
    w.ColSpan = c->ColSpan;
    c->MinMax(surface, w.MinWidth, w.MaxWidth);
    w.HzSpace = c->HzSpace;
    w.WidthAttr = c->WidthAttr;
    w.AsPercent = c->AsPercent;
    cells.push_back(w);
  }
  return cells;
}

void ThtmlTable::MinMaxWidth(TSurface& surface, int& min, int& max) {
  AddDummyCells();
  if (NumCols == 0) {
    min = max = std::max(0, CellSpacing);
    return;
  }
  TTableMinMax mm = TableMinMaxWidth(WidthCells(surface), NumCols, CellSpacing, UseAbsolute,
                                     tblWidthAttr);
  MinWidths = mm.Columns.MinWidths;
  MaxWidths = mm.Columns.MaxWidths;
  Percents = mm.Columns.Percents;
  min = mm.Min;
  max = mm.Max;
}

std::vector<long long> ThtmlTable::LayOutColumns(TSurface& surface, int x, int availableWidth) {
  TTableWidths tw = FindColumnWidths(WidthCells(surface), NumCols, CellSpacing, UseAbsolute,
                                     tblWidthAttr, tblWidthAttr > 0 ? tblWidthAttr : availableWidth);
  Widths = tw.Widths;
  TableWidth = tw.TableWidth;
  std::vector<long long> colX(static_cast<std::size_t>(NumCols) + 1);
  colX[0] = static_cast<long long>(x) + CellSpacing;
  for (int c = 0; c < NumCols; ++c)
    colX[static_cast<std::size_t>(c) + 1] = colX[static_cast<std::size_t>(c)] + Widths[static_cast<std::size_t>(c)];
  return colX;
}

void ThtmlTable::LayOutCells(TSurface& surface, const std::vector<long long>& colX, int x, int y,
                             int availableHeight, int& maxWidth, int& curs, TFirstLine& firstLine) {
  for (TCellObj* c : AllCells) {
    FetchBackgroundPicture(surface, c->BkImage);
    const int span = std::min(c->ColSpan, NumCols - c->Col);
    const long long left = colX[static_cast<std::size_t>(c->Col)];
    const long long right = colX[static_cast<std::size_t>(c->Col + span)] - CellSpacing;
    c->X = Sat(left);
    c->Wd = Sat(std::max<long long>(0, right - left));
    const int contentX = SatAdd(c->X, c->PadLeft + c->BrdLeft);
    const int contentW = std::max(0, SatAdd(c->Wd, -c->HzSpace));
    c->Cell->IMgr.Clear();
    c->Cell->IMgr.Reset(contentX, SatAdd(contentX, contentW));
    int sw = 0;
    int h = c->Cell->DoLogic(surface, contentX, y, contentW, availableHeight, 0, sw, curs,
                             firstLine);
    long long bottom = std::max<long long>(c->Cell->tcDrawBot, c->Cell->IMgr.ImageBottom());
    c->ContentHt = Sat(std::max<long long>(h, bottom - y));
    maxWidth = std::max(maxWidth, Sat(static_cast<long long>(contentX) + sw - x));
  }
}

void ThtmlTable::FindHeights() {
  std::vector<TRowCell> rowCells;
  rowCells.reserve(AllCells.size());
  for (TCellObj* c : AllCells) {
    TRowCell rc;
    rc.Row = c->Row;
    rc.RowSpan = c->RowSpan;
    rc.ContentHeight = c->ContentHt;
    rc.VrSpace = c->VrSpace;
    rc.SpecHt = c->SpecHt;
    rc.SpecHtPercent = c->SpecHtPercent;
    rowCells.push_back(rc);
  }
  std::vector<TRowSpec> rowSpecs;
  rowSpecs.reserve(Rows.size());
  for (std::size_t r = 0; r < Grid.size(); ++r) {
    TRowSpec rowSpec;
    if (r < Rows.size()) {
      rowSpec.SpecRowHeight = Rows[r]->SpecRowHeight;
      rowSpec.SpecRowHeightPercent = Rows[r]->SpecRowHeightPercent;
    }
    rowSpecs.push_back(rowSpec);
  }
  Heights = FindRowHeights(rowCells, rowSpecs, tblHeightAttr, CellSpacing);
  Heights.resize(Grid.size(), 0);
}

int ThtmlTable::PlaceRows(int y) {
  long long top = static_cast<long long>(y) + CellSpacing;
  for (std::size_t r = 0; r < Grid.size(); ++r) {
    RowTops[r] = Sat(top);
    top += Heights[r];
  }
  TableHeight = Sat(top - y);
  int drawBot = SatAdd(y, TableHeight);
  for (TCellObj* c : AllCells) {
    long long spanned = 0;
    const int last = std::min(static_cast<int>(Grid.size()), c->Row + c->RowSpan);
    for (int r = c->Row; r < last; ++r) spanned += Heights[static_cast<std::size_t>(r)];
    c->Y = RowTops[static_cast<std::size_t>(c->Row)];
    c->Ht = Sat(std::max<long long>(0, spanned - CellSpacing));
    long long extra = std::max<long long>(0, static_cast<long long>(c->Ht) - c->ContentHt - c->VrSpace);
    c->YIndent = c->VAlign == AlignmentType::ATop      ? 0
                 : c->VAlign == AlignmentType::ABottom ? Sat(extra)
                                                       : Sat(extra / 2);
    const int contentTop = SatAdd(SatAdd(c->Y, c->PadTop + c->BrdTop), c->YIndent);
    c->Cell->MoveY(Sat(static_cast<long long>(contentTop) - y));
    drawBot = std::max(drawBot, c->Cell->tcDrawBot);
  }
  return drawBot;
}

void ThtmlTable::FindHeadAndFoot() {
  HeaderRowCount = 0;
  HeaderHeight = 0;
  while (HeaderRowCount < static_cast<int>(Rows.size()) &&
         Rows[static_cast<std::size_t>(HeaderRowCount)]->RowType == TRowType::THead) {
    HeaderHeight = SatAdd(HeaderHeight, Heights[static_cast<std::size_t>(HeaderRowCount)]);
    ++HeaderRowCount;
  }
  FootStartRow = -1;
  FootHeight = 0;
  for (std::size_t r = 0; r < Rows.size(); ++r) {
    if (Rows[r]->RowType != TRowType::TFoot) continue;
    if (FootStartRow < 0) FootStartRow = static_cast<int>(r);
    FootHeight = SatAdd(FootHeight, Heights[r]);
  }
  bool body = std::any_of(Rows.begin(), Rows.end(),
                          [](const auto& row) { return row->RowType == TRowType::TBody; });
  HeadOrFoot = body && (HeaderRowCount > 0 || FootStartRow >= 0);
}

int ThtmlTable::DrawLogic(TSurface& surface, int x, int y, int xRef, int yRef, int availableWidth,
                          int availableHeight, int blockHeight, IndentManager& imgr, int& maxWidth,
                          int& curs, TFirstLine& firstLine) {
  (void)xRef, (void)yRef, (void)blockHeight, (void)imgr;
  StartCurs = curs;
  YDraw = ContentTop = DrawTop = y;
  FLayoutX = x;
  AddDummyCells();
  RowTops.assign(Grid.size(), y);
  Heights.assign(Grid.size(), 0);
  if (NumCols == 0 || AllCells.empty()) {
    // Nothing to lay out: the table is its spacing.
    TableWidth = TableHeight = std::max(0, CellSpacing);
    SectionHeight = DrawHeight = TableHeight;
    ContentBot = DrawBot = SatAdd(y, TableHeight);
    maxWidth = std::max(maxWidth, TableWidth);
    return SectionHeight;
  }

  const std::vector<long long> colX = LayOutColumns(surface, x, availableWidth);
  // Each cell's content is laid out once at the table's top and moved to
  // its row when the row heights are known.
  LayOutCells(surface, colX, x, y, availableHeight, maxWidth, curs, firstLine);
  FindHeights();
  const int drawBot = PlaceRows(y);
  // Header and footer rows, for printing.
  FindHeadAndFoot();

  SectionHeight = TableHeight;
  ContentBot = SatAdd(y, TableHeight);
  DrawBot = drawBot;
  DrawHeight = SatAdd(DrawBot, -y);
  maxWidth = std::max(maxWidth, TableWidth);
  return SectionHeight;
}

void ThtmlTable::DrawCell(TSurface& surface, const TRect& clip, TCellObj& c, int dx, long long yOff) {
  const TRect box{SatAdd(c.X, dx), Sat(c.Y - yOff), Sat(static_cast<long long>(c.X) + c.Wd + dx),
                  Sat(static_cast<long long>(c.Y) + c.Ht - yOff)};
  const bool meets = box.Right >= clip.Left && box.Left <= clip.Right && box.Bottom >= clip.Top &&
                     box.Top <= clip.Bottom;
  if (meets && c.BkColor != clNone) surface.FillRect(box, ColorToRGB(c.BkColor));
  if (meets)
    if (TBitmap* picture = ShownPicture(c.BkImage)) {
      const TRect paint{std::max(clip.Left, box.Left), std::max(clip.Top, box.Top),
                        std::min(clip.Right, box.Right), std::min(clip.Bottom, box.Bottom)};
      DrawBackgroundPicture(surface, *picture, box, paint, c.PRec);
    }
  // The content, clipped to the cell.
  if (meets && c.HasContent()) {
    surface.SaveDC();
    surface.IntersectClipRect(box);
    TRect inner{std::max(clip.Left, box.Left), std::max(clip.Top, box.Top),
                std::min(clip.Right, box.Right), std::min(clip.Bottom, box.Bottom)};
    c.Cell->Draw(surface, inner, SatAdd(SatAdd(c.X, c.PadLeft + c.BrdLeft), dx), 0, 0);
    surface.RestoreDC(-1);
  }
  if (!meets) return;
  if (c.OwnBorder) {
    DrawBorder(surface, box, c.Sides);
  } else if (BorderWidth > 0 && (c.HasContent() || c.ShowEmptyCells) && !box.IsEmpty()) {
    // A one-pixel sunken frame.
    const TColor dark = ColorToRGB(BorderColorDark);
    const TColor light = ColorToRGB(BorderColorLight);
    surface.FillRect({box.Left, box.Top, box.Right, box.Top + 1}, dark);
    surface.FillRect({box.Left, box.Top, box.Left + 1, box.Bottom}, dark);
    surface.FillRect({box.Left + 1, box.Bottom - 1, box.Right, box.Bottom}, light);
    surface.FillRect({box.Right - 1, box.Top + 1, box.Right, box.Bottom}, light);
  }
}

int ThtmlTable::Draw1(TSurface& surface, const TRect& clip, IndentManager& imgr, int x, int xRef,
                      int yRef) {
  (void)imgr, (void)xRef, (void)yRef;
  const long long yOff = ParentSectionList.PaintPass.YOff;
  const int dx = SatAdd(x, -FLayoutX);
  if (Grid.empty() || RowTops.size() != Grid.size()) return Sat(ContentBot - yOff);
  const long long top = clip.Top + yOff;
  const long long bot = clip.Bottom + yOff;
  // The first row reaching the clip, found by halving; cells spanning down
  // from rows above it start at most FMaxRowSpan - 1 rows earlier.
  std::size_t first = static_cast<std::size_t>(
      std::partition_point(RowTops.begin(), RowTops.end(),
                           [&](int rowTop) { return rowTop < top; }) - RowTops.begin());
  first = first > 0 ? first - 1 : 0;
  first = first >= static_cast<std::size_t>(FMaxRowSpan - 1) ? first - static_cast<std::size_t>(FMaxRowSpan - 1) : 0;
  for (std::size_t r = first; r < Grid.size() && RowTops[r] <= bot; ++r)
    for (int id : FRowCells[r]) DrawCell(surface, clip, *AllCells[static_cast<std::size_t>(id)], dx, yOff);
  return Sat(ContentBot - yOff);
}

unsigned ThtmlTable::GetURL(TSurface& surface, int x, int y, TLinkHit& hit) {
  for (TCellObj* c : AllCells) {
    if (x < c->X || x >= static_cast<long long>(c->X) + c->Wd || y < c->Y ||
        y >= static_cast<long long>(c->Y) + c->Ht)
      continue;
    if (unsigned r = c->Cell->GetURL(surface, x, y, hit)) return r;
    if (!c->Cell->Url.empty()) {
      hit.Url = c->Cell->Url;
      hit.TargetName = c->Cell->Target;
      return guUrl;
    }
    return 0;
  }
  return 0;
}

int ThtmlTable::FindDocPos(int sourcePos, bool prev) const {
  for (TCellObj* c : AllCells)
    for (auto& item : c->Cell->Items) {
      int r = item->FindDocPos(sourcePos, prev);
      if (r >= 0) return r;
    }
  return -1;
}

void ThtmlTable::AddSectionsToList() {
  for (TCellObj* c : AllCells) c->Cell->AddSectionsToList();
}

void ThtmlTable::CopyToClipboard() {
  for (TCellObj* c : AllCells) c->Cell->CopyToClipboard();
}

void ThtmlTable::MoveY(int dy) {
  if (dy == 0) return;
  TSectionBase::MoveY(dy);
  for (int& t : RowTops) t = ShiftY(t, dy);
  for (TCellObj* c : AllCells) {
    c->Y = ShiftY(c->Y, dy);
    c->Cell->MoveY(dy);
  }
}

}  // namespace tav
