// The viewer's documents, layout, scroll bars and painting.
#include "html/view/viewer.h"

#include <algorithm>
#include <filesystem>
#include <new>
#include <system_error>

#include "html/base/paths.h"
#include "html/base/safe_file.h"
#include "html/builder/builder.h"
#include "html/css/units.h"
#include "html/layout/images/image_obj.h"
#include "html/layout/text/section.h"
#include "platform/system_values.h"
#include "util/code_page.h"
#include "util/text_decoding.h"

namespace tav {

namespace {

// The extension of a path, upper-cased, with its dot ("" when none).
std::string UpperExtension(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  const std::size_t dot = path.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  return UpperCase(path.substr(dot));
}

bool IsPictureExtension(const std::string& ext) {
  return ext == ".BMP" || ext == ".GIF" || ext == ".JPG" || ext == ".JPEG" || ext == ".PNG" ||
         ext == ".SVG";
}

// An attribute value in double quotes.
std::u16string QuoteAttribute(const std::u16string& value) {
  std::u16string r = u"\"";
  for (char16_t c : value) {
    if (c == u'"') r += u"&quot;";
    else if (c == u'&') r += u"&amp;";
    else r.push_back(c);
  }
  return r + u"\"";
}

}  // namespace

THtmlView::THtmlView() {
  SetTabStop(true);
  SetColor(DefBackground);
}

THtmlView::~THtmlView() {
  // The owner may be going too: panels that go with the view are not
  // reported.
  if (FDocument) FDocument->Windows.OnPanelDestroy = nullptr;
}

// ---------------------------------------------------------------- errors

void THtmlView::ReportError(const std::exception& e) {
  OnError(Utf8ToText(e.what()));
}


// ---------------------------------------------------------------- settings

void THtmlView::SetBorderStyle(THTMLBorderStyle style) {
  if (style == FBorderStyle) return;
  FBorderStyle = style;
  if (FDocument) DoLayout();
  Invalidate();
}

void THtmlView::SetScrollBars(THtmlScrollBars bars) {
  if (bars == FScrollBars) return;
  FScrollBars = bars;
  if (FDocument) DoLayout();
  Invalidate();
}

TStyleDefaults THtmlView::Defaults() const {
  TStyleDefaults d;
  d.FontName = DefFontName;
  d.PreFontName = DefPreFontName;
  d.MarginWidth = MarginWidth;
  d.MarginHeight = MarginHeight;
  d.CharSet = CharSet;
  d.UnderlineLinks = (htOptions & htNoLinkUnderline) == 0;
  d.HoverColor = DefOverLinkColor;
  d.VisitedColor = DefVisitedLinkColor;
  d.LinkColor = DefHotSpotColor;
  d.TextColor = DefFontColor;
  d.DefFontSize = DefFontSize;
  return d;
}

// ---------------------------------------------------------------- documents

TSurface& THtmlView::MeasureSurface() {
  TGraphicsDevice& device = Device();
  if (!FMeasure || FMeasureDevice != &device) {
    FMeasure = device.CreateBitmap(1, 1);
    FMeasureDevice = &device;
  }
  return FMeasure->Canvas();
}

void THtmlView::EnsureDocument() {
  // The document measures with the device of the window it is shown in:
  // a document made before the view got its window is made again.
  if (!FDocument || &FDocument->Device != &Device()) {
    if (FDocument) FDocument->Windows.OnPanelDestroy = nullptr;
    FDocument = std::make_unique<TSectionList>(Device());
    FDocument->SetFonts(Defaults(), DefBackground);
    WireDocument();
  }
  // Form controls become native controls in the window, when there is one.
  FDocument->Windows.ChildControls = ChildControls();
  HookControlEvents();
}

// The native controls' focus changes repaint the page (focus frames are
// its to draw), and mouse moves over them are moves over the view.
void THtmlView::HookControlEvents() {
  FDocument->Windows.OnControlFocusChange = [this] {
    // A click on a control focuses it: its hint goes as on any click.
    DropHint();
    InvalidateRect(PaintRect());
  };
  FDocument->Windows.OnControlMouseMove = [this](TShiftState shift, int x, int y) { MouseMove(shift, x, y); };
}

void THtmlView::WireDocument() {
  // Picture requests and panel events act while the document is built and
  // laid out: they are handed over at every Clear and load. Form events act
  // on user input and ask the view each time, so that handlers set after a
  // load take effect.
  FDocument->Pictures.Fetcher.OnBitmapRequest = OnBitmapRequest;
  FDocument->Pictures.Fetcher.OnImageRequest = OnImageRequest;
  FDocument->Pictures.Fetcher.ExpandName = OnExpandName;
  FDocument->Windows.OnPanelCreate = OnPanelCreate;
  FDocument->Windows.OnPanelDestroy = OnPanelDestroy;
  TFormEvents& events = FDocument->Forms.FormEvents;
  events.OnFormSubmit = [this](const std::u16string& action,
                               const std::vector<std::u16string>& pairs,
                               const std::u16string& method, const std::u16string& encType,
                               const std::u16string& target) {
    if (OnFormSubmit) OnFormSubmit(action, pairs, method, encType, target);
  };
  events.OnFileBrowse = [this](const std::u16string& current) {
    return OnFileBrowse ? OnFileBrowse(current) : current;
  };
  events.OnObjectClick = [this](TFormControlObj& control, const std::u16string& message) {
    if (OnObjectClick) OnObjectClick(control, message);
  };
  events.OnObjectFocus = [this](TFormControlObj& control, const std::u16string& message) {
    if (OnObjectFocus) OnObjectFocus(control, message);
  };
  events.OnObjectBlur = [this](TFormControlObj& control, const std::u16string& message) {
    if (OnObjectBlur) OnObjectBlur(control, message);
  };
  events.OnObjectChange = [this](TFormControlObj& control, const std::u16string& message) {
    if (OnObjectChange) OnObjectChange(control, message);
  };
}

THtmlBuilderEvents THtmlView::BuilderEvents() {
  THtmlBuilderEvents events;
  events.OnScript = OnScript;
  events.OnLink = OnLink;
  events.OnSoundRequest = OnSoundRequest;
  events.OnStreamRequest = OnhtStreamRequest;
  events.OnObjectTag = OnObjectTag;
  if (OnExpandName) events.OnExpandName = OnExpandName;
  // The view reads every META itself for a refresh request.
  events.OnMeta = [this](const std::u16string& httpEquiv, const std::u16string& name,
                         const std::u16string& content) { RecordMeta(httpEquiv, name, content); };
  return events;
}

namespace {

bool EqualsNoCase(const std::u16string& a, const char16_t* b) {
  std::size_t i = 0;
  for (; i < a.size() && b[i]; ++i) {
    char16_t x = a[i], y = b[i];
    if (x >= u'A' && x <= u'Z') x = static_cast<char16_t>(x + 32);
    if (y >= u'A' && y <= u'Z') y = static_cast<char16_t>(y + 32);
    if (x != y) return false;
  }
  return i == a.size() && !b[i];
}

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }

}  // namespace

