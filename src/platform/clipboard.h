#pragma once
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tav {

// Clipboard format numbers: the standard ones and those registered by name
// (from 0xC000 up; the same name gives the same number).
constexpr unsigned CF_TEXT = 1;
constexpr unsigned CF_UNICODETEXT = 13;

struct TClipboardItem {
  unsigned Format = 0;
  // The bytes as offered. CF_UNICODETEXT holds UTF-16LE with a terminating
  // zero unit (see UnicodeText()).
  std::string Data;
  // CF_UNICODETEXT may instead come as the text itself, with Data empty
  // (see TakeUnicodeText()): a clipboard takes it over without converting
  // it to bytes first.
  std::u16string Text{};

  static TClipboardItem UnicodeText(std::u16string_view text);
  static TClipboardItem TakeUnicodeText(std::u16string text);
  // The UTF-16LE bytes of a CF_UNICODETEXT item up to the terminating zero.
  static std::u16string TextOfUnicodeData(std::string_view data);
};

// The numbers handed out for private formats, by name.
class TClipboardFormats {
public:
  unsigned Register(const std::u16string& name);
  // Empty for numbers that were not handed out.
  std::u16string Name(unsigned format) const;

private:
  std::vector<std::u16string> FNames;  // index i = format 0xC000 + i
};

class TClipboard {
public:
  virtual ~TClipboard() = default;
  // The number of a private format, by name.
  unsigned RegisterFormat(const std::u16string& name) { return FFormats.Register(name); }
  // The name of a registered format (empty for unknown numbers).
  std::u16string FormatName(unsigned format) const { return FFormats.Name(format); }
  // Replaces the clipboard's content with all the items at once, taking
  // them over (a caller that moves them in hands over large texts without a
  // copy). The old content goes only once the new one is complete; when
  // that fails (out of memory) the old content stays and the error is
  // thrown.
  virtual void SetData(std::vector<TClipboardItem> items) = 0;
  virtual bool HasFormat(unsigned format) const = 0;
  // The bytes of a format, empty when absent.
  virtual std::string GetData(unsigned format) const = 0;

  void SetText(std::u16string_view text) { SetData({TClipboardItem::UnicodeText(text)}); }
  std::u16string GetText() const;  // CF_UNICODETEXT up to its terminating zero

private:
  TClipboardFormats FFormats;
};

// The process's clipboard: the one installed by the platform, else an
// in-memory one (which is what tests see).
TClipboard& Clipboard();
void SetClipboard(std::shared_ptr<TClipboard> clipboard);

// A clipboard that only keeps its content in memory.
class TMemoryClipboard : public TClipboard {
public:
  void SetData(std::vector<TClipboardItem> items) override;
  bool HasFormat(unsigned format) const override;
  std::string GetData(unsigned format) const override;

private:
  std::map<unsigned, std::string> FData;
};

}  // namespace tav
