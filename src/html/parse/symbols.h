#pragma once
// The symbols the HTML tokenizer classifies tokens by, the sets of them the
// document builder ends its loops with, and the tag and attribute tables.
#include <bitset>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

namespace tav {

enum Symb : std::uint8_t {
  HtmlSy, TitleSy, BodySy, HeadSy, PSy, PEndSy,
  BSy, BEndSy, ISy, IEndSy, HtmlEndSy, TitleEndSy,
  BodyEndSy, HeadEndSy, BRSy, HeadingSy, HeadingEndSy, EmSy,
  EmEndSy, StrongSy, StrongEndSy, USy, UEndSy, HRSy,
  CiteSy, VarSy, CiteEndSy, VarEndSy, BaseSy, TTSy,
  CodeSy, KbdSy, SampSy, TTEndSy, CodeEndSy, KbdEndSy,
  SampEndSy, OLSy, OLEndSy, LISy, LIEndSy, ULSy,
  ULEndSy, DirSy, DirEndSy, MenuSy, MenuEndSy, DLSy,
  DLEndSy, DDSy, DDEndSy, DTSy, DTEndSy, AddressSy,
  AddressEndSy, BlockQuoteSy, BlockQuoteEndSy, PreSy, PreEndSy, ImageSy,
  Centersy, CenterEndSy, OtherAttribute, ASy, AEndSy, HrefSy,
  NameSy, SrcSy, AltSy, AlignSy, OtherChar, OtherSy,
  CommandSy, TextSy, EofSy, LinkSy, BGColorSy, BackgroundSy,
  TableSy, TableEndSy, TDSy, TDEndSy, TRSy, TREndSy,
  THSy, THEndSy, ColSpanSy, RowSpanSy, BorderSy, CellPaddingSy,
  CellSpacingSy, VAlignSy, WidthSy, CaptionSy, CaptionEndSy, StartSy,
  ButtonSy, InputSy, ValueSy, TypeSy, CheckBoxSy, RadioSy,
  FormSy, FormEndSy, MethodSy, ActionSy, CheckedSy, SizeSy,
  MaxLengthSy, TextAreaSy, TextAreaEndSy, ColsSy, RowsSy, SelectSy,
  SelectEndSy, OptionSy, OptionEndSy, SelectedSy, MultipleSy, FontSy,
  FontEndSy, ColorSy, FaceSy, BaseFontSy, TranspSy, SubSy,
  SubEndSy, SupSy, SupEndSy, ClearSy, IsMapSy, BigSy,
  BigEndSy, SmallSy, SmallEndSy, BorderColorSy, MapSy, MapEndSy,
  AreaSy, ShapeSy, CoordsSy, NoHrefSy, UseMapSy, HeightSy,
  PlainSy, FrameSetSy, FrameSetEndSy, FrameSy, TargetSy, NoFramesSy,
  NoFramesEndSy, NoResizeSy, ScrollingSy, PageSy, HSpaceSy, VSpaceSy,
  ScriptSy, ScriptEndSy, LanguageSy, DivSy, DivEndSy, SSy,
  SEndSy, StrikeSy, StrikeEndSy, FrameBorderSy, MarginWidthSy, MarginHeightSy,
  BgSoundSy, LoopSy, OnClickSy, WrapSy, NoShadeSy, MetaSy,
  HttpEqSy, ContentSy, EncTypeSy, VLinkSy, OLinkSy, ActiveSy,
  PanelSy, NoBrSy, NoBrEndSy, WbrSy, ClassSy, IDSy,
  StyleSy, StyleEndSy, SpanSy, SpanEndSy, liAloneSy, RelSy,
  RevSy, NoWrapSy, BorderColorLightSy, BorderColorDarkSy, CharSetSy, RatioSy,
  OnFocusSy, OnBlurSy, OnChangeSy, ColSy, ColGroupSy, ColGroupEndSy,
  TabIndexSy, BGPropertiesSy, DisabledSy, TopMarginSy, LeftMarginSy, LabelSy,
  LabelEndSy, THeadSy, TBodySy, TFootSy, THeadEndSy, TBodyEndSy,
  TFootEndSy, ObjectSy, ObjectEndSy, ParamSy, ReadonlySy, EolSy,
  // Later block elements, read as DIV is.
  SectionSy, SectionEndSy, ArticleSy, ArticleEndSy, NavSy, NavEndSy,
  HeaderSy, HeaderEndSy, FooterSy, FooterEndSy, MainSy, MainEndSy, AsideSy, AsideEndSy,
  FigureSy, FigureEndSy, FigCaptionSy, FigCaptionEndSy, DetailsSy, DetailsEndSy, SummarySy, SummaryEndSy,
  // A drawing in the page, whose content is skipped.
  SvgSy, SvgEndSy,
};
constexpr int SymbCount = 246;

// A set of symbols (the builder's terminator sets).
class TSymbSet {
public:
  TSymbSet() = default;
  TSymbSet(std::initializer_list<Symb> symbols) {
    for (Symb s : symbols) FBits.set(s);
  }
  bool Contains(Symb s) const { return FBits.test(s); }
  TSymbSet& operator+=(Symb s) { FBits.set(s); return *this; }
  TSymbSet& operator-=(Symb s) { FBits.reset(s); return *this; }
  TSymbSet operator+(const TSymbSet& o) const { TSymbSet r = *this; r.FBits |= o.FBits; return r; }
  TSymbSet operator+(Symb s) const { TSymbSet r = *this; r.FBits.set(s); return r; }
  TSymbSet operator-(const TSymbSet& o) const { TSymbSet r = *this; r.FBits &= ~o.FBits; return r; }
  bool operator==(const TSymbSet&) const = default;

private:
  std::bitset<SymbCount> FBits;
};

struct TElementSymbols {
  Symb Start;
  Symb End;  // CommandSy for the elements that have no end symbol
};

// An upper-case tag name to its symbols; false for a name not in the table.
bool LookupElement(std::u16string_view upperName, TElementSymbols& out);
// An upper-case attribute name to its symbol; OtherAttribute when unknown.
Symb LookupAttribute(std::u16string_view upperName);
// The lower-case element name style rules are looked up under ("b", "table";
// "h" for headings, which callers complete with the level); empty for a
// symbol that is no element.
std::u16string_view ElementName(Symb sy);
// The symbol's name as written in code ("TableSy"), for diagnostics.
std::string_view SymbName(Symb sy);

}  // namespace tav
