#pragma once
// A growable in-memory byte stream with a read/write position, used for
// request and response bodies.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tav {

class TMemoryStream {
 public:
  enum class Origin { Beginning, Current, End };

  std::int64_t Size() const { return static_cast<std::int64_t>(FData.size()); }
  std::int64_t Position() const { return FPosition; }
  // Positions outside 0..Size are clamped.
  void SetPosition(std::int64_t position);
  std::int64_t Seek(std::int64_t offset, Origin origin);

  // Reads up to `count` bytes from the position; returns the number read.
  std::int64_t Read(void* buffer, std::int64_t count);
  // Writes at the position, growing the stream when needed.
  std::int64_t Write(const void* buffer, std::int64_t count);
  void Write(std::string_view bytes) { Write(bytes.data(), static_cast<std::int64_t>(bytes.size())); }

  // Sets the size; the position is clamped to it.
  void SetSize(std::int64_t size);
  void Clear();
  void Reserve(std::int64_t capacity) { FData.reserve(static_cast<std::size_t>(capacity)); }

  // The whole content, independent of the position.
  const std::string& Bytes() const { return FData; }
  const char* Memory() const { return FData.data(); }
  // Moves the content out and leaves the stream empty.
  std::string Take();
  // Copies all of `source`'s content into this stream, replacing it.
  void LoadFrom(const TMemoryStream& source);

 private:
  std::string FData;
  std::int64_t FPosition = 0;
};

// Reads up to `count` bytes from the stream's position; the result has the
// length actually read.
std::string ReadBytesFromStream(TMemoryStream& stream, std::int64_t count);
// Writes all bytes at the stream's position.
void WriteBytesToStream(TMemoryStream& stream, std::string_view bytes);

}  // namespace tav
