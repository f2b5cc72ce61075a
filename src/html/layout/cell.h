#pragma once
// A cell: the ordered items of a block, a table cell or the document.
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "html/css/properties.h"
#include "html/layout/indent_manager.h"
#include "html/layout/section_base.h"

namespace tav {

class TSection;
class TBlock;

class TCellBasic {
public:
  explicit TCellBasic(TSectionList& document) : Document(document) {}
  virtual ~TCellBasic();
  TCellBasic(const TCellBasic&) = delete;
  TCellBasic& operator=(const TCellBasic&) = delete;

  TSectionList& Document;
  std::vector<std::unique_ptr<TSectionBase>> Items;
  std::u16string OwnersTag;
  int tcContentBot = 0;
  int tcDrawBot = 0;

  int Count() const { return static_cast<int>(Items.size()); }
  // Adds an item; a section is finished first (ProcessText with the source
  // index of its end) and dropped when it stays empty. The clearance of a
  // dropped section (a BR CLEAR with nothing after it in the run) passes to
  // the next section or block added.
  void Add(std::unique_ptr<TSectionBase> item, int index);
  // The last item's automatic bottom margin becomes 0; true when it had one.
  bool CheckLastBottomMargin();
  // Lays the items out top to bottom from (x, y) in `width`; returns the
  // height. scrollWidth grows to the widest extent; firstLine goes to every
  // item (see TFirstLine).
  int DoLogic(TSurface& surface, int x, int y, int width, int availableHeight, int blockHeight,
              int& scrollWidth, int& curs, TFirstLine& firstLine);
  void MinMaxWidth(TSurface& surface, int& min, int& max);
  // Paints the items that meet the clip (screen coordinates); x is the
  // screen X of the left edge the cell was laid out at, and a document Y is
  // drawn at Y - the document's YOff. Returns the bottom painted.
  int Draw(TSurface& surface, const TRect& clip, int x, int xRef, int yRef);
  void AddSectionsToList();
  void CopyToClipboard();
  // The link under a document point: the first item whose drawn extent
  // holds y and that finds one.
  unsigned GetURL(TSurface& surface, int x, int y, TLinkHit& hit);
  // Moves every item (and the cell's bottoms) dy pixels down.
  void MoveY(int dy);

protected:
  // Clearance waiting for the next section or block.
  ClearAttrType PendingClear = ClearAttrType::clrNone;

  // The indent manager the items are laid out and painted with.
  virtual IndentManager& Indents() = 0;

private:
  // The items [first, last) that may reach into document rows top..bottom:
  // found by binary search over the running greatest bottom, then up to
  // where every later item starts below. Built once per layout.
  std::pair<std::size_t, std::size_t> ItemsNear(long long top, long long bottom);
  std::vector<int> FMaxBot;  // the greatest bottom of items 0..i
  std::vector<int> FMinTop;  // the least top of items i..end
  int FIndexCycle = -1;
};

// The cell of a block: its items are laid out against the block's content
// edges through the indent manager.
class TBlockCell : public TCellBasic {
public:
  TBlockCell(TSectionList& document, IndentManager* imgr) : TCellBasic(document), IMgr(imgr) {}
  IndentManager* IMgr;
  TBlock* OwnerBlock = nullptr;  // the block whose content this is

protected:
  IndentManager& Indents() override { return *IMgr; }
};

}  // namespace tav
