#pragma once
// The text view's line buffer: an indexable list of UTF-16 lines with, per
// line, a cached display length after tab expansion, a tab flag and one
// integer of highlighter state. It splits text into lines, joins them back,
// decodes byte streams, and reports every change through events so that the
// view re-wraps, re-scans and repaints only what changed.
//
// Storage: lines are views into shared text blocks. A loaded or assigned text
// becomes one block that its lines point into (the line terminators stay in
// the block unused), so a large body costs its UTF-16 text plus one compact
// record per line. Lines set one at a time get a block of their own. A block
// is freed when its last line is replaced or removed.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "textview/text_view_encoding.h"
#include "util/memory_stream.h"

namespace tav {

// An index outside the allowed range; the list is unchanged.
class ETextViewStringList : public std::out_of_range {
 public:
  using std::out_of_range::out_of_range;
};

// Capacity set below the line count; the list is unchanged.
class EListError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

enum TTextViewFileFormat { sffDos, sffUnix, sffMac, sffUnicode };

enum TTextViewStringFlag : std::uint8_t {
  sfHasTabs = 1 << 0,
  sfHasNoTabs = 1 << 1,
  sfExpandedLengthUnknown = 1 << 2,
};
using TTextViewStringFlags = std::uint8_t;

// One line. FString points into a text block (null for an empty line).
struct TTextViewStringRec {
  const char16_t* FString;
  std::int32_t FLength;
  std::uint32_t FBlock;
  std::int32_t fRange;
  std::int32_t fExpandedLength;
  std::int32_t fCharIndex;
  TTextViewStringFlags fFlags;
};

// Widens characters that occupy more than one column by inserting filler
// characters; supplied by the view. An empty function leaves text unchanged.
using TExpandAtWideGlyphsFunc = std::function<std::u16string(std::u16string_view)>;

// Tab expansion: line and tab width to expanded line; hasTabs tells whether
// the line had any tab (a line without tabs comes back unchanged).
using TConvertTabsProcEx = std::u16string (*)(std::u16string_view line, int tabWidth,
                                              bool& hasTabs);
// Width 1 or less: each tab becomes one space.
std::u16string ConvertTabs1Ex(std::u16string_view line, int tabWidth, bool& hasTabs);
// Powers of two: each tab becomes as many TAB characters as reach the next
// tab stop, computed with a mask.
std::u16string ConvertTabs2nEx(std::u16string_view line, int tabWidth, bool& hasTabs);
// Any other width, the same with a modulo.
std::u16string ConvertTabsEx(std::u16string_view line, int tabWidth, bool& hasTabs);
TConvertTabsProcEx GetBestConvertTabsProcEx(int tabWidth);

class TTextViewStringList {
 public:
  using TNotifyEvent = std::function<void(TTextViewStringList& sender)>;
  using TStringListChangeEvent =
      std::function<void(TTextViewStringList& sender, int index, int count)>;

  explicit TTextViewStringList(TExpandAtWideGlyphsFunc expandAtWideGlyphs = {});
  virtual ~TTextViewStringList();
  TTextViewStringList(const TTextViewStringList&) = delete;
  TTextViewStringList& operator=(const TTextViewStringList&) = delete;

  int Count() const { return static_cast<int>(fList.size()); }
  int Capacity() const { return static_cast<int>(fList.capacity()); }
  void SetCapacity(int capacity);

  // Line text; an index outside 0..Count-1 yields the empty string.
  std::u16string Get(int index) const;
  std::u16string Strings(int index) const { return Get(index); }
  // The same without a copy; valid until the line is changed or removed.
  std::u16string_view StringView(int index) const;

  // index = Count appends; index > Count is an index error.
  void Put(int index, std::u16string_view s);
  int Add(std::u16string_view s);
  void Insert(int index, std::u16string_view s);
  void InsertLines(int index, int numLines);
  void InsertStrings(int index, const std::vector<std::u16string>& strings);
  // Splits at CR LF, CR and LF; a final terminator adds no empty line.
  void InsertText(int index, const std::u16string& text);
  void AddStrings(const TTextViewStringList& strings);
  void AddStrings(const std::vector<std::u16string>& strings);
  void Delete(int index);
  void DeleteLines(int index, int numLines);
  void Exchange(int index1, int index2);
  void Clear();

  // Attached objects are not owned.
  void* Objects(int index) const;
  void PutObject(int index, void* object);

  int GetRange(int index) const;
  void PutRange(int index, int range);

  std::u16string GetExpandedString(int index);
  int GetExpandedStringLength(int index);
  int LengthOfLongestLine();
  int LineCharLength(int index) const;
  int LineCharIndex(int index);