bool ParseRefreshContent(const std::u16string& content, int& delay, std::u16string& url) {
  delay = 0;
  url.clear();
  std::size_t i = 0;
  const std::size_t n = content.size();
  while (i < n && IsBlank(content[i])) ++i;
  if (i >= n || content[i] < u'0' || content[i] > u'9') return false;
  long long seconds = 0;
  for (; i < n && content[i] >= u'0' && content[i] <= u'9'; ++i)
    seconds = std::min<long long>(seconds * 10 + (content[i] - u'0'), kMaxRefreshDelay);
  // A fraction of a second counts as nothing.
  if (i < n && content[i] == u'.')
    for (++i; i < n && content[i] >= u'0' && content[i] <= u'9';) ++i;
  while (i < n && IsBlank(content[i])) ++i;
  if (i < n && (content[i] == u';' || content[i] == u',')) ++i;
  else if (i < n) return false;  // "5x": not a delay
  while (i < n && IsBlank(content[i])) ++i;
  delay = static_cast<int>(seconds);
  // The target: "url=" (any case, blanks around '='), its value optionally
  // quoted.
  if (n - i >= 3 && EqualsNoCase(content.substr(i, 3), u"url")) {
    std::size_t j = i + 3;
    while (j < n && IsBlank(content[j])) ++j;
    if (j < n && content[j] == u'=') {
      ++j;
      while (j < n && IsBlank(content[j])) ++j;
      i = j;
    }
  }
  std::u16string target = content.substr(i);
  if (!target.empty() && (target[0] == u'\'' || target[0] == u'"')) {
    const std::size_t close = target.find(target[0], 1);
    target = target.substr(1, close == std::u16string::npos ? std::u16string::npos : close - 1);
  }
  while (!target.empty() && IsBlank(target.back())) target.pop_back();
  while (!target.empty() && IsBlank(target.front())) target.erase(0, 1);
  url = std::move(target);
  return true;
}

