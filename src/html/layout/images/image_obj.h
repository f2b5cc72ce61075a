#pragma once
// Images of a text section: an IMG element (or a background picture) that
// stands at one character position, takes its size from its attributes,
// its style and the picture, and paints the picture or a placeholder box
// with its ALT text.
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "html/css/properties.h"
#include "html/layout/window_object.h"
#include "html/media/image_cache.h"
#include "html/paint/border_painter.h"

namespace tav {

class TAttributeList;
class TChildPanel;
class TFontObj;
class TSectionList;
class TImageFormControlObj;
class TCellBasic;

// Sides and sizes are clamped to this: far beyond any page, small enough
// that a box plus its border and spaces stays within int.
constexpr int MaxObjectExtent = 1000000;
// HSPACE and VSPACE are read as their absolute value, at most this.
constexpr int MaxObjectSpace = 40;
// BORDER is clamped to 0..MaxImageBorder.
constexpr int MaxImageBorder = 10;
// A placeholder's box is at least this large; the icon sits 4 pixels in.
constexpr int PlaceholderMinSide = 24;

// An object placed in a line or floated to a side: images (and later
// panels).
class TFloatingObj {
public:
  explicit TFloatingObj(TSectionList& document);
  virtual ~TFloatingObj();
  TFloatingObj(const TFloatingObj&) = delete;
  TFloatingObj& operator=(const TFloatingObj&) = delete;

  TSectionList& ParentSectionList;
  int Pos = 0;  // character position in its section
  // The outer size, border included and spaces excluded.
  int ImageHeight = 0;
  int ImageWidth = 0;
  AlignmentType VertAlign = AlignmentType::ABottom;  // ATop, AMiddle, ABaseline, ABottom
  AlignmentType HorzAlign = AlignmentType::ANone;    // ANone, or ALeft / ARight: floating
  int Indent = 0;
  int HSpaceL = 0, HSpaceR = 0, VSpaceT = 0, VSpaceB = 0;
  int SpecWidth = -1, SpecHeight = -1;  // -1: not given
  bool PercentWidth = false, PercentHeight = false;
  // max-width: pixels, or a percentage of the room with PercentMaxWidth;
  // -1 when there is no limit.
  int MaxWidth = -1;
  bool PercentMaxWidth = false;
  std::u16string ImageTitle;
  std::u16string FAlt;
  std::u16string FAltW;
  bool ImageKnown = false;
  // Document position of the picture's top-left corner inside the border,
  // stored while painting.
  int DrawXX = 0, DrawYY = 0;
  bool NoBorder = false;
  int BorderSize = 0;
  // Where a floating object was placed by layout (document X and Y of its
  // box, spaces excluded).
  int FloatX = 0, FloatY = 0;
  // display: none: the object keeps its place in the text but takes no
  // room, is not fetched, painted or hit, and never floats.
  bool DisplayNone = false;
  // A style border: drawn around the box, in the spaces its widths were
  // added to (no side wider than 0 when there is none).
  TBorderSides StyleBorder;

  bool Floating() const {
    return HorzAlign == AlignmentType::ALeft || HorzAlign == AlignmentType::ARight;
  }
  // Width and height with the spaces around the box.
  int TotalWidth() const;
  int TotalHeight() const;

  // Applies the element's style: vertical-align, float, title, margins as
  // spaces, border widths added to the spaces, width and height, and a
  // border style switching the own frame off.
  void ProcessProperties(const TProperties& props);

  // Sizes the object for a layout pass; `font` is the run it stands in.
  virtual void DrawLogic(TSurface& surface, int availableHeight, int availableWidth,
                         const TFontObj* font) = 0;
  // Paints the object with its box's left at window X `x`: `baseline` and
  // `topY` are the window Y of the line's baseline and top. `docDX` turns a
  // window X into a document X.
  virtual void Draw(TSurface& surface, int x, const TFontObj* font, int baseline, int topY,
                    int docDX) = 0;

  bool HasStyleBorder() const;
  // Paints the style border around the box whose top-left is (x, y)
  // (window coordinates).
  void DrawStyleBorder(TSurface& surface, int x, int y) const;
  // Sizes a hidden object to nothing; true when it is hidden.
  bool SizeHidden();

  // Whether a document point lies on the picture (inside the border); the
  // point relative to (DrawXX, DrawYY) in ix, iy.
  bool PtInObject(int x, int y, int& ix, int& iy) const;

protected:
  // ALIGN, HSPACE, VSPACE, ALT, TITLE, WIDTH and HEIGHT.
  void ReadCommonAttributes(const TAttributeList& attributes);
  // The box top for a line: by the vertical alignment.
  int BoxTop(const TFontObj* font, int baseline, int topY) const;
  // The drawn size inside the border: the given size, a percentage of the
  // room left beside the border, and the natural size's aspect ratio for a
  // side not given; then cut to max-width, the height in proportion unless
  // both sides were given. Clamped to 0..MaxObjectExtent.
  void SizeFromGiven(int naturalWidth, int naturalHeight, int availableWidth,
                     int availableHeight, int& width, int& height) const;
};

// What a picture is in: none fetched yet, a decoded picture, the broken
// icon, or the pending icon while a delayed picture is awaited.
enum class TImageState { isNone, isShown, isBroken, isPending };

class TImageObj : public TFloatingObj {
public:
  // An IMG element at `pos`.
  TImageObj(TSectionList& document, int pos, const TAttributeList& attributes);
  // A background picture: no size, no border, no alignment.
  static std::unique_ptr<TImageObj> SimpleCreate(TSectionList& document, const std::u16string& url);
  ~TImageObj() override;

