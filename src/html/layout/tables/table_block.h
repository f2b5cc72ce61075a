#pragma once
// The boxes around a table: the table block (margins, the outset border of
// BORDER, background, width attribute, alignment, floating) and the block
// that pairs a table with its caption.
#include <memory>

#include "html/layout/block.h"
#include "html/layout/tables/table.h"

namespace tav {

class TTableBlock : public TBlock {
public:
  // Takes the table into its cell. `props` are the table's; the builder has
  // already turned ALIGN left/right into a float.
  TTableBlock(TSectionList& document, TCellBasic& owner, const TProperties& props,
              const TAttributeList& attrs, std::unique_ptr<ThtmlTable> table);

  ThtmlTable* Table;
  int WidthAttr = 0;  // pixels, or tenths of a percent with AsPercent
  bool AsPercent = false;
  AlignmentType Justify798 = AlignmentType::ANone;  // ALIGN center/right, or the text's
  int HSpace = 0;  // 0..40
  int VSpace = 0;  // 0..200
  bool HasCaption = false;
  bool TableBorder = false;
  // Inside a caption pair: the box width the pair found for the table in
  // the room outside it (a percentage width is not taken again of the
  // pair's width); -1 when none.
  int PairBoxWidth = -1;

  // A table without an alignment of its own that does not float stands
  // where the surrounding text is aligned ("center" or "right").
  void TakeSurroundingAlign(const std::u16string& textAlign);

  int FindWidth(TSurface& surface, int availableWidth, int autoCount) override;
  void MinMaxWidth(TSurface& surface, int& min, int& max) override;
  // The width the block takes in `available` pixels, its borders and
  // padding included (margins not).
  int BoxWidthFor(TSurface& surface, int available);

private:
  // Left and right borders plus padding.
  int Sides() const;
};

class TTableAndCaptionBlock : public TBlock {
public:
  TTableAndCaptionBlock(TSectionList& document, TCellBasic& owner, const TProperties& props,
                        std::unique_ptr<TTableBlock> table, std::unique_ptr<TBlock> caption,
                        bool topCaption);

  TTableBlock* TableBlock;
  TBlock* FCaptionBlock;
  bool TopCaption;
  AlignmentType Justify780 = AlignmentType::ANone;

  int FindWidth(TSurface& surface, int availableWidth, int autoCount) override;
  void MinMaxWidth(TSurface& surface, int& min, int& max) override;
};

}  // namespace tav
