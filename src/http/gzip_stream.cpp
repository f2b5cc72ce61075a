#include "http/gzip_stream.h"

#include <zlib.h>

#include <algorithm>
#include <array>

namespace tav {

namespace {

constexpr std::int64_t kPieceSize = 32768;

[[noreturn]] void RaiseZ(int status) {
  const char* text = zError(status);
  throw EZDecompressionError(status, text != nullptr ? text : "zlib error");
}

[[noreturn]] void RaiseDataError() { RaiseZ(Z_DATA_ERROR); }

[[noreturn]] void RaiseTooLarge() {
  throw EZDecodedSizeError(Z_MEM_ERROR, "decoded data exceeds the size limit");
}

// Reads a zero-terminated field; the terminator is consumed but not kept.
std::string ReadZeroTerminated(TMemoryStream& source) {
  std::string out;
  char c = 0;
  while (source.Read(&c, 1) == 1) {
    if (c == '\0') break;
    out.push_back(c);
  }
  return out;
}

// Owns an initialised zlib stream for the length of one decode.
class TInflater {
 public:
  explicit TInflater(int windowBits) {
    const int status = inflateInit2(&FStream, windowBits);
    if (status < 0) RaiseZ(status);
  }
  ~TInflater() { inflateEnd(&FStream); }
  TInflater(const TInflater&) = delete;
  TInflater& operator=(const TInflater&) = delete;
  z_stream& Stream() { return FStream; }

 private:
  z_stream FStream{};
};

}  // namespace

void InflateStream(TMemoryStream& source, TMemoryStream& dest, int windowBits,
                   std::int64_t maxDecoded) {
  TInflater inflater(windowBits);
  z_stream& z = inflater.Stream();
  std::array<unsigned char, kPieceSize> input;
  std::array<unsigned char, kPieceSize> output;
  std::int64_t decoded = 0;

  auto append = [&](std::int64_t produced) {
    if (produced <= 0) return;
    if (maxDecoded >= 0 && decoded + produced > maxDecoded) {
      // Keep what fits, as a body read past its bound keeps its first bytes.
      dest.Write(output.data(), maxDecoded - decoded);
      RaiseTooLarge();
    }
    decoded += produced;
    dest.Write(output.data(), produced);
  };

  int status = Z_OK;
  std::int64_t got = source.Read(input.data(), kPieceSize);
  while (got > 0) {
    z.next_in = input.data();
    z.avail_in = static_cast<uInt>(got);
    do {
      z.next_out = output.data();
      z.avail_out = static_cast<uInt>(kPieceSize);
      status = inflate(&z, Z_NO_FLUSH);
      if (status == Z_NEED_DICT) RaiseZ(Z_DATA_ERROR);  // no preset dictionary is known
      if (status < 0 && status != Z_BUF_ERROR) RaiseZ(status);
      append(kPieceSize - z.avail_out);
      // A buffer error without progress cannot happen with input left; treat
      // it as a fault instead of spinning.
      if (status == Z_BUF_ERROR && z.avail_out == kPieceSize) RaiseZ(status);
    } while (status != Z_STREAM_END && z.avail_in > 0);
    if (status == Z_STREAM_END) {
      // Give back what was read past the deflate stream (the gzip trailer).
      source.Seek(-static_cast<std::int64_t>(z.avail_in), TMemoryStream::Origin::Current);
      break;
    }
    got = source.Read(input.data(), kPieceSize);
  }

  // The source ran out before the stream ended: drain what zlib still holds;
  // a truncated stream ends in a buffer error.
  while (status != Z_STREAM_END) {
    z.next_in = nullptr;
    z.avail_in = 0;
    z.next_out = output.data();
    z.avail_out = static_cast<uInt>(kPieceSize);
    status = inflate(&z, Z_FINISH);
    const std::int64_t produced = kPieceSize - z.avail_out;
    append(produced);
    if (status == Z_STREAM_END) break;
    if (status == Z_BUF_ERROR && produced > 0) continue;  // more output pending
    RaiseZ(status < 0 ? status : Z_BUF_ERROR);
  }
}

TGzipMemberInfo GunzipStream(TMemoryStream& source, TMemoryStream& dest, std::int64_t maxDecoded) {
  TGzipMemberInfo info;
  unsigned char header[10];
  if (source.Read(header, 10) != 10) RaiseDataError();
  if (header[0] != 0x1F || header[1] != 0x8B || header[2] != 8 || (header[3] & 0xE0) != 0)
    RaiseDataError();
  const unsigned flags = header[3];
  info.ModTime = static_cast<std::uint32_t>(header[4]) | static_cast<std::uint32_t>(header[5]) << 8 |
                 static_cast<std::uint32_t>(header[6]) << 16 |
                 static_cast<std::uint32_t>(header[7]) << 24;
  if (flags & 0x04) {  // FEXTRA
    unsigned char xlen[2];
    if (source.Read(xlen, 2) != 2) RaiseDataError();
    source.Seek(xlen[0] | xlen[1] << 8, TMemoryStream::Origin::Current);
  }
  if (flags & 0x08) info.FileName = ReadZeroTerminated(source);  // FNAME
  if (flags & 0x10) info.Comment = ReadZeroTerminated(source);   // FCOMMENT
  if (flags & 0x02) source.Seek(2, TMemoryStream::Origin::Current);  // FHCRC, not checked
  if (source.Position() >= source.Size()) RaiseDataError();

  const std::int64_t start = dest.Position();
  InflateStream(source, dest, -15, maxDecoded);

  unsigned char trailer[8];
  if (source.Read(trailer, 8) != 8) RaiseDataError();
  auto le32 = [&](int at) {
    return static_cast<std::uint32_t>(trailer[at]) | static_cast<std::uint32_t>(trailer[at + 1]) << 8 |
           static_cast<std::uint32_t>(trailer[at + 2]) << 16 |
           static_cast<std::uint32_t>(trailer[at + 3]) << 24;
  };

  // CRC over what this member added, in bounded pieces.
  uLong crc = crc32(0L, Z_NULL, 0);
  const auto* data = reinterpret_cast<const Bytef*>(dest.Memory());
  for (std::int64_t at = start; at < dest.Size(); at += kPieceSize) {
    const auto n = static_cast<uInt>(std::min(kPieceSize, dest.Size() - at));
    crc = crc32(crc, data + at, n);
  }
  dest.SetPosition(dest.Size());
  if (static_cast<std::uint32_t>(crc) != le32(0)) RaiseDataError();
  if (static_cast<std::uint32_t>(static_cast<std::uint64_t>(dest.Size() - start)) != le32(4))
    RaiseDataError();
  return info;
}

bool LooksLikeGzip(const std::string& firstBytes) {
  return firstBytes.size() >= 4 && static_cast<unsigned char>(firstBytes[0]) == 0x1F &&
         static_cast<unsigned char>(firstBytes[1]) == 0x8B &&
         static_cast<unsigned char>(firstBytes[2]) == 0x08 &&
         (static_cast<unsigned char>(firstBytes[3]) & 0xE0) == 0;
}

}  // namespace tav