void THtmlView::RecordMeta(const std::u16string& httpEquiv, const std::u16string& name,
                           const std::u16string& content) {
  if (EqualsNoCase(Trim(httpEquiv), u"refresh")) {
    int delay = 0;
    std::u16string url;
    if (ParseRefreshContent(content, delay, url)) {
      FRefreshDelay = delay;
      FRefreshURL = std::move(url);
    }
  }
  if (OnMeta) OnMeta(httpEquiv, name, content);
}

void THtmlView::SilenceSound() {
  if (OnSoundRequest) OnSoundRequest(u"", 0);
}

void THtmlView::SetProcessing(bool processing) {
  FProcessing = processing;
  if (!OnProcessing) return;
  try {
    OnProcessing(processing);
  } catch (...) {
    // A handler that fails as processing starts must not leave the view
    // refusing every later load.
    FProcessing = false;
    throw;
  }
}

void THtmlView::ResetDocument() {
  EnsureDocument();
  FImagePressed = nullptr;
  WireDocument();
  KillTimer(kHoverTimer);
  ResetHint();
  FHoverTarget = nullptr;
  FLinkUrl.clear();
  FDocument->Clear();
  FDocument->SetFonts(Defaults(), DefBackground);
  FDocument->Links.LinksActive = FDocument->Links.LinksActive || (htOptions & htOverLinksActive) != 0;
  FDocument->PaintPass.NoFocusRect = (htOptions & htNoFocusRect) != 0;
  FCaretPos = 0;
  Sel1 = -1;
  FSelectionMade = false;
  FDocumentSource.clear();
}

void THtmlView::Clear() {
  if (FProcessing) return;
  ResetDocument();
  FDocument->Pictures.BitmapList.Clear();
  FTitle.clear();
  FBase.clear();
  FBaseTarget.clear();
  FCurrentFile.clear();
  FScrollWidth = FDocHeight = 0;
  FVPos = FHPos = 0;
  FUpdatingBars = true;
  ShowScrollBar(TScrollBarKind::sbVertical, false);
  ShowScrollBar(TScrollBarKind::sbHorizontal, false);
  SetScrollInfo(TScrollBarKind::sbVertical, TScrollInfo{}, SIF_RANGE | SIF_POS, false);
  FUpdatingBars = false;
  const TRect paint = PaintRect();
  FPaintWidth = paint.Width();
  FPaintHeight = paint.Height();
  SilenceSound();
  Invalidate();
}

void THtmlView::LoadFromString(std::u16string text, const std::u16string& reference) {
  LoadDocument(std::move(text), reference, ThtmlFileType::HTMLType);
}

void THtmlView::LoadTextFromString(std::u16string text) {
  LoadDocument(std::move(text), u"", ThtmlFileType::TextType);
}

void THtmlView::LoadDocument(std::u16string text, const std::u16string& reference,
                             ThtmlFileType type) {
  if (FProcessing) return;
  SetProcessing(true);
  FRefreshDelay = 0;
  FRefreshURL.clear();
  DontDraw = true;
  try {
    DoLoadDocument(std::move(text), reference, type);
  } catch (...) {
    DontDraw = false;
    SetProcessing(false);
    throw;
  }
  DontDraw = false;
  SetProcessing(false);
  Invalidate();
  if (FRefreshDelay > 0 && OnMetaRefresh) OnMetaRefresh(FRefreshDelay, FRefreshURL);
}

