#pragma once
// What the line buffer adds to util/text_decoding.h for its own callers: the
// code page numbers of its encodings and encoding text for saving.
#include <optional>
#include <string>

#include "util/text_decoding.h"

namespace tav {

// Windows code page numbers: 1252, 65001, 1200, 1201.
int CodePageOf(TEncoding encoding);
// The encoding with the given code page number, if it is one of the four.
std::optional<TEncoding> EncodingFromCodePage(int codePage);

// Encodes text for saving (without a byte-order mark); UTF-8 and ANSI as in
// util/code_page.h.
std::string EncodeText(const std::u16string& text, TEncoding encoding);

}  // namespace tav
