#pragma once
// The highlighter framework: a highlighter cuts one line at a time into
// tokens and gives each token a display attribute. The view keeps one
// integer of highlighter state per line (its range) so that a line can be
// tokenized without re-reading the lines above it.
//
// Calling order for one line: SetRange (ResetRange for line 0), SetLine or
// SetLineExpandedAtWideGlyphs, then while !GetEol(): read GetTokenPos,
// GetToken, GetTokenAttribute, then Next; finally GetRange.
#include <bitset>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "textview/highlighter_attributes.h"

namespace tav {

class TCustomHighlighter;

// An ordered chain of change handlers, each registered under an owner (the
// object the handler is bound to). A handler that raises stops the chain
// unless an exception handler is installed; that one decides whether the
// chain goes on, and must not raise itself.
class TNotifyEventChain {
 public:
  using THandler = std::function<void(TCustomHighlighter& sender)>;
  using TExceptionHandler =
      std::function<void(TCustomHighlighter& sender, std::exception_ptr error, bool& doContinue)>;

  void Add(const void* owner, THandler handler);
  // Removes the handlers registered under owner.
  void Remove(const void* owner);
  int Count() const { return static_cast<int>(fHandlers.size()); }
  void Fire(TCustomHighlighter& sender);
  void SetOnException(TExceptionHandler handler) { fOnException = std::move(handler); }

 private:
  struct TEntry {
    const void* owner;
    THandler handler;
  };
  std::vector<TEntry> fHandlers;
  TExceptionHandler fOnException;
};

// Options kept for configuration tools; they do not change tokenizing.
struct TTextViewHighlighterOptions {
  bool AutoDetectEnabled = false;
  int AutoDetectLineLimit = 0;
  bool Visible = true;
};

// Indexes for GetDefaultAttribute.
enum : int {
  HIGHLIGHTER_ATTR_COMMENT = 0,
  HIGHLIGHTER_ATTR_IDENTIFIER = 1,
  HIGHLIGHTER_ATTR_KEYWORD = 2,
  HIGHLIGHTER_ATTR_STRING = 3,
  HIGHLIGHTER_ATTR_WHITESPACE = 4,
  HIGHLIGHTER_ATTR_SYMBOL = 5,
  HIGHLIGHTER_ATTR_URI = 6,
  HIGHLIGHTER_ATTR_VISITEDURI = 7,
};

// Filler unit preceding a wide glyph in expanded text. A U+E000 in the line
// itself is expected to be narrow (no fillers before it).
inline constexpr char16_t kWideGlyphFiller = u'\uE000';

class TCustomHighlighter {
 public:
  TCustomHighlighter();
  virtual ~TCustomHighlighter();
  TCustomHighlighter(const TCustomHighlighter&) = delete;
  TCustomHighlighter& operator=(const TCustomHighlighter&) = delete;

  // Registered attributes, sorted by name.
  virtual int GetAttrCount() const;
  virtual THighlighterAttributes* GetAttribute(int index) const;
  virtual THighlighterAttributes* GetDefaultAttribute(int index) const = 0;
  virtual std::u16string GetDefaultFilter() const;
  virtual std::u16string GetSampleSource() const;
  // The current token (or scheme candidate) equals keyword.
  virtual bool TokenEquals(std::u16string_view keyword) const;
  virtual bool IsFilterStored() const;
  // index is past the line or at a CR or LF.
  virtual bool IsLineEnd(int index) const;
  virtual void SetDefaultFilter(const std::u16string& value);
  virtual void SetSampleSource(const std::u16string& value);
  virtual std::u16string GetFriendlyLanguageName() const;
  virtual std::u16string GetLanguageName() const;
  virtual bool GetEol() const = 0;
  virtual std::u16string GetExpandedToken() const;
  virtual int GetExpandedTokenPos() const;
  virtual std::u16string GetKeyWords() const;
  virtual int GetRange() const;
  virtual std::u16string GetToken() const;
  virtual THighlighterAttributes* GetTokenAttribute() const = 0;
  virtual int GetTokenKind() const = 0;
  virtual int GetTokenPos() const;
  virtual bool IsKeyword(const std::u16string& keyword) const;
  // Advances to the next token; the base part keeps the expanded position.
  virtual void Next();
  virtual void SetLineExpandedAtWideGlyphs(std::u16string_view line,
                                           std::u16string_view expandedLine, int lineNumber);
  virtual void SetLine(std::u16string_view line, int lineNumber);
  virtual void SetRange(int value);
  virtual void ResetRange();
  // True when GetRange never changes from line to line, so the view need
  // not scan lines to keep their ranges.
  virtual bool HasConstantRange() const { return false; }
  void NextToEol();

