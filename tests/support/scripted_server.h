#pragma once
// A loopback TCP server for tests that answers each connection from a script:
// it records what the client sent (request heads up to the blank line plus a
// Content-Length body), sends scripted byte chunks with optional pauses, and
// then closes, holds the connection, or sends a pattern without end.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tav::test {

struct ScriptChunk {
  std::string Bytes;
  int PauseBeforeMs = 0;
};

// One request/response turn on a connection.
struct ScriptExchange {
  // Read (and record) one request before answering; off for servers that
  // speak first or for answers that need no request.
  bool ReadRequest = true;
  std::vector<ScriptChunk> Reply;
};

enum class ScriptEnd {
  Close,  // close the connection after the last exchange
  Hold,   // keep it open (reading and discarding) until the client closes or the server stops
};

struct ConnectionScript {
  std::vector<ScriptExchange> Exchanges;
  // After the last exchange's reply: send this pattern again and again until
  // the client stops reading or closes, or the server stops. Empty: none.
  std::string Endless;
  ScriptEnd End = ScriptEnd::Close;

  // The common case: read one request, send `reply` in one piece, close.
  static ConnectionScript Reply(std::string reply, ScriptEnd end = ScriptEnd::Close);
  // Read one request, send the chunks, close.
  static ConnectionScript Chunks(std::vector<ScriptChunk> chunks, ScriptEnd end = ScriptEnd::Close);
};

struct RecordedRequest {
  int Connection = 0;  // 0-based number of the accepted connection
  std::string Bytes;   // head including the blank line, then any body
};

class ScriptedServer {
 public:
  // Listens on 127.0.0.1 at a free port and starts serving at once.
  ScriptedServer();
  explicit ScriptedServer(std::vector<ConnectionScript> scripts);
  ~ScriptedServer();
  ScriptedServer(const ScriptedServer&) = delete;
  ScriptedServer& operator=(const ScriptedServer&) = delete;

  int Port() const { return FPort; }
  // "http://127.0.0.1:PORT" followed by `path`.
  std::string Url(const std::string& path = "/") const;

  // Scripts are taken in order by the accepted connections; a connection with
  // no script left gets the fallback script, or is closed at once without one.
  void AddScript(ConnectionScript script);
  void SetFallback(ConnectionScript script);

  // Requests recorded so far, in arrival order.
  std::vector<RecordedRequest> Requests() const;
  // Waits (up to timeoutMs) until `count` requests were recorded.
  bool WaitForRequests(std::size_t count, int timeoutMs = 5000) const;
  int Connections() const { return FConnections.load(); }
  // Bytes sent by the endless patterns, all connections together.
  std::int64_t EndlessBytesSent() const { return FEndlessBytes.load(); }

  // Stops accepting, ends every connection and joins all threads. Idempotent;
  // the destructor calls it.
  void Stop();

 private:
  void AcceptLoop();
  void Serve(int fd, int number);
  // Waits until fd is ready for `events` or the server stops; false on stop
  // or time-out.
  bool WaitFd(int fd, short events, int timeoutMs) const;
  bool SleepUnlessStopped(int ms) const;
  bool ReadRequest(int fd, std::string& pending, std::string& request) const;
  bool SendAll(int fd, const std::string& bytes) const;

  int FListen = -1;
  int FWake[2] = {-1, -1};  // written once to wake every wait on stop
  int FPort = 0;
  std::atomic<bool> FStopping{false};
  std::atomic<int> FConnections{0};
  std::atomic<std::int64_t> FEndlessBytes{0};
  mutable std::mutex FMutex;
  mutable std::condition_variable FChanged;
  std::vector<ConnectionScript> FScripts;
  std::size_t FNextScript = 0;
  bool FHasFallback = false;
  ConnectionScript FFallback;
  std::vector<RecordedRequest> FRequests;
  std::vector<std::thread> FWorkers;
  std::thread FAcceptor;
};

}  // namespace tav::test