  int TabWidth() const { return fTabWidth; }
  void SetTabWidth(int value);
  TTextViewFileFormat FileFormat() const { return fFileFormat; }
  void SetFileFormat(TTextViewFileFormat value) { fFileFormat = value; }
  // The file format's separator: "\r\n", "\n", "\r" or U+2028.
  std::u16string_view LineBreak() const;
  bool AppendNewLineAtEOF() const { return fAppendNewLineAtEOF; }
  void SetAppendNewLineAtEOF(bool value) { fAppendNewLineAtEOF = value; }
  void FontChanged();

  // Lines joined with CR LF (with the file format's separator while saving).
  std::u16string Text() const;
  // Replaces all lines by the split text. Pass an rvalue to let the list
  // keep the text without copying it.
  void SetText(std::u16string value) { SetTextStr(std::move(value)); }
  void SetTextStr(std::u16string value);
  std::u16string GetSeparatedText(std::u16string_view separator) const;

  // Loads from the stream's position to its end (the position ends there):
  // without an encoding by byte-order mark, else Windows-1252; with one,
  // skipping that encoding's byte-order mark when present. A strict decoding
  // failure raises EEncodingError and leaves the lines as they were.
  void LoadFromStream(TMemoryStream& stream);
  void LoadFromStream(TMemoryStream& stream, TEncoding encoding);
  // The same for bytes in memory.
  void LoadFromBuffer(std::string_view bytes);
  void LoadFromBuffer(std::string_view bytes, TEncoding encoding);
  // Writes the byte-order mark (if the encoding has one) and Text with the
  // file format's separators.
  void SaveToStream(TMemoryStream& stream);
  void SaveToStream(TMemoryStream& stream, TEncoding encoding);
  // The encoding of the last load; none before the first.
  std::optional<TEncoding> Encoding() const { return fEncoding; }

  void BeginUpdate();
  void EndUpdate();
  int UpdateCount() const { return fUpdateCount; }

  void SetOnChange(TNotifyEvent handler) { fOnChange = std::move(handler); }
  void SetOnChanging(TNotifyEvent handler) { fOnChanging = std::move(handler); }
  void SetOnCleared(TNotifyEvent handler) { fOnCleared = std::move(handler); }
  void SetOnDeleted(TStringListChangeEvent handler) { fOnDeleted = std::move(handler); }
  void SetOnInserted(TStringListChangeEvent handler) { fOnInserted = std::move(handler); }
  void SetOnPutted(TStringListChangeEvent handler) { fOnPutted = std::move(handler); }

  // Bytes held by the list: records, text blocks and bookkeeping.
  std::size_t AllocatedBytes() const;

 protected:
  // Called when the outermost update bracket opens (true) and closes (false).
  virtual void SetUpdateState(bool updating);

 private:
  struct TTextBlock {
    std::u16string FText;
    std::int64_t FLines = 0;  // lines pointing into FText
  };
  static constexpr std::uint32_t kNoBlock = 0xFFFFFFFFu;

  [[noreturn]] static void ListIndexError(int index);
  template <class F>
  void Updating(F&& change);
  void Grow();
  std::uint32_t NewBlock(std::u16string text);
  void SetLineText(TTextViewStringRec& rec, std::u16string_view s);
  void ReleaseText(TTextViewStringRec& rec);
  static TTextViewStringRec NewRecord();
  void InsertRecord(int index, std::u16string_view s);
  void AppendLines(const std::vector<std::u16string_view>& views,
                   const std::vector<void*>& objects);
  std::u16string ExpandLine(int index);
  void InvalidateExpandedLengths();
  void LoadBytes(std::string_view bytes, std::optional<TEncoding> encoding);
  std::u16string JoinLines(std::u16string_view separator, bool trailing) const;

  std::vector<TTextViewStringRec> fList;
  // Empty until an object is attached, then one entry per line.
  std::vector<void*> fObjects;
  std::vector<std::unique_ptr<TTextBlock>> fBlocks;
  std::vector<std::uint32_t> fFreeBlocks;
  TTextViewFileFormat fFileFormat = sffDos;
  bool fAppendNewLineAtEOF = false;
  int fTabWidth = 8;
  TConvertTabsProcEx fConvertTabsProc;
  int fIndexOfLongestLine = -1;
  TExpandAtWideGlyphsFunc FExpandAtWideGlyphsFunc;
  bool FCharIndexesAreValid = false;
  bool FStreaming = false;
  int fUpdateCount = 0;
  std::optional<TEncoding> fEncoding;
  TNotifyEvent fOnChange, fOnChanging, fOnCleared;
  TStringListChangeEvent fOnDeleted, fOnInserted, fOnPutted;
};

}  // namespace tav
