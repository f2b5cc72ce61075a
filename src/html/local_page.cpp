#include "html/local_page.h"

#include "util/text_decoding.h"

namespace tav {

std::u16string DecodeLocalPage(std::string_view bytes) {
  std::size_t mark = 0;
  if (std::optional<TEncoding> announced = DetectPreamble(bytes, mark)) {
    const std::string_view rest = bytes.substr(mark);
    // A page whose UTF-8 mark is followed by malformed bytes is still shown,
    // in the single-byte code page, rather than refused.
    if (*announced == TEncoding::teUtf8 && !IsStrictUtf8(rest))
      return DecodeBytes(rest, TEncoding::teAnsi);
    return DecodeBytes(rest, *announced);
  }
  return DecodeBytes(bytes, IsStrictUtf8(bytes) ? TEncoding::teUtf8 : TEncoding::teAnsi);
}

}  // namespace tav
