#pragma once
// Child processes of the test fixtures: servers on free loopback ports (nginx,
// tinyproxy, dante, openssl s_server) and programs run to their end (openssl
// commands). Every child is killed when the test program ends, even when that
// is killed before its destructors run, so no server outlives a test run.
#include <sys/types.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "loopback_port.h"  // the servers started here listen on a free loopback port

namespace tav::test {

struct ChildOptions {
  // Standard output and error go to this file (made when missing); empty
  // sends them to /dev/null.
  std::string OutputFile;
  // Adds to OutputFile instead of emptying it first.
  bool AppendOutput = false;
  // A pipe to standard input (WriteInput, CloseInput); without it standard
  // input is /dev/null.
  bool Input = false;
  // Puts the child in a process group of its own, so that Stop reaches every
  // process it starts too. A watcher process then kills the group when the
  // test program ends: the workers a server forks, and a server that changes
  // its user (which clears the death signal), do not die with it otherwise.
  bool OwnGroup = false;
  // How long Stop waits for the end after SIGTERM before it sends SIGKILL.
  int StopLimitMs = 3000;
};

// Started by the constructor, stopped by the destructor. The child gets
// SIGKILL when the thread that made it ends, so make servers on the thread of
// the test.
class ChildProcess {
 public:
  // argv[0] is looked up in PATH when it has no slash.
  ChildProcess(const std::vector<std::string>& argv, ChildOptions options);
  // With an input pipe, and standard output and error to `outputFile`.
  ChildProcess(const std::vector<std::string>& argv, const std::string& outputFile);
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // True from a successful start until the end is seen (Running, WaitForExit)
  // or Stop.
  bool Started() const { return FPid > 0; }
  bool Running();
  void WriteInput(const std::string& bytes);
  void CloseInput();
  // What the child wrote to its output file so far.
  std::string Output() const;
  // Waits up to timeoutMs until the output contains `text`.
  bool WaitForOutput(const std::string& text, int timeoutMs = 5000);
  // Waits up to timeoutMs for the process to end by itself.
  bool WaitForExit(int timeoutMs);
  // The exit code once the process has ended by itself (-1 otherwise).
  int ExitCode() const { return FExitCode; }
  // SIGTERM, then SIGKILL when the child (or its group) is still there after
  // the stop limit. Idempotent.
  void Stop();

 private:
  void Signal(int signal) const;
  bool WaitGroupGone(int timeoutMs) const;
  void WatchGroup();
  void StopWatcher();

  ChildOptions FOptions;
  pid_t FPid = -1;
  pid_t FGroup = -1;  // the child's own process group while it may have members
  pid_t FWatcher = -1;
  int FWatch = -1;  // the watcher ends the group when this pipe closes
  int FExitCode = -1;
  int FInput = -1;
};

// Runs a program to its end; returns its exit code (-1 when it could not be
// run) and its standard output and error in `output`.
int RunProgram(const std::vector<std::string>& argv, std::string* output = nullptr);

enum class ListenWait {
  Accepting,  // 127.0.0.1:port took a connection
  Ended,      // the child ended first (often: the port was taken meanwhile)
  TimedOut,
};
// Waits up to limitMs until a server child accepts connections on port.
ListenWait WaitUntilAccepting(ChildProcess& child, int port, int limitMs);

// Starts a server child on a free loopback port and waits up to limitMs until
// it accepts connections there. `command` is given the port; it writes the
// server's configuration and returns its command line. When the server ends
// or does not listen in time (most likely the port was taken meanwhile) it is
// stopped and started again on another port, `attempts` times in all.
// Returns the running child, or null.
std::unique_ptr<ChildProcess> StartServerOnFreePort(const std::function<std::vector<std::string>(int port)>& command,
                                                    const ChildOptions& options, int attempts, int limitMs);

}  // namespace tav::test
