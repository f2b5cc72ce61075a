#include "textview/text_view_string_list.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace tav {

namespace {

constexpr char16_t kCR = u'\r';
constexpr char16_t kLF = u'\n';
constexpr char16_t kLineSeparator = u'\u2028';

bool IsTerminator(char16_t c) { return c == kCR || c == kLF || c == kLineSeparator; }

// Walks the text the way the text setter splits it: each line runs to the
// next CR, LF or U+2028; then one U+2028, one CR and one LF are consumed, in
// that order and each at most once. `line` receives start and length.
template <class OnLine>
void ScanLines(const char16_t* p, std::size_t n, OnLine&& line, bool& sawSeparator, bool& sawCR,
               bool& sawLF) {
  std::size_t i = 0;
  while (i < n) {
    const std::size_t start = i;
    while (i < n) {
      const char16_t c = p[i];
      if (c > kCR ? c == kLineSeparator : (c == kCR || c == kLF)) break;
      ++i;
    }
    line(start, i - start);
    if (i < n && p[i] == kLineSeparator) {
      sawSeparator = true;
      ++i;
    }
    if (i < n && p[i] == kCR) {
      sawCR = true;
      ++i;
    }
    if (i < n && p[i] == kLF) {
      sawLF = true;
      ++i;
    }
  }
}

// The plain splitter used for inserted text: CR LF, CR and LF end a line;
// a final terminator adds no empty line.
std::vector<std::u16string> SplitPlain(const std::u16string& text) {
  std::vector<std::u16string> lines;
  std::size_t i = 0;
  const std::size_t n = text.size();
  while (i < n) {
    const std::size_t start = i;
    while (i < n && text[i] != kCR && text[i] != kLF) ++i;
    lines.emplace_back(text, start, i - start);
    if (i < n && text[i] == kCR) ++i;
    if (i < n && text[i] == kLF) ++i;
  }
  return lines;
}

}  // namespace

// ---- Tab expansion --------------------------------------------------------

std::u16string ConvertTabs1Ex(std::u16string_view line, int /*tabWidth*/, bool& hasTabs) {
  std::u16string result(line);
  hasTabs = false;
  for (char16_t& c : result) {
    if (c == u'\t') {
      c = u' ';
      hasTabs = true;
    }
  }
  return result;
}

std::u16string ConvertTabs2nEx(std::u16string_view line, int tabWidth, bool& hasTabs) {
  hasTabs = line.find(u'\t') != std::u16string_view::npos;
  if (!hasTabs) return std::u16string(line);
  const std::size_t mask = static_cast<std::size_t>(tabWidth) - 1;
  std::u16string result;
  result.reserve(line.size() + static_cast<std::size_t>(tabWidth));
  for (char16_t c : line) {
    if (c == u'\t') {
      result.append(static_cast<std::size_t>(tabWidth) - (result.size() & mask), u'\t');
    } else {
      result += c;
    }
  }
  return result;
}

std::u16string ConvertTabsEx(std::u16string_view line, int tabWidth, bool& hasTabs) {
  hasTabs = line.find(u'\t') != std::u16string_view::npos;
  if (!hasTabs) return std::u16string(line);
  const std::size_t width = static_cast<std::size_t>(tabWidth);
  std::u16string result;
  result.reserve(line.size() + width);
  for (char16_t c : line) {
    if (c == u'\t') {
      result.append(width - result.size() % width, u'\t');
    } else {
      result += c;
    }
  }
  return result;
}

TConvertTabsProcEx GetBestConvertTabsProcEx(int tabWidth) {
  if (tabWidth <= 1) return ConvertTabs1Ex;
  if ((tabWidth & (tabWidth - 1)) == 0) return ConvertTabs2nEx;
  return ConvertTabsEx;
}

// ---- Construction and bookkeeping -------------------------------------------

