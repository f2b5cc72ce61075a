#include "html/builder/builder.h"
#include "html/builder/builder_values.h"

#include <algorithm>
#include <optional>

#include "html/base/paths.h"
#include "html/base/safe_file.h"
#include "html/base/sat_math.h"
#include "html/css/charsets.h"
#include "html/css/color.h"
#include "html/css/media_query.h"
#include "html/css/style_parser.h"
#include "html/css/units.h"
#include "html/media/decode_picture.h"
#include "util/code_page.h"
#include "util/text_decoding.h"

namespace tav {

namespace {

using P = PropIndices;

constexpr int PreFlushLength = 200;

bool IsInlineElement(Symb sy) {
  switch (sy) {
    case BSy: case ISy: case EmSy: case StrongSy: case USy: case CiteSy: case VarSy: case TTSy:
    case CodeSy: case KbdSy: case SampSy: case SSy: case StrikeSy: case SubSy: case SupSy:
    case BigSy: case SmallSy: case SpanSy: case LabelSy:
      return true;
    default:
      return false;
  }
}

bool IsInlineEnd(Symb sy) {
  switch (sy) {
    case BEndSy: case IEndSy: case EmEndSy: case StrongEndSy: case UEndSy: case CiteEndSy:
    case VarEndSy: case TTEndSy: case CodeEndSy: case KbdEndSy: case SampEndSy: case SEndSy:
    case StrikeEndSy: case SubEndSy: case SupEndSy: case BigEndSy: case SmallEndSy:
    case SpanEndSy: case LabelEndSy:
      return true;
    default:
      return false;
  }
}

const TSymbSet ListItemSymbols{LISy, DDSy, DTSy, LIEndSy, DDEndSy, DTEndSy};

// The later block elements, each read as a DIV: its end symbol, or
// CommandSy for a symbol that is none of them.
Symb BlockElementEnd(Symb sy) {
  switch (sy) {
    case SectionSy: return SectionEndSy;
    case ArticleSy: return ArticleEndSy;
    case NavSy: return NavEndSy;
    case HeaderSy: return HeaderEndSy;
    case FooterSy: return FooterEndSy;
    case MainSy: return MainEndSy;
    case AsideSy: return AsideEndSy;
    case FigureSy: return FigureEndSy;
    case FigCaptionSy: return FigCaptionEndSy;
    case DetailsSy: return DetailsEndSy;
    case SummarySy: return SummaryEndSy;
    default: return CommandSy;
  }
}

// A numbering TYPE by its first character: 1, a, A, i or I.
std::optional<ListBulletType> NumberingType(const TAttributeList& attrs) {
  const std::u16string* t = AttrText(attrs, TypeSy);
  if (!t || t->empty()) return std::nullopt;
  switch ((*t)[0]) {
    case u'1': return ListBulletType::lbDecimal;
    case u'a': return ListBulletType::lbLowerAlpha;
    case u'A': return ListBulletType::lbUpperAlpha;
    case u'i': return ListBulletType::lbLowerRoman;
    case u'I': return ListBulletType::lbUpperRoman;
    default: return std::nullopt;
  }
}

// A bullet TYPE: disc, circle or square, in any case.
std::optional<ListBulletType> BulletType(const TAttributeList& attrs) {
  const std::u16string* t = AttrText(attrs, TypeSy);
  if (!t) return std::nullopt;
  const std::u16string name = LowerCase(Trim(*t));
  if (name == u"disc") return ListBulletType::lbDisc;
  if (name == u"circle") return ListBulletType::lbCircle;
  if (name == u"square") return ListBulletType::lbSquare;
  return std::nullopt;
}

}  // namespace

const std::u16string* AttrText(const TAttributeList& attrs, Symb which) {
  const TAttribute* a = attrs.Find(which);
  return a ? &a->Name : nullptr;
}

std::optional<TColor> AssignBackgroundAttributes(TProperties& props, const TAttributeList& attrs) {
  std::optional<TColor> result;
  TColor color;
  if (auto v = AttrText(attrs, BGColorSy); v && ColorFromString(*v, color)) {
    props.Assign(TPropValue{static_cast<int>(color)}, P::BackgroundColor);
    result = color;
  }
  if (auto v = AttrText(attrs, BackgroundSy)) props.Assign(TextValue(u"url(" + *v + u")"), P::BackgroundImage);
  return result;
}

bool AlignValue(const TAttributeList& attrs, std::u16string& out) {
  const std::u16string* v = AttrText(attrs, AlignSy);
  if (!v) return false;
  std::u16string s = LowerCase(Trim(*v));
  if (s == u"middle") s = u"center";
  if (s != u"left" && s != u"center" && s != u"right" && s != u"justify") return false;
  out = s;
  return true;
}

const TSymbSet& InlineSymbols() {
  static const TSymbSet set = [] {
    TSymbSet s{TextSy, BRSy, ImageSy, PanelSy, ASy, AEndSy, FontSy, FontEndSy, BaseFontSy,
               InputSy, SelectSy, SelectEndSy, TextAreaSy, TextAreaEndSy, NoBrSy, NoBrEndSy,
               WbrSy, ScriptSy, ScriptEndSy, StyleSy, StyleEndSy, MapSy, MapEndSy, ObjectSy,
               ObjectEndSy, ParamSy, BgSoundSy, MetaSy, LinkSy, BaseSy, CommandSy, OtherSy,
               AreaSy, OptionSy, OptionEndSy,
               // Elements nothing is built for: skipped, their text kept
               // in the line they stand in.
               ButtonSy, SelectedSy, FrameSy, WrapSy, ReadonlySy, NoFramesSy, NoFramesEndSy,
               SvgSy, SvgEndSy};
    for (int i = 0; i < SymbCount; ++i) {
      auto sy = static_cast<Symb>(i);
      if (IsInlineElement(sy) || IsInlineEnd(sy)) s += sy;
    }
    return s;
  }();
  return set;
}

THtmlBuilder::THtmlBuilder(TSectionList& document, THtmlBuilderEvents events)
    : Document(document), Events(std::move(events)) {
  T.OnInclude = Events.OnInclude;
}

THtmlBuilder::~THtmlBuilder() = default;

// ------------------------------------------------------------ properties

std::u16string THtmlBuilder::TagName() const {
  if (T.Sy == HeadingSy || T.Sy == HeadingEndSy) return u"h" + Ascii(std::to_string(T.HeadingLevel));
  return std::u16string(ElementName(T.Sy));
}

TProperties& THtmlBuilder::PushProps(const std::u16string& tag, const std::u16string& pseudo) {
  TAttributeList& a = T.Attributes;
  TProperties& props = Stack.PushNewProps(Document.Styles, tag, a.TheClass(), a.TheID(), pseudo,
                                          a.TheTitle(), a.TheStyle(Document.Device));
  if (IsInlineElement(T.Sy) || T.Sy == ASy || T.Sy == FontSy) {
    // An inline element's background colour is its text's background.
    props.SetFontBG();
    if (props.BorderStyleNotBlank()) {
      TInlineRec rec;
      rec.StartBDoc = T.TagIndex;
      int autoCount = 0;
      props.ConvMargArray(200, 200, rec.MargArray, autoCount);
      // The painter reads the background, the side styles and the side
      // colours (the text colour where none is given) from the same array.
      rec.MargArray[static_cast<std::size_t>(P::BackgroundColor)] =
          static_cast<int>(props.GetBackgroundColor());
      const TPropValue& text = props.Get(P::Color);
      for (std::size_t k = 0; k < 4; ++k) {
        int& color = rec.MargArray[static_cast<std::size_t>(P::BorderTopColor) + k];
        if (static_cast<TColor>(color) == clNone && IsInt(text)) color = std::get<int>(text);
        rec.MargArray[static_cast<std::size_t>(P::BorderTopStyle) + k] = static_cast<int>(
            BorderStyleOf(AsText(props.Get(static_cast<P>(static_cast<std::size_t>(P::BorderTopStyle) + k)))));
      }
      Document.Looks.InlineList.push_back(rec);
      OpenInline.emplace_back(tag, static_cast<int>(Document.Looks.InlineList.size()) - 1);
    }
  }
  return props;
}

void THtmlBuilder::PopProps(const std::u16string& tag) {
  for (auto it = OpenInline.rbegin(); it != OpenInline.rend(); ++it) {
    if (it->first == tag) {
      Document.Looks.InlineList[static_cast<std::size_t>(it->second)].EndBDoc = T.TagIndex;
      OpenInline.erase(std::next(it).base());
      break;
    }
  }
  Stack.PopProp(tag);
}

// ------------------------------------------------------------ sections and cells

TSection& THtmlBuilder::EnsureSection() {
  if (!Section) NewSection();
  return *Section;
}

void THtmlBuilder::NewSection() {
  SectionEnd();
  bool first = Cell->Items.empty();
  Section = std::make_unique<TSection>(Document, nullptr, Stack.Last(), InLink ? Link : nullptr, Cell,
                                       first);
  if (first) Section->SetTextIndent(IndentProps());
}

void THtmlBuilder::NewKeptLine(bool wraps) {
  SectionEnd();
  bool first = Cell->Items.empty();
  Section = std::make_unique<TPreFormated>(Document, nullptr, Stack.Last(), InLink ? Link : nullptr,
                                           Cell, first);
  Section->WrapsLines = wraps;
  if (first) Section->SetTextIndent(IndentProps());
}

void THtmlBuilder::Next() {
  TWhiteSpace ws = Stack.Empty() ? TWhiteSpace::Normal : Stack.Last().GetWhiteSpace();
  T.KeepWhiteSpace = ws == TWhiteSpace::Pre || ws == TWhiteSpace::PreWrap;
  T.Next();
}

void THtmlBuilder::AddKeptText(bool wraps) {
  const std::u16string& text = T.LCToken.S();
  const std::vector<int>& indices = T.LCToken.Indices();
  if (Section && !Section->Preformatted && !Section->Buff.empty()) {
    // Inside a line of ordinary text (an inline element): spaces stay as
    // no-break spaces, so that they neither fold nor (under pre) break, a
    // line end is a line break; the line goes on in the same section.
    TokenObj piece;
    auto flush = [&] {
      Section->AddTokenObj(piece, Stack, NoBreak);
      piece.Clear();
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
      char16_t c = text[i];
      if (c == u'\r') {
        flush();
        Section->AddChar(BrkCh, indices[i]);
        continue;
      }
      bool space = c == u' ' || c == u'\t';
      // Under pre-wrap the last space of a run stays a break opportunity.
      bool lastOfRun = i + 1 == text.size() || (text[i + 1] != u' ' && text[i + 1] != u'\t');
      piece.AddUnicodeChar(space && !(wraps && lastOfRun) ? u'\u00A0' : space ? u' ' : c, indices[i]);
    }
    flush();
    return;
  }
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = std::min(text.find(u'\r', start), text.size());
    if (end > start) {
      if (!Section || !Section->Preformatted || Section->WrapsLines != wraps) NewKeptLine(wraps);
      TokenObj piece;
      for (std::size_t i = start; i < end; ++i) piece.AddUnicodeChar(text[i], indices[i]);
      Section->AddTokenObj(piece, Stack, NoBreak);
    }
    if (end == text.size()) break;
    // A line end closes the line; one right after another leaves an empty
    // line. The next line starts with what follows.
    if (!Section) NewKeptLine(wraps);
    SectionEnd();
    start = end + 1;
  }
}

