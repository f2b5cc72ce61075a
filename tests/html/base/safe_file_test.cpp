// Reading the local files a page names: regular files of bounded size only.
#include "html/base/safe_file.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>

#include <gtest/gtest.h>

#include "temp_folder.h"

namespace tav {
namespace {

bool MakeSparseFile(const std::string& path, off_t size) {
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  bool ok = ::ftruncate(fd, size) == 0;
  ::close(fd);
  return ok;
}

long MaxRssKb() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

TEST(SafeFileTest, ReadsRegularFilesWhole) {
  test::TempFolder folder;
  std::string data("GIF89a\0\x01\xFF rest", 15);
  ASSERT_TRUE(test::WriteFile(folder.File("a.gif"), data));
  ASSERT_TRUE(test::WriteFile(folder.File("empty"), ""));
  std::string bytes = "old";
  EXPECT_TRUE(ReadLocalFile(folder.File("a.gif"), bytes));
  EXPECT_EQ(bytes, data);
  EXPECT_TRUE(ReadLocalFile(folder.File("empty"), bytes));
  EXPECT_EQ(bytes, "");
  // A link to a regular file is that file.
  ASSERT_EQ(::symlink(folder.File("a.gif").c_str(), folder.File("link").c_str()), 0);
  EXPECT_TRUE(ReadLocalFile(folder.File("link"), bytes));
  EXPECT_EQ(bytes, data);
}

TEST(SafeFileTest, SizeCapIsInclusive) {
  test::TempFolder folder;
  ASSERT_TRUE(MakeSparseFile(folder.File("cap"), static_cast<off_t>(MaxLocalFileBytes)));
  ASSERT_TRUE(MakeSparseFile(folder.File("over"), static_cast<off_t>(MaxLocalFileBytes + 1)));
  std::string bytes;
  EXPECT_TRUE(ReadLocalFile(folder.File("cap"), bytes));
  EXPECT_EQ(bytes.size(), MaxLocalFileBytes);
  EXPECT_FALSE(ReadLocalFile(folder.File("over"), bytes));
  EXPECT_TRUE(bytes.empty());
}

// Devices, pipes, folders and huge files fail at once, without blocking and
// without reading or allocating their size.
TEST(SafeFileTest, RefusesEverythingElseAtOnce) {
  test::TempFolder folder;
  ASSERT_EQ(::mkfifo(folder.File("fifo").c_str(), 0600), 0);
  ASSERT_TRUE(MakeSparseFile(folder.File("huge"), off_t{4} << 30));
  ASSERT_TRUE(test::WriteFile(folder.File("x.png"), "not read"));
  struct TCase {
    std::string Path;
  };
  const TCase cases[] = {
      {"/dev/zero"},
      {"/dev/urandom"},
      {folder.File("fifo")},
      {folder.Path()},
      {folder.File("huge")},
      {folder.File("missing.png")},
      {folder.File("x.png") + std::string(1, '\0') + ".txt"},  // a NUL ends no name here
      {""},
  };
  long rssBefore = MaxRssKb();
  for (const TCase& c : cases) {
    std::string bytes = "old";
    auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(ReadLocalFile(c.Path, bytes)) << c.Path;
    auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_LT(elapsed, std::chrono::seconds(1)) << c.Path;
    EXPECT_TRUE(bytes.empty()) << c.Path;
  }
  // Reading any of them whole would have raised the peak by gigabytes.
  EXPECT_LT(MaxRssKb() - rssBefore, 16 * 1024);
}

}  // namespace
}  // namespace tav
