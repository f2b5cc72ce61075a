// Whole pages painted as the headless renderer paints them (background,
// then the document), on the recording surface over the fixed-metrics
// device, compared call by call with the drawings kept beside them
// (drawings/NAME.html -> NAME.txt), so that a diff shows what a change
// painted differently.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "html/builder/builder.h"
#include "html/layout/document.h"
#include "platform/testing/fixed_metrics_device.h"
#include "platform/testing/recording_surface.h"
#include "util/code_page.h"

namespace tav {
namespace {

const std::filesystem::path& Folder() {
  static const std::filesystem::path folder =
      std::filesystem::path(TAV_TEST_DATA_DIR) / "view" / "drawings";
  return folder;
}

std::string Read(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// Pictures are named relative to the working directory, as in the window:
// the pages' folder is it while they are built and painted.
class InFolder {
public:
  explicit InFolder(const std::filesystem::path& folder) {
    char buf[4096];
    FSaved = getcwd(buf, sizeof buf) ? buf : "/";
    EXPECT_EQ(chdir(folder.c_str()), 0) << folder;
  }
  ~InFolder() { (void)!chdir(FSaved.c_str()); }
  InFolder(const InFolder&) = delete;
  InFolder& operator=(const InFolder&) = delete;

private:
  std::string FSaved;
};

// The pages of the folder by name, sorted. Each starts with a comment that
// says what it shows; it heads its drawing file.
std::vector<std::string> Pages() {
  std::vector<std::string> pages;
  for (const auto& entry : std::filesystem::directory_iterator(Folder()))
    if (entry.path().extension() == ".html") pages.push_back(entry.path().stem().string());
  std::sort(pages.begin(), pages.end());
  return pages;
}

std::string Shows(const std::string& html) {
  const auto open = html.find("<!--"), close = html.find("-->");
  if (open != 0 || close == std::string::npos) return "";
  const auto first = html.find_first_not_of(' ', 4);
  const auto last = html.find_last_not_of(' ', close - 1);
  return html.substr(first, last + 1 - first);
}

class HtmlPageDrawings : public testing::TestWithParam<std::string> {
protected:
  static constexpr int kWidth = 300;
  static constexpr int kMaxHeight = 400;

  // The calls of one paint of `html` at kWidth, its whole height (up to
  // kMaxHeight).
  static std::vector<std::string> Paint(const std::string& html) {
    InFolder here(Folder());
    TFixedMetricsDevice device;
    TSectionList doc(device);
    doc.Styles.MediaWidth = kWidth;
    {
      THtmlBuilder builder(doc);
      builder.Parse(Utf8ToText(html));
    }
    auto measure = device.CreateSurface(1, 1);
    int scrollWidth = 0;
    const int height =
        std::clamp(doc.DoLogic(*measure, kWidth, kMaxHeight, scrollWidth), 1, kMaxHeight);
    TRecordingSurface surface(device.CreateSurface(kWidth, height));
    doc.DrawBackground(surface, TRect{0, 0, kWidth, height}, 0);
    doc.Draw(surface, TRect{0, 0, kWidth, height}, 6000, 0, 0);
    return surface.Lines();
  }
};

// TAV_WRITE_DRAWINGS=1 writes the drawings instead (to look at, then keep).
TEST_P(HtmlPageDrawings, PaintsAsKept) {
  const std::string html = Read(Folder() / (GetParam() + ".html"));
  const std::string shows = Shows(html);
  ASSERT_FALSE(shows.empty()) << "the page starts with a comment saying what it shows";
  const std::vector<std::string> lines = Paint(html);
  ASSERT_FALSE(lines.empty());
  const std::filesystem::path expected = Folder() / (GetParam() + ".txt");
  if (std::getenv("TAV_WRITE_DRAWINGS")) {
    std::ofstream out(expected, std::ios::binary);
    out << "# " << GetParam() << ".html at " << kWidth << " px: " << shows << "\n";
    for (const std::string& line : lines) out << line << "\n";
  }
  const std::vector<std::string> kept = ReadDrawingFile(expected.string());
  if (lines == kept) return;
  // The first call that differs, as the diff of a rewritten file would show it.
  std::size_t i = 0;
  while (i < lines.size() && i < kept.size() && lines[i] == kept[i]) ++i;
  ADD_FAILURE() << expected.filename() << ": " << lines.size() << " calls against " << kept.size()
                << " kept; call " << i + 1 << " is\n  "
                << (i < lines.size() ? lines[i] : "(none)") << "\nwhere the file has\n  "
                << (i < kept.size() ? kept[i] : "(none)");
}

INSTANTIATE_TEST_SUITE_P(Pages, HtmlPageDrawings, testing::ValuesIn(Pages()),
                         [](const testing::TestParamInfo<std::string>& p) { return p.param; });

}  // namespace
}  // namespace tav
