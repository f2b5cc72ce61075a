#pragma once
// The style property set of one element: font, colours, box values,
// alignment, lists and page breaks, with the inheritance from the parent's
// set, the conversions the layout reads them with, and the element's font.
#include <array>
#include <bitset>
#include <memory>
#include <string>
#include <variant>

#include "html/css/default_look.h"
#include "platform/colors.h"
#include "platform/surface.h"

namespace tav {

enum class PropIndices : std::uint8_t {
  FontFamily, FontSize, FontStyle, FontWeight, TextAlign, TextDecoration, LetterSpacing,
  BorderStyle, Color, BackgroundColor, BorderColor,
  MarginTop, MarginRight, MarginBottom, MarginLeft,
  PaddingTop, PaddingRight, PaddingBottom, PaddingLeft,
  BorderTopWidth, BorderRightWidth, BorderBottomWidth, BorderLeftWidth,
  BorderTopColor, BorderRightColor, BorderBottomColor, BorderLeftColor,
  BorderTopStyle, BorderRightStyle, BorderBottomStyle, BorderLeftStyle,
  Width, Height, TopPos, BottomPos, RightPos, LeftPos, MaxWidth,
  Visibility, LineHeight, BackgroundImage, BackgroundPosition, BackgroundRepeat,
  BackgroundAttachment, VerticalAlign, Position, ZIndex, ListStyleType, ListStyleImage,
  Float, Clear, TextIndent, PageBreakBefore, PageBreakAfter, PageBreakInside,
  TextTransform, WordWrap, FontVariant, BorderCollapse, OverFlow, piDisplay, piEmptyCells, WhiteSpace,
};
constexpr int PropCount = 63;
static_assert(static_cast<int>(PropIndices::WhiteSpace) + 1 == PropCount,
              "PropCount counts every property");
constexpr int FirstBoxProp = 11;  // MarginTop
constexpr int LastBoxProp = 37;   // MaxWidth

constexpr int IntNull = -12345678;        // a box value that is not set
constexpr int Auto = -12348765;           // "auto"
constexpr int AutoParagraph = -12348766;  // a paragraph's vertical margin: 14, dropped in cells
constexpr int ParagraphAutoPixels = 14;

// A property value: empty, an integer (lengths in pixels, colours, reserved
// values), a number (font sizes in points) or text.
using TPropValue = std::variant<std::monostate, int, double, std::u16string>;

// The style-sheet name of a property ("font-family") and back; false for an
// unknown name.
std::u16string_view PropName(PropIndices index);
bool PropIndexOf(std::u16string_view name, PropIndices& index);

inline bool IsEmpty(const TPropValue& v) { return std::holds_alternative<std::monostate>(v); }
inline bool IsText(const TPropValue& v) { return std::holds_alternative<std::u16string>(v); }
inline bool IsInt(const TPropValue& v) { return std::holds_alternative<int>(v); }
inline bool IsNumber(const TPropValue& v) {
  return std::holds_alternative<int>(v) || std::holds_alternative<double>(v);
}
double AsNumber(const TPropValue& v);  // 0 for text and empty
std::u16string AsText(const TPropValue& v);  // empty for non-text
// Whether a size value was given: not empty, not the unset or auto markers,
// not the text "auto".
bool IsValueSet(const TPropValue& v);
// Whether a value is a percentage as written ("50%"), not yet resolved.
bool IsPercentValue(const TPropValue& v);

enum class TPropDisplay { pdUnassigned, pdBlock, pdInline, pdInlineBlock, pdListItem, pdRunIn, pdNone };
enum class ListBulletType { lbBlank, lbCircle, lbDecimal, lbDisc, lbLowerAlpha, lbLowerRoman,
                            lbNone, lbSquare, lbUpperAlpha, lbUpperRoman };
enum class BorderStyleType { bssNone, bssSolid, bssInset, bssOutset, bssGroove, bssRidge,
                             bssDashed, bssDotted, bssDouble };
enum class AlignmentType { ANone, ALeft, ARight, ACenter, AJustify, ATop, AMiddle, ABaseline,
                           ABottom, ASub, ASuper };
enum class ClearAttrType { clrNone, clLeft, clRight, clAll };
enum class PositionType { posStatic, posRelative, posAbsolute };
enum class VisibilityType { viVisible, viHidden };
// normal: spaces collapse, lines wrap; nowrap: collapse, no wrapping; pre:
// spaces and line ends kept, no wrapping; pre-wrap: kept, lines wrap.
enum class TWhiteSpace { Normal, NoWrap, Pre, PreWrap };

BorderStyleType BorderStyleOf(std::u16string_view text);

// A font as the link states need it, without a device.
struct TFontInfo {
  std::u16string Family;
  double Size = 12;
  std::u16string Weight;
  std::u16string Style;
  std::u16string Decoration;
  TColor Color = clBlack;
  TColor BGColor = clNone;
  bool operator==(const TFontInfo&) const = default;
};
// The four link-state fonts.
enum TLinkState { lsNormal, lsVisited, lsHover, lsHoverVisited };
using TFontInfoArray = std::array<TFontInfo, 4>;

// A created font with the metrics layout needs.
struct TMyFont {
  TFontRef Font;
  TFontDesc Desc;
  TColor Color = clBlack;
  TColor bgColor = clNone;
  int tmHeight = 0;
  int tmDescent = 0;
  int tmExternalLeading = 0;
  int tmMaxCharWidth = 0;
  int tmAveCharWidth = 0;
  int tmCharset = 0;
  int CharExtra = 0;  // letter spacing in pixels
  int EmSize = 0;
  int ExSize = 0;
  // Takes `font` with its metrics: heights, character widths, em and ex.
  void TakeFont(TFontRef font);
  void AssignToCanvas(TSurface& surface) const;
};

// Whether a font-weight value is bold: "bold", "bolder" or 600 and above.
bool WeightIsBold(const std::u16string& weight);

// The 26 box values (margins, padding, border widths, colours, styles,
// sizes, positions) in pixels and colours; auto values are Auto.
using TMarginArray = std::array<int, PropCount>;

class TStyleList;
class TPropStack;

class TProperties {
public:
  explicit TProperties(TGraphicsDevice& device);
  TProperties(const TProperties& other);
  // A copy that belongs to another device of the same pixel density.
  TProperties(const TProperties& other, TGraphicsDevice& device) : TProperties(other) {
    FDevice = &device;
  }
  TProperties& operator=(const TProperties&) = delete;

