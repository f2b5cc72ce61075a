#include "tinyproxy_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "nginx_server.h"

namespace tav::test {

namespace fs = std::filesystem;

namespace {

constexpr int kStartLimitMs = 5000;
constexpr int kStopLimitMs = 3000;

std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

bool CanConnect(int port) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = htons(static_cast<std::uint16_t>(port));
  const bool ok = connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
  close(fd);
  return ok;
}

// Waits for the child to end; false when it still runs at the limit.
bool WaitExit(pid_t pid, int limitMs) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
  while (std::chrono::steady_clock::now() < end) {
    int status = 0;
    const pid_t r = waitpid(pid, &status, WNOHANG);
    if (r == pid || r < 0) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return false;
}

}  // namespace

bool TinyproxyServer::Available() { return access(kBinary, X_OK) == 0; }

TinyproxyServer::TinyproxyServer(TinyproxyOptions options) : FOptions(std::move(options)) {
  std::string pattern = (fs::temp_directory_path() / "tav-tinyproxy-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  FFolder = pattern;
}

TinyproxyServer::~TinyproxyServer() {
  Stop();
  std::error_code ignored;
  fs::remove_all(FFolder, ignored);
}

std::u16string TinyproxyServer::PortText() const {
  const std::string digits = std::to_string(FPort);
  return std::u16string(digits.begin(), digits.end());
}

std::string TinyproxyServer::Config() const {
  std::ostringstream c;
  c << "Port " << FPort << "\n"
    << "Listen 127.0.0.1\n"
    << "Allow 127.0.0.1\n"
    << "Timeout 30\n"
    << "MaxClients 16\n"
    << "LogFile \"" << FFolder << "/tinyproxy.log\"\n"
    << "PidFile \"" << FFolder << "/tinyproxy.pid\"\n"
    << "LogLevel Info\n";
  for (int port : FOptions.ConnectPorts) c << "ConnectPort " << port << "\n";
  // Running as root needs no User/Group here: tinyproxy 1.11 only warns and
  // stays with the current user, which keeps the log in our folder writable.
  if (!FOptions.User.empty()) c << "BasicAuth " << FOptions.User << " " << FOptions.Password << "\n";
  return c.str();
}

bool TinyproxyServer::Start(std::string* error) {
  if (!Available()) {
    if (error) *error = "tinyproxy not installed";
    return false;
  }
  const std::string conf = FFolder + "/tinyproxy.conf";
  const std::string out = FFolder + "/tinyproxy.out";
  for (int attempt = 0; attempt < 3; ++attempt) {
    FPort = FreeLoopbackPort();
    {
      std::ofstream file(conf, std::ios::trunc);
      file << Config();
    }
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid < 0) break;
    if (pid == 0) {
      // Ends with the test program even when that is killed before its
      // destructors run.
      prctl(PR_SET_PDEATHSIG, SIGTERM);
      if (getppid() != parent) _exit(127);
      const int null = open("/dev/null", O_RDONLY);
      const int log = open(out.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
      if (null >= 0) dup2(null, 0);
      if (log >= 0) {
        dup2(log, 1);
        dup2(log, 2);
      }
      execl(kBinary, kBinary, "-d", "-c", conf.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    FPid = pid;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kStartLimitMs);
    while (std::chrono::steady_clock::now() < deadline) {
      int status = 0;
      if (waitpid(FPid, &status, WNOHANG) == FPid) {
        FPid = -1;  // ended: most likely the port was taken meanwhile
        break;
      }
      if (CanConnect(FPort)) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    Stop();
  }
  if (error) *error = "tinyproxy did not start:\n" + ReadWholeFile(out) + Log();
  return false;
}

void TinyproxyServer::Stop() {
  if (FPid <= 0) return;
  kill(FPid, SIGTERM);
  if (!WaitExit(FPid, kStopLimitMs)) {
    kill(FPid, SIGKILL);
    WaitExit(FPid, kStopLimitMs);
  }
  FPid = -1;
}

std::string TinyproxyServer::Log() const { return ReadWholeFile(FFolder + "/tinyproxy.log"); }

std::vector<std::string> TinyproxyServer::Requests() const {
  // Lines such as: CONNECT   Dec 10 02:32:29.207 [5282]: Request (file descriptor 5): GET http://h:1/ HTTP/1.0
  static const std::string kMarker = "]: Request (file descriptor ";
  std::vector<std::string> requests;
  std::istringstream in(Log());
  for (std::string line; std::getline(in, line);) {
    const std::size_t at = line.find(kMarker);
    if (at == std::string::npos) continue;
    const std::size_t colon = line.find("): ", at + kMarker.size());
    if (colon == std::string::npos) continue;
    requests.push_back(line.substr(colon + 3));
  }
  return requests;
}

}  // namespace tav::test
