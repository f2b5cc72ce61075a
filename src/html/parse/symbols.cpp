#include "html/parse/symbols.h"

#include <array>
#include <unordered_map>

namespace tav {
namespace {

struct TElementRow {
  std::u16string_view Name;
  Symb Start;
  Symb End;
};

// Tags with a start and an end symbol, then tags with a start symbol only.
constexpr TElementRow Elements[] = {
    {u"HTML", HtmlSy, HtmlEndSy},
    {u"TITLE", TitleSy, TitleEndSy},
    {u"BODY", BodySy, BodyEndSy},
    {u"HEAD", HeadSy, HeadEndSy},
    {u"B", BSy, BEndSy},
    {u"I", ISy, IEndSy},
    {u"H", HeadingSy, HeadingEndSy},
    {u"EM", EmSy, EmEndSy},
    {u"STRONG", StrongSy, StrongEndSy},
    {u"U", USy, UEndSy},
    {u"CITE", CiteSy, CiteEndSy},
    {u"VAR", VarSy, VarEndSy},
    {u"TT", TTSy, TTEndSy},
    {u"CODE", CodeSy, CodeEndSy},
    {u"KBD", KbdSy, KbdEndSy},
    {u"SAMP", SampSy, SampEndSy},
    {u"OL", OLSy, OLEndSy},
    {u"UL", ULSy, ULEndSy},
    {u"DIR", DirSy, DirEndSy},
    {u"MENU", MenuSy, MenuEndSy},
    {u"DL", DLSy, DLEndSy},
    {u"A", ASy, AEndSy},
    {u"ADDRESS", AddressSy, AddressEndSy},
    {u"BLOCKQUOTE", BlockQuoteSy, BlockQuoteEndSy},
    {u"PRE", PreSy, PreEndSy},
    {u"CENTER", Centersy, CenterEndSy},
    {u"TABLE", TableSy, TableEndSy},
    {u"TD", TDSy, TDEndSy},
    {u"TH", THSy, THEndSy},
    {u"CAPTION", CaptionSy, CaptionEndSy},
    {u"FORM", FormSy, FormEndSy},
    {u"TEXTAREA", TextAreaSy, TextAreaEndSy},
    {u"SELECT", SelectSy, SelectEndSy},
    {u"OPTION", OptionSy, OptionEndSy},
    {u"FONT", FontSy, FontEndSy},
    {u"SUB", SubSy, SubEndSy},
    {u"SUP", SupSy, SupEndSy},
    {u"BIG", BigSy, BigEndSy},
    {u"SMALL", SmallSy, SmallEndSy},
    {u"P", PSy, PEndSy},
    {u"MAP", MapSy, MapEndSy},
    {u"FRAMESET", FrameSetSy, FrameSetEndSy},
    {u"NOFRAMES", NoFramesSy, NoFramesEndSy},
    {u"SCRIPT", ScriptSy, ScriptEndSy},
    {u"DIV", DivSy, DivEndSy},
    {u"S", SSy, SEndSy},
    {u"STRIKE", StrikeSy, StrikeEndSy},
    {u"TR", TRSy, TREndSy},
    {u"NOBR", NoBrSy, NoBrEndSy},
    {u"STYLE", StyleSy, StyleEndSy},
    {u"SPAN", SpanSy, SpanEndSy},
    {u"COLGROUP", ColGroupSy, ColGroupEndSy},
    {u"LABEL", LabelSy, LabelEndSy},
    {u"THEAD", THeadSy, THeadEndSy},
    {u"TBODY", TBodySy, TBodyEndSy},
    {u"TFOOT", TFootSy, TFootEndSy},
    {u"OBJECT", ObjectSy, ObjectEndSy},
    {u"DD", DDSy, DDEndSy},
    {u"DT", DTSy, DTEndSy},
    {u"LI", LISy, LIEndSy},
    {u"SECTION", SectionSy, SectionEndSy},
    {u"ARTICLE", ArticleSy, ArticleEndSy},
    {u"NAV", NavSy, NavEndSy},
    {u"HEADER", HeaderSy, HeaderEndSy},
    {u"FOOTER", FooterSy, FooterEndSy},
    {u"MAIN", MainSy, MainEndSy},
    {u"ASIDE", AsideSy, AsideEndSy},
    {u"FIGURE", FigureSy, FigureEndSy},
    {u"FIGCAPTION", FigCaptionSy, FigCaptionEndSy},
    {u"DETAILS", DetailsSy, DetailsEndSy},
    {u"SUMMARY", SummarySy, SummaryEndSy},
    {u"SVG", SvgSy, SvgEndSy},
    {u"BR", BRSy, CommandSy},
    {u"HR", HRSy, CommandSy},
    {u"IMG", ImageSy, CommandSy},
    {u"BASE", BaseSy, CommandSy},
    {u"BUTTON", ButtonSy, CommandSy},
    {u"INPUT", InputSy, CommandSy},
    {u"SELECTED", SelectedSy, CommandSy},
    {u"BASEFONT", BaseFontSy, CommandSy},
    {u"AREA", AreaSy, CommandSy},
    {u"FRAME", FrameSy, CommandSy},
    {u"PAGE", PageSy, CommandSy},
    {u"BGSOUND", BgSoundSy, CommandSy},
    {u"WRAP", WrapSy, CommandSy},
    {u"META", MetaSy, CommandSy},
    {u"PANEL", PanelSy, CommandSy},
    {u"WBR", WbrSy, CommandSy},
    {u"LINK", LinkSy, CommandSy},
    {u"COL", ColSy, CommandSy},
    {u"PARAM", ParamSy, CommandSy},
    {u"READONLY", ReadonlySy, CommandSy},
};

struct TAttributeRow {
  std::u16string_view Name;
  Symb Which;
};

constexpr TAttributeRow Attributes[] = {
    {u"HREF", HrefSy},
    {u"NAME", NameSy},
    {u"SRC", SrcSy},
    {u"ALT", AltSy},
    {u"ALIGN", AlignSy},
    {u"TEXT", TextSy},
    {u"BGCOLOR", BGColorSy},
    {u"LINK", LinkSy},
    {u"BACKGROUND", BackgroundSy},
    {u"COLSPAN", ColSpanSy},
    {u"ROWSPAN", RowSpanSy},
    {u"BORDER", BorderSy},
    {u"CELLPADDING", CellPaddingSy},
    {u"CELLSPACING", CellSpacingSy},
    {u"VALIGN", VAlignSy},
    {u"WIDTH", WidthSy},
    {u"START", StartSy},
    {u"VALUE", ValueSy},
    {u"TYPE", TypeSy},
    {u"CHECKBOX", CheckBoxSy},
    {u"RADIO", RadioSy},
    {u"METHOD", MethodSy},
    {u"ACTION", ActionSy},
    {u"CHECKED", CheckedSy},
    {u"SIZE", SizeSy},
    {u"MAXLENGTH", MaxLengthSy},
    {u"COLS", ColsSy},
    {u"ROWS", RowsSy},
    {u"MULTIPLE", MultipleSy},
    {u"SELECTED", SelectedSy},
    {u"FACE", FaceSy},
    {u"COLOR", ColorSy},
    {u"TRANSP", TranspSy},
    {u"CLEAR", ClearSy},
    {u"ISMAP", IsMapSy},
    {u"BORDERCOLOR", BorderColorSy},
    {u"USEMAP", UseMapSy},
    {u"SHAPE", ShapeSy},
    {u"COORDS", CoordsSy},
    {u"NOHREF", NoHrefSy},
    {u"HEIGHT", HeightSy},
    {u"PLAIN", PlainSy},
    {u"TARGET", TargetSy},
    {u"NORESIZE", NoResizeSy},
    {u"SCROLLING", ScrollingSy},
    {u"HSPACE", HSpaceSy},
    {u"LANGUAGE", LanguageSy},
    {u"FRAMEBORDER", FrameBorderSy},
    {u"MARGINWIDTH", MarginWidthSy},
    {u"MARGINHEIGHT", MarginHeightSy},
    {u"LOOP", LoopSy},
    {u"ONCLICK", OnClickSy},
    {u"WRAP", WrapSy},
    {u"NOSHADE", NoShadeSy},
    {u"HTTP-EQUIV", HttpEqSy},
    {u"CONTENT", ContentSy},
    {u"ENCTYPE", EncTypeSy},
    {u"VLINK", VLinkSy},
    {u"OLINK", OLinkSy},
    {u"ACTIVE", ActiveSy},
    {u"VSPACE", VSpaceSy},
    {u"CLASS", ClassSy},
    {u"ID", IDSy},
    {u"STYLE", StyleSy},
    {u"REL", RelSy},
    {u"REV", RevSy},
    {u"NOWRAP", NoWrapSy},
    {u"BORDERCOLORLIGHT", BorderColorLightSy},
    {u"BORDERCOLORDARK", BorderColorDarkSy},
    {u"CHARSET", CharSetSy},
    {u"RATIO", RatioSy},
    {u"TITLE", TitleSy},
    {u"ONFOCUS", OnFocusSy},
    {u"ONBLUR", OnBlurSy},
    {u"ONCHANGE", OnChangeSy},
    {u"SPAN", SpanSy},
    {u"TABINDEX", TabIndexSy},
    {u"BGPROPERTIES", BGPropertiesSy},
    {u"DISABLED", DisabledSy},
    {u"TOPMARGIN", TopMarginSy},
    {u"LEFTMARGIN", LeftMarginSy},
    {u"LABEL", LabelSy},
    {u"READONLY", ReadonlySy},
};

constexpr std::string_view SymbNames[SymbCount] = {
    "HtmlSy", "TitleSy", "BodySy", "HeadSy", "PSy",
    "PEndSy", "BSy", "BEndSy", "ISy", "IEndSy",
    "HtmlEndSy", "TitleEndSy", "BodyEndSy", "HeadEndSy", "BRSy",
    "HeadingSy", "HeadingEndSy", "EmSy", "EmEndSy", "StrongSy",
    "StrongEndSy", "USy", "UEndSy", "HRSy", "CiteSy",
    "VarSy", "CiteEndSy", "VarEndSy", "BaseSy", "TTSy",
    "CodeSy", "KbdSy", "SampSy", "TTEndSy", "CodeEndSy",
    "KbdEndSy", "SampEndSy", "OLSy", "OLEndSy", "LISy",
    "LIEndSy", "ULSy", "ULEndSy", "DirSy", "DirEndSy",
    "MenuSy", "MenuEndSy", "DLSy", "DLEndSy", "DDSy",
    "DDEndSy", "DTSy", "DTEndSy", "AddressSy", "AddressEndSy",
    "BlockQuoteSy", "BlockQuoteEndSy", "PreSy", "PreEndSy", "ImageSy",
    "Centersy", "CenterEndSy", "OtherAttribute", "ASy", "AEndSy",
    "HrefSy", "NameSy", "SrcSy", "AltSy", "AlignSy",
    "OtherChar", "OtherSy", "CommandSy", "TextSy", "EofSy",
    "LinkSy", "BGColorSy", "BackgroundSy", "TableSy", "TableEndSy",
    "TDSy", "TDEndSy", "TRSy", "TREndSy", "THSy",
    "THEndSy", "ColSpanSy", "RowSpanSy", "BorderSy", "CellPaddingSy",
    "CellSpacingSy", "VAlignSy", "WidthSy", "CaptionSy", "CaptionEndSy",
    "StartSy", "ButtonSy", "InputSy", "ValueSy", "TypeSy",
    "CheckBoxSy", "RadioSy", "FormSy", "FormEndSy", "MethodSy",
    "ActionSy", "CheckedSy", "SizeSy", "MaxLengthSy", "TextAreaSy",
    "TextAreaEndSy", "ColsSy", "RowsSy", "SelectSy", "SelectEndSy",
    "OptionSy", "OptionEndSy", "SelectedSy", "MultipleSy", "FontSy",
    "FontEndSy", "ColorSy", "FaceSy", "BaseFontSy", "TranspSy",
    "SubSy", "SubEndSy", "SupSy", "SupEndSy", "ClearSy",
    "IsMapSy", "BigSy", "BigEndSy", "SmallSy", "SmallEndSy",
    "BorderColorSy", "MapSy", "MapEndSy", "AreaSy", "ShapeSy",
    "CoordsSy", "NoHrefSy", "UseMapSy", "HeightSy", "PlainSy",
    "FrameSetSy", "FrameSetEndSy", "FrameSy", "TargetSy", "NoFramesSy",
    "NoFramesEndSy", "NoResizeSy", "ScrollingSy", "PageSy", "HSpaceSy",
    "VSpaceSy", "ScriptSy", "ScriptEndSy", "LanguageSy", "DivSy",
    "DivEndSy", "SSy", "SEndSy", "StrikeSy", "StrikeEndSy",
    "FrameBorderSy", "MarginWidthSy", "MarginHeightSy", "BgSoundSy", "LoopSy",
    "OnClickSy", "WrapSy", "NoShadeSy", "MetaSy", "HttpEqSy",
    "ContentSy", "EncTypeSy", "VLinkSy", "OLinkSy", "ActiveSy",
    "PanelSy", "NoBrSy", "NoBrEndSy", "WbrSy", "ClassSy",
    "IDSy", "StyleSy", "StyleEndSy", "SpanSy", "SpanEndSy",
    "liAloneSy", "RelSy", "RevSy", "NoWrapSy", "BorderColorLightSy",
    "BorderColorDarkSy", "CharSetSy", "RatioSy", "OnFocusSy", "OnBlurSy",
    "OnChangeSy", "ColSy", "ColGroupSy", "ColGroupEndSy", "TabIndexSy",
    "BGPropertiesSy", "DisabledSy", "TopMarginSy", "LeftMarginSy", "LabelSy",
    "LabelEndSy", "THeadSy", "TBodySy", "TFootSy", "THeadEndSy",
    "TBodyEndSy", "TFootEndSy", "ObjectSy", "ObjectEndSy", "ParamSy",
    "ReadonlySy", "EolSy",
    "SectionSy", "SectionEndSy",
    "ArticleSy", "ArticleEndSy",
    "NavSy", "NavEndSy",
    "HeaderSy", "HeaderEndSy",
    "FooterSy", "FooterEndSy",
    "MainSy", "MainEndSy",
    "AsideSy", "AsideEndSy",
    "FigureSy", "FigureEndSy",
    "FigCaptionSy", "FigCaptionEndSy",
    "DetailsSy", "DetailsEndSy",
    "SummarySy", "SummaryEndSy",
    "SvgSy", "SvgEndSy",
};

struct TTables {
  std::unordered_map<std::u16string_view, TElementSymbols> Elements;
  std::unordered_map<std::u16string_view, Symb> Attributes;
  std::array<std::u16string, SymbCount> Names;
};

// Built once, on first use.
const TTables& Tables() {
  static const TTables tables = [] {
    TTables t;
    for (const auto& row : Elements) {
      t.Elements.emplace(row.Name, TElementSymbols{row.Start, row.End});
      std::u16string lower(row.Name);
      for (auto& ch : lower)
        if (ch >= u'A' && ch <= u'Z') ch = static_cast<char16_t>(ch + 32);
      t.Names[row.Start] = lower;
      if (row.End != CommandSy) t.Names[row.End] = lower;
    }
    for (const auto& row : Attributes) t.Attributes.emplace(row.Name, row.Which);
    return t;
  }();
  return tables;
}

}  // namespace

bool LookupElement(std::u16string_view upperName, TElementSymbols& out) {
  const auto& map = Tables().Elements;
  auto it = map.find(upperName);
  if (it == map.end()) return false;
  out = it->second;
  return true;
}

Symb LookupAttribute(std::u16string_view upperName) {
  const auto& map = Tables().Attributes;
  auto it = map.find(upperName);
  return it == map.end() ? OtherAttribute : it->second;
}

std::u16string_view ElementName(Symb sy) { return Tables().Names[sy]; }

std::string_view SymbName(Symb sy) { return SymbNames[sy]; }

}  // namespace tav
