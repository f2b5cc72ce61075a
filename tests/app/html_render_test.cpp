// The headless renderer as a user runs it: its five figures, the PNG of the
// whole page, and the same box dump on every run.
#include <gtest/gtest.h>

#include <QImage>

#include <sstream>
#include <string>
#include <vector>

#include "../html/picture_bytes.h"
#include "child_process.h"
#include "temp_folder.h"

namespace tav {
namespace {

TEST(HtmlRender, PrintsFiguresWritesThePictureAndTheSameBoxesEachRun) {
  test::TempFolder folder("tav-html-render");
  const std::string page = folder.File("page.html");
  ASSERT_TRUE(test::WriteFile(page,
                              "<title>t</title><h1>Heading</h1><p>One paragraph of text.</p>"
                              "<ul><li>an item</ul><pre>pre  text</pre><hr>"));
  std::string dumps[2];
  std::string output;
  for (int run = 0; run < 2; ++run) {
    const std::string boxes = folder.File("boxes" + std::to_string(run) + ".txt");
    const std::string log = folder.File("log" + std::to_string(run) + ".txt");
    test::ChildProcess child({TAV_HTML_RENDER, "--width", "300", "--png", folder.File("page.png"),
                              "--boxes", boxes, page},
                             test::ChildOptions{log});
    ASSERT_TRUE(child.WaitForExit(60000));
    ASSERT_EQ(child.ExitCode(), 0) << child.Output();
    output = child.Output();
    dumps[run] = test::ReadFile(boxes);
  }
  EXPECT_EQ(dumps[0], dumps[1]);
  EXPECT_EQ(dumps[0].rfind("block body.", 0), 0u) << dumps[0];

  // One figure a line, in this order (Qt may add its own lines).
  const std::vector<std::string> keys = {"parse-seconds:", "layout-seconds:", "paint-seconds:",
                                         "height-px:", "peak-rss-mb:"};
  std::vector<std::string> seen;
  int height = -1;
  std::istringstream lines(output);
  for (std::string line; std::getline(lines, line);) {
    for (const std::string& key : keys) {
      if (line.rfind(key, 0) == 0) {
        seen.push_back(key);
        if (key == "height-px:") height = std::stoi(line.substr(key.size()));
      }
    }
  }
  EXPECT_EQ(seen, keys) << output;
  QImage png(QString::fromStdString(folder.File("page.png")));
  ASSERT_FALSE(png.isNull());
  EXPECT_EQ(png.width(), 300);
  EXPECT_GT(height, 100);
  EXPECT_EQ(png.height(), height);
}

// Pictures from a local PNG file, and the link, frame and hint found at a
// point: an ISMAP picture in a link (body margins 10 and 5, a one-pixel
// link frame, so the picture starts at 11, 6), a broken picture's ALT and
// TITLE, and a point on nothing.
TEST(HtmlRender, DrawsLocalPicturesAndReportsWhatIsAtAPoint) {
  test::TempFolder folder("tav-html-hit");
  QImage picture(10, 20, QImage::Format_RGB32);
  picture.fill(QColor(0, 160, 0));
  ASSERT_TRUE(picture.save(QString::fromStdString(folder.File("p.png")), "PNG"));
  const std::string page = folder.File("page.html");
  ASSERT_TRUE(test::WriteFile(page, "<a href=map target=_blank><img src=\"" + folder.File("p.png") +
                                        "\" width=50 ismap></a>"
                                        "<img src=\"http://example.com/x.png\" alt=Hello "
                                        "title=\"Its title\">"));
  const struct {
    const char* point;
    const char* url;
    const char* target;
    const char* title;
  } cases[] = {
      {"23,40", "map?12,34", "_blank", ""},
      {"11,6", "map?0,0", "_blank", ""},
      // The broken picture stands right of it on the same baseline (107).
      {"70,100", "", "", "Its title"},
      {"250,300", "", "", ""},
  };
  for (const auto& c : cases) {
    const std::string log = folder.File("log.txt");
    test::ChildProcess child({TAV_HTML_RENDER, "--width", "300", "--png", folder.File("page.png"),
                              "--hit", c.point, page},
                             test::ChildOptions{log});
    ASSERT_TRUE(child.WaitForExit(60000));
    ASSERT_EQ(child.ExitCode(), 0) << child.Output();
    const std::string out = child.Output();
    EXPECT_NE(out.find(std::string("hit-url: ") + c.url + "\n"), std::string::npos) << c.point << out;
    EXPECT_NE(out.find(std::string("hit-target: ") + c.target + "\n"), std::string::npos) << c.point;
    EXPECT_NE(out.find(std::string("hit-title: ") + c.title + "\n"), std::string::npos) << c.point;
  }
  // The picture drawn 50 x 100 inside its frame.
  QImage png(QString::fromStdString(folder.File("page.png")));
  ASSERT_FALSE(png.isNull());
  EXPECT_EQ(png.pixelColor(11, 6), QColor(0, 160, 0));
  EXPECT_EQ(png.pixelColor(60, 105), QColor(0, 160, 0));
  EXPECT_NE(png.pixelColor(61, 50), QColor(0, 160, 0));
  EXPECT_NE(png.pixelColor(30, 107), QColor(0, 160, 0));
}

// The page's picture goes under the document, tiled from the page's top-left
// corner.
TEST(HtmlRender, PaintsThePagePictureUnderTheDocument) {
  test::TempFolder folder("tav-html-render");
  const std::string tile = folder.File("tile.bmp");
  ASSERT_TRUE(test::WriteFile(
      tile, test::MakeBmp(2, 2, {RGB(255, 0, 0), RGB(0, 0, 255), RGB(0, 255, 0), RGB(255, 255, 255)})));
  const std::string page = folder.File("page.html");
  ASSERT_TRUE(test::WriteFile(page, "<body background='" + tile + "'><p>x</p>"));
  test::ChildProcess child({TAV_HTML_RENDER, "--width", "60", "--height", "40", "--png",
                            folder.File("page.png"), page},
                           test::ChildOptions{folder.File("log.txt")});
  ASSERT_TRUE(child.WaitForExit(60000));
  ASSERT_EQ(child.ExitCode(), 0) << child.Output();
  QImage png(QString::fromStdString(folder.File("page.png")));
  ASSERT_EQ(png.size(), QSize(60, 40));
  // Away from the text: the tile repeats from (0, 0).
  EXPECT_EQ(png.pixel(58, 38) & 0xFFFFFFu, 0xFF0000u);
  EXPECT_EQ(png.pixel(59, 38) & 0xFFFFFFu, 0x0000FFu);
  EXPECT_EQ(png.pixel(58, 39) & 0xFFFFFFu, 0x00FF00u);
  EXPECT_EQ(png.pixel(59, 39) & 0xFFFFFFu, 0xFFFFFFu);
}

// Without a window the controls paint imitations of themselves, each with
// a line in the box dump at the place it was painted.
TEST(HtmlRender, DrawsFormControlsAsImitations) {
  test::TempFolder folder("tav-html-render");
  const std::string page = folder.File("form.html");
  ASSERT_TRUE(test::WriteFile(page,
                              "<body bgcolor=#808000><form><input value=abc>"
                              "<input type=checkbox checked><input type=submit>"
                              "<select><option>one</select><textarea></textarea></form>"));
  const std::string boxes = folder.File("boxes.txt");
  const std::string png = folder.File("form.png");
  test::ChildProcess child({TAV_HTML_RENDER, "--width", "400", "--png", png, "--boxes", boxes, page},
                           test::ChildOptions{folder.File("log.txt")});
  ASSERT_TRUE(child.WaitForExit(60000));
  ASSERT_EQ(child.ExitCode(), 0) << child.Output();
  const std::string dump = test::ReadFile(boxes);
  QImage image(QString::fromStdString(png));
  ASSERT_FALSE(image.isNull());
  int controls = 0;
  std::istringstream lines(dump);
  for (std::string line; std::getline(lines, line);) {
    if (line.find("control ") == std::string::npos) continue;
    ++controls;
    const auto value = [&](const std::string& key) {
      return std::stoi(line.substr(line.find(key) + key.size()));
    };
    const int x = value(" DrawX="), y = value(" DrawY=");
    const int w = value(" Width="), h = value(" Height=");
    ASSERT_GE(x, 0) << line;
    // The middle of each control is painted over the olive page.
    const QRgb middle = image.pixel(x + w / 2, y + h / 2);
    EXPECT_NE(middle, qRgb(0x80, 0x80, 0)) << line;
  }
  EXPECT_EQ(controls, 5) << dump;
  EXPECT_NE(dump.find("control edit"), std::string::npos) << dump;
  EXPECT_NE(dump.find("control textarea"), std::string::npos) << dump;
}

// A selection copied as the window copies it: the text, then the "HTML
// Format" entry whose fragment offsets point at the selected source.
TEST(HtmlRender, CopiesASelectionAsTextAndHtmlFormat) {
  test::TempFolder folder("tav-html-copy");
  const std::string page = folder.File("page.html");
  ASSERT_TRUE(test::WriteFile(page, "<p>Hello <b>bold</b> world</p><p>second</p>"));
  test::ChildProcess child({TAV_HTML_RENDER, "--select", "2..14", "--copy", page},
                           test::ChildOptions{folder.File("log.txt")});
  ASSERT_TRUE(child.WaitForExit(60000));
  ASSERT_EQ(child.ExitCode(), 0) << child.Output();
  const std::string out = child.Output();
  const std::size_t text = out.find("---- copied text ----\nllo bold wor\n");
  const std::size_t html = out.find("---- HTML Format ----\nVersion:1.0\r\n");
  ASSERT_NE(text, std::string::npos) << out;
  ASSERT_NE(html, std::string::npos) << out;
  EXPECT_LT(text, html);
  // The offsets count from the entry's first byte.
  const std::string entry = out.substr(html + std::string("---- HTML Format ----\n").size());
  const std::size_t at = entry.find("StartFragment:");
  ASSERT_NE(at, std::string::npos);
  const std::size_t start = std::stoul(entry.substr(at + 14, 8));
  const std::size_t end = std::stoul(entry.substr(entry.find("EndFragment:") + 12, 8));
  EXPECT_EQ(entry.substr(start, end - start), "llo <b>bold</b> wor");
}

}  // namespace
}  // namespace tav
