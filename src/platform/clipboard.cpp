#include "platform/clipboard.h"

namespace tav {

TClipboardItem TClipboardItem::UnicodeText(std::u16string_view text) {
  TClipboardItem item;
  item.Format = CF_UNICODETEXT;
  item.Data.resize(text.size() * 2 + 2);
  char* out = item.Data.data();
  for (char16_t c : text) {
    *out++ = static_cast<char>(c & 0xFF);
    *out++ = static_cast<char>(c >> 8);
  }
  out[0] = out[1] = '\0';
  return item;
}

TClipboardItem TClipboardItem::TakeUnicodeText(std::u16string text) {
  TClipboardItem item;
  item.Format = CF_UNICODETEXT;
  item.Text = std::move(text);
  return item;
}

std::u16string TClipboardItem::TextOfUnicodeData(std::string_view data) {
  std::u16string text;
  for (size_t i = 0; i + 1 < data.size(); i += 2) {
    char16_t c = static_cast<char16_t>(static_cast<unsigned char>(data[i]) |
                                       (static_cast<unsigned char>(data[i + 1]) << 8));
    if (c == 0) break;
    text.push_back(c);
  }
  return text;
}

unsigned TClipboardFormats::Register(const std::u16string& name) {
  for (size_t i = 0; i < FNames.size(); ++i)
    if (FNames[i] == name) return 0xC000 + static_cast<unsigned>(i);
  FNames.push_back(name);
  return 0xC000 + static_cast<unsigned>(FNames.size() - 1);
}

std::u16string TClipboardFormats::Name(unsigned format) const {
  if (format < 0xC000 || format - 0xC000 >= FNames.size()) return {};
  return FNames[format - 0xC000];
}

std::u16string TClipboard::GetText() const {
  return TClipboardItem::TextOfUnicodeData(GetData(CF_UNICODETEXT));
}

void TMemoryClipboard::SetData(std::vector<TClipboardItem> items) {
  std::map<unsigned, std::string> data;
  for (auto& item : items) {
    if (item.Format == CF_UNICODETEXT && item.Data.empty())
      item.Data = TClipboardItem::UnicodeText(item.Text).Data;
    data[item.Format] = std::move(item.Data);
  }
  FData.swap(data);
}

bool TMemoryClipboard::HasFormat(unsigned format) const { return FData.count(format) != 0; }

std::string TMemoryClipboard::GetData(unsigned format) const {
  auto it = FData.find(format);
  return it == FData.end() ? std::string() : it->second;
}

namespace {
std::shared_ptr<TClipboard>& InstalledClipboard() {
  static std::shared_ptr<TClipboard> clipboard;
  return clipboard;
}
}  // namespace

TClipboard& Clipboard() {
  if (auto& c = InstalledClipboard()) return *c;
  static TMemoryClipboard memory;
  return memory;
}

void SetClipboard(std::shared_ptr<TClipboard> clipboard) {
  InstalledClipboard() = std::move(clipboard);
}

}  // namespace tav
