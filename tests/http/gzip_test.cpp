// gzip member decoding on byte streams.
#include <gtest/gtest.h>

#include <zlib.h>

#include <string>

#include "http/gzip_stream.h"
#include "test_helpers.h"

namespace tav {
namespace {

using test::GzipMember;

std::string Text(int lines) {
  std::string s;
  for (int i = 0; i < lines; ++i) s += "line " + std::to_string(i) + " of some body text\n";
  return s;
}

TMemoryStream StreamOf(const std::string& bytes) {
  TMemoryStream s;
  s.Write(bytes);
  s.SetPosition(0);
  return s;
}

TEST(Gunzip, DecodesOneMemberAndReportsItsHeader) {
  const std::string data = Text(5000);  // several 32 KiB pieces in and out
  std::string gz = GzipMember(data, "body.txt");
  TMemoryStream src = StreamOf(gz + GzipMember("second member"));
  TMemoryStream dst;
  dst.Write("kept:");
  const TGzipMemberInfo info = GunzipStream(src, dst);
  EXPECT_EQ(dst.Bytes(), "kept:" + data);
  EXPECT_EQ(info.FileName, "body.txt");
  EXPECT_EQ(info.ModTime, 0x04030201u);
  // Only the first member is read; the source stops right behind it.
  EXPECT_EQ(src.Position(), static_cast<std::int64_t>(gz.size()));
}

TEST(Gunzip, OptionalHeaderFields) {
  const std::string raw = test::RawDeflate("hello");
  const uLong crc = crc32(0L, reinterpret_cast<const Bytef*>("hello"), 5);
  std::string trailer;
  for (int i = 0; i < 4; ++i) trailer.push_back(static_cast<char>((crc >> (8 * i)) & 0xFF));
  trailer += std::string("\x05\x00\x00\x00", 4);
  // FEXTRA (3 bytes), FNAME, FCOMMENT, FHCRC (not checked).
  std::string header = std::string("\x1f\x8b\x08\x1e\0\0\0\0\0\x03", 10) + std::string("\x03\x00xyz", 5) +
                       std::string("name\0", 5) + std::string("comment\0", 8) + "??";
  TMemoryStream src = StreamOf(header + raw + trailer);
  TMemoryStream dst;
  const TGzipMemberInfo info = GunzipStream(src, dst);
  EXPECT_EQ(dst.Bytes(), "hello");
  EXPECT_EQ(info.FileName, "name");
  EXPECT_EQ(info.Comment, "comment");
}

TEST(Gunzip, FaultsRaise) {
  const std::string good = GzipMember(Text(200));
  std::string badCrc = good;
  badCrc[badCrc.size() - 8] ^= 0x01;
  std::string badSize = good;
  badSize[badSize.size() - 4] ^= 0x01;
  std::string badFlags = good;
  badFlags[3] = static_cast<char>(0x20);
  std::string badMethod = good;
  badMethod[2] = 7;
  std::string badDeflate = good.substr(0, 10) + std::string(20, '\xff') + good.substr(30);
  const struct {
    const char* name;
    std::string bytes;
  } cases[] = {
      {"empty", ""},
      {"short header", good.substr(0, 9)},
      {"header only", good.substr(0, 10)},
      {"truncated deflate", good.substr(0, good.size() / 2)},
      {"truncated trailer", good.substr(0, good.size() - 3)},
      {"wrong CRC", badCrc},
      {"wrong size", badSize},
      {"reserved flag", badFlags},
      {"not deflate", badMethod},
      {"corrupt deflate", badDeflate},
      {"FEXTRA without length", std::string("\x1f\x8b\x08\x04\0\0\0\0\0\x03\x01", 11)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TMemoryStream src = StreamOf(c.bytes);
    TMemoryStream dst;
    EXPECT_THROW(GunzipStream(src, dst), EZDecompressionError);
  }
}

TEST(Gunzip, DecodedSizeBound) {
  const std::string zeros(4 << 20, '\0');  // 4 MiB of zeros compress to a few KiB
  const std::string gz = GzipMember(zeros);
  {
    TMemoryStream src = StreamOf(gz);
    TMemoryStream dst;
    EXPECT_THROW(GunzipStream(src, dst, 1 << 20), EZDecodedSizeError);
    // The first bytes up to the bound are kept.
    EXPECT_EQ(dst.Size(), 1 << 20);
  }
  {
    TMemoryStream src = StreamOf(gz);
    TMemoryStream dst;
    GunzipStream(src, dst, 4 << 20);  // exactly at the bound is fine
    EXPECT_EQ(dst.Size(), 4 << 20);
  }
}

TEST(Inflate, ZlibWrapperAndErrorCode) {
  // Window bits 15 reads a zlib stream; a dictionary request is a fault.
  std::string data = Text(10);
  std::string z(compressBound(static_cast<uLong>(data.size())), '\0');
  uLongf len = static_cast<uLongf>(z.size());
  compress(reinterpret_cast<Bytef*>(z.data()), &len, reinterpret_cast<const Bytef*>(data.data()),
           static_cast<uLong>(data.size()));
  z.resize(len);
  TMemoryStream src = StreamOf(z + "tail");
  TMemoryStream dst;
  InflateStream(src, dst, 15);
  EXPECT_EQ(dst.Bytes(), data);
  EXPECT_EQ(ReadBytesFromStream(src, 10), "tail");

  TMemoryStream junk = StreamOf(std::string(100, 'x'));
  TMemoryStream out;
  try {
    InflateStream(junk, out, -15);
    FAIL() << "no exception";
  } catch (const EZDecompressionError& e) {
    EXPECT_EQ(e.ErrorCode(), Z_DATA_ERROR);
    EXPECT_STRNE(e.what(), "");
  }
}

TEST(Gunzip, SignatureTest) {
  EXPECT_TRUE(LooksLikeGzip(std::string("\x1f\x8b\x08\x00\0\0\0\0", 8)));
  EXPECT_TRUE(LooksLikeGzip(std::string("\x1f\x8b\x08\x1f", 4)));
  EXPECT_FALSE(LooksLikeGzip(std::string("\x1f\x8b\x08\x20\0\0\0\0", 8)));
  EXPECT_FALSE(LooksLikeGzip(std::string("\x1f\x8b\x07\x00\0\0\0\0", 8)));
  EXPECT_FALSE(LooksLikeGzip(std::string("\x1f\x8b\x08", 3)));
  EXPECT_FALSE(LooksLikeGzip("<html><body>"));
}

}  // namespace
}  // namespace tav
