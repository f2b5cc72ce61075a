#include "dante_server.h"

#include <sys/stat.h>
#include <unistd.h>

#include <stdexcept>
#include <vector>

#include "scripted_server.h"

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

}  // namespace

bool DanteServer::Installed() { return ::access(kDanted, X_OK) == 0; }

DanteServer::DanteServer(Method method) { Start(method); }

DanteServer::~DanteServer() { Stop(); }

std::u16string DanteServer::PortText() const { return U16(std::to_string(FPort)); }

std::string DanteServer::LogTail() const {
  std::string log = ReadFile(FFolder->File("danted.log")) + ReadFile(FFolder->File("danted.out"));
  if (log.size() > 800) log = log.substr(log.size() - 800);
  return log;
}

void DanteServer::Start(Method method) {
  try {
    FFolder = std::make_unique<TempFolder>("tav-dante");
  } catch (const std::runtime_error&) {
    FError = "cannot make a temporary folder";
    return;
  }
  const std::string dir = FFolder->Path();
  // The server drops to an unprivileged user for its workers.
  ::chmod(dir.c_str(), 0755);
  FPort = FreeLoopbackPort();

  const bool root = ::geteuid() == 0;
  std::string conf;
  conf += "logoutput: " + FFolder->File("danted.log") + "\n";
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
  const std::string confPath = FFolder->File("danted.conf");
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
    WriteFile(FFolder->File("passwd"), passwd + user + ":x:64999:64999::/nonexistent:/usr/sbin/nologin\n");
    WriteFile(FFolder->File("shadow"), shadow + user + ":" + kPasswordHash + ":19000:0:99999:7:::\n");
    const std::string script = "mount --bind " + dir + "/passwd /etc/passwd && mount --bind " + dir +
                               "/shadow /etc/shadow && exec " + kDanted + " -f " + confPath;
    args = {kUnshare, "--mount", "--propagation", "private", "/bin/sh", "-c", script};
  } else {
    args = {kDanted, "-f", confPath};
  }

  ChildOptions options;
  options.OutputFile = FFolder->File("danted.out");
  // Its own process group, so that stopping reaches every worker it forks.
  options.OwnGroup = true;
  options.StopLimitMs = kStopLimitMs;
  FChild = std::make_unique<ChildProcess>(args, options);
  if (!FChild->Started()) {
    FError = "cannot start " + args[0];
    return;
  }

  switch (WaitUntilAccepting(*FChild, FPort, kStartLimitMs)) {
    case ListenWait::Accepting:
      return;
    case ListenWait::Ended: {
      FError = "danted ended at start:\n" + LogTail();
      // unshare or mount refused: no private mount namespace here.
      const std::string out = FChild->Output();
      if (method == UserPass && (out.find("unshare") != std::string::npos ||
                                 out.find("mount") != std::string::npos)) {
        FUnsupported = true;
      }
      break;
    }
    case ListenWait::TimedOut:
      FError = "danted did not start listening:\n" + LogTail();
      break;
  }
  Stop();
}

void DanteServer::Stop() {
  FChild.reset();
  FFolder.reset();
}

}  // namespace tav::test
