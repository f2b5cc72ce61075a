#pragma once
// The HTML viewer control: owns one document, parses the text handed to it,
// lays it out for its width, paints the visible part through an off-screen
// buffer, scrolls, follows the mouse over links, selects and copies text,
// and scrolls to '#name' positions.
//
// THtmlView is implemented over two files in this folder: viewer.cpp
// (loading, layout, painting, scrolling) and viewer_input.cpp (mouse, keys,
// selection and the clipboard).
//
// The control's client area holds a one-pixel frame (drawn per BorderStyle)
// around the paint area; the scroll bars are the control's own and sit
// outside the frame.
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "html/builder/builder.h"
#include "html/layout/document.h"
#include "html/layout/forms/form_controls.h"
#include "platform/control.h"

namespace tav {

enum class THTMLBorderStyle { htFocused, htNone, htSingle };
enum class THtmlScrollBars { ssNone, ssHorizontal, ssVertical, ssBoth };
enum class ThtmlFileType { HTMLType, TextType, ImgType, OtherType };

class TFloatingObj;
class TImageObj;

// The longest refresh delay a page may ask for, in seconds: in milliseconds
// it still fits an int.
constexpr int kMaxRefreshDelay = 2147483;
// Reads a refresh META's content, "5; url=page.html": the delay (clamped to
// kMaxRefreshDelay) and the target (quotes removed; empty when none).
// False, with delay 0, when it does not start with a number of seconds.
bool ParseRefreshContent(const std::u16string& content, int& delay, std::u16string& url);

// What lies under a right press: the link (empty when none) with its
// target, the image (null when none), and the press point in client pixels.
struct THtmlRightClickParams {
  std::u16string Url;
  std::u16string Target;
  TImageObj* Image = nullptr;
  TPoint ClickPos{};
};

using THtmlViewOptions = std::uint32_t;
enum THtmlViewOption : THtmlViewOptions {
  htOverLinksActive = 1u << 0,
  htNoLinkUnderline = 1u << 1,
  htPrintTableBackground = 1u << 2,
  htPrintBackground = 1u << 3,
  htPrintMonochromeBlack = 1u << 4,
  htShowDummyCaret = 1u << 5,
  htShowVScroll = 1u << 6,
  htNoWheelMouse = 1u << 7,
  htNoLinkHilite = 1u << 8,
  htNoFocusRect = 1u << 9,
};

// Failures the viewer reports: a page that cannot be found or read, and a
// paint buffer that cannot be made.
class EHtmlViewError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

class THtmlView : public TControl {
public:
  // The document width scrolling reaches at most.
  static constexpr int kMaxScrollWidth = 6000;
  static constexpr int kVSmallChange = 16;
  static constexpr int kHSmallChange = 15;
  // Documents shorter than this are laid out once more when a vertical bar
  // turns out to be needed (or not).
  static constexpr std::size_t kTwoPassLimit = 10000;
  static constexpr int kHoverTimer = 1;
  static constexpr unsigned kHoverTimerMs = 200;
  static constexpr int kMiddleScrollTimer = 2;
  static constexpr unsigned kMiddleScrollTimerMs = 50;
  // Distance from the press point at which middle-button scrolling starts.
  static constexpr int kMiddleScrollDeadZone = 20;
  // While a selection is dragged past the top or bottom of the paint area
  // and the mouse rests there, the view goes on scrolling at this rate.
  static constexpr int kSelectScrollTimer = 3;
  static constexpr unsigned kSelectScrollTimerMs = 100;
  // Shows the hint of what the mouse rests on once the platform's hint
  // pause (HintPause()) has passed.
  static constexpr int kHintTimer = 4;

  THtmlView();
  ~THtmlView() override;

