#pragma once
// A real SOCKS proxy for the socket tests: Debian's dante server (danted),
// started on a free 127.0.0.1 port with its own configuration in a temporary
// folder, and stopped with every process it started when the object goes.
//
// With user/password authentication dante checks the system's user table. The
// server then runs in a private mount namespace where copies of the passwd
// and shadow files with one extra test user are mounted over the real ones,
// so nothing on the machine changes. That needs root and unshare(1).
#include <memory>
#include <string>

#include "child_process.h"
#include "temp_folder.h"

namespace tav::test {

class DanteServer {
 public:
  enum Method { NoAuth, UserPass };

  // The test user known to a UserPass server.
  static constexpr const char* kUser = "tavsocks";
  static constexpr const char* kPassword = "s3cret";

  static bool Installed();

  // Starts the server and waits until it accepts connections; on failure
  // Running() is false and Error() says why.
  explicit DanteServer(Method method);
  ~DanteServer();
  DanteServer(const DanteServer&) = delete;
  DanteServer& operator=(const DanteServer&) = delete;

  bool Running() const { return FChild && FChild->Started(); }
  // The machine cannot host the server in this mode (not root, no private
  // mount namespace); the test then skips.
  bool Unsupported() const { return FUnsupported; }
  const std::string& Error() const { return FError; }
  int Port() const { return FPort; }
  std::u16string PortText() const;

 private:
  void Start(Method method);
  void Stop();
  std::string LogTail() const;

  std::unique_ptr<TempFolder> FFolder;
  int FPort = 0;
  std::unique_ptr<ChildProcess> FChild;
  bool FUnsupported = false;
  std::string FError;
};

}  // namespace tav::test
