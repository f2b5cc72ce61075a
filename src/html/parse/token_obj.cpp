#include "html/parse/token_obj.h"

#include <algorithm>

namespace tav {

namespace {
constexpr std::size_t InitialCapacity = 300;
}

TokenObj::TokenObj() { C.reserve(InitialCapacity); }

void TokenObj::Clear() {
  C.clear();
  R.clear();
}

// The next character (at position Leng()) has source index `index`: a new
// run unless it continues the last one.
void TokenObj::StartIndex(int index) {
  int pos = Leng();
  if (!R.empty() && R.back().Index + (pos - R.back().Start) == index) return;
  R.push_back({pos, index});
}

void TokenObj::AddUnicodeChar(char16_t ch, int index) {
  StartIndex(index);
  C.push_back(ch);
}

void TokenObj::AddString(const std::u16string& text, const std::vector<int>& indices) {
  for (std::size_t k = 0; k < text.size(); ++k) AddUnicodeChar(text[k], indices[k]);
}

void TokenObj::AddRun(const char16_t* chars, std::size_t count, int firstIndex) {
  if (count == 0) return;
  StartIndex(firstIndex);
  C.append(chars, count);
}

void TokenObj::Concat(const TokenObj& other) {
  for (std::size_t k = 0; k < other.R.size(); ++k) {
    const TIndexRun& run = other.R[k];
    int end = k + 1 < other.R.size() ? other.R[k + 1].Start : other.Leng();
    StartIndex(run.Index);
    C.append(other.C, static_cast<std::size_t>(run.Start), static_cast<std::size_t>(end - run.Start));
  }
}

int TokenObj::Index(int i) const {
  auto it = std::upper_bound(R.begin(), R.end(), i,
                             [](int pos, const TIndexRun& run) { return pos < run.Start; });
  const TIndexRun& run = *(it - 1);
  return run.Index + (i - run.Start);
}

std::vector<int> TokenObj::Indices() const {
  std::vector<int> r;
  r.reserve(C.size());
  for (std::size_t k = 0; k < R.size(); ++k) {
    int end = k + 1 < R.size() ? R[k + 1].Start : Leng();
    for (int i = R[k].Start; i < end; ++i) r.push_back(R[k].Index + (i - R[k].Start));
  }
  return r;
}

void TokenObj::Remove(int n) {
  if (n < 1 || n > Leng()) return;
  std::vector<int> indices = Indices();
  std::u16string chars = std::move(C);
  chars.erase(static_cast<std::size_t>(n - 1), 1);
  indices.erase(indices.begin() + (n - 1));
  C.clear();
  C.reserve(chars.capacity());
  R.clear();
  AddString(chars, indices);
}

void TokenObj::Replace(int n, char16_t ch) {
  if (n < 1 || n > Leng()) return;
  C[static_cast<std::size_t>(n - 1)] = ch;
}

void TCharCollection::FlushTo(TokenObj& token) {
  token.Concat(FToken);
  Clear();
}

}  // namespace tav
