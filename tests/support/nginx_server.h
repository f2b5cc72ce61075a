#pragma once
// The real nginx on a free loopback port, with its own configuration, logs,
// temporary paths and document root inside a temporary folder; stopped and
// removed by the destructor.
#include <cstdint>
#include <memory>
#include <string>

#include "child_process.h"  // also FreeLoopbackPort, used by the tests
#include "temp_folder.h"

namespace tav::test {

struct NginxOptions {
  bool Gzip = true;              // gzip on for text types, from the first byte
  int KeepaliveTimeoutSec = 65;
  // Extra directives placed inside the server block (locations and such).
  std::string ServerExtra;
  // Appended to the listen directive after the address (for example " ssl").
  std::string ListenParameters;
};

class NginxServer {
 public:
  static constexpr const char* kBinary = "/usr/sbin/nginx";
  // True when the nginx binary is present and executable.
  static bool Available();

  explicit NginxServer(NginxOptions options = {});
  ~NginxServer();
  NginxServer(const NginxServer&) = delete;
  NginxServer& operator=(const NginxServer&) = delete;

  // Folder served as "/"; fill it before or after Start.
  const std::string& DocRoot() const { return FDocRoot; }
  // Writes a file below the document root (creating folders).
  void WriteFile(const std::string& relativePath, const std::string& bytes) const;
  // Writes a file of `size` bytes of a repeating, line-structured text pattern
  // without holding it in memory.
  void WritePatternFile(const std::string& relativePath, std::int64_t size) const;

  // Writes the configuration and starts nginx; waits until it accepts
  // connections. On failure returns false with a reason in `error`.
  bool Start(std::string* error = nullptr);
  void Stop();
  bool Running() const { return FChild && FChild->Started(); }

  int Port() const { return FPort; }
  std::string Url(const std::string& path = "/") const;
  const std::string& Folder() const { return FFolder.Path(); }
  // The access log: one line per request, "<connection serial> <request line>
  // <status> <bytes sent>".
  std::string AccessLog() const;
  std::string ErrorLog() const;

 private:
  std::string Config() const;

  NginxOptions FOptions;
  TempFolder FFolder{"tav-nginx"};
  std::string FDocRoot;
  int FPort = 0;
  std::unique_ptr<ChildProcess> FChild;
};

}  // namespace tav::test
