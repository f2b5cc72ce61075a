#include "html/token_obj.h"

namespace tav {

namespace {
constexpr std::size_t InitialCapacity = 300;
}

TokenObj::TokenObj() {
  C.reserve(InitialCapacity);
  I.reserve(InitialCapacity);
}

void TokenObj::Clear() {
  C.clear();
  I.clear();
}

void TokenObj::AddUnicodeChar(char16_t ch, int index) {
  C.push_back(ch);
  I.push_back(index);
}

void TokenObj::AddString(const std::u16string& text, const std::vector<int>& indices) {
  C += text;
  I.insert(I.end(), indices.begin(), indices.end());
}

void TokenObj::AddRun(const char16_t* chars, std::size_t count, int firstIndex) {
  C.append(chars, count);
  std::size_t at = I.size();
  I.resize(at + count);
  for (std::size_t k = 0; k < count; ++k) I[at + k] = firstIndex + static_cast<int>(k);
}

void TokenObj::Concat(const TokenObj& other) { AddString(other.C, other.I); }

void TokenObj::Remove(int n) {
  if (n < 1 || n > Leng()) return;
  C.erase(static_cast<std::size_t>(n - 1), 1);
  I.erase(I.begin() + (n - 1));
}

void TokenObj::Replace(int n, char16_t ch) {
  if (n < 1 || n > Leng()) return;
  C[static_cast<std::size_t>(n - 1)] = ch;
}

TCharCollection::TCharCollection() {
  FChars.reserve(InitialCapacity);
  FIndices.reserve(InitialCapacity);
}

void TCharCollection::Add(char16_t ch, int index) {
  FChars.push_back(ch);
  FIndices.push_back(index);
}

void TCharCollection::Clear() {
  FChars.clear();
  FIndices.clear();
}

void TCharCollection::FlushTo(TokenObj& token) {
  token.AddString(FChars, FIndices);
  Clear();
}

}  // namespace tav
