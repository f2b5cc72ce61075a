// Copying the selection: Unicode text plus the private block format that
// keeps the selection mode.
#include <new>

#include "platform/clipboard.h"
#include "textview/text_view.h"
#include "util/code_page.h"

namespace tav {

const char16_t* const kTextViewBlockFormatName = u"TextView Control Block Type";

void TCustomTextView::CopyToClipboard() {
  if (!SelAvail()) return;
  // A block stays rectangular: its padding is kept.
  const TTextViewOptions saved = fOptions;
  if (fActiveSelectionMode == TSelectionMode::smColumn) fOptions &= ~eoTrimTrailingSpaces;
  std::u16string text;
  bool built = false;
  try {
    built = BuildSelText(text);
  } catch (const std::bad_alloc&) {
    built = false;
  }
  fOptions = saved;
  // A selection too large to build copies nothing; the clipboard keeps what
  // it had and nothing is reported.
  if (built) CopyTextToClipboard(std::move(text));
}

void TCustomTextView::DoCopyToClipboard(const std::u16string& text) { CopyTextToClipboard(text); }

void TCustomTextView::CopyTextToClipboard(std::u16string text) {
  try {
    TClipboard& clipboard = Clipboard();
    std::vector<TClipboardItem> items(2);
    // The private format: the mode byte, the text in the single-byte code
    // page (as long as the converter makes it), a zero byte.
    std::string block = TextToAnsi(text);
    block.insert(block.begin(), static_cast<char>(fActiveSelectionMode));
    block.push_back('\0');
    items[1].Format = clipboard.RegisterFormat(kTextViewBlockFormatName);
    items[1].Data = std::move(block);
    // The text itself is handed over, not copied: a large selection exists
    // once until the clipboard has taken it.
    items[0] = TClipboardItem::TakeUnicodeText(std::move(text));
    clipboard.SetData(std::move(items));
  } catch (const std::bad_alloc&) {
    // Nothing was replaced: the clipboard keeps its old content.
  }
}

int TCustomTextView::CopyRequest() {
  CommandProcessor(ecCopy, 0, nullptr);
  return 1;
}

}  // namespace tav
