#include "textview/text_view_encoding.h"

#include "util/code_page.h"

namespace tav {

int CodePageOf(TEncoding encoding) {
  switch (encoding) {
    case TEncoding::teAnsi: return 1252;
    case TEncoding::teUtf8: return 65001;
    case TEncoding::teUtf16LE: return 1200;
    case TEncoding::teUtf16BE: return 1201;
  }
  return 0;
}

std::optional<TEncoding> EncodingFromCodePage(int codePage) {
  switch (codePage) {
    case 1252: return TEncoding::teAnsi;
    case 65001: return TEncoding::teUtf8;
    case 1200: return TEncoding::teUtf16LE;
    case 1201: return TEncoding::teUtf16BE;
    default: return std::nullopt;
  }
}

std::string EncodeText(const std::u16string& text, TEncoding encoding) {
  switch (encoding) {
    case TEncoding::teAnsi: return TextToAnsi(text);
    case TEncoding::teUtf8: return TextToUtf8(text);
    case TEncoding::teUtf16LE:
    case TEncoding::teUtf16BE: {
      std::string bytes(text.size() * 2, '\0');
      const bool be = encoding == TEncoding::teUtf16BE;
      for (std::size_t k = 0; k < text.size(); ++k) {
        const char hi = static_cast<char>(text[k] >> 8), lo = static_cast<char>(text[k] & 0xFF);
        bytes[2 * k] = be ? hi : lo;
        bytes[2 * k + 1] = be ? lo : hi;
      }
      return bytes;
    }
  }
  return {};
}

}  // namespace tav
