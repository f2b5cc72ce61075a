// Arbitrary text as an image or link name: the local path has no NUL, the
// expanded name of a local file is absolute and folded, and the one-pass
// percent decoding agrees with repeated find-and-replace.
#include <cctype>
#include <string>

#include "fuzz_input.h"
#include "html/base/paths.h"

namespace {

std::string Repeated(std::string s) {
  auto hex = [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; };
  for (;;) {
    std::size_t at = s.find('%');
    if (at == std::string::npos || at == 0 || s.size() - at - 1 < 2) return s;
    if (!hex(s[at + 1]) || !hex(s[at + 2])) return s;
    char c = static_cast<char>(std::stoi(s.substr(at + 1, 2), nullptr, 16));
    s.replace(at, 3, 1, c);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string raw(reinterpret_cast<const char*>(data), size);
  std::string decoded = tav::DecodePercentEscapes(raw);
  Check(decoded.size() <= raw.size());
  if (size <= 256) Check(decoded == Repeated(raw));

  std::u16string name = FuzzText(data, size);
  std::string path;
  if (tav::HTMLPathToLocal(name, path)) Check(path.find('\0') == std::string::npos);
  else Check(path.empty());

  std::size_t half = name.size() / 2;
  for (const std::u16string& base : {std::u16string(), name.substr(half)}) {
    std::string expanded = tav::HTMLExpandFilename(name.substr(0, half), base, "/doc/page.html");
    if (expanded.empty() || expanded.find("://") != std::string::npos) continue;
    Check(expanded[0] == '/');
    Check(expanded.find("//") == std::string::npos);
    Check(expanded.find("/./") == std::string::npos);
    Check(expanded.find("/../") == std::string::npos);
  }
  return 0;
}
