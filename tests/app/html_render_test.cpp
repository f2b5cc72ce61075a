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

}  // namespace
}  // namespace tav
