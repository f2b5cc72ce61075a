#pragma once
// A growable in-memory byte stream with a read/write position, used for
// request and response bodies.
//
// Small contents live on the heap. From kLargeSize on the content moves to a
// mapping of its own that the kernel may back with huge pages: a large body
// then costs a few hundred page faults instead of one per 4 KiB page, and the
// mapping grows by remapping its pages, never by copying the content.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tav {

class TMemoryStream {
 public:
  enum class Origin { Beginning, Current, End };

  // Capacity from which the content is kept in its own mapping.
  static constexpr std::size_t kLargeSize = std::size_t{1} << 20;

  TMemoryStream() = default;
  TMemoryStream(const TMemoryStream& other);
  TMemoryStream(TMemoryStream&& other) noexcept;
  TMemoryStream& operator=(const TMemoryStream& other);
  TMemoryStream& operator=(TMemoryStream&& other) noexcept;
  ~TMemoryStream();

  std::int64_t Size() const { return static_cast<std::int64_t>(FSize); }
  std::int64_t Position() const { return FPosition; }
  // Positions outside 0..Size are clamped.
  void SetPosition(std::int64_t position);
  std::int64_t Seek(std::int64_t offset, Origin origin);

  // Reads up to `count` bytes from the position; returns the number read.
  std::int64_t Read(void* buffer, std::int64_t count);
  // Writes at the position, growing the stream when needed.
  std::int64_t Write(const void* buffer, std::int64_t count);
  void Write(std::string_view bytes) { Write(bytes.data(), static_cast<std::int64_t>(bytes.size())); }

  // Direct appending, for a writer that fills the stream's memory itself
  // (a socket receiving into it): BeginAppend makes room for `count` bytes
  // after the end and returns where they go; EndAppend(n) then adds the first
  // n of them to the content and moves the position to the new end. Nothing
  // else may touch the stream in between.
  char* BeginAppend(std::int64_t count);
  void EndAppend(std::int64_t count);

  // Sets the size (new bytes are zero); the position is clamped to it.
  void SetSize(std::int64_t size);
  // Empties the stream and releases its memory.
  void Clear();
  // Makes room for `capacity` bytes in all; a large capacity only reserves
  // address space, and pages become resident as they are written.
  void Reserve(std::int64_t capacity);

  // The whole content, independent of the position; valid until the stream
  // next changes.
  std::string_view Bytes() const { return {Memory(), FSize}; }
  const char* Memory() const { return FData != nullptr ? FData : ""; }
  // Moves the content out as a string and leaves the stream empty.
  std::string Take();
  // Copies all of `source`'s content into this stream, replacing it.
  void LoadFrom(const TMemoryStream& source);

 private:
  // Capacity for at least `needed` bytes, keeping the content.
  void Grow(std::size_t needed);
  // Capacity of exactly `capacity` bytes (a mapping: whole huge pages).
  void Reallocate(std::size_t capacity);
  void Release() noexcept;

  char* FData = nullptr;
  std::size_t FSize = 0;
  std::size_t FCapacity = 0;
  bool FMapped = false;  // FData is a mapping of FCapacity bytes, not heap memory
  std::int64_t FPosition = 0;
};

// Reads up to `count` bytes from the stream's position; the result has the
// length actually read.
std::string ReadBytesFromStream(TMemoryStream& stream, std::int64_t count);
// Writes all bytes at the stream's position.
void WriteBytesToStream(TMemoryStream& stream, std::string_view bytes);

}  // namespace tav