TProperties& THtmlBuilder::IndentProps() {
  // An inherited indent keeps the length it had where it was given: an
  // indent in em on a paragraph that starts with CODE is the paragraph's em.
  for (int i = Stack.Count() - 1; i > 0; --i)
    if (Stack[i].Original(P::TextIndent)) return Stack[i];
  return Stack.Last();
}

void THtmlBuilder::SectionEnd() {
  if (Section) Cell->Add(std::move(Section), T.SIndex);
  Section.reset();
}

void THtmlBuilder::AddItem(std::unique_ptr<TSectionBase> item) {
  SectionEnd();
  Cell->Add(std::move(item), T.SIndex);
}

TBlock& THtmlBuilder::NewBlock() {
  SectionEnd();
  auto block = std::make_unique<TBlock>(Document, *Cell, Stack.Last(), &T.Attributes);
  TBlock& ref = *block;
  Cell->Add(std::move(block), T.SIndex);
  return ref;
}

void THtmlBuilder::EndBlock(TBlock& block) {
  // A paragraph's automatic bottom margin at the end of a block moves out
  // to the block, where it can merge with what follows.
  if (block.MyCell->CheckLastBottomMargin() && !block.Props->Original(P::MarginBottom) &&
      block.MarginBottom <= ParagraphAutoPixels) {
    block.MarginBottom = ParagraphAutoPixels;
    block.BottomAuto = true;
  }
}

