#pragma once
// Turns a document's symbols into blocks and text sections under a
// TSectionList: a recursive-descent reader with one symbol of look-ahead
// that infers missing end tags from what comes next. Every input yields a
// document. One object per parse.
//
// THtmlBuilder is implemented in three files: builder.cpp (the body, text,
// blocks, lists, links, fonts and the head's tags), builder_tables.cpp
// (tables) and builder_forms.cpp (forms and their controls).
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "html/css/prop_stack.h"
#include "html/css/style_parser.h"
#include "html/layout/block.h"
#include "html/layout/document.h"
#include "html/layout/text/section.h"
#include "html/parse/tokenizer.h"

namespace tav {

// Block start tags nested deeper than this are ignored (their content is
// read normally), so that every recursive pass over the document stays
// within the stack.
constexpr int MaxBlockNesting = 300;
// TABLE tags nested deeper than this are ignored: their cells read as
// content of the enclosing cell.
constexpr int MaxTableNesting = 10;

// The symbols that stay inside a paragraph or heading: text, inline
// elements, links, fonts, line breaks, images and controls, and the tags
// that produce nothing where they stand.
const TSymbSet& InlineSymbols();

class TPanelObj;

// An OBJECT offered as a panel: the panel (not yet in the document), the
// tag's attributes and its PARAM name=value pairs in order; true keeps it.
using THtmlObjectParams = std::vector<std::pair<std::u16string, std::u16string>>;
using THtmlObjectTagEvent = std::function<bool(TPanelObj& panel, const TAttributeList& attributes,
                                               const THtmlObjectParams& params)>;

struct THtmlBuilderEvents {
  std::function<void(const std::u16string& name, const std::u16string& script,
                     const std::u16string& language)> OnScript;
  std::function<void(const std::u16string& httpEquiv, const std::u16string& name,
                     const std::u16string& content)> OnMeta;
  std::function<void(const std::u16string& rel, const std::u16string& rev,
                     const std::u16string& href)> OnLink;
  std::function<void(const std::u16string& src, int loop)> OnSoundRequest;
  // A linked style sheet's bytes for its HREF; false: read the local file.
  std::function<bool(const std::u16string& href, std::string& bytes)> OnStreamRequest;
  // The local path a linked style sheet's HREF names (empty: the file is
  // not read); without a handler it is expanded against the page's folder.
  std::function<std::string(const std::string& href)> OnExpandName;
  THtmlObjectTagEvent OnObjectTag;
  THtmlTokenizer::TIncludeEvent OnInclude;
};

class THtmlBuilder {
public:
  explicit THtmlBuilder(TSectionList& document, THtmlBuilderEvents events = {});
  ~THtmlBuilder();

  // Parses HTML into the document (which should be empty).
  // A text that is an SVG drawing becomes a page showing that picture.
  void Parse(std::u16string text);
  // One body holding one preformatted block; no markup is recognised.
  void ParsePlainText(std::u16string text);

  std::u16string Title;
  std::u16string Base;
  std::u16string BaseTarget;

private:
  void Start();
  void Finish();
  // Reads the next symbol; text keeps its white space where the open
  // element says white-space pre or pre-wrap.
  void Next();

  TProperties& PushProps(const std::u16string& tag, const std::u16string& pseudo = u"");
  void PopProps(const std::u16string& tag);
  std::u16string TagName() const;

  // Sections and cells.
  TSection& EnsureSection();
  void NewSection();
  // Ends the current section and starts one line of text that keeps its
  // white space (white-space pre, or pre-wrap when `wraps`).
  void NewKeptLine(bool wraps);
  // Text under white-space pre or pre-wrap: each line end starts a line.
  void AddKeptText(bool wraps);
  // The open element whose text indent the first line of a new section
  // takes: the nearest that gave one itself, else the top.
  TProperties& IndentProps();
  void SectionEnd();
  void AddItem(std::unique_ptr<TSectionBase> item);
  // Runs `body` with `block`'s cell current, then restores the cell and
  // ends the block.
  template <class F>
  void InBlock(TBlock& block, F&& body) {
    SectionEnd();
    {
      TCellScope scope(*this, block.MyCell.get());
      ++Depth;
      body();
      SectionEnd();
      --Depth;
    }
    EndBlock(block);
  }
  // Makes a cell current until the scope ends, then the one before it
  // again. The scope's own code ends the open section first; when an
  // exception (an open comment at the end of the text) leaves the scope,
  // the section is ended here, in the cell it was begun in. That cell may
  // go with the scope (a table cell or a caption still being read), so
  // nothing may keep pointing into it once the parse stops.
  class TCellScope {
  public:
    TCellScope(THtmlBuilder& builder, TCellBasic* cell)
        : FBuilder(builder), FSaved(builder.Cell), FExceptions(std::uncaught_exceptions()) {
      builder.Cell = cell;
    }
    ~TCellScope() {
      if (std::uncaught_exceptions() > FExceptions) {
        try {
          FBuilder.SectionEnd();
        } catch (...) {
          FBuilder.Section.reset();
        }
      }
      FBuilder.Cell = FSaved;
    }
    TCellScope(const TCellScope&) = delete;
    TCellScope& operator=(const TCellScope&) = delete;

