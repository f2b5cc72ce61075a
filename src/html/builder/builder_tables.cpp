// The builder's table family: TABLE with its rows, cells, column
// descriptions and caption.
#include <algorithm>
#include <memory>
#include <vector>

#include "html/builder/builder.h"
#include "html/builder/builder_values.h"
#include "html/css/units.h"
#include "html/layout/tables/table_block.h"

namespace tav {

namespace {

using P = PropIndices;

// What ends a cell's content, a caption's, and the run of text between
// cells.
const TSymbSet& CellEndSymbols() {
  static const TSymbSet s{TDSy,        THSy,       TDEndSy,   THEndSy,    TRSy,
                          TREndSy,     TableEndSy, CaptionSy, CaptionEndSy, THeadSy,
                          TBodySy,     TFootSy,    THeadEndSy, TBodyEndSy, TFootEndSy,
                          ColSy,       ColGroupSy, ColGroupEndSy};
  return s;
}

AlignmentType VAlignOf(const TAttributeList& attrs, AlignmentType fallback) {
  const std::u16string* v = AttrText(attrs, VAlignSy);
  if (!v) return fallback;
  std::u16string s = LowerCase(Trim(*v));
  if (s == u"top" || s == u"baseline") return AlignmentType::ATop;
  if (s == u"middle" || s == u"center") return AlignmentType::AMiddle;
  if (s == u"bottom") return AlignmentType::ABottom;
  return fallback;
}

std::unique_ptr<TAttributeList> CopyAttributes(const TAttributeList& attrs) {
  auto copy = std::make_unique<TAttributeList>();
  for (const TAttribute& a : attrs) copy->Add(a);
  return copy;
}

// ALIGN left or right floats the table; BGCOLOR and BACKGROUND.
void ApplyTableAttributes(TProperties& props, const TAttributeList& attrs) {
  if (const std::u16string* v = AttrText(attrs, AlignSy)) {
    std::u16string s = LowerCase(Trim(*v));
    if (s == u"left" || s == u"right") props.Assign(TextValue(s), P::Float);
  }
  AssignBackgroundAttributes(props, attrs);
}

// A TR's VALIGN, BGCOLOR, BACKGROUND and HEIGHT and its style's vertical
// alignment, background and page breaks.
void ReadRowAttributes(TCellList& row, TProperties& rp, const TAttributeList& a) {
  row.VAlign = VAlignOf(a, AlignmentType::AMiddle);
  AlignmentType va;
  if (rp.GetVertAlign(va) && (va == AlignmentType::ATop || va == AlignmentType::AMiddle ||
                              va == AlignmentType::ABottom))
    row.VAlign = va;
  // The row's BGCOLOR wins over its style's background colour.
  if (auto c = AssignBackgroundAttributes(rp, a)) row.BkColor = *c;
  else if (rp.GetBackgroundColor() != clNone) row.BkColor = rp.GetBackgroundColor();
  row.BkImageName = ImageUrlOf(AsText(rp.Get(P::BackgroundImage)));
  if (!row.BkImageName.empty()) row.PRec = BackgroundPRecOf(rp);
  if (const TAttribute* attr = a.Find(HeightSy)) {
    if (auto h = ReadSizeAttribute(*attr, Within(0, 100), AtLeast(0)))
      (h->Percent ? row.SpecRowHeightPercent : row.SpecRowHeight) = h->Value;
  }
  bool before = false, after = false, inside = false;
  rp.GetPageBreaks(before, after, inside);
  row.BreakBefore = before;
  row.BreakAfter = after;
}

}  // namespace

// A table being read: its open row, the footer rows kept for the end, and
// its caption.
struct THtmlBuilder::TTableRead {
  explicit TTableRead(ThtmlTable& table) : Table(table) {}