TTextViewStringList::TTextViewStringList(TExpandAtWideGlyphsFunc expandAtWideGlyphs)
    : fConvertTabsProc(GetBestConvertTabsProcEx(8)),
      FExpandAtWideGlyphsFunc(std::move(expandAtWideGlyphs)) {}

TTextViewStringList::~TTextViewStringList() {
  fOnChange = nullptr;
  fOnChanging = nullptr;
}

void TTextViewStringList::ListIndexError(int index) {
  throw ETextViewStringList("Invalid stringlist index " + std::to_string(index));
}

template <class F>
void TTextViewStringList::Updating(F&& change) {
  BeginUpdate();
  try {
    change();
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TTextViewStringList::BeginUpdate() {
  if (fUpdateCount++ == 0) SetUpdateState(true);
}

void TTextViewStringList::EndUpdate() {
  if (fUpdateCount > 0 && --fUpdateCount == 0) SetUpdateState(false);
}

void TTextViewStringList::SetUpdateState(bool updating) {
  FCharIndexesAreValid = false;
  if (updating) {
    if (fOnChanging) fOnChanging(*this);
  } else {
    if (fOnChange) fOnChange(*this);
  }
}

TTextViewStringRec TTextViewStringList::NewRecord() {
  return TTextViewStringRec{nullptr, 0, kNoBlock, -1, -1, 0, sfExpandedLengthUnknown};
}

void TTextViewStringList::Grow() {
  const std::size_t capacity = fList.capacity();
  const std::size_t delta = capacity > 64 ? capacity / 4 : 16;
  fList.reserve(capacity + delta);
}

std::uint32_t TTextViewStringList::NewBlock(std::u16string text) {
  auto block = std::make_unique<TTextBlock>();
  block->FText = std::move(text);
  if (!fFreeBlocks.empty()) {
    const std::uint32_t index = fFreeBlocks.back();
    fFreeBlocks.pop_back();
    fBlocks[index] = std::move(block);
    return index;
  }
  fBlocks.push_back(std::move(block));
  return static_cast<std::uint32_t>(fBlocks.size() - 1);
}

void TTextViewStringList::SetLineText(TTextViewStringRec& rec, std::u16string_view s) {
  if (s.size() > static_cast<std::size_t>(INT32_MAX)) throw std::length_error("line too long");
  // The new text is copied before the old one is released, since `s` may
  // point into the old text.
  std::uint32_t block = kNoBlock;
  const char16_t* text = nullptr;
  if (!s.empty()) {
    block = NewBlock(std::u16string(s));
    fBlocks[block]->FLines = 1;
    text = fBlocks[block]->FText.data();
  }
  ReleaseText(rec);
  rec.FString = text;
  rec.FLength = static_cast<std::int32_t>(s.size());
  rec.FBlock = block;
}

void TTextViewStringList::ReleaseText(TTextViewStringRec& rec) {
  if (rec.FBlock != kNoBlock) {
    std::unique_ptr<TTextBlock>& block = fBlocks[rec.FBlock];
    if (--block->FLines == 0) {
      block.reset();
      fFreeBlocks.push_back(rec.FBlock);
    }
  }
  rec.FString = nullptr;
  rec.FLength = 0;
  rec.FBlock = kNoBlock;
}

std::size_t TTextViewStringList::AllocatedBytes() const {
  std::size_t bytes = fList.capacity() * sizeof(TTextViewStringRec) +
                      fObjects.capacity() * sizeof(void*) +
                      fBlocks.capacity() * sizeof(fBlocks[0]) +
                      fFreeBlocks.capacity() * sizeof(std::uint32_t);
  for (const auto& block : fBlocks) {
    if (!block) continue;
    bytes += sizeof(TTextBlock);
    // Short texts live inside the string object itself.
    if (block->FText.capacity() > std::u16string().capacity()) {
      bytes += (block->FText.capacity() + 1) * sizeof(char16_t);
    }
  }
  return bytes;
}

// ---- Reading ----------------------------------------------------------------

std::u16string TTextViewStringList::Get(int index) const {
  return std::u16string(StringView(index));
}

std::u16string_view TTextViewStringList::StringView(int index) const {
  if (index < 0 || index >= Count()) return {};
  const TTextViewStringRec& rec = fList[static_cast<std::size_t>(index)];
  return {rec.FString, static_cast<std::size_t>(rec.FLength)};
}

void* TTextViewStringList::Objects(int index) const {
  if (index < 0 || index >= Count() || fObjects.empty()) return nullptr;
  return fObjects[static_cast<std::size_t>(index)];
}

int TTextViewStringList::GetRange(int index) const {
  if (index < 0 || index >= Count()) return 0;
  return fList[static_cast<std::size_t>(index)].fRange;
}

int TTextViewStringList::LineCharLength(int index) const {
  if (index < 0 || index >= Count()) return 0;
  return fList[static_cast<std::size_t>(index)].FLength;
}

int TTextViewStringList::LineCharIndex(int index) {
  if (index < 0 || index >= Count()) return 0;
  if (!FCharIndexesAreValid) {
    std::int64_t sum = 0;
    for (TTextViewStringRec& rec : fList) {
      rec.fCharIndex = static_cast<std::int32_t>(std::min<std::int64_t>(sum, INT32_MAX));
      sum += rec.FLength;
    }
    FCharIndexesAreValid = true;
  }
  return fList[static_cast<std::size_t>(index)].fCharIndex;
}

std::u16string_view TTextViewStringList::LineBreak() const {
  switch (fFileFormat) {
    case sffUnix: return u"\n";
    case sffMac: return u"\r";
    case sffUnicode: return u"\u2028";
    case sffDos: break;
  }
  return u"\r\n";
}

std::u16string TTextViewStringList::JoinLines(std::u16string_view separator,
                                              bool trailing) const {
  if (fList.empty()) return {};
  // The exact length first, so the result is allocated once.
  std::size_t total = (fList.size() - 1 + (trailing ? 1 : 0)) * separator.size();
  for (const TTextViewStringRec& rec : fList) total += static_cast<std::size_t>(rec.FLength);
  std::u16string text(total, u'\0');
  char16_t* out = text.data();
  for (std::size_t i = 0; i < fList.size(); ++i) {
    const TTextViewStringRec& rec = fList[i];
    if (rec.FLength > 0) {
      std::memcpy(out, rec.FString, static_cast<std::size_t>(rec.FLength) * sizeof(char16_t));
      out += rec.FLength;
    }
    if (i + 1 < fList.size() || trailing) {
      std::memcpy(out, separator.data(), separator.size() * sizeof(char16_t));
      out += separator.size();
    }
  }
  return text;
}

std::u16string TTextViewStringList::Text() const {
  if (FStreaming) return JoinLines(LineBreak(), fAppendNewLineAtEOF);
  return JoinLines(u"\r\n", false);
}

std::u16string TTextViewStringList::GetSeparatedText(std::u16string_view separator) const {
  return JoinLines(separator, false);
}

// ---- Changing ---------------------------------------------------------------

void TTextViewStringList::SetCapacity(int capacity) {
  if (capacity < Count()) throw EListError("Stringlist capacity cannot be smaller than count");
  const auto wanted = static_cast<std::size_t>(capacity);
  if (wanted > fList.capacity()) {
    fList.reserve(wanted);
  } else if (wanted < fList.capacity()) {
    std::vector<TTextViewStringRec> smaller;
    smaller.reserve(wanted);
    smaller.assign(fList.begin(), fList.end());
    fList.swap(smaller);
  }
}

void TTextViewStringList::InsertRecord(int index, std::u16string_view s) {
  if (fList.size() == fList.capacity()) Grow();
  TTextViewStringRec rec = NewRecord();
  SetLineText(rec, s);
  fList.insert(fList.begin() + index, rec);
  if (!fObjects.empty()) fObjects.insert(fObjects.begin() + index, nullptr);
  fIndexOfLongestLine = -1;
}

void TTextViewStringList::Put(int index, std::u16string_view s) {
  if (index == Count()) {
    Add(s);
    return;
  }
  if (index < 0 || index > Count()) ListIndexError(index);
  Updating([&] {
    TTextViewStringRec& rec = fList[static_cast<std::size_t>(index)];
    SetLineText(rec, s);
    rec.fFlags = sfExpandedLengthUnknown;
    rec.fExpandedLength = -1;
    fIndexOfLongestLine = -1;
    if (fOnPutted) fOnPutted(*this, index, 1);
  });
}

int TTextViewStringList::Add(std::u16string_view s) {
  const int index = Count();
  Updating([&] {
    InsertRecord(index, s);
    if (fOnInserted) fOnInserted(*this, index, 1);
  });
  return index;
}

void TTextViewStringList::Insert(int index, std::u16string_view s) {
  if (index < 0 || index > Count()) ListIndexError(index);
  Updating([&] {
    InsertRecord(index, s);
    if (fOnInserted) fOnInserted(*this, index, 1);
  });
}

void TTextViewStringList::InsertLines(int index, int numLines) {
  if (index < 0 || index > Count()) ListIndexError(index);
  if (numLines <= 0) return;
  Updating([&] {
    const std::size_t wanted = fList.size() + static_cast<std::size_t>(numLines);
    if (fList.capacity() < wanted) fList.reserve(wanted);
    fList.insert(fList.begin() + index, static_cast<std::size_t>(numLines), NewRecord());
    if (!fObjects.empty()) {
      fObjects.insert(fObjects.begin() + index, static_cast<std::size_t>(numLines), nullptr);
    }
    // Later lines moved, so a remembered longest-line index is stale.
    fIndexOfLongestLine = -1;
    if (fOnInserted) fOnInserted(*this, index, numLines);
  });
}

void TTextViewStringList::InsertStrings(int index, const std::vector<std::u16string>& strings) {
  if (index < 0 || index > Count()) ListIndexError(index);
  if (strings.empty()) return;
  Updating([&] {
    InsertLines(index, static_cast<int>(strings.size()));
    for (std::size_t k = 0; k < strings.size(); ++k) {
      Put(index + static_cast<int>(k), strings[k]);
    }
  });
}

void TTextViewStringList::InsertText(int index, const std::u16string& text) {
  if (text.empty()) return;
  InsertStrings(index, SplitPlain(text));
}

void TTextViewStringList::AppendLines(const std::vector<std::u16string_view>& views,
                                      const std::vector<void*>& objects) {
  if (views.empty()) return;
  const int oldCount = Count();
  Updating([&] {
    const std::size_t wanted = fList.size() + views.size();
    if (fList.capacity() < wanted) fList.reserve((wanted + 15) / 16 * 16);
    // All added texts share one block. The views may point into this list's
    // own blocks; those stay where they are while records are appended.
    std::size_t total = 0;
    for (auto v : views) {
      if (v.size() > static_cast<std::size_t>(INT32_MAX)) throw std::length_error("line too long");
      total += v.size();
    }
    std::u16string joined;
    joined.reserve(total);
    for (auto v : views) joined += v;
    std::uint32_t block = kNoBlock;
    if (total > 0) block = NewBlock(std::move(joined));
    std::size_t at = 0;
    for (auto v : views) {
      TTextViewStringRec rec = NewRecord();
      if (!v.empty()) {
        rec.FString = fBlocks[block]->FText.data() + at;
        rec.FLength = static_cast<std::int32_t>(v.size());
        rec.FBlock = block;
        ++fBlocks[block]->FLines;
        at += v.size();
      }
      fList.push_back(rec);
    }
    if (!objects.empty() || !fObjects.empty()) {
      fObjects.resize(fList.size(), nullptr);
      std::copy(objects.begin(), objects.end(), fObjects.begin() + oldCount);
    }
    fIndexOfLongestLine = -1;
    if (fOnInserted) fOnInserted(*this, oldCount, static_cast<int>(views.size()));
  });
}

void TTextViewStringList::AddStrings(const std::vector<std::u16string>& strings) {
  AppendLines(std::vector<std::u16string_view>(strings.begin(), strings.end()), {});
}

void TTextViewStringList::AddStrings(const TTextViewStringList& strings) {
  std::vector<std::u16string_view> views;
  views.reserve(static_cast<std::size_t>(strings.Count()));
  for (int i = 0; i < strings.Count(); ++i) views.push_back(strings.StringView(i));
  // Copied first: `strings` may be this list.
  const std::vector<void*> objects = strings.fObjects;
  AppendLines(views, objects);
}

void TTextViewStringList::Delete(int index) {
  if (index < 0 || index >= Count()) ListIndexError(index);
  Updating([&] {
    ReleaseText(fList[static_cast<std::size_t>(index)]);
    fList.erase(fList.begin() + index);
    if (!fObjects.empty()) fObjects.erase(fObjects.begin() + index);
    fIndexOfLongestLine = -1;
    if (fOnDeleted) fOnDeleted(*this, index, 1);
  });
}

void TTextViewStringList::DeleteLines(int index, int numLines) {
  if (numLines <= 0) return;
  if (index < 0 || index >= Count()) ListIndexError(index);
  const int removed = std::min(numLines, Count() - index);
  for (int k = 0; k < removed; ++k) ReleaseText(fList[static_cast<std::size_t>(index + k)]);
  Updating([&] {
    fList.erase(fList.begin() + index, fList.begin() + index + removed);
    if (!fObjects.empty()) {
      fObjects.erase(fObjects.begin() + index, fObjects.begin() + index + removed);
    }
  });
  fIndexOfLongestLine = -1;
  if (fOnDeleted) fOnDeleted(*this, index, removed);
}

void TTextViewStringList::Exchange(int index1, int index2) {
  if (index1 < 0 || index1 >= Count()) ListIndexError(index1);
  if (index2 < 0 || index2 >= Count()) ListIndexError(index2);
  Updating([&] {
    std::swap(fList[static_cast<std::size_t>(index1)], fList[static_cast<std::size_t>(index2)]);
    if (!fObjects.empty()) {
      std::swap(fObjects[static_cast<std::size_t>(index1)],
                fObjects[static_cast<std::size_t>(index2)]);
    }
    // The longest line may have moved.
    fIndexOfLongestLine = -1;
  });
}

void TTextViewStringList::Clear() {
  if (!fList.empty()) {
    Updating([&] {
      std::vector<TTextViewStringRec>().swap(fList);
      std::vector<void*>().swap(fObjects);
      std::vector<std::unique_ptr<TTextBlock>>().swap(fBlocks);
      std::vector<std::uint32_t>().swap(fFreeBlocks);
      if (fOnCleared) fOnCleared(*this);
    });
  }
  fIndexOfLongestLine = -1;
}

void TTextViewStringList::PutObject(int index, void* object) {
  if (index < 0 || index >= Count()) ListIndexError(index);
  Updating([&] {
    if (fObjects.empty()) {
      if (object == nullptr) return;
      fObjects.assign(fList.size(), nullptr);
    }
    fObjects[static_cast<std::size_t>(index)] = object;
  });
}

void TTextViewStringList::PutRange(int index, int range) {
  if (index < 0 || index >= Count()) ListIndexError(index);
  fList[static_cast<std::size_t>(index)].fRange = range;
}

// ---- Tabs and display lengths -------------------------------------------------

void TTextViewStringList::InvalidateExpandedLengths() {
  fIndexOfLongestLine = -1;
  for (TTextViewStringRec& rec : fList) {
    rec.fExpandedLength = -1;
    rec.fFlags = static_cast<TTextViewStringFlags>((rec.fFlags & ~sfHasNoTabs) |
                                                   sfExpandedLengthUnknown);
  }
}

void TTextViewStringList::SetTabWidth(int value) {
  if (value == fTabWidth) return;
  fTabWidth = value;
  fConvertTabsProc = GetBestConvertTabsProcEx(value);
  InvalidateExpandedLengths();
}

void TTextViewStringList::FontChanged() { InvalidateExpandedLengths(); }

std::u16string TTextViewStringList::ExpandLine(int index) {
  TTextViewStringRec& rec = fList[static_cast<std::size_t>(index)];
  if (rec.FLength == 0) {
    rec.fExpandedLength = 0;
    rec.fFlags = sfHasNoTabs;
    return {};
  }
  bool hasTabs = false;
  std::u16string expanded =
      fConvertTabsProc({rec.FString, static_cast<std::size_t>(rec.FLength)}, fTabWidth, hasTabs);
  const std::size_t cells =
      FExpandAtWideGlyphsFunc ? FExpandAtWideGlyphsFunc(expanded).size() : expanded.size();
  rec.fExpandedLength = static_cast<std::int32_t>(std::min<std::size_t>(cells, INT32_MAX));
  rec.fFlags = hasTabs ? sfHasTabs : sfHasNoTabs;
  return expanded;
}

std::u16string TTextViewStringList::GetExpandedString(int index) {
  if (index < 0 || index >= Count()) return {};
  if (fList[static_cast<std::size_t>(index)].fFlags & sfHasNoTabs) return Get(index);
  return ExpandLine(index);
}

int TTextViewStringList::GetExpandedStringLength(int index) {
  if (index < 0 || index >= Count()) return 0;
  // Always the cached length (tabs and wide glyphs), whether it was known
  // before the call or computed by it.
  if (fList[static_cast<std::size_t>(index)].fFlags & sfExpandedLengthUnknown) ExpandLine(index);
  return fList[static_cast<std::size_t>(index)].fExpandedLength;
}

int TTextViewStringList::LengthOfLongestLine() {
  if (fIndexOfLongestLine < 0) {
    int longest = 0;
    for (int i = 0; i < Count(); ++i) {
      if (fList[static_cast<std::size_t>(i)].fFlags & sfExpandedLengthUnknown) ExpandLine(i);
      const int length = fList[static_cast<std::size_t>(i)].fExpandedLength;
      if (length > longest) {
        longest = length;
        fIndexOfLongestLine = i;
      }
    }
  }
  if (fIndexOfLongestLine < 0) return 0;
  return fList[static_cast<std::size_t>(fIndexOfLongestLine)].fExpandedLength;
}

// ---- Text setter ------------------------------------------------------------

void TTextViewStringList::SetTextStr(std::u16string value) {
  bool sawSeparator = false, sawCR = false, sawLF = false;
  // Count the lines first: the record array is allocated once and exactly,
  // and a text the records cannot describe is refused before anything
  // changes.
  std::size_t lines = 0;
  std::size_t longest = 0;
  ScanLines(
      value.data(), value.size(),
      [&](std::size_t, std::size_t length) {
        ++lines;
        longest = std::max(longest, length);
      },
      sawSeparator, sawCR, sawLF);
  const bool endsWithBreak = !value.empty() && IsTerminator(value.back());
  if (!fAppendNewLineAtEOF && endsWithBreak) ++lines;
  if (lines > static_cast<std::size_t>(INT32_MAX) || longest > static_cast<std::size_t>(INT32_MAX)) {
    throw std::length_error("text too large for the line buffer");
  }
  // A text with much unused capacity is trimmed before the lines point into it.
  if (value.capacity() - value.size() > value.size() / 8 + 64) value.shrink_to_fit();

  Updating([&] {
    Clear();
    if (lines == 0) return;
    fList.reserve(lines);
    const std::uint32_t block = value.empty() ? kNoBlock : NewBlock(std::move(value));
    const char16_t* text = block == kNoBlock ? nullptr : fBlocks[block]->FText.data();
    const std::size_t size = block == kNoBlock ? 0 : fBlocks[block]->FText.size();
    std::int64_t referencing = 0;
    bool ignored[3] = {};
    ScanLines(
        text, size,
        [&](std::size_t start, std::size_t length) {
          TTextViewStringRec rec = NewRecord();
          if (length > 0) {
            rec.FString = text + start;
            rec.FLength = static_cast<std::int32_t>(length);
            rec.FBlock = block;
            ++referencing;
          }
          fList.push_back(rec);
        },
        ignored[0], ignored[1], ignored[2]);
    if (!fAppendNewLineAtEOF && endsWithBreak) fList.push_back(NewRecord());
    if (block != kNoBlock) {
      fBlocks[block]->FLines = referencing;
      if (referencing == 0) {
        fBlocks[block].reset();
        fFreeBlocks.push_back(block);
      }
    }
    fIndexOfLongestLine = -1;
    if (fOnInserted) fOnInserted(*this, 0, Count());
  });

  if (sawSeparator) {
    fFileFormat = sffUnicode;
  } else if (sawCR && !sawLF) {
    fFileFormat = sffMac;
  } else if (sawLF && !sawCR) {
    fFileFormat = sffUnix;
  } else {
    fFileFormat = sffDos;
  }
}

// ---- Streams ----------------------------------------------------------------

void TTextViewStringList::LoadBytes(std::string_view bytes, std::optional<TEncoding> encoding) {
  Updating([&] {
    std::size_t skip = 0;
    TEncoding chosen = TEncoding::teAnsi;
    if (encoding) {
      chosen = *encoding;
      const std::string_view mark = PreambleOf(chosen);
      if (!mark.empty() && bytes.substr(0, mark.size()) == mark) skip = mark.size();
    } else {
      chosen = DetectPreamble(bytes, skip).value_or(TEncoding::teAnsi);
    }
    fEncoding = chosen;
    SetTextStr(DecodeBytes(bytes.substr(skip), chosen));
  });
}

void TTextViewStringList::LoadFromBuffer(std::string_view bytes) {
  FStreaming = true;
  try {
    LoadBytes(bytes, std::nullopt);
  } catch (...) {
    FStreaming = false;
    throw;
  }
  FStreaming = false;
}

void TTextViewStringList::LoadFromBuffer(std::string_view bytes, TEncoding encoding) {
  LoadBytes(bytes, encoding);
}

namespace {

// The bytes from the stream's position to its end; the position moves there.
std::string_view TakeRest(TMemoryStream& stream) {
  const std::string_view rest =
      std::string_view(stream.Bytes()).substr(static_cast<std::size_t>(stream.Position()));
  stream.Seek(0, TMemoryStream::Origin::End);
  return rest;
}

}  // namespace

void TTextViewStringList::LoadFromStream(TMemoryStream& stream) {
  LoadFromBuffer(TakeRest(stream));
}

void TTextViewStringList::LoadFromStream(TMemoryStream& stream, TEncoding encoding) {
  LoadFromBuffer(TakeRest(stream), encoding);
}

void TTextViewStringList::SaveToStream(TMemoryStream& stream) {
  SaveToStream(stream, fEncoding.value_or(TEncoding::teAnsi));
}

void TTextViewStringList::SaveToStream(TMemoryStream& stream, TEncoding encoding) {
  FStreaming = true;
  std::u16string text;
  try {
    text = Text();
  } catch (...) {
    FStreaming = false;
    throw;
  }
  FStreaming = false;
  WriteBytesToStream(stream, PreambleOf(encoding));
  WriteBytesToStream(stream, EncodeText(text, encoding));
}

}  // namespace tav
