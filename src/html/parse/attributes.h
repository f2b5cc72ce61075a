#pragma once
// The attributes of the tag just read.
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "html/parse/symbols.h"

namespace tav {

class TGraphicsDevice;
class TProperties;

struct TAttribute {
  Symb Which = OtherAttribute;
  std::u16string WhichName;  // as read, upper-cased
  std::u16string Name;       // the value text, references decoded
  int Value = 0;             // the value's leading number, saturated; else 0
  int CodePage = 0;
};

class TAttributeList {
public:
  TAttributeList();
  ~TAttributeList();

  void Clear();
  void Add(TAttribute attribute);
  int Count() const { return static_cast<int>(FItems.size()); }
  const TAttribute& operator[](int i) const { return FItems[static_cast<std::size_t>(i)]; }
  auto begin() const { return FItems.begin(); }
  auto end() const { return FItems.end(); }

  // The first attribute with the symbol, or null.
  const TAttribute* Find(Symb which) const;
  std::u16string TheTitle() const;
  // The ID value lower-cased (cached for the tag in SaveID).
  const std::u16string& TheID();
  // The CLASS value trimmed and lower-cased, several names sorted and
  // joined with '.'.
  std::u16string TheClass() const;
  // The STYLE value parsed into a set owned by the list; null without one.
  const TProperties* TheStyle(TGraphicsDevice& device);

  std::u16string SaveID;

private:
  std::vector<TAttribute> FItems;
  bool FIDDone = false;
  std::unique_ptr<TProperties> FProp;
  bool FPropDone = false;
};

// WIDTH and HEIGHT: N pixels, or N percent when the value holds '%'. Each
// caller says which values it takes of each form.
struct TSizeRange {
  int Low = 0;
  int High = 0;
  bool ClampLow = false;   // below Low: Low; else the attribute is ignored
  bool ClampHigh = false;  // above High: High; else the attribute is ignored
};
// Low..High; any other value is ignored.
constexpr TSizeRange Within(int low, int high) { return {low, high, false, false}; }
// Low and up; a lower value is ignored.
constexpr TSizeRange AtLeast(int low) { return Within(low, std::numeric_limits<int>::max()); }
// Low and up, cut to High; a value below Low is ignored.
constexpr TSizeRange AtLeastCutTo(int low, int high) { return {low, high, false, true}; }
// Any value, cut to Low..High.
constexpr TSizeRange ClampedTo(int low, int high) { return {low, high, true, true}; }
// This form is not taken at all.
constexpr TSizeRange Refused() { return Within(1, 0); }

// Where the '%' that makes a percentage may stand in the value text.
enum class TPercentMark { Anywhere, AtEnd };

struct TSizeAttribute {
  int Value = 0;
  bool Percent = false;
};

// The attribute as a size within the caller's ranges; nothing when its value
// lies outside the range of its form.
std::optional<TSizeAttribute> ReadSizeAttribute(const TAttribute& a, TSizeRange percent,
                                                TSizeRange pixels,
                                                TPercentMark mark = TPercentMark::Anywhere);

}  // namespace tav
