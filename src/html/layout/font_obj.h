#pragma once
// Font runs of a text section: where each starts, its font with the
// metrics layout needs, and for link runs the four link-state fonts.
#include <memory>
#include <string>
#include <vector>

#include "html/css/properties.h"

namespace tav {

class TSection;
struct TUrlTarget;

class TFontObj {
public:
  TFontObj(TSection* section, const TMyFont& font, int pos);

  TSection* Section;
  int Pos;  // first character of the run
  TMyFont TheFont;
  const TUrlTarget* UrlTarget = nullptr;  // the link, null when none
  std::shared_ptr<const TFontInfoArray> FIArray;
  std::u16string Title;
  AlignmentType SScript = AlignmentType::ANone;  // ASub, ASuper or none
  bool FVisited = false;
  bool FHover = false;
  bool Active = false;
  int tmHeight = 0;
  int tmMaxCharWidth = 0;
  int FontHeight = 0;  // tmHeight + tmExternalLeading
  int Descent = 0;
  int Overhang = 0;    // tmHeight / 10 for italic fonts

  // Replaces the font and takes its metrics.
  void SetFont(const TMyFont& font);
  // Switch to the matching link-state font.
  void SetVisited(bool visited);
  // Hovering also switches the neighbouring runs of the same link.
  void SetHover(bool hover);

private:
  void ApplyHover(bool hover);
};

class TFontList {
public:
  std::vector<std::unique_ptr<TFontObj>> Items;
  int Count() const { return static_cast<int>(Items.size()); }
  TFontObj& operator[](int i) const { return *Items[static_cast<std::size_t>(i)]; }
  void Add(std::unique_ptr<TFontObj> run) { Items.push_back(std::move(run)); }
  // The run containing pos, with its overhang; null when there are none.
  TFontObj* GetFontObjAt(int pos) const;
  const TMyFont* GetFontAt(int pos, int& overhang) const;
  // Characters left in the run containing pos, at most len.
  int GetFontCountAt(int pos, int len) const;
  // After the character at pos was removed: later runs move back by one,
  // two runs at the same position merge.
  void Decrement(int pos);
  // Removes dropped link runs from their document's link list.
  static void ForgetRuns(const std::vector<std::unique_ptr<TFontObj>>& runs);
};

}  // namespace tav
