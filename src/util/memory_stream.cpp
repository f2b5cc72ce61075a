#include "util/memory_stream.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace tav {

void TMemoryStream::SetPosition(std::int64_t position) {
  FPosition = std::clamp<std::int64_t>(position, 0, Size());
}

std::int64_t TMemoryStream::Seek(std::int64_t offset, Origin origin) {
  std::int64_t base = 0;
  if (origin == Origin::Current) base = FPosition;
  if (origin == Origin::End) base = Size();
  SetPosition(base + offset);
  return FPosition;
}

std::int64_t TMemoryStream::Read(void* buffer, std::int64_t count) {
  const std::int64_t n = std::clamp<std::int64_t>(Size() - FPosition, 0, std::max<std::int64_t>(count, 0));
  if (n > 0) {
    std::memcpy(buffer, FData.data() + FPosition, static_cast<std::size_t>(n));
    FPosition += n;
  }
  return n;
}

std::int64_t TMemoryStream::Write(const void* buffer, std::int64_t count) {
  if (count <= 0) return 0;
  const auto pos = static_cast<std::size_t>(FPosition);
  const auto n = static_cast<std::size_t>(count);
  if (pos == FData.size()) {
    FData.append(static_cast<const char*>(buffer), n);
  } else {
    if (pos + n > FData.size()) FData.resize(pos + n);
    std::memcpy(FData.data() + pos, buffer, n);
  }
  FPosition += count;
  return count;
}

void TMemoryStream::SetSize(std::int64_t size) {
  FData.resize(static_cast<std::size_t>(std::max<std::int64_t>(size, 0)));
  FPosition = std::min(FPosition, Size());
}

void TMemoryStream::Clear() {
  FData.clear();
  FData.shrink_to_fit();
  FPosition = 0;
}

std::string TMemoryStream::Take() {
  std::string out = std::move(FData);
  FData.clear();
  FPosition = 0;
  return out;
}

void TMemoryStream::LoadFrom(const TMemoryStream& source) {
  if (&source == this) return;
  FData = source.FData;
  FPosition = 0;
}

std::string ReadBytesFromStream(TMemoryStream& stream, std::int64_t count) {
  std::string out(static_cast<std::size_t>(std::max<std::int64_t>(
                      std::min(count, stream.Size() - stream.Position()), 0)),
                  '\0');
  const auto got = stream.Read(out.data(), static_cast<std::int64_t>(out.size()));
  out.resize(static_cast<std::size_t>(got));
  return out;
}

void WriteBytesToStream(TMemoryStream& stream, std::string_view bytes) {
  stream.Write(bytes);
}

}  // namespace tav
