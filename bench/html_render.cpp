// A page without the window: reads FILE as the console reads a response
// body, parses it, lays it out at width W, paints it into an off-screen
// bitmap and dumps the box tree.
//
//   html_render [--width W] [--height H] [--png OUT.png] [--boxes OUT.txt] [--hit X,Y]
//               [--select A..B --copy] FILE
// Relative picture names resolve against the working directory, as they do
// for a response body shown in the window.
//
// W defaults to the width the document gets on the HTML page of the main
// window at start-up size; the page is painted whole (at most
// kMaxPaintHeight pixels) or its first H pixels. Prints one figure per line:
// parse-seconds, layout-seconds, paint-seconds, height-px, peak-rss-mb.
#include <QGuiApplication>
#include <QImage>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <string>

#include "html/builder/builder.h"
#include "html/layout/document.h"
#include "html/view/box_dump.h"
#include "html/view/cf_html.h"
#include "html/view/html_page.h"
#include "platform/qt/install.h"
#include "textview/response_body_loader.h"
#include "textview/text_view_string_list.h"
#include "util/code_page.h"
#include "util/memory_stream.h"

#include "bench_figures.h"

namespace {

using tav::bench::Clock;
using tav::bench::PeakRssMb;
using tav::bench::Seconds;

// Tall pages are painted down to here only: a bitmap of the whole of a
// multi-megabyte page would take gigabytes.
constexpr int kMaxPaintHeight = 30000;

int Usage() {
  std::fprintf(stderr,
               "usage: html_render [--width W] [--height H] [--png OUT.png] [--boxes OUT.txt] "
               "[--hit X,Y] [--select A..B --copy] FILE\n");
  return 2;
}

bool SavePng(tav::TBitmap& bitmap, const char* path) {
  QImage image(bitmap.Width(), bitmap.Height(), QImage::Format_RGB32);
  const std::vector<tav::TColor> pixels = bitmap.GetPixels();
  for (int y = 0; y < bitmap.Height(); ++y) {
    auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < bitmap.Width(); ++x) {
      tav::TColor c = pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(bitmap.Width()) +
                             static_cast<std::size_t>(x)];
      row[x] = qRgb(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF),
                    static_cast<int>((c >> 16) & 0xFF));
    }
  }
  return image.save(QString::fromLocal8Bit(path));
}

}  // namespace

int main(int argc, char** argv) {
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  int width = 0, height = 0;
  const char* png = nullptr;
  const char* boxes = nullptr;
  const char* file = nullptr;
  bool hit = false;
  int hitX = 0, hitY = 0;
  bool select = false, copy = false;
  int selB = 0, selE = 0;
  for (int i = 1; i < argc; ++i) {
    const bool hasValue = i + 1 < argc;
    if (!std::strcmp(argv[i], "--width") && hasValue) width = std::atoi(argv[++i]);
    else if (!std::strcmp(argv[i], "--height") && hasValue) height = std::atoi(argv[++i]);
    else if (!std::strcmp(argv[i], "--png") && hasValue) png = argv[++i];
    else if (!std::strcmp(argv[i], "--boxes") && hasValue) boxes = argv[++i];
    else if (!std::strcmp(argv[i], "--select") && hasValue) {
      if (std::sscanf(argv[++i], "%d..%d", &selB, &selE) != 2) return Usage();
      select = true;
    } else if (!std::strcmp(argv[i], "--copy")) {
      copy = true;
    } else if (!std::strcmp(argv[i], "--hit") && hasValue) {
      if (std::sscanf(argv[++i], "%d,%d", &hitX, &hitY) != 2) return Usage();
      hit = true;
    }
    else if (argv[i][0] == '-' || file) return Usage();
    else file = argv[i];
  }
  if (!file) return Usage();
  if (width <= 0) width = tav::kHtmlDocumentWidthAtStart;

  QGuiApplication app(argc, argv);
  tav::InstallQtPlatform();
  tav::TGraphicsDevice& device = tav::DefaultDevice();

  // The file's bytes and lines are only needed until the text is made.
  std::u16string text;
  {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
      std::fprintf(stderr, "cannot read %s\n", file);
      return 1;
    }
    tav::TMemoryStream body;
    {
      const std::string bytes((std::istreambuf_iterator<char>(in)),
                              std::istreambuf_iterator<char>());
      body.Write(bytes);
    }
    body.SetPosition(0);
    tav::TTextViewStringList lines;
    tav::LoadResponseBody(lines, body);
    text = lines.Text();
  }

  tav::TSectionList document(device);
  // The source is kept only for the copy's "HTML Format" entry.
  std::u16string source;
  if (copy) source = text;
  Clock::time_point t = Clock::now();
  document.Styles.MediaWidth = width;  // what media queries are tested against
  {
    tav::THtmlBuilder builder(document);
    builder.Parse(std::move(text));
  }
  const double parse = Seconds(t);

  auto measure = device.CreateBitmap(1, 1);
  t = Clock::now();
  int scrollWidth = 0;
  const int docHeight = document.DoLogic(measure->Canvas(), width, height > 0 ? height : 600,
                                         scrollWidth);
  const double layout = Seconds(t);

  // A selection is painted as the window paints it.
  if (select) {
    document.Selection.SelB = selB;
    document.Selection.SelE = selE;
  }
  const int paintHeight = std::max(1, std::min(height > 0 ? height : docHeight, kMaxPaintHeight));
  t = Clock::now();
  auto bitmap = device.CreateBitmap(width, paintHeight);
  tav::TSurface& canvas = bitmap->Canvas();
  document.DrawBackground(canvas, tav::TRect{0, 0, width, paintHeight}, 0);
  document.Draw(canvas, tav::TRect{0, 0, width, paintHeight}, 6000, 0, 0);
  const double paint = Seconds(t);

  if (png && !SavePng(*bitmap, png)) {
    std::fprintf(stderr, "cannot write %s\n", png);
    return 1;
  }
  if (boxes) {
    std::ofstream out(boxes, std::ios::binary);
    out << tav::DumpBoxes(document);
    if (!out) {
      std::fprintf(stderr, "cannot write %s\n", boxes);
      return 1;
    }
  }
  if (copy) {
    // What the window copies: the selected text, then the "HTML Format"
    // entry (empty when it would be too large for its offsets).
    std::printf("---- copied text ----\n%s\n", tav::TextToUtf8(document.SelectedText()).c_str());
    tav::THtmlFormatSource entry;
    entry.Source = source;
    entry.FragmentStart = document.SourceIndexOf(document.Selection.SelB, source.size());
    entry.FragmentEnd = document.SourceIndexOf(document.Selection.SelE, source.size());
    std::optional<std::string> html = tav::BuildHtmlFormat(entry);
    std::printf("---- HTML Format ----\n%s\n", html ? html->c_str() : "");
  }
  if (hit) {
    // The link, frame and hint at a document point, as the mouse finds them.
    tav::TLinkHit found;
    document.GetURL(canvas, hitX, hitY, found);
    std::printf("hit-url: %s\nhit-target: %s\nhit-title: %s\n", tav::TextToUtf8(found.Url).c_str(),
                tav::TextToUtf8(found.TargetName).c_str(), tav::TextToUtf8(found.Title).c_str());
  }
  std::printf("parse-seconds: %.4f\nlayout-seconds: %.4f\npaint-seconds: %.4f\n", parse, layout,
              paint);
  std::printf("height-px: %d\npeak-rss-mb: %ld\n", docHeight, PeakRssMb());
  return 0;
}
