// Runs one exchange through the HTTP engine and reports what came back and
// how fast:
//   http_fetch [--method M] [--proxy HOST:PORT] [--timeout MS] [--out FILE] URL
// Prints status, header-lines, body-bytes, seconds and mbps (body megabits
// per second), one per line, and exits 0; a failed exchange prints the same
// for what it kept, then the socket's and the TLS plug-in's error code and
// text, and exits 1. OpenSSL is
// loaded at start, as the console does, so that an https URL runs over the
// OpenSSL plug-in.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>

#include "http/http_send.h"
#include "net/socket_library.h"
#include "tls/tls_module.h"
#include "util/code_page.h"
#include "util/text_helpers.h"

namespace {

int Usage() {
  std::cerr << "usage: http_fetch [--method M] [--proxy HOST:PORT] [--timeout MS] [--out FILE] URL\n";
  return 2;
}

std::string Utf8(const std::u16string& text) { return tav::TextToUtf8(text); }

}  // namespace

int main(int argc, char** argv) {
  std::string method = "GET", proxy, out, url;
  int timeout = -2;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&](std::string& target) {
      if (i + 1 >= argc) return false;
      target = argv[++i];
      return true;
    };
    if (arg == "--method") {
      if (!value(method)) return Usage();
    } else if (arg == "--proxy") {
      if (!value(proxy)) return Usage();
    } else if (arg == "--out") {
      if (!value(out)) return Usage();
    } else if (arg == "--timeout") {
      std::string t;
      if (!value(t)) return Usage();
      timeout = tav::StrToIntDef(t, -2);
      if (timeout < -1) return Usage();
    } else if (!arg.empty() && arg[0] == '-') {
      return Usage();
    } else if (url.empty()) {
      url = arg;
    } else {
      return Usage();
    }
  }
  if (url.empty()) return Usage();

  tav::TSocketLibraryScope sockets;
  tav::TTlsModuleScope tls;
  tav::THTTPSend http;
  if (timeout >= -1) http.SetTimeout(timeout);
  if (!proxy.empty()) {
    // HOST:PORT; a bracketed IPv6 host keeps its colons.
    const auto colon = proxy.rfind(':');
    std::string host = colon == std::string::npos ? proxy : proxy.substr(0, colon);
    const std::string port = colon == std::string::npos ? "8080" : proxy.substr(colon + 1);
    if (host.size() > 1 && host.front() == '[' && host.back() == ']') host = host.substr(1, host.size() - 2);
    http.SetProxyHost(tav::Utf8ToText(host));
    http.SetProxyPort(tav::Utf8ToText(port));
  }

  const auto start = std::chrono::steady_clock::now();
  const bool ok = http.HTTPMethod(tav::Utf8ToText(method), tav::Utf8ToText(url));
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

  const auto bodyBytes = http.Document().Size();
  if (ok && !out.empty()) {
    std::ofstream file(out, std::ios::binary | std::ios::trunc);
    file.write(http.Document().Memory(), static_cast<std::streamsize>(bodyBytes));
    if (!file) {
      std::fprintf(stderr, "cannot write %s\n", out.c_str());
      return 1;
    }
  }
  std::printf("status: %d\n", http.ResultCode());
  std::printf("header-lines: %d\n", http.Headers().Count());
  std::printf("body-bytes: %lld\n", static_cast<long long>(bodyBytes));
  std::printf("seconds: %.6f\n", seconds);
  std::printf("mbps: %.1f\n", seconds > 0 ? static_cast<double>(bodyBytes) * 8 / 1e6 / seconds : 0.0);
  if (!ok) {
    std::printf("error: %d: %s\n", http.Sock().LastError(), Utf8(http.Sock().LastErrorDesc()).c_str());
    std::printf("tls-error: %d: %s\n", http.Sock().SSL().LastError(),
                Utf8(http.Sock().SSL().LastErrorDesc()).c_str());
    return 1;
  }
  return 0;
}
