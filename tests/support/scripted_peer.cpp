#include "scripted_peer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

namespace tav::test {

namespace {

constexpr int kLimitMs = 5000;

int ListenLoopback(int& port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = 0;
  if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
      ::listen(fd, 4) != 0) {
    if (fd >= 0) ::close(fd);
    return -1;
  }
  socklen_t length = sizeof addr;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &length);
  port = ntohs(addr.sin_port);
  return fd;
}

bool WaitReadable(int fd, int ms) {
  pollfd item{fd, POLLIN, 0};
  return ::poll(&item, 1, ms) > 0;
}

// Reads what is there (waiting up to ms); false at EOF, error or timeout.
bool ReadSome(int fd, std::string& into, int ms) {
  if (!WaitReadable(fd, ms)) return false;
  char buffer[4096];
  const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
  if (n <= 0) return false;
  into.append(buffer, static_cast<std::size_t>(n));
  return true;
}

std::int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace

ScriptedPeer::ScriptedPeer(std::vector<PeerStep> script) : FScript(std::move(script)) {
  FListener = ListenLoopback(FPort);
  FThread = std::thread([this] { Run(); });
}

ScriptedPeer::~ScriptedPeer() { Join(); }

std::u16string ScriptedPeer::PortText() const { return U16(std::to_string(FPort)); }

std::string ScriptedPeer::Join() {
  if (FThread.joinable()) FThread.join();
  return FReceived;
}

void ScriptedPeer::Run() {
  if (FListener < 0) return;
  int fd = -1;
  if (WaitReadable(FListener, kLimitMs)) fd = ::accept4(FListener, nullptr, nullptr, SOCK_CLOEXEC);
  ::close(FListener);
  FListener = -1;
  if (fd < 0) return;
  FAccepted = true;
  for (const PeerStep& step : FScript) {
    switch (step.What) {
      case PeerStep::Send: {
        std::size_t done = 0;
        while (done < step.Bytes.size()) {
          const ssize_t n = ::send(fd, step.Bytes.data() + done, step.Bytes.size() - done, MSG_NOSIGNAL);
          if (n <= 0) break;
          done += static_cast<std::size_t>(n);
        }
        break;
      }
      case PeerStep::Pause:
        std::this_thread::sleep_for(std::chrono::milliseconds(step.Ms));
        break;
      case PeerStep::ReadUntil: {
        const std::int64_t end = NowMs() + kLimitMs;
        while (FReceived.find(step.Bytes) == std::string::npos && NowMs() < end) {
          if (!ReadSome(fd, FReceived, static_cast<int>(end - NowMs()))) break;
        }
        break;
      }
      case PeerStep::ReadToEof: {
        const std::int64_t end = NowMs() + kLimitMs;
        while (NowMs() < end && ReadSome(fd, FReceived, static_cast<int>(end - NowMs()))) {
        }
        break;
      }
      case PeerStep::Hold: {
        const std::int64_t end = NowMs() + step.Ms;
        while (NowMs() < end) {
          if (!ReadSome(fd, FReceived, static_cast<int>(end - NowMs()))) {
            if (NowMs() < end) std::this_thread::sleep_for(std::chrono::milliseconds(5));
          }
        }
        break;
      }
      case PeerStep::Reset: {
        linger li{1, 0};
        ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &li, sizeof li);
        ::close(fd);
        return;
      }
    }
  }
  ::close(fd);
}

std::u16string U16(const std::string& ascii) { return std::u16string(ascii.begin(), ascii.end()); }

}  // namespace tav::test
