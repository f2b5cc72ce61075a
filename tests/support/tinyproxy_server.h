#pragma once
// A real HTTP proxy for the engine tests: Debian's tinyproxy, run in the
// foreground on a free 127.0.0.1 port with its own configuration, log and pid
// file in a temporary folder; stopped and removed by the destructor. It takes
// clients from 127.0.0.1 only and has no upstream proxy.
#include <memory>
#include <string>
#include <vector>

#include "child_process.h"
#include "temp_folder.h"

namespace tav::test {

struct TinyproxyOptions {
  // Ports a CONNECT may reach; none means tinyproxy's own default (any port).
  std::vector<int> ConnectPorts;
  // Basic proxy authentication for this one user when User is not empty.
  std::string User;
  std::string Password;
};

class TinyproxyServer {
 public:
  static constexpr const char* kBinary = "/usr/bin/tinyproxy";
  // True when the tinyproxy binary is present and executable.
  static bool Available();

  explicit TinyproxyServer(TinyproxyOptions options = {});
  ~TinyproxyServer();
  TinyproxyServer(const TinyproxyServer&) = delete;
  TinyproxyServer& operator=(const TinyproxyServer&) = delete;

  // Writes the configuration and starts tinyproxy; waits until it accepts
  // connections. On failure returns false with a reason in `error`.
  bool Start(std::string* error = nullptr);
  void Stop();
  bool Running() const { return FChild && FChild->Started(); }

  int Port() const { return FPort; }
  std::u16string PortText() const;
  const std::string& Folder() const { return FFolder.Path(); }
  // The proxy's log file (log level Connect: one "Request" line per request).
  std::string Log() const;
  // The request lines the proxy received, in order, as written to its log:
  // "<method> <uri> <version>".
  std::vector<std::string> Requests() const;

 private:
  std::string Config() const;

  TinyproxyOptions FOptions;
  TempFolder FFolder{"tav-tinyproxy"};
  int FPort = 0;
  std::unique_ptr<ChildProcess> FChild;
};

}  // namespace tav::test