// ------------------------------------------------------------ parsing

void THtmlBuilder::Start() {
  Stack.Clear();
  Stack.PushNewProps(Document.Styles, u"default", u"", u"", u"", u"", nullptr);
  TProperties bodyProps(Stack.Last());
  bodyProps.PropTag = u"body";
  auto body = std::make_unique<TBodyBlock>(Document, Document, bodyProps, nullptr);
  Body = body.get();
  Document.Items.push_back(std::move(body));
  Cell = Body->MyCell.get();
  Section.reset();
  Link = nullptr;
  InLink = false;
  NoBreak = false;
  ListLevel = 0;
  BaseFontSize = 3;
  Depth = 0;
  PreLevel = 0;
  CurrentForm = nullptr;
  OpenInline.clear();
}

void THtmlBuilder::Finish() {
  if (Cell) {
    // Whatever was open ends here; the body gets what is pending.
    SectionEnd();
  }
  Stack.Clear();
  Link = nullptr;
  InLink = false;
}

// A text that is an SVG drawing is shown as a page with that one picture:
// the drawing is decoded here and cached under a name no file has (made
// from the text, so that another drawing never finds it); one that cannot
// be drawn shows as a broken picture.
std::u16string THtmlBuilder::SvgDrawingPage(const std::u16string& svg) {
  const std::u16string name =
      u"svg-drawing://" + Ascii(std::to_string(std::hash<std::u16string>{}(svg)));
  if (std::unique_ptr<TBitmap> picture = DecodePicture(Document.Device, TextToUtf8(svg))) {
    TBitmapItem item;
    item.MImage = std::move(picture);
    Document.Pictures.BitmapList.AddObject(TextToUtf8(name), std::move(item));
  }
  return u"<img src=\"" + name + u"\">";
}

void THtmlBuilder::Parse(std::u16string text) {
  if (IsSvgDocument(text)) text = SvgDrawingPage(text);
  Start();
  try {
    T.Prepare(std::move(text));
    Next();
    DoBody(TSymbSet{});
  } catch (const std::exception&) {
    // A parse that cannot go on keeps what it built.
  }
  Finish();
}

void THtmlBuilder::ParsePlainText(std::u16string text) {
  Start();
  try {
    T.PreparePlain(std::move(text));
    PushProps(u"pre");
    TBlock& block = NewBlock();
    InBlock(block, [&] {
      Section = std::make_unique<TPreFormated>(Document, nullptr, Stack.Last(), nullptr, Cell, true);
      while (T.Ch != 0) {
        T.ReadPreText(PreFlushLength, false);
        if (T.LCToken.Leng() > 0) Section->AddTokenObj(T.LCToken, Stack, true);
        if (T.PreLineEnd) {
          SectionEnd();
          Section = std::make_unique<TPreFormated>(Document, nullptr, Stack.Last(), nullptr, Cell, false);
        }
      }
    });
    PopProps(u"pre");
  } catch (const std::exception&) {
  }
  Finish();
}

void THtmlBuilder::DoBody(const TSymbSet& terms) {
  while (T.Sy != EofSy && !terms.Contains(T.Sy)) {
    switch (T.Sy) {
      case TitleSy: DoTitle(); break;
      case BodySy: DoBodyTag(); break;
      case PSy:
      case PEndSy: DoP(terms); break;
      case HeadingSy: DoHeading(); break;
      case HRSy: DoHR(); break;
      case PreSy: DoPre(); break;
      case OLSy:
      case ULSy:
      case DirSy:
      case MenuSy:
      case DLSy: DoLists(terms); break;
      case LISy:
      case DDSy:
      case DTSy: {
        int counter = 1;
        std::optional<ListBulletType> marker;
        DoListItem(T.Sy == LISy ? ListTypeType::liAlone : ListTypeType::Definition, marker,
                   counter, T.Sy, terms);
        break;
      }
      case AddressSy: DoContainer(AddressEndSy, u"address", terms); break;
      case BlockQuoteSy: DoContainer(BlockQuoteEndSy, u"blockquote", terms); break;
      case DivSy: DoContainer(DivEndSy, u"div", terms); break;
      case FormSy: DoForm(terms); break;
      case FormEndSy:
        CurrentForm = nullptr;
        Next();
        break;
      case Centersy: DoCenter(terms); break;
      case PageSy:
        AddItem(std::make_unique<TPage>(Document));
        Next();
        break;
      case TableSy: DoTable(); break;
      default:
        if (Symb end = BlockElementEnd(T.Sy); end != CommandSy) DoContainer(end, TagName(), terms);
        else if (!DoInline()) Next();
        break;
    }
  }
}

