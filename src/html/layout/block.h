#pragma once
// Boxes: paragraphs, DIVs, headings, list items, the body and rules. A block
// has margins, borders, padding, an optional width and height, may float or
// be positioned, paints its background and borders, and holds its content
// in a cell.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "html/css/properties.h"
#include "html/layout/cell.h"
#include "html/layout/section_base.h"
#include "html/paint/background_painter.h"
#include "html/parse/attributes.h"

namespace tav {

class TImageObj;

class TBlock : public TSectionBase {
public:
  // Takes the box values and the rest from `props`; registers its id;
  // collapses its vertical margins with what stands before it in `owner`.
  TBlock(TSectionList& document, TCellBasic& owner, const TProperties& props,
         const TAttributeList* attrs);
  ~TBlock() override;

  std::unique_ptr<TBlockCell> MyCell;
  TCellBasic* OwnerCell;  // the cell the block stands in
  std::u16string TagClass;
  std::unique_ptr<TProperties> Props;  // the box values as written
  TMarginArray MargArray{};            // in pixels, from the last layout
  int MarginTop = 0;                   // vertical margins after collapsing
  int MarginBottom = 0;
  bool TopAuto = false;
  bool BottomAuto = false;
  BorderStyleType BorderStyle = BorderStyleType::bssNone;
  TColor BGColor = clNone;
  TColor FGColor = clBlack;
  int EmSize = 0;
  int ExSize = 0;
  std::u16string BlockTitle;
  AlignmentType FloatLR = AlignmentType::ANone;
  ClearAttrType ClearAttr = ClearAttrType::clrNone;
  PositionType Positioning = PositionType::posStatic;
  VisibilityType Visibility = VisibilityType::viVisible;
  int ZIndex = 0;
  TPropDisplay FDisplay = TPropDisplay::pdUnassigned;
  bool HideOverflow = false;
  AlignmentType Justify = AlignmentType::ALeft;
  // The background picture (from background-image url(...)), fetched by
  // the first layout and dropped when it cannot be had; its place and
  // repeat in PRec.
  std::unique_ptr<TImageObj> BGImage;
  TBackgroundPRec PRec;
  int X = 0;            // left of the content box
  int Indent = 0;       // content offset from the block's left edge
  int NewWidth = 0;     // content width
  int TopP = 0;
  int LeftP = 0;
  int ContentLeft = 0;
  int ClientContentBot = 0;
  int ClearAddon = 0;
  std::vector<TSectionBase*> DrawList;  // children in paint order

  bool DisplayNone() const { return FDisplay == TPropDisplay::pdNone; }
  bool Floating() const { return FloatLR == AlignmentType::ALeft || FloatLR == AlignmentType::ARight; }

  int DrawLogic(TSurface& surface, int x, int y, int xRef, int yRef, int availableWidth,
                int availableHeight, int blockHeight, IndentManager& imgr, int& maxWidth,
                int& curs, TFirstLine& firstLine) override;
  int Draw1(TSurface& surface, const TRect& clip, IndentManager& imgr, int x, int xRef,
            int yRef) override;
  void MinMaxWidth(TSurface& surface, int& min, int& max) override;
  void AddSectionsToList() override { MyCell->AddSectionsToList(); }
  void CopyToClipboard() override { MyCell->CopyToClipboard(); }
  unsigned GetURL(TSurface& surface, int x, int y, TLinkHit& hit) override {
    return MyCell->GetURL(surface, x, y, hit);
  }
  int FindDocPos(int sourcePos, bool prev) const override;
  void MoveY(int dy) override;

  // The content width for the available width (the number of auto values
  // among margin-left, margin-right and width decides); sets the margins.
  virtual int FindWidth(TSurface& surface, int availableWidth, int autoCount);

protected:
  void CollapseMargins();
  // The steps of DrawLogic, in order.
  // ClearAddon: how far the clear setting moves the block below floats.
  void FindClearance(IndentManager& imgr, int y);
  // Box values in pixels, the relative or absolute offsets (TopP, LeftP)
  // and the content width; returns where the block is laid out from (the
  // flow position, or the reference origin when absolutely positioned).
  TPoint ResolveBox(TSurface& surface, int x, int y, int xRef, int yRef, int availableWidth,
                    int availableHeight);
  // X of the content: beside floats for a left float (top may move down),
  // against the right side for a right float, else after the left margin,
  // border and padding.
  void PlaceHorizontally(IndentManager& imgr, int x, int originX, int& top, int availableWidth);
  // Lays the content out between the content edges; returns its widest
  // extent.
  int LayOutContent(TSurface& surface, IndentManager& imgr, int availableHeight, int blockHeight,
                    int& curs, TFirstLine& firstLine);
  // ClientContentBot, ContentBot and DrawBot from the laid-out content.
  void FindBottoms();
  // A floating block registers its box with the indent manager (left: the
  // left margin, border and padding).
  void RegisterFloat(IndentManager& imgr, int left);
  virtual void DrawBlockBackground(TSurface& surface, const TRect& borderBox);
  // Paints the content (and list markers) with the block's offset applied.
  virtual void DrawContent(TSurface& surface, const TRect& clip, int dx);
  void BuildDrawList();

