#include "textview/highlighter.h"

#include <algorithm>
#include <stdexcept>

#include "textview/char_class.h"

namespace tav {

// ---- Change chain -------------------------------------------------------------

void TNotifyEventChain::Add(const void* owner, THandler handler) {
  fHandlers.push_back(TEntry{owner, std::move(handler)});
}

void TNotifyEventChain::Remove(const void* owner) {
  std::erase_if(fHandlers, [owner](const TEntry& e) { return e.owner == owner; });
}

void TNotifyEventChain::Fire(TCustomHighlighter& sender) {
  // A copy, so that handlers may hook or unhook while the chain runs.
  const std::vector<TEntry> handlers = fHandlers;
  for (const TEntry& entry : handlers) {
    if (!entry.handler) continue;
    try {
      entry.handler(sender);
    } catch (...) {
      if (!fOnException) throw;
      bool doContinue = true;
      try {
        fOnException(sender, std::current_exception(), doContinue);
      } catch (...) {
        throw std::logic_error(
            "TNotifyEventChain.DoHandleException : MUST NOT occur any kind of exception in "
            "ExceptionHandler");
      }
      if (!doContinue) return;
    }
  }
}

// ---- Highlighter base -----------------------------------------------------------

TCustomHighlighter::TCustomHighlighter() {
  fLineStr.assign(1, u'\0');
  fCasedLineStr.assign(1, u'\0');
  fLine = fLineStr.c_str();
  fCasedLine = fCasedLineStr.c_str();
}

TCustomHighlighter::~TCustomHighlighter() { FreeHighlighterAttributes(); }

void TCustomHighlighter::FreeHighlighterAttributes() { fAttributes.clear(); }

void TCustomHighlighter::AddAttribute(std::unique_ptr<THighlighterAttributes> attribute) {
  auto at = std::lower_bound(
      fAttributes.begin(), fAttributes.end(), attribute->Name(),
      [](const std::unique_ptr<THighlighterAttributes>& a, const std::u16string& name) {
        return a->Name() < name;
      });
  if (at != fAttributes.end() && (*at)->Name() == attribute->Name()) {
    throw std::invalid_argument("duplicate highlighter attribute name");
  }
  attribute->InternalSaveDefaultValues();
  attribute->SetOnChange([this](THighlighterAttributes&) { DefHighlightChange(); });
  fAttributes.insert(at, std::move(attribute));
}

int TCustomHighlighter::GetAttrCount() const { return static_cast<int>(fAttributes.size()); }

THighlighterAttributes* TCustomHighlighter::GetAttribute(int index) const {
  if (index < 0 || index >= GetAttrCount()) return nullptr;
  return fAttributes[static_cast<std::size_t>(index)].get();
}

void TCustomHighlighter::DefHighlightChange() {
  if (fUpdateCount > 0) {
    fUpdateChange = true;
    return;
  }
  fAttrChangeHooks.Fire(*this);
}

void TCustomHighlighter::BeginUpdate() { ++fUpdateCount; }

void TCustomHighlighter::EndUpdate() {
  if (fUpdateCount == 0) return;
  if (--fUpdateCount == 0 && fUpdateChange) {
    fUpdateChange = false;
    DefHighlightChange();
  }
}

void TCustomHighlighter::HookAttrChangeEvent(const void* owner,
                                             TNotifyEventChain::THandler handler) {
  fAttrChangeHooks.Add(owner, std::move(handler));
}

void TCustomHighlighter::UnhookAttrChangeEvent(const void* owner) {
  fAttrChangeHooks.Remove(owner);
}

void TCustomHighlighter::SetEnabled(bool value) {
  if (value == fEnabled) return;
  fEnabled = value;
  DefHighlightChange();
}

std::u16string TCustomHighlighter::GetDefaultFilter() const { return fDefaultFilter; }
void TCustomHighlighter::SetDefaultFilter(const std::u16string& value) { fDefaultFilter = value; }
bool TCustomHighlighter::IsFilterStored() const { return true; }
std::u16string TCustomHighlighter::GetSampleSource() const { return fSampleSource; }
void TCustomHighlighter::SetSampleSource(const std::u16string& value) { fSampleSource = value; }
std::u16string TCustomHighlighter::GetFriendlyLanguageName() const { return u"<Unknown>"; }
std::u16string TCustomHighlighter::GetLanguageName() const { return u"<Unknown>"; }
std::u16string TCustomHighlighter::GetKeyWords() const { return {}; }
bool TCustomHighlighter::IsKeyword(const std::u16string&) const { return false; }
int TCustomHighlighter::GetRange() const { return 0; }
void TCustomHighlighter::SetRange(int) {}
void TCustomHighlighter::ResetRange() {}
int TCustomHighlighter::GetTokenPos() const { return fTokenPos; }

std::u16string TCustomHighlighter::GetToken() const {
  const int end = std::min(Run, fLineLen);
  if (end <= fTokenPos) return {};
  return std::u16string(fCasedLine + fTokenPos, static_cast<std::size_t>(end - fTokenPos));
}

int TCustomHighlighter::GetExpandedTokenPos() const {
  return fHasExpandedLine ? fExpandedTokenPos : fTokenPos;
}

std::u16string TCustomHighlighter::GetExpandedToken() const {
  if (!fHasExpandedLine) return GetToken();
  const int end = std::min(ExpandedRun, fExpandedLineLen);
  if (end <= fExpandedTokenPos) return {};
  return fExpandedLine.substr(static_cast<std::size_t>(fExpandedTokenPos),
                              static_cast<std::size_t>(end - fExpandedTokenPos));
}

bool TCustomHighlighter::TokenEquals(std::u16string_view keyword) const {
  const int end = std::min(Run, fLineLen);
  if (end - fTokenPos != static_cast<int>(keyword.size())) return false;
  return std::u16string_view(fLine + fTokenPos, keyword.size()) == keyword;
}

bool TCustomHighlighter::IsLineEnd(int index) const {
  return index >= fLineLen || fLine[index] == u'\r' || fLine[index] == u'\n';
}

void TCustomHighlighter::LoadLine(std::u16string_view line, int lineNumber) {
  // The buffers keep their capacity from line to line.
  fCasedLineStr.assign(line);
  fCasedLineStr.push_back(u'\0');
  if (fCaseSensitive) {
    fLineStr.assign(fCasedLineStr);
  } else {
    fLineStr.assign(fCasedLineStr);
    CharLowerBuff(fLineStr.data(), line.size());
  }
  fLine = fLineStr.c_str();
  fCasedLine = fCasedLineStr.c_str();
  fLineLen = static_cast<int>(line.size());
  Run = 0;
  ExpandedRun = 0;
  fOldRun = 0;
  fTokenPos = 0;
  fExpandedTokenPos = 0;
  fLineNumber = lineNumber;
}

void TCustomHighlighter::SetLine(std::u16string_view line, int lineNumber) {
  fExpandedLine.clear();
  fHasExpandedLine = false;
  fExpandedLineLen = 0;
  LoadLine(line, lineNumber);
  Next();
}

void TCustomHighlighter::SetLineExpandedAtWideGlyphs(std::u16string_view line,
                                                     std::u16string_view expandedLine,
                                                     int lineNumber) {
  fExpandedLine.assign(expandedLine);
  fExpandedLine.push_back(u'\0');
  fHasExpandedLine = true;
  fExpandedLineLen = static_cast<int>(expandedLine.size());
  LoadLine(line, lineNumber);
  Next();
}

void TCustomHighlighter::Next() {
  if (Run == fOldRun) return;
  fExpandedTokenPos = ExpandedRun;
  if (fHasExpandedLine) {
    for (int k = fOldRun; k < Run; ++k) ExpandedRun = ExpandedPosAfter(k, ExpandedRun);
  } else {
    ExpandedRun = Run;
  }
  fOldRun = Run;
}

int TCustomHighlighter::PosToExpandedPos(int pos) const {
  if (!fHasExpandedLine) return pos;
  int expanded = 0;
  for (int k = 0; k < pos; ++k) expanded = ExpandedPosAfter(k, expanded);
  return expanded;
}

int TCustomHighlighter::ExpandedPosAfter(int pos, int expandedPos) const {
  // The fillers before a wide glyph are skipped, then the glyph itself. A
  // U+E000 that is part of the line is taken as the narrow character it is,
  // not as fillers, so the positions after it stay in step. A combining
  // mark takes no cell unless the cells hold it (a mark with nothing to
  // stand on).
  if (pos < fLineLen && IsCombiningMark(fCasedLine[pos]) &&
      (expandedPos >= fExpandedLineLen ||
       fExpandedLine[static_cast<std::size_t>(expandedPos)] != fCasedLine[pos]))
    return expandedPos;
  if (pos >= fLineLen || fCasedLine[pos] != kWideGlyphFiller) {
    while (expandedPos < fExpandedLineLen &&
           fExpandedLine[static_cast<std::size_t>(expandedPos)] == kWideGlyphFiller) {
      ++expandedPos;
    }
  }
  return expandedPos + 1;
}

void TCustomHighlighter::NextToEol() {
  while (!GetEol()) Next();
}

bool TCustomHighlighter::IsIdentChar(char16_t c) const {
  return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') || c == u'_' ||
         (c >= u'a' && c <= u'z');
}

bool TCustomHighlighter::IsWordBreakChar(char16_t c) const {
  return c <= 0x2F || (c >= 0x3A && c <= 0x40) || (c >= 0x5B && c <= 0x5E) || c == 0x60 ||
         (c >= 0x7B && c <= 0x7E) || c == 0xA7 || c == 0xB0 || c == 0xB4;
}

bool TCustomHighlighter::IsWhiteChar(char16_t c) const {
  if (c <= 0x20) return true;
  return !IsIdentChar(c) && !IsWordBreakChar(c);
}

}  // namespace tav