  virtual bool IsIdentChar(char16_t c) const;
  virtual bool IsWhiteChar(char16_t c) const;
  virtual bool IsWordBreakChar(char16_t c) const;

  // A line position converted to a position in the expanded line.
  int PosToExpandedPos(int pos) const;
  int GetTokenLen() const { return Run - fTokenPos; }

  void HookAttrChangeEvent(const void* owner, TNotifyEventChain::THandler handler);
  void UnhookAttrChangeEvent(const void* owner);
  TNotifyEventChain& AttrChangeHooks() { return fAttrChangeHooks; }
  void BeginUpdate();
  void EndUpdate();

  bool Enabled() const { return fEnabled; }
  void SetEnabled(bool value);
  bool CaseSensitive() const { return fCaseSensitive; }

  // 8-bit characters the view's word tests add as identifier or word-break
  // characters.
  const std::bitset<256>& AdditionalIdentChars() const { return FAdditionalIdentChars; }
  void SetAdditionalIdentChars(const std::bitset<256>& value) { FAdditionalIdentChars = value; }
  const std::bitset<256>& AdditionalWordBreakChars() const { return FAdditionalWordBreakChars; }
  void SetAdditionalWordBreakChars(const std::bitset<256>& value) {
    FAdditionalWordBreakChars = value;
  }
  const TTextViewHighlighterOptions& Options() const { return FOptions; }
  void SetOptions(const TTextViewHighlighterOptions& value) { FOptions = value; }

 protected:
  // Takes ownership; the list stays sorted by name and refuses duplicates
  // (std::invalid_argument). The attribute's changes fire the change hooks.
  void AddAttribute(std::unique_ptr<THighlighterAttributes> attribute);
  void FreeHighlighterAttributes();
  void DefHighlightChange();
  // Prepares a line: the scanned text (lower-cased unless case-sensitive),
  // the original text, and the positions.
  virtual void LoadLine(std::u16string_view line, int lineNumber);
  // The expanded position after the line's character at pos, which starts
  // at expandedPos (or at the fillers before it).
  int ExpandedPosAfter(int pos, int expandedPos) const;

  bool fCaseSensitive = false;
  // Both texts end with an extra U+0000 after the line's fLineLen units.
  std::u16string fLineStr;
  std::u16string fCasedLineStr;
  const char16_t* fLine = nullptr;
  const char16_t* fCasedLine = nullptr;
  int fLineLen = 0;
  int Run = 0;
  int fTokenPos = 0;
  std::u16string fExpandedLine;
  bool fHasExpandedLine = false;
  int fExpandedLineLen = 0;
  int ExpandedRun = 0;
  int fExpandedTokenPos = 0;
  int fOldRun = 0;
  int fLineNumber = 0;
  std::u16string fDefaultFilter;
  std::u16string fSampleSource;

 private:
  std::vector<std::unique_ptr<THighlighterAttributes>> fAttributes;
  TNotifyEventChain fAttrChangeHooks;
  int fUpdateCount = 0;
  bool fUpdateChange = false;
  bool fEnabled = true;
  std::bitset<256> FAdditionalIdentChars;
  std::bitset<256> FAdditionalWordBreakChars;
  TTextViewHighlighterOptions FOptions;
};

}  // namespace tav