  // Paints the children in DrawList[from, to) that meet the clip.
  void DrawRange(TSurface& surface, const TRect& clip, int dx, std::size_t from, std::size_t to);
  // For the children in the flow (document order, z-index 0): the lowest
  // bottom up to each, and the highest top from each on, so that painting
  // finds the visible ones by binary search.
  void IndexFlow();

  int FLayoutX = 0;  // the x the block was laid out at
  std::size_t FFlowBegin = 0;
  std::size_t FFlowEnd = 0;
  std::vector<int> FFlowMaxBot;
  std::vector<int> FFlowMinTop;
  int FFlowCycle = -1;
  int FMinMaxCycle = -1;
  int FMin = 0;
  int FMax = 0;
  std::unique_ptr<IndentManager> FOwnIMgr;  // absolutely positioned blocks
  bool FDrawListBuilt = false;
};

enum class ListTypeType { None, Ordered, Unordered, Definition, liAlone };

// A list item: a block with its marker.
class TBlockLI : public TBlock {
public:
  // `marker` is the one the list's or the item's TYPE chose; without one,
  // ordered items are numbered in decimal and unordered ones take the bullet
  // of their nesting level.
  TBlockLI(TSectionList& document, TCellBasic& owner, const TProperties& props,
           const TAttributeList* attrs, ListTypeType listType,
           std::optional<ListBulletType> marker, int number, int level);
  ~TBlockLI() override;
  ListTypeType ListType;
  ListBulletType ListStyleType = ListBulletType::lbBlank;
  int ListNumb;
  int FirstLineHt = 0;  // baseline of the first line
  // The picture marker from list-style-image, drawn instead of the bullet
  // or number; dropped when it cannot be loaded.
  std::unique_ptr<TImageObj> Image;

  void MoveY(int dy) override {
    TBlock::MoveY(dy);
    FirstLineHt = ShiftY(FirstLineHt, dy);
  }

  int DrawLogic(TSurface& surface, int x, int y, int xRef, int yRef, int availableWidth,
                int availableHeight, int blockHeight, IndentManager& imgr, int& maxWidth,
                int& curs, TFirstLine& firstLine) override;

protected:
  void DrawContent(TSurface& surface, const TRect& clip, int dx) override;
};

// The document's top block; its background is the page's: the viewer
// paints its colour and picture over the whole window, so the block keeps
// no picture of its own.
class TBodyBlock : public TBlock {
public:
  TBodyBlock(TSectionList& document, TCellBasic& owner, const TProperties& props,
             const TAttributeList* attrs);

protected:
  void DrawBlockBackground(TSurface&, const TRect&) override {}
};

// A horizontal rule.
class THorzLine : public TSectionBase {
public:
  THorzLine(TSectionList& document, const TProperties& props, const TAttributeList* attrs);
  int DrawLogic(TSurface& surface, int x, int y, int xRef, int yRef, int availableWidth,
                int availableHeight, int blockHeight, IndentManager& imgr, int& maxWidth,
                int& curs, TFirstLine& firstLine) override;
  int Draw1(TSurface& surface, const TRect& clip, IndentManager& imgr, int x, int xRef,
            int yRef) override;
  void MinMaxWidth(TSurface& surface, int& min, int& max) override;

  int VSize = 2;
  int HWidth = -1;          // pixels; -1 the full width
  int HPercent = 100;       // with HWidth -1
  AlignmentType Align = AlignmentType::ACenter;
  bool NoShade = false;
  TColor Color = clNone;
  bool Coloured = false;  // its own colour: drawn solid, shaded or not
  int XLeft = 0;  // laid out: left relative to the layout x
  int Width = 0;
};

// A page break: takes no room on screen (it matters only when printing).
class TPage : public TSectionBase {
public:
  using TSectionBase::TSectionBase;
};

class THRBlock : public TBlock {
public:
  using TBlock::TBlock;
  THorzLine* Line = nullptr;
};

}  // namespace tav
