#include "html/base/paths.h"

#include <unistd.h>

#include <cerrno>

#include <vector>

#include "util/code_page.h"

namespace tav {

namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool IsTrimmed(char c) { return static_cast<unsigned char>(c) <= 0x20; }

std::string_view TrimView(std::string_view s) {
  while (!s.empty() && IsTrimmed(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsTrimmed(s.back())) s.remove_suffix(1);
  return s;
}

char16_t Lower(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; }

bool ContainsNoCase(std::u16string_view text, std::u16string_view lowerNeedle) {
  if (lowerNeedle.size() > text.size()) return false;
  for (std::size_t i = 0; i + lowerNeedle.size() <= text.size(); ++i) {
    std::size_t k = 0;
    while (k < lowerNeedle.size() && Lower(text[i + k]) == lowerNeedle[k]) ++k;
    if (k == lowerNeedle.size()) return true;
  }
  return false;
}

bool StartsNoCase(std::string_view text, std::string_view lowerPrefix) {
  if (text.size() < lowerPrefix.size()) return false;
  for (std::size_t i = 0; i < lowerPrefix.size(); ++i) {
    char c = text[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    if (c != lowerPrefix[i]) return false;
  }
  return true;
}

std::string WorkingDirectory() {
  std::vector<char> buffer(4096);
  while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
    if (errno != ERANGE || buffer.size() > (std::size_t{1} << 20)) return "/";
    buffer.resize(buffer.size() * 2);
  }
  return buffer.data();
}

// The folder part of a path, with its trailing '/'; empty when it has none.
std::string_view FolderOf(std::string_view path) {
  std::size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? std::string_view{} : path.substr(0, slash + 1);
}

// "." and ".." folded and repeated slashes joined in an absolute path; ".."
// at the root stays at the root. A trailing slash is kept.
std::string FoldPath(std::string_view path) {
  std::vector<std::string_view> parts;
  std::size_t i = 0;
  while (i < path.size()) {
    std::size_t next = path.find('/', i);
    if (next == std::string_view::npos) next = path.size();
    std::string_view part = path.substr(i, next - i);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    i = next + 1;
  }
  std::string out;
  for (std::string_view part : parts) {
    out += '/';
    out += part;
  }
  bool folder = !path.empty() && (path.back() == '/' || path.ends_with("/.") ||
                                   path.ends_with("/.."));
  if (out.empty() || folder) out += '/';
  return out;
}

}  // namespace

std::string DecodePercentEscapes(std::string_view name) {
  std::string out;
  out.reserve(name.size());
  std::size_t i = 0;
  // `out` never holds a '%': the first '%' of the whole text is always the
  // next one in `name`, or a decoded '%' waiting in front of name[i].
  bool pendingPercent = false;
  for (;;) {
    if (!pendingPercent) {
      std::size_t at = name.find('%', i);
      if (at == std::string_view::npos) {
        out.append(name.substr(i));
        return out;
      }
      out.append(name.substr(i, at - i));
      i = at + 1;
    }
    pendingPercent = false;
    // A '%' stands at out.size(); name[i..] follows it.
    int hi = -1, lo = -1;
    if (!out.empty() && name.size() - i >= 2) {
      hi = HexValue(name[i]);
      lo = HexValue(name[i + 1]);
    }
    if (hi < 0 || lo < 0) {
      out += '%';
      out.append(name.substr(i));
      return out;
    }
    char decoded = static_cast<char>(hi * 16 + lo);
    i += 2;
    if (decoded == '%')
      pendingPercent = true;
    else
      out += decoded;
  }
}

bool HTMLPathToLocal(std::u16string_view name, std::string& path) {
  path.clear();
  std::string utf8 = TextToUtf8(std::u16string(name));
  std::string decoded = DecodePercentEscapes(TrimView(utf8));
  if (decoded.find('\0') != std::string::npos) return false;
  std::string_view rest = decoded;
  if (StartsNoCase(rest, "file:")) {
    rest.remove_prefix(5);
    if (rest.starts_with("//")) rest.remove_prefix(2);
  }
  path = TrimView(rest);
  return true;
}

std::string MakeAbsolutePath(std::string_view path, std::string_view folder) {
  if (path.starts_with('/')) return FoldPath(path);
  std::string joined;
  if (folder.starts_with('/')) {
    joined = folder;
  } else {
    joined = WorkingDirectory();
    joined += '/';
    joined += folder;
  }
  joined += '/';
  joined += path;
  return FoldPath(joined);
}

std::string HTMLExpandFilename(std::u16string_view name, std::u16string_view base,
                               std::string_view currentFile) {
  std::size_t scheme = name.find(u"://");
  if (scheme != std::u16string_view::npos && scheme > 0 && !ContainsNoCase(name, u"file://"))
    return TextToUtf8(std::u16string(name));
  std::string path;
  if (!HTMLPathToLocal(name, path) || path.empty()) return {};
  if (path.starts_with('/')) return FoldPath(path);
  std::string baseFolder;
  std::string basePath;
  if (!base.empty() && HTMLPathToLocal(base, basePath) && !basePath.empty()) {
    baseFolder = FolderOf(basePath);
    if (baseFolder.empty()) baseFolder = ".";  // a bare name: its folder is the current one
  }
  std::string folder;
  if (!baseFolder.empty()) {
    folder = baseFolder.starts_with('/')
                 ? baseFolder
                 : MakeAbsolutePath(baseFolder, currentFile.empty()
                                                    ? std::string_view{}
                                                    : FolderOf(currentFile));
  } else if (!FolderOf(currentFile).empty()) {
    folder = FolderOf(currentFile);
  }
  return MakeAbsolutePath(path, folder);
}

}  // namespace tav