  std::shared_ptr<TBitmap> FBitmap;  // a copy made on request
  int AltHeight = 0, AltWidth = 0;   // the placeholder's box
  int ObjHeight = 0, ObjWidth = 0;   // the picture's drawn size, border excluded
  std::u16string Source;             // SRC, trimmed
  std::string FetchName;             // the name it was fetched under (the cache key)
  std::shared_ptr<TBitmap> Image;    // the picture in use (a decoded one or an icon)
  std::shared_ptr<TBitmap> OrigImage;
  std::shared_ptr<TBitmap> Mask;     // white = transparent; may be null
  TTransparency Transparent = TTransparency::NotTransp;
  bool IsMap = false;
  bool UseMap = false;
  std::u16string MapName;  // upper-cased, without '#'
  TImageFormControlObj* MyFormControl = nullptr;  // the image button this picture shows
  TCellBasic* MyCell = nullptr;
  bool Swapped = false;  // the picture came from ReplaceImage and is owned here
  bool Missing = false;  // waiting for a delayed picture
  TImageState State = TImageState::isNone;

  // A placeholder shows an icon: a broken or pending picture, or any when
  // pictures are switched off.
  bool IsPlaceholder() const;

  void DrawLogic(TSurface& surface, int availableHeight, int availableWidth,
                 const TFontObj* font) override;
  void Draw(TSurface& surface, int x, const TFontObj* font, int baseline, int topY,
            int docDX) override;
  // The picture alone at (x, y): through its mask when it has one and is
  // transparent (or is the broken icon), an icon at its own size, any other
  // picture stretched to ObjWidth x ObjHeight.
  void DoDraw(TSurface& surface, int x, TBitmap* mask, TBitmap& picture, int y);

  // A delayed picture arrived for `name` (error: it will not come). Leaves
  // the pending state; reformat is set when the size was not final.
  void InsertImage(const std::string& name, bool error, bool& reformat);
  // Replaces the picture by one decoded from `data`; false (and nothing
  // changed) when it cannot be decoded.
  bool ReplaceImage(std::string_view data);
  // The picture as a bitmap copy, or null for the icons and before a fetch.
  std::shared_ptr<TBitmap> GetBitmap();

private:
  void Fetch();
  void MeasureAlt(TSurface& surface);
  void DrawAltText(TSurface& surface, const TFontObj* font, int left, int top);
  void ReleasePicture();

  bool FAltMeasured = false;
  int FAltTextW = 0, FAltTextH = 0;
  bool FCachedUse = false;  // the picture came from the cache and counts as a use
};

// A PANEL: placed and spaced like an image, showing a window panel that the
// page's owner may fill (white, a single-line border, 30 x 20 unless the
// owner sizes it). Without a window it is drawn as a white box with its
// ALT text.
class TPanelObj : public TFloatingObj, public TWindowObject {
public:
  static constexpr int DefaultWidth = 30;
  static constexpr int DefaultHeight = 20;

  // Reads NAME, SRC, TYPE, ALT, TITLE, ALIGN, WIDTH (pixels, or a
  // percentage clamped to 1..100), HEIGHT (pixels, at least 1, or a
  // percentage of 1..100), HSPACE and VSPACE; makes the native panel when
  // the document has a window, out of sight, and offers it to the
  // document's OnPanelCreate.
  TPanelObj(TSectionList& document, int pos, const TAttributeList& attributes);
  ~TPanelObj() override;

  std::u16string Name, Src, Type;
  std::unique_ptr<TChildPanel> Panel;
  TColor Color = clWhite;
  int NaturalWidth = DefaultWidth;
  int NaturalHeight = DefaultHeight;

  void DrawLogic(TSurface& surface, int availableHeight, int availableWidth,
                 const TFontObj* font) override;
  void Draw(TSurface& surface, int x, const TFontObj* font, int baseline, int topY,
            int docDX) override;
  // Moves the native panel to (x, y) of the window and shows it; hides it.
  void ShowAt(int x, int y) override;
  void HidePanel();
  void HideWindow() override { HidePanel(); }
};

// The images of one section, in position order.
class TImageObjList {
public:
  TImageObjList();
  ~TImageObjList();
  TImageObjList(TImageObjList&&) noexcept;
  TImageObjList& operator=(TImageObjList&&) noexcept;

  std::vector<std::unique_ptr<TFloatingObj>> Items;

  int Count() const { return static_cast<int>(Items.size()); }
  void Add(std::unique_ptr<TFloatingObj> obj) { Items.push_back(std::move(obj)); }
  // The object at a character position, or null.
  TFloatingObj* FindImage(int pos) const;
  // Width with the horizontal spaces of the object at pos (a floating one
  // reports `floating`); -1 when none is there.
  int GetWidthAt(int pos, bool& floating) const;
  // Height with the vertical spaces, and the vertical alignment; -1 when
  // none is there.
  int GetHeightAt(int pos, AlignmentType& align, bool& floating) const;
  // Characters from pos to the next object at or after it (99999999 when
  // none).
  int GetImageCountAt(int pos) const;
  // Positions after pos move back by n.
  void Decrement(int pos, int n);
  // The first object whose picture holds the document point; the point
  // relative to it in ix, iy.
  TFloatingObj* PtInImage(int x, int y, int& ix, int& iy) const;

private:
  std::size_t LowerBound(int pos) const;
};

}  // namespace tav