  private:
    THtmlBuilder& FBuilder;
    TCellBasic* FSaved;
    int FExceptions;
  };
  void EndBlock(TBlock& block);
  TBlock& NewBlock();

  void DoBody(const TSymbSet& terms);
  // Handles one inline symbol; false when Sy is not one.
  bool DoInline();
  void DoInlineRun();
  void DoText();
  void DoTitle();
  void DoBodyTag();
  void DoP(const TSymbSet& terms);
  void DoBR();
  void DoHeading();
  void DoHR();
  void DoPre();
  void DoA();
  void ApplyA();  // the tag's effect without reading on
  void ApplyImage();
  void ApplyPanel();
  void DoObject();
  void DoMap();
  // Tables: the table's properties and attributes, its content row by row,
  // then the table (with its caption) placed in the flow.
  struct TTableRead;
  void DoTable();
  void ReadTableContent(TTableRead& read);
  // Ends the open row and opens a new one; `fromTag`: for a TR, whose
  // properties and attributes it takes.
  void StartRow(TTableRead& read, bool fromTag);
  // Ends the open row, if any: a footer row waits for the end of the table;
  // a hidden row is dropped.
  void EndRow(TTableRead& read);
  // `surroundingAlign` is the text alignment in force around the table,
  // which places a table that neither floats nor has an ALIGN of its own.
  void PlaceTable(std::unique_ptr<class ThtmlTable> table, const TProperties& props,
                  const TAttributeList& attrs, std::unique_ptr<TBlock> caption, bool captionTop,
                  const std::u16string& surroundingAlign);
  // One TD or TH into `row`; `column` is its place among the row's cells.
  void DoCell(class TCellList& row, class ThtmlTable& table, int column);
  // A CAPTION's content as a block; top: above the table.
  std::unique_ptr<TBlock> DoCaption(bool& top);
  void DoColInfo(class ThtmlTable& table);
  void DoFont();
  void ApplyFont();
  void NameHere();
  std::u16string SvgDrawingPage(const std::u16string& svg);
  void DoLists(const TSymbSet& terms);
  // `marker` is the list's; an LI's TYPE changes it for the rest of the list.
  void DoListItem(ListTypeType type, std::optional<ListBulletType>& marker, int& counter,
                  Symb itemSy, const TSymbSet& terms);
  void DoContainer(Symb endSy, const std::u16string& tag, const TSymbSet& terms);
  void DoCenter(const TSymbSet& terms);
  void DoStyle();
  // The state the document's sheets share for @import, with the base the
  // document has at this point.
  TSheetImports& SheetImports();
  void DoScript();
  void DoMeta();
  void DoBase();
  void DoLink();
  void DoBgSound();
  void SkipUntil(Symb endSy);
  // Forms and their controls.
  void DoForm(const TSymbSet& terms);
  ThtmlForm& CurrentFormOrNew();
  // Puts a control into its form and, when it stands in the text, at the
  // end of `section` with its placeholder; registers its ID.
  TFormControlObj& AddControl(std::unique_ptr<TFormControlObj> control, TSection& section);
  void ApplyInput();
  // SELECT with its OPTIONs and TEXTAREA with its text. Inside PRE the
  // characters after the end tag are left for the preformatted reader:
  // true when the element ended at its end tag, false when another token
  // (a tag or the end of input) ended it and waits in T.
  bool DoSelect(bool inPre = false);
  bool DoTextArea(bool inPre = false);

  TSectionList& Document;
  THtmlBuilderEvents Events;
  THtmlTokenizer T;
  TPropStack Stack;
  TCellBasic* Cell = nullptr;
  TBodyBlock* Body = nullptr;
  std::unique_ptr<TSection> Section;
  TUrlTarget* Link = nullptr;
  bool InLink = false;
  bool NoBreak = false;
  int ListLevel = 0;
  int BaseFontSize = 3;
  int Depth = 0;
  int PreLevel = 0;  // inside PRE: FONT sizes come from the PRE table
  int TableLevel = 0;
  int LinkID = 0;
  ThtmlForm* CurrentForm = nullptr;
  TSheetImports Imports;
  // Open inline elements with a border style: tag and InlineList index.
  std::vector<std::pair<std::u16string, int>> OpenInline;
};

}  // namespace tav
