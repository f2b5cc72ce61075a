#pragma once
// From the names a page gives for pictures, style sheets and links to the
// local file names they stand for (POSIX: '/' separates folders, a name
// starting with '/' is absolute). File names are byte strings: the name's
// text in UTF-8 with its percent escapes decoded to bytes.
#include <string>
#include <string_view>

namespace tav {

// Percent escapes decoded as repeated find-and-replace from the start would
// decode them, in one linear pass: the first '%' is replaced, with the two
// characters after it, by the byte their hexadecimal value gives, and the
// search starts over, so that a decoded '%' is examined again ("x%2541"
// gives "xA"). Decoding stops for good at a '%' that is the first character,
// has fewer than two characters after it, or is followed by a pair that is
// not hexadecimal.
std::string DecodePercentEscapes(std::string_view name);

// The local path a name stands for, not yet made absolute: trimmed, percent
// escapes decoded (DecodePercentEscapes), a leading "file:" (any case)
// removed together with two slashes after it when they are there
// ("file:///x" -> "/x", "file:/x" -> "/x", "file://x" and "file:x" -> "x"),
// and trimmed again. False (and `path` empty) when the decoded name holds a
// NUL: such a name names no file.
bool HTMLPathToLocal(std::u16string_view name, std::string& path);

// The file name for a link or picture name. A name holding "://" after its
// first character, and no "file://" in any case, is a URL of another scheme
// and comes back unchanged (in UTF-8). Otherwise the name is turned into a
// local path (HTMLPathToLocal); a relative one is made absolute against the
// folder of `base` (the BASE element's HREF, turned into a local path the
// same way) when there is one, else against the folder of `currentFile`
// when there is one, else against the working directory. "." and ".."
// folders and repeated slashes are folded lexically; links are not
// followed. Empty when the name cannot name a file.
std::string HTMLExpandFilename(std::u16string_view name, std::u16string_view base = {},
                               std::string_view currentFile = {});

// `path` made absolute against `folder` (itself absolute, or made so
// against the working directory) with "." and ".." folded.
std::string MakeAbsolutePath(std::string_view path, std::string_view folder);

}  // namespace tav
