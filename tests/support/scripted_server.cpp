#include "scripted_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <stdexcept>

namespace tav::test {

namespace {

std::string Lower(std::string s) {
  for (auto& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

// Content-Length of a request head; 0 when absent or unreadable.
std::size_t ContentLengthOf(const std::string& head) {
  const std::string lower = Lower(head);
  std::size_t at = lower.find("\r\ncontent-length:");
  if (at == std::string::npos) return 0;
  at += 17;
  std::size_t value = 0;
  while (at < lower.size() && lower[at] == ' ') ++at;
  while (at < lower.size() && lower[at] >= '0' && lower[at] <= '9') {
    value = value * 10 + static_cast<std::size_t>(lower[at] - '0');
    ++at;
  }
  return value;
}

void SetNonBlocking(int fd) { fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK); }

}  // namespace

ConnectionScript ConnectionScript::Reply(std::string reply, ScriptEnd end) {
  return Chunks({ScriptChunk{std::move(reply), 0}}, end);
}

ConnectionScript ConnectionScript::Chunks(std::vector<ScriptChunk> chunks, ScriptEnd end) {
  ConnectionScript script;
  script.Exchanges.push_back(ScriptExchange{true, std::move(chunks)});
  script.End = end;
  return script;
}

ConnectionScript ConnectionScript::Play(std::vector<PeerStep> steps) {
  ConnectionScript script;
  script.Steps = std::move(steps);
  script.End = ScriptEnd::CloseNow;
  return script;
}

ScriptedServer::ScriptedServer() : ScriptedServer(std::vector<ConnectionScript>{}) {}

ScriptedServer::ScriptedServer(std::vector<ConnectionScript> scripts) : FScripts(std::move(scripts)) {
  if (pipe2(FWake, O_CLOEXEC | O_NONBLOCK) != 0) throw std::runtime_error("pipe2 failed");
  FListen = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (FListen < 0) throw std::runtime_error("socket failed");
  const int one = 1;
  setsockopt(FListen, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = 0;
  if (bind(FListen, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || listen(FListen, 16) != 0)
    throw std::runtime_error("bind/listen failed");
  socklen_t len = sizeof addr;
  getsockname(FListen, reinterpret_cast<sockaddr*>(&addr), &len);
  FPort = ntohs(addr.sin_port);
  FAcceptor = std::thread([this] { AcceptLoop(); });
}

ScriptedServer::~ScriptedServer() { Stop(); }

std::string ScriptedServer::Url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(FPort) + path;
}

void ScriptedServer::AddScript(ConnectionScript script) {
  std::lock_guard<std::mutex> lock(FMutex);
  FScripts.push_back(std::move(script));
}

void ScriptedServer::SetFallback(ConnectionScript script) {
  std::lock_guard<std::mutex> lock(FMutex);
  FFallback = std::move(script);
  FHasFallback = true;
}

std::vector<RecordedRequest> ScriptedServer::Requests() const {
  std::lock_guard<std::mutex> lock(FMutex);
  return FRequests;
}

bool ScriptedServer::WaitForRequests(std::size_t count, int timeoutMs) const {
  std::unique_lock<std::mutex> lock(FMutex);
  return FChanged.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                           [&] { return FRequests.size() >= count; });
}

void ScriptedServer::Stop() {
  if (FStopping.exchange(true)) return;
  const char byte = 1;
  [[maybe_unused]] const auto n = write(FWake[1], &byte, 1);
  if (FAcceptor.joinable()) FAcceptor.join();
  std::vector<std::thread> workers;
  {
    std::lock_guard<std::mutex> lock(FMutex);
    workers.swap(FWorkers);
  }
  for (auto& t : workers) t.join();
  close(FListen);
  close(FWake[0]);
  close(FWake[1]);
}

bool ScriptedServer::WaitFd(int fd, short events, int timeoutMs) const {
  pollfd fds[2] = {{fd, events, 0}, {FWake[0], POLLIN, 0}};
  for (;;) {
    if (FStopping.load()) return false;
    const int r = poll(fds, 2, timeoutMs);
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) return false;
    if (fds[1].revents != 0) return false;
    return fds[0].revents != 0;
  }
}

bool ScriptedServer::SleepUnlessStopped(int ms) const {
  if (ms <= 0) return !FStopping.load();
  pollfd fd{FWake[0], POLLIN, 0};
  poll(&fd, 1, ms);
  return !FStopping.load();
}

void ScriptedServer::AcceptLoop() {
  int number = 0;
  while (WaitFd(FListen, POLLIN, -1)) {
    const int fd = accept4(FListen, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;
    SetNonBlocking(fd);
    std::lock_guard<std::mutex> lock(FMutex);
    FConnections.fetch_add(1);
    FChanged.notify_all();
    FWorkers.emplace_back([this, fd, number] { Serve(fd, number); });
    ++number;
  }
}

bool ScriptedServer::ReadRequest(int fd, std::string& pending, std::string& request) const {
  char buffer[65536];
  std::size_t headEnd;
  while ((headEnd = pending.find("\r\n\r\n")) == std::string::npos) {
    if (!WaitFd(fd, POLLIN, -1)) return false;
    const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
    if (n <= 0) return false;
    pending.append(buffer, static_cast<std::size_t>(n));
  }
  const std::size_t total = headEnd + 4 + ContentLengthOf(pending.substr(0, headEnd + 4));
  while (pending.size() < total) {
    if (!WaitFd(fd, POLLIN, -1)) return false;
    const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
    if (n <= 0) return false;
    pending.append(buffer, static_cast<std::size_t>(n));
  }
  request = pending.substr(0, total);
  pending.erase(0, total);
  return true;
}

bool ScriptedServer::SendAll(int fd, const std::string& bytes) const {
  std::size_t sent = 0;
  while (sent < bytes.size()) {
    const ssize_t n = send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n > 0) {
      sent += static_cast<std::size_t>(n);
      continue;
    }
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
      if (!WaitFd(fd, POLLOUT, -1)) return false;
      continue;
    }
    return false;
  }
  return true;
}

