#pragma once
// A temporary folder that the test fixtures keep their configuration, logs
// and certificates in, removed with everything in it by the destructor; and
// whole-file reading and writing.
#include <string>

namespace tav::test {

class TempFolder {
 public:
  // Makes "<system temporary folder>/<prefix>-XXXXXX"; throws
  // std::runtime_error when it cannot.
  explicit TempFolder(const std::string& prefix = "tav-test");
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& Path() const { return FPath; }
  std::string File(const std::string& name) const { return FPath + "/" + name; }

 private:
  std::string FPath;
};

// The whole file; empty when it cannot be read.
std::string ReadFile(const std::string& path);
// Replaces the file's content; false when it cannot be written.
bool WriteFile(const std::string& path, const std::string& bytes);

}  // namespace tav::test
