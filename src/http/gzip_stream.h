#pragma once
// gzip (one member) and raw deflate decoding between byte streams, on zlib.
// Faults are raised as EZDecompressionError; the engine catches them and keeps
// the body as received.
#include <cstdint>
#include <stdexcept>
#include <string>

#include "util/memory_stream.h"

namespace tav {

// A zlib failure: the zlib status code and zlib's text for it.
class EZLibError : public std::runtime_error {
 public:
  EZLibError(int errorCode, const std::string& message)
      : std::runtime_error(message), FErrorCode(errorCode) {}
  int ErrorCode() const { return FErrorCode; }

 private:
  int FErrorCode;
};

class EZDecompressionError : public EZLibError {
 public:
  using EZLibError::EZLibError;
};

// The decoded data would pass the size bound; the destination then holds the
// first bytes up to the bound.
class EZDecodedSizeError : public EZDecompressionError {
 public:
  using EZDecompressionError::EZDecompressionError;
};

// No limit on the decoded size.
inline constexpr std::int64_t kUnlimitedDecodedSize = -1;

// What a gzip member header carries besides the data; the engine ignores it.
struct TGzipMemberInfo {
  std::string FileName;        // without the terminating zero byte
  std::string Comment;
  std::uint32_t ModTime = 0;   // seconds since 1970; 0 = none
};

// Raw inflate (windowBits -15) or any zlib window setting, from the source's
// position until the deflate stream ends; decoded bytes are appended at the
// destination's position. Input read past the end of the deflate stream is
// given back to the source, so the source is left just behind the stream.
// Decoding more than `maxDecoded` bytes (when not negative) raises
// EZDecodedSizeError with the first `maxDecoded` bytes written.
void InflateStream(TMemoryStream& source, TMemoryStream& dest, int windowBits,
                   std::int64_t maxDecoded = kUnlimitedDecodedSize);

// Decodes the gzip member at the source's position into the destination,
// checking its CRC-32 and length. Bytes after the member are ignored.
TGzipMemberInfo GunzipStream(TMemoryStream& source, TMemoryStream& dest,
                             std::int64_t maxDecoded = kUnlimitedDecodedSize);

// True when the bytes start like a gzip member this decoder accepts: 1F 8B,
// method 8 (deflate) and no reserved flag bit (5 to 7) set. Used for bodies
// that arrive without a gzip Content-Encoding line.
bool LooksLikeGzip(const std::string& firstBytes);

}  // namespace tav
