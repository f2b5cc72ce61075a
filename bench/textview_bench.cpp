// Generates a UTF-8 body of about 100 MB in one million lines (words, links,
// mail addresses, non-ASCII text), loads it into the line buffer as the
// console does, tokenizes every line with the URI highlighter, and reports
// the throughput of each step, the memory the loaded list takes and the
// process's peak memory. Exits with 1 when the list takes more than 2.5
// times the body's bytes.
//
//   textview_bench [lines]
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "textview/response_body_loader.h"
#include "textview/text_view_string_list.h"
#include "textview/uri_highlighter.h"
#include "util/memory_stream.h"
#include "util/utf8_validity.h"

namespace {

// A kernel status field of this process in bytes (VmRSS, VmHWM, ...).
std::int64_t StatusBytes(const std::string& field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind(field + ":", 0) == 0) return std::atoll(line.c_str() + field.size() + 1) * 1024;
  }
  return -1;
}

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

double MB(double bytes) { return bytes / (1024.0 * 1024.0); }

std::string MakeBody(int lines) {
  static const char* const kWords[] = {
      "the", "response", "body", "of", "server", "with", "<div class=\"row\">", "</div>",
      "value=42;", "Gr\xC3\xBC\xC3\x9F" "e", "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E",
      "\xD0\xBF\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82", "caf\xC3\xA9", "na\xC3\xAFve",
      "\xE2\x82\xAC" "12,50", "{\"id\":", "1234567890", "lorem", "ipsum", "dolor", "\t",
      "(see", "below)", "\xF0\x9F\x98\x80"};
  static const char* const kLinks[] = {
      "http://www.example.org/index.html", "https://shop.example.com/cart?item=7&qty=2,",
      "www.example.net/path", "mailto:info@example.org", "webmaster@example.com",
      "(ftp://files.example.org/pub/)", "http://example.org/a/../b/c.php?x=%20y"};
  std::uint64_t seed = 0x9E3779B97F4A7C15ull;
  auto next = [&seed] {
    seed ^= seed << 13;
    seed ^= seed >> 7;
    seed ^= seed << 17;
    return seed;
  };
  std::string body;
  body.reserve(static_cast<std::size_t>(lines) * 106);
  for (int i = 0; i < lines; ++i) {
    const std::size_t start = body.size();
    const std::size_t length = 52 + next() % 88;
    while (body.size() - start < length) {
      if (next() % 9 == 0) {
        body += kLinks[next() % (sizeof kLinks / sizeof *kLinks)];
      } else {
        body += kWords[next() % (sizeof kWords / sizeof *kWords)];
      }
      body += ' ';
    }
    body += "\r\n";
  }
  return body;
}

}  // namespace

int main(int argc, char** argv) {
  const int lineCount = argc > 1 ? std::atoi(argv[1]) : 1000000;
  tav::TMemoryStream body;
  body.Write(MakeBody(lineCount));
  body.SetPosition(0);
  const double bodyBytes = static_cast<double>(body.Size());
  std::printf("body: %.1f MB, %d lines\n", MB(bodyBytes), lineCount);

  auto t0 = std::chrono::steady_clock::now();
  const bool valid = tav::IsValidUtf8Buffer(body.Memory(), body.Size());
  const double tValid = Seconds(t0);
  std::printf("utf-8 structural test: %s, %.3f s, %.0f MB/s\n", valid ? "valid" : "invalid",
              tValid, MB(bodyBytes) / tValid);

  const std::int64_t rssBefore = StatusBytes("VmRSS");
  tav::TTextViewStringList list;
  t0 = std::chrono::steady_clock::now();
  const tav::TEncoding encoding = tav::LoadResponseBody(list, body);
  const double tLoad = Seconds(t0);
  const std::int64_t rssAfter = StatusBytes("VmRSS");
  std::printf("load (test, decode, split): %s, %d lines, %.3f s, %.0f MB/s\n",
              encoding == tav::TEncoding::teUtf8 ? "UTF-8" : "other", list.Count(), tLoad,
              MB(bodyBytes) / tLoad);

  const double counted = static_cast<double>(list.AllocatedBytes());
  const double rssDelta = static_cast<double>(rssAfter - rssBefore);
  std::printf("list memory: %.1f MB counted (%.2fx body), %.1f MB RSS growth (%.2fx body)\n",
              MB(counted), counted / bodyBytes, MB(rssDelta), rssDelta / bodyBytes);

  tav::TURIHighlighter hl;
  std::int64_t tokens = 0, links = 0, chars = 0;
  t0 = std::chrono::steady_clock::now();
  for (int i = 0; i < list.Count(); ++i) {
    const std::u16string_view line = list.StringView(i);
    chars += static_cast<std::int64_t>(line.size());
    hl.SetLine(line, i);
    while (!hl.GetEol()) {
      ++tokens;
      if (tav::IsLinkKind(hl.GetTokenKind())) ++links;
      hl.Next();
    }
  }
  const double tTokens = Seconds(t0);
  std::printf("tokenize: %lld tokens, %lld links, %.3f s, %.0f MB/s of body, %.1f M chars/s\n",
              static_cast<long long>(tokens), static_cast<long long>(links), tTokens,
              MB(bodyBytes) / tTokens, static_cast<double>(chars) / tTokens / 1e6);

  t0 = std::chrono::steady_clock::now();
  const std::u16string text = list.Text();
  const double tJoin = Seconds(t0);
  std::printf("join (Text): %.1f M chars, %.3f s, %.0f MB/s of body\n",
              static_cast<double>(text.size()) / 1e6, tJoin, MB(bodyBytes) / tJoin);

  std::printf("peak memory (VmHWM): %.1f MB\n", MB(static_cast<double>(StatusBytes("VmHWM"))));
  const bool withinBudget = counted <= 2.5 * bodyBytes && rssDelta <= 2.5 * bodyBytes;
  std::printf("list within 2.5x of body: %s\n", withinBudget ? "yes" : "NO");
  return withinBudget ? 0 : 1;
}