// An ID on an element that makes no block of its own names the place in
// the text where the element starts.
void THtmlBuilder::NameHere() {
  const std::u16string* id = AttrText(T.Attributes, IDSy);
  if (!id) return;
  const std::u16string name = UpperCase(Trim(*id));
  if (name.empty()) return;
  TSection& s = EnsureSection();
  Document.AddName(name, TIDObject{&s, static_cast<int>(s.Buff.size())});
}

bool THtmlBuilder::DoInline() {
  Symb sy = T.Sy;
  if (IsInlineElement(sy)) {
    PushProps(TagName());
    if (Section) Section->ChangeFont(Stack.Last());
    NameHere();
    Next();
    return true;
  }
  if (IsInlineEnd(sy)) {
    PopProps(TagName());
    if (Section) Section->ChangeFont(Stack.Last());
    Next();
    return true;
  }
  switch (sy) {
    case TextSy: DoText(); return true;
    case BRSy: DoBR(); return true;
    case ASy:
      NameHere();
      DoA();
      return true;
    case AEndSy: DoA(); return true;
    case FontSy:
      NameHere();
      DoFont();
      return true;
    case BaseFontSy:
    case FontEndSy: DoFont(); return true;
    case NoBrSy:
    case NoBrEndSy:
      NoBreak = sy == NoBrSy;
      Next();
      return true;
    case WbrSy:
      if (Section) Section->AddOpBrk();
      Next();
      return true;
    case StyleSy: DoStyle(); return true;
    case ScriptSy: DoScript(); return true;
    case MetaSy: DoMeta(); return true;
    case BaseSy: DoBase(); return true;
    case LinkSy: DoLink(); return true;
    case BgSoundSy: DoBgSound(); return true;
    case InputSy:
      ApplyInput();
      Next();
      return true;
    case SelectSy: DoSelect(); return true;
    case TextAreaSy: DoTextArea(); return true;
    case ImageSy:
      ApplyImage();
      Next();
      return true;
    case PanelSy:
      ApplyPanel();
      Next();
      return true;
    case ObjectSy: DoObject(); return true;
    case MapSy: DoMap(); return true;
    case SvgSy:
      // A drawing in the page is not drawn, and its text is no page text.
      NameHere();
      if (!T.SelfClosing) T.SkipElementContent(u"SVG");
      Next();
      return true;
    default:
      break;
  }
  if (InlineSymbols().Contains(sy)) {
    NameHere();
    Next();
    return true;
  }
  return false;
}

void THtmlBuilder::DoInlineRun() {
  while (InlineSymbols().Contains(T.Sy))
    if (!DoInline()) Next();
}

void THtmlBuilder::DoText() {
  TWhiteSpace ws = Stack.Last().GetWhiteSpace();
  if (ws == TWhiteSpace::Pre || ws == TWhiteSpace::PreWrap) {
    AddKeptText(ws == TWhiteSpace::PreWrap);
    Next();
    return;
  }
  if (Section && Section->Preformatted) SectionEnd();  // kept lines end with their element
  if (!Section) {
    if (T.LCToken.S() == u" ") {
      Next();
      return;
    }
    NewSection();
  }
  Section->AddTokenObj(T.LCToken, Stack, NoBreak);
  Next();
}

void THtmlBuilder::DoTitle() {
  Next();
  std::u16string title;
  while (T.Sy == TextSy) {
    title += T.LCToken.S();
    Next();
  }
  Title = Trim(title);
  if (T.Sy == TitleEndSy) Next();
}

void THtmlBuilder::DoBodyTag() {
  bool untouched = Body->MyCell->Items.empty() &&
                   (!Section || (Section->Empty() && !Document.Links.NamedItems.count(Section.get()))) &&
                   Depth == 0;
  if (!untouched) {
    Next();
    return;
  }
  TProperties& props = PushProps(u"body");
  const TProperties& defaults = Stack[0];
  for (P p : {P::MarginTop, P::MarginRight, P::MarginBottom, P::MarginLeft})
    if (!props.Original(p)) props.Set(p, defaults.Get(p));
  const TAttributeList& a = T.Attributes;
  TColor color;
  if (auto v = AttrText(a, TextSy); v && ColorFromString(*v, color))
    props.Assign(TPropValue{static_cast<int>(color)}, P::Color);
  AssignBackgroundAttributes(props, a);
  if (auto v = AttrText(a, LinkSy)) Document.Styles.AddModifyProp(u"::link", u"color", *v);
  if (auto v = AttrText(a, VLinkSy)) Document.Styles.AddModifyProp(u"::visited", u"color", *v);
  if (auto v = AttrText(a, OLinkSy)) {
    Document.Styles.AddModifyProp(u"::hover", u"color", *v);
    Document.Links.LinksActive = true;
  }
  if (auto v = AttrText(a, BGPropertiesSy); v && LowerCase(*v) == u"fixed")
    props.Assign(TextValue(u"fixed"), P::BackgroundAttachment);
  for (Symb s : {MarginWidthSy, LeftMarginSy}) {
    if (const TAttribute* m = a.Find(s)) {
      int v = std::clamp(m->Value, 0, 200);
      props.Set(P::MarginLeft, v);
      props.Set(P::MarginRight, v);
      break;
    }
  }
  for (Symb s : {MarginHeightSy, TopMarginSy}) {
    if (const TAttribute* m = a.Find(s)) {
      int v = std::clamp(m->Value, 0, 200);
      props.Set(P::MarginTop, v);
      props.Set(P::MarginBottom, v);
      break;
    }
  }
  TColor bg = props.GetBackgroundColor();
  if (bg != clNone) Document.Looks.Background = bg;
  Document.SetBackgroundImage(ImageUrlOf(AsText(props.Get(P::BackgroundImage))), BackgroundPRecOf(props));
  Section.reset();
  Document.Items.clear();
  auto body = std::make_unique<TBodyBlock>(Document, Document, props, &T.Attributes);
  Body = body.get();
  Document.Items.push_back(std::move(body));
  Cell = Body->MyCell.get();
  Next();
}

