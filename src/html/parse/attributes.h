#pragma once
// The attributes of the tag just read.
#include <memory>
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

}  // namespace tav
