// The HTTP tunnel's reply reading fed arbitrary bytes by a peer that sends
// them and closes, checked against a plain model of the reply loop.
#include <cstddef>
#include <cstdint>
#include <string>

#include "net/tcp_block_socket.h"
#include "support/prefilled_peer.h"

namespace {

using tav::fuzz::Check;
using tav::fuzz::PeerThatSent;

class TunnelReader : public tav::TTCPBlockSocket {
 public:
  using TTCPBlockSocket::ReadHTTPTunnelReply;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  if (Size > 4096) return 0;
  const std::string bytes(reinterpret_cast<const char*>(Data), Size);

  // The model: lines end in LF; a line of at least 12 characters beginning
  // with "HTTP/" decides by its tenth character; an empty line (or a lone
  // CR) ends the head. Without that end the peer's close ends the read.
  bool tunnel = false;
  bool ended = false;
  std::size_t pos = 0;
  for (;;) {
    const std::size_t lf = bytes.find('\n', pos);
    if (lf == std::string::npos) break;
    const std::string line = bytes.substr(pos, lf - pos);
    pos = lf + 1;
    if (line.size() > 11 && line.compare(0, 5, "HTTP/") == 0) tunnel = line[9] == '2';
    if (line.empty() || line == "\r") {
      ended = true;
      break;
    }
  }

  const int fd = PeerThatSent(bytes);
  if (fd < 0) return 0;
  TunnelReader reader;
  reader.SetHTTPTunnelTimeout(100);
  reader.SetSocket(fd);
  reader.ReadHTTPTunnelReply();
  Check(reader.HTTPTunnel() == tunnel);
  if (ended) {
    Check(reader.LastError() == (tunnel ? 0 : tav::WSAECONNREFUSED));
    // Bytes after the empty line stay for the tunnelled stream.
    std::string rest;  // RecvPacket hands out the line buffer first
    for (;;) {
      const std::string packet = reader.RecvPacket(0);
      if (reader.LastError() != 0) break;
      rest += packet;
    }
    Check(rest == bytes.substr(pos));
  } else {
    Check(reader.LastError() == tav::WSAECONNRESET);
  }
  reader.AbortSocket();
  return 0;
}
