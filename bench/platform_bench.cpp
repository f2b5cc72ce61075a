// Cost of drawing through the platform layer beside the same drawing done
// directly with QPainter on a QImage, in one run: 10,000 text runs at given
// per-character advances and 10,000 filled rectangles. Prints both times and
// their ratio (best of several rounds), and whether both produced the same
// pixels. Usage: platform_bench [rounds]
#include <QGlyphRun>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QRawFont>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/qt/install.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kWidth = 1000, kHeight = 800;
constexpr int kRuns = 10000;
constexpr int kRects = 10000;

struct TRun {
  std::u16string Text;
  std::vector<int> Advances;
  int X, Y;
  tav::TColor Color;
};

std::vector<TRun> MakeRuns(const tav::TFontHandle& font) {
  static const char16_t* words[] = {u"GET", u"HTTP/1.1", u"200", u"OK", u"Content-Type:",
                                    u"text/html;", u"charset=utf-8", u"<a href=\"/x\">link</a>",
                                    u"Server:", u"nginx", u"Mozilla/5.0", u"compatible;"};
  std::vector<TRun> runs;
  runs.reserve(kRuns);
  unsigned seed = 12345;
  auto next = [&] {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 16) & 0x7FFF;
  };
  for (int i = 0; i < kRuns; ++i) {
    TRun r;
    int words_in_run = 2 + static_cast<int>(next() % 5);
    for (int w = 0; w < words_in_run; ++w) {
      if (w) r.Text += u' ';
      r.Text += words[next() % (sizeof words / sizeof words[0])];
    }
    font.Advances(r.Text, r.Advances);
    r.X = static_cast<int>(next() % (kWidth - 100));
    r.Y = 14 + static_cast<int>(next() % (kHeight - 20));
    r.Color = tav::RGB(static_cast<int>(next() % 200), static_cast<int>(next() % 200),
                       static_cast<int>(next() % 200));
    runs.push_back(std::move(r));
  }
  return runs;
}

struct TBox {
  tav::TRect Rect;
  tav::TColor Color;
};

std::vector<TBox> MakeRects() {
  std::vector<TBox> boxes;
  boxes.reserve(kRects);
  unsigned seed = 777;
  auto next = [&] {
    seed = seed * 1103515245u + 12345u;
    return static_cast<int>((seed >> 16) & 0x7FFF);
  };
  for (int i = 0; i < kRects; ++i) {
    int x = next() % kWidth, y = next() % kHeight;
    boxes.push_back({tav::MakeRect(x, y, 4 + next() % 120, 4 + next() % 40),
                     tav::RGB(next() % 256, next() % 256, next() % 256)});
  }
  return boxes;
}

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// Text through the layer: baseline alignment, transparent, advances given.
double LayerText(tav::TBitmap& bitmap, const tav::TFontRef& font, const std::vector<TRun>& runs) {
  tav::TSurface& s = bitmap.Canvas();
  s.FillRect({0, 0, kWidth, kHeight}, tav::clWhite);
  s.SelectFont(font);
  s.SetBkMode(tav::TBkMode::bkTransparent);
  s.SetTextAlign(tav::TA_BASELINE);
  auto start = Clock::now();
  for (const TRun& r : runs) {
    s.SetTextColor(r.Color);
    s.ExtTextOut(r.X, r.Y, 0, nullptr, r.Text, r.Advances.data());
  }
  return Ms(Clock::now() - start);
}

// The same text directly: glyph indexes from the raw font, positions from
// the advances, one glyph run per text run.
double DirectText(QImage& image, const QRawFont& raw, const std::vector<TRun>& runs) {
  image.fill(Qt::white);
  QPainter p(&image);
  QVector<quint32> indexes;
  QVector<QPointF> positions;
  auto start = Clock::now();
  for (const TRun& r : runs) {
    indexes.resize(static_cast<qsizetype>(r.Text.size()));
    int count = static_cast<int>(indexes.size());
    raw.glyphIndexesForChars(reinterpret_cast<const QChar*>(r.Text.data()),
                             static_cast<int>(r.Text.size()), indexes.data(), &count);
    indexes.resize(count);
    positions.resize(count);
    int x = r.X;
    for (int i = 0; i < count; ++i) {
      positions[i] = QPointF(x, r.Y);
      x += r.Advances[static_cast<size_t>(i)];
    }
    QGlyphRun run;
    run.setRawFont(raw);
    run.setGlyphIndexes(indexes);
    run.setPositions(positions);
    p.setPen(QColor(tav::GetRValue(r.Color), tav::GetGValue(r.Color), tav::GetBValue(r.Color)));
    p.drawGlyphRun(QPointF(0, 0), run);
  }
  return Ms(Clock::now() - start);
}