  TGraphicsDevice& Device() const { return *FDevice; }

  const TPropValue& Get(PropIndices i) const;
  // Sets a value without touching its Originals flag.
  void Set(PropIndices i, const TPropValue& value);
  void Set(PropIndices i, TPropValue&& value);
  bool Original(PropIndices i) const { return FOriginals.test(static_cast<std::size_t>(i)); }
  void SetOriginal(PropIndices i, bool on) { FOriginals.set(static_cast<std::size_t>(i), on); }
  // Whether two sets hold the same values.
  bool SameValues(const TProperties& other) const;
  // How many distinct value blocks this set holds alone (not shared with
  // another set): what stacking it costs.
  int UnsharedBlocks() const;

  void Copy(const TProperties& source);
  void CopyDefault(const TProperties& source);
  void Inherit(const std::u16string& tag, const TProperties& parent);
  // Re-derives every value this element did not set from a new parent.
  void Update(const TProperties& parent);
  // Sets one value unless this element already set it; marks it original.
  void Assign(const TPropValue& value, PropIndices index);
  // Sets one declaration of a STYLE attribute (an unreadable colour gives
  // black).
  void AddPropertyByName(const std::u16string& name, const std::u16string& value);
  // Sets one declaration of a style-sheet rule (an unreadable colour is
  // ignored).
  void AddSheetProperty(const std::u16string& name, const std::u16string& value);
  // Combines the matching rules of `styles` and the inline style (applied
  // last); `stack` holds the ancestors (its top is the parent).
  void Combine(TStyleList& styles, const std::u16string& tag, const std::u16string& cls,
               const std::u16string& id, const std::u16string& pseudo,
               const std::u16string& title, const TProperties* inlineStyle,
               const TPropStack* stack);
  // Copies every non-empty value of `rule` and marks it original; box values
  // that are not set are skipped.
  void Merge(const TProperties& rule);
  void SetFontBG();
  void AssignCharSet(int charSet);
  void AssignUTF8();

