// Drives the word-wrap row map with edits decoded from the input and checks
// after each one that it equals a fresh wrap of the same lines, and that the
// map's invariants hold: offsets strictly increase, a line's rows add up to
// its cells, no row is longer than the window, and positions round-trip.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "textview/word_wrap_plugin.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

struct Owner : tav::TWordWrapOwner {
  std::vector<std::u16string> lines;
  int chars = 1;
  int WrapLineCount() override { return static_cast<int>(lines.size()); }
  int WrapCharsInWindow() override { return chars; }
  std::u16string_view WrapLineCells(int index, std::u16string&) override {
    return lines[static_cast<std::size_t>(index)];
  }
  bool WrapIsWordBreakChar(char16_t c) override { return c <= u' ' || c == u'-'; }
};

class Input {
 public:
  Input(const std::uint8_t* data, std::size_t size) : fData(data), fSize(size) {}
  bool Empty() const { return fPos >= fSize; }
  int Byte() { return fPos < fSize ? fData[fPos++] : 0; }
  std::u16string Line() {
    static const char16_t kUnits[] = {u'a', u' ', u'-', u'\uE000', u'\u4E2D', u'\xD83D',
                                      u'\xDE00', u'\t'};
    std::u16string s;
    int length = Byte();
    if (length > 200) length = (length - 200) * 80;  // now and then a long line
    for (int i = 0; i < length && !Empty(); ++i) {
      const int b = Byte();
      s.append(static_cast<std::size_t>(1 + (b >> 5)), kUnits[b & 7]);
    }
    return s;
  }

 private:
  const std::uint8_t* fData;
  std::size_t fSize;
  std::size_t fPos = 0;
};

void CheckMap(tav::TWordWrapPlugin& map, Owner& owner) {
  tav::TWordWrapPlugin fresh(&owner);
  Check(map.RowCount() == fresh.RowCount());
  Check(map.LineCount() == fresh.LineCount());
  for (int r = 1; r <= map.RowCount(); ++r) Check(map.GetRowLength(r) == fresh.GetRowLength(r));
  int previous = 0;
  for (int i = 0; i < map.LineCount(); ++i) {
    Check(map.LineOffset(i) == fresh.LineOffset(i));
    Check(map.LineOffset(i) > previous);
    std::int64_t sum = 0;
    for (int r = previous + 1; r <= map.LineOffset(i); ++r) {
      Check(map.GetRowLength(r) <= map.MaxRowLength());
      sum += map.GetRowLength(r);
    }
    const int length = static_cast<int>(owner.lines[static_cast<std::size_t>(i)].size());
    Check(sum == length);
    for (int cell = 1; cell <= length; cell += 1 + length / 50) {
      const tav::TDisplayCoord d = map.BufferToDisplayPos({cell, i + 1});
      Check(d.Row > previous && d.Row <= map.LineOffset(i));
      Check(d.Column >= 1 && d.Column <= map.GetRowLength(d.Row));
      const tav::TBufferCoord b = map.DisplayToBufferPos(d);
      Check(b.Char == cell && b.Line == i + 1);
    }
    previous = map.LineOffset(i);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Input in(data, size);
  Owner owner;
  owner.chars = in.Byte() % 90;
  for (int i = in.Byte() % 6; i > 0; --i) owner.lines.push_back(in.Line());
  tav::TWordWrapPlugin map(&owner);
  CheckMap(map, owner);
  for (int step = 0; step < 64 && !in.Empty(); ++step) {
    const int count = static_cast<int>(owner.lines.size());
    const int op = in.Byte() % 4;
    if (op == 0) {
      const int at = in.Byte() % (count + 1);
      const int n = 1 + in.Byte() % 4;
      for (int i = 0; i < n; ++i)
        owner.lines.insert(owner.lines.begin() + at, in.Line());
      map.LinesInserted(at, n);
    } else if (op == 1 && count > 0) {
      const int at = in.Byte() % count;
      const int n = 1 + in.Byte() % (count - at);
      owner.lines.erase(owner.lines.begin() + at, owner.lines.begin() + at + n);
      map.LinesDeleted(at, n);
    } else if (op == 2 && count > 0) {
      const int at = in.Byte() % count;
      owner.lines[static_cast<std::size_t>(at)] = in.Line();
      map.LinesPutted(at, 1);
    } else if (op == 3) {
      owner.chars = in.Byte() % 90;
      map.DisplayChanged();
    }
    CheckMap(map, owner);
  }
  return 0;
}
