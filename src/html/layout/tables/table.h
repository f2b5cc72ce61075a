#pragma once
// Tables: the grid of rows and cells with its column widths, row heights
// and cell frames.
#include <memory>
#include <string>
#include <vector>

#include "html/css/properties.h"
#include "html/layout/cell.h"
#include "html/layout/indent_manager.h"
#include "html/layout/section_base.h"
#include "html/layout/tables/table_grid.h"
#include "html/layout/tables/table_widths.h"
#include "html/paint/background_painter.h"
#include "html/paint/border_painter.h"
#include "html/parse/attributes.h"

namespace tav {

// What COL and COLGROUP say about a column.
struct TColObj {
  int colWidth = 0;  // pixels, or tenths of a percent with colAsPercent
  bool colAsPercent = false;
  AlignmentType colAlign = AlignmentType::ANone;
  AlignmentType colVAlign = AlignmentType::ANone;
};

enum class TRowType { THead, TBody, TFoot };

// A cell's content, laid out against its own edges and floats.
class TCellObjCell : public TCellBasic {
public:
  explicit TCellObjCell(TSectionList& document) : TCellBasic(document) {}
  std::u16string Url;     // HREF of the cell
  std::u16string Target;
  IndentManager IMgr;

protected:
  IndentManager& Indents() override { return IMgr; }
};

class TCellObj {
public:
  // A TD or TH with its attributes and the properties pushed for it.
  TCellObj(TSectionList& document, const TAttributeList& attributes, const TProperties& props);

  std::unique_ptr<TCellObjCell> Cell;
  int ColSpan = 1;
  int RowSpan = 1;
  int WidthAttr = 0;  // pixels, or tenths of a percent with AsPercent
  bool AsPercent = false;
  int SpecHt = -1;         // pixels; -1 none
  int SpecHtPercent = -1;  // 0..100; -1 none
  AlignmentType VAlign = AlignmentType::AMiddle;
  bool VAlignSet = false;  // from the cell's VALIGN or style
  int PadTop = 0, PadRight = 0, PadBottom = 0, PadLeft = 0;
  bool PadSet[4] = {false, false, false, false};  // top, right, bottom, left
  int BrdTop = 0, BrdRight = 0, BrdBottom = 0, BrdLeft = 0;
  bool OwnBorder = false;  // the cell has a border style of its own
  TBorderSides Sides;  // the own border, for the border painter
  int HzSpace = 0;
  int VrSpace = 0;
  bool ShowEmptyCells = false;
  TColor BkColor = clNone;
  // The background picture: the cell's own, else the row's, else the
  // table's (by name until the grid is completed).
  std::u16string BkImageName;
  TBackgroundPRec PRec;
  std::unique_ptr<class TImageObj> BkImage;

  // Layout results, document pixels: the cell's box and its content.
  int Row = 0, Col = 0;
  int X = 0, Y = 0, Wd = 0, Ht = 0;
  int YIndent = 0;
  int ContentHt = 0;

  // Content minimum and maximum, once per layout cycle.
  void MinMax(TSurface& surface, int& min, int& max);
  bool HasContent() const { return !Cell->Items.empty(); }

private:
  int FCycle = -1;
  int FMin = 0, FMax = 0;
};

class TCellList {
public:
  std::vector<std::unique_ptr<TCellObj>> Cells;
  TRowType RowType = TRowType::TBody;
  TColor BkColor = clNone;
  std::u16string BkImageName;
  TBackgroundPRec PRec;
  AlignmentType VAlign = AlignmentType::AMiddle;
  int SpecRowHeight = -1;
  int SpecRowHeightPercent = -1;
  bool BreakBefore = false, BreakAfter = false;
};

class ThtmlTable : public TSectionBase {
public:
  // Reads BORDER, CELLPADDING, CELLSPACING and the border colours; a
  // collapsing border makes the spacing -1.
  ThtmlTable(TSectionList& document, const TAttributeList& attributes, const TProperties& props);
  ~ThtmlTable() override;

  std::vector<std::unique_ptr<TCellList>> Rows;
  std::vector<TColObj> ColInfo;
  int NumCols = 0;
  std::vector<int> Widths, MinWidths, MaxWidths, Percents, Heights;
  int CellPadding = 1;
  int CellSpacing = 2;
  int BorderWidth = 0;
  TColor BorderColor = 0x00FFFFFF;
  TColor BorderColorLight = clBtnHighlight;
  TColor BorderColorDark = clBtnShadow;
  int tblWidthAttr = 0;   // the width the table block imposes; 0 none
  int tblHeightAttr = 0;  // the height the table block asks for; 0 none
  bool UseAbsolute = false;
  bool ListsProcessed = false;
  int TableWidth = 0, TableHeight = 0;
  int HeaderHeight = 0, HeaderRowCount = 0, FootHeight = 0, FootStartRow = -1, FootOffset = 0;
  bool HeadOrFoot = false;
  bool Float = false;
  TColor BkColor = clNone;
  std::u16string BkImageName;
  TBackgroundPRec PRec;
  // The completed grid: each position names a real cell by its index in
  // AllCells, or is a dummy.
  TGridRows Grid;
  std::vector<TCellObj*> AllCells;
  std::vector<int> RowTops;  // document Y of each row's top, from layout

  // Completes the grid once: paddings, frames, spans, dummy cells, columns.
  void AddDummyCells();

  void MinMaxWidth(TSurface& surface, int& min, int& max) override;
  int DrawLogic(TSurface& surface, int x, int y, int xRef, int yRef, int availableWidth,
                int availableHeight, int blockHeight, IndentManager& imgr, int& maxWidth,
                int& curs, TFirstLine& firstLine) override;
  int Draw1(TSurface& surface, const TRect& clip, IndentManager& imgr, int x, int xRef,
            int yRef) override;
  unsigned GetURL(TSurface& surface, int x, int y, TLinkHit& hit) override;
  int FindDocPos(int sourcePos, bool prev) const override;
  void AddSectionsToList() override;
  void CopyToClipboard() override;
  void MoveY(int dy) override;

private:
  std::vector<TWidthCell> WidthCells(TSurface& surface);
  // The steps of DrawLogic, in order.
  // Column widths for the room offered; returns the X of each column's left
  // edge (and one past the last column).
  std::vector<long long> LayOutColumns(TSurface& surface, int x, int availableWidth);
  // Lays every cell's content out at the table's top y in its columns.
  void LayOutCells(TSurface& surface, const std::vector<long long>& colX, int x, int y,
                   int availableHeight, int& maxWidth, int& curs, TFirstLine& firstLine);
  // Row heights from the cells' content heights and the height asked for.
  void FindHeights();
  // Row tops from y down; each cell's content moves to its row and
  // vertical alignment. Returns the lowest drawn bottom.
  int PlaceRows(int y);
  // The header rows at the top and footer rows (for printing).
  void FindHeadAndFoot();
  void DrawCell(TSurface& surface, const TRect& clip, TCellObj& cell, int dx, long long yOff);

  int FLayoutX = 0;
  std::vector<std::vector<int>> FRowCells;  // per row, the cells that start there
  int FMaxRowSpan = 1;
};

}  // namespace tav
