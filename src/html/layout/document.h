#pragma once
// The document: its top cell, the style list, and everything the sections,
// blocks and the viewer share (names, links, inline boxes, selection,
// scroll offset, colours, layout cycle).
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "html/css/default_look.h"
#include "html/css/properties.h"
#include "html/css/style_list.h"
#include "html/layout/cell.h"
#include "html/layout/forms/form.h"
#include "html/media/image_cache.h"
#include "html/media/image_map.h"
#include "html/paint/background_painter.h"

namespace tav {

class TFontObj;
class TBodyBlock;
class TImageObj;
class TPanelObj;
class TChildPanel;

// A link as the builder met it.
struct TUrlTarget {
  std::u16string Url;
  std::u16string Target;
  int ID = 0;        // a number shared by the font runs of one link
  std::u16string Attr;
  int Start = -1;    // document positions of its first and last character
  int Last = -1;
  int TabIndex = 0;
  bool HasUrl() const { return !Url.empty(); }
};

// An inline element with a border style: where it starts and ends (source
// indices while building, document positions after layout) and its box
// values in pixels.
struct TInlineRec {
  int StartBDoc = 0;
  int EndBDoc = -1;  // -1 while the element is open
  int StartB = 0;
  int EndB = 0;
  TMarginArray MargArray{};
};

// What a name or id refers to: an item, and inside a text section a
// character position.
struct TIDObject {
  TSectionBase* Item = nullptr;
  int ChPos = -1;
};

// Pictures drawn after the flow (floating and positioned images): filled
// by the image objects.
class TDrawList {
public:
  void AddImage(std::function<void(TSurface&)> draw) { FItems.push_back(std::move(draw)); }
  void DrawImages(TSurface& surface);
  void Clear() { FItems.clear(); }

private:
  std::vector<std::function<void(TSurface&)>> FItems;
};

class TSectionList : public TCellBasic {
public:
  explicit TSectionList(TGraphicsDevice& device);
  ~TSectionList() override;

  TGraphicsDevice& Device;
  TStyleList Styles;
  std::unordered_map<std::u16string, TIDObject> IDNameList;  // upper-cased names
  std::vector<TFontObj*> LinkList;
  std::vector<TInlineRec> InlineList;
  std::vector<TSectionBase*> PositionList;  // text sections in document order
  std::vector<std::unique_ptr<TUrlTarget>> UrlTargets;  // every link, owned here
  std::unordered_set<const TSectionBase*> NamedItems;   // items the name list refers to

  int SelB = 0;
  int SelE = 0;
  int YOff = 0;
  bool ShowImages = true;
  bool LinksActive = false;
  bool Printing = false;
  bool IsCopy = false;
  TColor Background = clSystemColor | 15;  // button face
  TColor HotSpotColor = kDefaultLinkColor;
  TColor LinkVisitedColor = kDefaultVisitedColor;
  TColor LinkActiveColor = kDefaultLinkColor;
  std::u16string PreFontName = kDefaultPreFontName;
  TStyleDefaults Defaults;

  int ProgressStart = 75;
  int SectionCount = 0;
  int CycleNumber = 0;
  int TableNestLevel = 0;
  bool InLogic2 = false;
  // While set, the first line laid out stores its baseline here (a list
  // item's marker is drawn on it); cleared by that line.
  int* FirstLineHtPtr = nullptr;
  std::function<void(int percent)> OnProgress;

  // Pictures: the cache (kept across loads by whoever owns the document),
  // the fetcher with its optional request events, the names awaited, the
  // image maps in document order, and the image under the mouse.
  TStringBitmapList BitmapList;
  TPictureFetcher Fetcher{Device, BitmapList};
  TMissingImages MissingImages;
  std::vector<std::unique_ptr<TMapItem>> MapList;
  TImageObj* ActiveImage = nullptr;
  bool NoFocusRect = false;
  // The page's picture (the body's background-image), fetched when the
  // document is laid out and dropped when it cannot be had; its place,
  // repeat and whether it stays with the window (fixed) in BackgroundPRec.
  std::unique_ptr<TImageObj> BackgroundImage;
  TBackgroundPRec BackgroundPRec;
  // The size of the laid-out document (its height and widest extent).
  int DocWidth = 0;
  int DocHeight = 0;
  // What relative picture names resolve against: the BASE element's HREF,
  // else the folder of the file shown (a local path), else the working
  // directory.
  std::u16string Base;
  std::string CurrentFile;
  // The built-in pictures for this document's device, made on first use.
  const TImageIcons& Icons();
  // The name a picture's source is fetched and cached under: the expanded
  // local path, or the source as it stands when request events are set.
  std::string ExpandImageName(const std::u16string& source) const;
  // The map of that (upper-cased) name, or null.
  const TMapItem* FindMap(const std::u16string& name) const;

