#include "html/base/safe_file.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tav {

namespace {

class TFd {
public:
  explicit TFd(int fd) : FFd(fd) {}
  ~TFd() {
    if (FFd >= 0) ::close(FFd);
  }
  TFd(const TFd&) = delete;
  TFd& operator=(const TFd&) = delete;
  int Get() const { return FFd; }

private:
  int FFd;
};

}  // namespace

bool ReadLocalFile(const std::string& path, std::string& bytes) {
  bytes.clear();
  if (path.empty() || path.find('\0') != std::string::npos) return false;
  // O_NONBLOCK: opening a FIFO with no writer must not wait for one.
  TFd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (fd.Get() < 0) return false;
  struct stat st {};
  if (::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size < 0 ||
      static_cast<unsigned long long>(st.st_size) > MaxLocalFileBytes)
    return false;
  std::string data(static_cast<std::size_t>(st.st_size), '\0');
  std::size_t done = 0;
  while (done < data.size()) {
    ssize_t n = ::read(fd.Get(), data.data() + done, data.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;  // an error, or the file shrank under us
    done += static_cast<std::size_t>(n);
  }
  bytes = std::move(data);
  return true;
}

}  // namespace tav