  // ---- settings; fonts, colours and margins take effect at the next
  // Clear or load
  std::u16string DefFontName = kDefaultFontName;
  std::u16string DefPreFontName = kDefaultPreFontName;
  double DefFontSize = kDefaultFontSize;
  TColor DefFontColor = clBtnText;
  TColor DefBackground = clBtnFace;
  TColor DefHotSpotColor = kDefaultLinkColor;
  TColor DefOverLinkColor = kDefaultLinkColor;
  TColor DefVisitedLinkColor = kDefaultVisitedColor;
  int CharSet = 1;
  int MarginWidth = 10;
  int MarginHeight = 5;
  int ImageCacheCount = 5;
  int VisitedMaxCount = 50;
  int HistoryMaxCount = 0;
  bool NoSelect = false;
  THtmlViewOptions htOptions = htPrintTableBackground | htPrintMonochromeBlack;

  THTMLBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(THTMLBorderStyle style);
  THtmlScrollBars ScrollBars() const { return FScrollBars; }
  void SetScrollBars(THtmlScrollBars bars);

  // ---- events (all optional)
  // A link was clicked; set handled to skip the viewer's own handling.
  std::function<void(const std::u16string& url, bool& handled)> OnHotSpotClick;
  // The link under the mouse changed (empty: none).
  std::function<void(const std::u16string& url)> OnHotSpotCovered;
  // An exception left a paint, mouse, key or timer handler. Without a
  // handler the exception goes on to the window system.
  std::function<void(const std::u16string& message)> OnError;
  // A press on, or a mouse move over, an image or panel; (x, y) is the
  // point inside the picture (its border excluded).
  std::function<void(TFloatingObj& object, TMouseButton button, TShiftState shift, int x, int y)>
      OnImageClick;
  std::function<void(TFloatingObj& object, TShiftState shift, int x, int y)> OnImageOver;
  // A right press, with the link and image under it.
  std::function<void(const THtmlRightClickParams& params)> OnRightClick;
  // Every META tag: http-equiv, name, content.
  std::function<void(const std::u16string& httpEquiv, const std::u16string& name,
                     const std::u16string& content)> OnMeta;
  // After a load whose page asks to be refreshed: the delay in seconds
  // (positive) and the page to go to (empty: this one).
  std::function<void(int delay, const std::u16string& url)> OnMetaRefresh;
  // Every LINK tag: rel, rev, href.
  std::function<void(const std::u16string& rel, const std::u16string& rev,
                     const std::u16string& href)> OnLink;
  // A SCRIPT's name, text and language; without a handler scripts are
  // skipped.
  std::function<void(const std::u16string& name, const std::u16string& script,
                     const std::u16string& language)> OnScript;
  // A background sound to play `loop` times; an empty source (loop 0)
  // silences the sound that plays.
  std::function<void(const std::u16string& src, int loop)> OnSoundRequest;
  // An OBJECT offered as a panel with its attributes and PARAM pairs;
  // true keeps it. Without a handler OBJECT tags are skipped.
  THtmlObjectTagEvent OnObjectTag;
  // Picture requests: with either set, picture names are passed as the
  // page gives them, and what the handlers do not answer is read as the
  // local file OnExpandName makes of the name.
  TImageRequestEvent OnImageRequest;
  TBitmapRequestEvent OnBitmapRequest;
  std::function<std::string(const std::string& name)> OnExpandName;
  // A linked style sheet's bytes for its HREF; false: read the local file.
  std::function<bool(const std::u16string& href, std::string& bytes)> OnhtStreamRequest;
  // Before parsing: may replace the source. After parsing, before layout.
  std::function<void(std::u16string& source)> OnParseBegin;
  std::function<void()> OnParseEnd;
  // Forms: a submit, the file chooser of a file input (given the input's
  // text, returns the new text), and the script texts of controls.
  decltype(TFormEvents::OnFormSubmit) OnFormSubmit;
  decltype(TFormEvents::OnFileBrowse) OnFileBrowse;
  decltype(TFormEvents::OnObjectClick) OnObjectClick, OnObjectFocus, OnObjectBlur, OnObjectChange;
  // The history list changed (only with HistoryMaxCount > 0).
  std::function<void()> OnHistoryChange;
  // A load or layout starts (true) and ends (false).
  std::function<void(bool processing)> OnProcessing;
  // A panel was made (name, the window panel or null without a window,
  // SRC, TYPE) and may be filled; a panel is about to go.
  decltype(TDocumentWindows::OnPanelCreate) OnPanelCreate;
  std::function<void(const std::u16string& name, TChildPanel* panel)> OnPanelDestroy;

