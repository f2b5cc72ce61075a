#pragma once
// Style sheets (STYLE elements, linked files) and declaration lists (STYLE
// attributes), with the shorthand properties expanded.
#include <functional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace tav {

class TStyleList;
class TProperties;

// Where a sheet's characters come from. Next returns the next character
// (NUL at the end); Peek the one after it without reading it.
class TSheetSource {
public:
  virtual ~TSheetSource() = default;
  virtual char16_t Next() = 0;
  virtual char16_t Peek() = 0;
};

class TStringSheetSource : public TSheetSource {
public:
  explicit TStringSheetSource(std::u16string text) : FText(std::move(text)) {}
  char16_t Next() override { return FPos < FText.size() ? FText[FPos++] : u'\0'; }
  char16_t Peek() override { return FPos < FText.size() ? FText[FPos] : u'\0'; }

private:
  std::u16string FText;
  std::size_t FPos = 0;
};

// What the sheets of one document share for their @import rules: where a
// name in a sheet that is no file (a STYLE element) resolves, and the local
// files read so far, so that each is read once and a cycle of imports ends.
struct TSheetImports {
  std::u16string DocumentBase;  // the BASE element's HREF, if any
  std::string DocumentFile;     // the document's own file, if any
  std::set<std::string> Read;   // paths of the sheets read
};

// Imported sheets nest at most this deep below a linked sheet or STYLE
// element.
constexpr int MaxImportDepth = 4;

// Parses a sheet into `styles`. With endOnLt the sheet ends at a '<' that
// does not open "<!" (a STYLE element's end tag); url() values are made
// absolute against basePath. @media blocks and @import media lists are
// tested against the style list's MediaView. With `imports`, an @import
// before the sheet's first rule reads a local sheet (relative to
// `sheetFile`, the local file the sheet came from, or else to the
// document) in its place, so that its rules come before the sheet's own;
// without, @import is ignored. Returns the character it stopped at.
char16_t ParseStyleSheet(TStyleList& styles, TSheetSource& source, bool endOnLt,
                         const std::u16string& basePath, TSheetImports* imports = nullptr,
                         const std::string& sheetFile = {});

// The part of a linked or imported sheet's name that names its file: what
// comes before the first '?' or '#' ("theme.css?v=2" is "theme.css").
std::u16string SheetFileName(std::u16string_view name);
// Parses a STYLE attribute into `props` (through AddPropertyByName).
void ParseDeclarationList(const std::u16string& text, TProperties& props);

// Splits a shorthand value into words: runs of spaces count as one, a space
// after ',' is dropped, quoted strings stay whole, 'a/b' gives 'a' and '/b'.
std::vector<std::u16string> SplitWords(const std::u16string& value);

// Expands a shorthand into its properties through `set`; false when `name`
// is not one of the 13 shorthands.
bool ExpandShorthand(const std::u16string& name, const std::u16string& value,
                     const std::u16string& basePath,
                     const std::function<void(const std::u16string&, const std::u16string&)>& set);

// Lower-cases a declaration value except inside url(...), whose text may
// name a file on a case-sensitive file system.
std::u16string LowerKeepingUrls(const std::u16string& value);

// The text of a url(...) value joined with a base: a full URL (scheme and
// "://" before the first '/', or "mailto:") is kept, a relative one joined
// to a URL base with "/./" and "/../" collapsed; with a base that is a
// directory path or empty the result is a local file path (percent escapes
// decoded, a "file:" prefix removed, '|' read as ':').
std::u16string ResolveUrl(const std::u16string& url, const std::u16string& base);
// Rewrites every url(...) of a value with ResolveUrl.
std::u16string AbsoluteUrls(const std::u16string& value, const std::u16string& base);

}  // namespace tav