void THtmlView::DoLoadDocument(std::u16string text, const std::u16string& reference,
                               ThtmlFileType type) {
  const std::size_t hash = reference.find(u'#');
  const std::u16string filePart = reference.substr(0, hash);
  const std::u16string anchor = hash == std::u16string::npos ? u"" : reference.substr(hash + 1);
  const std::string oldFile = FCurrentFile;
  FCurrentFile = filePart.empty() ? std::string() : HTMLExpandFilename(filePart);
  FCurrentFileType = type;

  ResetDocument();
  FDocument->Pictures.BitmapList.SetCacheCount(ImageCacheCount);
  FDocument->CurrentFile = FCurrentFile;
  // Media queries see the width the document is laid out at now.
  FDocument->Styles.MediaWidth = std::max(0, Width() - 2 * Inset());
  FDocument->LayoutPass.ProgressStart = 75;
  SilenceSound();
  FDocumentSource = std::move(text);
  if (OnParseBegin) OnParseBegin(FDocumentSource);
  {
    THtmlBuilder builder(*FDocument, BuilderEvents());
    if (type == ThtmlFileType::TextType) builder.ParsePlainText(FDocumentSource);
    else builder.Parse(FDocumentSource);
    FTitle = builder.Title;
    if (!builder.Base.empty()) FBase = builder.Base;
    FBaseTarget = builder.BaseTarget;
  }
  FDocument->Base = FBase;
  if (OnParseEnd) OnParseEnd();
  FLayoutPasses = 0;
  DoLayout();

  MarkVisited();
  if (anchor.empty() || !PositionTo(anchor)) {
    if (FCurrentFile != oldFile || FCurrentFile.empty()) ScrollTo(0, 0);
  }
}

void THtmlView::LoadFromBuffer(const char16_t* buffer, std::size_t length,
                               const std::u16string& reference) {
  std::u16string text;
  if (buffer && length) text.assign(buffer, length);
  LoadDocument(std::move(text), reference, ThtmlFileType::HTMLType);
}

namespace {

std::u16string JoinLines(const std::vector<std::u16string>& lines) {
  std::size_t size = 0;
  for (const auto& line : lines) size += line.size() + 2;
  std::u16string text;
  text.reserve(size);
  for (const auto& line : lines) {
    text += line;
    text += u"\r\n";
  }
  return text;
}

}  // namespace

void THtmlView::LoadStrings(const std::vector<std::u16string>& lines,
                            const std::u16string& reference) {
  LoadDocument(JoinLines(lines), reference, ThtmlFileType::HTMLType);
}

void THtmlView::LoadFromStream(std::string_view bytes, const std::u16string& reference) {
  // Read as UTF-16LE, every UTF-8 or single-byte page would come out as
  // garbage: bytes are decoded the way local files are.
  LoadDocument(DecodeTextFile(bytes), reference, ThtmlFileType::HTMLType);
}

void THtmlView::LoadTextStrings(const std::vector<std::u16string>& lines) {
  LoadDocument(JoinLines(lines), u"", ThtmlFileType::TextType);
}

std::string THtmlView::ReadTextFileOrFail(const std::string& path) {
  std::error_code ec;
  if (path.empty() || !std::filesystem::exists(path, ec))
    throw EHtmlViewError("Can't locate file: " + path);
  std::string bytes;
  if (!ReadLocalFile(path, bytes)) throw EHtmlViewError("Can't read file: " + path);
  return bytes;
}

void THtmlView::LoadTextFile(const std::string& name) {
  const std::string bytes = ReadTextFileOrFail(name);
  LoadDocument(DecodeTextFile(bytes), Utf8ToText(name), ThtmlFileType::TextType);
}

void THtmlView::Reload() {
  if (FProcessing) return;
  const int vpos = FVPos, hpos = FHPos;
  if (!FCurrentFile.empty() && FCurrentFileType != ThtmlFileType::OtherType) {
    const std::string file = FCurrentFile;
    if (FCurrentFileType == ThtmlFileType::TextType) LoadTextFile(file);
    else if (FCurrentFileType == ThtmlFileType::ImgType) LoadImageFile(file);
    else LoadLocalFile(file, u"");
  } else {
    std::u16string source = FDocumentSource;
    LoadDocument(std::move(source), u"", FCurrentFileType);
  }
  ScrollTo(vpos, hpos);
}

