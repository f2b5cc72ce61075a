#include "http/text_list.h"

#include "util/text_helpers.h"

namespace tav {

void TTextList::Insert(int index, const std::u16string& line) {
  if (index < 0) index = 0;
  if (index > Count()) index = Count();
  FLines.insert(FLines.begin() + index, line);
}

void TTextList::Delete(int index) {
  if (index >= 0 && index < Count()) FLines.erase(FLines.begin() + index);
}

std::u16string TTextList::Text() const {
  std::u16string out;
  std::size_t size = 0;
  for (const auto& line : FLines) size += line.size() + 2;
  out.reserve(size);
  for (const auto& line : FLines) {
    out += line;
    out += u"\r\n";
  }
  return out;
}

int TTextList::IndexOfName(const std::u16string& name) const {
  const std::u16string wanted = UpperCase(name);
  for (int i = 0; i < Count(); ++i) {
    const auto& line = FLines[static_cast<std::size_t>(i)];
    const auto eq = line.find(u'=');
    const std::u16string lineName = eq == std::u16string::npos ? line : line.substr(0, eq);
    if (UpperCase(lineName) == wanted) return i;
  }
  return -1;
}

std::u16string TTextList::Value(const std::u16string& name) const {
  const int i = IndexOfName(name);
  if (i < 0) return {};
  const auto& line = FLines[static_cast<std::size_t>(i)];
  const auto eq = line.find(u'=');
  return eq == std::u16string::npos ? std::u16string() : line.substr(eq + 1);
}

}  // namespace tav
