#pragma once
// Reads an HTML document as a stream of symbols: tags with their attribute
// lists, text tokens that keep the source index of every character, and the
// end of input. Comments and other markup without content are removed while
// characters are read; references are decoded. One object per parse.
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "html/css/style_parser.h"
#include "html/parse/attributes.h"
#include "html/parse/symbols.h"
#include "html/parse/token_obj.h"

namespace tav {

class EHtmlParseError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

class THtmlTokenizer {
public:
  // '<!--#command name=value ...-->': returns the text read in its place.
  using TIncludeEvent = std::function<std::u16string(const std::u16string& command,
                                                     const std::vector<std::u16string>& params)>;
  TIncludeEvent OnInclude;
  // The percentage of the document read, every 2048 characters or so.
  std::function<void(int percent)> OnProgress;
  // An ID attribute with a value, with the source index of its tag.
  std::function<void(const std::u16string& id, int index)> OnID;

  // Prepares a document (NUL characters, byte-order mark, ISO-2022-JP) and
  // reads its first character.
  void Prepare(std::u16string text);
  // Markup is not recognised at all (plain text): no comment skipping.
  void PreparePlain(std::u16string text);

  // Reads the next symbol into Sy and the text token or attribute list.
  // Throws EHtmlParseError when the document ends inside a comment.
  void Next();
  // Reads the next character into Ch and UpCh (for raw readers).
  void GetCh();
  // The character after Ch in the source, not yet read (raw).
  char16_t PeekCh() const;
  // Reads raw text up to (not including) "</" + endTag (any case), leaves
  // Ch at that '<' and turns raw mode off. For SCRIPT and the like.
  std::u16string ReadRawUntil(std::u16string_view upperEndTag);
  // After a start tag that is not SelfClosing: skips its content raw, with
  // nested elements of the same name, up to and past the matching end tag
  // "</" + upperName (or the end of input). Ch is then the character after.
  void SkipElementContent(std::u16string_view upperName);
  // Preformatted text: characters as they stand (spaces kept, references
  // decoded) into LCToken, up to a line end (read past; PreLineEnd set), a
  // '<' that starts a tag, `max` characters or the end of input. Without
  // `markup` (plain text) neither tags nor references are recognised. A TAB
  // stays a TAB here (everywhere else it reads as a space).
  void ReadPreText(int max, bool markup = true);
  bool PreLineEnd = false;

  Symb Sy = EofSy;
  // The tag just read ended with "/>".
  bool SelfClosing = false;
  TokenObj LCToken;
  TAttributeList Attributes;
  int HeadingLevel = 0;
  char16_t Ch = 0;
  char16_t UpCh = 0;  // Ch with a..z upper-cased
  bool ChWasTab = false;  // Ch is the space a TAB reads as
  // Text tokens keep every space, TAB and line end ('\r') as it stands
  // instead of folding white space into single spaces.
  bool KeepWhiteSpace = false;
  int SIndex = -1;    // source index of Ch
  int TagIndex = 0;   // source index of the current tag's '<'
  // Raw mode: comments and "<!", "<%" are characters like others. Set
  // after a SCRIPT or STYLE start tag (Ch is then its '>').
  bool RawMode = false;
  bool UTF8Doc = false;
  int CharSet = -1;  // -1: not set by the document's preparation
  int CodePage = 0;

private:
  char16_t ReadSourceChar(int& index);
  bool SkipMarkup();
  void SkipComment(const std::u16string& src, std::size_t& pos);
  void ReadInclude(const std::u16string& src, std::size_t& pos);
  void ReadName(std::u16string& name, std::size_t limit, std::u16string_view extra);
  void ReadTag();
  void ReadText();
  void AppendPlainRun();
  void AppendQuotedRun(char16_t quote, TCharCollection& out);
  bool ReadAttribute();
  void ReadValue(TAttribute& a, TCharCollection& out);
  void ReadReference(TCharCollection& out, bool inAttribute);
  static void AddCodePoint(TCharCollection& out, char32_t cp, int index);

  std::u16string FDoc;
  std::size_t FPos = 0;
  int FIndexBase = 0;
  std::u16string FInserted;
  std::size_t FInsPos = 0;
  bool FInInserted = false;
  bool FPlain = false;
  bool FTabRead = false;  // the last source character was a TAB
  bool FOpenComment = false;
  bool FBareValueSlash = false;  // the last bare value ran up to "/>"

  int FCodePage = 0;
  TCharCollection FChars;
};

// ISO-2022-JP bytes (one per UTF-16 unit) to UTF-16; false when the text
// holds something other than bytes or the conversion is not available.
bool DecodeIso2022Jp(const std::u16string& bytes, std::u16string& out);

}  // namespace tav

namespace tav {

// A STYLE element's content as a sheet source: the tokenizer's characters,
// read raw, from the one after the tag's '>'.
class TTokenizerSheetSource : public TSheetSource {
public:
  explicit TTokenizerSheetSource(THtmlTokenizer& tokenizer) : FTokenizer(tokenizer) {}
  char16_t Next() override {
    FTokenizer.GetCh();
    return FTokenizer.Ch;
  }
  char16_t Peek() override { return FTokenizer.PeekCh(); }

private:
  THtmlTokenizer& FTokenizer;
};

}  // namespace tav