  // ---- documents
  // Empties the view (refused while a load runs).
  void Clear();
  // Parses and shows `text`; `reference` names the file it stands for
  // (relative links resolve against its folder) and may end in '#name'.
  void LoadFromString(std::u16string text, const std::u16string& reference = u"");
  // The same for a buffer of `length` characters, lines joined with CR LF,
  // and bytes (decoded like a local file: a byte-order mark, else UTF-8
  // when the bytes are well-formed UTF-8, else Windows-1252).
  void LoadFromBuffer(const char16_t* buffer, std::size_t length,
                      const std::u16string& reference = u"");
  void LoadStrings(const std::vector<std::u16string>& lines, const std::u16string& reference = u"");
  void LoadFromStream(std::string_view bytes, const std::u16string& reference = u"");
  // Shows `text` as plain preformatted text.
  void LoadTextFromString(std::u16string text);
  void LoadTextStrings(const std::vector<std::u16string>& lines);
  // Reads a local file and shows it as plain text; fails like LoadFromFile.
  void LoadTextFile(const std::string& name);
  // Loads the current file again (its text as last loaded when it has no
  // file), keeping the scroll position.
  void Reload();
  // Reads a local page: ".txt" files as text, picture files as a one-image
  // page, everything else as HTML. Raises EHtmlViewError "Can't locate
  // file: " + name when there is no such file, and "Can't read file: " +
  // name when it is no regular file or cannot be read. `name` may end in
  // '#name'.
  void LoadFromFile(const std::string& name);
  void LoadImageFile(const std::string& name);
  // Lays the document out again.
  void Reformat();
  // Scrolls the named element (id or anchor name, any case, a leading '#'
  // ignored) to the top; false when there is none.
  bool PositionTo(const std::u16string& name);

  // ---- selection and search
  void SelectAll();
  std::u16string SelText();
  int SelStart() const;
  int SelLength() const;
  void SetSelStart(int pos);
  void SetSelLength(int length);
  // Selects the next occurrence of `text` after the selection (or before
  // it when reverse) and scrolls it into view; false when there is none.
  bool FindEx(const std::u16string& text, bool matchCase, bool reverse);
  // The selection as text and as "HTML Format"; nothing without one.
  void CopyToClipboard();

  // ---- history, kept only with HistoryMaxCount > 0: the places left,
  // newest first. Setting the index goes there (0 is the current place).
  const std::vector<std::string>& History() const { return FHistory; }
  const std::vector<std::u16string>& TitleHistory() const { return FTitleHistory; }
  int HistoryIndex() const { return FHistoryIndex; }
  void SetHistoryIndex(int index);
  void ClearHistory();

  // ---- state
  // The refresh a META tag of the loaded page asked for (0: none).
  int RefreshDelay() const { return FRefreshDelay; }
  const std::u16string& RefreshURL() const { return FRefreshURL; }
  const std::u16string& DocumentSource() const { return FDocumentSource; }
  const std::string& CurrentFile() const { return FCurrentFile; }
  ThtmlFileType CurrentFileType() const { return FCurrentFileType; }
  const std::u16string& Title() const { return FTitle; }
  const std::u16string& Base() const { return FBase; }
  const std::u16string& BaseTarget() const { return FBaseTarget; }
  TSectionList& Document() {
    EnsureDocument();
    return *FDocument;
  }
  int VScrollBarPosition() const { return FVPos; }
  int HScrollBarPosition() const { return FHPos; }
  void SetVScrollBarPosition(int pos) { ScrollTo(pos, FHPos); }
  void SetHScrollBarPosition(int pos) { ScrollTo(FVPos, pos); }
  // The document's width (at most kMaxScrollWidth) and height.
  int ScrollWidth() const { return FScrollWidth; }
  int DocumentHeight() const { return FDocHeight; }
  // Where the document is painted, in client pixels.
  TRect PaintRect() const;
  // The link under the mouse (empty when none).
  const std::u16string& LinkUrl() const { return FLinkUrl; }
  const std::vector<std::u16string>& Visited() const { return FVisited; }
  // How many times the document was laid out since it was loaded.
  int LayoutPasses() const { return FLayoutPasses; }
  bool MiddleScrolling() const { return FMiddleScroll; }

