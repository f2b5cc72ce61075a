// The benchmark peer of html_inspect: hands the same decoded text to
// QTextDocument::setHtml and prints set-html-seconds and peak-rss-mb.
// Usage: html_qt_peer FILE (read as UTF-8 when valid, else Windows-1252).
#include <sys/resource.h>

#include <QGuiApplication>
#include <QTextDocument>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "util/code_page.h"
#include "util/utf8_validity.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: html_qt_peer FILE\n");
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  if (!in) return 1;
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::u16string text = tav::IsValidUtf8Buffer(bytes.data(), static_cast<std::int64_t>(bytes.size()))
                            ? tav::Utf8ToText(bytes)
                            : tav::AnsiToText(bytes);
  int qargc = 1;
  QGuiApplication app(qargc, argv);
  QString html = QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
  auto start = std::chrono::steady_clock::now();
  QTextDocument doc;
  doc.setHtml(html);
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("set-html-seconds: %.3f\npeak-rss-mb: %ld\nblocks: %d\n", seconds,
              usage.ru_maxrss / 1024, doc.blockCount());
  return 0;
}
