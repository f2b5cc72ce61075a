// Names from a page to local file names.
#include "html/base/paths.h"

#include <unistd.h>

#include <chrono>
#include <random>

#include <gtest/gtest.h>

namespace tav {
namespace {

std::string Cwd() {
  char buffer[4096];
  return ::getcwd(buffer, sizeof buffer) ? buffer : "";
}

// The decoding as the name is meant to be read: find the first '%', replace
// it and its two characters, start over.
std::string RepeatedFindAndReplace(std::string s) {
  auto hex = [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; };
  for (;;) {
    std::size_t at = s.find('%');
    if (at == std::string::npos || at == 0 || s.size() - at - 1 < 2) return s;
    if (!hex(s[at + 1]) || !hex(s[at + 2])) return s;
    char c = static_cast<char>(std::stoi(s.substr(at + 1, 2), nullptr, 16));
    s.replace(at, 3, 1, c);
  }
}

TEST(HtmlPathsTest, PercentEscapes) {
  struct TCase {
    std::string In, Out;
  };
  const TCase cases[] = {
      {"a%20b", "a b"},
      {"x%2541", "xA"},          // the decoded '%' is read again
      {"x%252541", "xA"},        // and again
      {"a%25", "a%"},            // a decoded '%' with nothing after it stays
      {"%41b", "%41b"},          // a '%' that is the first character stops everything
      {"a%4", "a%4"},            // fewer than two characters after it
      {"a%41%zz%42", "aA%zz%42"},  // the first pair that is not hexadecimal stops
      {"a%%41", "a%%41"},
      {"%C3%A9", "%C3%A9"},
      {"x%C3%A9", "x\xC3\xA9"},  // bytes, so UTF-8 escapes make UTF-8 names
      {"a%00b", std::string("a\0b", 3)},
  };
  for (const TCase& c : cases) EXPECT_EQ(DecodePercentEscapes(c.In), c.Out) << c.In;
}

TEST(HtmlPathsTest, OnePassMatchesRepeatedReplacement) {
  const char alphabet[] = {'%', '2', '5', '4', '1', 'a', 'F', 'g', 'x'};
  std::mt19937 random(7);
  for (int round = 0; round < 20000; ++round) {
    std::string s;
    int length = static_cast<int>(random() % 12);
    for (int i = 0; i < length; ++i) s += alphabet[random() % sizeof alphabet];
    ASSERT_EQ(DecodePercentEscapes(s), RepeatedFindAndReplace(s)) << s;
  }
}

TEST(HtmlPathsTest, DecodingIsLinear) {
  // A megabyte of escapes: each decodes to a '%' that the next pair
  // decodes again, and plain escapes after that.
  std::u16string uri = u"data:x%";
  for (int i = 0; i < 250000; ++i) uri += u"25";
  uri += u"41";
  for (int i = 0; i < 100000; ++i) uri += u"%42";
  auto start = std::chrono::steady_clock::now();
  std::string path = HTMLExpandFilename(uri);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
  EXPECT_EQ(path, Cwd() + "/data:xA" + std::string(100000, 'B'));
}

TEST(HtmlPathsTest, PathToLocal) {
  struct TCase {
    std::u16string In;
    std::string Out;
  };
  const TCase cases[] = {
      {u"file:///tmp/a.png", "/tmp/a.png"},
      {u"FILE:///tmp/a.png", "/tmp/a.png"},
      {u"file:/tmp/a.png", "/tmp/a.png"},
      {u"file://pics/a.png", "pics/a.png"},  // no host part: a relative name
      {u"file:a.png", "a.png"},
      {u"  a%20b.png \t", "a b.png"},
      {u"file%3A///tmp/x", "/tmp/x"},  // escapes are decoded before the prefix goes
      {u"dir/a|b\\c.png", "dir/a|b\\c.png"},  // no drive letters, no backslash folders
      {u"/tmp/file:/x", "/tmp/file:/x"},      // only a leading prefix is removed
      {u"\u00e9.png", "\xC3\xA9.png"},
  };
  for (const TCase& c : cases) {
    std::string path;
    EXPECT_TRUE(HTMLPathToLocal(c.In, path));
    EXPECT_EQ(path, c.Out);
  }
  std::string path = "old";
  EXPECT_FALSE(HTMLPathToLocal(u"x.png%00.txt", path));
  EXPECT_EQ(path, "");
}

TEST(HtmlPathsTest, ExpandFilename) {
  std::string cwd = Cwd();
  ASSERT_FALSE(cwd.empty());
  struct TCase {
    std::u16string Name, Base;
    std::string Current, Out;
  };
  const TCase cases[] = {
      // Other schemes come back unchanged.
      {u"http://host/a%20b.png", u"", "", "http://host/a%20b.png"},
      {u"HTTPS://host/a.png", u"/base/", "/doc/p.html", "HTTPS://host/a.png"},
      // Absolute names, folded.
      {u"/pics/a.png", u"/base/", "/doc/p.html", "/pics/a.png"},
      {u"file:///pics/../a/./b.png", u"", "", "/a/b.png"},
      {u"/../a//b.png", u"", "", "/a/b.png"},
      // Relative names: the base's folder, else the current file's, else the
      // working directory.
      {u"a.png", u"file:///base/dir/index.html", "/doc/p.html", "/base/dir/a.png"},
      {u"../a.png", u"/base/dir/", "", "/base/a.png"},
      {u"img/a.png", u"", "/doc/p.html", "/doc/img/a.png"},
      {u"a%20b.png", u"", "", cwd + "/a b.png"},
      {u"file://img/a.png", u"", "", cwd + "/img/a.png"},
      // A relative base is itself relative to the current file.
      {u"a.png", u"sub/x.html", "/doc/p.html", "/doc/sub/a.png"},
      // Names that name no file.
      {u"x.png%00.txt", u"", "", ""},
      {u"  ", u"", "", ""},
  };
  for (const TCase& c : cases)
    EXPECT_EQ(HTMLExpandFilename(c.Name, c.Base, c.Current), c.Out)
        << std::string(c.Name.begin(), c.Name.end());
}

}  // namespace
}  // namespace tav