void THtmlView::LoadFromFile(const std::string& name) {
  const std::size_t hash = name.find('#');
  const std::string path = name.substr(0, hash);
  const std::u16string anchor =
      hash == std::string::npos ? u"" : Utf8ToText(name.substr(hash + 1));
  LoadLocalFile(path, anchor);
}

void THtmlView::LoadLocalFile(const std::string& path, const std::u16string& anchor) {
  std::error_code ec;
  if (path.empty() || !std::filesystem::exists(path, ec))
    throw EHtmlViewError("Can't locate file: " + path);
  const std::string ext = UpperExtension(path);
  if (IsPictureExtension(ext)) {
    LoadImageFile(path);
    return;
  }
  // Only regular files of a bounded size are read: a pipe or a device
  // fails here at once instead of blocking the window.
  std::string bytes;
  if (!ReadLocalFile(path, bytes)) throw EHtmlViewError("Can't read file: " + path);
  std::u16string text = DecodeTextFile(bytes);
  std::string().swap(bytes);
  std::u16string reference = Utf8ToText(path);
  if (!anchor.empty()) reference += u"#" + anchor;
  LoadDocument(std::move(text), reference,
               ext == ".TXT" ? ThtmlFileType::TextType : ThtmlFileType::HTMLType);
}

void THtmlView::LoadImageFile(const std::string& name) {
  std::error_code ec;
  if (name.empty() || !std::filesystem::exists(name, ec))
    throw EHtmlViewError("Can't locate file: " + name);
  const std::u16string path = Utf8ToText(name);
  LoadDocument(u"<img src=" + QuoteAttribute(path) + u">", path, ThtmlFileType::ImgType);
}

void THtmlView::Reformat() {
  if (!FDocument || FProcessing) return;
  SetProcessing(true);
  try {
    DoLayout();
  } catch (...) {
    SetProcessing(false);
    throw;
  }
  SetProcessing(false);
  Invalidate();
}

bool THtmlView::PositionTo(const std::u16string& name) {
  if (!FDocument) return false;
  std::u16string key = name;
  if (!key.empty() && key[0] == u'#') key.erase(0, 1);
  auto it = FDocument->Links.IDNameList.find(UpperCase(key));
  if (it == FDocument->Links.IDNameList.end() || !it->second.Item) return false;
  TSectionBase& item = *it->second.Item;
  int y = item.GetYPosition();
  if (it->second.ChPos >= 0) {
    int x = 0, cy = 0;
    if (item.CursorToXY(MeasureSurface(), item.StartCurs + it->second.ChPos, x, cy)) y = cy;
  }
  ScrollTo(y, 0);
  AddVisited(u"#" + key);
  return true;
}

// ---------------------------------------------------------------- history

THtmlView::THistoryPlace THtmlView::CurrentPlace() const {
  return THistoryPlace{FCurrentFile, FTitle, FVPos, FCurrentFileType};
}

void THtmlView::AddToHistory(const THistoryPlace& leaving) {
  if (HistoryMaxCount <= 0 || FNavigatingHistory) return;
  const THistoryPlace now = CurrentPlace();
  if (now.File == leaving.File && now.Type == leaving.Type && now.Position == leaving.Position)
    return;
  auto index = [](int i) { return static_cast<std::size_t>(i); };
  if (FHistory.empty()) {
    FHistory.push_back(leaving.File);
    FTitleHistory.push_back(leaving.Title);
    FPositionHistory.push_back(leaving.Position);
    FTypeHistory.push_back(leaving.Type);
    FHistoryIndex = 0;
  } else {
    // The place left keeps where it was scrolled to; the places ahead of
    // it (gone back from) are dropped.
    FPositionHistory[index(FHistoryIndex)] = leaving.Position;
    const auto ahead = static_cast<std::ptrdiff_t>(FHistoryIndex);
    FHistory.erase(FHistory.begin(), FHistory.begin() + ahead);
    FTitleHistory.erase(FTitleHistory.begin(), FTitleHistory.begin() + ahead);
    FPositionHistory.erase(FPositionHistory.begin(), FPositionHistory.begin() + ahead);
    FTypeHistory.erase(FTypeHistory.begin(), FTypeHistory.begin() + ahead);
  }
  FHistory.insert(FHistory.begin(), now.File);
  FTitleHistory.insert(FTitleHistory.begin(), now.Title);
  FPositionHistory.insert(FPositionHistory.begin(), now.Position);
  FTypeHistory.insert(FTypeHistory.begin(), now.Type);
  FHistoryIndex = 0;
  const auto max = index(HistoryMaxCount);
  if (FHistory.size() > max) {
    FHistory.resize(max);
    FTitleHistory.resize(max);
    FPositionHistory.resize(max);
    FTypeHistory.resize(max);
  }
  if (OnHistoryChange) OnHistoryChange();
}

