#pragma once
// An ordered list of text lines without terminators: the engine's header list
// (request lines before a call, response lines after it) and its cookie list
// (name=value lines).
#include <string>
#include <vector>

namespace tav {

class TTextList {
 public:
  int Count() const { return static_cast<int>(FLines.size()); }
  bool Empty() const { return FLines.empty(); }
  const std::u16string& operator[](int index) const { return FLines[static_cast<std::size_t>(index)]; }
  const std::u16string& Strings(int index) const { return (*this)[index]; }
  const std::u16string& Last() const { return FLines.back(); }
  const std::vector<std::u16string>& Lines() const { return FLines; }

  void Add(const std::u16string& line) { FLines.push_back(line); }
  void Insert(int index, const std::u16string& line);
  void Delete(int index);
  void Clear() { FLines.clear(); }
  void Assign(std::vector<std::u16string> lines) { FLines = std::move(lines); }

  // Every line followed by CR LF; empty for an empty list.
  std::u16string Text() const;

  // Index of the first name=value line whose name (the text before the first
  // "=") equals `name` without regard to ASCII case; -1 when none.
  int IndexOfName(const std::u16string& name) const;
  // Value of that line; empty when there is none.
  std::u16string Value(const std::u16string& name) const;

  auto begin() const { return FLines.begin(); }
  auto end() const { return FLines.end(); }

 private:
  std::vector<std::u16string> FLines;
};

}  // namespace tav
