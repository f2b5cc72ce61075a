// The body readers and the gzip step, fed through a connected socket pair:
// the input's first byte picks the framing (until close, by length, chunked)
// and the gzip flag, the rest is what the peer sends before it closes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "http/http_send.h"
#include "support/prefilled_peer.h"

namespace {

class TFuzzHTTP : public tav::THTTPSend {
 public:
  using THTTPSend::DecodeGzipBody;
  using THTTPSend::ReadBodyOfLength;
  using THTTPSend::ReadBodyUntilClose;
  using THTTPSend::ReadChunkedBody;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Larger inputs add no framing the small ones lack, only bytes to copy
  // through the socket.
  if (size < 1 || size > 4096) return 0;
  const std::uint8_t mode = data[0];
  const std::string peer(reinterpret_cast<const char*>(data) + 1, size - 1);

  // Inputs are small: the socket buffer takes them whole.
  const int fd = tav::fuzz::PeerThatSent(peer);
  if (fd < 0) return 0;

  TFuzzHTTP http;
  tav::THTTPLimits limits;
  // Bounds below the largest inputs, so that bodies cross them, and far
  // below the engine's defaults: a body read until close reserves its whole
  // bound, and a gzip bomb decodes up to its bound, on every run.
  limits.MaxLineLength = 1 << 16;
  limits.MaxBodySize = 1 << 11;
  limits.MaxDecodedSize = 1 << 16;
  http.SetLimits(limits);
  http.SetTimeout(1000);
  http.Sock().SetMaxLineLength(limits.MaxLineLength);
  http.Sock().SetSocket(fd);

  switch (mode % 3) {
    case 0: http.ReadBodyUntilClose(); break;
    case 1: http.ReadBodyOfLength(static_cast<std::int64_t>(mode) * 7); break;
    default: http.ReadChunkedBody(); break;
  }
  if (http.Document().Size() > limits.MaxBodySize) std::abort();
  http.DecodeGzipBody((mode & 0x80) != 0);
  if (http.Document().Position() != 0) std::abort();
  if (http.Document().Size() > limits.MaxDecodedSize && http.Document().Size() > limits.MaxBodySize)
    std::abort();
  // The peer is long gone: close the handle at once. A graceful close would
  // first wait a millisecond for the peer's last bytes, on every run.
  http.Sock().AbortSocket();
  return 0;
}