void THtmlBuilder::DoP(const TSymbSet& terms) {
  (void)terms;
  // A run of P start and end tags is one paragraph break; the last start
  // tag's attributes count.
  bool open = false;
  while (T.Sy == PSy || T.Sy == PEndSy) {
    if (T.Sy == PSy && Depth < MaxBlockNesting) {
      if (open) PopProps(u"p");
      TProperties& props = PushProps(u"p");
      std::u16string align;
      if (AlignValue(T.Attributes, align)) props.Assign(TextValue(align), P::TextAlign);
      open = true;
    }
    Next();
  }
  if (!open) return;
  TBlock& block = NewBlock();
  InBlock(block, [&] { DoInlineRun(); });
  PopProps(u"p");
  if (Section) Section->ChangeFont(Stack.Last());
}

void THtmlBuilder::DoBR() {
  const TAttribute* clear = T.Attributes.Find(ClearSy);
  TProperties& props = PushProps(u"br");
  if (clear) {
    std::u16string v = LowerCase(Trim(clear->Name));
    if (v == u"all") v = u"both";
    props.Assign(TextValue(v), P::Clear);
    SectionEnd();
    NewSection();
  } else {
    EnsureSection().AddChar(BrkCh, T.TagIndex);
  }
  PopProps(u"br");
  Next();
}

void THtmlBuilder::DoHeading() {
  int level = T.HeadingLevel;
  if (level < 1 || level > 6 || Depth >= MaxBlockNesting) {
    Next();
    return;
  }
  std::u16string tag = u"h" + Ascii(std::to_string(level));
  TProperties& props = PushProps(tag);
  std::u16string align;
  if (AlignValue(T.Attributes, align)) props.Assign(TextValue(align), P::TextAlign);
  SectionEnd();
  Next();
  if (T.Sy == Centersy) {
    Stack.Last().Assign(TextValue(u"center"), P::TextAlign);
    Next();
  }
  TBlock& block = NewBlock();
  InBlock(block, [&] { DoInlineRun(); });
  PopProps(tag);
  if (T.Sy == HeadingEndSy && T.HeadingLevel == level) Next();
}

void THtmlBuilder::DoHR() {
  if (Depth >= MaxBlockNesting) {
    Next();
    return;
  }
  SectionEnd();
  TProperties& props = PushProps(u"hr");
  if (const std::u16string* c = AttrText(T.Attributes, ColorSy)) {
    TColor color;
    if (ColorFromString(*c, color)) props.Assign(TPropValue{static_cast<int>(color)}, P::Color);
  }
  auto block = std::make_unique<THRBlock>(Document, *Cell, props, &T.Attributes);
  auto line = std::make_unique<THorzLine>(Document, props, &T.Attributes);
  if (const std::u16string* c = AttrText(T.Attributes, ColorSy)) {
    TColor color;
    if (ColorFromString(*c, color)) line->Color = color;
  }
  block->Line = line.get();
  block->MyCell->Add(std::move(line), T.SIndex);
  Cell->Add(std::move(block), T.SIndex);
  PopProps(u"hr");
  Next();
}

void THtmlBuilder::DoPre() {
  if (Depth >= MaxBlockNesting) {
    Next();
    return;
  }
  ++PreLevel;
  if (T.Attributes.Find(WrapSy)) {
    DoContainer(PreEndSy, u"pre", TSymbSet{});
    --PreLevel;
    return;
  }
  PushProps(u"pre");
  TBlock& block = NewBlock();
  // Ch stands after the tag's '>': read characters directly.
  InBlock(block, [&] {
    auto newLine = [&](bool first) {
      SectionEnd();
      Section = std::make_unique<TPreFormated>(Document, nullptr, Stack.Last(), InLink ? Link : nullptr,
                                               Cell, first);
    };
    newLine(true);
    if (T.Ch == u'\r') T.GetCh();  // a line end right after the tag is not content
    // A SELECT or TEXTAREA ended by another tag leaves that tag pending.
    bool pending = false;
    for (;;) {
      if (!pending) {
        T.ReadPreText(PreFlushLength);
        if (T.LCToken.Leng() > 0) Section->AddTokenObj(T.LCToken, Stack, true);
        if (T.PreLineEnd) {
          newLine(false);
          continue;
        }
        if (T.Ch == 0) {
          T.Sy = EofSy;
          break;
        }
        if (T.Ch != u'<') continue;  // flushed a long run
        Next();  // a tag
      }
      pending = false;
      Symb sy = T.Sy;
      if (sy == PreEndSy || sy == TableSy || sy == TDEndSy || sy == THEndSy || sy == EofSy) break;
      if (sy == BRSy || sy == PSy) {
        newLine(false);
        continue;
      }
      // Inline tags change the font; others are dropped. The characters
      // after the tag go on either way.
      if (IsInlineElement(sy)) {
        PushProps(TagName());
        Section->ChangeFont(Stack.Last());
      } else if (IsInlineEnd(sy)) {
        PopProps(TagName());
        Section->ChangeFont(Stack.Last());
      } else if (sy == ASy || sy == AEndSy) {
        ApplyA();
      } else if (sy == FontSy || sy == FontEndSy || sy == BaseFontSy) {
        ApplyFont();
      } else if (sy == ImageSy) {
        ApplyImage();
      } else if (sy == InputSy) {
        ApplyInput();
      } else if (sy == SelectSy) {
        // The options' text belongs to the control, not to the line.
        pending = !DoSelect(true);
      } else if (sy == TextAreaSy) {
        pending = !DoTextArea(true);
      } else if (sy == SvgSy && !T.SelfClosing) {
        T.SkipElementContent(u"SVG");
      }
    }
  });
  PopProps(u"pre");
  --PreLevel;
  if (T.Sy == PreEndSy) Next();
}

