#include "child_process.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <thread>

#include "temp_folder.h"

namespace tav::test {

namespace {

using Clock = std::chrono::steady_clock;

sockaddr_in Loopback(int port) {
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = htons(static_cast<std::uint16_t>(port));
  return addr;
}

bool AcceptsConnections(int port) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  sockaddr_in addr = Loopback(port);
  const bool ok = connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
  close(fd);
  return ok;
}

}  // namespace

ChildProcess::ChildProcess(const std::vector<std::string>& argv, const std::string& outputFile)
    : ChildProcess(argv, [&] {
        ChildOptions options;
        options.OutputFile = outputFile;
        options.Input = true;
        return options;
      }()) {}

ChildProcess::ChildProcess(const std::vector<std::string>& argv, ChildOptions options)
    : FOptions(std::move(options)) {
  if (argv.empty()) return;
  // Standard input: a socket pair rather than a pipe, so that writing to a
  // child that has gone gives an error instead of SIGPIPE.
  int input[2] = {-1, -1};
  if (FOptions.Input) {
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, input) != 0) return;
  } else {
    input[0] = open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (input[0] < 0) return;
  }
  const std::string outPath = FOptions.OutputFile.empty() ? "/dev/null" : FOptions.OutputFile;
  const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | (FOptions.AppendOutput ? O_APPEND : O_TRUNC),
                       0600);
  if (out < 0) {
    for (int fd : input)
      if (fd >= 0) close(fd);
    return;
  }
  // Everything the child needs is made before fork: between fork and exec a
  // child of a threaded program may only make plain system calls.
  std::vector<char*> args;
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  const bool ownGroup = FOptions.OwnGroup;
  const pid_t parent = getpid();
  const pid_t pid = fork();
  if (pid == 0) {
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) _exit(127);  // the test program ended before prctl
    if (ownGroup) setpgid(0, 0);
    dup2(input[0], 0);
    dup2(out, 1);
    dup2(out, 2);
    execvp(args[0], args.data());
    _exit(127);
  }
  close(input[0]);
  close(out);
  if (pid < 0) {
    if (input[1] >= 0) close(input[1]);
    return;
  }
  // Also set here, so that a stop right after the start reaches the group.
  if (ownGroup) setpgid(pid, pid);
  FPid = pid;
  FGroup = ownGroup ? pid : -1;
  FInput = input[1];
  if (ownGroup) WatchGroup();
}

void ChildProcess::WatchGroup() {
  int watch[2];
  if (pipe2(watch, O_CLOEXEC) != 0) return;
  const pid_t group = FGroup;
  const pid_t watcher = fork();
  if (watcher == 0) {
    // Waits for the end of file that comes when the test program has gone
    // (Stop kills the watcher first). Other descriptors are closed so that
    // the watcher keeps no other pipe or socket open.
    if (watch[0] > 0) close_range(0, static_cast<unsigned>(watch[0]) - 1, 0);
    close_range(static_cast<unsigned>(watch[0]) + 1, ~0u, 0);
    char byte;
    while (read(watch[0], &byte, 1) < 0 && errno == EINTR) {
    }
    kill(-group, SIGKILL);
    _exit(0);
  }
  close(watch[0]);
  if (watcher < 0) {
    close(watch[1]);
    return;
  }
  FWatcher = watcher;
  FWatch = watch[1];
}

void ChildProcess::StopWatcher() {
  if (FWatcher > 0) {
    kill(FWatcher, SIGKILL);
    waitpid(FWatcher, nullptr, 0);
    FWatcher = -1;
  }
  if (FWatch >= 0) close(FWatch);
  FWatch = -1;
}

ChildProcess::~ChildProcess() { Stop(); }

bool ChildProcess::Running() {
  if (FPid <= 0) return false;
  int status = 0;
  const pid_t r = waitpid(FPid, &status, WNOHANG);
  if (r == 0 || (r < 0 && errno == EINTR)) return true;
  if (r == FPid) FExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  FPid = -1;  // ended, or no longer ours to wait for
  return false;
}

void ChildProcess::WriteInput(const std::string& bytes) {
  if (FInput < 0) return;
  std::size_t sent = 0;
  while (sent < bytes.size()) {
    const ssize_t n = send(FInput, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) return;
    sent += static_cast<std::size_t>(n);
  }
}

void ChildProcess::CloseInput() {
  if (FInput >= 0) close(FInput);
  FInput = -1;
}

std::string ChildProcess::Output() const {
  return FOptions.OutputFile.empty() ? std::string() : ReadFile(FOptions.OutputFile);
}

bool ChildProcess::WaitForOutput(const std::string& text, int timeoutMs) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    if (Output().find(text) != std::string::npos) return true;
    if (Clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

bool ChildProcess::WaitForExit(int timeoutMs) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  while (Running()) {
    if (Clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

void ChildProcess::Signal(int signal) const {
  // The group holds the child and the processes it started, nothing else.
  if (FGroup > 0)
    kill(-FGroup, signal);
  else if (FPid > 0)
    kill(FPid, signal);
}

bool ChildProcess::WaitGroupGone(int timeoutMs) const {
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!(kill(-FGroup, 0) != 0 && errno == ESRCH)) {
    if (Clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

void ChildProcess::Stop() {
  CloseInput();
  StopWatcher();
  if (FPid <= 0 && FGroup <= 0) return;
  Signal(SIGTERM);
  if (!WaitForExit(FOptions.StopLimitMs)) {
    Signal(SIGKILL);
    WaitForExit(FOptions.StopLimitMs);
  }
  if (FGroup > 0 && !WaitGroupGone(FOptions.StopLimitMs)) {
    kill(-FGroup, SIGKILL);
    WaitGroupGone(FOptions.StopLimitMs);
  }
  FPid = -1;
  FGroup = -1;
}

int RunProgram(const std::vector<std::string>& argv, std::string* output) {
  TempFolder folder("tav-run");
  ChildProcess child(argv, folder.File("output"));
  if (!child.Started()) return -1;
  child.CloseInput();
  // The programs run here (openssl commands) end within seconds.
  const bool ended = child.WaitForExit(30000);
  if (output != nullptr) *output = child.Output();
  return ended ? child.ExitCode() : -1;
}

ListenWait WaitUntilAccepting(ChildProcess& child, int port, int limitMs) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(limitMs);
  for (;;) {
    if (!child.Running()) return ListenWait::Ended;
    if (AcceptsConnections(port)) return ListenWait::Accepting;
    if (Clock::now() > deadline) return ListenWait::TimedOut;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

std::unique_ptr<ChildProcess> StartServerOnFreePort(const std::function<std::vector<std::string>(int port)>& command,
                                                    const ChildOptions& options, int attempts, int limitMs) {
  for (int attempt = 0; attempt < attempts; ++attempt) {
    const int port = FreeLoopbackPort();
    auto child = std::make_unique<ChildProcess>(command(port), options);
    if (!child->Started()) break;
    if (WaitUntilAccepting(*child, port, limitMs) == ListenWait::Accepting) return child;
  }
  return nullptr;
}

}  // namespace tav::test