  // Forms: every form (owning its controls), every control in document
  // order, the TABINDEX controls by their order key until the next layout
  // gives them their places, the maker of native controls (none: controls
  // paint imitations of themselves) and the form events.
  std::vector<std::unique_ptr<ThtmlForm>> htmlFormList;
  std::vector<TFormControlObj*> FormControlList;
  // Keyed by (TABINDEX, running count): by tab index, then in the order
  // the controls came.
  std::map<std::pair<int, int>, TFormControlObj*> TabOrderList;
  TChildControlFactory* ChildControls = nullptr;
  TFormEvents FormEvents;
  // The native windows (controls and panels) the current paint reached,
  // with their positions: they move after the paint (ApplyWindowPlacements).
  std::vector<std::pair<TWindowObject*, TPoint>> WindowPlacements;
  // Where the painted surface's (0, 0) lies in the window that holds the
  // native controls, and whether the last paint covered the whole view (only
  // then are controls it did not reach hidden: a partial paint says nothing
  // about the rest).
  TPoint ControlOrigin{0, 0};
  bool HideUnreachedControls = true;
  // What the viewer hears from the native controls: a control took or lost
  // the focus (its focus frame is the page's to paint), and the mouse moved
  // over a control (x, y in the window that holds the controls).
  std::function<void()> OnControlFocusChange;
  std::function<void(TShiftState shift, int x, int y)> OnControlMouseMove;
  // Panels: every one alive, and the owner's chance to fill a new one
  // (name, the window panel or null without a window, SRC, TYPE).
  std::vector<TPanelObj*> PanelList;
  std::function<void(const std::u16string& name, TChildPanel* panel, const std::u16string& src,
                     const std::u16string& type)>
      OnPanelCreate;
  // A panel is about to go (its name and window panel, or null).
  std::function<void(const std::u16string& name, TChildPanel* panel)> OnPanelDestroy;

  // The copy buffer CopyToClipboard appends the selected text to.
  std::u16string CopyBuffer;
  TDrawList DrawList;

  // Empties the document, its lists and the styles.
  void Clear();
  // Rebuilds the style list from the defaults and keeps the colours.
  void SetFonts(const TStyleDefaults& defaults, TColor background);
  void SetYOffset(int y) { YOff = y; }
  // The page's picture named by `url` (none when empty), placed by `prec`.
  void SetBackgroundImage(const std::u16string& url, const TBackgroundPRec& prec);
  // The page's decoded picture, or null while there is none to show.
  TBitmap* BackgroundBitmap() const;
  // Registers a name or id (upper-cased); the first registration wins.
  void AddName(const std::u16string& name, TIDObject target);

  // Lays the document out in `width` from the top; returns its height and
  // the widest extent in scrollWidth.
  int DoLogic(TSurface& surface, int width, int availableHeight, int& scrollWidth);
  // Paints the part of the document under the clip (window coordinates;
  // the document is offset by x horizontally and -YOff vertically).
  // The page background is not part of it: see DrawBackground.
  void Draw(TSurface& surface, const TRect& clip, int clipWidth, int x, int y);
  // After a paint: the native windows it reached move and show; when it
  // covered the whole view, the controls and panels it did not reach hide.
  void ApplyWindowPlacements();
  // Paints the page background under the document: the colour over
  // `view` (the window's paint area, window coordinates), then the picture
  // tiled by its position and repeat, placed in the scrolled document (its
  // top-left at (view.Left + x, view.Top - YOff), as Draw places it) or,
  // when fixed, in the window. Viewers call it before Draw.
  void DrawBackground(TSurface& surface, const TRect& view, int x);
  // The selected text, lines joined with CR LF.
  std::u16string SelectedText();
  // The source index of a document position (through the sections), or
  // sourceSize when no section holds it.
  std::size_t SourceIndexOf(int pos, std::size_t sourceSize) const;
  // The link, title and image under a document point; guUrl, guTitle
  // flags, 0 when nothing is there.
  unsigned GetURL(TSurface& surface, int x, int y, TLinkHit& hit);

protected:
  IndentManager& Indents() override { return FIMgr; }

private:
  IndentManager FIMgr;
  std::unique_ptr<TImageIcons> FIcons;
};

}  // namespace tav
