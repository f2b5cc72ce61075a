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

// The document's data falls into named parts, each used by a few modules:
// what the builder records about names and links, the page's look, the
// pictures, the forms, the native windows, what a layout pass and a paint
// pass keep, and the selection. A field's module is visible in its path
// (Document.Pictures.Fetcher, ParentSectionList.PaintPass.YOff).

// Names and links: filled by the builder, used to scroll to a name, to
// find and update links (hover, visited) and to keep the items a name
// refers to.
struct TDocumentLinks {
  std::unordered_map<std::u16string, TIDObject> IDNameList;  // upper-cased names
  std::unordered_set<const TSectionBase*> NamedItems;   // items the name list refers to
  std::vector<TFontObj*> LinkList;                      // every link font run
  std::vector<std::unique_ptr<TUrlTarget>> UrlTargets;  // every link, owned here
  bool LinksActive = false;  // hovering a link changes its font (a hover rule)
};

// The page's look: its colours, the font of preformatted text, the page's
// picture, and the inline elements whose borders and backgrounds are
// painted around their text.
struct TDocumentLooks {
  TColor Background = clSystemColor | 15;  // button face
  TColor HotSpotColor = kDefaultLinkColor;
  TColor LinkVisitedColor = kDefaultVisitedColor;
  TColor LinkActiveColor = kDefaultLinkColor;
  std::u16string PreFontName = kDefaultPreFontName;
  // The page's picture (the body's background-image), fetched when the
  // document is laid out and dropped when it cannot be had; its place,
  // repeat and whether it stays with the window (fixed) in BackgroundPRec.
  std::unique_ptr<TImageObj> BackgroundImage;
  TBackgroundPRec BackgroundPRec;
  std::vector<TInlineRec> InlineList;
};

// Pictures: the cache (kept across loads by whoever owns the document),
// the fetcher with its optional request events, the names awaited, the
// image maps in document order, and the image under the mouse.
struct TDocumentPictures {
  explicit TDocumentPictures(TGraphicsDevice& device) : Fetcher{device, BitmapList} {}
  TStringBitmapList BitmapList;
  TPictureFetcher Fetcher;
  TMissingImages MissingImages;
  std::vector<std::unique_ptr<TMapItem>> MapList;
  TImageObj* ActiveImage = nullptr;
  bool ShowImages = true;
};

// Forms: every form (owning its controls), every control in document
// order, the TABINDEX controls by their order key until the next layout
// gives them their places, and the form events.
struct TDocumentForms {
  std::vector<std::unique_ptr<ThtmlForm>> htmlFormList;
  std::vector<TFormControlObj*> FormControlList;
  // Keyed by (TABINDEX, running count): by tab index, then in the order
  // the controls came.
  std::map<std::pair<int, int>, TFormControlObj*> TabOrderList;
  TFormEvents FormEvents;
};

// Native windows: the child windows of form controls and panels, made by
// ChildControls (none: controls paint imitations of themselves), placed
// after each paint, and what they report to the viewer.
struct TDocumentWindows {
  TChildControlFactory* ChildControls = nullptr;
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
};

// The layout pass: its counters and progress, and what it leaves behind
// for position look-ups and scrolling.
struct TDocumentLayoutPass {
  int ProgressStart = 75;  // the percentage layout progress starts from
  int SectionCount = 0;    // text sections numbered by the builder
  int CycleNumber = 0;     // one more at every layout: cached widths older than it are stale
  int TableNestLevel = 0;
  bool InLogic2 = false;
  std::function<void(int percent)> OnProgress;
  std::vector<TSectionBase*> PositionList;  // text sections in document order
  // The size of the laid-out document (its height and widest extent).
  int DocWidth = 0;
  int DocHeight = 0;
};

// The paint pass: the vertical scroll offset, what kind of painting this
// is, and the pictures drawn after the flow.
struct TDocumentPaintPass {
  int YOff = 0;
  bool Printing = false;
  bool IsCopy = false;
  bool NoFocusRect = false;  // the focused control gets no focus frame
  TDrawList DrawList;
};

// The selection as document positions, and the buffer CopyToClipboard
// appends the selected text to.
struct TDocumentSelection {
  int SelB = 0;
  int SelE = 0;
  std::u16string CopyBuffer;
};

class TSectionList : public TCellBasic {
public:
  explicit TSectionList(TGraphicsDevice& device);
  ~TSectionList() override;

  TGraphicsDevice& Device;
  TStyleList Styles;
  TStyleDefaults Defaults;
  // What relative picture and style sheet names resolve against: the BASE
  // element's HREF, else the folder of the file shown (a local path), else
  // the working directory.
  std::u16string Base;
  std::string CurrentFile;

  TDocumentLinks Links;
  TDocumentLooks Looks;
  TDocumentPictures Pictures;
  TDocumentForms Forms;
  TDocumentWindows Windows;
  TDocumentLayoutPass LayoutPass;
  TDocumentPaintPass PaintPass;
  TDocumentSelection Selection;

  // The built-in pictures for this document's device, made on first use.
  const TImageIcons& Icons();
  // The name a picture's source is fetched and cached under: the expanded
  // local path, or the source as it stands when request events are set.
  std::string ExpandImageName(const std::u16string& source) const;
  // The map of that (upper-cased) name, or null.
  const TMapItem* FindMap(const std::u16string& name) const;

  // Empties the document, its lists and the styles.
  void Clear();
  // Rebuilds the style list from the defaults and keeps the colours.
  void SetFonts(const TStyleDefaults& defaults, TColor background);
  void SetYOffset(int y) { PaintPass.YOff = y; }
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