  // The element's font, made on first use and kept until the font values
  // change.
  const TMyFont& GetFont() const;
  // Takes `other`'s built font when both sets hold the same font values, so
  // that an element styled like its parent in every font value builds no
  // font of its own.
  void ShareFont(const TProperties& other);
  TFontInfo FontInfo() const;  // family, size, style, colour without a device

  // Readings for layout.
  TPropDisplay GetDisplay() const;
  ListBulletType GetListStyleType() const;
  BorderStyleType GetBorderStyle() const;
  bool BorderStyleNotBlank() const;
  // False when vertical-align is not set.
  bool GetVertAlign(AlignmentType& align) const;
  bool GetFloat(AlignmentType& align) const;
  ClearAttrType GetClear() const;
  PositionType GetPosition() const;
  VisibilityType GetVisibility() const;
  bool IsOverflowHidden() const;
  bool Collapse() const;
  bool ShowEmptyCells() const;
  void GetPageBreaks(bool& before, bool& after, bool& inside) const;
  // Text indent in pixels, or a percentage (out of 100) with `percent` set.
  int GetTextIndent(bool& percent) const;
  // -1: the font's own height.
  int GetLineHeight(int normalHeight) const;
  std::u16string GetFontVariant() const;
  // white-space: how the element's text keeps spaces and line ends and
  // whether its lines wrap.
  TWhiteSpace GetWhiteSpace() const;
  int GetTextTransform() const;
  TColor GetBackgroundColor() const;
  TColor GetOriginalForegroundColor() const;
  // One or two words of background-position, each in pixels or (with its
  // flag) a percentage.
  struct TBackgroundPos {
    int X = 0, Y = 0;
    bool XPercent = true, YPercent = true;
  };
  TBackgroundPos GetBackgroundPos() const;
  void GetBackgroundRepeat(bool& repeatX, bool& repeatY) const;
  bool BackgroundFixed() const;
  // The box values converted to pixels against a containing width and
  // height; autoCount counts the auto horizontal margins and widths.
  void ConvMargArray(int baseWidth, int baseHeight, TMarginArray& out, int& autoCount) const;

  // Identity of the element, for contextual rules.
  std::u16string PropTag, PropClass, PropID, PropPseudo, PropTitle;
  const TProperties* PropStyle = nullptr;

  TColor FontBG = clNone;
  int CharSet = 1;
  int CodePage = 0;
  std::u16string DefFontname = kDefaultFontName;
  int EmSize = 12;
  int ExSize = 6;
  bool InLink = false;
  std::shared_ptr<const TFontInfoArray> FIArray;
  int ID;

  // A block of values shared between sets until one of them changes it.
  struct TBlock;

private:
  static constexpr int BlockSize = 4;
  static constexpr int BlockCount = (PropCount + BlockSize - 1) / BlockSize;

  void InheritValues(const std::u16string& tag, const TProperties& parent, bool keepOriginals);
  void CopyIdentityFree(const TProperties& parent);
  void DropFont() { FFont.reset(); }
  // Builds the element's own font when `text` may use em or ex, so that
  // EmSize and ExSize are this element's and not its parent's.
  void EnsureFontSizes(std::u16string_view text) const;
  void KeepLinkFontsInStep(PropIndices index);
  void SetByName(const std::u16string& name, const std::u16string& value, bool sheet);

  TGraphicsDevice* FDevice;
  // The slot of value i, its block copied first unless this set holds the
  // block alone.
  TPropValue& WritableSlot(int i);
  // Blocks that came out equal to the new-set defaults share those again.
  void ShareDefaultBlocks();

  using TBlocks = std::array<std::shared_ptr<TBlock>, BlockCount>;
  // Only a block that no other set holds (use count 1) is written in place.
  TBlocks FBlocks;
  // The blocks an ordinary child inherits from this set, made on the first
  // child and shared by its siblings; dropped when a value here changes.
  mutable TBlocks FChildBlocks;
  mutable bool FChildBlocksValid = false;
  void BlocksChanged() {
    if (FChildBlocksValid) {
      FChildBlocks = {};
      FChildBlocksValid = false;
    }
    DropFont();
  }
  // Every value an ordinary child resets (those not inherited, the box
  // values) holds its reset value here: such a child's values are this
  // set's own. Cleared when one of them is written.
  bool FResetHeld = false;
  std::bitset<PropCount> FOriginals;
  mutable std::shared_ptr<const TMyFont> FFont;
};

}  // namespace tav