void THtmlBuilder::ApplyImage() {
  TSection& section = EnsureSection();
  TImageObj& image = section.AddImage(T.Attributes, T.TagIndex);
  image.ProcessProperties(PushProps(u"img"));
  PopProps(u"img");
  for (Symb id : {NameSy, IDSy}) {
    if (const std::u16string* v = AttrText(T.Attributes, id)) {
      std::u16string name = UpperCase(Trim(*v));
      if (!name.empty()) Document.AddName(name, TIDObject{&section, image.Pos});
    }
  }
}

void THtmlBuilder::DoObject() {
  if (!Events.OnObjectTag) {
    // The tag alone is skipped: its content is the page's fallback and is
    // read normally.
    Next();
    return;
  }
  TSection& section = EnsureSection();
  const int index = T.TagIndex;
  TAttributeList attributes;
  for (const TAttribute& a : T.Attributes) attributes.Add(a);
  auto panel = std::make_unique<TPanelObj>(Document, 0, attributes);
  panel->ProcessProperties(PushProps(u"object"));
  PopProps(u"object");
  // Everything up to the matching end tag belongs to the object: its own
  // PARAMs are collected; nested objects and fallback content are dropped.
  // One pass over the tokens, however they nest or whether the end comes.
  THtmlObjectParams params;
  int depth = 1;
  Next();
  while (T.Sy != EofSy) {
    if (T.Sy == ObjectSy) {
      ++depth;
    } else if (T.Sy == ObjectEndSy) {
      if (--depth == 0) {
        Next();
        break;
      }
    } else if (T.Sy == ParamSy && depth == 1) {
      const std::u16string* name = AttrText(T.Attributes, NameSy);
      const std::u16string* value = AttrText(T.Attributes, ValueSy);
      if (name) params.emplace_back(*name, value ? *value : std::u16string());
    }
    Next();
  }
  if (!Events.OnObjectTag(*panel, attributes, params)) return;
  TPanelObj& placed = section.AddPanel(std::move(panel), index);
  if (const std::u16string* id = AttrText(attributes, IDSy)) {
    std::u16string name = UpperCase(Trim(*id));
    if (!name.empty()) Document.AddName(name, TIDObject{&section, placed.Pos});
  }
}

void THtmlBuilder::ApplyPanel() {
  TSection& section = EnsureSection();
  TPanelObj& panel = section.AddPanel(T.Attributes, T.TagIndex);
  panel.ProcessProperties(PushProps(u"panel"));
  PopProps(u"panel");
  if (const std::u16string* id = AttrText(T.Attributes, IDSy)) {
    std::u16string name = UpperCase(Trim(*id));
    if (!name.empty()) Document.AddName(name, TIDObject{&section, panel.Pos});
  }
}

void THtmlBuilder::DoMap() {
  auto map = std::make_unique<TMapItem>();
  if (const std::u16string* v = AttrText(T.Attributes, NameSy)) map->MapName = UpperCase(Trim(*v));
  Next();
  // AREAs up to the end tag; a third token that is neither text nor an
  // AREA ends the map unclosed, and it is read as content.
  int strays = 0;
  while (T.Sy != MapEndSy && T.Sy != EofSy) {
    if (T.Sy == AreaSy) map->AddArea(T.Attributes);
    else if (T.Sy != TextSy && ++strays >= 3) return;
    Next();
  }
  if (T.Sy != MapEndSy) return;
  Document.Pictures.MapList.push_back(std::move(map));
  Next();
}

void THtmlBuilder::DoA() {
  ApplyA();
  Next();
}

void THtmlBuilder::ApplyA() {
  if (T.Sy == AEndSy) {
    if (InLink) {
      InLink = false;
      Link = nullptr;
      PopProps(u"a");
      if (Section) Section->HRef(AEndSy, Stack.Last(), nullptr);
    }
    return;
  }
  const TAttributeList& a = T.Attributes;
  if (const TAttribute* name = a.Find(NameSy)) {
    std::u16string n = UpperCase(Trim(name->Name));
    if (!n.empty() && n[0] == u'#') n.erase(0, 1);
    if (!n.empty()) {
      TSection& s = EnsureSection();
      Document.AddName(n, TIDObject{&s, static_cast<int>(s.Buff.size())});
    }
  }
  if (const TAttribute* href = a.Find(HrefSy)) {
    if (InLink) {
      InLink = false;
      PopProps(u"a");
      if (Section) Section->HRef(AEndSy, Stack.Last(), nullptr);
    }
    auto target = std::make_unique<TUrlTarget>();
    target->Url = href->Name;
    if (const std::u16string* t = AttrText(a, TargetSy)) target->Target = *t;
    if (const TAttribute* ti = a.Find(TabIndexSy)) target->TabIndex = ti->Value;
    target->ID = ++LinkID;
    Link = target.get();
    Document.Links.UrlTargets.push_back(std::move(target));
    InLink = true;
    PushProps(u"a", u"link");
    if (Section) Section->HRef(ASy, Stack.Last(), Link);
  }
}

void THtmlBuilder::DoFont() {
  ApplyFont();
  Next();
}

