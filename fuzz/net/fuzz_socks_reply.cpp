// SOCKS reply decoding on arbitrary bytes, and the reply reader fed the same
// bytes by a peer that sends them and closes.
#include <cstddef>
#include <cstdint>
#include <string>

#include "net/tcp_block_socket.h"
#include "support/prefilled_peer.h"

namespace {

using tav::fuzz::Check;
using tav::fuzz::PeerThatSent;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  // Far below the socket pair's buffer, so that sending never blocks.
  if (Size > 4096) return 0;
  const std::string bytes(reinterpret_cast<const char*>(Data), Size);
  for (const tav::TSocksType type : {tav::ST_Socks5, tav::ST_Socks4}) {
    tav::TTCPBlockSocket decoder;
    decoder.SetSocksType(type);
    const int next = decoder.DecodeSocksReply(bytes);
    Check(next >= 0 && static_cast<std::size_t>(next) <= Size + 1);

    const int fd = PeerThatSent(bytes);
    if (fd < 0) return 0;
    tav::TTCPBlockSocket reader;
    reader.SetSocksType(type);
    reader.SetSocksTimeout(100);
    reader.SetSocket(fd);
    const bool ok = reader.SocksResponse();
    if (ok) {
      Check(reader.LastError() == 0);
      Check(reader.SocksLastError() == 0 || reader.SocksLastError() == 90);
      // The reply was read to its exact end: what follows is still there.
      std::string rest;
      for (;;) {
        const std::string packet = reader.RecvPacket(0);
        if (reader.LastError() != 0) break;
        rest += packet;
      }
      const std::size_t consumed = static_cast<std::size_t>(next) - 1;
      Check(next > 1 && consumed + rest.size() == Size);
      Check(bytes.compare(consumed, rest.size(), rest) == 0);
      Check(reader.SocksResponseIP() == decoder.SocksResponseIP());
      Check(reader.SocksResponsePort() == decoder.SocksResponsePort());
    } else {
      const int code = reader.SocksLastError();
      Check(code == -1 || (code != 0 && code != 90));
    }
    // Closes at once: no send-side shutdown and purge of a test stream.
    reader.AbortSocket();
  }
  return 0;
}
