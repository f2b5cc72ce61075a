#include "test_helpers.h"

#include <zlib.h>

#include <stdexcept>

#include "util/code_page.h"

namespace tav::test {

std::u16string T(const std::string& s) { return AnsiToText(s); }
std::string A(const std::u16string& s) { return TextToAnsi(s); }

std::string RawDeflate(const std::string& data) {
  z_stream z{};
  if (deflateInit2(&z, 6, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK)
    throw std::runtime_error("deflateInit2");
  std::string out(deflateBound(&z, static_cast<uLong>(data.size())), '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  z.avail_in = static_cast<uInt>(data.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  if (deflate(&z, Z_FINISH) != Z_STREAM_END) throw std::runtime_error("deflate");
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

std::string GzipMember(const std::string& data, const std::string& name) {
  std::string out = {'\x1f', '\x8b', '\x08', static_cast<char>(name.empty() ? 0 : 0x08),
                     '\x01', '\x02', '\x03', '\x04', '\x00', '\x03'};
  if (!name.empty()) {
    out += name;
    out.push_back('\0');
  }
  out += RawDeflate(data);
  const uLong crc = crc32(0L, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size()));
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((crc >> (8 * i)) & 0xFF));
  const auto size = static_cast<std::uint32_t>(data.size());
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((size >> (8 * i)) & 0xFF));
  return out;
}

}  // namespace tav::test