void THtmlBuilder::ApplyFont() {
  Symb sy = T.Sy;
  if (sy == FontEndSy) {
    PopProps(u"font");
    if (Section) Section->ChangeFont(Stack.Last());
    return;
  }
  const TAttributeList& a = T.Attributes;
  int size = -1;
  if (const TAttribute* s = a.Find(SizeSy)) {
    std::u16string v = Trim(s->Name);
    // A relative size counts from the base size; the sum may pass the int range.
    long long wanted = s->Value;
    if (v.size() >= 2 && (v[0] == u'+' || v[0] == u'-')) wanted += BaseFontSize;
    size = static_cast<int>(std::clamp(wanted, 1LL, 7LL));
  }
  if (sy == BaseFontSy) {
    if (size <= 0) return;
    BaseFontSize = size;
    // The text that follows takes the base size: one open "basefont" set,
    // which no end tag closes, stands under everything after it.
    Stack.PopProp(u"basefont");
    Stack.PushNewProps(Document.Styles, u"basefont", u"", u"", u"", u"", nullptr)
        .Assign(TPropValue{Document.Styles.FontSizes.Size(size, PreLevel > 0)}, P::FontSize);
    if (Section) Section->ChangeFont(Stack.Last());
    return;
  }
  TProperties& props = PushProps(u"font");
  if (size > 0) props.Assign(TPropValue{Document.Styles.FontSizes.Size(size, PreLevel > 0)}, P::FontSize);
  TColor color;
  if (auto c = AttrText(a, ColorSy); c && ColorFromString(*c, color))
    props.Assign(TPropValue{static_cast<int>(color)}, P::Color);
  if (auto f = AttrText(a, FaceSy)) props.Assign(TextValue(LowerCase(*f)), P::FontFamily);
  if (auto cs = AttrText(a, CharSetSy)) {
    int n = CharSetFromName(LowerCase(*cs));
    if (n >= 0) props.AssignCharSet(n);
  }
  if (Section) Section->ChangeFont(Stack.Last());
}

void THtmlBuilder::DoLists(const TSymbSet& terms) {
  Symb sy = T.Sy;
  Symb endSy = sy == OLSy ? OLEndSy : sy == ULSy ? ULEndSy : sy == DirSy ? DirEndSy
               : sy == MenuSy ? MenuEndSy : DLEndSy;
  if (Depth >= MaxBlockNesting) {
    Next();
    return;
  }
  std::u16string tag = TagName();
  const TAttributeList& a = T.Attributes;
  int start = 1;
  // The items' marker: an OL numbers in decimal unless its TYPE says
  // otherwise; a UL's TYPE may name a bullet or none, else the nesting
  // level chooses.
  std::optional<ListBulletType> marker;
  if (sy == OLSy) {
    if (const TAttribute* s = a.Find(StartSy)) start = std::max(0, s->Value);
    marker = NumberingType(a).value_or(ListBulletType::lbDecimal);
  } else if (sy == ULSy) {
    std::u16string t = LowerCase(AttrText(a, TypeSy) ? *AttrText(a, TypeSy) : u"");
    if (a.Find(PlainSy) != nullptr || t == u"none" || t == u"plain")
      marker = ListBulletType::lbBlank;
    else
      marker = BulletType(a);
  }
  ListTypeType type = sy == OLSy ? ListTypeType::Ordered
                      : sy == DLSy ? ListTypeType::Definition
                                   : ListTypeType::Unordered;
  PushProps(tag);
  TBlock& block = NewBlock();
  Next();
  if (T.Sy == endSy) {
    PopProps(tag);
    Next();
    return;
  }
  ++ListLevel;
  TSymbSet itemTerms = (terms - ListItemSymbols) + endSy;
  InBlock(block, [&] {
    int counter = start;
    while (T.Sy != EofSy && !itemTerms.Contains(T.Sy)) {
      if (T.Sy == LISy || T.Sy == DDSy || T.Sy == DTSy) {
        ListTypeType itemType = T.Sy == LISy ? type : ListTypeType::Definition;
        DoListItem(itemType, marker, counter, T.Sy, itemTerms);
      } else if (T.Sy == LIEndSy || T.Sy == DDEndSy || T.Sy == DTEndSy) {
        Next();
      } else {
        DoBody(itemTerms + ListItemSymbols);
      }
    }
  });
  --ListLevel;
  PopProps(tag);
  if (T.Sy == endSy) Next();
}

void THtmlBuilder::DoListItem(ListTypeType type, std::optional<ListBulletType>& marker,
                              int& counter, Symb itemSy, const TSymbSet& terms) {
  if (Depth >= MaxBlockNesting) {
    Next();
    return;
  }
  std::u16string tag = itemSy == LISy ? u"li" : itemSy == DDSy ? u"dd" : u"dt";
  if (itemSy == LISy) {
    if (const TAttribute* v = T.Attributes.Find(ValueSy); v && v->Value != 0) counter = v->Value;
    // An item's TYPE holds for it and, as in browsers, for the items after
    // it in the same list.
    const auto own = type == ListTypeType::Ordered ? NumberingType(T.Attributes)
                     : type == ListTypeType::Definition ? std::nullopt
                                                         : BulletType(T.Attributes);
    if (own) marker = own;
  }
  SectionEnd();
  PushProps(tag);
  auto item = std::make_unique<TBlockLI>(Document, *Cell, Stack.Last(), &T.Attributes, type,
                                         marker, counter, ListLevel);
  // VALUE and START may be as large as an int holds; the items after such
  // one keep the largest number instead of wrapping.
  counter = SatAdd(counter, 1);
  TBlockLI& ref = *item;
  Cell->Add(std::move(item), T.SIndex);
  Next();
  InBlock(ref, [&] {
    DoBody(terms + ListItemSymbols);
    if (Cell->Items.empty() && (!Section || Section->Empty())) {
      // An empty item still has a line for its marker.
      EnsureSection().AddChar(u'\u00A0', T.SIndex);
    }
  });
  PopProps(tag);
  if (T.Sy == LIEndSy || T.Sy == DDEndSy || T.Sy == DTEndSy) Next();
}