  // ---- TControl
  void Paint(TSurface& canvas, const TRect& clip) override;
  void Resize() override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void DblClick(TMouseButton button, TShiftState shift, int x, int y) override;
  bool MouseWheel(TShiftState shift, int wheelDelta, TPoint pos) override;
  void MouseLeave() override;
  void CaptureLost() override;
  void KeyDown(int& key, TShiftState shift) override;
  unsigned WantedKeys() const override { return DLGC_WANTARROWS; }
  void FocusGained() override;
  void FocusLost() override;
  void ScrollBarEvent(TScrollBarKind bar, TScrollCode code, int pos) override;
  void TimerTick(int id) override;

private:
  // A place in the history: file, title, scroll position and type.
  struct THistoryPlace {
    std::string File;
    std::u16string Title;
    int Position = 0;
    ThtmlFileType Type = ThtmlFileType::HTMLType;
  };
  // Runs an input or paint handler; exceptions go to OnError.
  template <class F>
  void Guarded(F&& body);
  void ReportError(const std::exception& e);

  int Inset() const { return FBorderStyle == THTMLBorderStyle::htNone ? 0 : 1; }
  TSurface& MeasureSurface();
  void EnsureDocument();
  void HookControlEvents();
  void ResetDocument();
  TStyleDefaults Defaults() const;
  // The common end of every load.
  void LoadDocument(std::u16string text, const std::u16string& reference, ThtmlFileType type);
  void DoLoadDocument(std::u16string text, const std::u16string& reference, ThtmlFileType type);
  // Hands the view's events to the document and the builder.
  void WireDocument();
  THtmlBuilderEvents BuilderEvents();
  void RecordMeta(const std::u16string& httpEquiv, const std::u16string& name,
                  const std::u16string& content);
  void SilenceSound();
  void SetProcessing(bool processing);
  std::string ReadTextFileOrFail(const std::string& path);
  // The place shown now; after a navigation from `leaving`, the history
  // keeps it and puts the new place at its front.
  THistoryPlace CurrentPlace() const;
  void AddToHistory(const THistoryPlace& leaving);
  // The image or panel under a document point, with the point inside it.
  TFloatingObj* ObjectAt(int docX, int docY, int& ix, int& iy);
  // Tells OnImageClick and OnRightClick of a press, OnImageOver of a move.
  void ReportPress(TMouseButton button, TShiftState shift, int x, int y);
  void ReportImageOver(TShiftState shift, int x, int y);
  void LoadLocalFile(const std::string& path, const std::u16string& anchor);
  // Lays the document out for the control's width and sets the bars.
  void DoLayout();
  int LayoutAt(int width);
  void UpdateScrollBars();
  void SetUpScrollBar(TScrollBarKind bar, bool needed, int extent, int page, int pos);
  int MaxVPos() const;
  int MaxHPos() const;
  void ScrollTo(int vpos, int hpos);
  void PaintFrame(TSurface& canvas);
  void PaintDocument(TSurface& canvas, const TRect& area);

