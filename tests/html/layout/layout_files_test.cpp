// Whole pages laid out at 400 pixels on the fixed-metrics device, compared
// with the box dumps kept beside them (layouts/NAME.html -> NAME.txt), so
// that a diff shows what a change moved.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "html/builder/builder.h"
#include "html/layout/document.h"
#include "html/view/box_dump.h"
#include "platform/testing/fixed_metrics_device.h"
#include "util/code_page.h"

namespace tav {
namespace {

std::string Read(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

TEST(HtmlLayoutFiles, PagesLayOutAsKept) {
  const std::filesystem::path folder = std::filesystem::path(TAV_TEST_DATA_DIR) / "layout" / "layouts";
  int pages = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    if (entry.path().extension() != ".html") continue;
    ++pages;
    TFixedMetricsDevice device;
    TSectionList document(device);
    document.Styles.MediaWidth = 400;
    THtmlBuilder builder(document);
    builder.Parse(Utf8ToText(Read(entry.path())));
    auto surface = device.CreateSurface(400, 300);
    int scrollWidth = 0;
    document.DoLogic(*surface, 400, 300, scrollWidth);
    const std::string dump = DumpBoxes(document);
    std::filesystem::path expected = entry.path();
    expected.replace_extension(".txt");
    // TAV_WRITE_LAYOUTS=1 writes the dumps instead (to look at, then keep).
    if (std::getenv("TAV_WRITE_LAYOUTS")) {
      std::ofstream(expected, std::ios::binary) << dump;
      continue;
    }
    EXPECT_EQ(dump, Read(expected)) << entry.path().filename();
  }
  EXPECT_GE(pages, 4);
}

}  // namespace
}  // namespace tav