void THtmlBuilder::DoContainer(Symb endSy, const std::u16string& tag, const TSymbSet& terms) {
  if (Depth >= MaxBlockNesting) {
    Next();
    return;
  }
  TProperties& props = PushProps(tag);
  std::u16string align;
  if (T.Sy == DivSy && AlignValue(T.Attributes, align)) props.Assign(TextValue(align), P::TextAlign);
  TBlock& block = NewBlock();
  Next();
  InBlock(block, [&] { DoBody(terms + endSy); });
  PopProps(tag);
  if (T.Sy == endSy) Next();
}

void THtmlBuilder::DoCenter(const TSymbSet& terms) {
  SectionEnd();
  PushProps(u"center");
  Next();
  DoBody(terms + CenterEndSy);
  SectionEnd();
  PopProps(u"center");
  if (T.Sy == CenterEndSy) Next();
}

TSheetImports& THtmlBuilder::SheetImports() {
  Imports.DocumentBase = Base.empty() ? Document.Base : Base;
  Imports.DocumentFile = Document.CurrentFile;
  return Imports;
}

void THtmlBuilder::DoStyle() {
  TTokenizerSheetSource source(T);
  ParseStyleSheet(Document.Styles, source, true, u"", &SheetImports());
  T.RawMode = false;
  Next();
}

void THtmlBuilder::DoScript() {
  std::u16string name = AttrText(T.Attributes, NameSy) ? *AttrText(T.Attributes, NameSy) : u"";
  std::u16string language =
      AttrText(T.Attributes, LanguageSy) ? *AttrText(T.Attributes, LanguageSy) : u"";
  std::u16string text = T.ReadRawUntil(u"SCRIPT");
  if (Events.OnScript) Events.OnScript(name, text, language);
  Next();
}

void THtmlBuilder::DoMeta() {
  const TAttributeList& a = T.Attributes;
  std::u16string equiv = AttrText(a, HttpEqSy) ? *AttrText(a, HttpEqSy) : u"";
  std::u16string name = AttrText(a, NameSy) ? *AttrText(a, NameSy) : u"";
  std::u16string content = AttrText(a, ContentSy) ? *AttrText(a, ContentSy) : u"";
  if (LowerCase(equiv) == u"content-type") {
    // The text is already UTF-16: the character set is kept for fonts only.
    std::u16string lower = LowerCase(content);
    auto at = lower.find(u"charset=");
    int charSet = at == std::u16string::npos ? -1 : CharSetFromName(lower.substr(at + 8));
    if (charSet >= 0) Stack[0].AssignCharSet(charSet);
    else if (lower.find(u"utf-8") != std::u16string::npos && !T.UTF8Doc) Stack[0].AssignUTF8();
  }
  if (Events.OnMeta) Events.OnMeta(equiv, name, content);
  Next();
}

void THtmlBuilder::DoBase() {
  if (auto h = AttrText(T.Attributes, HrefSy)) Base = *h;
  if (auto t = AttrText(T.Attributes, TargetSy)) BaseTarget = *t;
  Next();
}

void THtmlBuilder::DoLink() {
  const TAttributeList& a = T.Attributes;
  const std::u16string rel = AttrText(a, RelSy) ? *AttrText(a, RelSy) : u"";
  const std::u16string href = AttrText(a, HrefSy) ? Trim(*AttrText(a, HrefSy)) : u"";
  if (Events.OnLink) Events.OnLink(rel, AttrText(a, RevSy) ? *AttrText(a, RevSy) : u"", href);
  // A sheet for other media than the screen (MEDIA=print) is not read.
  const TAttribute* media = nullptr;
  for (const TAttribute& attr : a)
    if (attr.WhichName == u"MEDIA") {
      media = &attr;
      break;
    }
  const bool forScreen = !media || MediaListApplies(media->Name, Document.Styles.MediaView());
  if (LowerCase(Trim(rel)) == u"stylesheet" && !href.empty() && forScreen) {
    // The sheet's bytes: from the stream request when it answers, else the
    // local file the name gives without its query or fragment, read safely
    // (a FIFO, a device or a huge file fails at once). A sheet that cannot
    // be had is ignored.
    std::string bytes;
    std::u16string base = Base.empty() ? Document.Base : Base;
    bool got = Events.OnStreamRequest && Events.OnStreamRequest(href, bytes);
    std::string path;
    if (!got) {
      const std::u16string file = SheetFileName(href);
      if (!file.empty())
        path = Events.OnExpandName ? Events.OnExpandName(TextToUtf8(file))
                                   : HTMLExpandFilename(file, base, Document.CurrentFile);
      got = !path.empty() && ReadLocalFile(path, bytes);
    }
    if (got) {
      TSheetImports& imports = SheetImports();
      if (!path.empty()) imports.Read.insert(path);
      TStringSheetSource source(DecodeTextFile(bytes));
      ParseStyleSheet(Document.Styles, source, false, path.empty() ? href : Utf8ToText(path),
                      &imports, path);
    }
  }
  Next();
}

void THtmlBuilder::DoBgSound() {
  if (Events.OnSoundRequest) {
    const TAttribute* loop = T.Attributes.Find(LoopSy);
    Events.OnSoundRequest(AttrText(T.Attributes, SrcSy) ? *AttrText(T.Attributes, SrcSy) : u"",
                          loop ? loop->Value : 1);
  }
  Next();
}

void THtmlBuilder::SkipUntil(Symb endSy) {
  Next();
  while (T.Sy != EofSy && T.Sy != endSy) Next();
  if (T.Sy == endSy) Next();
}

}  // namespace tav
