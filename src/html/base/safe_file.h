#pragma once
// Whole-file reads for the names a page gives (images, style sheets): only
// regular files of a bounded size, so that a page naming a device, a pipe,
// a folder or a huge sparse file fails at once instead of blocking or
// filling memory.
#include <cstddef>
#include <string>

namespace tav {

// Larger than any picture or style sheet a page reasonably names, small
// enough that one read of it cannot exhaust memory.
constexpr std::size_t MaxLocalFileBytes = std::size_t{64} << 20;

// Reads the whole regular file at `path` into `bytes`. Fails (with `bytes`
// empty) for anything that is not a regular file, a file larger than
// MaxLocalFileBytes, a name holding a NUL, and a read that returns fewer
// bytes than the file's size. Never blocks on a pipe or a device.
bool ReadLocalFile(const std::string& path, std::string& bytes);

}  // namespace tav
