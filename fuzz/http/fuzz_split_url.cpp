// URL splitting and the request head composed from it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "http/http_send.h"
#include "http/url_parts.h"
#include "util/code_page.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::u16string url = tav::AnsiToText(std::string(reinterpret_cast<const char*>(data), size));
  const tav::TUrlParts parts = tav::SplitUrl(url);
  if (parts.Host.empty() || parts.Uri.empty() || parts.Uri[0] != u'/' || parts.Path.empty()) std::abort();
  if (parts.Uri.size() < parts.Path.size()) std::abort();

  tav::THTTPSend http;
  if (size > 0 && (data[0] & 1)) http.SetProxyHost(u"proxy.invalid");
  if (size > 0 && (data[0] & 2)) http.Document().Write("body");
  http.PrepareRequest(u"get", url);
  const tav::TTextList& head = http.Headers();
  if (head.Count() < 2 || !head.Last().empty()) std::abort();
  if (head[0].substr(0, 4) != u"GET ") std::abort();
  return 0;
}