bool ScriptedServer::ReadSome(int fd, std::string& into, int ms) const {
  if (!WaitFd(fd, POLLIN, ms)) return false;
  char buffer[4096];
  const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
  if (n < 0 && (errno == EAGAIN || errno == EINTR)) return true;
  if (n <= 0) return false;
  into.append(buffer, static_cast<std::size_t>(n));
  return true;
}

bool ScriptedServer::PlayStep(int fd, int number, const PeerStep& step, std::string& pending,
                              std::string& received) {
  // Reads that wait for the client give up after this long.
  constexpr auto kReadLimit = std::chrono::milliseconds(5000);
  using Clock = std::chrono::steady_clock;
  const auto msLeft = [](Clock::time_point end) {
    return static_cast<int>(std::max<std::int64_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count(), 0));
  };
  switch (step.What) {
    case PeerStep::Send:
      return SendAll(fd, step.Bytes);
    case PeerStep::Pause:
      return SleepUnlessStopped(step.Ms);
    case PeerStep::ReadRequest: {
      std::string request;
      if (!ReadRequest(fd, pending, request)) return false;
      std::lock_guard<std::mutex> lock(FMutex);
      FRequests.push_back(RecordedRequest{number, std::move(request)});
      FChanged.notify_all();
      return true;
    }
    case PeerStep::ReadUntil: {
      const auto end = Clock::now() + kReadLimit;
      while (received.find(step.Bytes) == std::string::npos && msLeft(end) > 0) {
        if (!ReadSome(fd, received, msLeft(end))) break;
      }
      return !FStopping.load();
    }
    case PeerStep::ReadToEof: {
      const auto end = Clock::now() + kReadLimit;
      while (msLeft(end) > 0 && ReadSome(fd, received, msLeft(end))) {
      }
      return !FStopping.load();
    }
    case PeerStep::Hold: {
      // Open for the whole time, also after the client closed its side.
      const auto end = Clock::now() + std::chrono::milliseconds(step.Ms);
      while (msLeft(end) > 0) {
        if (!ReadSome(fd, received, msLeft(end)) && !SleepUnlessStopped(msLeft(end))) return false;
      }
      return !FStopping.load();
    }
    case PeerStep::Reset: {
      linger li{1, 0};
      setsockopt(fd, SOL_SOCKET, SO_LINGER, &li, sizeof li);
      return false;
    }
  }
  return false;
}