void THtmlView::SetHistoryIndex(int index) {
  if (HistoryMaxCount <= 0 || FProcessing || index == FHistoryIndex || index < 0 ||
      index >= static_cast<int>(FHistory.size()))
    return;
  const auto at = static_cast<std::size_t>(index);
  const std::string file = FHistory[at];
  const ThtmlFileType type = FTypeHistory[at];
  const int position = FPositionHistory[at];
  // A place without a file is only reached while its page is shown.
  if (file != FCurrentFile && file.empty()) return;
  FPositionHistory[static_cast<std::size_t>(FHistoryIndex)] = FVPos;
  FNavigatingHistory = true;
  try {
    if (file != FCurrentFile || type != FCurrentFileType) {
      if (type == ThtmlFileType::TextType) LoadTextFile(file);
      else if (type == ThtmlFileType::ImgType) LoadImageFile(file);
      else LoadLocalFile(file, u"");
    }
  } catch (...) {
    FNavigatingHistory = false;
    throw;
  }
  FNavigatingHistory = false;
  ScrollTo(position, 0);
  FHistoryIndex = index;
  if (OnHistoryChange) OnHistoryChange();
}

void THtmlView::ClearHistory() {
  const bool had = !FHistory.empty();
  FHistory.clear();
  FTitleHistory.clear();
  FPositionHistory.clear();
  FTypeHistory.clear();
  FHistoryIndex = 0;
  if (had && OnHistoryChange) OnHistoryChange();
}

// ---------------------------------------------------------------- objects

TFloatingObj* THtmlView::ObjectAt(int docX, int docY, int& ix, int& iy) {
  if (!FDocument) return nullptr;
  for (TSectionBase* item : FDocument->LayoutPass.PositionList) {
    auto* section = dynamic_cast<TSection*>(item);
    if (!section || section->Images.Count() == 0) continue;
    // Pictures know their place once painted; a section the point is not
    // in cannot hold it, painted or not.
    if (docY < std::min(item->DrawTop, item->YDraw) ||
        docY >= std::max(item->DrawBot, item->ContentBot))
      continue;
    for (const auto& obj : section->Images.Items)
      if (obj->PtInObject(docX, docY, ix, iy)) return obj.get();
  }
  return nullptr;
}

void THtmlView::ReportPress(TMouseButton button, TShiftState shift, int x, int y) {
  if (!FDocument || !PaintRect().Contains(x, y)) return;
  if (OnImageClick) {
    int ix = 0, iy = 0;
    if (TFloatingObj* obj = ObjectAt(DocX(x), DocY(y), ix, iy))
      OnImageClick(*obj, button, shift, ix, iy);
  }
  if (button == TMouseButton::mbRight && OnRightClick && FDocument) {
    TLinkHit hit;
    FDocument->GetURL(MeasureSurface(), DocX(x), DocY(y), hit);
    THtmlRightClickParams params;
    params.Url = hit.Url;
    params.Target = hit.TargetName;
    params.Image = hit.Image;
    params.ClickPos = TPoint{x, y};
    OnRightClick(params);
  }
}

void THtmlView::ReportImageOver(TShiftState shift, int x, int y) {
  if (!OnImageOver || !FDocument || !PaintRect().Contains(x, y)) return;
  int ix = 0, iy = 0;
  if (TFloatingObj* obj = ObjectAt(DocX(x), DocY(y), ix, iy)) OnImageOver(*obj, shift, ix, iy);
}

// ---------------------------------------------------------------- layout

