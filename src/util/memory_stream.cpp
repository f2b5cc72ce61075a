#include "util/memory_stream.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

namespace tav {

namespace {

// Size and alignment of a transparent huge page on x86-64 and arm64 (with
// 4 KiB base pages); mappings are whole multiples of it.
constexpr std::size_t kHugePage = std::size_t{2} << 20;

std::size_t RoundUp(std::size_t value, std::size_t unit) {
  return (value + unit - 1) / unit * unit;
}

// A fresh mapping of `size` bytes (a multiple of kHugePage) that starts on a
// huge-page boundary, so that every 2 MiB of it can be one huge page.
char* MapLarge(std::size_t size) {
  const std::size_t span = size + kHugePage;
  void* raw = ::mmap(nullptr, span, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (raw == MAP_FAILED) throw std::bad_alloc();
  const auto begin = reinterpret_cast<std::uintptr_t>(raw);
  const std::uintptr_t aligned = RoundUp(begin, kHugePage);
  if (aligned > begin) ::munmap(raw, aligned - begin);
  const std::uintptr_t end = begin + span;
  if (end > aligned + size) ::munmap(reinterpret_cast<void*>(aligned + size), end - (aligned + size));
  // A hint only: where huge pages are off the mapping simply uses small ones.
  ::madvise(reinterpret_cast<void*>(aligned), size, MADV_HUGEPAGE);
  return reinterpret_cast<char*>(aligned);
}

}  // namespace

TMemoryStream::TMemoryStream(const TMemoryStream& other) : FPosition(other.FPosition) {
  if (other.FSize > 0) {
    Grow(other.FSize);
    std::memcpy(FData, other.FData, other.FSize);
    FSize = other.FSize;
  }
}

TMemoryStream::TMemoryStream(TMemoryStream&& other) noexcept
    : FData(std::exchange(other.FData, nullptr)),
      FSize(std::exchange(other.FSize, 0)),
      FCapacity(std::exchange(other.FCapacity, 0)),
      FMapped(std::exchange(other.FMapped, false)),
      FPosition(std::exchange(other.FPosition, 0)) {}

TMemoryStream& TMemoryStream::operator=(const TMemoryStream& other) {
  if (&other != this) {
    TMemoryStream copy(other);
    *this = std::move(copy);
  }
  return *this;
}

TMemoryStream& TMemoryStream::operator=(TMemoryStream&& other) noexcept {
  if (&other != this) {
    Release();
    FData = std::exchange(other.FData, nullptr);
    FSize = std::exchange(other.FSize, 0);
    FCapacity = std::exchange(other.FCapacity, 0);
    FMapped = std::exchange(other.FMapped, false);
    FPosition = std::exchange(other.FPosition, 0);
  }
  return *this;
}

TMemoryStream::~TMemoryStream() { Release(); }

void TMemoryStream::Release() noexcept {
  if (FMapped) {
    ::munmap(FData, FCapacity);
  } else {
    std::free(FData);
  }
  FData = nullptr;
  FSize = 0;
  FCapacity = 0;
  FMapped = false;
  FPosition = 0;
}

void TMemoryStream::Grow(std::size_t needed) {
  if (needed <= FCapacity) return;
  // Doubling keeps appends cheap on the heap; a mapping grows without copying
  // and only its written pages become resident, so it doubles as well.
  Reallocate(std::max({needed, FCapacity * 2, std::size_t{64}}));
}

void TMemoryStream::Reallocate(std::size_t capacity) {
  if (!FMapped && capacity < kLargeSize) {
    void* grown = std::realloc(FData, capacity);
    if (grown == nullptr) throw std::bad_alloc();
    FData = static_cast<char*>(grown);
    FCapacity = capacity;
    return;
  }
  const std::size_t size = RoundUp(capacity, kHugePage);
  if (FMapped) {
    void* moved = ::mremap(FData, FCapacity, size, MREMAP_MAYMOVE);
    if (moved == MAP_FAILED) throw std::bad_alloc();
    FData = static_cast<char*>(moved);
  } else {
    char* mapped = MapLarge(size);
    if (FSize > 0) std::memcpy(mapped, FData, FSize);
    std::free(FData);
    FData = mapped;
    FMapped = true;
  }
  FCapacity = size;
}

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
    std::memcpy(buffer, FData + FPosition, static_cast<std::size_t>(n));
    FPosition += n;
  }
  return n;
}

std::int64_t TMemoryStream::Write(const void* buffer, std::int64_t count) {
  if (count <= 0) return 0;
  const auto pos = static_cast<std::size_t>(FPosition);
  const auto n = static_cast<std::size_t>(count);
  Grow(pos + n);
  std::memcpy(FData + pos, buffer, n);
  FSize = std::max(FSize, pos + n);
  FPosition += count;
  return count;
}

char* TMemoryStream::BeginAppend(std::int64_t count) {
  Grow(FSize + static_cast<std::size_t>(std::max<std::int64_t>(count, 0)));
  return FData + FSize;
}

void TMemoryStream::EndAppend(std::int64_t count) {
  const auto room = static_cast<std::int64_t>(FCapacity - FSize);
  FSize += static_cast<std::size_t>(std::clamp<std::int64_t>(count, 0, room));
  FPosition = Size();
}

void TMemoryStream::SetSize(std::int64_t size) {
  const auto n = static_cast<std::size_t>(std::max<std::int64_t>(size, 0));
  if (n > FSize) {
    Grow(n);
    std::memset(FData + FSize, 0, n - FSize);
  }
  FSize = n;
  FPosition = std::min(FPosition, Size());
}

void TMemoryStream::Clear() { Release(); }

void TMemoryStream::Reserve(std::int64_t capacity) {
  if (capacity > 0 && static_cast<std::size_t>(capacity) > FCapacity)
    Reallocate(static_cast<std::size_t>(capacity));
}

std::string TMemoryStream::Take() {
  std::string out(Memory(), FSize);
  Release();
  return out;
}

void TMemoryStream::LoadFrom(const TMemoryStream& source) {
  if (&source == this) return;
  *this = source;
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
