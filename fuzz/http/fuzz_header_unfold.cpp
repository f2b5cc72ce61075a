// Header unfolding over arbitrary raw lines, and status-line decoding of each
// unfolded line.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "http/http_send.h"
#include "util/code_page.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static tav::THTTPSend http;
  std::vector<std::u16string> raw;
  std::string line;
  for (std::size_t i = 0; i < size; ++i) {
    if (data[i] == '\n') {
      raw.push_back(tav::AnsiToText(line));
      line.clear();
    } else {
      line.push_back(static_cast<char>(data[i]));
    }
  }
  raw.push_back(tav::AnsiToText(line));
  raw.emplace_back();  // the empty line that ends a head

  int index = 0;
  while (index < static_cast<int>(raw.size())) {
    const int before = index;
    const std::u16string unfolded = tav::UnfoldHeaderLine(raw, index);
    if (index <= before || index > static_cast<int>(raw.size())) std::abort();
    if (!unfolded.empty() && unfolded.back() <= u' ') std::abort();
    http.DecodeStatus(unfolded);
    if (http.ResultCode() < 0 && unfolded.find(u'-') == std::u16string::npos) std::abort();
  }
  return 0;
}
