#pragma once
// Helpers shared by the fuzz targets that feed a socket from memory.
#include <sys/socket.h>
#include <unistd.h>

#include <cstddef>
#include <string>

namespace tav::fuzz {

// One end of a socket pair that holds `bytes`, the other end already closed,
// so a reader sees the bytes and then the peer's close. Inputs must fit the
// pair's buffer (a few KiB are safe), or sending would block. -1 on failure.
inline int PeerThatSent(const std::string& bytes) {
  int fds[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) return -1;
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::send(fds[1], bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
  ::close(fds[1]);
  return fds[0];
}

// Stops the run at a broken invariant, so the fuzzer records the input.
inline void Check(bool condition) {
  if (!condition) __builtin_trap();
}

}  // namespace tav::fuzz