TRect THtmlView::PaintRect() const {
  const TRect client = ClientRect();
  const int inset = Inset();
  TRect r{inset, inset, client.Right - inset, client.Bottom - inset};
  if (r.Right < r.Left) r.Right = r.Left;
  if (r.Bottom < r.Top) r.Bottom = r.Top;
  return r;
}

int THtmlView::LayoutAt(int width) {
  ++FLayoutPasses;
  const int height = std::max(0, Height() - 2 * Inset());
  int scrollWidth = 0;
  const int h = FDocument->DoLogic(MeasureSurface(), std::max(width, 0), height, scrollWidth);
  FDocHeight = h;
  FScrollWidth = std::min(scrollWidth, kMaxScrollWidth);
  return h;
}

void THtmlView::DoLayout() {
  EnsureDocument();
  const int width = Width() - 2 * Inset();
  const int height = Height() - 2 * Inset();
  const int barWidth = GetSystemMetrics(SM_CXVSCROLL);
  const bool vertical =
      FScrollBars == THtmlScrollBars::ssVertical || FScrollBars == THtmlScrollBars::ssBoth;
  if (!vertical) {
    LayoutAt(width);
  } else if (FDocumentSource.size() < kTwoPassLimit && !(htOptions & htShowVScroll)) {
    // Full width first; narrower when that needs the vertical bar, and
    // full width again when the narrower layout turns out to fit after all.
    if (LayoutAt(width) > height && LayoutAt(width - barWidth) <= height) LayoutAt(width);
  } else {
    LayoutAt(width - barWidth);
  }
  FLaidOutSize = TSize{Width(), Height()};
  UpdateScrollBars();
  FVPos = std::clamp(FVPos, 0, MaxVPos());
  FHPos = std::clamp(FHPos, 0, MaxHPos());
  FDocument->SetYOffset(FVPos);
  UpdateScrollBars();
}

// Shows one bar over `extent` document pixels with a page of `page` + 1
// at `pos`, or hides it when it is not needed.
void THtmlView::SetUpScrollBar(TScrollBarKind bar, bool needed, int extent, int page, int pos) {
  if (!needed) {
    ShowScrollBar(bar, false);
    return;
  }
  TScrollInfo info;
  info.Min = 0;
  info.Max = extent;
  info.Page = page + 1;
  info.Pos = pos;
  SetScrollInfo(bar, info, SIF_RANGE | SIF_PAGE | SIF_POS);
}

void THtmlView::UpdateScrollBars() {
  const bool vAllowed =
      FScrollBars == THtmlScrollBars::ssVertical || FScrollBars == THtmlScrollBars::ssBoth;
  const bool hAllowed =
      FScrollBars == THtmlScrollBars::ssHorizontal || FScrollBars == THtmlScrollBars::ssBoth;
  const int roomW = std::max(0, Width() - 2 * Inset());
  const int roomH = std::max(0, Height() - 2 * Inset());
  const int barW = GetSystemMetrics(SM_CXVSCROLL);
  const int barH = GetSystemMetrics(SM_CYHSCROLL);
  // Each bar takes room from the other's direction.
  bool needV = vAllowed && FDocHeight > roomH;
  bool needH = hAllowed && FScrollWidth > roomW - (needV ? barW : 0);
  if (needH && !needV) needV = vAllowed && FDocHeight > roomH - barH;
  FPaintWidth = std::max(0, roomW - (needV ? barW : 0));
  FPaintHeight = std::max(0, roomH - (needH ? barH : 0));

  FUpdatingBars = true;
  SetUpScrollBar(TScrollBarKind::sbVertical, needV, FDocHeight, FPaintHeight, FVPos);
  SetUpScrollBar(TScrollBarKind::sbHorizontal, needH, FScrollWidth, FPaintWidth, FHPos);
  FUpdatingBars = false;
}

int THtmlView::MaxVPos() const { return std::max(0, FDocHeight - FPaintHeight); }
int THtmlView::MaxHPos() const { return std::max(0, FScrollWidth - FPaintWidth); }