  ThtmlTable& Table;
  TRowType RowType = TRowType::TBody;  // of the rows that open next
  std::unique_ptr<TCellList> Row;      // the open row, if any
  bool RowOpen = false;                // "tr" properties pushed
  bool RowHidden = false;              // display none: the row is dropped
  std::vector<std::unique_ptr<TCellList>> FootRows;
  std::unique_ptr<TBlock> Caption;
  bool CaptionTop = true;
};

void THtmlBuilder::DoColInfo(ThtmlTable& table) {
  // A COL (or a COLGROUP without COLs) describes SPAN columns.
  const TAttributeList& a = T.Attributes;
  TColObj col;
  if (const TAttribute* attr = a.Find(WidthSy)) {
    if (auto w = ReadSizeAttribute(*attr, ClampedTo(1, 100), AtLeast(1))) {
      // Percentages are kept in tenths.
      col.colWidth = w->Percent ? w->Value * 10 : w->Value;
      if (w->Percent) col.colAsPercent = true;
    }
  }
  std::u16string align;
  if (AlignValue(a, align))
    col.colAlign = align == u"center"  ? AlignmentType::ACenter
                   : align == u"right" ? AlignmentType::ARight
                                       : AlignmentType::ALeft;
  col.colVAlign = VAlignOf(a, AlignmentType::ANone);
  int span = 1;
  for (const TAttribute& attr : a)
    if (attr.WhichName == u"SPAN") span = std::clamp(attr.Value, 1, 100);
  const bool group = T.Sy == ColGroupSy;
  Next();
  if (group && (T.Sy == ColSy || T.Sy == TextSy)) {
    while (T.Sy == TextSy) Next();
    if (T.Sy == ColSy) return;  // the group's COLs describe it
  }
  for (int i = 0; i < span && table.ColInfo.size() < 10000; ++i) table.ColInfo.push_back(col);
}

void THtmlBuilder::DoCell(TCellList& row, ThtmlTable& table, int column) {
  const bool th = T.Sy == THSy;
  const std::u16string tag = th ? u"th" : u"td";
  TProperties& props = PushProps(tag);
  const TAttributeList& a = T.Attributes;
  std::u16string align;
  if (AlignValue(a, align)) {
    props.Assign(TextValue(align), P::TextAlign);
  } else if (column >= 0 && static_cast<std::size_t>(column) < table.ColInfo.size() &&
             table.ColInfo[static_cast<std::size_t>(column)].colAlign != AlignmentType::ANone) {
    AlignmentType ca = table.ColInfo[static_cast<std::size_t>(column)].colAlign;
    props.Assign(TextValue(ca == AlignmentType::ACenter ? u"center" : ca == AlignmentType::ARight ? u"right" : u"left"),
                 P::TextAlign);
  } else if (th) {
    std::u16string inForce = AsText(props.Get(P::TextAlign));
    if (inForce.empty() || inForce == u"none") props.Assign(TextValue(u"center"), P::TextAlign);
  }
  AssignBackgroundAttributes(props, a);
  auto cell = std::make_unique<TCellObj>(Document, a, props);
  const bool savedNoBreak = NoBreak;
  if (a.Find(NoWrapSy) && !(cell->WidthAttr > 0 && !cell->AsPercent)) NoBreak = true;
  Next();
  SectionEnd();
  {
    TCellScope scope(*this, cell->Cell.get());
    ++Depth;
    DoBody(CellEndSymbols());
    SectionEnd();
    Cell->CheckLastBottomMargin();
    --Depth;
  }
  NoBreak = savedNoBreak;
  if (T.Sy == TDEndSy || T.Sy == THEndSy) Next();
  PopProps(tag);
  row.Cells.push_back(std::move(cell));
}

std::unique_ptr<TBlock> THtmlBuilder::DoCaption(bool& top) {
  TProperties& props = PushProps(u"caption");
  const std::u16string* align = AttrText(T.Attributes, AlignSy);
  top = !(align && LowerCase(Trim(*align)) == u"bottom");
  SectionEnd();
  // The caption stands first in a cell of its own until it joins the pair.
  TBlockCell owner(Document, nullptr);
  auto block = std::make_unique<TBlock>(Document, owner, props, &T.Attributes);
  block->OwnerCell = nullptr;
  Next();
  {
    TCellScope scope(*this, block->MyCell.get());
    ++Depth;
    TSymbSet terms = CellEndSymbols();
    DoBody(terms);
    SectionEnd();
    --Depth;
  }
  EndBlock(*block);
  if (T.Sy == CaptionEndSy) Next();
  PopProps(u"caption");
  return block;
}

void THtmlBuilder::DoTable() {
  if (TableLevel >= MaxTableNesting || Depth >= MaxBlockNesting) {
    Next();  // the tag is ignored; what it holds is read as content
    return;
  }
  SectionEnd();
  ++TableLevel;
  ++Depth;
  // The "table" rule resets text-align for the cells, so the alignment of
  // the text around the table is read before its properties are pushed.
  const std::u16string surroundingAlign = AsText(Stack.Last().Get(P::TextAlign));
  TProperties& props = PushProps(u"table");
  const std::unique_ptr<TAttributeList> tableAttrs = CopyAttributes(T.Attributes);
  const TAttributeList& attrs = *tableAttrs;
  ApplyTableAttributes(props, attrs);
  auto tableProps = std::make_unique<TProperties>(props);
  auto table = std::make_unique<ThtmlTable>(Document, attrs, props);
  TTableRead read(*table);
  Next();
  ReadTableContent(read);
  EndRow(read);
  for (auto& foot : read.FootRows) table->Rows.push_back(std::move(foot));
  PopProps(u"table");
  SectionEnd();
  PlaceTable(std::move(table), *tableProps, attrs, std::move(read.Caption), read.CaptionTop,
             surroundingAlign);
  --Depth;
  --TableLevel;
  if (T.Sy == TableEndSy) Next();
}

void THtmlBuilder::ReadTableContent(TTableRead& read) {
  while (T.Sy != EofSy && T.Sy != TableEndSy) {
    switch (T.Sy) {
      case ColSy:
      case ColGroupSy: DoColInfo(read.Table); break;
      case THeadSy:
      case TBodySy:
      case TFootSy:
        EndRow(read);
        read.RowType = T.Sy == THeadSy ? TRowType::THead : T.Sy == TFootSy ? TRowType::TFoot : TRowType::TBody;
        Next();
        break;
      case THeadEndSy:
      case TBodyEndSy:
      case TFootEndSy:
        EndRow(read);
        read.RowType = TRowType::TBody;
        Next();
        break;
      case TRSy:
        StartRow(read, true);
        Next();
        break;
      case TREndSy:
        EndRow(read);
        Next();
        break;
      case TDSy:
      case THSy:
        if (!read.Row) StartRow(read, false);
        DoCell(*read.Row, read.Table, static_cast<int>(read.Row->Cells.size()));
        break;
      case CaptionSy:
        if (read.Caption) {
          Next();
          break;
        }
        read.Caption = DoCaption(read.CaptionTop);
        break;
      case TextSy:
        // Text between cells goes to the enclosing cell, before the table.
        if (T.LCToken.S() == u" ") Next();
        else DoText();
        break;
      case TDEndSy:
      case THEndSy:
      case CaptionEndSy:
      case ColGroupEndSy:
        Next();
        break;
      default:
        if (!DoInline()) Next();
        break;
    }
  }
}

void THtmlBuilder::StartRow(TTableRead& read, bool fromTag) {
  EndRow(read);
  read.Row = std::make_unique<TCellList>();
  read.Row->RowType = read.RowType;
  read.RowHidden = false;
  if (!fromTag) return;
  TProperties& rp = PushProps(u"tr");
  read.RowOpen = true;
  read.RowHidden = rp.GetDisplay() == TPropDisplay::pdNone;
  ReadRowAttributes(*read.Row, rp, T.Attributes);
}

void THtmlBuilder::EndRow(TTableRead& read) {
  if (!read.Row) return;
  if (read.RowOpen) PopProps(u"tr");
  read.RowOpen = false;
  if (!read.RowHidden) {
    if (read.Row->RowType == TRowType::TFoot) read.FootRows.push_back(std::move(read.Row));
    else read.Table.Rows.push_back(std::move(read.Row));
  }
  read.Row.reset();
}

void THtmlBuilder::PlaceTable(std::unique_ptr<ThtmlTable> table, const TProperties& props,
                              const TAttributeList& attrs, std::unique_ptr<TBlock> caption,
                              bool captionTop, const std::u16string& surroundingAlign) {
  if (caption) {
    // The pair stands in the flow; the table block and the caption inside.
    TBlockCell owner(Document, nullptr);
    auto tableBlock = std::make_unique<TTableBlock>(Document, owner, props, attrs, std::move(table));
    tableBlock->OwnerCell = nullptr;
    tableBlock->TakeSurroundingAlign(surroundingAlign);
    auto pair = std::make_unique<TTableAndCaptionBlock>(Document, *Cell, props, std::move(tableBlock),
                                                         std::move(caption), captionTop);
    AddItem(std::move(pair));
  } else {
    auto tableBlock = std::make_unique<TTableBlock>(Document, *Cell, props, attrs, std::move(table));
    tableBlock->TakeSurroundingAlign(surroundingAlign);
    AddItem(std::move(tableBlock));
  }
}

}  // namespace tav
