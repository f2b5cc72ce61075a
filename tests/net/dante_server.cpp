#include "dante_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

#include "scripted_peer.h"

extern char** environ;

namespace tav::test {

namespace {

constexpr const char* kDanted = "/usr/sbin/danted";
constexpr const char* kUnshare = "/usr/bin/unshare";
// SHA-512 crypt of kPassword.
constexpr const char* kPasswordHash =
    "$6$tavrenic$ptUJ7VV6PI/WpAUbNlIsxjuvVYqmUu.vVMG1aPeGHVcNGmVj96bOHbj9eD4shju5ihI8LcEiQFW."
    "VZ7OOvRo4/";
constexpr int kStartLimitMs = 5000;
constexpr int kStopLimitMs = 3000;

bool CanConnect(int port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = htons(static_cast<std::uint16_t>(port));
  const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
  ::close(fd);
  return ok;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

bool WriteFile(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  return static_cast<bool>(out);
}

// Waits for the process to end; false when it is still running at the limit.
bool WaitExit(pid_t pid, int limitMs) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
  while (std::chrono::steady_clock::now() < end) {
    const pid_t r = ::waitpid(pid, nullptr, WNOHANG);
    if (r == pid || (r < 0 && errno == ECHILD)) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

// Waits until no process of the group is left.
bool WaitGroupGone(pid_t group, int limitMs) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
  while (std::chrono::steady_clock::now() < end) {
    if (::kill(-group, 0) != 0 && errno == ESRCH) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

}  // namespace

bool DanteServer::Installed() { return ::access(kDanted, X_OK) == 0; }

DanteServer::DanteServer(Method method) { Start(method); }

DanteServer::~DanteServer() { Stop(); }

std::u16string DanteServer::PortText() const { return U16(std::to_string(FPort)); }

std::string DanteServer::LogTail() const {
  std::string log = ReadFile(FDir + "/danted.log") + ReadFile(FDir + "/danted.out");
  if (log.size() > 800) log = log.substr(log.size() - 800);
  return log;
}

void DanteServer::Start(Method method) {
  char pattern[] = "/tmp/tav-dante-XXXXXX";
  if (::mkdtemp(pattern) == nullptr) {
    FError = "cannot make a temporary folder";
    return;
  }
  FDir = pattern;
  // The server drops to an unprivileged user for its workers.
  ::chmod(FDir.c_str(), 0755);
  FPort = ClosedLoopbackPort();

  const bool root = ::geteuid() == 0;
  std::string conf;
  conf += "logoutput: " + FDir + "/danted.log\n";
  conf += "internal: 127.0.0.1 port = " + std::to_string(FPort) + "\n";
  conf += "external: lo\n";
  conf += "clientmethod: none\n";
  conf += method == UserPass ? "socksmethod: username\n" : "socksmethod: none\n";
  if (root) conf += "user.privileged: root\nuser.unprivileged: nobody\n";
  conf +=
      "client pass {\n  from: 127.0.0.0/8 to: 0.0.0.0/0\n  log: error\n}\n"
      "socks pass {\n  from: 127.0.0.0/8 to: 0.0.0.0/0\n"
      "  command: connect bind bindreply\n  log: error\n}\n"
      "socks pass {\n  from: 0.0.0.0/0 to: 127.0.0.0/8\n  command: bindreply\n  log: error\n}\n";
  const std::string confPath = FDir + "/danted.conf";
  if (!WriteFile(confPath, conf)) {
    FError = "cannot write the configuration";
    return;
  }

  std::vector<std::string> args;
  if (method == UserPass) {
    if (!root || ::access(kUnshare, X_OK) != 0) {
      FError = "user/password authentication needs root and unshare(1) for a private user table";
      FUnsupported = true;
      return;
    }
    const std::string passwd = ReadFile("/etc/passwd");
    const std::string shadow = ReadFile("/etc/shadow");
    if (passwd.empty() || shadow.empty()) {
      FError = "cannot read the system user table";
      return;
    }
    const std::string user = kUser;
    WriteFile(FDir + "/passwd", passwd + user + ":x:64999:64999::/nonexistent:/usr/sbin/nologin\n");
    WriteFile(FDir + "/shadow", shadow + user + ":" + kPasswordHash + ":19000:0:99999:7:::\n");
    const std::string script = "mount --bind " + FDir + "/passwd /etc/passwd && mount --bind " +
                               FDir + "/shadow /etc/shadow && exec " + kDanted + " -f " + confPath;
    args = {kUnshare, "--mount", "--propagation", "private", "/bin/sh", "-c", script};
  } else {
    args = {kDanted, "-f", confPath};
  }
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);

  const std::string outPath = FDir + "/danted.out";
  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attributes;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0644);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  posix_spawnattr_init(&attributes);
  // Its own process group, so that stopping reaches every worker it forks.
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
  posix_spawnattr_setpgroup(&attributes, 0);
  pid_t pid = -1;
  const int spawned = ::posix_spawn(&pid, argv[0], &actions, &attributes, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  if (spawned != 0) {
    FError = "cannot start " + args[0];
    return;
  }
  FPid = pid;

  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(kStartLimitMs);
  while (std::chrono::steady_clock::now() < end) {
    if (CanConnect(FPort)) return;
    if (::waitpid(FPid, nullptr, WNOHANG) == FPid) {
      FPid = -1;
      FError = "danted ended at start:\n" + LogTail();
      // unshare or mount refused: no private mount namespace here.
      const std::string out = ReadFile(FDir + "/danted.out");
      if (method == UserPass && (out.find("unshare") != std::string::npos ||
                                 out.find("mount") != std::string::npos)) {
        FUnsupported = true;
      }
      Stop();
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  FError = "danted did not start listening:\n" + LogTail();
  Stop();
}

void DanteServer::Stop() {
  if (FPid > 0) {
    // The group holds the server and the workers it forked, nothing else.
    ::kill(-FPid, SIGTERM);
    if (!WaitExit(FPid, kStopLimitMs)) {
      ::kill(-FPid, SIGKILL);
      WaitExit(FPid, kStopLimitMs);
    }
    if (!WaitGroupGone(FPid, kStopLimitMs)) {
      ::kill(-FPid, SIGKILL);
      WaitGroupGone(FPid, kStopLimitMs);
    }
    FPid = -1;
  }
  if (!FDir.empty()) {
    std::error_code ignored;
    std::filesystem::remove_all(FDir, ignored);
    FDir.clear();
  }
}

}  // namespace tav::test