void THtmlView::ScrollTo(int vpos, int hpos) {
  vpos = std::clamp(vpos, 0, MaxVPos());
  hpos = std::clamp(hpos, 0, MaxHPos());
  const int dy = FVPos - vpos;
  const int dx = FHPos - hpos;
  if (dx == 0 && dy == 0) return;
  DropHint();
  FVPos = vpos;
  FHPos = hpos;
  if (FDocument) FDocument->SetYOffset(FVPos);
  TScrollInfo info;
  info.Pos = FVPos;
  if (dy) SetScrollInfo(TScrollBarKind::sbVertical, info, SIF_POS);
  info.Pos = FHPos;
  if (dx) SetScrollInfo(TScrollBarKind::sbHorizontal, info, SIF_POS);
  const TRect paint = PaintRect();
  const bool fixedBackground = FDocument && FDocument->BackgroundBitmap() && FDocument->Looks.BackgroundPRec.Fixed;
  // Small moves shift the pixels and repaint the uncovered strip; large
  // ones, and a background that stays with the window, repaint it all.
  // Native form controls are placed by a paint of the whole view.
  const bool nativeControls = FDocument && FDocument->Windows.ChildControls &&
                              (!FDocument->Forms.FormControlList.empty() || !FDocument->Windows.PanelList.empty());
  if (fixedBackground || nativeControls || std::abs(dy) >= paint.Height() ||
      std::abs(dx) >= paint.Width())
    InvalidateRect(paint);
  else
    ScrollWindow(dx, dy, &paint);
}

void THtmlView::Resize() {
  if (FUpdatingBars || !FDocument) return;
  if (FLaidOutSize == TSize{Width(), Height()}) return;
  const bool fitted = FDocHeight <= FPaintHeight;
  DoLayout();
  // A document that fits starts at the top again.
  if (fitted || FDocHeight <= FPaintHeight) ScrollTo(0, FHPos);
  Invalidate();
}

// ---------------------------------------------------------------- painting

void THtmlView::Paint(TSurface& canvas, const TRect& clip) {
  Guarded([&] {
    PaintFrame(canvas);
    const TRect area = IntersectRect(clip, PaintRect());
    if (area.IsEmpty()) return;
    PaintDocument(canvas, area);
  });
}

void THtmlView::PaintFrame(TSurface& canvas) {
  const int inset = Inset();
  if (!inset) return;
  const TRect client = ClientRect();
  const bool framed = FBorderStyle == THTMLBorderStyle::htSingle ||
                      (FBorderStyle == THTMLBorderStyle::htFocused && Focused());
  canvas.FrameRect(client, ColorToRGB(framed ? clWindowFrame : DefBackground));
}

void THtmlView::PaintDocument(TSurface& canvas, const TRect& area) {
  const int inset = Inset();
  const TColor background = ColorToRGB(FDocument ? FDocument->Looks.Background : DefBackground);
  if (DontDraw || !FDocument) {
    canvas.FillRect(area, background);
    return;
  }
  // Everything goes into a buffer the size of the area first, so the
  // screen never shows a half-painted page.
  std::unique_ptr<TBitmap> buffer;
  try {
    buffer = canvas.CreateCompatibleBitmap(area.Width(), area.Height());
  } catch (const std::bad_alloc&) {
    buffer.reset();
  }
  if (!buffer) throw EHtmlViewError("Out of Resources");
  TSurface& b = buffer->Canvas();
  // Paint-area pixels: the buffer's (0, 0) is the area's top-left.
  b.SetViewportOrigin(TPoint{-(area.Left - inset), -(area.Top - inset)});
  const TRect view{0, 0, FPaintWidth, FPaintHeight};
  const TRect local{area.Left - inset, area.Top - inset, area.Right - inset, area.Bottom - inset};
  b.FillRect(local, background);
  FDocument->DrawBackground(b, view, -FHPos);
  FDocument->Windows.ControlOrigin = TPoint{inset, inset};
  FDocument->Windows.HideUnreachedControls = local == view;
  FDocument->Draw(b, local, kMaxScrollWidth, -FHPos, 0);
  canvas.BitBlt(area.Left, area.Top, area.Width(), area.Height(), *buffer, 0, 0);
}

void THtmlView::FocusGained() {
  if (FBorderStyle == THTMLBorderStyle::htFocused) Invalidate();
}

void THtmlView::FocusLost() {
  if (FBorderStyle == THTMLBorderStyle::htFocused) Invalidate();
  EndMiddleScroll();
}

}  // namespace tav