  // Document points from client pixels.
  int DocX(int x) const { return x - Inset() + FHPos; }
  int DocY(int y) const { return y - Inset() + FVPos; }
  // The document position under a document point, or nearest to it.
  int PositionAt(int docX, int docY, bool* inText = nullptr);
  int DocumentEnd() const;
  void SetSelection(int anchor, int caret);
  void ScrollPositionIntoView(int pos);
  // Follows the mouse at a client point; `out` receives what is there.
  void UpdateHotSpot(int x, int y, TLinkHit* out = nullptr);
  void SetHoverLink(const TUrlTarget* target);
  // The hint follows the object under the mouse: a new object hides the
  // hint shown and starts the pause for its own; moving within the same
  // object changes nothing.
  void TrackHint(const TLinkHit& hit, int x, int y);
  // Hides the hint (a click, a key, a scroll); it shows again only over
  // another object.
  void DropHint();
  // Hides the hint and forgets the object (the mouse left, a new document).
  void ResetHint();
  void EndHover();
  void FollowLink(const std::u16string& url);
  void AddVisited(const std::u16string& url);
  void MarkVisited();
  void EndMiddleScroll();
  // Drag selection: extends the selection to the last mouse point, and
  // scrolls (with the repeat timer) while that point is above or below the
  // paint area.
  void DragSelect();
  void StopDragScroll();
  static TImageFormControlObj* ImageButtonOf(const TLinkHit& hit);

  std::unique_ptr<TSectionList> FDocument;
  std::unique_ptr<TBitmap> FMeasure;
  TGraphicsDevice* FMeasureDevice = nullptr;
  THTMLBorderStyle FBorderStyle = THTMLBorderStyle::htFocused;
  THtmlScrollBars FScrollBars = THtmlScrollBars::ssBoth;

  std::u16string FDocumentSource;
  std::string FCurrentFile;
  ThtmlFileType FCurrentFileType = ThtmlFileType::HTMLType;
  std::u16string FTitle, FBase, FBaseTarget;
  int FScrollWidth = 0;
  int FDocHeight = 0;
  int FVPos = 0;
  int FHPos = 0;
  int FPaintWidth = 0;
  int FPaintHeight = 0;
  int FLayoutPasses = 0;
  TSize FLaidOutSize{};
  bool FProcessing = false;
  bool DontDraw = false;
  bool FUpdatingBars = false;

  // Selection: the anchor (-1 none), and whether the left button is down
  // and has moved the selection.
  int Sel1 = -1;
  int FCaretPos = 0;
  bool FLeftDown = false;
  bool FSelectionMade = false;
  bool FLinkPressed = false;
  TPoint FDragPoint{};
  // The image button the left button went down on (no selection then).
  TImageFormControlObj* FImagePressed = nullptr;

  // The link under the mouse.
  std::u16string FLinkUrl;
  std::u16string FLinkTarget;
  std::u16string FLinkText;
  std::u16string FLinkTitle;
  const TUrlTarget* FHoverTarget = nullptr;
  std::vector<std::u16string> FVisited;

  // The object under the mouse as far as hints go, its hint text, and the
  // mouse point the hint is shown for.
  struct THintKey {
    const void* Object = nullptr;
    std::u16string Url;
    std::u16string Text;
    bool operator==(const THintKey&) const = default;
  };
  THintKey FHintKey;
  TPoint FHintMouse{};

  int FRefreshDelay = 0;
  std::u16string FRefreshURL;
  // The history, newest first; the entry at FHistoryIndex is the place
  // shown.
  std::vector<std::string> FHistory;
  std::vector<std::u16string> FTitleHistory;
  std::vector<int> FPositionHistory;
  std::vector<ThtmlFileType> FTypeHistory;
  int FHistoryIndex = 0;
  bool FNavigatingHistory = false;

  // Middle-button scrolling.
  bool FMiddleScroll = false;
  bool FMiddleMoving = false;
  TPoint FMiddleOrigin{};
  TPoint FMiddleMouse{};
};

template <class F>
void THtmlView::Guarded(F&& body) {
  try {
    body();
  } catch (const std::exception& e) {
    if (!OnError) throw;
    ReportError(e);
  }
}

}  // namespace tav
