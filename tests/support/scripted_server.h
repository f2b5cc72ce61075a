#pragma once
// A loopback TCP server for tests that answers each connection from a script.
// A script is a list of steps (send bytes, pause, read a request, read until a
// marker or to the end, hold, reset); HTTP-style scripts are written as
// exchanges instead: read one request (head up to the blank line plus a
// Content-Length body, recorded), then send chunks with optional pauses. After
// the steps the server closes, holds the connection, or sends a pattern
// without end. ScriptedPeer is the one-connection form the socket tests use.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tav::test {

struct PeerStep {
  enum Kind {
    Send,         // send Bytes
    Pause,        // sleep Ms
    ReadRequest,  // read one HTTP request (head and Content-Length body) and record it
    ReadUntil,    // read until everything read so far contains Bytes (or EOF / 5 s)
    ReadToEof,    // read until the client closes its side (or 5 s)
    Hold,         // keep the connection open for Ms, reading what comes
    Reset,        // abortive close (RST), ends the script
  };
  Kind What = Send;
  std::string Bytes;
  int Ms = 0;
};

inline PeerStep SendStep(std::string bytes) { return {PeerStep::Send, std::move(bytes), 0}; }
inline PeerStep PauseStep(int ms) { return {PeerStep::Pause, {}, ms}; }
inline PeerStep ReadUntilStep(std::string marker) { return {PeerStep::ReadUntil, std::move(marker), 0}; }
inline PeerStep ReadToEofStep() { return {PeerStep::ReadToEof, {}, 0}; }
inline PeerStep HoldStep(int ms) { return {PeerStep::Hold, {}, ms}; }
inline PeerStep ResetStep() { return {PeerStep::Reset, {}, 0}; }

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
  Close,     // end the sending side, let the client finish, then close
  Hold,      // keep it open (reading and discarding) until the client closes or the server stops
  CloseNow,  // close at once; input the script did not read turns it into a reset
};

struct ConnectionScript {
  std::vector<ScriptExchange> Exchanges;
  // Played after the exchanges.
  std::vector<PeerStep> Steps;
  // After the last exchange's reply: send this pattern again and again until
  // the client stops reading or closes, or the server stops. Empty: none.
  std::string Endless;
  ScriptEnd End = ScriptEnd::Close;

  // The common case: read one request, send `reply` in one piece, close.
  static ConnectionScript Reply(std::string reply, ScriptEnd end = ScriptEnd::Close);
  // Read one request, send the chunks, close.
  static ConnectionScript Chunks(std::vector<ScriptChunk> chunks, ScriptEnd end = ScriptEnd::Close);
  // Play the steps, then close at once.
  static ConnectionScript Play(std::vector<PeerStep> steps);
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
  // Waits until connection `number` (0-based) has been accepted and its
  // script has ended, or until none was accepted within acceptTimeoutMs;
  // returns every byte its steps read ("" without a connection).
  std::string WaitForConnectionEnd(int number, int acceptTimeoutMs = 5000) const;
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
  // Reads what arrives within ms into `into`; false at EOF, error, time-out
  // or stop.
  bool ReadSome(int fd, std::string& into, int ms) const;
  // Plays one step; false when the connection is over (closed, reset, or the
  // server stops).
  bool PlayStep(int fd, int number, const PeerStep& step, std::string& pending, std::string& received);
  void Finished(int number, std::string received);

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
  std::vector<int> FFinished;                   // connections whose script ended
  std::vector<std::string> FReceivedBySteps;    // by connection number
  std::vector<std::thread> FWorkers;
  std::thread FAcceptor;
};

// One connection played from steps on a free loopback port: the peer of the
// socket tests.
class ScriptedPeer {
 public:
  explicit ScriptedPeer(std::vector<PeerStep> script) : FServer({ConnectionScript::Play(std::move(script))}) {}

  int Port() const { return FServer.Port(); }
  std::u16string PortText() const;
  // Waits for the script to end; returns everything the peer read.
  std::string Join() const { return FServer.WaitForConnectionEnd(0); }
  bool Accepted() const { return FServer.Connections() > 0; }

 private:
  ScriptedServer FServer;
};

std::u16string U16(const std::string& ascii);

}  // namespace tav::test