double LayerRects(tav::TBitmap& bitmap, const std::vector<TBox>& boxes) {
  tav::TSurface& s = bitmap.Canvas();
  s.FillRect({0, 0, kWidth, kHeight}, tav::clWhite);
  auto start = Clock::now();
  for (const TBox& b : boxes) s.FillRect(b.Rect, b.Color);
  return Ms(Clock::now() - start);
}

double DirectRects(QImage& image, const std::vector<TBox>& boxes) {
  image.fill(Qt::white);
  QPainter p(&image);
  auto start = Clock::now();
  for (const TBox& b : boxes)
    p.fillRect(QRect(b.Rect.Left, b.Rect.Top, b.Rect.Width(), b.Rect.Height()),
               QColor(tav::GetRValue(b.Color), tav::GetGValue(b.Color), tav::GetBValue(b.Color)));
  return Ms(Clock::now() - start);
}

bool SamePixels(tav::TBitmap& layer, const QImage& direct) {
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) {
      QRgb d = direct.pixel(x, y);
      if (layer.GetPixel(x, y) != tav::RGB(qRed(d), qGreen(d), qBlue(d))) return false;
    }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  tav::TQtPlatformOptions options;
  options.UsePaletteColors = false;
  tav::InstallQtPlatform(options);

  tav::TQtDevice& device = tav::QtDevice();
  tav::TFontDesc desc;
  desc.Face = u"Arial";
  desc.Height = -13;
  tav::TFontRef font = device.CreateFont(desc);
  const auto& qtFont = static_cast<const tav::TQtFont&>(*font);
  const QRawFont raw = qtFont.Faces()[0];

  const std::vector<TRun> runs = MakeRuns(*font);
  const std::vector<TBox> boxes = MakeRects();
  auto bitmap = device.CreateBitmap(kWidth, kHeight);
  QImage image(kWidth, kHeight, QImage::Format_RGB32);

  // Warm up the glyph caches on both paths.
  LayerText(*bitmap, font, runs);
  DirectText(image, raw, runs);

  double layerText = 1e30, directText = 1e30, layerRects = 1e30, directRects = 1e30;
  for (int i = 0; i < rounds; ++i) {
    directText = std::min(directText, DirectText(image, raw, runs));
    layerText = std::min(layerText, LayerText(*bitmap, font, runs));
  }
  bool textSame = SamePixels(*bitmap, image);
  for (int i = 0; i < rounds; ++i) {
    directRects = std::min(directRects, DirectRects(image, boxes));
    layerRects = std::min(layerRects, LayerRects(*bitmap, boxes));
  }
  bool rectsSame = SamePixels(*bitmap, image);

  std::printf("platform_bench: best of %d rounds, %dx%d QImage\n", rounds, kWidth, kHeight);
  std::printf("text runs  %6d: layer %8.2f ms, direct QPainter %8.2f ms, ratio %.2fx, same pixels: %s\n",
              kRuns, layerText, directText, layerText / directText, textSame ? "yes" : "NO");
  std::printf("rectangles %6d: layer %8.2f ms, direct QPainter %8.2f ms, ratio %.2fx, same pixels: %s\n",
              kRects, layerRects, directRects, layerRects / directRects, rectsSame ? "yes" : "NO");
  std::printf("total               : layer %8.2f ms, direct QPainter %8.2f ms, ratio %.2fx (target <= 1.30x)\n",
              layerText + layerRects, directText + directRects,
              (layerText + layerRects) / (directText + directRects));
  return textSame && rectsSame ? 0 : 1;
}
