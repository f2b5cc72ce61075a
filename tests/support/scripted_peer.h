#pragma once
// A loopback TCP peer for the socket tests: listens on a free 127.0.0.1 port,
// accepts one connection and plays a script of steps on it in its own thread
// (send bytes, pause, read until a marker, close, reset), recording every byte
// it reads. At the end of the script it closes the connection.
#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tav::test {

struct PeerStep {
  enum Kind {
    Send,       // send Bytes
    Pause,      // sleep Ms
    ReadUntil,  // read until the recorded bytes contain Bytes (or EOF / 5 s)
    ReadToEof,  // read until the client closes its side (or 5 s)
    Hold,       // keep the connection open for Ms, reading what comes
    Reset,      // abortive close (RST), ends the script
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

class ScriptedPeer {
 public:
  explicit ScriptedPeer(std::vector<PeerStep> script);
  ~ScriptedPeer();
  ScriptedPeer(const ScriptedPeer&) = delete;
  ScriptedPeer& operator=(const ScriptedPeer&) = delete;

  int Port() const { return FPort; }
  std::u16string PortText() const;
  // Waits for the script to end; returns everything the peer read.
  std::string Join();
  bool Accepted() const { return FAccepted.load(); }

 private:
  void Run();

  std::vector<PeerStep> FScript;
  int FListener = -1;
  int FPort = 0;
  std::atomic<bool> FAccepted{false};
  std::string FReceived;
  std::thread FThread;
};

std::u16string U16(const std::string& ascii);

}  // namespace tav::test
