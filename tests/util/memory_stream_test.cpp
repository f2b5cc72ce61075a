// The byte stream, small on the heap and large in its own mapping.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>

#include "util/memory_stream.h"

namespace tav {
namespace {

constexpr std::size_t kLarge = TMemoryStream::kLargeSize;

// Bytes that differ from piece to piece, so that a misplaced copy shows.
std::string Pattern(std::size_t size, unsigned seed) {
  std::string out(size, '\0');
  for (std::size_t i = 0; i < size; ++i) out[i] = static_cast<char>((i * 131 + seed * 7919) % 251);
  return out;
}

TEST(MemoryStream, AppendsKeepTheContentThroughEveryGrowth) {
  // Pieces of uneven sizes carry the stream from the heap into its mapping
  // and through several remappings.
  TMemoryStream stream;
  std::string expected;
  std::size_t piece = 1;
  for (unsigned seed = 0; expected.size() < 6 * kLarge; ++seed) {
    const std::string bytes = Pattern(piece, seed);
    stream.Write(bytes);
    expected += bytes;
    piece = piece * 3 + 17;
  }
  ASSERT_EQ(stream.Size(), static_cast<std::int64_t>(expected.size()));
  EXPECT_EQ(stream.Position(), stream.Size());
  EXPECT_TRUE(stream.Bytes() == expected);
  stream.SetPosition(static_cast<std::int64_t>(kLarge) - 3);
  EXPECT_EQ(ReadBytesFromStream(stream, 10), expected.substr(kLarge - 3, 10));
}

TEST(MemoryStream, OverwritingSeekingAndResizing) {
  for (const std::size_t size : {std::size_t{100}, 3 * kLarge + 5}) {
    SCOPED_TRACE(size);
    TMemoryStream stream;
    std::string expected = Pattern(size, 1);
    stream.Write(expected);

    // Writing inside the content overwrites it.
    stream.SetPosition(10);
    stream.Write("abc");
    expected.replace(10, 3, "abc");
    EXPECT_EQ(stream.Position(), 13);
    EXPECT_EQ(stream.Size(), static_cast<std::int64_t>(size));

    // Positions are clamped; reading at the end gives nothing.
    EXPECT_EQ(stream.Seek(5, TMemoryStream::Origin::End), static_cast<std::int64_t>(size));
    char byte = 0;
    EXPECT_EQ(stream.Read(&byte, 1), 0);
    EXPECT_EQ(stream.Seek(-1000000000, TMemoryStream::Origin::Current), 0);

    // Shrinking clamps the position; growing again gives zero bytes, not
    // what the memory held before.
    stream.SetPosition(static_cast<std::int64_t>(size));
    stream.SetSize(static_cast<std::int64_t>(size / 2));
    EXPECT_EQ(stream.Position(), static_cast<std::int64_t>(size / 2));
    stream.SetSize(static_cast<std::int64_t>(size));
    expected.replace(size / 2, size - size / 2, size - size / 2, '\0');
    EXPECT_TRUE(stream.Bytes() == expected);

    // Writing past the end extends the content.
    stream.SetPosition(static_cast<std::int64_t>(size) - 1);
    stream.Write("xyz");
    expected.replace(size - 1, 1, "xyz");
    EXPECT_TRUE(stream.Bytes() == expected);
  }
}

TEST(MemoryStream, DirectAppendAddsOnlyWhatWasFilled) {
  for (const std::size_t start : {std::size_t{0}, kLarge - 10, 2 * kLarge}) {
    SCOPED_TRACE(start);
    TMemoryStream stream;
    const std::string head = Pattern(start, 2);
    stream.Write(head);
    stream.SetPosition(0);
    char* at = stream.BeginAppend(65536);
    std::memset(at, 'd', 65536);
    stream.EndAppend(1000);
    EXPECT_EQ(stream.Size(), static_cast<std::int64_t>(start + 1000));
    EXPECT_EQ(stream.Position(), stream.Size());
    EXPECT_TRUE(stream.Bytes() == head + std::string(1000, 'd'));
  }
}

TEST(MemoryStream, CopiesMovesAndHandOvers) {
  const std::string content = Pattern(2 * kLarge + 1, 3);
  TMemoryStream stream;
  stream.Reserve(4 * static_cast<std::int64_t>(kLarge));
  EXPECT_EQ(stream.Size(), 0);
  stream.Write(content);
  stream.Reserve(1);  // never shrinks
  stream.SetPosition(7);

  TMemoryStream copy(stream);
  EXPECT_EQ(copy.Position(), 7);
  stream.SetPosition(0);
  stream.Write("changed");
  EXPECT_TRUE(copy.Bytes() == content);

  TMemoryStream moved(std::move(copy));
  EXPECT_EQ(copy.Size(), 0);  // NOLINT(bugprone-use-after-move): left empty on purpose
  EXPECT_EQ(std::string(copy.Memory()), "");
  EXPECT_TRUE(moved.Bytes() == content);

  TMemoryStream loaded;
  loaded.Write("old");
  loaded.LoadFrom(moved);
  EXPECT_EQ(loaded.Position(), 0);
  EXPECT_TRUE(loaded.Bytes() == content);

  loaded = TMemoryStream();
  EXPECT_EQ(loaded.Size(), 0);

  EXPECT_TRUE(moved.Take() == content);
  EXPECT_EQ(moved.Size(), 0);
  EXPECT_EQ(moved.Position(), 0);
  moved.Write("again");
  EXPECT_EQ(moved.Bytes(), "again");
  moved.Clear();
  EXPECT_EQ(moved.Size(), 0);
}

}  // namespace
}  // namespace tav
