#pragma once
// Loading an HTTP response body into the text view's line buffer.
#include "textview/text_view_string_list.h"
#include "util/memory_stream.h"

namespace tav {

// Loads the body from the stream's position to its end (the position ends
// there). A body that passes the structural UTF-8 test (applied to the whole
// stream) is decoded as UTF-8, skipping a leading byte-order mark; any other
// body is loaded the default way (byte-order mark, else Windows-1252).
//
// A body is never lost: when the strict UTF-8 decoder would refuse it (a body
// that passes the structural test but holds overlong forms, encoded
// surrogates, values above U+10FFFF or the bytes C0/C1; or a body that fails
// the test yet begins with the UTF-8 byte-order mark, which the default way
// would decode strictly), it is decoded as Windows-1252 instead, every byte
// kept. Returns the encoding used.
TEncoding LoadResponseBody(TTextViewStringList& lines, TMemoryStream& body);

}  // namespace tav