void ScriptedServer::Serve(int fd, int number) {
  ConnectionScript script;
  bool have = false;
  {
    std::lock_guard<std::mutex> lock(FMutex);
    if (FNextScript < FScripts.size()) {
      script = FScripts[FNextScript++];
      have = true;
    } else if (FHasFallback) {
      script = FFallback;
      have = true;
    }
  }
  // Exchanges are steps too: read the request, then pause and send each chunk.
  std::vector<PeerStep> steps;
  for (const auto& exchange : script.Exchanges) {
    if (exchange.ReadRequest) steps.push_back({PeerStep::ReadRequest, {}, 0});
    for (const auto& chunk : exchange.Reply) {
      if (chunk.PauseBeforeMs > 0) steps.push_back(PauseStep(chunk.PauseBeforeMs));
      steps.push_back(SendStep(chunk.Bytes));
    }
  }
  steps.insert(steps.end(), script.Steps.begin(), script.Steps.end());

  bool alive = have;
  std::string pending;   // bytes read ahead of the next request
  std::string received;  // bytes read by the other reading steps
  for (const auto& step : steps) {
    if (!alive) break;
    alive = PlayStep(fd, number, step, pending, received);
  }
  if (alive && !script.Endless.empty()) {
    while (SendAll(fd, script.Endless))
      FEndlessBytes.fetch_add(static_cast<std::int64_t>(script.Endless.size()));
    alive = false;
  }
  if (alive && script.End != ScriptEnd::CloseNow) {
    // Close: end the sending side first and let the client finish, so that
    // unread input does not turn the close into a reset. Hold: wait for the
    // client to close.
    if (script.End == ScriptEnd::Close) shutdown(fd, SHUT_WR);
    const int limitMs = script.End == ScriptEnd::Close ? 2000 : -1;
    const auto start = std::chrono::steady_clock::now();
    char buffer[4096];
    for (;;) {
      int left = -1;
      if (limitMs >= 0) {
        const auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(
                               std::chrono::steady_clock::now() - start)
                               .count();
        left = limitMs - static_cast<int>(spent);
        if (left <= 0) break;
      }
      if (!WaitFd(fd, POLLIN, left)) break;
      const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
      if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
      if (n <= 0) break;
    }
  }
  close(fd);
  Finished(number, std::move(received));
}

void ScriptedServer::Finished(int number, std::string received) {
  std::lock_guard<std::mutex> lock(FMutex);
  if (FReceivedBySteps.size() <= static_cast<std::size_t>(number))
    FReceivedBySteps.resize(static_cast<std::size_t>(number) + 1);
  FReceivedBySteps[static_cast<std::size_t>(number)] = std::move(received);
  FFinished.push_back(number);
  FChanged.notify_all();
}

std::string ScriptedServer::WaitForConnectionEnd(int number, int acceptTimeoutMs) const {
  std::unique_lock<std::mutex> lock(FMutex);
  if (!FChanged.wait_for(lock, std::chrono::milliseconds(acceptTimeoutMs),
                         [&] { return FConnections.load() > number; }))
    return {};
  FChanged.wait(lock, [&] {
    return std::find(FFinished.begin(), FFinished.end(), number) != FFinished.end();
  });
  return FReceivedBySteps[static_cast<std::size_t>(number)];
}

std::u16string ScriptedPeer::PortText() const { return U16(std::to_string(Port())); }

std::u16string U16(const std::string& ascii) { return std::u16string(ascii.begin(), ascii.end()); }

}  // namespace tav::test
