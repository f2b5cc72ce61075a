#pragma once
// The text token: characters with the source index of each, so that
// selection, search and caret positions map back to the document text.
// Indices are kept as runs (a run's characters come from consecutive source
// positions), so that a long token costs little more than its characters.
#include <string>
#include <vector>

namespace tav {

class TokenObj {
public:
  TokenObj();

  int Leng() const { return static_cast<int>(C.size()); }
  // Capacity in characters; grows geometrically so that appending stays
  // linear on multi-megabyte text.
  int MaxIndex() const { return static_cast<int>(C.capacity()); }

  void Clear();
  void AddUnicodeChar(char16_t ch, int index);
  void AddString(const std::u16string& text, const std::vector<int>& indices);
  // `count` characters whose source indices run from `firstIndex` up.
  void AddRun(const char16_t* chars, std::size_t count, int firstIndex);
  void Concat(const TokenObj& other);
  // n counts from 1, as character positions in the token do.
  void Remove(int n);
  void Replace(int n, char16_t ch);

  const std::u16string& S() const { return C; }
  char16_t Ch(int i) const { return C[static_cast<std::size_t>(i)]; }
  int Index(int i) const;
  // The source index of every character.
  std::vector<int> Indices() const;

private:
  // From token position Start on, characters come from source positions
  // Index, Index + 1, ... up to the next run.
  struct TIndexRun {
    int Start;
    int Index;
  };
  void StartIndex(int index);

  std::u16string C;
  std::vector<TIndexRun> R;
};

// A scratch run of characters with their source indices (as runs, like
// the token's), flushed into the current token in one go.
class TCharCollection {
public:
  void Add(char16_t ch, int index) { FToken.AddUnicodeChar(ch, index); }
  // `count` characters whose source indices run from `firstIndex` up.
  void AddRun(const char16_t* chars, std::size_t count, int firstIndex) {
    FToken.AddRun(chars, count, firstIndex);
  }
  void Clear() { FToken.Clear(); }
  int Size() const { return FToken.Leng(); }
  const std::u16string& AsString() const { return FToken.S(); }
  // Appends the run to the token and empties the collection.
  void FlushTo(TokenObj& token);

private:
  TokenObj FToken;
};

}  // namespace tav
